// Cut detection and capping of a structured tetrahedral cube by the plane x = 0.5 + epsilon.
// Baselines: a direct scan testing each element's four vertices with no per-vertex side cache,
// and slicing the cut tetrahedra one by one with no split or output handling.
#include "bench_cube.h"
#include "pav_cut.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

namespace {

PavObject *gCube = nullptr;
PavObject *cube() {
  if (!gCube) gCube = pavo_bench::tetCube(pavo_bench::cellsPerAxis(30));
  return gCube;
}
const double kPlane[4] = {1, 0.01, 0.02, -0.5003};

void BM_CutDetection(benchmark::State &state) {
  PavObject *obj = cube();
  char status[PAV_STATUS_SIZE];
  int n = 0;
  for (auto _ : state) {
    int *lst = nullptr;
    pav_GetCutEntities(obj, kPlane, Tetrahedra, &n, &lst, status);
    free(lst);
  }
  state.counters["tets"] = obj->ent[Tetrahedra].nbr;
  state.counters["cut"] = n;
}

void BM_CutDirectScanBaseline(benchmark::State &state) {
  PavObject *obj = cube();
  size_t n = 0;
  for (auto _ : state) {
    std::vector<int> lst;
    const int32_t *idx = obj->ent[Tetrahedra].idx;
    const double *x = obj->crdDbl;
    for (int i = 1; i <= obj->ent[Tetrahedra].nbr; i++) {
      int pos = 0;
      for (int m = 0; m < 4; m++) {
        const double *p = x + 3 * idx[4 * i + m];
        pos += kPlane[0] * p[0] + kPlane[1] * p[1] + kPlane[2] * p[2] + kPlane[3] > 0;
      }
      if (pos > 0 && pos < 4) lst.push_back(i);
    }
    n = lst.size();
    benchmark::DoNotOptimize(lst.data());
  }
  state.counters["cut"] = double(n);
}

void BM_Capping(benchmark::State &state) {
  PavObject *obj = cube();
  char status[PAV_STATUS_SIZE];
  int n = 0, *lst = nullptr;
  pav_GetCutEntities(obj, kPlane, Tetrahedra, &n, &lst, status);
  int nt = 0;
  for (auto _ : state) {
    int nq, *tl, *ql;
    double *tc, *ta, *qc, *qa;
    pav_capping(obj, kPlane, Tetrahedra, n, lst, &nt, &tc, &ta, &tl, &nq, &qc, &qa, &ql, status);
    free(tc);
    free(ta);
    free(tl);
  }
  free(lst);
  state.counters["triangles"] = nt;
}

void BM_CappingSliceOnlyBaseline(benchmark::State &state) {
  PavObject *obj = cube();
  char status[PAV_STATUS_SIZE];
  int n = 0, *lst = nullptr;
  pav_GetCutEntities(obj, kPlane, Tetrahedra, &n, &lst, status);
  const double aux[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  size_t tris = 0;
  for (auto _ : state) {
    tris = 0;
    double tc[18], ta[24], crd[4][3];
    for (int k = 0; k < n; k++) {
      const int32_t *v = obj->ent[Tetrahedra].idx + 4 * lst[k];
      for (int m = 0; m < 4; m++)
        for (int c = 0; c < 3; c++) crd[m][c] = obj->crdDbl[3 * v[m] + c];
      tris += pav_Cappingtet(kPlane, crd, aux, tc, ta);
    }
    benchmark::DoNotOptimize(tris);
  }
  free(lst);
  state.counters["triangles"] = double(tris);
}

BENCHMARK(BM_CutDirectScanBaseline)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_CutDetection)->Unit(benchmark::kMillisecond)->Iterations(5)->MeasureProcessCPUTime();
BENCHMARK(BM_CappingSliceOnlyBaseline)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Capping)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
