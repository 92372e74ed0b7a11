// Cells hold their items in one compressed array (counting sort by cell). The grid depth is
// chosen for about four items per cell, capped so the grid stays within 2^21 cells. The search
// is a breadth-first walk over face neighbours that only enters cells whose box is closer than
// the best distance found so far; the cells meeting a ball form a face-connected set, so nothing
// closer is missed.
#include "pav_octree.h"

#include "pav_status.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

struct ThreadScratch {
  uint32_t stamp;
  uint32_t *mark; // per cell: the stamp of the last query that queued it
  int32_t *queue; // cells of the current query
};

template <class T> T *allocOrDie(size_t n) {
  T *p = static_cast<T *>(calloc(n ? n : 1, sizeof(T)));
  if (!p) pav_Fatal("Octree: allocation failed\n");
  return p;
}

} // namespace

struct PavOctree {
  double org[3];
  double cell; // edge length of a cell
  int level;
  int32_t side; // 2^level
  int32_t nbrCells;
  int nbrThreads;
  int32_t nbrVer;
  const double *crd; // vertex 1 at crd[0]
  int64_t stride;
  int32_t *cellStart; // nbrCells + 1
  int32_t *items;     // vertex numbers by cell
  ThreadScratch *scratch;
};

namespace {

inline int32_t clampCell(double x, double org, double cell, int32_t side) {
  const double c = std::floor((x - org) / cell);
  if (!(c >= 0)) return 0; // also NaN
  if (c >= side) return side - 1;
  return static_cast<int32_t>(c);
}

inline int32_t cellOf(const PavOctree *o, const double *p) {
  const int32_t i = clampCell(p[0], o->org[0], o->cell, o->side);
  const int32_t j = clampCell(p[1], o->org[1], o->cell, o->side);
  const int32_t k = clampCell(p[2], o->org[2], o->cell, o->side);
  return (i * o->side + j) * o->side + k;
}

inline double boxDist2(const PavOctree *o, int32_t c, const double *p) {
  const int32_t k = c % o->side, j = (c / o->side) % o->side, i = c / (o->side * o->side);
  const int32_t ijk[3] = {i, j, k};
  double d2 = 0;
  for (int a = 0; a < 3; a++) {
    const double lo = o->org[a] + ijk[a] * o->cell, hi = lo + o->cell;
    const double d = p[a] < lo ? lo - p[a] : (p[a] > hi ? p[a] - hi : 0.0);
    d2 += d * d;
  }
  return d2;
}

} // namespace

PavOctree *pav_NewOctree(int32_t nbrVer, const double *firstCrd, const double *lastCrd,
                         int nbrThreads) {
  PavOctree *o = allocOrDie<PavOctree>(1);
  o->nbrThreads = std::max(1, std::min(64, nbrThreads));
  o->nbrVer = (nbrVer > 0 && firstCrd) ? nbrVer : 0;
  o->crd = firstCrd;
  o->stride = 3;
  if (o->nbrVer > 1 && lastCrd)
    o->stride = std::max<int64_t>(3, (lastCrd - firstCrd) / (nbrVer - 1));

  double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
  for (int32_t v = 0; v < o->nbrVer; v++) {
    const double *p = firstCrd + v * o->stride;
    for (int a = 0; a < 3; a++) {
      if (!std::isfinite(p[a])) continue;
      if (v == 0 || p[a] < lo[a]) lo[a] = p[a];
      if (v == 0 || p[a] > hi[a]) hi[a] = p[a];
    }
  }
  double len = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
  if (!(len > 0) || !std::isfinite(len)) len = 1.0;
  int level = 0;
  while (level < 7 && (int64_t(1) << (3 * level)) * 4 < o->nbrVer) level++;
  o->level = level;
  o->side = int32_t(1) << level;
  o->nbrCells = o->side * o->side * o->side;
  for (int a = 0; a < 3; a++) o->org[a] = lo[a];
  o->cell = len * (1.0 + 1e-12) / o->side;

  o->cellStart = allocOrDie<int32_t>(static_cast<size_t>(o->nbrCells) + 1);
  o->items = allocOrDie<int32_t>(static_cast<size_t>(o->nbrVer));
  int32_t *cellOfVer = allocOrDie<int32_t>(static_cast<size_t>(o->nbrVer));
  for (int32_t v = 0; v < o->nbrVer; v++) {
    cellOfVer[v] = cellOf(o, firstCrd + v * o->stride);
    o->cellStart[cellOfVer[v] + 1]++;
  }
  for (int32_t c = 0; c < o->nbrCells; c++) o->cellStart[c + 1] += o->cellStart[c];
  int32_t *fill = allocOrDie<int32_t>(static_cast<size_t>(o->nbrCells));
  for (int32_t v = 0; v < o->nbrVer; v++)
    o->items[o->cellStart[cellOfVer[v]] + fill[cellOfVer[v]]++] = v + 1;
  free(fill);
  free(cellOfVer);

  o->scratch = allocOrDie<ThreadScratch>(o->nbrThreads);
  for (int t = 0; t < o->nbrThreads; t++) {
    o->scratch[t].mark = allocOrDie<uint32_t>(o->nbrCells);
    o->scratch[t].queue = allocOrDie<int32_t>(o->nbrCells);
  }
  return o;
}

void pav_FreeOctree(PavOctree *o) {
  if (!o) return;
  for (int t = 0; t < o->nbrThreads; t++) {
    free(o->scratch[t].mark);
    free(o->scratch[t].queue);
  }
  free(o->scratch);
  free(o->cellStart);
  free(o->items);
  free(o);
}

int32_t pav_OctreeNearest(PavOctree *o, int kind, const double p[3], double *dist, double maxDist,
                          PavOctreeFilter filter, void *filterArg, int thread) {
  if (dist) *dist = 0;
  if (!o || !p || kind != PAV_OCTREE_VERTEX || thread < 0 || thread >= o->nbrThreads) return 0;
  double best2 = maxDist > 0 ? maxDist * maxDist : DBL_MAX;
  int32_t best = 0;
  if (o->nbrVer == 0) return 0;
  ThreadScratch &s = o->scratch[thread];
  if (++s.stamp == 0) {
    memset(s.mark, 0, sizeof(uint32_t) * o->nbrCells);
    s.stamp = 1;
  }
  int32_t head = 0, tail = 0;
  const int32_t start = cellOf(o, p);
  s.queue[tail++] = start;
  s.mark[start] = s.stamp;
  const int32_t side = o->side;
  while (head < tail) {
    const int32_t c = s.queue[head++];
    for (int32_t q = o->cellStart[c]; q < o->cellStart[c + 1]; q++) {
      const int32_t v = o->items[q];
      const double *x = o->crd + (v - 1) * o->stride;
      const double d2 = (x[0] - p[0]) * (x[0] - p[0]) + (x[1] - p[1]) * (x[1] - p[1]) +
                        (x[2] - p[2]) * (x[2] - p[2]);
      if (d2 < best2 && (!filter || filter(v, filterArg))) {
        best2 = d2;
        best = v;
      }
    }
    const int32_t k = c % side, j = (c / side) % side, i = c / (side * side);
    const int32_t nb[6] = {i > 0 ? c - side * side : -1, i < side - 1 ? c + side * side : -1,
                           j > 0 ? c - side : -1,        j < side - 1 ? c + side : -1,
                           k > 0 ? c - 1 : -1,           k < side - 1 ? c + 1 : -1};
    for (int32_t n : nb) {
      if (n < 0 || s.mark[n] == s.stamp) continue;
      if (boxDist2(o, n, p) < best2) {
        s.mark[n] = s.stamp;
        s.queue[tail++] = n;
      }
    }
  }
  if (dist && best) *dist = std::sqrt(best2);
  return best;
}
