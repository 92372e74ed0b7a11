#include "ui/bottom_bar_link.h"

#include "pavmsh.h"
#include "scene/mesh_viewer.h"
#include "scene/mesh_viewer_input.h"
#include "ui/bottom_bar.h"

#include <algorithm>

namespace pavo {

namespace {

// Shows solution `index` (from 1) of a field mode, or switches the field display off (0).
void chooseSolution(PavMeshViewer *v, int fieldMode, int index) {
  if (index < 1) {
    v->view.options.SolOn = 0;
    v->refresh({});
    return;
  }
  const PavObject *mesh = v->meshObject();
  if (!mesh) return;
  const int count = fieldMode == 1 ? pav_GetNumberOfVertexSolutions(mesh)
                                   : pav_GetMaxNumberOfElementSolutions(mesh);
  if (index > count) return;
  v->view.options.SolOn = std::max(v->view.options.SolOn, 1);
  if (const PavDrawField *f = v->sceneModel().firstField(PavFieldKind::Solution))
    const_cast<PavDrawField *>(f)->paletteFixed = false;
  // Programs built without a solution must be built anew to show one.
  PavChanges changes = v->fieldState().sol ? PavChanges() : PavChanges(PavChange::Programs);
  int &current = fieldMode == 1 ? v->view.vertexSolution : v->view.elementSolution;
  if (v->view.fieldMode == fieldMode && v->sceneModel().firstField(PavFieldKind::Solution)) {
    if (index != current) v->stepSolution(index - current); // the viewer's bounds and signal
  } else {
    v->view.fieldMode = fieldMode;
    current = index;
    changes |= PavChange::Fields;
  }
  v->refresh(changes);
}

} // namespace

void connectBottomBar(PavBottom *bar, PavMeshViewer *viewer) {
  if (!bar || !viewer) return;
  PavViewerInput *input = PavViewerInput::of(viewer);
  QObject::connect(bar, &PavBottom::solutionChosen, viewer,
                   [viewer](int mode, int index) { chooseSolution(viewer, mode, index); });
  QObject::connect(bar, &PavBottom::clearHighlight, input, &PavViewerInput::clearHighlight);
  QObject::connect(bar, &PavBottom::pickRequested, input,
                   [input](int type, int number) { input->pickEntity(type, number); });
  QObject::connect(bar, &PavBottom::volumeElementRequested, viewer, [viewer](int type, int n) {
    viewer->showVolumeElement(type, n);
    viewer->refresh({});
  });
  QObject::connect(
      bar, &PavBottom::referencesRequested, input,
      [input](int type, const QVector<int> &refs) { input->highlightReferences(type, refs); });
}

} // namespace pavo
