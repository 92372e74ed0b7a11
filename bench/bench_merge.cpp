// Merging coincident vertices: PAVO_BENCH_VERTICES vertices (default 100000) of which 10 % are
// copies of others, against two baselines: sorting the vertices by their exact positions and
// counting the distinct ones, and sorting their quantised coordinates (21 bits an axis packed in
// one 64-bit key) and counting the distinct keys.
#include "pav_modify.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <random>
#include <vector>

namespace {

int vertexCount() {
  const char *s = std::getenv("PAVO_BENCH_VERTICES");
  const int n = s ? std::atoi(s) : 0;
  return n > 0 ? n : 100000;
}

std::vector<double> points() {
  const int n = vertexCount(), unique = n - n / 10;
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> u(0, 1);
  std::vector<double> p(3 * size_t(n + 1), 0);
  for (int v = 1; v <= unique; v++)
    for (int c = 0; c < 3; c++) p[3 * v + c] = u(rng);
  std::uniform_int_distribution<int> pick(1, unique);
  for (int v = unique + 1; v <= n; v++) {
    const int w = pick(rng);
    for (int c = 0; c < 3; c++) p[3 * v + c] = p[3 * w + c];
  }
  return p;
}

const std::vector<double> &cloud() {
  static const std::vector<double> p = points();
  return p;
}

void BM_MergeVertices(benchmark::State &state) {
  const std::vector<double> &p = cloud();
  const int n = vertexCount();
  char status[PAV_STATUS_SIZE];
  int left = 0;
  for (auto _ : state) {
    state.PauseTiming();
    PavObject *obj = nullptr;
    pav_NewInterface(&obj);
    obj->dim = 3;
    pav_AllocEntityArrays(obj, Vertices, n, status);
    std::copy(p.begin(), p.end(), obj->crdDbl);
    state.ResumeTiming();
    pav_MergeVertices(obj, nullptr, status);
    left = obj->ent[Vertices].nbr;
    state.PauseTiming();
    pav_DeleteInterface(&obj);
    state.ResumeTiming();
  }
  state.counters["vertices"] = n;
  state.counters["left"] = left;
}

void BM_MergeSortBaseline(benchmark::State &state) {
  const std::vector<double> &p = cloud();
  const int n = vertexCount();
  size_t distinct = 0;
  for (auto _ : state) {
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 1);
    auto less = [&](int a, int b) {
      return std::lexicographical_compare(&p[3 * a], &p[3 * a + 3], &p[3 * b], &p[3 * b + 3]);
    };
    std::sort(order.begin(), order.end(), less);
    distinct = n ? 1 : 0;
    for (int k = 1; k < n; k++) distinct += less(order[k - 1], order[k]);
    benchmark::DoNotOptimize(distinct);
  }
  state.counters["left"] = double(distinct);
}

void BM_MergeQuantisedSortBaseline(benchmark::State &state) {
  const std::vector<double> &p = cloud();
  const int n = vertexCount();
  double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
  for (int v = 1; v <= n; v++)
    for (int c = 0; c < 3; c++)
      lo[c] = std::min(lo[c], p[3 * v + c]), hi[c] = std::max(hi[c], p[3 * v + c]);
  size_t distinct = 0;
  for (auto _ : state) {
    std::vector<uint64_t> keys(n);
    for (int v = 1; v <= n; v++) {
      uint64_t k = 0;
      for (int c = 0; c < 3; c++) {
        const double t = hi[c] > lo[c] ? (p[3 * v + c] - lo[c]) / (hi[c] - lo[c]) : 0;
        k = (k << 21) | uint64_t(t * 2097151.0);
      }
      keys[v - 1] = k;
    }
    std::sort(keys.begin(), keys.end());
    distinct = size_t(std::unique(keys.begin(), keys.end()) - keys.begin());
    benchmark::DoNotOptimize(distinct);
  }
  state.counters["left"] = double(distinct);
}

BENCHMARK(BM_MergeQuantisedSortBaseline)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MergeSortBaseline)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MergeVertices)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
