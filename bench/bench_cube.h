// A structured cube of first-order tetrahedra (six per cell around the cell diagonal) for the
// benchmarks; the cell count per axis comes from PAVO_BENCH_N (default given by the caller).
#pragma once

#include "pav_object.h"

#include <cstdlib>

namespace pavo_bench {

inline int cellsPerAxis(int fallback) {
  const char *s = std::getenv("PAVO_BENCH_N");
  const int n = s ? std::atoi(s) : 0;
  return n > 0 ? n : fallback;
}

inline PavObject *tetCube(int n) {
  PavObject *obj = nullptr;
  char status[PAV_STATUS_SIZE];
  pav_NewInterface(&obj);
  obj->dim = 3;
  const int s = n + 1;
  pav_AllocEntityArrays(obj, Vertices, s * s * s, status);
  auto id = [s](int i, int j, int k) { return (i * s + j) * s + k + 1; };
  for (int i = 0; i <= n; i++)
    for (int j = 0; j <= n; j++)
      for (int k = 0; k <= n; k++) {
        double *x = obj->crdDbl + 3 * id(i, j, k);
        x[0] = double(i) / n;
        x[1] = double(j) / n;
        x[2] = double(k) / n;
      }
  pav_AllocEntityArrays(obj, Tetrahedra, 6 * n * n * n, status);
  const int t[6][4] = {{0, 1, 2, 6}, {0, 2, 3, 6}, {0, 3, 7, 6},
                       {0, 7, 4, 6}, {0, 4, 5, 6}, {0, 5, 1, 6}};
  int32_t *idx = obj->ent[Tetrahedra].idx + 4;
  for (int i = 0; i < n; i++)
    for (int j = 0; j < n; j++)
      for (int k = 0; k < n; k++) {
        const int c[8] = {
            id(i, j, k),     id(i + 1, j, k),     id(i + 1, j + 1, k),     id(i, j + 1, k),
            id(i, j, k + 1), id(i + 1, j, k + 1), id(i + 1, j + 1, k + 1), id(i, j + 1, k + 1)};
        for (const auto &q : t)
          for (int m = 0; m < 4; m++) *idx++ = c[q[m]];
      }
  for (int i = 1; i <= 6 * n * n * n; i++) obj->ent[Tetrahedra].ref[i] = 1;
  return obj;
}

} // namespace pavo_bench
