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
