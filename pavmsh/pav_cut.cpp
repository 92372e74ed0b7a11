// Cut detection computes each vertex's side once (a byte per vertex) and then counts the sides of
// each entity's nodes. Large types go through the worker pool: one loop over the vertices, one
// over the entities with a list per worker, concatenated in worker order so the result stays in
// increasing order.
#include "pav_cut.h"

#include "pav_hash.h"
#include "pav_list.h"
#include "pav_parallel.h"
#include "pav_topology.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

inline bool planeOk(const double p[4]) {
  return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]) && std::isfinite(p[3]);
}

inline int8_t sideOf(const double *pl, const double *x) {
  return pl[0] * x[0] + pl[1] * x[1] + pl[2] * x[2] + pl[3] > 0 ? 1 : -1;
}

void computeSides(const PavObject *obj, const double *pl, int32_t first, int32_t last,
                  int8_t *side) {
  if (obj->crdDbl) {
    for (int32_t v = first; v <= last; v++) side[v] = sideOf(pl, obj->crdDbl + 3 * int64_t(v));
  } else {
    for (int32_t v = first; v <= last; v++) {
      const float *f = obj->crdFlt + 3 * int64_t(v);
      const double x[3] = {f[0], f[1], f[2]};
      side[v] = sideOf(pl, x);
    }
  }
}

// The entity is cut: both sides among its nodes; with check, every node must be a vertex.
template <bool Check>
inline bool isCut(const int32_t *nod, int siz, const int8_t *side, int32_t nbrVer) {
  int pos = 0, neg = 0;
  for (int m = 0; m < siz; m++) {
    const int32_t v = nod[m];
    if (Check && (v < 1 || v > nbrVer)) return false;
    if (side[v] > 0)
      pos++;
    else
      neg++;
  }
  return pos > 0 && neg > 0;
}

struct ParallelCut {
  const PavObject *obj;
  const double *plane;
  int8_t *side;
  const int32_t *idx;
  int siz;
  int32_t nbrVer;
  bool check;
  PavIntList *lists[SCHED_MAX_THREADS];
};

void sidesBlock(int32_t first, int32_t last, int32_t, void *arg) {
  ParallelCut *a = static_cast<ParallelCut *>(arg);
  computeSides(a->obj, a->plane, first, last, a->side);
}

void entitiesBlock(int32_t first, int32_t last, int32_t worker, void *arg) {
  ParallelCut *a = static_cast<ParallelCut *>(arg);
  PavIntList *list = nullptr;
  for (int32_t i = first; i <= last; i++) {
    const int32_t *nod = a->idx + int64_t(i) * a->siz;
    const bool cut = a->check ? isCut<true>(nod, a->siz, a->side, a->nbrVer)
                              : isCut<false>(nod, a->siz, a->side, a->nbrVer);
    if (cut) list = pav_AddToIntList(list, i);
  }
  a->lists[worker] = list;
}

int cutEntities(const PavObject *obj, const double plane[4], int type, int *nbrCutEnt,
                int **lstCutEnt, char *status, bool check) {
  if (nbrCutEnt) *nbrCutEnt = 0;
  if (lstCutEnt) *lstCutEnt = nullptr;
  if (!obj) return pav_Fail(status, PAV_CUT_MSG_NULL_OBJECT);
  if (!status) return PAV_FAILURE;
  if (!nbrCutEnt) return pav_Fail(status, PAV_CUT_MSG_NULL_NBR);
  if (!lstCutEnt) return pav_Fail(status, PAV_CUT_MSG_NULL_LST);
  if (!plane) return pav_Fail(status, "NULL (plane)        parameter on input\n");
  if (!pav_IsElementType(type))
    return pav_Fail(status, " pav_GetCutEntities is undefined for Typ %d !\n", type);
  const PavEntitySet &es = obj->ent[type];
  const int32_t nbrVer = obj->ent[Vertices].nbr;
  if (es.nbr < 1 || !es.idx || nbrVer < 1 || (!obj->crdDbl && !obj->crdFlt) || !planeOk(plane))
    return PAV_SUCCESS;
  const int siz = pav_KindNbrNod(pav_ElementKind(type), pav_ElementDegree(type));
  int8_t *side = static_cast<int8_t *>(malloc(static_cast<size_t>(nbrVer) + 1));
  if (!side)
    return pav_Fail(status, "Allocation failed for side-arrays, size %lg Mb\n",
                    pav_BytesToMb(static_cast<size_t>(nbrVer) + 1));
  side[0] = -1;

  if (es.nbr > PAV_CUT_PARALLEL_THRESHOLD) {
    PavScheduler *sched = sched_Create(sched_CoreCount());
    ParallelCut *arg = static_cast<ParallelCut *>(calloc(1, sizeof(ParallelCut)));
    if (!sched || !arg) {
      pav_Fatal("Error while launching the parallel loop to count number of cut entities. ");
    }
    *arg = ParallelCut{obj, plane, side, es.idx, siz, nbrVer, check, {}};
    const int verSet = sched_NewSet(sched, nbrVer);
    if (verSet && sched_Run(sched, verSet, 0, sidesBlock, arg) > 0) {
      // sides done in parallel
    } else {
      computeSides(obj, plane, 1, nbrVer, side);
    }
    const int entSet = sched_NewSet(sched, es.nbr);
    if (!entSet || sched_Run(sched, entSet, 0, entitiesBlock, arg) <= 0) {
      pav_Fatal("Error while launching the parallel loop to count number of cut entities. ");
    }
    const int nw = sched_ThreadCount(sched);
    int64_t total = 0;
    for (int w = 0; w < nw; w++) total += pav_IntListLength(arg->lists[w]);
    int *out = total ? static_cast<int *>(malloc(sizeof(int) * total)) : nullptr;
    int64_t pos = 0;
    for (int w = 0; w < nw; w++) {
      int32_t n = 0;
      int32_t *part = pav_IntListToArray(arg->lists[w], &n);
      if (out && part) memcpy(out + pos, part, sizeof(int) * n);
      pos += n;
      free(part);
      pav_FreeIntList(arg->lists[w]);
    }
    free(arg);
    sched_Destroy(sched);
    free(side);
    if (total && !out)
      return pav_Fail(status, "Allocation failed for cut-arrays, size %lg Mb\n",
                      pav_BytesToMb(sizeof(int) * total));
    *nbrCutEnt = static_cast<int>(total);
    *lstCutEnt = out;
    return PAV_SUCCESS;
  }

  computeSides(obj, plane, 1, nbrVer, side);
  // One pass into a list sized for every entity: only the pages of cut entries are touched, and
  // the list is shrunk to its length afterwards.
  int *out = static_cast<int *>(malloc(sizeof(int) * size_t(es.nbr)));
  if (!out) {
    free(side);
    return pav_Fail(status, "Allocation failed for cut-arrays, size %lg Mb\n",
                    pav_BytesToMb(sizeof(int) * size_t(es.nbr)));
  }
  int32_t count = 0;
  if (check)
    for (int32_t i = 1; i <= es.nbr; i++) {
      if (isCut<true>(es.idx + int64_t(i) * siz, siz, side, nbrVer)) out[count++] = i;
    }
  else
    for (int32_t i = 1; i <= es.nbr; i++) {
      if (isCut<false>(es.idx + int64_t(i) * siz, siz, side, nbrVer)) out[count++] = i;
    }
  if (count) {
    int *shrunk = static_cast<int *>(realloc(out, sizeof(int) * size_t(count)));
    *lstCutEnt = shrunk ? shrunk : out;
    *nbrCutEnt = count;
  } else {
    free(out);
  }
  free(side);
  return PAV_SUCCESS;
}

} // namespace

int pav_GetCutEntities(const PavObject *obj, const double plane[4], int type, int *nbrCutEnt,
                       int **lstCutEnt, char *status) {
  return cutEntities(obj, plane, type, nbrCutEnt, lstCutEnt, status, true);
}

int pav_GetCutEntitiesPlain(const PavObject *obj, const double plane[4], int type, int *nbrCutEnt,
                            int **lstCutEnt, char *status) {
  return cutEntities(obj, plane, type, nbrCutEnt, lstCutEnt, status, false);
}

double *pav_GetCutBlockBoxes(const PavObject *obj, int type, int32_t *nbrBlocks) {
  if (nbrBlocks) *nbrBlocks = 0;
  if (!obj || !nbrBlocks || !pav_IsElementType(type)) return nullptr;
  const PavEntitySet &es = obj->ent[type];
  const int32_t nbrVer = obj->ent[Vertices].nbr;
  if (es.nbr < 1 || !es.idx || nbrVer < 1 || (!obj->crdDbl && !obj->crdFlt)) return nullptr;
  const int siz = pav_KindNbrNod(pav_ElementKind(type), pav_ElementDegree(type));
  const int32_t n = (es.nbr + PAV_CUT_BLOCK - 1) / PAV_CUT_BLOCK;
  double *box = static_cast<double *>(malloc(sizeof(double) * 6 * size_t(n)));
  if (!box) return nullptr;
  for (int32_t b = 0; b < n; b++) {
    double *bx = box + 6 * int64_t(b);
    for (int c = 0; c < 3; c++) bx[c] = HUGE_VAL, bx[3 + c] = -HUGE_VAL;
    const int32_t first = 1 + b * PAV_CUT_BLOCK, last = std::min(es.nbr, first + PAV_CUT_BLOCK - 1);
    for (int64_t k = int64_t(first) * siz; k < (int64_t(last) + 1) * siz; k++) {
      const int32_t v = es.idx[k];
      if (v < 1 || v > nbrVer) {
        std::fill(bx, bx + 6, NAN);
        break;
      }
      for (int c = 0; c < 3; c++) {
        const double x =
            obj->crdDbl ? obj->crdDbl[3 * int64_t(v) + c] : obj->crdFlt[3 * int64_t(v) + c];
        bx[c] = std::min(bx[c], x), bx[3 + c] = std::max(bx[3 + c], x);
      }
    }
  }
  *nbrBlocks = n;
  return box;
}

int pav_GetCutEntitiesInBlocks(const PavObject *obj, const double plane[4], int type,
                               int32_t nbrBlocks, const double *boxes, int *nbrCutEnt,
                               int **lstCutEnt, char *status) {
  const PavEntitySet *es = obj && pav_IsElementType(type) ? &obj->ent[type] : nullptr;
  if (!es || !boxes || es->nbr < 1 || !es->idx || !nbrCutEnt || !lstCutEnt || !plane ||
      !planeOk(plane) || nbrBlocks != (es->nbr + PAV_CUT_BLOCK - 1) / PAV_CUT_BLOCK ||
      obj->ent[Vertices].nbr < 1 || (!obj->crdDbl && !obj->crdFlt))
    return cutEntities(obj, plane, type, nbrCutEnt, lstCutEnt, status, true);
  *nbrCutEnt = 0;
  *lstCutEnt = nullptr;
  if (!status) return PAV_FAILURE;
  const int32_t nbrVer = obj->ent[Vertices].nbr;
  const int siz = pav_KindNbrNod(pav_ElementKind(type), pav_ElementDegree(type));
  auto side = [&](int32_t v) {
    if (obj->crdDbl) return sideOf(plane, obj->crdDbl + 3 * int64_t(v));
    const float *f = obj->crdFlt + 3 * int64_t(v);
    const double x[3] = {f[0], f[1], f[2]};
    return sideOf(plane, x);
  };
  std::vector<int> out;
  for (int32_t b = 0; b < nbrBlocks; b++) {
    // The range of the side value over the box, widened by far more than its rounding: a run is
    // skipped only when every node is surely on one side (NaN bounds never are).
    const double *bx = boxes + 6 * int64_t(b);
    double lo = plane[3], hi = plane[3], mag = std::fabs(plane[3]);
    for (int c = 0; c < 3; c++) {
      const double p = plane[c] * bx[c], q = plane[c] * bx[3 + c];
      lo += std::min(p, q), hi += std::max(p, q);
      mag += std::fabs(plane[c]) * std::max(std::fabs(bx[c]), std::fabs(bx[3 + c]));
    }
    if (lo > 1e-12 * mag || hi < -1e-12 * mag) continue;
    const int32_t first = 1 + b * PAV_CUT_BLOCK,
                  last = std::min(es->nbr, first + PAV_CUT_BLOCK - 1);
    for (int32_t i = first; i <= last; i++) {
      const int32_t *nod = es->idx + int64_t(i) * siz;
      int pos = 0, neg = 0, m = 0;
      for (; m < siz && nod[m] >= 1 && nod[m] <= nbrVer; m++) (side(nod[m]) > 0 ? pos : neg)++;
      if (m == siz && pos > 0 && neg > 0) out.push_back(i); // a node out of range: never cut
    }
  }
  if (out.empty()) return PAV_SUCCESS;
  *lstCutEnt = static_cast<int *>(malloc(sizeof(int) * out.size()));
  if (!*lstCutEnt)
    return pav_Fail(status, "Allocation failed for cut-arrays, size %lg Mb\n",
                    pav_BytesToMb(sizeof(int) * out.size()));
  memcpy(*lstCutEnt, out.data(), sizeof(int) * out.size());
  *nbrCutEnt = static_cast<int>(out.size());
  return PAV_SUCCESS;
}

namespace {

// Items of a header table: item i runs from hdr[2i] to the next item's first entry - 1.
int32_t itemEnd(const int32_t *hdr, int32_t i, int32_t nbrItems, int32_t nbrEntries) {
  return i < nbrItems ? hdr[2 * (i + 1)] - 1 : nbrEntries;
}

} // namespace

int pav_GetCutPolygons(const PavObject *obj, const double plane[4], int *nbrCutPol, int **lstCutPol,
                       int *nbrCutPhd, int **lstCutPhd, char *status) {
  for (int *p : {nbrCutPol, nbrCutPhd})
    if (p) *p = 0;
  for (int **p : {lstCutPol, lstCutPhd})
    if (p) *p = nullptr;
  if (!obj) return pav_Fail(status, PAV_CUT_MSG_NULL_OBJECT);
  if (!status) return PAV_FAILURE;
  if (!nbrCutPol || !nbrCutPhd) return pav_Fail(status, PAV_CUT_MSG_NULL_NBR);
  if (!lstCutPol || !lstCutPhd) return pav_Fail(status, PAV_CUT_MSG_NULL_LST);
  const PavPolygonSet *ps = obj->pol;
  const int32_t nbrVer = obj->ent[Vertices].nbr;
  if (!ps || nbrVer < 1 || !plane || !planeOk(plane) || (!obj->crdDbl && !obj->crdFlt))
    return PAV_SUCCESS;
  std::vector<int8_t> side(static_cast<size_t>(nbrVer) + 1, -1);
  computeSides(obj, plane, 1, nbrVer, side.data());
  // Sides seen among vertices of a range of an entry table: bit 1 positive, bit 2 other.
  auto sidesOf = [&](const int32_t *ver, int32_t first, int32_t last, int32_t nbrEntries) {
    int bits = 0;
    for (int32_t k = std::max(first, 1); k <= last && k <= nbrEntries; k++) {
      const int32_t v = ver[k];
      if (v < 1 || v > nbrVer) return 4;
      bits |= side[v] > 0 ? 1 : 2;
    }
    return bits;
  };
  std::vector<int> pol, phd;
  if (ps->bndHdr && ps->bndVer)
    for (int32_t i = 1; i <= ps->nbrBndPol; i++) {
      const int b = sidesOf(ps->bndVer, ps->bndHdr[2 * i],
                            itemEnd(ps->bndHdr, i, ps->nbrBndPol, ps->nbrBndVer), ps->nbrBndVer);
      if (b == 3) pol.push_back(i);
    }
  if (ps->phdHdr && ps->phdFac && ps->innHdr && ps->innVer)
    for (int32_t i = 1; i <= ps->nbrPolyhedra; i++) {
      int bits = 0;
      const int32_t last = itemEnd(ps->phdHdr, i, ps->nbrPolyhedra, ps->nbrPolyhedraFaces);
      for (int32_t f = std::max(ps->phdHdr[2 * i], 1); f <= last && f <= ps->nbrPolyhedraFaces;
           f++) {
        // In 64 bits: the magnitude of the smallest 32-bit entry does not fit in 32.
        const int64_t magnitude = std::abs((int64_t)ps->phdFac[f]);
        if (magnitude < 1 || magnitude > ps->nbrInnPol) {
          bits = 4;
          break;
        }
        const int32_t p = (int32_t)magnitude;
        bits |= sidesOf(ps->innVer, ps->innHdr[2 * p],
                        itemEnd(ps->innHdr, p, ps->nbrInnPol, ps->nbrInnVer), ps->nbrInnVer);
        if (bits & 4) break;
      }
      if (bits == 3) phd.push_back(i);
    }
  auto copy = [](const std::vector<int> &v, int *n, int **out) {
    if (v.empty()) return true;
    *out = static_cast<int *>(malloc(sizeof(int) * v.size()));
    if (!*out) return false;
    memcpy(*out, v.data(), sizeof(int) * v.size());
    *n = static_cast<int>(v.size());
    return true;
  };
  if (!copy(pol, nbrCutPol, lstCutPol) || !copy(phd, nbrCutPhd, lstCutPhd))
    return pav_Fail(status, "Allocation failed for cut-arrays, size %lg Mb\n",
                    pav_BytesToMb(sizeof(int) * (pol.size() + phd.size())));
  return PAV_SUCCESS;
}

// ---- Faces of a set of entities ----

namespace {

int facesOfEntities(const PavObject *obj, int type, int number, const int *list, bool shell,
                    int *nbrNewTri, int **newTriNod, int **newTriLnk, int *nodPerTri,
                    int *nbrNewQua, int **newQuaNod, int **newQuaLnk, int *nodPerQua,
                    char *status) {
  for (int *p : {nbrNewTri, nodPerTri, nbrNewQua, nodPerQua})
    if (p) *p = 0;
  for (int **p : {newTriNod, newTriLnk, newQuaNod, newQuaLnk})
    if (p) *p = nullptr;
  if (!obj) return pav_Fail(status, PAV_CUT_MSG_NULL_OBJECT);
  if (!status) return PAV_FAILURE;
  if (number < 1 || !list) return PAV_SUCCESS;
  const PavElementKind kind = pav_ElementKind(type);
  if (!pav_IsElementType(type) || pav_KindNbrFaces(kind) == 0)
    return pav_Fail(status, "Type %d is not handled in GetEntityFaces ! \n", type);
  const int degree = pav_ElementDegree(type);
  const int triSiz = pav_KindNbrNod(PavKindTriangle, degree);
  const int count = pav_Count(obj, type);

  PavHashTable *tab = nullptr;
  if (shell) {
    tab = pav_NewHashTable(6 * int64_t(number), 6 * int64_t(number));
    if (!tab) return pav_Fail(status, "Allocation failed for hash-arrays\n");
  }
  int nbrFac = 0, facSiz[PAV_MAX_FACES], facVer[PAV_MAX_FACES][4];
  int32_t key[5];
  // Shell: count every face of the set first. The node of each face met is kept in the order of
  // the faces, so that the second pass reads the counts without hashing the faces again.
  std::vector<PavHashNode *> faceNode;
  if (shell) faceNode.reserve(size_t(number) * size_t(pav_KindNbrFaces(kind)));
  size_t nextFace = 0;
  for (int pass = shell ? 0 : 1; pass < 2; pass++) {
    std::vector<int> triNod, quaNod, triLnk, quaLnk;
    for (int k = 0; k < number; k++) {
      const int i = list[k];
      int full[PAV_MAX_FACES * PAV_FACE_SLOTS], fullSiz[PAV_MAX_FACES];
      const int rc = pass == 0 ? GetEntityFaces(obj, i, type, &nbrFac, facSiz, facVer, nullptr)
                               : GetEntityFaces(obj, i, type, &nbrFac, fullSiz, full, nullptr);
      if (rc != PAV_SUCCESS) {
        if (pass == (shell ? 0 : 1))
          printf("  .... problem id entity %d iEnt %d [0-%d] nbrFac %d \n", k, i, count, nbrFac);
        continue;
      }
      for (int f = 0; f < nbrFac; f++) {
        if (pass == 0) {
          const int n = facSiz[f];
          for (int m = 0; m < n; m++) key[m] = facVer[f][m];
          for (int a = 1; a < n; a++)
            for (int b = a; b > 0 && key[b - 1] > key[b]; b--) std::swap(key[b - 1], key[b]);
          PavHashNode *h = pav_HashFind(tab, n, n, key);
          if (h) {
            h->key[n]++;
          } else {
            key[n] = 1;
            h = pav_HashAdd(tab, n, n + 1, n, key);
          }
          faceNode.push_back(h);
          continue;
        }
        if (shell) {
          const PavHashNode *h = nextFace < faceNode.size() ? faceNode[nextFace++] : nullptr;
          if (h && h->key[h->m] != 1) continue;
        }
        const bool tri = fullSiz[f] == triSiz;
        std::vector<int> &out = tri ? triNod : quaNod;
        out.insert(out.end(), full + f * PAV_FACE_SLOTS, full + f * PAV_FACE_SLOTS + fullSiz[f]);
        std::vector<int> &lnk = tri ? triLnk : quaLnk;
        lnk.push_back(type);
        lnk.push_back(i);
        lnk.push_back(f);
      }
    }
    if (pass == 0) continue;
    pav_FreeHashTable(tab);
    const int nt = static_cast<int>(triLnk.size() / 3), nq = static_cast<int>(quaLnk.size() / 3);
    if (triLnk.size() != 3 * size_t(nt)) printf("error with triangular faces link array\n");
    if (quaLnk.size() != 3 * size_t(nq)) printf("error with quadrilateral faces link array\n");
    auto copy = [](const std::vector<int> &v, int **out) {
      if (!out || v.empty()) return true;
      *out = static_cast<int *>(malloc(sizeof(int) * v.size()));
      if (!*out) return false;
      memcpy(*out, v.data(), sizeof(int) * v.size());
      return true;
    };
    if (!copy(triNod, newTriNod) || !copy(triLnk, newTriLnk) || !copy(quaNod, newQuaNod) ||
        !copy(quaLnk, newQuaLnk)) {
      for (int **p : {newTriNod, newTriLnk, newQuaNod, newQuaLnk})
        if (p) {
          free(*p);
          *p = nullptr;
        }
      return pav_Fail(status, "Allocation failed for face-arrays, size %lg Mb\n",
                      pav_BytesToMb(sizeof(int) * (triNod.size() + quaNod.size())));
    }
    if (nbrNewTri) *nbrNewTri = nt;
    if (nbrNewQua) *nbrNewQua = nq;
    if (nodPerTri) *nodPerTri = nt ? static_cast<int>(triNod.size() / nt) : 0;
    if (nodPerQua) *nodPerQua = nq ? static_cast<int>(quaNod.size() / nq) : 0;
  }
  return PAV_SUCCESS;
}

} // namespace

int pav_GetFacesOfEntities(const PavObject *obj, int type, int number, const int *list,
                           int *nbrNewTri, int **newTriNod, int **newTriLnk, int *nodPerTri,
                           int *nbrNewQua, int **newQuaNod, int **newQuaLnk, int *nodPerQua,
                           char *status) {
  return facesOfEntities(obj, type, number, list, false, nbrNewTri, newTriNod, newTriLnk, nodPerTri,
                         nbrNewQua, newQuaNod, newQuaLnk, nodPerQua, status);
}

int pav_GetShellOfEntities(const PavObject *obj, int type, int number, const int *list,
                           int *nbrNewTri, int **newTriNod, int **newTriLnk, int *nodPerTri,
                           int *nbrNewQua, int **newQuaNod, int **newQuaLnk, int *nodPerQua,
                           char *status) {
  return facesOfEntities(obj, type, number, list, true, nbrNewTri, newTriNod, newTriLnk, nodPerTri,
                         nbrNewQua, newQuaNod, newQuaLnk, nodPerQua, status);
}
