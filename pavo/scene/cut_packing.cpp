// Cut layers: the core library finds the crossed entities, their faces and the section; this file
// turns them into per-reference float and index arrays. Positions of a clipping layer are the mesh
// vertices its faces use, renumbered compactly, so memory follows the size of the cut and not of
// the mesh.
#include "scene/cut_packing.h"
#include "app_messages.h"

#include "files/draw_types.h"
#include "ho_bezier.h"
#include "ho_lattice.h"
#include "pav_cut.h"
#include "pav_solution.h"
#include "pav_split_reference.h"
#include "pav_topology.h"
#include "pav_types.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace pavo {

namespace {

struct FreeDeleter {
  void operator()(void *p) const { std::free(p); }
};
template <class T> using CPtr = std::unique_ptr<T, FreeDeleter>;

constexpr int kVolumeTypes[] = {Tetrahedra,   Pyramids,    Prisms,     Hexahedra,
                                TetrahedraP2, HexahedraQ2, PyramidsP2, PrismsP2,
                                TetrahedraP3, HexahedraQ3, PyramidsP3, PrismsP3,
                                TetrahedraP4, HexahedraQ4, PyramidsP4, PrismsP4};

// A field turned scalar, numbered from 1 (entity i, node j at i * nbrNod + j).
struct ScalarField {
  const double *data = nullptr;
  CPtr<double> owned;
  int nbrEnt = 0, nbrNod = 0, degree = 0;
  explicit operator bool() const { return data != nullptr; }
};

// Fetches record `index` of a solution list and makes it scalar: vectors through the component
// of the vector mode, matrices through their determinant. expected is the entity count it must
// have; a missing or mismatched record prints the viewer's error lines and gives no field.
ScalarField fetchScalar(const PavObject *obj, int solTyp, int index, int expected, int vectorMode) {
  ScalarField f;
  char status[PAV_STATUS_SIZE] = "";
  int nbrEnt = 0, kind = 0, iteration = 0, degree = 0, nbrNod = 0;
  double time = 0;
  double *d = pav_GetSolutionArray(obj, solTyp, index, &nbrEnt, &kind, &iteration, &time, &degree,
                                   &nbrNod, status);
  if (!d) {
    appMessage("error\n");
    return f;
  }
  if (nbrEnt != expected) {
    appMessage("error invalid number of solution: %d != %d \n", nbrEnt, expected);
    return f;
  }
  if (kind == PavSolScalar) {
    f.data = d;
  } else {
    f.owned.reset(kind == PavSolVector
                      ? pav_ExtractComponent(obj->dim, vectorMode, d, nbrEnt, nbrNod)
                      : pav_SolutionDeterminant(obj->dim, d, nbrEnt, nbrNod, kind));
    f.data = f.owned.get();
    if (!f.data) {
      appMessage("error\n");
      return f;
    }
  }
  f.nbrEnt = nbrEnt;
  f.nbrNod = nbrNod;
  f.degree = degree;
  return f;
}

ScalarField vertexField(const PavObject *obj, const PavCutFieldChoice &c) {
  if (c.mode != 1) return {};
  return fetchScalar(obj, SolAtVertices, c.vertexIndex, pav_Count(obj, Vertices), c.vectorMode);
}

ScalarField elementField(const PavObject *obj, int type, const PavCutFieldChoice &c) {
  if (c.mode != 2) return {};
  return fetchScalar(obj, pav_EntTyp2SolTyp(type, nullptr), c.elementIndex, pav_Count(obj, type),
                     c.vectorMode);
}

struct Groups {
  PavRefGroup *g = nullptr;
  int32_t n = 0;
  int32_t *refs = nullptr;
  ~Groups() {
    pav_FreeRefGroups(g);
    std::free(refs);
  }
};

// Appends the group of all elements (-1), made of the per-reference groups in order.
void addAllGroup(PavCutLayer &layer) {
  PavCutGroup all;
  for (const PavCutGroup &g : layer.groups) {
    all.elt.insert(all.elt.end(), g.elt.begin(), g.elt.end());
    all.field.insert(all.field.end(), g.field.begin(), g.field.end());
    all.parent.insert(all.parent.end(), g.parent.begin(), g.parent.end());
    all.face.insert(all.face.end(), g.face.begin(), g.face.end());
  }
  layer.groups.push_back(std::move(all));
}

void reportFiltered(const char *what, const PavCutLayer &layer) {
  if (layer.filtered > 0)
    appMessage(" %s %s: %d topologically invalid entities are filtered !\n", what,
               pavDrawType2String(layer.drawType), int(layer.filtered));
}

// One clipping layer from the faces of one kind (nbrFac faces of nodPerFac nodes, packed from 0,
// links (type, entity, local face) packed from 0).
void clipLayer(const PavObject *obj, int type, PavElementKind faceKind, int nbrFac, const int *nod,
               const int *lnk, int nodPerFac, const ScalarField &verField,
               const ScalarField &eltField, std::vector<int32_t> &compact,
               std::vector<PavCutLayer> &out) {
  const int degree = pav_ElementDegree(type);
  const int faceType = pav_ElementType(faceKind, degree);
  static const uint32_t triDraw[] = {DrawTriangle, DrawTriangleP2, DrawTriangleP3, DrawTriangleP4};
  static const uint32_t quaDraw[] = {DrawQuad, DrawQuadQ2, DrawQuadQ3, DrawQuadQ4};
  PavCutLayer layer;
  layer.volumeType = type;
  layer.drawType = (faceKind == PavKindTriangle ? triDraw : quaDraw)[degree - 1];
  layer.nodesPerElt = nodPerFac;
  const int32_t nbrVer = pav_Count(obj, Vertices);
  const int32_t *volRef = obj->ent[type].ref;
  std::vector<int32_t> refs(static_cast<size_t>(nbrFac));
  for (int k = 0; k < nbrFac; k++) refs[size_t(k)] = volRef ? volRef[lnk[3 * k + 1]] : 0;
  Groups grp;
  char status[PAV_STATUS_SIZE] = "";
  grp.g = pav_SplitEntitiesByReference(faceType, nbrVer, nbrFac, nod,
                                       nod + int64_t(nodPerFac) * (nbrFac - 1), refs.data(),
                                       refs.data() + nbrFac - 1, &grp.n, &grp.refs, status);
  if (!grp.g) {
    appMessage("%s", status);
    return;
  }
  layer.filtered = pav_CountFilteredEntities(grp.g, grp.n);

  // Field values per face node: a vertex field read at the nodes, or the element field restricted
  // to the faces (values of face k, from 1, at k * fieldNodes).
  CPtr<double> faceVal;
  if (eltField) {
    const int solTyp = pav_EntTyp2SolTyp(type, nullptr);
    faceVal.reset(pav_GetCreatedSurfaceSolutionFromVolumeSolution(
        eltField.degree, solTyp, eltField.data, 1, faceType, nbrFac, lnk, status));
    if (faceVal) {
      layer.fieldDegree = eltField.degree;
      layer.fieldNodes = pav_KindNbrNod(faceKind, eltField.degree);
    }
  } else if (verField) {
    layer.fieldDegree = degree;
    layer.fieldNodes = nodPerFac;
  }

  std::vector<int32_t> used;
  for (int32_t r = 0; r < grp.n; r++) {
    PavCutGroup g;
    g.ref = grp.g[r].ref;
    for (int32_t e = 0; e < grp.g[r].nbrKept; e++) {
      const int64_t k = grp.g[r].kept[e] - 1; // face from 0
      const int *fn = nod + k * nodPerFac;
      for (int m = 0; m < nodPerFac; m++) {
        int32_t &slot = compact[size_t(fn[m])];
        if (slot < 0) {
          slot = int32_t(used.size());
          used.push_back(fn[m]);
        }
        g.elt.push_back(slot);
        if (verField && !eltField) g.field.push_back(float(verField.data[fn[m]]));
      }
      if (faceVal)
        for (int m = 0; m < layer.fieldNodes; m++)
          g.field.push_back(float(faceVal.get()[(k + 1) * layer.fieldNodes + m]));
      g.parent.push_back(lnk[3 * k + 1]);
      g.face.push_back(lnk[3 * k + 2]);
    }
    layer.groups.push_back(std::move(g));
  }
  layer.xyz.reserve(3 * used.size());
  for (int32_t v : used) {
    compact[size_t(v)] = -1; // ready for the next layer
    for (int c = 0; c < 3; c++)
      layer.xyz.push_back(obj->crdDbl ? float(obj->crdDbl[3 * int64_t(v) + c])
                                      : obj->crdFlt[3 * int64_t(v) + c]);
  }
  addAllGroup(layer);
  reportFiltered("Clipping", layer);
  out.push_back(std::move(layer));
}

// The cut entities of a type, in a list freed with it.
struct CutList {
  int n = 0;
  int *lst = nullptr;
  ~CutList() { std::free(lst); }
};

bool current(const PavCutBlocks::Type &t, const PavEntitySet &es) {
  return t.idx == es.idx && t.nbr == es.nbr && t.nbrBlocks > 0;
}

// The boxes of the runs of a large type when they are made; null for smaller types and while they
// are made (the worker is started at the first call).
const PavCutBlocks::Type *blocksOf(const PavObject *obj, int type, PavCutBlocks *blocks) {
  const PavEntitySet &es = obj->ent[type];
  if (!blocks || es.nbr <= PAV_CUT_PARALLEL_THRESHOLD) return nullptr;
  const void *crd = obj->crdDbl ? (const void *)obj->crdDbl : (const void *)obj->crdFlt;
  if (blocks->obj != obj || blocks->crd != crd || blocks->nbrVer != pav_Count(obj, Vertices)) {
    *blocks = PavCutBlocks(); // waits for a worker still reading
    blocks->obj = obj, blocks->crd = crd, blocks->nbrVer = pav_Count(obj, Vertices);
  }
  auto it = blocks->types.find(type);
  if (it != blocks->types.end() && current(it->second, es)) return &it->second;
  if (blocks->making.valid()) {
    if (blocks->making.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
      return nullptr;
    PavCutBlocks::Type t = blocks->making.get();
    const int made = blocks->makingType;
    if (current(t, obj->ent[made])) blocks->types[made] = std::move(t);
    return made == type && current(blocks->types[type], es) ? &blocks->types[type] : nullptr;
  }
  blocks->makingType = type;
  blocks->making = std::async(std::launch::async, [obj, type] {
    PavCutBlocks::Type t;
    CPtr<double> boxes(pav_GetCutBlockBoxes(obj, type, &t.nbrBlocks));
    if (boxes) t.boxes.assign(boxes.get(), boxes.get() + 6 * int64_t(t.nbrBlocks));
    t.idx = obj->ent[type].idx, t.nbr = obj->ent[type].nbr;
    return t;
  });
  return nullptr;
}

bool cutEntities(const PavObject *obj, const double plane[4], int type, CutList &cut,
                 PavCutBlocks *blocks) {
  char status[PAV_STATUS_SIZE] = "";
  const PavCutBlocks::Type *t = blocksOf(obj, type, blocks);
  const int rc = t ? pav_GetCutEntitiesInBlocks(obj, plane, type, t->nbrBlocks, t->boxes.data(),
                                                &cut.n, &cut.lst, status)
                   : pav_GetCutEntities(obj, plane, type, &cut.n, &cut.lst, status);
  if (rc != PAV_SUCCESS) {
    appMessage("%s", status);
    return false;
  }
  return cut.n > 0;
}

// Faces of the cut entities of one type, as the core library gives them.
struct CutFaces {
  int nTri = 0, nQua = 0, perTri = 0, perQua = 0;
  std::vector<int> triNod, triLnk, quaNod, quaLnk;
};

// Appends the faces of `number` entities of `list` (all faces, or their envelope).
bool appendFaces(const PavObject *obj, int type, int number, const int *list, bool shell,
                 CutFaces &out) {
  int nTri = 0, nQua = 0, perTri = 0, perQua = 0;
  int *triNod = nullptr, *triLnk = nullptr, *quaNod = nullptr, *quaLnk = nullptr;
  char status[PAV_STATUS_SIZE] = "";
  const int rc = (shell ? pav_GetShellOfEntities : pav_GetFacesOfEntities)(
      obj, type, number, list, &nTri, &triNod, &triLnk, &perTri, &nQua, &quaNod, &quaLnk, &perQua,
      status);
  CPtr<int> keep[] = {CPtr<int>(triNod), CPtr<int>(triLnk), CPtr<int>(quaNod), CPtr<int>(quaLnk)};
  if (rc != PAV_SUCCESS) {
    appMessage("%s", status);
    return false;
  }
  auto append = [](std::vector<int> &v, const int *p, int64_t n) {
    if (p && n > 0) v.insert(v.end(), p, p + n);
  };
  append(out.triNod, triNod, int64_t(nTri) * perTri);
  append(out.triLnk, triLnk, 3 * int64_t(nTri));
  append(out.quaNod, quaNod, int64_t(nQua) * perQua);
  append(out.quaLnk, quaLnk, 3 * int64_t(nQua));
  out.nTri += nTri;
  out.nQua += nQua;
  if (nTri > 0) out.perTri = perTri;
  if (nQua > 0) out.perQua = perQua;
  return true;
}

// The envelope of the cut entities of each reference: a face between two references stays (once
// per side), so that hiding a reference uncovers the faces of its neighbours, as with every face.
bool shellByReference(const PavObject *obj, int type, const CutList &cut, CutFaces &out) {
  const int32_t *ref = obj->ent[type].ref;
  std::vector<std::pair<int32_t, int>> byRef(size_t(cut.n));
  for (int k = 0; k < cut.n; k++) byRef[size_t(k)] = {ref ? ref[cut.lst[k]] : 0, cut.lst[k]};
  std::sort(byRef.begin(), byRef.end()); // by reference, then entity (the list's order)
  std::vector<int> list(size_t(cut.n));
  for (size_t k = 0; k < byRef.size(); k++) list[k] = byRef[k].second;
  for (size_t a = 0, b = 0; a < byRef.size(); a = b) {
    while (b < byRef.size() && byRef[b].first == byRef[a].first) b++;
    if (!appendFaces(obj, type, int(b - a), list.data() + a, true, out)) return false;
  }
  return true;
}

// The clipping layers of one volume type: the faces of its crossed entities (all, or the
// envelope of each reference).
void appendClipLayers(const PavObject *obj, int type, const double plane[4],
                      const PavCutFieldChoice &field, const ScalarField &verField, bool shellOnly,
                      PavCutBlocks *blocks, std::vector<int32_t> &compact,
                      std::vector<PavCutLayer> &out) {
  CutList cut;
  if (!cutEntities(obj, plane, type, cut, blocks)) return;
  CutFaces f;
  if (!(shellOnly ? shellByReference(obj, type, cut, f)
                  : appendFaces(obj, type, cut.n, cut.lst, false, f)))
    return;
  const ScalarField eltField = elementField(obj, type, field);
  if (f.nTri > 0)
    clipLayer(obj, type, PavKindTriangle, f.nTri, f.triNod.data(), f.triLnk.data(), f.perTri,
              verField, eltField, compact, out);
  if (f.nQua > 0)
    clipLayer(obj, type, PavKindQuadrilateral, f.nQua, f.quaNod.data(), f.quaLnk.data(), f.perQua,
              verField, eltField, compact, out);
}

void appendEnvelope(const PavObject *obj, int type, const double plane[4],
                    const PavCutFieldChoice &field, const ScalarField &verField,
                    PavCutBlocks *blocks, std::vector<PavCutLayer> &out) {
  std::vector<int32_t> compact(size_t(pav_Count(obj, Vertices)) + 1, -1);
  appendClipLayers(obj, type, plane, field, verField, true, blocks, compact, out);
}

} // namespace

std::vector<PavCutLayer> packClipping(const PavObject *obj, const double plane[4],
                                      const PavCutFieldChoice &field, bool shellOnly,
                                      PavCutBlocks *blocks) {
  std::vector<PavCutLayer> out;
  if (!obj || !plane || (!obj->crdDbl && !obj->crdFlt)) return out;
  const ScalarField verField = vertexField(obj, field);
  std::vector<int32_t> compact(size_t(pav_Count(obj, Vertices)) + 1, -1);
  for (int type : kVolumeTypes)
    if (pav_Count(obj, type) > 0)
      appendClipLayers(obj, type, plane, field, verField, shellOnly, blocks, compact, out);
  return out;
}

std::vector<PavCutLayer> packCapping(const PavObject *obj, const double plane[4],
                                     const PavCutFieldChoice &field, PavCutBlocks *blocks) {
  std::vector<PavCutLayer> out;
  if (!obj || !plane || (!obj->crdDbl && !obj->crdFlt)) return out;
  const ScalarField verField = vertexField(obj, field);
  for (int type : kVolumeTypes) {
    const int32_t count = pav_Count(obj, type);
    if (count < 1) continue;
    const int degree = pav_ElementDegree(type);
    const bool curved = type == TetrahedraP2;
    if (degree > 1 && !curved) {
      appMessage("Capping not done for element %s of degree > 1 \n", pav_EntityTypeName(type));
      appendEnvelope(obj, type, plane, field, verField, blocks, out);
      continue;
    }
    CutList cut;
    if (!cutEntities(obj, plane, type, cut, blocks)) continue;
    int nTri = 0, nQua = 0;
    double *triCrd = nullptr, *triAux = nullptr, *quaCrd = nullptr, *quaAux = nullptr;
    int *triLnk = nullptr, *quaLnk = nullptr;
    char status[PAV_STATUS_SIZE] = "";
    const int rc = (curved ? pav_CappingP2Tetrahedra
                           : pav_capping)(obj, plane, type, cut.n, cut.lst, &nTri, &triCrd, &triAux,
                                          &triLnk, &nQua, &quaCrd, &quaAux, &quaLnk, status);
    CPtr<double> keepD[] = {CPtr<double>(triCrd), CPtr<double>(triAux), CPtr<double>(quaCrd),
                            CPtr<double>(quaAux)};
    CPtr<int> keepI[] = {CPtr<int>(triLnk), CPtr<int>(quaLnk)};
    if (rc != PAV_SUCCESS) {
      appMessage("%s", status);
      continue;
    }
    if (nTri < 1) continue;

    PavCutLayer layer;
    layer.volumeType = type;
    layer.section = true;
    layer.drawType = curved ? DrawCutTriangle + 1 : DrawCutTriangle;
    const int outDegree = curved ? 2 : 1;
    layer.nodesPerElt = curved ? 6 : 3;
    Groups grp;
    // Triangles grouped by the reference of their volume element; the parent number stands for
    // the node numbers, so a parent outside the type's entities is filtered.
    // Capping triangles are numbered from 1: their records start at the second slot.
    grp.g = pav_SplitEntitiesByReference(
        Corners, count, nTri, triLnk + 4, triLnk + 4 + 3 * int64_t(nTri - 1), triLnk + 5,
        triLnk + 5 + 3 * int64_t(nTri - 1), &grp.n, &grp.refs, status);
    if (!grp.g) {
      appMessage("%s", status);
      continue;
    }
    layer.filtered = pav_CountFilteredEntities(grp.g, grp.n);

    CPtr<double> val, quaVal;
    const ScalarField eltField = elementField(obj, type, field);
    const ScalarField &sf = field.mode == 1 ? verField : eltField;
    if (sf) {
      PavSolution rec{};
      rec.kind = PavSolScalar;
      rec.nbrEnt = sf.nbrEnt;
      rec.nbrNod = sf.nbrNod;
      rec.degree = sf.degree;
      rec.data = const_cast<double *>(sf.data);
      double *tv = nullptr, *qv = nullptr;
      if (pav_EvaluateSolutionOnCutFaces(obj, &rec, field.mode == 1, nTri, triLnk, triAux, 0,
                                         nullptr, nullptr, outDegree, &tv, &qv,
                                         status) == PAV_SUCCESS) {
        val.reset(tv);
        quaVal.reset(qv);
        layer.fieldDegree = outDegree;
        layer.fieldNodes = layer.nodesPerElt;
      } else {
        appMessage("%s", status);
      }
    }

    // Node weights on the corners (barycentric, canonical order) of the output triangles.
    int dim = 0;
    std::unique_ptr<double[]> w(GetCrdNodByTyp(Triangles, outDegree, &dim));
    int midNode[4][4] = {};
    for (int e = 0; curved && e < 6; e++) {
      int n = 0;
      const int *ed = pav_LocalEdge(PavKindTetrahedron, 2, e, &n);
      midNode[ed[0]][ed[1]] = midNode[ed[1]][ed[0]] = ed[2];
    }
    for (int32_t r = 0; r < grp.n; r++) {
      PavCutGroup g;
      g.ref = grp.g[r].ref;
      for (int32_t e = 0; e < grp.g[r].nbrKept; e++) {
        const int64_t k = grp.g[r].kept[e]; // the triangle's number, from 1
        const double *crd = triCrd + 9 * k, *aux = triAux + 12 * k;
        const int32_t parent = triLnk[3 * k + 1];
        for (int m = 0; m < layer.nodesPerElt; m++) {
          g.elt.push_back(int(layer.xyz.size() / 3));
          double x[3] = {0, 0, 0};
          if (m < 3) {
            for (int c = 0; c < 3; c++) x[c] = crd[3 * m + c];
          } else {
            // A mid-edge node of a P2 cut triangle: its barycentric coordinates in the parent
            // are interpolated from the corners and mapped through the P2 tetrahedron.
            double l[4] = {0, 0, 0, 0};
            for (int c = 0; c < 3; c++)
              for (int q = 0; q < 4; q++) l[q] += w[size_t(dim * m + c)] * aux[4 * c + q];
            const int32_t *nodes = obj->ent[type].idx + int64_t(parent) * 10;
            auto addNode = [&](int local, double weight) {
              const int64_t v = nodes[local];
              for (int c = 0; c < 3; c++)
                x[c] += weight * (obj->crdDbl ? obj->crdDbl[3 * v + c] : obj->crdFlt[3 * v + c]);
            };
            for (int a = 0; a < 4; a++) {
              addNode(a, l[a] * (2 * l[a] - 1));
              for (int b = a + 1; b < 4; b++) addNode(midNode[a][b], 4 * l[a] * l[b]);
            }
          }
          for (double c : x) layer.xyz.push_back(float(c));
          if (val) g.field.push_back(float(val.get()[k * layer.fieldNodes + m]));
        }
        g.parent.push_back(parent);
      }
      layer.groups.push_back(std::move(g));
    }
    addAllGroup(layer);
    reportFiltered("Capping", layer);
    out.push_back(std::move(layer));
  }
  return out;
}

} // namespace pavo
