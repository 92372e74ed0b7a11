// Eigen-decomposition of symmetric 2 x 2 and 3 x 3 matrices (metric fields).
//
// Metrics are stored as their upper triangle row by row: (m11, m12, m22) in 2-D and
// (m11, m12, m13, m22, m23, m33) in 3-D. Both functions are pure and thread-safe; the outputs are
// written by the caller's arrays and nothing is allocated.
#pragma once

// Decomposes the 2 x 2 metric met[3]. Writes two eigenvalues into eigVal[2] and two unit
// eigenvectors into eigVec[4] (the first vector, then the second), vector k belonging to eigenvalue
// k. The second eigenvalue is the one of larger magnitude. Returns 1 on success, 2 for a zero
// matrix (zero eigenvalues, identity vectors) and 0 on failure (a null argument, or a metric whose
// eigenvector cannot be found; the latter is reported on standard error).
int Eigen2d(const double *met, double *eigVal, double *eigVec);

// Decomposes the 3 x 3 metric met[6]. Writes three eigenvalues into eigVal[3] and three
// orthonormal eigenvectors into eigVec[9] (vector k at positions 3k .. 3k+2, for eigenvalue k).
// The eigenvalues are not sorted. Returns 1 on success (a zero matrix gives zero eigenvalues and
// the identity), -1 when the iterative method does not converge and 0 when the roots of the
// characteristic polynomial cannot be found (both reported on standard error).
int Eigen3d(const double *met, double *eigVal, double *eigVec);
