// Metric eigen-solvers checked against LAPACK's symmetric solver (dsyev) as an independent oracle,
// and the LU inversion wrapper checked by its product with the input.
#include "ho_eigen.h"
#include "pav_lapack.h"
#include "pav_status.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

extern "C" void dsyev_(const char *jobz, const char *uplo, const int *n, double *a, const int *lda,
                       double *w, double *work, const int *lwork, int *info);

namespace {

// Eigenvalues of the symmetric n x n matrix a (n = 2 or 3), ascending, from LAPACK.
std::vector<double> oracleEigenvalues(int n, std::vector<double> a) {
  std::vector<double> w(n), work(64);
  int lwork = 64, info = 0;
  dsyev_("N", "U", &n, a.data(), &n, w.data(), work.data(), &lwork, &info);
  EXPECT_EQ(info, 0);
  return w;
}

const int kUpper[6][2] = {{0, 0}, {0, 1}, {0, 2}, {1, 1}, {1, 2}, {2, 2}};

std::vector<double> full3(const double *met) {
  return {met[0], met[1], met[2], met[1], met[3], met[4], met[2], met[4], met[5]};
}

// A v = lambda v, orthonormal vectors, eigenvalues of dsyev.
void expectDecomposition(int n, const std::vector<double> &a, const double *val,
                         const double *vec) {
  double nrm = 0.;
  for (double x : a) nrm = std::max(nrm, std::fabs(x));
  const double tol = 1e-10 * std::max(nrm, 1e-300);
  for (int k = 0; k < n; k++) {
    for (int i = 0; i < n; i++) {
      double av = 0., d = 0.;
      for (int j = 0; j < n; j++)
        av += a[n * i + j] * vec[n * k + j], d += vec[n * k + j] * vec[n * i + j];
      EXPECT_NEAR(av, val[k] * vec[n * k + i], tol) << "vector " << k << " row " << i;
      EXPECT_NEAR(d, k == i ? 1. : 0., 1e-10) << "vectors " << k << " " << i;
    }
  }
  std::vector<double> sorted(val, val + n);
  std::sort(sorted.begin(), sorted.end());
  const std::vector<double> ref = oracleEigenvalues(n, a);
  for (int k = 0; k < n; k++) EXPECT_NEAR(sorted[k], ref[k], tol);
}

void expectDecomposition3(const double *met, const char *what) {
  SCOPED_TRACE(what);
  double val[3], vec[9];
  ASSERT_EQ(Eigen3d(met, val, vec), 1);
  expectDecomposition(3, full3(met), val, vec);
}

// The 2-D solver also orders by magnitude.
void expectDecomposition2(const double *met) {
  double val[2], vec[4];
  ASSERT_GE(Eigen2d(met, val, vec), 1);
  expectDecomposition(2, {met[0], met[1], met[1], met[2]}, val, vec);
  EXPECT_GE(std::fabs(val[1]), std::fabs(val[0]));
}

// Q diag(lambda) Q^T with a random rotation Q, as an upper triangle.
void composeMetric(std::mt19937 &rng, const double *lambda, double *met) {
  std::normal_distribution<double> g;
  double q[3][3];
  for (int k = 0; k < 3; k++) {
    for (int i = 0; i < 3; i++) q[k][i] = g(rng);
    for (int l = 0; l < k; l++) {
      double d = 0.;
      for (int i = 0; i < 3; i++) d += q[k][i] * q[l][i];
      for (int i = 0; i < 3; i++) q[k][i] -= d * q[l][i];
    }
    double n = 0.;
    for (int i = 0; i < 3; i++) n += q[k][i] * q[k][i];
    for (int i = 0; i < 3; i++) q[k][i] /= std::sqrt(n);
  }
  for (int e = 0; e < 6; e++) {
    met[e] = 0.;
    for (int k = 0; k < 3; k++) met[e] += lambda[k] * q[k][kUpper[e][0]] * q[k][kUpper[e][1]];
  }
}

// Conventions the LAPACK sweeps do not fix: axes for a multiple of I, the tiny-matrix code.

TEST(Eigen2d, RandomMatricesAgreeWithLapack) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-1., 1.);
  std::uniform_int_distribution<int> ex(-12, 12);
  for (int t = 0; t < 2000; t++) {
    const double sca = std::pow(10., ex(rng));
    double met[3] = {u(rng) * sca, u(rng) * sca, u(rng) * sca};
    if (t % 5 == 1) met[1] = 0.;                                     // already diagonal
    if (t % 5 == 2) met[2] = met[1] * met[1] / met[0];               // rank one
    if (t % 5 == 3) met[1] = 1e-9 * met[0], met[2] = met[0] * 1.001; // nearly repeated
    SCOPED_TRACE(t);
    expectDecomposition2(met);
  }
}

TEST(Eigen3d, NegligibleMatrixGivesTheAxes) {
  double val[3], vec[9];
  const double zero[6] = {0., 1e-101, 0., 0., 0., -1e-120};
  ASSERT_EQ(Eigen3d(zero, val, vec), 1);
  EXPECT_EQ(std::vector<double>(val, val + 3), std::vector<double>(3, 0.));
  EXPECT_EQ(std::vector<double>(vec, vec + 9), std::vector<double>({1, 0, 0, 0, 1, 0, 0, 0, 1}));
}

TEST(Eigen3d, RandomEigenvaluesAgreeWithLapack) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> u(-1., 1.);
  std::uniform_int_distribution<int> ex(-12, 12);
  for (int t = 0; t < 3000; t++) {
    const double sca = std::pow(10., ex(rng));
    double lambda[3] = {u(rng) * sca, u(rng) * sca, u(rng) * sca};
    const int c = t % 6; // double, triple (a multiple of I), rank 2, rank 1, nearly repeated
    if (c == 1 || c == 2) lambda[1] = lambda[0];
    if (c == 2) lambda[2] = lambda[0];
    if (c == 3 || c == 4) lambda[2] = 0.;
    if (c == 4) lambda[1] = 0.;
    if (c == 5) lambda[1] = lambda[0] * (1. + 1e-8);
    if (c == 0) lambda[1] *= std::pow(10., ex(rng)); // widely spread
    double met[6];
    composeMetric(rng, lambda, met);
    expectDecomposition3(met, ("random eigenvalues " + std::to_string(t)).c_str());
  }
}

// Integer matrices u u^T (+/-) v v^T have a determinant of exactly 0, which sends them through
// the characteristic polynomial.
TEST(Eigen3d, ExactlySingularMatricesUseTheCharacteristicPolynomial) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> c(-4, 4);
  int tested = 0;
  for (int t = 0; tested < 1500 && t < 100000; t++) {
    double u[3], v[3];
    for (int i = 0; i < 3; i++) u[i] = c(rng), v[i] = c(rng);
    const double sgn = (t % 3 == 0) ? -1. : 1.;
    const double w = (t % 4 == 0) ? 0. : 1.; // rank one
    const double scale = std::ldexp(1., 4 * (t % 21) - 40);
    double met[6], mx = 0.;
    for (int e = 0; e < 6; e++) {
      const int i = kUpper[e][0], j = kUpper[e][1];
      met[e] = scale * (u[i] * u[j] + sgn * w * v[i] * v[j]);
      mx = std::max(mx, std::fabs(met[e]));
    }
    if (mx == 0.) continue;
    const std::vector<double> a = full3(met);
    const double det = a[0] * (a[4] * a[8] - a[5] * a[7]) - a[1] * (a[3] * a[8] - a[5] * a[6]) +
                       a[2] * (a[3] * a[7] - a[4] * a[6]);
    ASSERT_EQ(det, 0.);
    expectDecomposition3(met, ("singular " + std::to_string(t)).c_str());
    tested++;
  }
  EXPECT_EQ(tested, 1500);
}

TEST(InvertMatrix, ProductWithInputIsIdentity) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> u(-1., 1.);
  char status[PAV_STATUS_SIZE] = "";
  for (int n : {1, 2, 5, 17, 66}) {
    std::vector<double> a(n * n), inv(n * n);
    for (double &x : a) x = u(rng);
    for (int i = 0; i < n; i++) a[i * n + i] += n; // well conditioned
    ASSERT_EQ(pav_InvertMatrix(n, a.data(), inv.data(), status), PAV_SUCCESS) << status;
    for (int i = 0; i < n; i++)
      for (int j = 0; j < n; j++) {
        double s = 0.;
        for (int k = 0; k < n; k++) s += a[i * n + k] * inv[k * n + j];
        EXPECT_NEAR(s, i == j ? 1. : 0., 1e-12) << n << " " << i << " " << j;
      }
  }
}

TEST(InvertMatrix, SingularAndInvalidInputsAreReported) {
  char status[PAV_STATUS_SIZE] = "";
  // Third row = first + second.
  const double a[9] = {1., 2., 3., 4., 5., 6., 5., 7., 9.};
  double inv[9];
  EXPECT_EQ(pav_InvertMatrix(3, a, inv, status), PAV_FAILURE);
  EXPECT_NE(std::string(status).find("Singular matrix"), std::string::npos) << status;
  EXPECT_EQ(pav_InvertMatrix(0, a, inv, status), PAV_FAILURE);
}

} // namespace
