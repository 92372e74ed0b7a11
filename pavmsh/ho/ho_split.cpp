// Subdivision works in double on stack arrays and rounds to float once per control value; the
// allocating entry points only wrap these cores, so the bounds refinement allocates nothing.
#include "ho_split.h"

#include "ho_lattice.h"
#include "pav_status.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int D_MAX = HO_MAX_DEGREE + 1;
constexpr int MAX_REFINE_DEPTH = 40;

int triCount(int d) { return (d + 1) * (d + 2) / 2; }

// de Casteljau on one line of d + 1 values with weights (a, b): the left piece takes the first
// value of every level, the right piece the last one.
void splitLine(const double *c, int d, double a, double b, double *left, double *right) {
  double lvl[D_MAX];
  std::copy(c, c + d + 1, lvl);
  for (int r = 0; r <= d; ++r) {
    left[r] = lvl[0];
    right[d - r] = lvl[d - r];
    for (int i = 0; i < d - r; ++i) lvl[i] = a * lvl[i] + b * lvl[i + 1];
  }
}

// Edge pieces: out[0..d] left, out[d+1..2d+1] right.
void splitEdgeCore(const float *ctrl, int d, double a, double b, float *out) {
  double c[D_MAX] = {}, l[D_MAX], r[D_MAX];
  for (int i = 0; i <= d; ++i) c[i] = ctrl[i];
  splitLine(c, d, a, b, l, r);
  for (int i = 0; i <= d; ++i) out[i] = float(l[i]), out[d + 1 + i] = float(r[i]);
}

void splitQuadCore(const float *ctrl, int d, double a, double b, float *out) {
  const int D = d + 1, n = D * D;
  double c[D_MAX], lo[D_MAX], hi[D_MAX];
  double half[2][D_MAX * D_MAX]; // rows split along j: first and second half, [i * D + j]
  for (int i = 0; i < D; ++i) {
    for (int j = 0; j < D; ++j) c[j] = ctrl[i * D + j];
    splitLine(c, d, b, 1 - b, lo, hi);
    for (int j = 0; j < D; ++j) half[0][i * D + j] = lo[j], half[1][i * D + j] = hi[j];
  }
  // Pieces in the order (i1, j1), (i2, j1), (i2, j2), (i1, j2).
  for (int h = 0; h < 2; ++h)
    for (int j = 0; j < D; ++j) {
      for (int i = 0; i < D; ++i) c[i] = half[h][i * D + j];
      splitLine(c, d, a, 1 - a, lo, hi);
      float *first = out + (h == 0 ? 0 : 3) * n, *second = out + (h == 0 ? 1 : 2) * n;
      for (int i = 0; i < D; ++i) first[i * D + j] = float(lo[i]), second[i * D + j] = float(hi[i]);
    }
}

// Storage position of the multi-index (x0, x1, x2) on the corners V0, V1, V2.
inline int triPos(int d, int x0, int x1, int x2) { return posTri(d, x2, x0, x1); }

// Blossom of the triangle polynomial at d barycentric points: one de Casteljau pass per point.
double blossom(const double *dense, int d, const double (*pts)[3]) {
  const int D = d + 1;
  double c[D_MAX * D_MAX];
  std::copy(dense, dense + D * D, c);
  for (int level = d; level > 0; --level) {
    const double *x = pts[d - level];
    for (int a = 0; a < level; ++a)
      for (int b = 0; a + b < level; ++b)
        c[a * D + b] = x[0] * c[(a + 1) * D + b] + x[1] * c[a * D + b + 1] + x[2] * c[a * D + b];
  }
  return c[0];
}

bool weightsValid(double u, double v, double w) {
  const auto ok = [](double x) { return x >= 1e-6 && x <= 0.999999; };
  return ok(u) && ok(v) && ok(w);
}

// The split point (u, v, w) strictly inside and a split into 3 or 4 pieces; otherwise false,
// with the message.
bool triangleSplitValid(int n, double u, double v, double w) {
  if (!weightsValid(u, v, w)) {
    pav_Message(false, " unproper input arguments u, v, w for triangle subdivision");
    return false;
  }
  if (n != 3 && n != 4) {
    pav_Message(false, " subdvision in %d of a HO triangle not implemented\n", n);
    return false;
  }
  return true;
}

// Pieces of a triangle as corner triples (barycentric on V0, V1, V2); false for an unknown n.
bool trianglePieces(int n, double u, double v, double w, double (*corners)[3][3]) {
  const double V[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  const double P[3] = {u, v, w};
  const double E01[3] = {u / (u + v), v / (u + v), 0}, E12[3] = {0, v / (v + w), w / (v + w)},
               E02[3] = {u / (u + w), 0, w / (u + w)};
  const double *sets3[3][3] = {{V[0], V[1], P}, {P, V[1], V[2]}, {V[0], P, V[2]}};
  const double *sets4[4][3] = {
      {V[0], E01, E02}, {E01, V[1], E12}, {E02, E12, V[2]}, {E01, E12, E02}};
  if (n != 3 && n != 4) return false;
  for (int p = 0; p < n; ++p)
    for (int k = 0; k < 3; ++k)
      for (int c = 0; c < 3; ++c) corners[p][k][c] = n == 3 ? sets3[p][k][c] : sets4[p][k][c];
  return true;
}

void splitTriangleCore(int n, const float *ctrl, int d, double u, double v, double w, float *out) {
  const int D = d + 1, nc = triCount(d);
  double dense[D_MAX * D_MAX];
  for (int x0 = 0; x0 <= d; ++x0)
    for (int x1 = 0; x0 + x1 <= d; ++x1) dense[x0 * D + x1] = ctrl[triPos(d, x0, x1, d - x0 - x1)];
  double corners[4][3][3];
  trianglePieces(n, u, v, w, corners);
  double pts[D_MAX][3];
  for (int p = 0; p < n; ++p)
    for (int x0 = 0; x0 <= d; ++x0)
      for (int x1 = 0; x0 + x1 <= d; ++x1) {
        const int x2 = d - x0 - x1;
        int m = 0;
        for (int r = 0; r < x0; ++r, ++m) std::copy(corners[p][0], corners[p][0] + 3, pts[m]);
        for (int r = 0; r < x1; ++r, ++m) std::copy(corners[p][1], corners[p][1] + 3, pts[m]);
        for (int r = 0; r < x2; ++r, ++m) std::copy(corners[p][2], corners[p][2] + 3, pts[m]);
        out[p * nc + triPos(d, x0, x1, x2)] = float(blossom(dense, d, pts));
      }
}

// One step of the refinement, shared by the three kinds: pieces of `size` values, corners at the
// given positions.
template <class Refine>
void refinePieces(const float *pieces, int count, int size, const int *corners, int nbrCorners,
                  float *bounds, int depth, Refine refine) {
  for (int p = 0; p < count; ++p) {
    const float *c = pieces + p * size;
    const auto mm = std::minmax_element(c, c + size);
    if (double(*mm.second) - bounds[1] <= 1e-16 && double(*mm.first) - bounds[0] >= -1e-16)
      continue; // the piece cannot leave the bounds
    for (int k = 0; k < nbrCorners; ++k) {
      bounds[0] = std::min(bounds[0], c[corners[k]]);
      bounds[1] = std::max(bounds[1], c[corners[k]]);
    }
    if (depth > 0) {
      float sub[2] = {bounds[0], bounds[1]};
      refine(c, sub, depth - 1);
      bounds[0] = std::min(bounds[0], sub[0]);
      bounds[1] = std::max(bounds[1], sub[1]);
    }
  }
}

void refineEdge(const float *ctrl, int d, double a, double b, float *bounds, int depth) {
  float pieces[2 * D_MAX];
  splitEdgeCore(ctrl, d, a, b, pieces);
  const int corners[2] = {0, d};
  refinePieces(pieces, 2, d + 1, corners, 2, bounds, depth,
               [&](const float *c, float *bd, int l) { refineEdge(c, d, a, b, bd, l); });
}

void refineQuad(const float *ctrl, int d, double a, double b, float *bounds, int depth) {
  float pieces[4 * D_MAX * D_MAX];
  splitQuadCore(ctrl, d, a, b, pieces);
  const int corners[4] = {0, d, d * (d + 1), (d + 1) * (d + 1) - 1};
  refinePieces(pieces, 4, (d + 1) * (d + 1), corners, 4, bounds, depth,
               [&](const float *c, float *bd, int l) { refineQuad(c, d, a, b, bd, l); });
}

void refineTriangle(const float *ctrl, int d, int n, double u, double v, double w, float *bounds,
                    int depth) {
  float pieces[4 * D_MAX * (D_MAX + 1) / 2];
  splitTriangleCore(n, ctrl, d, u, v, w, pieces);
  const int corners[3] = {0, d, triCount(d) - 1};
  refinePieces(pieces, n, triCount(d), corners, 3, bounds, depth,
               [&](const float *c, float *bd, int l) { refineTriangle(c, d, n, u, v, w, bd, l); });
}

bool degreeOk(int degree) {
  if (degree < 1) {
    pav_Message(false, "no subdivision\n");
    return false;
  }
  if (degree > HO_MAX_DEGREE)
    pav_Fatal(" ERROR : subdivision of degree %d not considered \n", degree);
  return true;
}

} // namespace

void pav_SplitEdge(const float *ctrl, float **result, int degree, double a, double b) {
  *result = nullptr;
  if (!degreeOk(degree)) return;
  *result = new float[2 * (degree + 1)];
  splitEdgeCore(ctrl, degree, a, b, *result);
}

void pav_SplitQuadrilateral(const float *ctrl, float **result, int degree, double a, double b) {
  *result = nullptr;
  if (!degreeOk(degree)) return;
  *result = new float[4 * (degree + 1) * (degree + 1)];
  splitQuadCore(ctrl, degree, a, b, *result);
}

void pav_SplitTriangle(int n, const float *ctrl, float **result, int degree, double u, double v,
                       double w) {
  *result = nullptr;
  if (!triangleSplitValid(n, u, v, w)) return;
  if (!degreeOk(degree)) return;
  *result = new float[n * triCount(degree)];
  splitTriangleCore(n, ctrl, degree, u, v, w, *result);
}

void pav_RefineBoundsOnEdge(const float *ctrl, int degree, double a, double b, float *bounds,
                            int depth) {
  if (degree < 1 || degree > HO_MAX_DEGREE) return;
  refineEdge(ctrl, degree, a, b, bounds, std::min(depth, MAX_REFINE_DEPTH));
}

void pav_RefineBoundsOnTriangle(const float *ctrl, int degree, int n, double u, double v, double w,
                                float *bounds, int depth) {
  if (!triangleSplitValid(n, u, v, w)) return;
  if (degree < 1 || degree > HO_MAX_DEGREE) return;
  refineTriangle(ctrl, degree, n, u, v, w, bounds, std::min(depth, MAX_REFINE_DEPTH));
}

void pav_RefineBoundsOnQuadrilateral(const float *ctrl, int degree, double a, double b,
                                     float *bounds, int depth) {
  if (degree < 0) ho_detail::posFail("posQua", degree, 0, 0, 0);
  if (degree < 1 || degree > HO_MAX_DEGREE) return;
  refineQuad(ctrl, degree, a, b, bounds, std::min(depth, MAX_REFINE_DEPTH));
}
