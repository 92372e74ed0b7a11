// Lagrange-to-Bezier conversion, de Casteljau evaluation and the plane crossing of curved edges.
#include "ho_bezier.h"
#include "ho_reference.h"
#include "test_paths.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using pavo_test::hoCartesian;

double poly(int d, const double *p) {
  double s = 0.3;
  for (int a = 0; a <= d; ++a)
    for (int b = 0; a + b <= d; ++b)
      for (int c = 0; a + b + c <= d; ++c)
        s += (0.7 - 0.1 * (a + 2 * b) + 0.05 * c) * std::pow(p[0], a) * std::pow(p[1], b) *
             std::pow(p[2], c);
  return s;
}

std::vector<std::vector<double>> samples(HoKind kind) {
  std::vector<std::vector<double>> out;
  const double t[5][3] = {
      {0.1, 0.2, 0.3}, {0.45, 0.1, 0.2}, {0.3, 0.3, 0.3}, {0.05, 0.7, 0.1}, {0.6, 0.05, 0.25}};
  for (const auto &s : t) {
    const double a = s[0], b = s[1], c = s[2];
    const std::vector<double> byKind[HO_KIND_COUNT] = {
        {a},
        {1 - a - b, a, b},
        {a, b},
        {1 - a - b - c, a, b, c},
        {a * (1 - c), b * (1 - c), c},
        {1 - a - b, a, b, c},
        {a, b, c}}; // edge to hexahedron, in kind order
    out.push_back(byKind[kind]);
  }
  return out;
}

int kernelDegrees(HoKind kind) {
  return kind == HoEdge || kind == HoTriangle || kind == HoQuadrilateral ? 10 : 6;
}

std::vector<std::tuple<int, int>> kernelCases(int minDegree) {
  std::vector<std::tuple<int, int>> cases;
  for (int k = 0; k < HO_KIND_COUNT; ++k)
    for (int d = minDegree; d <= kernelDegrees(static_cast<HoKind>(k)); ++d)
      cases.emplace_back(k, d);
  return cases;
}

void expectInPlaceConversion(HoKind kind, int d, std::vector<float> f, int nc,
                             const std::vector<int32_t> &elts, int first = 0) {
  const int n = static_cast<int>(hoNodeCount(kind, d));
  const std::vector<float> lag = f;
  LagrangeToBezier(int64_t(f.size()) / nc, d, f.data(), nc, int(elts.size()) / n, elts.data(), n);
  std::vector<double> in(n), out(n);
  for (size_t e = first; e < elts.size() / n; ++e)
    for (int c = 0; c < nc; ++c) {
      for (int p = 0; p < n; ++p) in[p] = lag[nc * elts[e * n + p] + c];
      hoLagrangeToBezier(kind, d, in.data(), out.data());
      for (int p = 0; p < n; ++p)
        ASSERT_NEAR(f[nc * elts[e * n + p] + c], out[p], 1e-4 * (1 + std::fabs(out[p])))
            << "element " << e << " node " << p << " component " << c << " of " << nc;
    }
}

} // namespace

class HoConvertSweep : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(HoConvertSweep, ConvertThenEvaluateIsTheIdentity) {
  const HoKind kind = static_cast<HoKind>(std::get<0>(GetParam()));
  const int d = std::get<1>(GetParam());
  ASSERT_TRUE(hoHasKernel(kind, d) || d <= 1);
  const int n = static_cast<int>(hoNodeCount(kind, d));
  const int w = hoRefWidth(kind);
  const double *ref = hoNodeRefCoords(kind, d);

  std::vector<float> c(n);
  std::vector<int32_t> nodes(n);
  for (int i = 0; i < n; ++i) {
    nodes[i] = i;
    double p[3];
    hoCartesian(kind, ref + i * w, p);
    c[i] = static_cast<float>(poly(d, p));
  }
  LagrangeToBezier(n, d, c.data(), 1, 1, nodes.data(), n);
  // A polynomial of the element's degree is reproduced away from the nodes.
  for (const auto &x : samples(kind)) {
    double p[3];
    hoCartesian(kind, x.data(), p);
    EXPECT_NEAR(hoEvaluateValue(kind, c.data(), d, x.data()), poly(d, p), 1e-4);
  }
}

INSTANTIATE_TEST_SUITE_P(KernelKindsAndDegrees, HoConvertSweep,
                         ::testing::ValuesIn(kernelCases(0)));

class HoEvaluateSweep : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(HoEvaluateSweep, DeCasteljauMatchesTheBernsteinSum) {
  const HoKind kind = static_cast<HoKind>(std::get<0>(GetParam()));
  const int d = std::get<1>(GetParam());
  const int n = static_cast<int>(hoNodeCount(kind, d));
  std::mt19937 rng(5 + kind * 11 + d);
  std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
  std::vector<float> c(n);
  for (float &x : c) x = dist(rng);
  std::vector<double> phi(n);
  for (const auto &x : samples(kind)) {
    hoBernsteinBasis(kind, d, x.data(), phi.data());
    double s = 0;
    for (int i = 0; i < n; ++i) s += phi[i] * c[i];
    EXPECT_NEAR(hoEvaluateValue(kind, c.data(), d, x.data()), s, 1e-12);
  }
}

INSTANTIATE_TEST_SUITE_P(AllKindsAndDegrees, HoEvaluateSweep,
                         ::testing::Combine(::testing::Range(0, HO_KIND_COUNT),
                                            ::testing::Range(0, HO_MAX_DEGREE + 1)));

// Bad node index: element skipped, its valid nodes still converted by a later element.
TEST(HoConvert, ElementsWithBadNodeIndicesAreSkipped) {
  for (const int32_t bad : {-1, 10, INT32_MIN}) {
    std::vector<int32_t> elts(20);
    for (int p = 0; p < 10; ++p) elts[p] = elts[10 + p] = p;
    elts[9] = bad;
    std::vector<float> f(30);
    for (size_t i = 0; i < f.size(); ++i) f[i] = std::cos(0.7f * i);
    SCOPED_TRACE(bad);
    expectInPlaceConversion(HoTriangle, 3, f, 3, elts, 1);
  }
}

TEST(HoConvert, HighDegreeVolumesWarnAndKeepValues) {
  const int n = static_cast<int>(hoNodeCount(HoTetrahedron, 8));
  std::vector<float> v(n);
  std::vector<int32_t> nodes(n);
  for (int i = 0; i < n; ++i) v[i] = float(i), nodes[i] = i;
  const std::vector<float> orig = v;
  EXPECT_EQ(pavo_test::captured([&] { LagrangeToBezier(n, 8, v.data(), 1, 1, nodes.data(), n); }),
            "warning: conversion LagrangeToBezier not done for TetraP8, solution capping possibly "
            "not accurate \n");
  EXPECT_EQ(v, orig);
}

// The fatal funnel prints on stdout: sent to stderr, where EXPECT_EXIT matches it.
static void convertOnStderr(int degree, int npe) {
  dup2(2, 1);
  std::vector<float> v(static_cast<size_t>(npe > 0 ? npe : 1));
  std::vector<int32_t> nodes(v.size(), 0);
  LagrangeToBezier(static_cast<int64_t>(v.size()), degree, v.data(), 1, 1, nodes.data(), npe);
}

static void tetOnStderr(double sum) {
  dup2(2, 1);
  float c[4] = {0, 0, 0, 0};
  pav_EvaluateValueOnTetrahedra(c, 1, 0.25, 0.25, 0.25, sum - 0.75);
}

TEST(HoBezierDeathTest, UnsupportedDegreesSizesAndPointsStop) {
  EXPECT_EXIT(convertOnStderr(11, 12), ::testing::ExitedWithCode(1),
              "error : degree 11 not supported for vizualisation");
  EXPECT_EXIT(convertOnStderr(2, 7), ::testing::ExitedWithCode(1),
              " error : no element of degree 2 with 7 vertices");
  EXPECT_EXIT(tetOnStderr(1.001), ::testing::ExitedWithCode(1),
              "ERROR pav_EvaluateValueOnTetrahedra : u = 0.250000, v = 0.250000, w = 0.250000, t = "
              "0.251000 \nERROR u \\+ v \\+ w \\+ t = 1.001000 \nERROR u \\+ v \\+ w \\+ t should "
              "be equal to 1 \n");
}

TEST(HoInterEdge, CurvedEdgeIsLocatedOnTheCurve) {
  // P2 arc from (0,0,0) to (2,0,0) bulging to y = 1 at the middle: x = 2 t, y = 4 t (1 - t).
  const double ctrl[9] = {0, 0, 0, 1, 2, 0, 2, 0, 0};
  const double plane[4] = {0, 1, 0, -0.5}; // y = 0.5, crossed twice: once in each half
  int count = 0;
  double *pt = nullptr;
  double param[3] = {0, 1, 0};
  EXPECT_EQ(pav_EvaluateInterEdge(ctrl, 2, plane, &count, &pt, param), 2);
  EXPECT_EQ(pt, nullptr);

  const double slanted[4] = {1, 0, 0, -0.5}; // x = 0.5, crossed once in the left half
  EXPECT_EQ(pav_EvaluateInterEdge(ctrl, 2, slanted, &count, &pt, param), 0);
  ASSERT_NE(pt, nullptr);
  EXPECT_EQ(count, 1);
  EXPECT_NEAR(pt[0], 0.5, 1e-9);
  EXPECT_NEAR(pt[1], 0.75, 0.04);
  delete[] pt;
}

class HoSharedFaceSweep : public ::testing::TestWithParam<std::tuple<int, int>> {};

// Two elements glued on a face: the second finds the shared nodes already converted.
TEST_P(HoSharedFaceSweep, SecondElementSeesConvertedFace) {
  const HoKind kind = static_cast<HoKind>(std::get<0>(GetParam()));
  const int d = std::get<1>(GetParam());
  ASSERT_TRUE(hoHasKernel(kind, d));
  const int n = static_cast<int>(hoNodeCount(kind, d));
  const int w = hoOrderWidth(kind);
  const int *ord = hoNodeOrder(kind, d);
  const int faceCoord[HO_KIND_COUNT][2] = {{0, 0}, {2, 2}, {1, 1}, {3, 3}, {1, 2}, {3, 2}, {2, 2}};
  const auto onFace = [&](const int *l, int which) { return l[faceCoord[kind][which]] == 0; };
  for (int which = 0; which < 2; ++which) {
    std::vector<int32_t> elts(2 * n);
    int next = n;
    for (int p = 0; p < n; ++p) {
      elts[p] = p;
      elts[n + p] = onFace(ord + p * w, which) ? p : next++;
    }
    for (int nc = 1; nc <= 3; ++nc) {
      std::mt19937 rng(7 * kind + d + which + 100 * nc);
      std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
      std::vector<float> f(nc * next);
      for (float &x : f) x = dist(rng);
      SCOPED_TRACE("face " + std::to_string(which));
      expectInPlaceConversion(kind, d, f, nc, elts);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(KernelKindsAndDegrees, HoSharedFaceSweep,
                         ::testing::ValuesIn(kernelCases(2)));
