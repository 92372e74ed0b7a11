// Boundary extraction of a structured tetrahedral cube against the sort baseline: sort the
// sorted-vertex keys of every face and keep those met once.
#include "bench_cube.h"
#include "pav_topology.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

PavObject *gCube = nullptr;
PavObject *cube() {
  if (!gCube) gCube = pavo_bench::tetCube(pavo_bench::cellsPerAxis(30));
  return gCube;
}

void BM_BoundaryExtraction(benchmark::State &state) {
  PavObject *obj = cube();
  char status[PAV_STATUS_SIZE];
  int nt = 0;
  for (auto _ : state) {
    int nq, pt, pq, *tn, *tl, *qn, *ql;
    pav_BuildBoundarySurface(obj, Tetrahedra, &nt, &tn, &tl, nullptr, &pt, &nq, &qn, &ql, nullptr,
                             &pq, status);
    free(tn);
    free(tl);
    benchmark::DoNotOptimize(nt);
  }
  state.counters["tets"] = obj->ent[Tetrahedra].nbr;
  state.counters["boundary"] = nt;
}

void BM_BoundarySortBaseline(benchmark::State &state) {
  PavObject *obj = cube();
  static const int faces[4][3] = {{1, 2, 3}, {3, 2, 0}, {3, 0, 1}, {1, 0, 2}};
  size_t boundary = 0;
  for (auto _ : state) {
    const int n = obj->ent[Tetrahedra].nbr;
    std::vector<std::array<int32_t, 3>> keys(size_t(n) * 4);
    for (int i = 1; i <= n; i++) {
      const int32_t *v = obj->ent[Tetrahedra].idx + 4 * i;
      for (int f = 0; f < 4; f++) {
        std::array<int32_t, 3> k = {v[faces[f][0]], v[faces[f][1]], v[faces[f][2]]};
        std::sort(k.begin(), k.end());
        keys[size_t(i - 1) * 4 + f] = k;
      }
    }
    std::sort(keys.begin(), keys.end());
    boundary = 0;
    for (size_t a = 0; a < keys.size();) {
      size_t b = a + 1;
      while (b < keys.size() && keys[b] == keys[a]) b++;
      boundary += (b - a) == 1;
      a = b;
    }
    benchmark::DoNotOptimize(boundary);
  }
  state.counters["boundary"] = double(boundary);
}

BENCHMARK(BM_BoundarySortBaseline)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BoundaryExtraction)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
