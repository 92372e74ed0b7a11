// Lagrange-to-Bezier conversion, de Casteljau evaluation and the plane crossing of curved edges;
// subdivision reproduces the parent polynomial on every piece, refined bounds converge to the
// sampled range.
#include "ho_bezier.h"
#include "ho_reference.h"
#include "ho_split.h"
#include "test_paths.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

using pavo_test::hoCartesian;

namespace {

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

namespace {

// Storage layout (posTri / posQua / lattice order) to canonical node order, for the evaluators.
std::vector<float> toCanonical(HoKind kind, int d, const float *stored) {
  const int n = static_cast<int>(hoNodeCount(kind, d));
  const int *toPos = hoNodeToPos(kind, d);
  std::vector<float> c(n);
  for (int i = 0; i < n; ++i) c[i] = stored[toPos[i]];
  return c;
}

std::vector<float> randomCoefficients(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
  std::vector<float> c(n);
  for (float &x : c) x = dist(rng);
  return c;
}

double edgeAt(const float *stored, int d, double t) {
  return pav_EvaluateValueOnEdge(toCanonical(HoEdge, d, stored).data(), d, t);
}
double quadAt(const float *stored, int d, double s, double t) {
  return pav_EvaluateValueOnQuadrilateral(toCanonical(HoQuadrilateral, d, stored).data(), d, s, t);
}
// Triangle at barycentric weights (b0, b1, b2) on its storage corners V0, V1, V2, which are the
// lattice vertices (0,d,0), (0,0,d), (d,0,0).
double triAt(const float *stored, int d, const double *b) {
  return pav_EvaluateValueOnTriangle(toCanonical(HoTriangle, d, stored).data(), d, b[2], b[0],
                                     b[1]);
}

} // namespace

TEST(HoSplit, QuadrilateralPiecesReproduceTheParent) {
  for (int d = 1; d <= HO_MAX_DEGREE; d += 3) {
    const int n = (d + 1) * (d + 1);
    const std::vector<float> c = randomCoefficients(n, 100 + d);
    float *res = nullptr;
    pav_SplitQuadrilateral(c.data(), &res, d, 0.6, 0.25); // i split at 0.4, j split at 0.75
    ASSERT_NE(res, nullptr);
    std::unique_ptr<float[]> own(res);
    const double ti = 0.4, tj = 0.75;
    for (double s : {0.0, 0.3, 1.0})
      for (double t : {0.1, 0.6, 1.0}) {
        const double i1 = s * ti, i2 = ti + s * (1 - ti), j1 = t * tj, j2 = tj + t * (1 - tj);
        EXPECT_NEAR(quadAt(res, d, s, t), quadAt(c.data(), d, i1, j1), 1e-5);
        EXPECT_NEAR(quadAt(res + n, d, s, t), quadAt(c.data(), d, i2, j1), 1e-5);
        EXPECT_NEAR(quadAt(res + 2 * n, d, s, t), quadAt(c.data(), d, i2, j2), 1e-5);
        EXPECT_NEAR(quadAt(res + 3 * n, d, s, t), quadAt(c.data(), d, i1, j2), 1e-5);
      }
  }
}

TEST(HoSplit, TrianglePiecesReproduceTheParent) {
  const double u = 0.2, v = 0.5, w = 0.3;
  const double V[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, P[3] = {u, v, w};
  const double E01[3] = {u / (u + v), v / (u + v), 0}, E12[3] = {0, v / (v + w), w / (v + w)},
               E02[3] = {u / (u + w), 0, w / (u + w)};
  const double *three[3][3] = {{V[0], V[1], P}, {P, V[1], V[2]}, {V[0], P, V[2]}};
  const double *four[4][3] = {
      {V[0], E01, E02}, {E01, V[1], E12}, {E02, E12, V[2]}, {E01, E12, E02}};
  const double local[4][3] = {{1, 0, 0}, {0.2, 0.3, 0.5}, {0.6, 0.1, 0.3}, {0, 0.5, 0.5}};
  for (int d = 1; d <= HO_MAX_DEGREE; ++d) {
    const int nc = (d + 1) * (d + 2) / 2;
    const std::vector<float> c = randomCoefficients(nc, 200 + d);
    for (int pieces : {3, 4}) {
      float *res = nullptr;
      pav_SplitTriangle(pieces, c.data(), &res, d, u, v, w);
      ASSERT_NE(res, nullptr);
      std::unique_ptr<float[]> own(res);
      for (int p = 0; p < pieces; ++p) {
        const double *const *corners = pieces == 3 ? three[p] : four[p];
        for (const auto &l : local) {
          double b[3] = {0, 0, 0};
          for (int k = 0; k < 3; ++k)
            for (int x = 0; x < 3; ++x) b[x] += l[k] * corners[k][x];
          EXPECT_NEAR(triAt(res + p * nc, d, l), triAt(c.data(), d, b), 2e-5)
              << "degree " << d << ", " << pieces << " pieces, piece " << p;
        }
      }
    }
  }
}

TEST(HoSplit, TriangleArgumentsAreChecked) {
  const float lin[3] = {1, 2, 4};
  float *res = reinterpret_cast<float *>(&res);
  for (auto c : {std::make_pair(4, " unproper input arguments u, v, w for triangle subdivision"),
                 std::make_pair(5, " subdvision in 5 of a HO triangle not implemented\n")}) {
    testing::internal::CaptureStdout();
    pav_SplitTriangle(c.first, lin, &res, 1, c.first == 4 ? 0.0 : 0.2, c.first == 4 ? 0.5 : 0.3,
                      0.5);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.second);
    EXPECT_EQ(res, nullptr);
  }
}

TEST(HoBounds, RefinedBoundsConvergeToTheSampledRange) {
  // The refined bounds b enclose f sampled on an n x m grid of (s, t) (its lower half when
  // `tri`) within `slack`, and meet its extremes within `tol`.
  const auto expectBounds = [](const float *b, int n, int m, bool tri, float slack, double tol,
                               const std::function<double(double, double)> &f) {
    float lo = 1e30f, hi = -1e30f;
    for (int i = 0; i <= n; ++i)
      for (int j = 0; j <= (tri ? m - i : m); ++j) {
        const float x = float(f(double(i) / n, m ? double(j) / m : 0.0));
        lo = std::min(lo, x), hi = std::max(hi, x);
      }
    EXPECT_TRUE(b[0] >= lo - slack && b[1] <= hi + slack);
    EXPECT_NEAR(b[0], lo, tol);
    EXPECT_NEAR(b[1], hi, tol);
  };
  for (int d : {2, 3, 5, 8}) {
    SCOPED_TRACE(d);
    const std::vector<float> e = randomCoefficients(d + 1, 300 + d);
    float b[2] = {std::min(e[0], e[d]), std::max(e[0], e[d])};
    pav_RefineBoundsOnEdge(e.data(), d, 0.5, 0.5, b, 2 * d + 8);
    expectBounds(b, 4000, 0, false, 1e-5f, 2e-3,
                 [&](double s, double) { return edgeAt(e.data(), d, s); });

    const int nq = (d + 1) * (d + 1);
    const std::vector<float> q = randomCoefficients(nq, 400 + d);
    const float qc[4] = {q[0], q[d], q[d * (d + 1)], q[nq - 1]};
    float bq[2] = {*std::min_element(qc, qc + 4), *std::max_element(qc, qc + 4)};
    pav_RefineBoundsOnQuadrilateral(q.data(), d, 0.5, 0.5, bq, 10);
    expectBounds(bq, 200, 200, false, 1e-3f, 1e-2,
                 [&](double s, double t) { return quadAt(q.data(), d, s, t); });

    // Triangle, in four around the centroid.
    const int nt = (d + 1) * (d + 2) / 2;
    const std::vector<float> t = randomCoefficients(nt, 500 + d);
    const float tc[3] = {t[0], t[d], t[nt - 1]};
    float bt[2] = {*std::min_element(tc, tc + 3), *std::max_element(tc, tc + 3)};
    pav_RefineBoundsOnTriangle(t.data(), d, 4, 1.0 / 3, 1.0 / 3, 1.0 / 3, bt, 10);
    expectBounds(bt, 200, 200, true, 1e-3f, 1e-2, [&](double u, double v) {
      const double bc[3] = {u, v, 1 - u - v};
      return triAt(t.data(), d, bc);
    });
  }
}

TEST(HoBoundsDeathTest, NegativeQuadrilateralDegreeStops) {
  const float q[1] = {0};
  float b[2] = {0, 0};
  EXPECT_EXIT(pav_RefineBoundsOnQuadrilateral(q, -1, 0.5, 0.5, b, 1), ::testing::ExitedWithCode(1),
              "posQua wrong coefficients in input");
}
