// Conversion of a degree-10 hexahedral field (1331 nodes, a scalar and a metric: 7 reals a node)
// given at NodesPositions, for PAVO_BENCH_ELEMENTS elements (default 1): the uniform nodes in a
// shuffled order (a permutation) and clustered positions (one LU factorisation, then two products
// over every entity). Baseline in the same run: the equilibrated LAPACK LU factorisation (dgeequ,
// dgetrf) of a random matrix of the same size, the least any solving conversion costs per keyword.
#include "ho_lattice.h"
#include "pav_io.h"
#include "pav_lapack.h"
#include "pav_solution.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <random>
#include <vector>

namespace {

constexpr int kDegree = 10;

int elementCount() {
  const char *s = std::getenv("PAVO_BENCH_ELEMENTS");
  const int n = s ? std::atoi(s) : 0;
  return n > 0 ? n : 1;
}

// Hexahedron positions: the uniform nodes shuffled, moved towards the faces when clustered.
std::vector<double> positions(bool clustered) {
  const int m = int(hoNodeCount(HoHexahedron, kDegree));
  const double *u = hoNodeRefCoords(HoHexahedron, kDegree);
  std::vector<int> order(m);
  std::iota(order.begin(), order.end(), 0);
  std::shuffle(order.begin(), order.end(), std::mt19937(3));
  std::vector<double> p;
  for (int i = 0; i < m; i++)
    for (int c = 0; c < 3; c++) {
      const double x = u[3 * order[i] + c];
      p.push_back(clustered ? (1 - std::cos(M_PI * x)) / 2 : x);
    }
  return p;
}

void convert(benchmark::State &state, bool clustered) {
  const int m = int(hoNodeCount(HoHexahedron, kDegree)), n = elementCount();
  const std::vector<double> pos = positions(clustered);
  char status[PAV_STATUS_SIZE];
  PavSolution *scalar = pav_NewSolutionRecord(3, PavSolScalar, n, kDegree, m, status);
  PavSolution *metric = pav_NewSolutionRecord(3, PavSolSymMatrix, n, kDegree, m, status);
  PavSolution *recs[] = {scalar, metric};
  std::mt19937 rng(1);
  std::uniform_real_distribution<double> v(-1, 1);
  for (PavSolution *r : recs)
    for (int64_t k = 0; k < int64_t(n + 1) * m * pav_SolKindSize(3, r->kind); k++)
      r->data[k] = v(rng);
  for (auto _ : state)
    if (pav_ConvertNodesPositions(PavKindHexahedron, kDegree, pos.data(), recs, 2, 3, status) !=
        PAV_SUCCESS)
      state.SkipWithError(status);
  pav_FreeSolutionList(scalar);
  pav_FreeSolutionList(metric);
  state.counters["elements"] = n;
}

void BM_PermutedHexDegree10(benchmark::State &state) { convert(state, false); }
void BM_ClusteredHexDegree10(benchmark::State &state) { convert(state, true); }

void BM_BaselineLuOfSameSize(benchmark::State &state) {
  const int m = int(hoNodeCount(HoHexahedron, kDegree));
  std::vector<double> a(size_t(m) * m);
  std::mt19937 rng(2);
  std::uniform_real_distribution<double> v(-1, 1);
  for (double &x : a) x = v(rng);
  char status[PAV_STATUS_SIZE];
  PavLuFactors f;
  for (auto _ : state)
    if (pav_LuFactorize(m, a.data(), &f, status) != PAV_SUCCESS) state.SkipWithError(status);
}

BENCHMARK(BM_BaselineLuOfSameSize)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PermutedHexDegree10)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ClusteredHexDegree10)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
