// Conversion of high-order solution values given at arbitrary node positions to the uniform
// nodes of their degree, and the metric storage exchange.
//
// Values v at the file's positions p_i determine the Bernstein coefficients c of the field through
// A c = v with A[i][j] = B_j(p_i); the values at the uniform nodes q_k are U c with
// U[k][j] = B_j(q_k). Positions that are the uniform nodes themselves in another order need no
// algebra: the values are permuted. Otherwise A is factorised once per keyword and all entities
// and components of all its records are solved together as right-hand sides; the pyramid's
// rational basis goes through the same construction.
#include "ho_lattice.h"
#include "pav_io.h"
#include "pav_lapack.h"
#include "pav_solution.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace {

// A file position within this distance of a uniform node (in reference coordinates) is taken as
// that node: files written in single precision keep their positions to about 6e-8.
constexpr double kSameNodeTolerance = 1e-7;
// Largest relative residual |A c - v| / |v| of the solved coefficients accepted as a conversion.
constexpr double kResidualTolerance = 1e-8;
// Right-hand sides solved per batch (bounds the work arrays to a few megabytes).
constexpr int64_t kBatchColumns = 256;
// Beyond this many value columns per node count, the whole map U A^-1 is formed once (about four
// products of the matrix size) and each column then costs one product instead of three (solve,
// residual, values at the uniform nodes).
constexpr int64_t kColumnsPerNodeForMap = 2;

// Reference coordinates (hoRefWidth of them) of file position i.
void fileRef(int kind, const double *positions, int pw, int i, double *ref) {
  const double *p = positions + size_t(i) * size_t(pw);
  if (kind == PavKindEdge)
    ref[0] = p[1]; // the weight of the second vertex is the edge parameter
  else
    std::copy(p, p + pw, ref);
}

// Lattice key of a reference point: each coordinate times the degree, rounded, in 0..degree;
// -1 when a coordinate is farther than the tolerance from a lattice value.
int64_t latticeKey(const double *ref, int rw, int degree) {
  int64_t key = 0;
  for (int c = 0; c < rw; c++) {
    const double x = ref[c] * degree;
    if (!(x > -0.5 && x < degree + 0.5)) return -1;
    const long l = std::lround(x);
    if (std::fabs(x - double(l)) > kSameNodeTolerance * degree) return -1;
    key = key * (degree + 1) + l;
  }
  return key;
}

// perm[i] = the uniform node at file position i, when the positions are the uniform nodes in
// some order; false otherwise.
bool uniformPermutation(int kind, int degree, const double *positions, std::vector<int> &perm) {
  const HoKind hk = static_cast<HoKind>(kind);
  const int m = int(hoNodeCount(hk, degree));
  const int rw = hoRefWidth(hk), pw = pav_NodesPositionsWidth(kind);
  int64_t cells = 1;
  for (int c = 0; c < rw; c++) cells *= degree + 1;
  std::vector<int> nodeAt(size_t(cells), -1);
  const double *uniform = hoNodeRefCoords(hk, degree);
  for (int k = 0; k < m; k++) {
    const int64_t key = latticeKey(uniform + size_t(k) * size_t(rw), rw, degree);
    if (key < 0) return false;
    nodeAt[size_t(key)] = k;
  }
  perm.assign(size_t(m), -1);
  double ref[4] = {0, 0, 0, 0};
  for (int i = 0; i < m; i++) {
    fileRef(kind, positions, pw, i, ref);
    const int64_t key = latticeKey(ref, rw, degree);
    if (key < 0 || nodeAt[size_t(key)] < 0) return false;
    perm[size_t(i)] = nodeAt[size_t(key)];
    nodeAt[size_t(key)] = -1; // a node named twice leaves another one unnamed
  }
  return true;
}

void permuteRecord(PavSolution *rec, int w, const std::vector<int> &perm) {
  const size_t m = perm.size(), stride = m * size_t(w);
  std::vector<double> out(stride);
  for (int64_t e = 1; e <= rec->nbrEnt; e++) {
    double *v = rec->data + size_t(e) * stride;
    for (size_t i = 0; i < m; i++)
      std::memcpy(&out[size_t(perm[i]) * size_t(w)], v + i * size_t(w), size_t(w) * sizeof(double));
    std::memcpy(v, out.data(), stride * sizeof(double));
  }
}

// Column-major m x m matrix of the basis at m points: column j holds B_j at every point, so that
// row i is the basis at point i.
void basisMatrix(HoKind hk, int degree, int m, const double *refs, int rw, std::vector<double> &a) {
  std::vector<double> phi(static_cast<size_t>(m));
  for (int i = 0; i < m; i++) {
    hoBernsteinBasis(hk, degree, refs + size_t(i) * size_t(rw), phi.data());
    for (int j = 0; j < m; j++) a[size_t(j) * size_t(m) + size_t(i)] = phi[size_t(j)];
  }
}

// Column q of a batch = (entity, component) of a record: its m node values.
void gather(const PavSolution *rec, int w, int m, int64_t first, int nc, double *v) {
  const size_t stride = size_t(m) * size_t(w);
  for (int q = 0; q < nc; q++) {
    const int64_t col = first + q, e = 1 + col / w, c = col % w;
    const double *src = rec->data + size_t(e) * stride + size_t(c);
    double *dst = v + size_t(q) * size_t(m);
    for (int l = 0; l < m; l++) dst[l] = src[size_t(l) * size_t(w)];
  }
}

void scatter(const double *y, int w, int m, int64_t first, int nc, double *data) {
  const size_t stride = size_t(m) * size_t(w);
  for (int q = 0; q < nc; q++) {
    const int64_t col = first + q, e = 1 + col / w, c = col % w;
    double *dst = data + size_t(e) * stride + size_t(c);
    const double *src = y + size_t(q) * size_t(m);
    for (int l = 0; l < m; l++) dst[size_t(l) * size_t(w)] = src[l];
  }
}

bool smallResidual(const double *r, const double *ref, size_t count) {
  double rNorm = 0, refNorm = 0;
  for (size_t k = 0; k < count; k++) rNorm += r[k] * r[k], refNorm += ref[k] * ref[k];
  return std::isfinite(rNorm) && rNorm <= kResidualTolerance * kResidualTolerance * refNorm;
}

// Solves the records through the factors of A, writing U c into out (one array per record,
// the records' layout). False when the residual of a batch is not small or not finite.
bool solveRecords(const PavLuFactors &lu, const std::vector<double> &a,
                  const std::vector<double> &u, PavSolution *const *recs, int count, int dim,
                  std::vector<double *> &out) {
  const int m = lu.n;
  std::vector<double> v(size_t(m) * size_t(kBatchColumns)), x(v.size()), y(v.size());
  for (int r = 0; r < count; r++) {
    const PavSolution *rec = recs[r];
    const int w = pav_SolKindSize(dim, rec->kind);
    const int64_t columns = rec->nbrEnt * int64_t(w);
    for (int64_t first = 0; first < columns; first += kBatchColumns) {
      const int nc = int(std::min(kBatchColumns, columns - first));
      gather(rec, w, m, first, nc, v.data());
      const size_t used = size_t(nc) * size_t(m);
      std::copy(v.begin(), v.begin() + used, x.begin());
      pav_LuSolve(lu, nc, x.data());
      // Residual A c - v, judged against the size of the values.
      std::copy(v.begin(), v.begin() + used, y.begin());
      pav_MatMul(m, nc, m, 1.0, a.data(), x.data(), -1.0, y.data());
      if (!smallResidual(y.data(), v.data(), used)) return false;
      pav_MatMul(m, nc, m, 1.0, u.data(), x.data(), 0.0, y.data());
      scatter(y.data(), w, m, first, nc, out[size_t(r)]);
    }
  }
  return true;
}

void transpose(int m, const std::vector<double> &from, std::vector<double> &to) {
  for (int j = 0; j < m; j++)
    for (int i = 0; i < m; i++)
      to[size_t(i) * size_t(m) + size_t(j)] = from[size_t(j) * size_t(m) + size_t(i)];
}

// The map M = U A^-1 from the file's values to the uniform nodes' values, through the transposed
// system A^T M^T = U^T; false when its residual is not small. a and u are overwritten (a receives
// M, column-major).
bool formMap(const PavLuFactors &lu, std::vector<double> &a, std::vector<double> &u) {
  const int m = lu.n;
  const size_t mm = size_t(m) * size_t(m);
  std::vector<double> ut(mm), y(mm);
  transpose(m, u, ut);
  y = ut;
  pav_LuSolveTransposed(lu, m, y.data()); // y = M^T
  transpose(m, a, u);                     // u = A^T
  std::vector<double> r(ut);
  pav_MatMul(m, m, m, 1.0, u.data(), y.data(), -1.0, r.data());
  if (!smallResidual(r.data(), ut.data(), mm)) return false;
  transpose(m, y, a);
  return true;
}

// Applies the map to the records in place.
void mapRecords(const std::vector<double> &map, int m, PavSolution *const *recs, int count,
                int dim) {
  std::vector<double> v(size_t(m) * size_t(kBatchColumns)), y(v.size());
  for (int r = 0; r < count; r++) {
    PavSolution *rec = recs[r];
    const int w = pav_SolKindSize(dim, rec->kind);
    const int64_t columns = rec->nbrEnt * int64_t(w);
    for (int64_t first = 0; first < columns; first += kBatchColumns) {
      const int nc = int(std::min(kBatchColumns, columns - first));
      gather(rec, w, m, first, nc, v.data());
      pav_MatMul(m, nc, m, 1.0, map.data(), v.data(), 0.0, y.data());
      scatter(y.data(), w, m, first, nc, rec->data);
    }
  }
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

int pav_ConvertNodesPositions(int kind, int degree, const double *positions,
                              PavSolution *const *recs, int count, int dim, char *status) {
  if (kind < 0 || kind >= PavKindCount || degree < 1 || degree > HO_MAX_DEGREE || !positions ||
      !recs || count < 1)
    return pav_Fail(status, "Invalid nodes positions conversion request\n");
  const HoKind hk = static_cast<HoKind>(kind);
  const int m = int(hoNodeCount(hk, degree));
  for (int r = 0; r < count; r++)
    if (!recs[r] || !recs[r]->data || recs[r]->nbrNod != m || recs[r]->nbrEnt < 0 ||
        pav_SolKindSize(dim, recs[r]->kind) < 1)
      return pav_Fail(status, "Invalid solution record for nodes positions conversion\n");

  std::vector<int> perm;
  if (uniformPermutation(kind, degree, positions, perm)) {
    for (int r = 0; r < count; r++)
      permuteRecord(recs[r], pav_SolKindSize(dim, recs[r]->kind), perm);
    return PAV_SUCCESS;
  }

  const int rw = hoRefWidth(hk), pw = pav_NodesPositionsWidth(kind);
  std::vector<double> a, u, refs;
  std::vector<double *> out(size_t(count), nullptr);
  auto release = [&out]() {
    for (double *p : out) std::free(p);
  };
  try {
    const size_t mm = size_t(m) * size_t(m);
    a.resize(mm);
    u.resize(mm);
    refs.resize(size_t(m) * size_t(rw));
  } catch (const std::bad_alloc &) {
    return pav_Fail(status, "Allocation failed for nodes positions conversion\n");
  }
  for (int i = 0; i < m; i++) fileRef(kind, positions, pw, i, &refs[size_t(i) * size_t(rw)]);
  basisMatrix(hk, degree, m, refs.data(), rw, a);
  basisMatrix(hk, degree, m, hoNodeRefCoords(hk, degree), rw, u);
  PavLuFactors lu;
  if (pav_LuFactorize(m, a.data(), &lu, status) != PAV_SUCCESS) return PAV_FAILURE;
  int64_t columns = 0;
  for (int r = 0; r < count; r++)
    columns += recs[r]->nbrEnt * int64_t(pav_SolKindSize(dim, recs[r]->kind));
  if (columns > kColumnsPerNodeForMap * m) {
    // The map is checked before any record is touched: the records can be converted in place
    // (the work arrays are obtained before the first record changes).
    try {
      if (!formMap(lu, a, u))
        return pav_Fail(status, "Nodes positions do not determine the values\n");
      mapRecords(a, m, recs, count, dim);
    } catch (const std::bad_alloc &) {
      return pav_Fail(status, "Allocation failed for nodes positions conversion\n");
    }
    return PAV_SUCCESS;
  }
  // The results go to new arrays: a failure leaves every record as read.
  for (int r = 0; r < count; r++) {
    const size_t size =
        size_t(recs[r]->nbrEnt + 1) * size_t(m) * size_t(pav_SolKindSize(dim, recs[r]->kind));
    out[size_t(r)] = static_cast<double *>(std::calloc(size, sizeof(double)));
    if (!out[size_t(r)]) {
      release();
      return pav_Fail(status, "Allocation failed for nodes positions conversion\n");
    }
  }
  bool solved = false;
  try {
    solved = solveRecords(lu, a, u, recs, count, dim, out);
  } catch (const std::bad_alloc &) {
    release();
    return pav_Fail(status, "Allocation failed for nodes positions conversion\n");
  }
  if (!solved) {
    release();
    return pav_Fail(status, "Nodes positions do not determine the values\n");
  }
  for (int r = 0; r < count; r++) {
    const size_t size =
        size_t(recs[r]->nbrEnt + 1) * size_t(m) * size_t(pav_SolKindSize(dim, recs[r]->kind));
    std::memcpy(recs[r]->data, out[size_t(r)], size * sizeof(double));
  }
  release();
  return PAV_SUCCESS;
}

void pav_SwapMetricOrder(double *data, int64_t nodes) {
  if (!data) return;
  for (int64_t i = 0; i < nodes; i++) std::swap(data[6 * i + 2], data[6 * i + 3]);
}
