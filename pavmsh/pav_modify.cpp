// Merging uses the locator with a radius below any non-zero distance, so only identical positions
// merge. The map from a representative vertex to its new number is a flat array: one entry per
// vertex is cheaper than hashing and gives the same numbering.
#include "pav_modify.h"

#include "pav_hash.h"
#include "pav_io.h"
#include "pav_octree.h"
#include "pav_reference_index.h"
#include "pav_solution.h"
#include "pav_topology.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

PavWriteMeshFn gWriteMesh = pav_WriteMesh;
PavWriteSolutionFn gWriteSolution = pav_WriteSolution;

void writeAndSummarise(PavObject *obj, const char *outName) {
  if (outName && *outName) {
    // The writers record the file name in the second half of a 1024-character buffer.
    char status[2 * PAV_STATUS_SIZE] = "";
    const int rc = gWriteMesh(obj, outName, status);
    if (rc == PAV_SUCCESS)
      printf("  %%%% Mesh written in %s\n", outName);
    else
      printf(" pav_WriteMeshOvelFileb failed error %3d : %s\n", rc, status);
  }
  char status[PAV_STATUS_SIZE];
  pav_PrintMeshInfo(obj, status);
}

// Grows an element type to count + extra entities keeping the first count; the new entries are
// zero. Solution lists are not touched.
bool growType(PavObject *obj, int type, int32_t extra, char *status) {
  PavEntitySet &es = obj->ent[type];
  const int32_t old = std::max(0, es.nbr);
  const int64_t total = int64_t(old) + extra;
  if (total > INT32_MAX) {
    pav_Fail(status, "Too many entities of type %d\n", type);
    return false;
  }
  const int siz = pav_MshTyp2Siz(type, nullptr);
  const size_t idxBytes = pav_ArrayBytes(static_cast<int32_t>(total), siz, sizeof(int32_t));
  const size_t refBytes = pav_ArrayBytes(static_cast<int32_t>(total), 1, sizeof(int32_t));
  int32_t *idx =
      static_cast<int32_t *>(pav_AllocBytes(idxBytes, true, pav_TypeAllocName(type), status));
  int32_t *ref =
      idx ? static_cast<int32_t *>(pav_AllocBytes(refBytes, true, pav_TypeAllocName(type), status))
          : nullptr;
  if (!idx || !ref) {
    free(idx);
    return false;
  }
  if (es.idx && old) memcpy(idx, es.idx, sizeof(int32_t) * (size_t(old) + 1) * siz);
  if (es.ref && old) memcpy(ref, es.ref, sizeof(int32_t) * (size_t(old) + 1));
  free(es.idx);
  free(es.ref);
  es.idx = idx;
  es.ref = ref;
  es.nbr = es.nbrMax = static_cast<int32_t>(total);
  if (es.val) {
    double *val = static_cast<double *>(calloc(size_t(total) + 1, sizeof(double)));
    if (val) memcpy(val, es.val, sizeof(double) * (size_t(old) + 1));
    free(es.val);
    es.val = val;
  }
  return true;
}

// The locator merges a vertex with the first vertex met whose squared distance to it is 0: the
// same position, or one so close that the square underflows. Two distinct doubles of magnitude
// 2^-484 or more differ by at least 2^-536, whose square does not underflow; so among vertices
// whose coordinates are all 0 or at least that large, coincident means equal coordinates, and
// only a smaller non-zero coordinate needs the locator.
bool needsLocator(const double *crd, int32_t nbrVer) {
  constexpr double tiny = 0x1p-484;
  for (int64_t k = 3; k < 3 * (int64_t(nbrVer) + 1); k++) {
    const double a = std::fabs(crd[k]);
    if (a != 0 && a < tiny) return true;
  }
  return false;
}

// Groups vertices of equal coordinates (-0 equal to 0) through an open-addressing table keyed by
// the coordinates' bits: linear in the number of vertices. newOf[i] receives the group of
// vertex i, groups numbered in the order of their first vertex, whose number goes to first[].
// Non-finite positions match nothing. Returns the number of groups.
int32_t groupEqualPositions(const double *crd, int32_t nbrVer, std::vector<int32_t> &newOf,
                            std::vector<int32_t> &first) {
  size_t size = 16;
  while (size < 2 * size_t(nbrVer)) size *= 2;
  std::vector<int32_t> table(size, 0);
  auto bits = [](double v) {
    uint64_t u;
    v += 0.0; // -0 becomes 0
    std::memcpy(&u, &v, sizeof u);
    return u;
  };
  int32_t next = 0;
  for (int32_t i = 1; i <= nbrVer; i++) {
    const double *p = crd + 3 * int64_t(i);
    if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) {
      newOf[size_t(i)] = ++next;
      first[size_t(next)] = i;
      continue;
    }
    uint64_t h = bits(p[0]) * 0x9E3779B97F4A7C15ull;
    h = (h ^ (h >> 29) ^ bits(p[1])) * 0xBF58476D1CE4E5B9ull;
    h = (h ^ (h >> 31) ^ bits(p[2])) * 0x94D049BB133111EBull;
    size_t slot = size_t(h ^ (h >> 32)) & (size - 1);
    for (;; slot = (slot + 1) & (size - 1)) {
      const int32_t r = table[slot];
      if (r == 0) {
        table[slot] = i;
        newOf[size_t(i)] = ++next;
        first[size_t(next)] = i;
        break;
      }
      const double *q = crd + 3 * int64_t(r);
      if (q[0] == p[0] && q[1] == p[1] && q[2] == p[2]) {
        newOf[size_t(i)] = newOf[size_t(r)];
        break;
      }
    }
  }
  return next;
}

} // namespace

void pav_SetMeshWriters(PavWriteMeshFn mesh, PavWriteSolutionFn solution) {
  gWriteMesh = mesh ? mesh : pav_WriteMesh;
  gWriteSolution = solution ? solution : pav_WriteSolution;
}

// ---- Merging vertices ----

int pav_MergeVertices(PavObject *obj, const char *outName, char *status) {
  if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
  const int32_t nbrVer = obj->ent[Vertices].nbr;
  if (nbrVer < 1 || (!obj->crdDbl && !obj->crdFlt)) {
    printf("  Merge vertices: No vertex needs to be removed ");
    return PAV_SUCCESS;
  }
  std::vector<double> fltCopy;
  const double *crd = obj->crdDbl;
  if (!crd) {
    fltCopy.assign(obj->crdFlt, obj->crdFlt + 3 * (size_t(nbrVer) + 1));
    crd = fltCopy.data();
  }
  std::vector<int32_t> newOf(size_t(nbrVer) + 1, 0), first(size_t(nbrVer) + 1, 0);
  int32_t next = 0;
  if (!needsLocator(crd, nbrVer)) {
    next = groupEqualPositions(crd, nbrVer, newOf, first);
  } else {
    PavOctree *oct = pav_NewOctree(nbrVer, crd + 3, crd + 3 * int64_t(nbrVer), 1);
    double dist = 0;
    for (int32_t i = 1; i <= nbrVer; i++) {
      // r represents every vertex at this position (the same answer for each of them).
      int32_t r = pav_OctreeNearest(oct, PAV_OCTREE_VERTEX, crd + 3 * int64_t(i), &dist,
                                    1.1754943508222875e-38, nullptr, nullptr, 0);
      if (r == 0) r = i; // a non-finite position matches nothing: keep it alone
      if (!newOf[r]) {
        newOf[r] = ++next;
        first[next] = i;
      }
      newOf[i] = newOf[r];
    }
    pav_FreeOctree(oct);
  }
  const int32_t dup = nbrVer - next;
  if (dup == 0) {
    printf("  Merge vertices: No vertex needs to be removed ");
    return PAV_SUCCESS;
  }
  printf("  Merge vertices: %d vertices need to be removed \n \n", dup);

  // Vertex arrays: one vertex per new number, taken from the first vertex of its group.
  double *newCrd = static_cast<double *>(calloc(3 * (size_t(next) + 1), sizeof(double)));
  int32_t *newRef = static_cast<int32_t *>(calloc(size_t(next) + 1, sizeof(int32_t)));
  if (!newCrd || !newRef) {
    free(newCrd);
    free(newRef);
    return pav_Fail(status, "Allocation failed for vertex-arrays, size %lg Mb\n",
                    pav_BytesToMb(sizeof(double) * 3 * (size_t(next) + 1)));
  }
  for (int32_t n = 1; n <= next; n++) {
    memcpy(newCrd + 3 * n, crd + 3 * int64_t(first[n]), sizeof(double) * 3);
    newRef[n] = obj->ent[Vertices].ref ? obj->ent[Vertices].ref[first[n]] : 0;
  }
  for (PavSolution *s = obj->ent[Vertices].sol; s; s = s->next) {
    if (!s->data || s->nbrEnt != nbrVer) continue;
    const int w = pav_SolKindSize(obj->dim, s->kind) * std::max(1, s->nbrNod);
    for (int32_t n = 1; n <= next; n++)
      memmove(s->data + int64_t(n) * w, s->data + int64_t(first[n]) * w, sizeof(double) * w);
    s->nbrEnt = next;
  }
  free(obj->crdDbl);
  free(obj->crdFlt);
  obj->crdFlt = nullptr;
  free(obj->ent[Vertices].ref);
  obj->crdDbl = newCrd;
  obj->ent[Vertices].ref = newRef;
  obj->ent[Vertices].nbr = obj->ent[Vertices].nbrMax = next;

  static const int order[] = {
      Corners,     Edges,   Triangles,   Quadrilaterals,   Tetrahedra,   Pyramids,   Prisms,
      Hexahedra,   EdgesP2, TrianglesP2, QuadrilateralsQ2, TetrahedraP2, PyramidsP2, PrismsP2,
      HexahedraQ2, EdgesP3, TrianglesP3, QuadrilateralsQ3, TetrahedraP3, PyramidsP3, PrismsP3,
      HexahedraQ3, EdgesP4, TrianglesP4, QuadrilateralsQ4, TetrahedraP4, PyramidsP4, PrismsP4,
      HexahedraQ4};
  for (int t : order) {
    PavEntitySet &es = obj->ent[t];
    if (es.nbr < 1 || !es.idx) continue;
    const int siz = pav_MshTyp2Siz(t, nullptr);
    const int64_t end = (int64_t(es.nbr) + 1) * siz;
    for (int64_t k = siz; k < end; k++) {
      const int32_t v = es.idx[k];
      if (v >= 1 && v <= nbrVer) es.idx[k] = newOf[v];
    }
  }
  pav_FreeReferenceIndex(obj);
  writeAndSummarise(obj, outName);
  return PAV_SUCCESS;
}

// ---- Boundary edges ----

int pav_AddBoundaryEdges(PavObject *obj, const char *outName, char *status) {
  if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
  const int32_t nbrVer = obj->ent[Vertices].nbr;
  static const int surf[] = {Triangles,   Quadrilaterals,   TrianglesP2, QuadrilateralsQ2,
                             TrianglesP3, QuadrilateralsQ3, TrianglesP4, QuadrilateralsQ4};
  int64_t nbrSurf = 0;
  for (int t : surf) nbrSurf += std::max(0, obj->ent[t].nbr);
  PavHashTable *tab = pav_NewHashTable(2 * (int64_t(nbrVer) + 1), 2 * (int64_t(nbrVer) + 1));
  if (!tab) return pav_Fail(status, "Allocation failed for hash-arrays\n");

  // Walks every valid element edge (element order, local edge order): f(a, b) with a -> b the
  // direction in the element.
  auto forEachEdge = [&](auto f) {
    for (int t : surf) {
      const PavEntitySet &es = obj->ent[t];
      if (es.nbr < 1 || !es.idx) continue;
      const int siz = pav_MshTyp2Siz(t, nullptr);
      const int nv = pav_ElementKind(t) == PavKindTriangle ? 3 : 4;
      for (int32_t i = 1; i <= es.nbr; i++) {
        const int32_t *nod = es.idx + int64_t(i) * siz;
        bool ok = true;
        for (int m = 0; m < nv; m++) ok = ok && nod[m] >= 1 && nod[m] <= nbrVer;
        if (!ok) continue;
        for (int m = 0; m < nv; m++) f(nod[m], nod[(m + 1) % nv]);
      }
    }
  };
  forEachEdge([&](int32_t a, int32_t b) {
    int32_t key[3] = {std::min(a, b), std::max(a, b), 1};
    if (PavHashNode *h = pav_HashFind(tab, 1, 2, key))
      h->key[2]++;
    else
      pav_HashAdd(tab, 1, 3, 2, key);
  });
  std::vector<int32_t> bnd; // pairs
  int32_t nonManifold = 0;
  forEachEdge([&](int32_t a, int32_t b) {
    const int32_t key[2] = {std::min(a, b), std::max(a, b)};
    const PavHashNode *h = pav_HashFind(tab, 1, 2, key);
    if (!h) return;
    if (h->key[2] == 1) {
      bnd.push_back(a);
      bnd.push_back(b);
    } else if (h->key[2] > 2) {
      nonManifold++;
    }
  });
  pav_FreeHashTable(tab);
  (void)nbrSurf;
  if (nonManifold > 0) printf(" %d non-manifold edges detected \n", nonManifold);

  // Curves: edges joined through shared vertices, numbered by their first edge. Each vertex keeps
  // two edges; a third is reported (and still joined through the adjacency below).
  const int32_t nbrEdg = static_cast<int32_t>(bnd.size() / 2);
  std::vector<int32_t> deg(size_t(nbrVer) + 2, 0);
  for (int32_t v : bnd) deg[v]++;
  for (int32_t v = 1; v <= nbrVer; v++)
    if (deg[v] > 2) printf("WARNING: a vertex belongs to more than 2 edges !! Contact Hotline ");
  std::vector<int32_t> start(size_t(nbrVer) + 2, 0), adj(bnd.size());
  for (int32_t v = 1; v <= nbrVer; v++) start[v + 1] = start[v] + deg[v];
  std::vector<int32_t> fill(start.begin(), start.end());
  for (int32_t e = 0; e < nbrEdg; e++) {
    adj[fill[bnd[2 * e]]++] = e;
    adj[fill[bnd[2 * e + 1]]++] = e;
  }
  std::vector<int32_t> ref(size_t(nbrEdg), 0), stack;
  int32_t curves = 0;
  for (int32_t e0 = 0; e0 < nbrEdg; e0++) {
    if (ref[e0]) continue;
    ref[e0] = ++curves;
    stack.push_back(e0);
    while (!stack.empty()) {
      const int32_t e = stack.back();
      stack.pop_back();
      for (int s = 0; s < 2; s++) {
        const int32_t v = bnd[2 * e + s];
        for (int32_t k = start[v]; k < start[v + 1]; k++)
          if (!ref[adj[k]]) {
            ref[adj[k]] = curves;
            stack.push_back(adj[k]);
          }
      }
    }
  }

  if (obj->ent[Edges].nbr > 0) printf(" %d existing edges will be removed \n", obj->ent[Edges].nbr);
  printf(" %d new edges will be added [%d refs]\n \n", nbrEdg, curves);
  if (pav_AllocEntityArrays(obj, Edges, nbrEdg, status) != PAV_SUCCESS) return PAV_FAILURE;
  for (int32_t e = 0; e < nbrEdg; e++) {
    obj->ent[Edges].idx[2 * (e + 1)] = bnd[2 * e];
    obj->ent[Edges].idx[2 * (e + 1) + 1] = bnd[2 * e + 1];
    obj->ent[Edges].ref[e + 1] = ref[e];
  }
  pav_FreeReferenceIndex(obj);
  writeAndSummarise(obj, outName);
  return PAV_SUCCESS;
}

// ---- Surface completion ----

namespace {

struct NewFaces {
  int32_t nbrOld = 0;          // surface elements before completion
  std::vector<int32_t> nod;    // nodes of the new faces
  std::vector<int32_t> lnk;    // (volume type, element, face) per new face
  std::vector<int32_t> ref;    // reference per new face
  std::vector<int32_t> oldLnk; // 6 per existing element, from 1
};

const char *missingLabel(int type) {
  switch (type) {
  case Triangles:
    return "triangles";
  case TrianglesP2:
    return "P2-triangles";
  case TrianglesP3:
    return "P3-triangles";
  case TrianglesP4:
    return "P4-triangles";
  case Quadrilaterals:
    return "quadrilateral";
  case QuadrilateralsQ2:
    return "Q2-quadrilateral";
  case QuadrilateralsQ3:
    return "Q3-quadrilateral";
  default:
    return "Q4-quadrilateral";
  }
}

// Completes the solution lists of one surface type from the volume types of its degree.
void completeSolutions(PavObject *obj, int surfType, const NewFaces &nf, const int volTypes[4]) {
  const int32_t nbrNew = static_cast<int32_t>(nf.lnk.size() / 3);
  const int32_t total = nf.nbrOld + nbrNew;
  const int surfSol = pav_EntTyp2SolTyp(surfType, nullptr);
  // The reference lists: the longest volume list sets the number of records.
  int first = -1, nbrRec = 0;
  for (int k = 0; k < 4; k++) {
    const int t = volTypes[k];
    if (pav_Count(obj, t) < 1) continue;
    int n = 0;
    for (PavSolution *s = obj->ent[t].sol; s; s = s->next) n++;
    if (n == 0) continue;
    if (first < 0) {
      first = t;
      nbrRec = n;
      continue;
    }
    if (n != nbrRec) printf("Warning: hybrid mesh with not the same number of fields !\n");
    if (obj->ent[t].sol->degree != obj->ent[first].sol->degree)
      printf("Warning: hybrid mesh with not the same degree !\n");
    nbrRec = std::min(nbrRec, n);
  }
  if (first < 0 || nbrRec == 0) {
    // No volume field: existing surface fields are kept, zero on the new faces.
    for (PavSolution *s = obj->ent[surfType].sol; s; s = s->next) {
      if (!s->data || s->nbrEnt != nf.nbrOld || nbrNew == 0) continue;
      const int64_t stride = int64_t(std::max(1, s->nbrNod)) * pav_SolKindSize(obj->dim, s->kind);
      double *data =
          static_cast<double *>(calloc(size_t((int64_t(total) + 1) * stride), sizeof(double)));
      if (!data) continue;
      memcpy(data, s->data, sizeof(double) * size_t((int64_t(nf.nbrOld) + 1) * stride));
      if (s->owned) free(s->data);
      s->data = data;
      s->owned = 1;
      s->nbrEnt = total;
    }
    return;
  }

  // Existing records of the surface list, by position from the head.
  std::vector<PavSolution *> oldRec;
  for (PavSolution *s = obj->ent[surfType].sol; s; s = s->next) oldRec.push_back(s);
  std::vector<PavSolution *> newRec(nbrRec, nullptr);
  const char *label = pav_TypeCountLabel(surfType);
  for (int r = 0; r < nbrRec; r++) {
    PavSolution *ref = obj->ent[first].sol;
    for (int q = 0; q < r; q++) ref = ref->next;
    const int deg = ref->degree;
    const int nodFac = pav_KindNbrNod(pav_ElementKind(surfType), deg);
    const int w = pav_SolKindSize(obj->dim, ref->kind);
    char status[PAV_STATUS_SIZE];
    PavSolution *rec = pav_NewSolutionRecord(obj->dim, ref->kind, total, deg, nodFac, status);
    if (!rec) continue;
    memcpy(rec->name, ref->name, sizeof(rec->name));
    rec->dim = obj->dim;
    rec->iteration = ref->iteration;
    rec->time = ref->time;
    const int64_t stride = int64_t(nodFac) * w;
    // Existing values are kept when the surface list already has a matching record.
    PavSolution *old = r < static_cast<int>(oldRec.size()) ? oldRec[r] : nullptr;
    const bool keepOld = old && old->data && old->nbrEnt == nf.nbrOld && old->degree == deg &&
                         old->kind == ref->kind && old->nbrNod == nodFac;
    if (keepOld)
      memcpy(rec->data + stride, old->data + stride, sizeof(double) * stride * nf.nbrOld);
    int32_t unlinked = 0;
    bool anyOld = false;
    for (int k = 0; k < 4; k++) {
      const int t = volTypes[k];
      PavSolution *vs = obj->ent[t].sol;
      for (int q = 0; q < r && vs; q++) vs = vs->next;
      if (!vs || pav_Count(obj, t) < 1) continue;
      if (vs->nbrEnt != pav_Count(obj, t)) {
        printf("error invalid number of solution: %d != %d \n", vs->nbrEnt, pav_Count(obj, t));
        continue;
      }
      if (vs->degree != deg || vs->kind != ref->kind) continue;
      const int volSol = pav_EntTyp2SolTyp(t, nullptr);
      if (!keepOld && nf.nbrOld > 0) {
        int nu = 0;
        pav_GetSurfaceSolutionFromVolumeSolution(deg, volSol, vs->data, w, surfType, nf.nbrOld,
                                                 nf.oldLnk.data(), rec->data, &nu, status);
        unlinked = nu;
        anyOld = true;
      }
      if (nbrNew > 0) {
        double *cv = pav_GetCreatedSurfaceSolutionFromVolumeSolution(
            deg, volSol, vs->data, w, surfType, nbrNew, nf.lnk.data(), status);
        if (cv) {
          for (int32_t j = 1; j <= nbrNew; j++) {
            if (pav_ElementType(pav_ElementKind(nf.lnk[3 * (j - 1)]), 1) !=
                pav_ElementType(pav_ElementKind(t), 1))
              continue;
            memcpy(rec->data + (int64_t(nf.nbrOld) + j) * stride, cv + int64_t(j) * stride,
                   sizeof(double) * stride);
          }
          free(cv);
        }
      }
    }
    if (nbrNew > 0)
      printf("%d missing Solutions at %s from volumes are added \n \n", nbrNew, label);
    if (anyOld) {
      printf("%d missing Solutions at %s are added \n \n", nf.nbrOld, label);
      if (unlinked)
        printf("\n  Warning: For %d surfaces, no volume found, values set to zero \n \n", unlinked);
    }
    newRec[r] = rec;
  }
  // Replace the surface list by the completed records, in the same order.
  pav_FreeSolutionList(obj->ent[surfType].sol);
  obj->ent[surfType].sol = nullptr;
  for (int r = nbrRec - 1; r >= 0; r--)
    if (newRec[r]) {
      char status[PAV_STATUS_SIZE];
      if (pav_PushSolution(obj, surfSol, newRec[r], status) != PAV_SUCCESS)
        pav_FreeSolutionList(newRec[r]);
    }
}

} // namespace

int checksurfMesh(int write, PavObject *obj, const char *meshName, const char *solName) {
  if (!obj || obj->ent[Vertices].nbr < 1) {
    printf("checksurfMesh : Mesh with no vertices\n");
    return PAV_FAILURE;
  }
  char status[PAV_STATUS_SIZE] = "";
  for (int d = 1; d <= 4; d++) {
    const int volTypes[4] = {pav_ElementType(PavKindTetrahedron, d),
                             pav_ElementType(PavKindPyramid, d), pav_ElementType(PavKindPrism, d),
                             pav_ElementType(PavKindHexahedron, d)};
    int64_t nbrVol = 0, invalid = 0;
    for (int t : volTypes) {
      nbrVol += std::max(0, obj->ent[t].nbr);
      invalid += pav_CountInvalidEntities(obj, t);
    }
    if (nbrVol == 0) continue;
    if (invalid) printf(" %d topologically invalid entities are filtered !\n", int(invalid));
    const int surfTypes[2] = {pav_ElementType(PavKindTriangle, d),
                              pav_ElementType(PavKindQuadrilateral, d)};
    NewFaces nf[2];
    for (int s = 0; s < 2; s++) {
      nf[s].nbrOld = std::max(0, obj->ent[surfTypes[s]].nbr);
      nf[s].oldLnk.assign(6 * (size_t(nf[s].nbrOld) + 1), 0);
    }
    for (int t : volTypes) {
      if (obj->ent[t].nbr < 1) continue;
      int nt = 0, nq = 0, pt = 0, pq = 0, *tn = nullptr, *tl = nullptr, *qn = nullptr,
          *ql = nullptr;
      if (pav_BuildBoundarySurface(obj, t, &nt, &tn, &tl, nf[0].oldLnk.data(), &pt, &nq, &qn, &ql,
                                   nf[1].oldLnk.data(), &pq, status) != PAV_SUCCESS) {
        printf("%s", status);
        continue;
      }
      for (int s = 0; s < 2; s++) {
        const int n = s ? nq : nt, per = s ? pq : pt;
        const int *nod = s ? qn : tn, *lnk = s ? ql : tl;
        nf[s].nod.insert(nf[s].nod.end(), nod, nod + int64_t(n) * per);
        nf[s].lnk.insert(nf[s].lnk.end(), lnk, lnk + 3 * int64_t(n));
        for (int j = 0; j < n; j++) {
          const int32_t i = lnk[3 * j + 1];
          nf[s].ref.push_back(obj->ent[t].ref ? obj->ent[t].ref[i] : 0);
        }
      }
      free(tn);
      free(tl);
      free(qn);
      free(ql);
    }
    for (int s = 0; s < 2; s++) {
      const int st = surfTypes[s];
      const int32_t n = static_cast<int32_t>(nf[s].ref.size());
      if (n > 0) {
        if (!growType(obj, st, n, status)) {
          printf("%s", status);
          continue;
        }
        const int per = pav_MshTyp2Siz(st, nullptr);
        std::copy(nf[s].nod.begin(), nf[s].nod.end(),
                  obj->ent[st].idx + (int64_t(nf[s].nbrOld) + 1) * per);
        std::copy(nf[s].ref.begin(), nf[s].ref.end(), obj->ent[st].ref + nf[s].nbrOld + 1);
      }
      printf("%d missing %s faces are added \n \n", n, missingLabel(st));
    }
    for (int s = 0; s < 2; s++)
      if (obj->ent[surfTypes[s]].nbr > 0) completeSolutions(obj, surfTypes[s], nf[s], volTypes);
  }
  pav_FreeReferenceIndex(obj);
  if (write) {
    writeAndSummarise(obj, meshName);
    if (solName && *solName) {
      char st[2 * PAV_STATUS_SIZE] = "";
      const int rc = gWriteSolution(obj, solName, -1, st);
      if (rc == PAV_SUCCESS)
        printf("  %%%% Solution written in %s\n", solName);
      else
        printf(" pav_WriteSolution failed error %3d : %s\n", rc, st);
    }
  }
  return PAV_SUCCESS;
}
