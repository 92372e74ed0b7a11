// Dense linear algebra through LAPACK (double precision).
//
// Only the LU factorisation and the inversion from its factors are used: the conversion of
// high-order solution values between node sets inverts its square interpolation matrix once per
// element kind and degree.
#pragma once

// Inverts the dense n x n matrix mat (n*n doubles, row-major; column-major works the same since
// inv(A^T) = inv(A)^T) into inv (n*n doubles owned by the caller; inv may equal mat). Returns
// PAV_SUCCESS, or PAV_FAILURE with a message in status when n < 1, an argument is null, the memory
// for the pivots cannot be obtained, or the matrix is singular (a zero pivot of the LU factors, or
// factors that are not finite); inv is then left undefined.
int pav_InvertMatrix(int n, const double *mat, double *inv, char *status);
