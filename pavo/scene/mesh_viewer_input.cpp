#include "scene/mesh_viewer_input.h"

#include "app_messages.h"
#include "files/draw_types.h"
#include "files/view_state_file.h"
#include "pavmsh.h"
#include "render/colormaps.h"
#include "render/scene_marks.h"
#include "scene/mesh_viewer.h"
#include "scene/vertex_labels.h"
#include "scene/view_state_io.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pavo {

namespace {

long nowMs() { return (long)QDateTime::currentMSecsSinceEpoch(); }

using BuiltSet = PavMeshViewer::PavBuiltSet;
using BuiltObject = PavMeshViewer::PavBuiltObject;
using Source = PavMeshViewer::PavSetSource;

bool facesOfVolumes(const BuiltSet &s) {
  return s.source == Source::BoundaryFaces || s.source == Source::ClipFaces;
}

} // namespace

PavViewerInput::PavViewerInput(PavMeshViewer *viewer)
    : QObject(viewer), win(viewer), sw(viewer->switches) {
  setObjectName("PavViewerInput");
  viewer->installEventFilter(this);
  connect(&animation, &QTimer::timeout, viewer, &PavSceneWindow::animate);
  connect(viewer, &PavSceneWindow::pickingDone, this, &PavViewerInput::reportPicking);
  connect(viewer, &PavMeshViewer::solutionStepped, this,
          [this](int fieldMode, int index) { propagateSolution(win, fieldMode, index); });
}

PavViewerInput::~PavViewerInput() { unchainWindow(this); }

PavViewerInput *PavViewerInput::of(const PavMeshViewer *viewer) {
  return viewer ? viewer->findChild<PavViewerInput *>(QString(), Qt::FindDirectChildrenOnly)
                : nullptr;
}

bool PavViewerInput::eventFilter(QObject *watched, QEvent *event) {
  if (watched != win) return false;
  switch (event->type()) {
  case QEvent::KeyPress: {
    auto *k = static_cast<QKeyEvent *>(event);
    if (!handleKey(k->key(), k->text()).handled) return false;
    k->accept();
    return true;
  }
  case QEvent::MouseButtonPress:
    mousePress(static_cast<QMouseEvent *>(event));
    return true;
  case QEvent::MouseButtonDblClick: {
    auto *m = static_cast<QMouseEvent *>(event);
    highlightAt((int)std::lround(m->localPos().x()), (int)std::lround(m->localPos().y()));
    return true;
  }
  case QEvent::MouseMove:
    mouseMove(static_cast<QMouseEvent *>(event));
    return true;
  case QEvent::MouseButtonRelease:
    mouseRelease(static_cast<QMouseEvent *>(event));
    return true;
  case QEvent::Wheel:
    wheel(static_cast<QWheelEvent *>(event));
    return true;
  default:
    return false;
  }
}

// ---- Keys ----

PavKeyFacts PavViewerInput::facts() const {
  PavKeyFacts f;
  const PavObject *m = win->meshObject();
  f.solutionAttached = win->sceneModel().firstField(PavFieldKind::Solution) != nullptr;
  f.vertexSolutions = m && pav_GetNumberOfVertexSolutions(m) > 0;
  f.elementSolutions = m && pav_GetMaxNumberOfElementSolutions(m) > 0;
  f.solDefinition = win->fieldState().sol;
  f.multiPickingActive = demandActive;
  f.colormapCount = PAV_NBR_COLORMAPS;
  double b[6];
  win->boundingBox(b);
  for (int i = 0; i < 3; i++) f.boxCentre[i] = 0.5 * (b[2 * i] + b[2 * i + 1]);
  return f;
}

PavKeyEffect PavViewerInput::handleKey(int qtKey, const QString &text) {
  forgetStale();
  PavKeyEffect effect = applyKey(qtKey, text.toStdString(), win->view, sw, facts());
  if (!effect.handled) return effect;
  // The others apply the key first; the state the redraw path then passes on only confirms it.
  if (effect.request != PavKeyRequest::Quit) propagateKey(win, qtKey, text);
  carryOut(effect);
  return effect;
}

void PavViewerInput::carryOut(const PavKeyEffect &effect) {
  using R = PavKeyRequest;
  switch (effect.request) {
  case R::None:
    break;
  case R::Quit:
    appMessage("%s", kFarewell);
    fflush(stdout);
    win->close();
    if (quitApplication)
      quitApplication();
    else
      QCoreApplication::quit();
    return;
  case R::FinishMultiPicking:
    finishDemand();
    break;
  case R::Screenshot:
    win->screenshot(nullptr);
    break;
  case R::NextSolution:
  case R::PreviousSolution: {
    if (const PavDrawField *f = win->sceneModel().firstField(PavFieldKind::Solution))
      const_cast<PavDrawField *>(f)->paletteFixed = false;
    if (win->meshObject()) win->stepSolution(effect.request == R::NextSolution ? 1 : -1);
    break;
  }
  case R::ComputeJacobian:
  case R::ComputeJacobianMinimal: {
    const bool minimal = effect.request == R::ComputeJacobianMinimal;
    if (minimal)
      emit win->computeMeshJacobianMinimal();
    else
      emit win->computeMeshJacobian();
    if (win->meshObject()) {
      if (sw.dimension == 2 || win->meshObject()->dim == 2)
        win->add2DJacobian(minimal ? 2 : 1);
      else
        win->add3DJacobian(minimal ? 2 : 1);
    }
    break;
  }
  case R::ShowSceneCentre:
    emit win->showSceneCenter();
    break;
  case R::CentreOnPicked:
    centreOnPicked();
    break;
  case R::SuppressPicked:
    suppressLastPicked(state, suppressed);
    break;
  case R::RestoreSuppressed:
    restoreSuppressed(suppressed);
    break;
  case R::Animation:
    if (sw.animation)
      animation.start(0);
    else
      animation.stop();
    break;
  case R::SaveView:
    if (saveView) {
      saveView();
    } else {
      // Without a writer of the main window's: the view as it is, in "pavo.data".
      PavFileMessages messages;
      writeViewStateFile(viewStateOf(win), nullptr, messages);
    }
    break;
  }
  win->refresh(effect.changes);
}

// ---- Mouse ----

bool PavViewerInput::insideView(int x, int y) const {
  return x >= 0 && y >= 0 && x < win->width() && y < win->height();
}

void PavViewerInput::mousePress(QMouseEvent *event) {
  const int x = (int)std::lround(event->localPos().x()),
            y = (int)std::lround(event->localPos().y());
  const Qt::KeyboardModifiers mods = event->modifiers();
  // Whole-object selection takes Alt or, since many window managers keep Alt with the left
  // button for moving windows and never pass that press on, the Meta (Super) key as well.
  if (event->button() == Qt::LeftButton &&
      (mods & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
    if (mods & Qt::ShiftModifier)
      pickAt(x, y, 1, false);
    else if (mods & Qt::ControlModifier)
      pickAt(x, y, 1, true);
    else
      pickAt(x, y, 3);
    return;
  }
  if (event->button() == Qt::RightButton && contextMenu) contextMenu(x, y);
  dragging = true;
  cutDragged = false;
  dragButton = event->button();
  dragFrom = QPointF(x, y);
  std::copy(win->view.cutPlane, win->view.cutPlane + 4, planeAtPress);
  win->view.trackball.push(dragFrom, win->width(), win->height(), nowMs());
  win->renderNow();
}

void PavViewerInput::mouseMove(QMouseEvent *event) {
  if (!dragging) return;
  const QPointF p(std::round(event->localPos().x()), std::round(event->localPos().y()));
  const Qt::MouseButtons buttons = event->buttons();
  if (sw.cutPlaneMode && win->view.cutActive()) {
    // The plane turns with a left drag (the rotation the drag would give the scene, taken into
    // scene coordinates) about its point nearest the box centre, and moves along its normal with
    // a middle drag.
    PavKeyFacts f = facts();
    const QVector3D c((float)f.boxCentre[0], (float)f.boxCentre[1], (float)f.boxCentre[2]);
    QVector3D n((float)planeAtPress[0], (float)planeAtPress[1], (float)planeAtPress[2]);
    if (n.length() <= 0) return;
    const float len = n.length();
    n /= len;
    float d = (float)planeAtPress[3] / len;
    const QVector3D onPlane = c - (QVector3D::dotProduct(n, c) + d) * n;
    if (buttons & Qt::MiddleButton) {
      const float radius = win->view.sceneScale > 0 ? 1.0f / win->view.sceneScale : 1.0f;
      d -= (float)(2.0 * (dragFrom.y() - p.y()) / std::max(1, win->height())) * radius;
    } else if (buttons & Qt::LeftButton) {
      const QVector3D a = PavTrackball::spherePoint(dragFrom, win->width(), win->height());
      const QVector3D b = PavTrackball::spherePoint(p, win->width(), win->height());
      const QQuaternion r = win->view.trackball.rotation;
      const QQuaternion turn = r.conjugated() * QQuaternion::rotationTo(a, b) * r;
      n = turn.rotatedVector(n).normalized();
      d = -QVector3D::dotProduct(n, onPlane);
    } else {
      return;
    }
    const double plane[4] = {n.x(), n.y(), n.z(), d};
    if (std::equal(plane, plane + 4, win->view.cutPlane)) return;
    std::copy(plane, plane + 4, win->view.cutPlane);
    cutDragged = true;
    // The crossed elements and the section are rebuilt for each position before it is drawn:
    // the clipped surface and the cut always show the same plane. Motion that comes while the
    // cut is built is merged by the window system into one move. The linked windows follow
    // when the button is released.
    win->refresh(PavChange::Cut | PavChange::Unlinked);
    return;
  }
  bool changed = false;
  if (buttons & Qt::MiddleButton)
    changed = win->view.trackball.move(p, win->width(), win->height(), nowMs(),
                                       PavTrackball::Translation);
  else if (buttons & Qt::LeftButton)
    changed =
        win->view.trackball.move(p, win->width(), win->height(), nowMs(), PavTrackball::Rotation);
  if (changed) win->refresh(PavChange::Camera);
}

void PavViewerInput::mouseRelease(QMouseEvent *) {
  win->view.trackball.release();
  if (!dragging) return;
  dragging = false;
  const bool cut = cutDragged;
  cutDragged = false;
  win->refresh(cut ? PavChanges(PavChange::Cut) : PavChanges());
}

void PavViewerInput::wheel(QWheelEvent *event) {
  const QPoint d = event->angleDelta();
  event->accept();
  if (!win->acceptsInteraction || !win->prefs.scrolling || (d.x() == 0 && d.y() == 0)) return;
  win->view.fovy = fovyAfterWheel(win->view.fovy, d.y());
  win->refresh(PavChange::Camera);
}

// ---- Picking ----

void PavViewerInput::forgetStale() {
  auto stale = [this](const PavDrawObject *o) { return !o || !win->contains(o); };
  const std::vector<PavDrawObject *> picked = state.pickedObjects;
  for (PavDrawObject *o : picked)
    if (stale(o)) state.forget(o);
  suppressed.erase(std::remove_if(suppressed.begin(), suppressed.end(), stale), suppressed.end());
  for (auto it = baseColours.begin(); it != baseColours.end();)
    it = stale(it->first) ? baseColours.erase(it) : std::next(it);
  for (int i = demandObjects.size() - 1; i >= 0; i--)
    if (stale(demandObjects[i])) demandObjects.removeAt(i);
}

QList<PavPickEntry> PavViewerInput::livePicks() const {
  // The list is the last render's: objects deleted since (a reload, a new cut) are left out.
  QList<PavPickEntry> out;
  for (const PavPickEntry &e : win->pickList())
    if (e.first && win->contains(e.first)) out.append(e);
  return out;
}

PavDrawObject *PavViewerInput::pickAt(int x, int y, int mode, bool adding) {
  forgetStale();
  int id = 0;
  // A point outside the view reads the background: everything is unpicked.
  if (insideView(x, y) && win->isExposed()) win->performPicking(x, y, &id, mode == 3 ? 3 : 1);
  const QList<PavPickEntry> picks = livePicks();
  PavDrawObject *o = mode == 3 ? resolveObjectPick(picks, id, x, y, state)
                     : adding  ? resolvePickAdding(picks, id, x, y, state)
                               : resolvePick(picks, id, x, y, state);
  refreshColours();
  if (o) {
    emit win->pickingDone(o); // reportPicking answers
    const BuiltSet *set = nullptr;
    const BuiltObject *bo = win->builtOf(o, &set);
    const int32_t local = state.mark(o).local;
    if (bo && local >= 0 && (size_t)local < bo->entities.size())
      propagatePick(win, set->mshType, bo->entities[(size_t)local]);
  }
  // The answer (report, signal) is out; the picked colours show with the next frame.
  win->renderLater();
  return o;
}

PavDrawObject *PavViewerInput::highlightAt(int x, int y) {
  forgetStale();
  int id = 0;
  if (insideView(x, y) && win->isExposed()) win->performPicking(x, y, &id, 1);
  PavDrawObject *o = toggleHighlightAll(livePicks(), id);
  if (o) {
    if (traceHighlight)
      appMessage(" highligthing objects %p %d\n", (void *)o, (int)o->highlightAll);
    propagateHighlight(win, o->type, o->id, o->highlightAll);
  }
  win->renderNow();
  return o;
}

PavPickedEntity PavViewerInput::entityOf(const PavDrawObject *object, int32_t local) const {
  const BuiltSet *set = nullptr;
  win->builtOf(object, &set);
  return pickedEntityOf(*object, local, set && facesOfVolumes(*set) ? set->volType : 0);
}

void PavViewerInput::reportPicking(PavDrawObject *picked) {
  if (!picked || !win->contains(picked)) return;
  PavPickedEntity e = entityOf(picked, state.mark(picked).local);
  e.jacobians = win->fieldOf(PavFieldKind::Jacobian, picked) != nullptr;
  e.qualities = win->fieldOf(PavFieldKind::Value, picked) != nullptr;
  e.solutions = win->prefs.solutionInfo;
  e.metric = win->prefs.metric;
  e.angles = win->prefs.angles;
  e.vertexCoordinates = win->prefs.vertexCoordinates;
  PavPickReport r = pickReport(win->meshObject(), e);
  // Printed, and shown in this window's terminal panel only.
  appMessageFrom(win, "%s%s", r.text.c_str(), r.warnings.c_str());
  report = r.text;
}

void PavViewerInput::refreshColours() {
  forgetStale();
  std::vector<PavDrawObject *> objects;
  for (const PavPickEntry &e : livePicks())
    if (e.first) objects.push_back(e.first);
  for (PavDrawObject *o : state.pickedObjects) objects.push_back(o);
  for (auto &kv : baseColours) objects.push_back(const_cast<PavDrawObject *>(kv.first));
  std::sort(objects.begin(), objects.end());
  objects.erase(std::unique(objects.begin(), objects.end()), objects.end());
  for (PavDrawObject *o : objects) {
    if (!win->contains(o)) continue;
    const std::vector<int32_t> &picked = state.pickedElts(o);
    // A picked edge is also drawn wider (IdHighlight).
    if (pavDrawFamily(o->type) == PavDrawFamily::Edge)
      o->highlightPart = picked.empty() ? -1 : picked.back();
    auto it = baseColours.find(o);
    if (picked.empty()) {
      if (it != baseColours.end()) {
        o->eltColors = std::move(it->second);
        baseColours.erase(it);
      }
      continue;
    }
    if (it == baseColours.end()) it = baseColours.emplace(o, o->eltColors).first;
    o->eltColors = it->second;
    o->eltColors = pickedElementColours(*o, picked);
  }
}

void PavViewerInput::clearHighlight() {
  forgetStale();
  clearPicks(livePicks(), state);
  for (const auto &list : win->sceneModel().byType())
    for (PavDrawObject *o : list) o->highlightAll = false;
  const std::vector<PavDrawObject *> picked = state.pickedObjects;
  for (PavDrawObject *o : picked) state.forget(o);
  for (auto &kv : baseColours) state.forget(kv.first);
  refreshColours();
}

PavDrawObject *PavViewerInput::pickEntity(int entityType, int number) {
  forgetStale();
  // Visible per-reference objects of mesh entities first, then faces of volumes, then the
  // hidden objects -1.
  PavDrawObject *found = nullptr;
  int32_t local = -1;
  for (int pass = 0; pass < 3 && !found; pass++)
    for (const std::vector<BuiltSet> *list : {&win->builtSets(), &win->cutSets()})
      for (const BuiltSet &s : *list) {
        if (s.mshType != entityType || found) continue;
        if ((pass == 0) != (s.source == Source::MeshType) && pass < 2) continue;
        for (const BuiltObject &bo : s.objects) {
          if (!bo.object || (pass < 2) != (bo.object->id != -1)) continue;
          auto it = std::find(bo.entities.begin(), bo.entities.end(), number);
          if (it == bo.entities.end()) continue;
          found = bo.object;
          local = (int32_t)(it - bo.entities.begin());
          break;
        }
      }
  if (!found) {
    appMessage("WARNING: no element found for picking\n");
    return nullptr;
  }
  clearPicks(livePicks(), state);
  const std::vector<PavDrawObject *> before = state.pickedObjects;
  for (PavDrawObject *o : before) state.forget(o);
  PavPickMark &m = state.mark(found);
  m.pickedElts.assign(1, local);
  m.local = local;
  state.pickedObjects.push_back(found);
  refreshColours();
  emit win->pickingDone(found);
  propagatePick(win, entityType, number);
  win->renderNow();
  return found;
}

int PavViewerInput::highlightReferences(int entityType, const QVector<int> &references) {
  forgetStale();
  int n = 0;
  for (const std::vector<BuiltSet> *list : {&win->builtSets(), &win->cutSets()})
    for (const BuiltSet &s : *list)
      for (const BuiltObject &bo : s.objects) {
        if (!bo.object || bo.object->id == -1) continue;
        const bool kind = entityType == 0 || s.mshType == entityType;
        bo.object->highlightAll = kind && references.contains(bo.object->id);
        n += bo.object->highlightAll ? 1 : 0;
      }
  win->renderNow();
  return n;
}

void PavViewerInput::centreOnPicked() {
  PavDrawObject *o = state.lastPicked();
  if (!o) return;
  emit win->doCenterScene(o);
  // The centre of the picked element: the mean of its nodes (the object's when no element).
  const BuiltSet *set = nullptr;
  const BuiltObject *bo = win->builtOf(o, &set);
  const PavSceneEntry *entry = win->sceneModel().entry(o);
  const PavObject *mesh = win->meshObject();
  if (!bo || !entry || !mesh || bo->vertices.empty() || o->count < 1) return;
  const size_t k = entry->elt.size() / (size_t)o->count;
  const int32_t local = state.mark(o).local;
  size_t from = 0, to = entry->elt.size();
  if (k > 0 && local >= 0 && local < o->count) {
    from = (size_t)local * k;
    to = from + k;
  }
  double sum[3] = {0, 0, 0};
  size_t n = 0;
  for (size_t i = from; i < to; i++) {
    const int v = entry->elt[i];
    if (v < 0 || (size_t)v >= bo->vertices.size()) continue;
    const int32_t mv = bo->vertices[(size_t)v];
    if (mv < 1 || mv > mesh->ent[Vertices].nbr) continue;
    for (int c = 0; c < 3; c++) sum[c] += mesh->crdDbl[3 * (size_t)mv + c];
    n++;
  }
  if (n == 0) return;
  win->view.sceneCentre = QVector3D((float)(sum[0] / n), (float)(sum[1] / n), (float)(sum[2] / n));
  win->view.trackball.translation = QVector3D();
}

// ---- Picking demand ----

QList<PavDrawObject *> PavViewerInput::pickingDemand(const QList<PavDrawObject *> &objects) {
  if (demandActive) return {};
  forgetStale();
  demandObjects.clear();
  for (PavDrawObject *o : objects)
    if (o && win->contains(o)) demandObjects.append(o);
  clearHighlight();
  demandActive = true;
  QList<PavDrawObject *> result;
  QPointer<PavViewerInput> alive(this);
  {
    QEventLoop loop;
    connect(this, &PavViewerInput::multiPickingDone, &loop,
            [&](const QList<PavDrawObject *> &picked) {
              result = picked;
              loop.quit();
            });
    // Closing or destroying the window ends the demand with nothing picked.
    connect(win, &QWindow::visibleChanged, &loop, [&](bool on) {
      if (!on) loop.quit();
    });
    connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
    loop.exec();
  }
  if (!alive) return {};
  demandActive = false;
  appMessage("  End of picking demand \n");
  return result;
}

void PavViewerInput::finishDemand() {
  forgetStale();
  QList<PavDrawObject *> picked;
  for (PavDrawObject *o : state.pickedObjects)
    if (demandObjects.isEmpty() || demandObjects.contains(o)) picked.append(o);
  std::string ids;
  for (PavDrawObject *o : picked) ids += (ids.empty() ? "" : ", ") + std::to_string(o->id);
  clearHighlight();
  appMessage(" multi-picking return list %s %s\n", "default", ids.c_str());
  emit multiPickingDone(picked);
}

} // namespace pavo
