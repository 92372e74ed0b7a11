// Conversion of high-order solution values given at arbitrary node positions to the uniform
// nodes of their degree, and the metric storage exchange.
//
// Values v at the file's positions p_i determine the Bernstein coefficients c of the field through
// A c = v with A[i][j] = B_j(p_i); the values at the uniform nodes q_k are U c with
// U[k][j] = B_j(q_k). The matrix handed out is U A^-1, built once per keyword; the pyramid's
// rational basis goes through the same construction.
#include "ho_lattice.h"
#include "pav_io.h"
#include "pav_lapack.h"
#include "pav_solution.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A^-1 through LU factors; false when A is singular or so badly conditioned that A A^-1 is not
// the identity to a millionth (positions that nearly coincide).
bool invert(int n, const std::vector<double> &a, std::vector<double> &inv) {
  char status[PAV_STATUS_SIZE];
  if (pav_InvertMatrix(n, a.data(), inv.data(), status) != PAV_SUCCESS) return false;
  for (int i = 0; i < n; i++)
    for (int j = 0; j < n; j++) {
      double s = 0;
      for (int l = 0; l < n; l++) s += a[size_t(i) * n + l] * inv[size_t(l) * n + j];
      if (!(std::fabs(s - (i == j ? 1.0 : 0.0)) < 1e-6)) return false;
    }
  return true;
}

} // namespace

int pav_NodesPositionsWidth(int kind) {
  switch (kind) {
  case PavKindEdge:
  case PavKindQuadrilateral:
    return 2;
  case PavKindTriangle:
  case PavKindPyramid:
  case PavKindHexahedron:
    return 3;
  case PavKindTetrahedron:
  case PavKindPrism:
    return 4;
  default:
    return 0;
  }
}

int pav_NodesPositionsMatrix(int kind, int degree, const double *positions, double *matrix) {
  if (kind < 0 || kind >= PavKindCount || degree < 0 || degree > HO_MAX_DEGREE || !positions ||
      !matrix)
    return PAV_FAILURE;
  // The element kinds of the types and of the numerics come in the same order.
  const HoKind hk = static_cast<HoKind>(kind);
  const int m = static_cast<int>(hoNodeCount(hk, degree));
  const int width = pav_NodesPositionsWidth(kind);
  const size_t mm = size_t(m) * size_t(m);
  std::vector<double> a(mm), u(mm);
  double ref[4] = {0, 0, 0, 0};
  for (int i = 0; i < m; i++) {
    const double *p = positions + size_t(i) * size_t(width);
    if (kind == PavKindEdge)
      ref[0] = p[1]; // the weight of the second vertex is the edge parameter
    else
      std::copy(p, p + width, ref);
    hoBernsteinBasis(hk, degree, ref, &a[size_t(i) * size_t(m)]);
  }
  const double *uniform = hoNodeRefCoords(hk, degree);
  const int refWidth = hoRefWidth(hk);
  for (int k = 0; k < m; k++)
    hoBernsteinBasis(hk, degree, uniform + size_t(k) * size_t(refWidth), &u[size_t(k) * size_t(m)]);
  std::vector<double> inv(mm);
  if (!invert(m, a, inv)) return PAV_FAILURE;
  for (int k = 0; k < m; k++)
    for (int j = 0; j < m; j++) {
      double s = 0;
      for (int l = 0; l < m; l++) s += u[size_t(k) * m + l] * inv[size_t(l) * m + j];
      matrix[size_t(k) * m + j] = s;
    }
  return PAV_SUCCESS;
}

void pav_ApplyNodesMatrix(PavSolution *rec, int dim, const double *matrix) {
  if (!rec || !rec->data || !matrix) return;
  const int w = pav_SolKindSize(dim, rec->kind);
  const int m = rec->nbrNod;
  if (w < 1 || m < 1) return;
  const size_t stride = size_t(m) * size_t(w);
  std::vector<double> out(stride);
  for (int64_t i = 1; i <= rec->nbrEnt; i++) {
    double *v = rec->data + size_t(i) * stride;
    for (int k = 0; k < m; k++)
      for (int c = 0; c < w; c++) {
        double s = 0;
        const double *row = matrix + size_t(k) * size_t(m);
        for (int l = 0; l < m; l++) s += row[l] * v[size_t(l) * w + c];
        out[size_t(k) * w + c] = s;
      }
    std::copy(out.begin(), out.end(), v);
  }
}

void pav_SwapMetricOrder(double *data, int64_t nodes) {
  if (!data) return;
  for (int64_t i = 0; i < nodes; i++) std::swap(data[6 * i + 2], data[6 * i + 3]);
}
