#include "scene/mesh_viewer.h"

#include "pavmsh.h"
#include "scene/mesh_viewer_input.h"

namespace pavo {

PavMeshViewer::PavMeshViewer(QWindow *parent) : PavSceneWindow(parent) {
  new PavViewerInput(this); // keys, mouse and picking; a child, deleted with the viewer
}

PavMeshViewer::~PavMeshViewer() {
  meshScene.cutBlocks = PavCutBlocks(); // no worker reads the mesh any more
  if (meshScene.mesh) pav_DeleteInterface(&meshScene.mesh);
}

void PavMeshViewer::adoptMesh(PavObject *object) {
  clearMeshScene();
  meshScene.cutBlocks = PavCutBlocks();
  if (meshScene.mesh && meshScene.mesh != object) pav_DeleteInterface(&meshScene.mesh);
  meshScene.mesh = object;
}

void PavMeshViewer::boundingBox(double box[6]) const {
  for (int i = 0; i < 6; i++) box[i] = meshScene.bbox[i];
}

void PavMeshViewer::setBoundingBox(const double box[6]) {
  for (int i = 0; i < 6; i++) meshScene.bbox[i] = box[i];
  fitBoundingBox(meshScene.bbox);
  renderLater();
}

void PavMeshViewer::showDemo(PavDemoKind kind) {
  clearScene();
  PavDemoScene s = buildDemoScene(kind);
  for (PavDemoItem &item : s.items) {
    PavDrawObject *object = addObject(std::move(item.object));
    if (!object) continue;
    if (!item.polygonData.empty()) {
      attachPolygonData(object, (int)(item.polygonData.size() / 5), item.polygonData.data(),
                        item.edgeTags.data(), item.normals.data());
    } else {
      int n = PavDrawTyp2Siz(object->type);
      int nbrElt = n > 0 ? (int)(item.elt.size() / (size_t)n) : 0;
      attachData(object, (int)(item.xyz.size() / 3), item.xyz.data(), nbrElt, item.elt.data());
    }
    if (item.solution) {
      int64_t nbrEnt = item.fieldNodes > 0 ? (int64_t)item.fieldValues.size() / item.fieldNodes : 0;
      attachData(std::move(item.solution), object, item.fieldValues.data(), nbrEnt,
                 item.fieldNodes);
    }
  }
  labels.clear();
  for (const PavDemoLabel &l : s.labels) labels.push_back({l.at, l.text});
  fitBoundingBox(s.box);
  view.whiteBackground = true;
  view.options.setRenderMode(3); // lit grey faces, so that the curvature shows
  renderLater();
}

} // namespace pavo
