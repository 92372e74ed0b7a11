// Polygons and the faces of polyhedra in the scene, drawn as the triangles of their
// tessellation, one object per reference plus the object -1.
#include "app_messages.h"
#include "scene/mesh_viewer.h"

#include "pav_tessellate_polygon.h"
#include "pavmsh.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>

namespace pavo {

void PavMeshViewer::addTessellatedPolygon(uint32_t drawType) {
  if (drawType != DrawPolygon && drawType != DrawPolyhedra && drawType != DrawCustomPolygon) {
    appMessage(" Error addTessellatedPolygon: pavDrawTyp should be equal to %d or %d or %d\n",
               (int)DrawPolygon, (int)DrawPolyhedra, (int)DrawCustomPolygon);
    return;
  }
  if (!meshScene.mesh || !meshScene.mesh->pol) return;
  const int mode = drawType == DrawPolyhedra ? PAV_TESS_POLYHEDRA : PAV_TESS_BOUNDARY;
  int nbrTri = 0;
  double *crd = nullptr;
  int *lnk = nullptr;
  unsigned char *edg = nullptr;
  char status[PAV_STATUS_SIZE] = "";
  const int rc = pav_createTessellationPolygons(meshScene.mesh, mode, 0, nullptr, &nbrTri, &crd,
                                                &lnk, &edg, status);
  if (rc != 0 || nbrTri < 1 || !crd || !lnk) {
    free(crd);
    free(lnk);
    free(edg);
    return;
  }
  // Triangles grouped by the reference of their polygon or polyhedron, references ascending.
  std::vector<int32_t> order((size_t)nbrTri);
  std::iota(order.begin(), order.end(), 0);
  auto refOf = [&](int32_t k) { return lnk[3 * (size_t)k + 2]; };
  std::stable_sort(order.begin(), order.end(),
                   [&](int32_t a, int32_t b) { return refOf(a) < refOf(b); });
  PavBuiltSet set;
  set.source = PavSetSource::Polygons;
  set.drawType = drawType;
  set.nbrEnt = nbrTri;
  std::vector<float> data, normals;
  std::vector<unsigned> tags;
  std::vector<int32_t> parents;
  auto addOne = [&](int32_t id, const int32_t *tris, size_t m) {
    data.clear();
    normals.clear();
    tags.clear();
    parents.clear();
    static const float bary[3][2] = {{1, 0}, {0, 1}, {0, 0}};
    for (size_t i = 0; i < m; i++) {
      const double *c = crd + 9 * (size_t)tris[i];
      for (int j = 0; j < 3; j++) {
        for (int a = 0; a < 3; a++) data.push_back((float)c[3 * j + a]);
        data.push_back(bary[j][0]);
        data.push_back(bary[j][1]);
        tags.push_back(edg ? edg[3 * (size_t)tris[i] + j] : 1u);
      }
      const double u[3] = {c[3] - c[0], c[4] - c[1], c[5] - c[2]};
      const double v[3] = {c[6] - c[0], c[7] - c[1], c[8] - c[2]};
      double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                     u[0] * v[1] - u[1] * v[0]};
      const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      for (double x : n) normals.push_back(len > 0 ? (float)(x / len) : 0.0f);
      parents.push_back(lnk[3 * (size_t)tris[i] + (mode == PAV_TESS_POLYHEDRA ? 1 : 0)]);
    }
    PavDrawObject *o = addObject(std::unique_ptr<PavDrawObject>(createDrawObject(drawType, id)));
    if (!o) return;
    attachPolygonData(o, (int)(3 * m), data.data(), tags.data(), normals.data());
    static_cast<PavDrawObjectWithPalette *>(o)->polygonParents = parents;
    o->visible = id != -1;
    PavBuiltObject bo;
    bo.object = o;
    for (size_t i = 0; i < m; i++) bo.entities.push_back(tris[i] + 1);
    set.objects.push_back(std::move(bo));
  };
  for (size_t a = 0; a < order.size();) {
    size_t b = a;
    while (b < order.size() && refOf(order[b]) == refOf(order[a])) b++;
    addOne(refOf(order[a]), order.data() + a, b - a);
    a = b;
  }
  std::iota(order.begin(), order.end(), 0);
  addOne(-1, order.data(), order.size());
  meshScene.sets.push_back(std::move(set));
  free(crd);
  free(lnk);
  free(edg);
}

} // namespace pavo
