// Evaluation of Bezier coefficients stored in canonical node order, through the de Casteljau
// evaluator shared with the Jacobians (ho_casteljau.h).
#include "ho_bezier.h"
#include "ho_casteljau.h"
#include "pav_status.h"

#include <cmath>
#include <cstdio>
#include <new>

namespace {

constexpr int D_MAX = HO_MAX_DEGREE + 1;

[[noreturn]] void degreeFail(const char *name, int degree) {
  pav_Fatal(" ERROR : in %s case %d not considered \n", name, degree);
}

HoNodeLayout nodes(HoKind kind, int degree) { return HoNodeLayout{hoPosToNode(kind, degree)}; }

} // namespace

double pav_EvaluateValueOnEdge(const float *coef, int degree, double u) {
  if (degree == 0) return coef[0];
  if (degree < 0 || degree > HO_MAX_DEGREE) degreeFail("pav_EvaluateValueOnEdge", degree);
  return hoCasteljauEdge(coef, degree, nodes(HoEdge, degree), u);
}

double pav_EvaluateValueOnTriangle(const float *coef, int degree, double u, double v, double w) {
  if (degree == 0) return coef[0];
  if (degree < 0 || degree > HO_MAX_DEGREE) degreeFail("pav_EvaluateValueOnTriangle", degree);
  return hoCasteljauTriangle(coef, degree, nodes(HoTriangle, degree), u, v, w);
}

double pav_EvaluateValueOnQuadrilateral(const float *coef, int degree, double u, double v) {
  if (degree == 0) return coef[0];
  if (degree < 0 || degree > HO_MAX_DEGREE) degreeFail("pav_EvaluateValueOnQuadrilateral", degree);
  return hoCasteljauQuadrilateral(coef, degree, nodes(HoQuadrilateral, degree), u, v);
}

double pav_EvaluateValueOnTetrahedra(const float *coef, int degree, double u, double v, double w,
                                     double t) {
  const double sum = u + v + w + t;
  if (std::fabs(sum - 1) > 1e-4) {
    pav_Message(false, "ERROR pav_EvaluateValueOnTetrahedra : u = %f, v = %f, w = %f, t = %f \n", u,
                v, w, t);
    pav_Message(false, "ERROR u + v + w + t = %f \n", sum);
    pav_Fatal("ERROR u + v + w + t should be equal to 1 \n");
  }
  if (degree == 0) return coef[0];
  if (degree < 0 || degree > HO_MAX_DEGREE) degreeFail("pav_EvaluateValueOnTetrahedra", degree);
  return hoCasteljauTetrahedron(coef, degree, nodes(HoTetrahedron, degree), u, v, w, t);
}

double pav_EvaluateValueOnPrism(const float *coef, int degree, double u1, double u2, double u3,
                                double h) {
  const double sum = u1 + u2 + u3;
  if (std::fabs(sum - 1) > 1e-4) {
    pav_Message(false, "ERROR pav_EvaluateValueOnPrism : u1 = %f, u2 = %f, u3 = %f \n", u1, u2, u3);
    pav_Message(false, "ERROR u1 + u2 + u3 = %f \n", sum);
    pav_Fatal("ERROR u1 + u2 + u3 should be equal to 1 \n");
  }
  if (degree == 0) return coef[0];
  if (degree < 0 || degree > HO_MAX_DEGREE) degreeFail("pav_EvaluateValueOnPrism", degree);
  return hoCasteljauPrism(coef, degree, nodes(HoPrism, degree), u1, u2, u3, h);
}

double pav_EvaluateValueOnPyramid(const float *coef, int degree, double u, double v, double w) {
  if (degree == 0) return coef[0];
  if (degree < 0 || degree > HO_MAX_DEGREE) degreeFail("pav_EvaluateValueOnPyramid", degree);
  // The apex (lattice point (0, 0, d)) is vertex 4 of the canonical order.
  if (std::fabs(1 - w) < 1e-10) return coef[4];
  return hoCasteljauPyramid(coef, degree, nodes(HoPyramid, degree), u, v, w);
}

double pav_EvaluateValueOnHexahedra(const float *coef, int degree, double u, double v, double w) {
  if (degree == 0) return coef[0];
  if (degree < 0 || degree > HO_MAX_DEGREE) degreeFail("pav_EvaluateValueOnHexahedra", degree);
  return hoCasteljauHexahedron(coef, degree, nodes(HoHexahedron, degree), u, v, w);
}

int pav_EvaluateInterEdge(const double *control, int degree, const double *plane, int *count,
                          double **point, double *param) {
  if (degree < 1 || degree > HO_MAX_DEGREE)
    pav_Fatal(" ERROR : in pav_EvaluateInterEdge case %d not considered \n", degree);
  const int d = degree;
  double poly[D_MAX][3];
  for (int i = 0; i <= d; ++i)
    for (int c = 0; c < 3; ++c) poly[i][c] = control[3 * i + c];
  const auto side = [plane](const double *p) {
    return plane[0] * p[0] + plane[1] * p[1] + plane[2] * p[2] + plane[3];
  };
  // The halving shrinks the polygon geometrically; the cap only guards against NaN input.
  for (int iter = 0; iter < 200; ++iter) {
    // De Casteljau at the middle: the left half takes the first point of every level, the right
    // half the last one.
    double lvl[D_MAX][3], dl[D_MAX][3], dr[D_MAX][3];
    for (int i = 0; i <= d; ++i)
      for (int c = 0; c < 3; ++c) lvl[i][c] = poly[i][c];
    for (int r = 0; r <= d; ++r) {
      for (int c = 0; c < 3; ++c) dl[r][c] = lvl[0][c], dr[d - r][c] = lvl[d - r][c];
      for (int i = 0; i < d - r; ++i)
        for (int c = 0; c < 3; ++c) lvl[i][c] = 0.5 * lvl[i][c] + 0.5 * lvl[i + 1][c];
    }
    double fl[D_MAX], fr[D_MAX];
    int nl = 0, nr = 0;
    for (int i = 0; i <= d; ++i) {
      fl[i] = side(dl[i]);
      fr[i] = side(dr[i]);
      if (i > 0 && (fl[i] < 0) != (fl[i - 1] < 0)) ++nl;
      if (i > 0 && (fr[i] < 0) != (fr[i - 1] < 0)) ++nr;
    }
    if (nl > 0 && nr > 0) return 2;
    if (nl == 0 && nr == 0) {
      *count = 0;
      return 0;
    }
    const bool left = nl > 0;
    double(*half)[3] = left ? dl : dr;
    const double *f = left ? fl : fr;
    if (!*point) *point = new double[3];
    double *pt = *point;
    for (int i = 0; i < d; ++i) {
      if ((f[i] < 0) == (f[i + 1] < 0)) continue;
      double s = 1;
      if (std::fabs(f[i + 1] - f[i]) <= 1e-10)
        pav_Message(false,
                    "pav_EvaluateInterEdge : fabs(%s[i] / (%s[i + 1] - %s[i])) almost equal to "
                    "zero \n",
                    left ? "dl" : "dr", left ? "dl" : "dr", left ? "dl" : "dr");
      else
        s = std::fabs(f[i] / (f[i + 1] - f[i]));
      double seg = 0, part = 0;
      for (int c = 0; c < 3; ++c) {
        pt[c] = half[i][c] + s * (half[i + 1][c] - half[i][c]);
        seg += (half[i + 1][c] - half[i][c]) * (half[i + 1][c] - half[i][c]);
        part += (pt[c] - half[i][c]) * (pt[c] - half[i][c]);
      }
      param[2] = i * 0.5 + (seg > 0 ? 0.5 * std::sqrt(part / seg) : 0.0);
    }
    *count = left ? nl : nr;
    const double mid = 0.5 * (param[0] + param[1]);
    (left ? param[1] : param[0]) = mid;
    double dist = 0;
    for (int c = 0; c < 3; ++c) dist += (pt[c] - half[d][c]) * (pt[c] - half[d][c]);
    if (!(dist > 0.001)) return 0;
    for (int i = 0; i <= d; ++i)
      for (int c = 0; c < 3; ++c) poly[i][c] = half[i][c];
  }
  return 0;
}

double hoEvaluateValue(HoKind kind, const float *c, int d, const double *x) {
  switch (kind) {
  case HoEdge:
    return pav_EvaluateValueOnEdge(c, d, x[0]);
  case HoTriangle:
    return pav_EvaluateValueOnTriangle(c, d, x[0], x[1], x[2]);
  case HoQuadrilateral:
    return pav_EvaluateValueOnQuadrilateral(c, d, x[0], x[1]);
  case HoTetrahedron:
    return pav_EvaluateValueOnTetrahedra(c, d, x[0], x[1], x[2], x[3]);
  case HoPyramid:
    return pav_EvaluateValueOnPyramid(c, d, x[0], x[1], x[2]);
  case HoPrism:
    return pav_EvaluateValueOnPrism(c, d, x[0], x[1], x[2], x[3]);
  case HoHexahedron:
    return pav_EvaluateValueOnHexahedra(c, d, x[0], x[1], x[2]);
  }
  pav_Fatal("Define pav_EvaluateValue... for typ %d \n", int(kind));
}
