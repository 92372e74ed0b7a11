// Lagrange-to-Bezier conversion of large fields and the pointwise evaluators. The baseline of the
// conversion is a dense matrix-vector product of the element's size per element over the same
// data (what a kernel without the sparsity of the inverse would cost); the baseline of an
// evaluator is the plain Bernstein sum over precomputed basis values.
#include "ho_bezier.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr int64_t NBR_ELT = 1000000;

// A field on nbrElt elements of npe nodes each; neighbouring elements share their first node so
// that the "done" bookkeeping is exercised, the rest are private.
struct Field {
  std::vector<float> values;
  std::vector<int32_t> nodes;
  Field(int npe, int64_t nbrElt) {
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    const int64_t nbrNod = nbrElt * (npe - 1) + 1;
    values.resize(nbrNod);
    for (float &v : values) v = dist(rng);
    nodes.resize(nbrElt * npe);
    int64_t next = 1;
    for (int64_t e = 0; e < nbrElt; ++e) {
      nodes[e * npe] = static_cast<int32_t>(e == 0 ? 0 : nodes[(e - 1) * npe + 1]);
      for (int i = 1; i < npe; ++i) nodes[e * npe + i] = static_cast<int32_t>(next++);
    }
  }
};

void convert(benchmark::State &state, HoKind kind, int degree) {
  const int npe = static_cast<int>(hoNodeCount(kind, degree));
  Field f(npe, NBR_ELT);
  std::vector<float> work(f.values.size());
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(work.data(), f.values.data(), work.size() * sizeof(float));
    state.ResumeTiming();
    LagrangeToBezier(static_cast<int64_t>(work.size()), degree, work.data(), 1, NBR_ELT,
                     f.nodes.data(), npe);
    benchmark::DoNotOptimize(work.data());
  }
  state.SetItemsProcessed(state.iterations() * NBR_ELT);
}

// The same gather and scatter with a dense n x n product per element.
void denseBaseline(benchmark::State &state, HoKind kind, int degree) {
  const int npe = static_cast<int>(hoNodeCount(kind, degree));
  Field f(npe, NBR_ELT);
  std::vector<double> m(static_cast<size_t>(npe) * npe);
  for (size_t i = 0; i < m.size(); ++i) m[i] = 1.0 / (1.0 + double(i % 7));
  std::vector<float> work(f.values.size());
  double in[64], out[64];
  for (auto _ : state) {
    for (int64_t e = 0; e < NBR_ELT; ++e) {
      const int32_t *nodes = f.nodes.data() + e * npe;
      for (int i = 0; i < npe; ++i) in[i] = f.values[nodes[i]];
      for (int r = 0; r < npe; ++r) {
        double s = 0;
        for (int c = 0; c < npe; ++c) s += m[r * npe + c] * in[c];
        out[r] = s;
      }
      for (int i = 0; i < npe; ++i) work[nodes[i]] = float(out[i]);
    }
    benchmark::DoNotOptimize(work.data());
  }
  state.SetItemsProcessed(state.iterations() * NBR_ELT);
}

void BM_LagrangeToBezier_TetrahedraP2(benchmark::State &s) { convert(s, HoTetrahedron, 2); }
void BM_DenseBaseline_TetrahedraP2(benchmark::State &s) { denseBaseline(s, HoTetrahedron, 2); }
void BM_LagrangeToBezier_TrianglesP3(benchmark::State &s) { convert(s, HoTriangle, 3); }
void BM_DenseBaseline_TrianglesP3(benchmark::State &s) { denseBaseline(s, HoTriangle, 3); }
BENCHMARK(BM_LagrangeToBezier_TetrahedraP2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DenseBaseline_TetrahedraP2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LagrangeToBezier_TrianglesP3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DenseBaseline_TrianglesP3)->Unit(benchmark::kMillisecond);

// One element's kernel alone, data in cache: the sparse rows against a dense product of the
// element's size.
void kernelOnly(benchmark::State &state, HoKind kind, int degree) {
  const int n = static_cast<int>(hoNodeCount(kind, degree));
  std::vector<double> in(n), out(n);
  for (int i = 0; i < n; ++i) in[i] = 0.1 * i;
  for (auto _ : state) {
    benchmark::DoNotOptimize(in.data());
    hoLagrangeToBezier(kind, degree, in.data(), out.data());
    benchmark::DoNotOptimize(out.data());
  }
}

void denseKernel(benchmark::State &state, HoKind kind, int degree) {
  const int n = static_cast<int>(hoNodeCount(kind, degree));
  std::vector<double> m(static_cast<size_t>(n) * n, 0.5), in(n), out(n);
  for (int i = 0; i < n; ++i) in[i] = 0.1 * i;
  for (auto _ : state) {
    benchmark::DoNotOptimize(in.data());
    for (int r = 0; r < n; ++r) {
      double s = 0;
      for (int c = 0; c < n; ++c) s += m[r * n + c] * in[c];
      out[r] = s;
    }
    benchmark::DoNotOptimize(out.data());
  }
}

BENCHMARK_CAPTURE(kernelOnly, TetrahedraP2, HoTetrahedron, 2);
BENCHMARK_CAPTURE(denseKernel, TetrahedraP2, HoTetrahedron, 2);
BENCHMARK_CAPTURE(kernelOnly, TrianglesP3, HoTriangle, 3);
BENCHMARK_CAPTURE(denseKernel, TrianglesP3, HoTriangle, 3);
BENCHMARK_CAPTURE(kernelOnly, HexahedraQ4, HoHexahedron, 4);
BENCHMARK_CAPTURE(denseKernel, HexahedraQ4, HoHexahedron, 4);
BENCHMARK_CAPTURE(kernelOnly, PrismsP4, HoPrism, 4);
BENCHMARK_CAPTURE(denseKernel, PrismsP4, HoPrism, 4);

// Evaluators: de Casteljau against the Bernstein sum with the basis values already known.
template <HoKind K, int D> void evaluate(benchmark::State &state) {
  const int n = static_cast<int>(hoNodeCount(K, D));
  std::vector<float> c(n, 0.5f);
  const double pts[4][4] = {
      {0.2, 0.3, 0.5, 0.4}, {0.1, 0.1, 0.8, 0.2}, {0.6, 0.2, 0.2, 0.7}, {0.3, 0.3, 0.4, 0.5}};
  double x[4];
  int k = 0;
  for (auto _ : state) {
    const double *p = pts[k++ & 3];
    for (int i = 0; i < 4; ++i) x[i] = p[i];
    benchmark::DoNotOptimize(x);
    double v = 0;
    switch (K) {
    case HoTriangle:
      v = pav_EvaluateValueOnTriangle(c.data(), D, x[0], x[1], x[2]);
      break;
    case HoTetrahedron:
      v = pav_EvaluateValueOnTetrahedra(c.data(), D, x[0] * 0.5, x[1] * 0.5, x[2] * 0.5,
                                        1 - 0.5 * (x[0] + x[1] + x[2]));
      break;
    case HoHexahedron:
      v = pav_EvaluateValueOnHexahedra(c.data(), D, x[0], x[1], x[2]);
      break;
    case HoPrism:
      v = pav_EvaluateValueOnPrism(c.data(), D, x[0], x[1], x[2], x[3]);
      break;
    default:
      break;
    }
    benchmark::DoNotOptimize(v);
  }
}

template <HoKind K, int D> void bernsteinSum(benchmark::State &state) {
  const int n = static_cast<int>(hoNodeCount(K, D));
  std::vector<float> c(n, 0.5f);
  std::vector<double> phi(n, 1.0 / n);
  for (auto _ : state) {
    benchmark::DoNotOptimize(phi.data());
    double v = 0;
    for (int i = 0; i < n; ++i) v += phi[i] * c[i];
    benchmark::DoNotOptimize(v);
  }
}

BENCHMARK(evaluate<HoTriangle, 3>);
BENCHMARK(bernsteinSum<HoTriangle, 3>);
BENCHMARK(evaluate<HoTetrahedron, 2>);
BENCHMARK(bernsteinSum<HoTetrahedron, 2>);
BENCHMARK(evaluate<HoHexahedron, 4>);
BENCHMARK(bernsteinSum<HoHexahedron, 4>);
BENCHMARK(evaluate<HoPrism, 6>);
BENCHMARK(bernsteinSum<HoPrism, 6>);

} // namespace

BENCHMARK_MAIN();
