// Subdivision reproduces the parent polynomial on every piece; refined bounds converge to the
// sampled range.
#include "ho_bezier.h"
#include "ho_split.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <vector>

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
