// LU inversion through the Fortran LAPACK routines dgetrf and dgetri.
#include "pav_lapack.h"

#include "pav_status.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

extern "C" {
void dgetrf_(const int *m, const int *n, double *a, const int *lda, int *ipiv, int *info);
void dgetri_(const int *n, double *a, const int *lda, const int *ipiv, double *work,
             const int *lwork, int *info);
}

int pav_InvertMatrix(int n, const double *mat, double *inv, char *status) {
  if (!mat || !inv) return pav_Fail(status, "NULL (matrix) parameter on input\n");
  // LAPACK indexes with 32-bit integers: n*n must fit.
  if (n < 1 || n > 46340) return pav_Fail(status, "Invalid matrix size %d for inversion\n", n);

  const std::size_t nn = static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
  if (inv != mat) std::memmove(inv, mat, nn * sizeof(double));

  std::vector<int> ipiv;
  std::vector<double> work;
  try {
    ipiv.resize(static_cast<std::size_t>(n));
    work.resize(static_cast<std::size_t>(n) * 64);
  } catch (const std::bad_alloc &) {
    return pav_Fail(status, "Allocation failed for matrix inversion, size %lg Mb\n",
                    static_cast<double>(n) * 65. * 8. * 9.5367431640625e-7);
  }

  int info = 0;
  dgetrf_(&n, &n, inv, &n, ipiv.data(), &info);
  if (info > 0)
    return pav_Fail(status, "Singular matrix: pivot %d of the LU factorisation is zero\n", info);
  if (info < 0) return pav_Fail(status, "LU factorisation refused argument %d\n", -info);

  const int lwork = n * 64;
  dgetri_(&n, inv, &n, ipiv.data(), work.data(), &lwork, &info);
  if (info > 0)
    return pav_Fail(status, "Singular matrix: pivot %d of the LU factorisation is zero\n", info);
  if (info < 0) return pav_Fail(status, "LU inversion refused argument %d\n", -info);

  for (std::size_t k = 0; k < nn; k++)
    if (!std::isfinite(inv[k]))
      return pav_Fail(status, "Singular matrix: the inverse is not finite\n");
  return PAV_SUCCESS;
}

extern "C" {
void dgeequ_(const int *m, const int *n, const double *a, const int *lda, double *r, double *c,
             double *rowcnd, double *colcnd, double *amax, int *info);
void dgetrs_(const char *trans, const int *n, const int *nrhs, const double *a, const int *lda,
             const int *ipiv, double *b, const int *ldb, int *info, std::size_t transLen);
void dgemm_(const char *ta, const char *tb, const int *m, const int *n, const int *k,
            const double *alpha, const double *a, const int *lda, const double *b, const int *ldb,
            const double *beta, double *c, const int *ldc, std::size_t taLen, std::size_t tbLen);
}

int pav_LuFactorize(int n, const double *a, PavLuFactors *f, char *status) {
  if (!a || !f) return pav_Fail(status, "NULL (matrix) parameter on input\n");
  if (n < 1 || n > 46340) return pav_Fail(status, "Invalid matrix size %d for factorisation\n", n);
  const std::size_t nn = static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
  try {
    f->lu.assign(a, a + nn);
    f->ipiv.assign(static_cast<std::size_t>(n), 0);
    f->r.assign(static_cast<std::size_t>(n), 1.0);
    f->c.assign(static_cast<std::size_t>(n), 1.0);
  } catch (const std::bad_alloc &) {
    return pav_Fail(status, "Allocation failed for matrix factorisation, size %lg Mb\n",
                    static_cast<double>(nn) * 8. * 9.5367431640625e-7);
  }
  f->n = n;
  // Row and column scalings bring every entry's magnitude near 1: the pivots then reflect the
  // geometry of the points rather than the scale of the basis functions.
  double rowcnd = 0, colcnd = 0, amax = 0;
  int info = 0;
  dgeequ_(&n, &n, f->lu.data(), &n, f->r.data(), f->c.data(), &rowcnd, &colcnd, &amax, &info);
  if (info != 0) return pav_Fail(status, "Singular matrix: row or column %d is zero\n", info);
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) f->lu[std::size_t(j) * n + i] *= f->r[i] * f->c[j];
  dgetrf_(&n, &n, f->lu.data(), &n, f->ipiv.data(), &info);
  if (info > 0)
    return pav_Fail(status, "Singular matrix: pivot %d of the LU factorisation is zero\n", info);
  if (info < 0) return pav_Fail(status, "LU factorisation refused argument %d\n", -info);
  return PAV_SUCCESS;
}

void pav_LuSolve(const PavLuFactors &f, int nrhs, double *b) {
  if (nrhs < 1 || !b || f.n < 1) return;
  const int n = f.n;
  const std::size_t cols = static_cast<std::size_t>(nrhs);
  for (std::size_t j = 0; j < cols; j++)
    for (int i = 0; i < n; i++) b[j * n + i] *= f.r[i];
  int info = 0;
  dgetrs_("N", &n, &nrhs, f.lu.data(), &n, f.ipiv.data(), b, &n, &info, 1);
  for (std::size_t j = 0; j < cols; j++)
    for (int i = 0; i < n; i++) b[j * n + i] *= f.c[i];
}

void pav_LuSolveTransposed(const PavLuFactors &f, int nrhs, double *b) {
  if (nrhs < 1 || !b || f.n < 1) return;
  // A = R^-1 As C^-1, so A^T x = b is As^T (R^-1 x) = C b.
  const int n = f.n;
  const std::size_t cols = static_cast<std::size_t>(nrhs);
  for (std::size_t j = 0; j < cols; j++)
    for (int i = 0; i < n; i++) b[j * n + i] *= f.c[i];
  int info = 0;
  dgetrs_("T", &n, &nrhs, f.lu.data(), &n, f.ipiv.data(), b, &n, &info, 1);
  for (std::size_t j = 0; j < cols; j++)
    for (int i = 0; i < n; i++) b[j * n + i] *= f.r[i];
}

void pav_MatMul(int m, int n, int k, double alpha, const double *a, const double *b, double beta,
                double *c) {
  if (m < 1 || n < 1 || k < 1) return;
  dgemm_("N", "N", &m, &n, &k, &alpha, a, &m, b, &k, &beta, c, &m, 1, 1);
}
