#include "scene/picked_normals.h"

#include "files/draw_types.h"
#include "pav_object.h"
#include "pav_topology.h"
#include "pav_types.h"
#include "scene/mesh_viewer.h"
#include "scene/mesh_viewer_input.h"
#include "scene/pick_report.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace pavo {

namespace {

// Identifier of the arrows' object (no reference of a mesh is this negative).
constexpr int32_t kNormalsId = -424242;

void push(PavNormalArrows &out, const double p[3]) {
  for (int c = 0; c < 3; c++) out.xyz.push_back((float)p[c]);
}

} // namespace

bool addNormalArrow(const double *corners, int n, double length, PavNormalArrows &out) {
  if (!corners || n < 3 || n > 4 || !(length > 0)) return false;
  double c[3] = {0, 0, 0}, nor[3] = {0, 0, 0};
  for (int i = 0; i < n; i++) {
    const double *a = corners + 3 * i, *b = corners + 3 * ((i + 1) % n);
    nor[0] += (a[1] - b[1]) * (a[2] + b[2]);
    nor[1] += (a[2] - b[2]) * (a[0] + b[0]);
    nor[2] += (a[0] - b[0]) * (a[1] + b[1]);
    for (int k = 0; k < 3; k++) c[k] += a[k] / n;
  }
  const double len = std::sqrt(nor[0] * nor[0] + nor[1] * nor[1] + nor[2] * nor[2]);
  if (!(len > 1e-300) || !std::isfinite(len)) return false;
  // A unit vector across the shaft: along the first side, less its part along the normal.
  double u[3], side[3];
  for (int k = 0; k < 3; k++) u[k] = nor[k] / len, side[k] = corners[3 + k] - corners[k];
  const double along = side[0] * u[0] + side[1] * u[1] + side[2] * u[2];
  for (int k = 0; k < 3; k++) side[k] -= along * u[k];
  const double sl = std::sqrt(side[0] * side[0] + side[1] * side[1] + side[2] * side[2]);
  if (!(sl > 0)) return false;
  double tip[3], barb[2][3];
  for (int k = 0; k < 3; k++) {
    tip[k] = c[k] + length * u[k];
    for (int s = 0; s < 2; s++)
      barb[s][k] = tip[k] - 0.2 * length * u[k] + (s ? -0.1 : 0.1) * length * side[k] / sl;
  }
  const int base = (int)(out.xyz.size() / 3);
  push(out, c);
  push(out, tip);
  push(out, barb[0]);
  push(out, barb[1]);
  out.edges.insert(out.edges.end(), {base, base + 1, base + 1, base + 2, base + 1, base + 3});
  return true;
}

int pickedFaceCorners(const PavObject *mesh, const PavPickedEntity &e, int corners[4]) {
  if (!mesh) return 0;
  int nodes[125], nbrNod = 0, ref = 0;
  char status[PAV_STATUS_SIZE] = "";
  if (e.volumeType != 0) {
    if (pav_GetIthEntityFace(mesh, e.volumeElement, e.volumeType, e.volumeFace, &nbrNod, nodes,
                             status) != PAV_SUCCESS)
      return 0;
    // The face's node count tells a triangle ((d + 1)(d + 2) / 2 nodes) from a quadrilateral.
    const int d = pav_ElementDegree(e.volumeType);
    const int n = nbrNod == (d + 1) * (d + 2) / 2 ? 3 : 4;
    std::copy(nodes, nodes + n, corners);
    return n;
  }
  static const uint32_t triangles[] = {DrawTriangle, DrawTriangleP2, DrawTriangleP3,
                                       DrawTriangleP4};
  static const uint32_t quads[] = {DrawQuad, DrawQuadQ2, DrawQuadQ3, DrawQuadQ4};
  const bool tri = std::count(triangles, triangles + 4, e.drawType) > 0;
  if (!tri && std::count(quads, quads + 4, e.drawType) == 0) return 0;
  const int type =
      pav_ElementType(tri ? PavKindTriangle : PavKindQuadrilateral, pavDrawTypeDegree(e.drawType));
  if (pav_GetEntityData(mesh, type, e.number, &nbrNod, nodes, &ref, status) != PAV_SUCCESS)
    return 0;
  const int n = tri ? 3 : 4;
  if (nbrNod < n) return 0;
  std::copy(nodes, nodes + n, corners);
  return n;
}

int drawPickedNormals(PavViewerInput &input) {
  PavMeshViewer &viewer = *input.viewer();
  for (PavDrawObject *o : QList<PavDrawObject *>(viewer.objectsOfType(DrawCustomEdge)))
    if (o->id == kNormalsId) viewer.removeObject(o);
  const PavObject *mesh = viewer.meshObject();
  if (!mesh || !mesh->crdDbl) return 0;
  double box[6];
  viewer.boundingBox(box);
  const double length = 0.1 * std::sqrt((box[1] - box[0]) * (box[1] - box[0]) +
                                        (box[3] - box[2]) * (box[3] - box[2]) +
                                        (box[5] - box[4]) * (box[5] - box[4]));
  PavPickState &state = input.pickState();
  PavNormalArrows arrows;
  int made = 0;
  for (PavDrawObject *o : state.pickedObjects) {
    if (!viewer.contains(o)) continue;
    std::vector<int32_t> elements = state.pickedElts(o);
    if (elements.empty() && state.mark(o).local >= 0) elements.push_back(state.mark(o).local);
    for (int32_t local : elements) {
      int corners[4];
      const int n = pickedFaceCorners(mesh, input.entityOf(o, local), corners);
      double xyz[12];
      bool inside = n > 0;
      for (int i = 0; i < n; i++) {
        inside = inside && corners[i] >= 1 && corners[i] <= mesh->ent[Vertices].nbr;
        for (int k = 0; inside && k < 3; k++) xyz[3 * i + k] = mesh->crdDbl[3 * corners[i] + k];
      }
      made += inside && addNormalArrow(xyz, n, length, arrows);
    }
  }
  if (made > 0) {
    PavDrawObject *o = viewer.addObject(
        std::unique_ptr<PavDrawObject>(createDrawObject(DrawCustomEdge, kNormalsId)));
    if (o) {
      o->params.color[0] = 0.8f, o->params.color[1] = o->params.color[2] = 0.0f;
      o->params.lineWidth = 2.0f;
      o->pickable = false; // a click on an arrow picks the face behind it
      viewer.attachData(o, (int)(arrows.xyz.size() / 3), arrows.xyz.data(),
                        (int)(arrows.edges.size() / 2), arrows.edges.data());
    }
  }
  viewer.renderLater();
  return made;
}

} // namespace pavo
