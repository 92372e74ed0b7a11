// The one de Casteljau evaluator of Bezier coefficients, for every element kind, templated on the
// value type of the coefficients (float solution coefficients, double Jacobian coefficients) and
// on their layout (canonical node order, or the storage positions of the pos* functions).
//
// The coefficients are gathered into a dense stack array addressed by the lattice coordinates
// (the last barycentric coordinate of a simplex implied), then reduced in place one degree per
// pass; the result is the value at the reference point. Callers check the arguments (degree
// range, barycentric sums) and print their own messages.
#pragma once

#include "ho_lattice.h"

// Largest degree evaluated: solution fields stop at HO_MAX_DEGREE, the Jacobians of Q4 hexahedra,
// P4 prisms and P4 pyramids have degree 11.
constexpr int HO_MAX_EVAL_DEGREE = 11;

// Coefficient of a lattice point = coef[layout(storage position of the point)].
struct HoStorageLayout {
  int operator()(int pos) const { return pos; }
};
struct HoNodeLayout {
  const int *posToNode; // hoPosToNode of the kind and degree
  int operator()(int pos) const { return posToNode[pos]; }
};

namespace ho_casteljau {

constexpr int D_MAX = HO_MAX_EVAL_DEGREE + 1;

// 1-D passes over degree + 1 values spaced by stride: after them c[0] holds the value at s.
inline void pass1d(double *c, int degree, int stride, double s) {
  const double r = 1 - s;
  for (int level = degree; level > 0; --level)
    for (int i = 0; i < level; ++i) c[i * stride] = r * c[i * stride] + s * c[(i + 1) * stride];
}

// Triangle passes on c[a * D + b] (the third index implied): c[0] ends as the value.
inline void passTri(double *c, int degree, int D, double u, double v, double w) {
  for (int level = degree; level > 0; --level)
    for (int a = 0; a < level; ++a)
      for (int b = 0; a + b < level; ++b)
        c[a * D + b] = u * c[(a + 1) * D + b] + v * c[a * D + b + 1] + w * c[a * D + b];
}

} // namespace ho_casteljau

template <class T, class Layout> double hoCasteljauEdge(const T *coef, int d, Layout at, double u) {
  double c[ho_casteljau::D_MAX];
  for (int i = 0; i <= d; ++i) c[i] = coef[at(i)];
  ho_casteljau::pass1d(c, d, 1, u);
  return c[0];
}

template <class T, class Layout>
double hoCasteljauTriangle(const T *coef, int d, Layout at, double u, double v, double w) {
  const int D = d + 1;
  double c[ho_casteljau::D_MAX * ho_casteljau::D_MAX];
  for (int a = 0; a <= d; ++a)
    for (int b = 0; a + b <= d; ++b) c[a * D + b] = coef[at(posTri(d, a, b, d - a - b))];
  ho_casteljau::passTri(c, d, D, u, v, w);
  return c[0];
}

template <class T, class Layout>
double hoCasteljauQuadrilateral(const T *coef, int d, Layout at, double u, double v) {
  const int D = d + 1;
  double c[ho_casteljau::D_MAX * ho_casteljau::D_MAX];
  for (int p = 0; p < D * D; ++p) c[p] = coef[at(p)]; // posQua(d, i, j) = i * D + j
  for (int j = 0; j < D; ++j) ho_casteljau::pass1d(c + j, d, D, u);
  ho_casteljau::pass1d(c, d, 1, v);
  return c[0];
}

template <class T, class Layout>
double hoCasteljauHexahedron(const T *coef, int d, Layout at, double u, double v, double w) {
  const int D = d + 1;
  double c[ho_casteljau::D_MAX * ho_casteljau::D_MAX * ho_casteljau::D_MAX];
  for (int p = 0; p < D * D * D; ++p) c[p] = coef[at(p)]; // posHex = (i * D + j) * D + k
  for (int jk = 0; jk < D * D; ++jk) ho_casteljau::pass1d(c + jk, d, D * D, u);
  for (int k = 0; k < D; ++k) ho_casteljau::pass1d(c + k, d, D, v);
  ho_casteljau::pass1d(c, d, 1, w);
  return c[0];
}

template <class T, class Layout>
double hoCasteljauTetrahedron(const T *coef, int d, Layout at, double u, double v, double w,
                              double t) {
  const int D = d + 1;
  double c[ho_casteljau::D_MAX * ho_casteljau::D_MAX * ho_casteljau::D_MAX];
  for (int a = 0; a <= d; ++a)
    for (int b = 0; a + b <= d; ++b)
      for (int e = 0; a + b + e <= d; ++e)
        c[(a * D + b) * D + e] = coef[at(posTet(d, a, b, e, d - a - b - e))];
  for (int level = d; level > 0; --level)
    for (int a = 0; a < level; ++a)
      for (int b = 0; a + b < level; ++b)
        for (int e = 0; a + b + e < level; ++e) {
          const int i = (a * D + b) * D + e;
          c[i] = u * c[i + D * D] + v * c[i + D] + w * c[i + 1] + t * c[i];
        }
  return c[0];
}

template <class T, class Layout>
double hoCasteljauPrism(const T *coef, int d, Layout at, double u1, double u2, double u3,
                        double h) {
  const int D = d + 1;
  double c[ho_casteljau::D_MAX * ho_casteljau::D_MAX * ho_casteljau::D_MAX]; // c[k][a][b]
  for (int k = 0; k <= d; ++k)
    for (int a = 0; a <= d; ++a)
      for (int b = 0; a + b <= d; ++b)
        c[(k * D + a) * D + b] = coef[at(posPri(d, a, b, d - a - b, k))];
  for (int k = 0; k < D; ++k) ho_casteljau::passTri(c + k * D * D, d, D, u1, u2, u3);
  ho_casteljau::pass1d(c, d, D * D, h);
  return c[0];
}

// The pyramid at (u, v, w), w the height: layer k is the tensor polynomial of degree d - k in
// (u, v) / (1 - w). The caller handles the apex (w = 1).
template <class T, class Layout>
double hoCasteljauPyramid(const T *coef, int d, Layout at, double u, double v, double w) {
  const int D = d + 1;
  double c[ho_casteljau::D_MAX * ho_casteljau::D_MAX * ho_casteljau::D_MAX]; // c[k][i][j]
  for (int k = 0; k <= d; ++k)
    for (int i = 0; i <= d - k; ++i)
      for (int j = 0; j <= d - k; ++j) c[(k * D + i) * D + j] = coef[at(posPyr(d, i, j, k))];
  const double s = u / (1 - w), t = v / (1 - w);
  for (int k = 0; k < D; ++k) {
    double *layer = c + k * D * D;
    const int m = d - k;
    for (int j = 0; j <= m; ++j) ho_casteljau::pass1d(layer + j, m, D, s);
    ho_casteljau::pass1d(layer, m, 1, t);
  }
  ho_casteljau::pass1d(c, d, D * D, w);
  return c[0];
}
