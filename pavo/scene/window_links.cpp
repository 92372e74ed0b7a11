#include "scene/window_links.h"

#include "app_messages.h"

#include "files/viewer_args.h"
#include "pav_object.h"
#include "scene/mesh_viewer.h"
#include "scene/mesh_viewer_input.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace pavo {

namespace {

// The first window of the chain of `input`.
PavViewerInput *chainHead(PavViewerInput *input) {
  // A chain is finite and acyclic (chainWindows builds it); the bound guards against misuse.
  for (int guard = 0; input && input->link().previous && guard < 1 << 20; guard++)
    input = input->link().previous;
  return input;
}

// Applies `change` to every other window of the chain of `from` when `on(switches)` holds, each
// marked as applying a propagated change (its redraw path tells no one again), then renders it.
void forOthers(PavMeshViewer *from, bool PavPropagation::*flag,
               const std::function<void(PavMeshViewer *, PavViewerInput *)> &change) {
  PavViewerInput *source = PavViewerInput::of(from);
  if (!source || source->link().applying || !(source->link().propagate.*flag)) return;
  for (PavViewerInput *w = chainHead(source); w; w = w->link().next) {
    if (w == source) continue;
    w->link().applying = true;
    change(w->viewer(), w);
    w->link().applying = false;
    w->viewer()->renderNow();
  }
}

} // namespace

void unchainWindow(PavViewerInput *input) {
  if (!input) return;
  PavWindowLink &l = input->link();
  if (l.previous) l.previous->link().next = l.next;
  if (l.next) l.next->link().previous = l.previous;
  l.previous = l.next = nullptr;
}

void chainWindows(const std::vector<PavMeshViewer *> &windows) {
  std::vector<PavViewerInput *> inputs;
  for (PavMeshViewer *w : windows) {
    PavViewerInput *in = PavViewerInput::of(w);
    if (!in || std::find(inputs.begin(), inputs.end(), in) != inputs.end()) continue;
    unchainWindow(in);
    inputs.push_back(in);
  }
  for (size_t i = 0; i < inputs.size(); i++) {
    inputs[i]->link().previous = i > 0 ? inputs[i - 1] : nullptr;
    inputs[i]->link().next = i + 1 < inputs.size() ? inputs[i + 1] : nullptr;
  }
}

std::vector<PavMeshViewer *> linkedWindows(const PavMeshViewer *window) {
  std::vector<PavMeshViewer *> out;
  PavViewerInput *source = PavViewerInput::of(window);
  for (PavViewerInput *w = chainHead(source); w; w = w->link().next)
    if (w != source) out.push_back(w->viewer());
  return out;
}

void setPropagation(PavMeshViewer *window, const PavPropagation &propagate) {
  for (PavViewerInput *w = chainHead(PavViewerInput::of(window)); w; w = w->link().next)
    w->link().propagate = propagate;
}

void propagateKey(PavMeshViewer *from, int qtKey, const QString &text) {
  forOthers(from, &PavPropagation::keys,
            [&](PavMeshViewer *, PavViewerInput *in) { in->handleKey(qtKey, text); });
}

void propagateSolution(PavMeshViewer *from, int fieldMode, int index) {
  if (fieldMode != 1 && fieldMode != 2) return;
  forOthers(from, &PavPropagation::solution, [&](PavMeshViewer *w, PavViewerInput *) {
    if (!w->meshObject()) return;
    const int current = fieldMode == 1 ? w->view.vertexSolution : w->view.elementSolution;
    if (w->view.fieldMode == fieldMode && current != index) {
      w->stepSolution(index - current); // bounds of the other mesh apply
      return;
    }
    w->view.fieldMode = fieldMode;
    w->refresh(PavChange::Fields, PavRedraw::Later);
  });
}

void propagateView(PavMeshViewer *from) {
  forOthers(from, &PavPropagation::views, [&](PavMeshViewer *w, PavViewerInput *) {
    w->view.trackball.rotation = from->view.trackball.rotation;
    // The translation is in units of the source scene's radius; the other has its own.
    w->view.trackball.translation =
        from->view.trackball.translation * (w->view.sceneScale / from->view.sceneScale);
    w->view.fovy = from->view.fovy;
    w->refresh(PavChange::Camera, PavRedraw::Later);
  });
}

void propagateCut(PavMeshViewer *from) {
  forOthers(from, &PavPropagation::clip, [&](PavMeshViewer *w, PavViewerInput *in) {
    w->view.hasCutPlane = from->view.hasCutPlane;
    std::copy(from->view.cutPlane, from->view.cutPlane + 4, w->view.cutPlane);
    w->view.options.CutOn = from->view.options.CutOn;
    w->view.capping = from->view.capping;
    in->switches().cutPlaneMode = PavViewerInput::of(from)->switches().cutPlaneMode;
    w->refresh(PavChange::Cut, PavRedraw::Later);
  });
}

void propagatePick(PavMeshViewer *from, int entityType, int number) {
  forOthers(from, &PavPropagation::picking, [&](PavMeshViewer *, PavViewerInput *in) {
    in->clearHighlight();
    in->pickEntity(entityType, number);
  });
}

void propagateHighlight(PavMeshViewer *from, uint32_t drawType, int32_t id, bool on) {
  // A double click always reaches the linked windows: it has no switch of its own.
  PavViewerInput *source = PavViewerInput::of(from);
  if (!source || source->link().applying) return;
  for (PavViewerInput *w = chainHead(source); w; w = w->link().next) {
    if (w == source) continue;
    for (PavDrawObject *o : w->viewer()->objectsOfType(drawType))
      if (o->id == id) o->highlightAll = on;
    w->viewer()->renderNow();
  }
}

void propagateCentre(PavMeshViewer *from, const QVector3D &centre) {
  forOthers(from, &PavPropagation::centre, [&](PavMeshViewer *w, PavViewerInput *) {
    w->view.sceneCentre = centre;
    w->refresh(PavChange::Centre, PavRedraw::Later);
  });
}

bool propagateBoundingBox(PavMeshViewer *any) {
  PavViewerInput *head = chainHead(PavViewerInput::of(any));
  if (!head || !head->link().next) return false;
  PavViewerInput *last = head;
  while (last->link().next) last = last->link().next;
  return last->link().propagate.boundingBox && setCommonBoundingBox(any);
}

bool setCommonBoundingBox(PavMeshViewer *any) {
  PavViewerInput *head = chainHead(PavViewerInput::of(any));
  if (!head) return false;
  double box[6] = {0, 0, 0, 0, 0, 0};
  bool first = true;
  for (PavViewerInput *w = head; w; w = w->link().next) {
    // A window whose mesh could not be read, or has no vertices, has no box to give.
    const PavObject *mesh = w->viewer()->meshObject();
    if (!mesh || pav_Count(mesh, Vertices) < 1) continue;
    double b[6];
    w->viewer()->boundingBox(b);
    if (first)
      std::copy(b, b + 6, box);
    else
      unionBox(box, b);
    first = false;
  }
  if (first) return false;
  for (PavViewerInput *w = head; w; w = w->link().next) {
    w->viewer()->setBoundingBox(box);
    w->viewer()->renderNow();
  }
  appMessage(" \n");
  appMessage("  Set new bounding box:\n");
  appMessage("  x:[%lg %lg] y:[%lg %lg] z:[%lg %lg]\n", box[0], box[1], box[2], box[3], box[4],
             box[5]);
  fflush(stdout);
  return true;
}

} // namespace pavo
