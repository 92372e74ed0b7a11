// The cut plane in the scene: the volume elements it crosses shown by their faces (clipping), or
// the section of the first-order volume elements and of the P2 tetrahedra by the plane with the
// field evaluated on it (capping). The rest of the scene is clipped by the programs themselves.
#include "scene/mesh_viewer.h"

#include "pavmsh.h"
#include "scene/mesh_viewer_tables.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>

namespace pavo {

namespace {

// Draw type of a volume type (for the names of the messages).
uint32_t drawTypeOfVolume(int vt) {
  const int d = pav_ElementDegree(vt) - 1;
  switch (pav_ElementKind(vt)) {
  case PavKindTetrahedron:
    return DrawTetrahedron + (uint32_t)d;
  case PavKindHexahedron:
    return DrawHexahedron + (uint32_t)d;
  case PavKindPrism:
    return DrawPrism + (uint32_t)d;
  case PavKindPyramid:
    return DrawPyramid + (uint32_t)d;
  default:
    return PAV_NBR_DRAW_TYPES;
  }
}

} // namespace

void PavMeshViewer::buildCapSet(PavBuiltSet &set, const double *crd) {
  const int32_t n = set.nbrEnt;
  if (n < 1 || !crd) return;
  // Triangles grouped by the reference of their parent element, references ascending.
  std::vector<int32_t> order((size_t)n);
  std::iota(order.begin(), order.end(), 1);
  auto refOf = [&](int32_t e) { return set.lnk[3 * (size_t)e + 2]; };
  std::stable_sort(order.begin(), order.end(),
                   [&](int32_t a, int32_t b) { return refOf(a) < refOf(b); });
  // The section lies on the plane itself: move it a hair to the kept side, so that the clipping
  // of the programs does not eat it.
  const double *p = view.cutPlane;
  const double len = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
  const double eps = len > 0 ? 1e-5 / (double)view.sceneScale / len : 0;
  std::vector<float> xyz;
  std::vector<int> elt;
  auto addOne = [&](int32_t id, const int32_t *ents, int64_t m) {
    xyz.resize((size_t)m * 9);
    elt.resize((size_t)m * 3);
    for (int64_t i = 0; i < m; i++) {
      const double *c = crd + 9 * (size_t)(ents[i] - 1);
      for (int j = 0; j < 9; j++) xyz[(size_t)(9 * i + j)] = (float)(c[j] - eps * p[j % 3]);
      for (int j = 0; j < 3; j++) elt[(size_t)(3 * i + j)] = (int)(3 * i + j);
    }
    PavDrawObject *o =
        addObject(std::unique_ptr<PavDrawObject>(createDrawObject(set.drawType, id)));
    if (!o) return;
    attachData(o, (int)(3 * m), xyz.data(), (int)m, elt.data());
    std::vector<int32_t> parents((size_t)m);
    for (int64_t i = 0; i < m; i++) parents[(size_t)i] = set.lnk[3 * (size_t)ents[i] + 1];
    o->setParentElt(parents.data());
    PavBuiltObject bo;
    bo.object = o;
    bo.entities.assign(ents, ents + m);
    set.objects.push_back(std::move(bo));
  };
  for (size_t a = 0; a < order.size();) {
    size_t b = a;
    while (b < order.size() && refOf(order[b]) == refOf(order[a])) b++;
    addOne(refOf(order[a]), order.data() + a, (int64_t)(b - a));
    a = b;
  }
  std::vector<int32_t> all((size_t)n);
  std::iota(all.begin(), all.end(), 1);
  addOne(-1, all.data(), n);
  if (!set.objects.empty()) set.objects.back().object->visible = false;
}

void PavMeshViewer::updateCut() {
  removeSets(cuts);
  if (!mesh || !view.cutActive()) {
    rebuildFields();
    renderLater();
    return;
  }
  const double *plane = view.cutPlane;
  for (int d = 1; d <= 4; d++)
    for (int vt : volumeTypesOfDegree(d)) {
      if (pav_Count(mesh, vt) < 1) continue;
      const char *name = pavDrawType2String(drawTypeOfVolume(vt));
      if (view.capping && d > 1 && vt != TetrahedraP2) {
        printf("Capping not done for element %s of degree > 1 \n", pav_EntityTypeName(vt));
        continue;
      }
      char status[PAV_STATUS_SIZE] = "";
      int nbrCut = 0, *lst = nullptr;
      if (pav_GetCutEntities(mesh, plane, vt, &nbrCut, &lst, status) != 0) {
        printf("%s", status);
        continue;
      }
      const int32_t invalid = pav_CountInvalidEntities(mesh, vt);
      if (view.capping) {
        if (invalid > 0)
          printf(" Capping %s: %d topologically invalid entities are filtered !\n", name, invalid);
        int nbrTri = 0, nbrQua = 0, *triL = nullptr, *quaL = nullptr;
        double *triCrd = nullptr, *triAux = nullptr, *quaCrd = nullptr, *quaAux = nullptr;
        int rc =
            vt == TetrahedraP2
                ? pav_CappingP2Tetrahedra(mesh, plane, vt, nbrCut, lst, &nbrTri, &triCrd, &triAux,
                                          &triL, &nbrQua, &quaCrd, &quaAux, &quaL, status)
                : pav_capping(mesh, plane, vt, nbrCut, lst, &nbrTri, &triCrd, &triAux, &triL,
                              &nbrQua, &quaCrd, &quaAux, &quaL, status);
        if (rc != 0) printf("%s", status);
        if (rc == 0 && nbrTri > 0 && triL && triAux) {
          PavBuiltSet set;
          set.source = PavSetSource::CapTriangles;
          set.mshType = Triangles;
          set.volType = vt;
          set.drawType = DrawCutTriangle;
          set.nbrEnt = nbrTri;
          // The capping writes triangles from 0; the cut-face evaluator reads them from 1.
          set.lnk.assign(3, 0);
          set.lnk.insert(set.lnk.end(), triL, triL + 3 * (size_t)nbrTri);
          set.aux.assign(12, 0.0);
          set.aux.insert(set.aux.end(), triAux, triAux + 12 * (size_t)nbrTri);
          buildCapSet(set, triCrd);
          cuts.push_back(std::move(set));
        }
        for (void *q : {(void *)triCrd, (void *)triAux, (void *)triL, (void *)quaCrd,
                        (void *)quaAux, (void *)quaL})
          free(q);
      } else {
        if (invalid > 0)
          printf(" Clipping %s: %d topologically invalid entities are filtered !\n", name, invalid);
        int nbrTri = 0, nbrQua = 0, nodTri = 0, nodQua = 0;
        int *triNod = nullptr, *triL = nullptr, *quaNod = nullptr, *quaL = nullptr;
        if (nbrCut > 0 &&
            pav_GetFacesOfEntities(mesh, vt, nbrCut, lst, &nbrTri, &triNod, &triL, &nodTri, &nbrQua,
                                   &quaNod, &quaL, &nodQua, status) == 0) {
          const int counts[2] = {nbrTri, nbrQua}, nodes[2] = {nodTri, nodQua};
          const int *nods[2] = {triNod, quaNod}, *lnks[2] = {triL, quaL};
          const int faceTypes[2] = {pav_ElementType(PavKindTriangle, d),
                                    pav_ElementType(PavKindQuadrilateral, d)};
          const uint32_t draws[2] = {DrawCutTriangle + (uint32_t)d - 1,
                                     DrawCutQuad + (uint32_t)d - 1};
          for (int f = 0; f < 2; f++) {
            if (counts[f] < 1 || !nods[f] || !lnks[f]) continue;
            PavBuiltSet set;
            set.source = PavSetSource::ClipFaces;
            set.mshType = faceTypes[f];
            set.volType = vt;
            set.drawType = draws[f];
            set.nbrEnt = counts[f];
            set.nod.assign(nods[f], nods[f] + (size_t)counts[f] * nodes[f]);
            set.lnk.assign(lnks[f], lnks[f] + 3 * (size_t)counts[f]);
            std::vector<int32_t> refs((size_t)counts[f]);
            for (int i = 0; i < counts[f]; i++)
              refs[(size_t)i] = mesh->ent[vt].ref[lnks[f][3 * i + 1]];
            buildSet(set, set.nod.data(), refs.data(), true, "Clipping ");
            cuts.push_back(std::move(set));
          }
        } else if (status[0]) {
          printf("%s", status);
        }
        for (void *q : {(void *)triNod, (void *)triL, (void *)quaNod, (void *)quaL}) free(q);
      }
      free(lst);
    }
  rebuildFields();
  renderLater();
}

} // namespace pavo
