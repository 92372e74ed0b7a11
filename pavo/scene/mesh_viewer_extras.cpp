// Objects built on request: a picked volume or surface element by its faces, the volume
// tetrahedra, the vector triangles, and the vertex selections for metric and arrow glyphs.
#include "app_messages.h"
#include "scene/mesh_viewer.h"

#include "render/buffer_packing.h"
#include "render/glyph_packing.h"

#include "pav_split_reference.h"
#include "pavmsh.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace pavo {

namespace {

// Draw type of the custom kind of a face type (triangles and quadrilaterals of degree 1..4).
uint32_t customTypeOfFace(int faceType) {
  const int d = pav_ElementDegree(faceType);
  if (d < 1 || d > 4) return PAV_NBR_DRAW_TYPES;
  switch (pav_ElementKind(faceType)) {
  case PavKindTriangle:
    return DrawCustomTriangle + (uint32_t)d - 1;
  case PavKindQuadrilateral:
    return DrawCustomQuad + (uint32_t)d - 1;
  default:
    return PAV_NBR_DRAW_TYPES;
  }
}

} // namespace

void PavMeshViewer::clearShownElements() {
  for (PavDrawObject *o : meshScene.shown)
    if (contains(o)) removeObject(o);
  meshScene.shown.clear();
}

// Adds one highlighted custom object of k-node faces (nodes are mesh vertex numbers).
PavDrawObject *PavMeshViewer::addFaceObject(uint32_t drawType, int32_t id, const int *nodes,
                                            int nbrFaces, int k) {
  if (nbrFaces < 1 || k < 1 || drawType >= PAV_NBR_DRAW_TYPES) return nullptr;
  const int32_t nbrVer = meshScene.mesh->ent[Vertices].nbr;
  std::vector<float> xyz;
  std::vector<int> elt;
  for (int i = 0; i < nbrFaces * k; i++) {
    const int v = nodes[i];
    if (v < 1 || v > nbrVer) return nullptr;
    for (int c = 0; c < 3; c++) xyz.push_back((float)meshScene.mesh->crdDbl[3 * (size_t)v + c]);
    elt.push_back(i);
  }
  bezierGeometry(drawType, nbrFaces * k, xyz.data(), nbrFaces, elt.data());
  PavDrawObject *o = addObject(std::unique_ptr<PavDrawObject>(createDrawObject(drawType, id)));
  if (!o) return nullptr;
  attachData(o, nbrFaces * k, xyz.data(), nbrFaces, elt.data());
  o->highlightAll = true;
  meshScene.shown.push_back(o);
  renderLater();
  return o;
}

int PavMeshViewer::showVolumeElement(int type, int number) {
  if (!meshScene.mesh || number < 1 || number > pav_Count(meshScene.mesh, type)) return 0;
  const PavElementKind kind = pav_ElementKind(type);
  if (kind != PavKindTetrahedron && kind != PavKindPyramid && kind != PavKindPrism &&
      kind != PavKindHexahedron)
    return 0;
  char status[PAV_STATUS_SIZE] = "";
  int nbrTri = 0, nbrQua = 0, nodTri = 0, nodQua = 0;
  int *triNod = nullptr, *triLnk = nullptr, *quaNod = nullptr, *quaLnk = nullptr;
  int made = 0;
  if (pav_GetFacesOfEntities(meshScene.mesh, type, 1, &number, &nbrTri, &triNod, &triLnk, &nodTri,
                             &nbrQua, &quaNod, &quaLnk, &nodQua, status) == 0) {
    const int d = pav_ElementDegree(type);
    made += addFaceObject(customTypeOfFace(pav_ElementType(PavKindTriangle, d)), number, triNod,
                          nbrTri, nodTri) != nullptr;
    made += addFaceObject(customTypeOfFace(pav_ElementType(PavKindQuadrilateral, d)), number,
                          quaNod, nbrQua, nodQua) != nullptr;
  }
  for (int *p : {triNod, triLnk, quaNod, quaLnk}) free(p);
  return made;
}

int PavMeshViewer::showSurfaceElement(int type, int number) {
  const uint32_t custom = customTypeOfFace(type);
  if (custom == PAV_NBR_DRAW_TYPES) {
    appMessage("showSurfaceElement: unknown surface type: %s \n", pav_EntityTypeName(type));
    return 0;
  }
  if (!meshScene.mesh || number < 1 || number > pav_Count(meshScene.mesh, type)) return 0;
  const int k = pav_MshTyp2Siz(type, nullptr);
  return addFaceObject(custom, number, meshScene.mesh->ent[type].idx + (size_t)number * k, 1, k) !=
         nullptr;
}

void PavMeshViewer::setVolumeObjects() {
  if (!meshScene.mesh || meshScene.volumeBuilt) return;
  meshScene.volumeBuilt = true;
  appMessage("setVolumeObjects \n");
  const int32_t n = pav_Count(meshScene.mesh, Tetrahedra),
                nbrVer = meshScene.mesh->ent[Vertices].nbr;
  appMessage("addVolumeObjectsLst \n");
  appMessage("nbrEnt = %d \n", n);
  char status[PAV_STATUS_SIZE] = "";
  int32_t nbrGroups = 0, *sorted = nullptr;
  PavRefGroup *groups = nullptr;
  if (n > 0) {
    const int32_t *idx = meshScene.mesh->ent[Tetrahedra].idx + 4,
                  *ref = meshScene.mesh->ent[Tetrahedra].ref + 1;
    groups = pav_SplitEntitiesByReference(Tetrahedra, nbrVer, n, idx, idx + 4 * (int64_t)(n - 1),
                                          ref, ref + (n - 1), &nbrGroups, &sorted, status);
  }
  appMessage("nbrRef = %d \n", nbrGroups);
  if (groups) {
    std::vector<float> xyz((size_t)nbrVer * 3);
    for (int32_t v = 1; v <= nbrVer; v++)
      for (int c = 0; c < 3; c++)
        xyz[3 * (size_t)(v - 1) + c] = (float)meshScene.mesh->crdDbl[3 * (size_t)v + c];
    appMessage("attachData vol \n");
    std::vector<int> elt;
    for (int32_t g = 0; g < nbrGroups; g++) {
      elt.clear();
      for (int32_t i = 0; i < groups[g].nbrKept; i++)
        for (int j = 0; j < 4; j++)
          elt.push_back(meshScene.mesh->ent[Tetrahedra].idx[4 * (size_t)groups[g].kept[i] + j] - 1);
      PavDrawObject *o = addObject(
          std::unique_ptr<PavDrawObject>(createDrawObject(DrawVolTetrahedron, groups[g].ref)));
      if (o && !elt.empty()) attachData(o, nbrVer, xyz.data(), (int)(elt.size() / 4), elt.data());
    }
    pav_FreeRefGroups(groups);
    free(sorted);
  }
  appMessage("addVolumeObjectsLst done\n");
}

void PavMeshViewer::setVectorTriangles() {
  if (!meshScene.mesh || meshScene.vectorBuilt) return;
  meshScene.vectorBuilt = true;
  const int32_t n = pav_Count(meshScene.mesh, Triangles),
                nbrVer = meshScene.mesh->ent[Vertices].nbr;
  if (n < 1) return;
  const int dim = meshScene.mesh->dim == 2 ? 2 : 3;
  // The vertex field is carried whole: every component of each node of each triangle.
  const PavSolution *rec = nullptr;
  if (view.fieldMode == 2) {
    appMessage("Case sol at elements not implemented \n");
  } else if (view.fieldMode == 1) {
    rec = meshScene.mesh->ent[Vertices].sol;
    for (int i = 1; rec && i < view.vertexSolution; i++) rec = rec->next;
    if (rec && rec->kind == PavSolScalar) {
      appMessage("scalar solution, skip \n");
      rec = nullptr;
    } else if (rec && rec->kind != PavSolVector) {
      appMessage("matrix solution, skip \n");
      rec = nullptr;
    } else if (rec) {
      appMessage("vector solution, use all the vector \n");
      if (rec->nbrEnt != nbrVer) rec = nullptr;
    }
  }
  PavBuiltSet set;
  set.mshType = Triangles;
  set.drawType = DrawVecTriangle;
  set.nbrEnt = n;
  const size_t before = meshScene.sets.size();
  {
    char status[PAV_STATUS_SIZE] = "";
    int32_t nbrGroups = 0, *sorted = nullptr;
    const int32_t *idx = meshScene.mesh->ent[Triangles].idx + 3,
                  *ref = meshScene.mesh->ent[Triangles].ref + 1;
    PavRefGroup *g =
        pav_SplitEntitiesByReference(Triangles, nbrVer, n, idx, idx + 3 * (int64_t)(n - 1), ref,
                                     ref + (n - 1), &nbrGroups, &sorted, status);
    if (nbrGroups < 1) {
      appMessage("nbrRef = %d, nbrRefSol = %d \n", nbrGroups, 0);
      appMessage("warning missing solutions \n");
    }
    pav_FreeRefGroups(g);
    free(sorted);
  }
  buildSet(set, meshScene.mesh->ent[Triangles].idx, meshScene.mesh->ent[Triangles].ref, false, "");
  meshScene.sets.push_back(std::move(set));
  meshScene.indexBuilt();
  if (!rec || meshScene.sets.size() == before) return;
  PavBuiltSet &built = meshScene.sets.back();
  for (PavBuiltObject &bo : built.objects) {
    const PavSceneEntry *e = bo.object ? sceneModel().entry(bo.object) : nullptr;
    if (!e) continue;
    std::vector<float> values;
    values.reserve(e->elt.size() * (size_t)dim);
    for (int local : e->elt) {
      const int32_t v = bo.vertices[(size_t)local];
      for (int c = 0; c < dim; c++) values.push_back((float)rec->data[(size_t)v * dim + c]);
    }
    auto sol = std::make_unique<PavDrawSolution>(bo.object->id);
    float lo = 0, hi = 0;
    for (float x : values) {
      lo = std::min(lo, x);
      hi = std::max(hi, x);
    }
    const float pal[5] = {lo, lo + 0.25f * (hi - lo), lo + 0.5f * (hi - lo), lo + 0.75f * (hi - lo),
                          hi};
    sol->setPalette(pal);
    attachData(std::move(sol), bo.object, values.data(), (int64_t)(e->elt.size() / 3), 3 * dim);
  }
}

int PavMeshViewer::selectGlyphVertices(bool arrows, int arrowMode) {
  if (!meshScene.mesh) return 0;
  if (arrows && arrowMode != 1) {
    appMessage("ModeVecArrow %d not known \n", arrowMode);
    return 0;
  }
  // Vertices of the visible surface objects, each once.
  const int32_t nbrVer = meshScene.mesh->ent[Vertices].nbr;
  std::vector<char> seen((size_t)nbrVer + 1, 0);
  std::vector<int32_t> list(1, 0);
  for (const PavBuiltSet &set : meshScene.sets) {
    const PavElementKind k = pav_ElementKind(set.mshType);
    if (k != PavKindTriangle && k != PavKindQuadrilateral) continue;
    for (const PavBuiltObject &bo : set.objects) {
      if (!bo.object || !bo.object->visible) continue;
      for (int32_t v : bo.vertices)
        if (v >= 1 && v <= nbrVer && !seen[(size_t)v]) {
          seen[(size_t)v] = 1;
          list.push_back(v);
        }
    }
  }
  const int n = (int)list.size() - 1;
  if (arrows) {
    meshScene.arrowVertices.assign(list.begin() + 1, list.end());
    appMessage("  %d arrow vertices to display \n", n);
    return n;
  }
  pav_FreeMetricVertices(meshScene.mesh);
  meshScene.mesh->metVer = static_cast<int32_t *>(malloc(sizeof(int32_t) * list.size()));
  if (!meshScene.mesh->metVer) return 0;
  std::memcpy(meshScene.mesh->metVer, list.data(), sizeof(int32_t) * list.size());
  meshScene.mesh->nbrMetVer = n;
  appMessage("  %d metrix vertices to display \n", n);
  return n;
}

namespace {

// The length of the shortest edge between element corners at each vertex (from 1; 0 where no
// element reaches it): one pass over the corners of every element.
std::vector<double> shortestEdges(const PavObject *mesh) {
  const int32_t nbrVer = mesh->ent[Vertices].nbr;
  std::vector<double> h((size_t)nbrVer + 1, 0.0);
  for (int t = 0; t < PAV_NBR_STORED_TYPES; t++) {
    const PavElementKind kind = pav_ElementKind(t);
    if (kind == PavKindNone || !mesh->ent[t].idx) continue;
    const int k = pav_MshTyp2Siz(t, nullptr), c = std::min(pav_KindNbrNod(kind, 1), 8);
    if (k < c || c < 2) continue;
    for (int32_t e = 1; e <= mesh->ent[t].nbr; e++) {
      const int32_t *nod = mesh->ent[t].idx + (int64_t)e * k;
      for (int a = 0; a < c; a++)
        for (int b = a + 1; b < c; b++) {
          const int32_t u = nod[a], w = nod[b];
          if (u < 1 || w < 1 || u > nbrVer || w > nbrVer) continue;
          double d = 0;
          for (int x = 0; x < 3; x++) {
            const double s = mesh->crdDbl[3 * (int64_t)u + x] - mesh->crdDbl[3 * (int64_t)w + x];
            d += s * s;
          }
          d = std::sqrt(d);
          if (!(d > 0)) continue;
          for (int32_t z : {u, w}) h[(size_t)z] = h[(size_t)z] > 0 ? std::min(h[(size_t)z], d) : d;
        }
    }
  }
  return h;
}

// At most `most` vertices of a selection, evenly spread (every k-th), so that the glyphs of a big
// surface stay within a sensible memory and drawing budget.
std::vector<int32_t> spreadSelection(const int32_t *list, int n, int most) {
  std::vector<int32_t> out;
  if (!list || n < 1) return out;
  const int step = n > most ? (n + most - 1) / most : 1;
  out.reserve((size_t)(n / step + 1));
  for (int i = 0; i < n; i += step) out.push_back(list[i]);
  if (step > 1) appMessage("  %d of %d glyphs are drawn \n", (int)out.size(), n);
  return out;
}

} // namespace

void PavMeshViewer::updateGlyphs() {
  // An ellipsoid is 120 triangles, an ellipse 48, an arrow 3 or 6.
  constexpr int kMostMetricGlyphs = 10000, kMostArrows = 100000;
  PavGlyphMesh metric, arrows;
  const PavSolution *rec = nullptr;
  if (meshScene.mesh && view.fieldMode == 1 && view.vertexSolution >= 1) {
    rec = meshScene.mesh->ent[Vertices].sol;
    for (int i = 1; rec && i < view.vertexSolution; i++) rec = rec->next;
  }
  const int32_t nbrVer = meshScene.mesh ? meshScene.mesh->ent[Vertices].nbr : 0;
  const int dim = meshScene.mesh && meshScene.mesh->dim == 2 ? 2 : 3;
  try {
    if (rec && rec->nbrEnt == nbrVer && rec->data && meshScene.mesh->crdDbl) {
      if (rec->kind == PavSolSymMatrix && metricGlyphsOn) {
        if (meshScene.mesh->nbrMetVer < 1 || !meshScene.mesh->metVer) selectGlyphVertices(false);
        static const float dark[3] = {0.6f, 0.0f, 0.0f}; // what "MetSha" paints
        const std::vector<int32_t> list =
            spreadSelection(meshScene.mesh->metVer ? meshScene.mesh->metVer + 1 : nullptr,
                            meshScene.mesh->nbrMetVer, kMostMetricGlyphs);
        // Neighbouring glyphs must not overlap: each within 0.45 of the shortest edge at it.
        const double scale = metricFitScale(dim, rec->data, nbrVer, list.data(), (int)list.size(),
                                            shortestEdges(meshScene.mesh), 0.45, metricScale);
        packMetricGlyphs(dim, meshScene.mesh->crdDbl, rec->data, nbrVer, list.data(),
                         (int)list.size(), scale, dark, metric, prefs.ellipsoidMetric);
      } else if (rec->kind == PavSolVector && arrowGlyphsOn) {
        if (meshScene.arrowVertices.empty()) selectGlyphVertices(true, 1);
        const std::vector<int32_t> list = spreadSelection(
            meshScene.arrowVertices.data(), (int)meshScene.arrowVertices.size(), kMostArrows);
        const int n = (int)list.size();
        const double dx = meshScene.bbox[1] - meshScene.bbox[0],
                     dy = meshScene.bbox[3] - meshScene.bbox[2],
                     dz = meshScene.bbox[5] - meshScene.bbox[4];
        const double scale = arrowScale > 0
                                 ? arrowScale
                                 : arrowLengthScale(dim, rec->data, nbrVer, list.data(), n,
                                                    std::sqrt(dx * dx + dy * dy + dz * dz), 0.05);
        packArrowGlyphs(dim, meshScene.mesh->crdDbl, rec->data, nbrVer, list.data(), n, scale,
                        view.colormap >= 0 ? view.colormap : 0, arrows);
      }
    }
  } catch (const std::bad_alloc &) {
    appMessage("  ## ERROR: not enough memory for the glyphs\n");
    metric = PavGlyphMesh();
    arrows = PavGlyphMesh();
  }
  setGlyphs(PavGlyphKind::Metric, metric);
  setGlyphs(PavGlyphKind::Arrow, arrows);
}

} // namespace pavo
