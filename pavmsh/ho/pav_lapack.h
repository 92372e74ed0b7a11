// Dense linear algebra through LAPACK (double precision).
//
// LU factorisation, inversion and solves with many right-hand sides, and the matrix product: the
// conversion of high-order values between node sets and the Lagrange-to-Bezier kernels use them.
#pragma once

#include <vector>

// Inverts the dense n x n matrix mat (n*n doubles, row-major; column-major works the same since
// inv(A^T) = inv(A)^T) into inv (n*n doubles owned by the caller; inv may equal mat). Returns
// PAV_SUCCESS, or PAV_FAILURE with a message in status when n < 1, an argument is null, the memory
// for the pivots cannot be obtained, or the matrix is singular (a zero pivot of the LU factors, or
// factors that are not finite); inv is then left undefined.
int pav_InvertMatrix(int n, const double *mat, double *inv, char *status);

// LU factors of an equilibrated square matrix (LAPACK dgeequ, dlaqge, dgetrf), kept to solve
// with any number of right-hand sides. Column-major storage throughout.
struct PavLuFactors {
  int n = 0;
  std::vector<double> lu;   // the factors of diag(r) A diag(c), n * n
  std::vector<int> ipiv;    // row interchanges
  std::vector<double> r, c; // row and column scalings (1 where not applied)
};

// Factorises the n x n column-major matrix a (not modified). PAV_SUCCESS, or PAV_FAILURE with a
// message in status for a bad size, a zero row or column, a zero pivot or a failed allocation.
int pav_LuFactorize(int n, const double *a, PavLuFactors *f, char *status);

// Overwrites the n x nrhs column-major right-hand sides b (leading dimension n) with the solutions
// of A x = b for the factors of pav_LuFactorize.
void pav_LuSolve(const PavLuFactors &f, int nrhs, double *b);

// The same for the transposed system A^T x = b.
void pav_LuSolveTransposed(const PavLuFactors &f, int nrhs, double *b);

// c = alpha a b + beta c for column-major a (m x k), b (k x n), c (m x n), through BLAS dgemm.
void pav_MatMul(int m, int n, int k, double alpha, const double *a, const double *b, double beta,
                double *c);
