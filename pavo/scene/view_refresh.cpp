// The viewer's one redraw path: a change of the view, wherever it was made, becomes the rebuilds
// it needs, a frame and the linked windows' turn.
#include "scene/mesh_viewer.h"

#include "pavmsh.h"
#include "render/scene_marks.h"
#include "scene/mesh_viewer_input.h"
#include "scene/mesh_viewer_tables.h"
#include "scene/vertex_labels.h"
#include "scene/window_links.h"

#include <QGuiApplication>

namespace pavo {

int64_t PavMeshViewer::elementCount() const {
  if (!meshScene.mesh) return 0;
  int64_t n = 0;
  for (int t : surfaceAndEdgeTypes()) n += pav_Count(meshScene.mesh, t);
  for (int d = 1; d <= 4; d++)
    for (int t : volumeTypesOfDegree(d)) n += pav_Count(meshScene.mesh, t);
  return n;
}

PavBusyScope::PavBusyScope(PavMeshViewer &v, const char *work) : viewer(v) {
  if (!work || v.elementCount() < v.busyFromElements) return;
  shown = true;
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  emit viewer.busyChanged(QString::fromUtf8(work));
}

PavBusyScope::~PavBusyScope() {
  if (!shown) return;
  QGuiApplication::restoreOverrideCursor();
  emit viewer.busyChanged(QString());
}

void PavMeshViewer::refresh(PavChanges changes, PavRedraw when) {
  using C = PavChange;
  if (changes.has(C::Programs)) resetShaders();
  // What was built from the mesh is rebuilt only once it was built: the uploads need the context.
  if (meshScene.mesh && isInitDone()) {
    const char *work = changes.has(C::Cut)      ? (view.capping ? "Capping ..." : "Cutting ...")
                       : changes.has(C::Fields) ? "Colouring the field ..."
                       : changes.has(C::Metric) ? "Placing the glyphs ..."
                                                : nullptr;
    PavBusyScope busy(*this, work);
    if (changes.has(C::Cut))
      updateCut(); // with the fields: the cut packs its own
    else if (changes.has(C::Fields))
      rebuildShownField();
    if (changes.has(C::Hidden)) applyHiddenReferences();
    if (changes.has(C::Metric)) updateGlyphs();
    updateCutIfFacesChanged(); // shrink and transparency need every face of the cut
  }
  if (changes.has(C::Numbers)) setVertexLabels(*this, meshScene.mesh, switches.showPointNumbers);
  if (changes.has(C::Corners))
    cornerPoints = switches.showCorners ? cornerPositions(meshScene.mesh) : std::vector<float>();
  PavViewerInput *input = PavViewerInput::of(this);
  if (changes.has(C::Colours) && input) input->refreshColours();
  if (when == PavRedraw::Now)
    renderNow();
  else
    renderLater();
  // The linked windows apply what they are told with this same path (and tell no one again).
  if (changes.has(C::Unlinked)) return;
  if (changes.has(C::Camera)) propagateView(this);
  if (changes.has(C::Centre)) propagateCentre(this, view.sceneCentre);
  if (changes.has(C::Cut)) propagateCut(this);
  if (changes.has(C::Fields))
    propagateSolution(this, view.fieldMode,
                      view.fieldMode == 1 ? view.vertexSolution : view.elementSolution);
}

} // namespace pavo
