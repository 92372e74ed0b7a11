#include "ho_lattice.h"

#include "pav_status.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// A lattice point with up to four integer coordinates.
using Pt = std::array<int, 4>;
using Pts = std::vector<Pt>;

Pt add(const Pt &p, int s) { return {p[0] + s, p[1] + s, p[2] + s, p[3] + s}; }

// The d - 1 nodes of the edge from P to Q, walking from P (the division is exact).
void edgeNodes(Pts &out, const Pt &p, const Pt &q, int d) {
  for (int t = 1; t < d; ++t) {
    Pt r;
    for (int c = 0; c < 4; ++c) r[c] = p[c] + t * (q[c] - p[c]) / d;
    out.push_back(r);
  }
}

Pts triangleOrder(int d);
Pts quadOrder(int d);

// Interior nodes of a triangular face (F0, F1, F2) of an element of degree d: the inner triangle
// of degree d - 3, its vertex 0, 1, 2 next to F0, F1, F2.
void triFaceNodes(Pts &out, const Pt &f0, const Pt &f1, const Pt &f2, int d) {
  for (const Pt &n : triangleOrder(d - 3)) {
    Pt r;
    for (int c = 0; c < 4; ++c)
      r[c] = ((n[0] + 1) * f0[c] + (n[1] + 1) * f1[c] + (n[2] + 1) * f2[c]) / d;
    out.push_back(r);
  }
}

// Interior nodes of a quadrilateral face (F0, F1, F2, F3): first direction F0 -> F1, second
// F0 -> F3.
void quadFaceNodes(Pts &out, const Pt &f0, const Pt &f1, const Pt &f3, int d) {
  for (const Pt &n : quadOrder(d - 2)) {
    Pt r;
    for (int c = 0; c < 4; ++c)
      r[c] = f0[c] + (n[0] + 1) * (f1[c] - f0[c]) / d + (n[1] + 1) * (f3[c] - f0[c]) / d;
    out.push_back(r);
  }
}

void appendOffset(Pts &out, const Pts &inner) {
  for (const Pt &n : inner) out.push_back(add(n, 1));
}

// Every kind follows one recipe: vertices, edge nodes, face interiors, then the interior as a
// smaller element of the same kind offset by 1 (the prism's interior goes by layers instead).
Pts edgeOrder(int d) {
  if (d < 0) return {};
  if (d == 0) return {Pt{0, 0, 0, 0}};
  Pts out{{0, 0, 0, 0}, {d, 0, 0, 0}};
  const Pts v = out;
  edgeNodes(out, v[0], v[1], d);
  return out;
}

Pts triangleOrder(int d) {
  if (d < 0) return {};
  if (d == 0) return {Pt{0, 0, 0, 0}};
  Pts out{{d, 0, 0, 0}, {0, d, 0, 0}, {0, 0, d, 0}};
  const Pts v = out;
  edgeNodes(out, v[0], v[1], d);
  edgeNodes(out, v[1], v[2], d);
  edgeNodes(out, v[2], v[0], d);
  appendOffset(out, triangleOrder(d - 3));
  return out;
}

Pts quadOrder(int d) {
  if (d < 0) return {};
  if (d == 0) return {Pt{0, 0, 0, 0}};
  Pts out{{0, 0, 0, 0}, {d, 0, 0, 0}, {d, d, 0, 0}, {0, d, 0, 0}};
  const Pts v = out;
  for (int e = 0; e < 4; ++e) edgeNodes(out, v[e], v[(e + 1) % 4], d);
  appendOffset(out, quadOrder(d - 2));
  return out;
}

Pts tetOrder(int d) {
  if (d < 0) return {};
  if (d == 0) return {Pt{0, 0, 0, 0}};
  Pts out{{d, 0, 0, 0}, {0, d, 0, 0}, {0, 0, d, 0}, {0, 0, 0, d}};
  const Pts v = out;
  static const int edges[6][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
  for (const auto &e : edges) edgeNodes(out, v[e[0]], v[e[1]], d);
  static const int faces[4][3] = {{0, 1, 2}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}};
  for (const auto &f : faces) triFaceNodes(out, v[f[0]], v[f[1]], v[f[2]], d);
  appendOffset(out, tetOrder(d - 4));
  return out;
}

Pts pyramidOrder(int d) {
  if (d < 0) return {};
  if (d == 0) return {Pt{0, 0, 0, 0}};
  Pts out{{0, 0, 0, 0}, {d, 0, 0, 0}, {d, d, 0, 0}, {0, d, 0, 0}, {0, 0, d, 0}};
  const Pts v = out;
  static const int edges[8][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 4}, {1, 4}, {2, 4}, {3, 4}};
  for (const auto &e : edges) edgeNodes(out, v[e[0]], v[e[1]], d);
  quadFaceNodes(out, v[0], v[1], v[3], d);
  static const int faces[4][3] = {{0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}};
  for (const auto &f : faces) triFaceNodes(out, v[f[0]], v[f[1]], v[f[2]], d);
  appendOffset(out, pyramidOrder(d - 3));
  return out;
}

Pts prismOrder(int d) {
  if (d < 0) return {};
  if (d == 0) return {Pt{0, 0, 0, 0}};
  Pts out{{d, 0, 0, 0}, {0, d, 0, 0}, {0, 0, d, 0}, {d, 0, 0, d}, {0, d, 0, d}, {0, 0, d, d}};
  const Pts v = out;
  static const int edges[9][2] = {{0, 1}, {1, 2}, {2, 0}, {3, 4}, {4, 5},
                                  {5, 3}, {0, 3}, {1, 4}, {2, 5}};
  for (const auto &e : edges) edgeNodes(out, v[e[0]], v[e[1]], d);
  const Pts inner = triangleOrder(d - 3);
  auto layer = [&](int k) {
    for (const Pt &n : inner) out.push_back({n[0] + 1, n[1] + 1, n[2] + 1, k});
  };
  layer(0);
  layer(d);
  static const int quads[3][3] = {{0, 1, 3}, {1, 2, 4}, {2, 0, 5}}; // F0, F1, F3
  for (const auto &q : quads) quadFaceNodes(out, v[q[0]], v[q[1]], v[q[2]], d);
  // Interior layers taken alternately from both ends inward: 0, q, 1, q-1, ...
  for (int lo = 0, hi = d - 2; lo <= hi; ++lo, --hi) {
    layer(lo + 1);
    if (lo != hi) layer(hi + 1);
  }
  return out;
}

Pts hexOrder(int d) {
  if (d < 0) return {};
  if (d == 0) return {Pt{0, 0, 0, 0}};
  Pts out{{0, 0, 0, 0}, {d, 0, 0, 0}, {d, d, 0, 0}, {0, d, 0, 0},
          {0, 0, d, 0}, {d, 0, d, 0}, {d, d, d, 0}, {0, d, d, 0}};
  const Pts v = out;
  static const int edges[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                                   {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
  for (const auto &e : edges) edgeNodes(out, v[e[0]], v[e[1]], d);
  static const int faces[6][3] = {{0, 1, 3}, {4, 5, 7}, {0, 1, 4},
                                  {1, 2, 5}, {2, 3, 6}, {3, 0, 7}}; // F0, F1, F3
  for (const auto &f : faces) quadFaceNodes(out, v[f[0]], v[f[1]], v[f[2]], d);
  appendOffset(out, hexOrder(d - 2));
  return out;
}

Pts kindOrder(HoKind kind, int d) {
  switch (kind) {
  case HoEdge:
    return edgeOrder(d);
  case HoTriangle:
    return triangleOrder(d);
  case HoQuadrilateral:
    return quadOrder(d);
  case HoTetrahedron:
    return tetOrder(d);
  case HoPyramid:
    return pyramidOrder(d);
  case HoPrism:
    return prismOrder(d);
  case HoHexahedron:
    return hexOrder(d);
  }
  return {};
}

int posOf(HoKind kind, int d, const Pt &p) {
  switch (kind) {
  case HoEdge:
    return p[0];
  case HoTriangle:
    return posTri(d, p[0], p[1], p[2]);
  case HoQuadrilateral:
    return posQua(d, p[0], p[1]);
  case HoTetrahedron:
    return posTet(d, p[0], p[1], p[2], p[3]);
  case HoPyramid:
    return posPyr(d, p[0], p[1], p[2]);
  case HoPrism:
    return posPri(d, p[0], p[1], p[2], p[3]);
  case HoHexahedron:
    return posHex(d, p[0], p[1], p[2]);
  }
  return 0;
}

struct Table {
  std::vector<int> order;
  std::vector<double> ref;
  std::vector<int> nodeToPos, posToNode;
};

// All tables of every kind and degree, built on first use; function-local static initialisation
// is thread-safe, and the whole set is a few hundred kilobytes.
struct Tables {
  Table t[HO_KIND_COUNT][HO_MAX_DEGREE + 1];
  Tables() {
    for (int k = 0; k < HO_KIND_COUNT; ++k)
      for (int d = 0; d <= HO_MAX_DEGREE; ++d) build(static_cast<HoKind>(k), d, t[k][d]);
  }
  static void build(HoKind kind, int d, Table &tab) {
    const Pts pts = kindOrder(kind, d);
    const int w = hoOrderWidth(kind), rw = hoRefWidth(kind);
    const int n = static_cast<int>(pts.size());
    tab.order.resize(static_cast<size_t>(n) * w);
    tab.ref.resize(static_cast<size_t>(n) * rw);
    tab.nodeToPos.resize(n);
    tab.posToNode.assign(n, -1);
    for (int i = 0; i < n; ++i) {
      for (int c = 0; c < w; ++c) tab.order[i * w + c] = pts[i][c];
      for (int c = 0; c < rw; ++c)
        tab.ref[i * rw + c] = d == 0 ? 1.0 / (kind == HoEdge ? 2 : rw) : double(pts[i][c]) / d;
      const int p = posOf(kind, d, pts[i]);
      tab.nodeToPos[i] = p;
      if (p >= 0 && p < n) tab.posToNode[p] = i;
    }
  }
};

const Table &table(HoKind kind, int degree) {
  static const Tables all;
  if (kind < 0 || kind >= HO_KIND_COUNT || degree < 0 || degree > HO_MAX_DEGREE)
    pav_Fatal("ho lattice: kind %d, degree %d not considered \n", int(kind), degree);
  return all.t[kind][degree];
}

} // namespace

int64_t hoNodeCount(HoKind kind, int degree) {
  const int64_t d = degree;
  if (d < 0) return 0;
  switch (kind) {
  case HoEdge:
    return d + 1;
  case HoTriangle:
    return (d + 1) * (d + 2) / 2;
  case HoQuadrilateral:
    return (d + 1) * (d + 1);
  case HoTetrahedron:
    return (d + 1) * (d + 2) * (d + 3) / 6;
  case HoPyramid:
    return (d + 1) * (d + 2) * (2 * d + 3) / 6;
  case HoPrism:
    return (d + 1) * (d + 1) * (d + 2) / 2;
  case HoHexahedron:
    return (d + 1) * (d + 1) * (d + 1);
  }
  return 0;
}

int hoOrderWidth(HoKind kind) {
  static const int w[HO_KIND_COUNT] = {1, 3, 2, 4, 3, 4, 3};
  return w[kind];
}

int hoRefWidth(HoKind kind) {
  static const int w[HO_KIND_COUNT] = {1, 3, 2, 4, 3, 4, 3};
  return w[kind];
}

const int *hoNodeOrder(HoKind kind, int degree) { return table(kind, degree).order.data(); }
const double *hoNodeRefCoords(HoKind kind, int degree) { return table(kind, degree).ref.data(); }
const int *hoNodeToPos(HoKind kind, int degree) { return table(kind, degree).nodeToPos.data(); }
const int *hoPosToNode(HoKind kind, int degree) { return table(kind, degree).posToNode.data(); }

bool hoKindOfType(int type, HoKind *kind, int *degree) {
  // Degree 1 has its own order of codes; degrees 2 to 4 run edge, triangle, quadrilateral,
  // tetrahedron, hexahedron, pyramid, prism from code 11.
  static const HoKind p1[8] = {HoEdge,          HoTriangle,    HoTriangle /* 5: unused */,
                               HoQuadrilateral, HoTetrahedron, HoPyramid,
                               HoPrism,         HoHexahedron};
  static const HoKind hoOrder[7] = {HoEdge,       HoTriangle, HoQuadrilateral, HoTetrahedron,
                                    HoHexahedron, HoPyramid,  HoPrism};
  if (type >= 3 && type <= 10 && type != 5) {
    *kind = p1[type - 3];
    *degree = 1;
    return true;
  }
  if (type >= 11 && type <= 31) {
    *kind = hoOrder[(type - 11) % 7];
    *degree = 2 + (type - 11) / 7;
    return true;
  }
  return false;
}

const int *pav_Typ2Ordering(int type, char *status) {
  if (!status) {
    pav_SetStatus(status, PAV_MSG_NULL_STATUS);
    return nullptr;
  }
  HoKind kind;
  int degree;
  if (!hoKindOfType(type, &kind, &degree)) {
    pav_SetStatus(status, " pav_Typ2Ordering is undefined for Typ %d !\n", type);
    return nullptr;
  }
  return hoNodeOrder(kind, degree);
}

// First-order codes 4, 6..10 to kinds; -1 marks a code without a volume or face kind.
static int kindOfP1Type(int type) {
  switch (type) {
  case 4:
    return HoTriangle;
  case 6:
    return HoQuadrilateral;
  case 7:
    return HoTetrahedron;
  case 8:
    return HoPyramid;
  case 9:
    return HoPrism;
  case 10:
    return HoHexahedron;
  default:
    return -1;
  }
}

double *GetCrdNodByTyp(int type, int degree, int *dim) {
  const int k = kindOfP1Type(type);
  if (k < 0) pav_Fatal("GetCrdNodByTyp Typ %d not defined \n", type);
  if (degree > HO_MAX_DEGREE || degree < 0)
    pav_Fatal("GetCrdNodByTyp Typ %d, deg %d not considered \n", type, degree);
  const HoKind kind = static_cast<HoKind>(k);
  const int w = hoRefWidth(kind);
  const int64_t n = hoNodeCount(kind, degree) * w;
  *dim = w;
  double *crd = new double[n];
  const double *ref = hoNodeRefCoords(kind, degree);
  for (int64_t i = 0; i < n; ++i) crd[i] = ref[i];
  return crd;
}

double *GetBasisFunctionsFromCrdNod(int type, const double *crd, int *count) {
  double *phi = nullptr;
  switch (type) {
  case 6: {
    const double x = crd[0], y = crd[1];
    *count = 4;
    phi = new double[4]{(1 - x) * (1 - y), x * (1 - y), x * y, (1 - x) * y};
    break;
  }
  case 7:
    *count = 4;
    phi = new double[4]{crd[0], crd[1], crd[2], crd[3]};
    break;
  case 8: {
    const double x = crd[0], y = crd[1], z = crd[2];
    *count = 5;
    if (z == 1.0) {
      phi = new double[5]{0, 0, 0, 0, 1};
      break;
    }
    const double r = 1.0 / (1 - z);
    phi = new double[5]{(1 - x - z) * (1 - y - z) * r, x * (1 - y - z) * r, x * y * r,
                        (1 - x - z) * y * r, z};
    const double sum = phi[0] + phi[1] + phi[2] + phi[3] + phi[4];
    if (std::fabs(sum - 1) > 1e-5) {
      pav_Message(false,
                  "GetBasisFunctionsFromCrdNod : case Pyramid, the sum should be equal to 1 ");
      pav_Message(false, "Phi Pyr %f %f %f %f %f \n", phi[0], phi[1], phi[2], phi[3], phi[4]);
      delete[] phi;
      pav_Fatal("somme Phi Pyr %f \n", sum);
    }
    break;
  }
  case 9: {
    const double h = crd[3];
    *count = 6;
    phi = new double[6]{crd[0] * (1 - h), crd[1] * (1 - h), crd[2] * (1 - h),
                        crd[0] * h,       crd[1] * h,       crd[2] * h};
    break;
  }
  case 10: {
    const double x = crd[0], y = crd[1], z = crd[2];
    *count = 8;
    phi = new double[8]{
        (1 - x) * (1 - y) * (1 - z), x * (1 - y) * (1 - z), x * y * (1 - z), (1 - x) * y * (1 - z),
        (1 - x) * (1 - y) * z,       x * (1 - y) * z,       x * y * z,       (1 - x) * y * z};
    double sum = 0;
    for (int i = 0; i < 8; ++i) sum += phi[i];
    if (std::fabs(sum - 1) > 1e-5) {
      pav_Message(false, "GetBasisFunctionsFromCrdNod case Hex, the sum should be equal to 1.");
      pav_Message(false, "phi Hex : %f %f %f %f %f %f %f %f \n", phi[0], phi[1], phi[2], phi[3],
                  phi[4], phi[5], phi[6], phi[7]);
      delete[] phi;
      pav_Fatal("sum phi %f \n", sum);
    }
    break;
  }
  default:
    pav_Fatal("GetBasisFunctionsFromCrdNod : typ %d not considered \n", type);
  }
  return phi;
}

int hoFactorial(int n) {
  if (n < 0) {
    pav_Message(true, "No negative factorial !\n");
    return 0;
  }
  int f = 1;
  for (int i = 2; i <= n; ++i) f *= i;
  return f;
}

double hoBinomial(int n, int k) {
  constexpr int N = 2 * HO_MAX_DEGREE;
  struct Pascal {
    double c[N + 1][N + 1] = {};
    Pascal() {
      for (int i = 0; i <= N; ++i) {
        c[i][0] = c[i][i] = 1;
        for (int j = 1; j < i; ++j) c[i][j] = c[i - 1][j - 1] + c[i - 1][j];
      }
    }
  };
  static const Pascal pascal;
  if (n < 0 || n > N || k < 0 || k > n) return 0;
  return pascal.c[n][k];
}

double hoMultinomial(const int *a, int count) {
  int sum = 0;
  double den = 1;
  for (int i = 0; i < count; ++i) sum += a[i], den *= hoFactorial(a[i]);
  return hoFactorial(sum) / den;
}

// (1-s)^(d-i) s^i C(d, i) for i = 0..d, by powers (no cancellation at the ends); the derivative
// is d times the difference of the two neighbours of degree d - 1.
void hoBernstein1d(int d, double s, double *b, double *db) {
  constexpr int N = 2 * HO_MAX_DEGREE;
  double pw[N + 1], qw[N + 1];
  pw[0] = qw[0] = 1;
  for (int i = 1; i <= d; ++i) {
    pw[i] = pw[i - 1] * s;
    qw[i] = qw[i - 1] * (1 - s);
  }
  for (int i = 0; i <= d; ++i) b[i] = hoBinomial(d, i) * pw[i] * qw[d - i];
  if (!db) return;
  if (d == 0) {
    db[0] = 0;
    return;
  }
  double lo[N + 1];
  for (int i = 0; i < d; ++i) lo[i] = hoBinomial(d - 1, i) * pw[i] * qw[d - 1 - i];
  for (int i = 0; i <= d; ++i) db[i] = d * ((i > 0 ? lo[i - 1] : 0.) - (i < d ? lo[i] : 0.));
}

void hoBernsteinBasis(HoKind kind, int degree, const double *ref, double *phi) {
  const int d = degree;
  const int *ord = hoNodeOrder(kind, d);
  const int w = hoOrderWidth(kind);
  const int n = static_cast<int>(hoNodeCount(kind, d));
  double bu[HO_MAX_DEGREE + 1], bv[HO_MAX_DEGREE + 1], bw[HO_MAX_DEGREE + 1];
  const double fd = hoFactorial(d);
  switch (kind) {
  case HoEdge:
    hoBernstein1d(d, ref[0], bu);
    for (int p = 0; p < n; ++p) phi[p] = bu[ord[p]];
    return;
  case HoQuadrilateral:
  case HoHexahedron:
    hoBernstein1d(d, ref[0], bu);
    hoBernstein1d(d, ref[1], bv);
    if (kind == HoHexahedron) hoBernstein1d(d, ref[2], bw);
    for (int p = 0; p < n; ++p) {
      const int *l = ord + p * w;
      phi[p] = bu[l[0]] * bv[l[1]] * (kind == HoHexahedron ? bw[l[2]] : 1.0);
    }
    return;
  case HoTriangle:
  case HoTetrahedron:
    for (int p = 0; p < n; ++p) {
      const int *l = ord + p * w;
      double v = fd;
      for (int c = 0; c < w; ++c) v *= hoIntPow(ref[c], l[c]) / hoFactorial(l[c]);
      phi[p] = v;
    }
    return;
  case HoPrism:
    hoBernstein1d(d, ref[3], bw);
    for (int p = 0; p < n; ++p) {
      const int *l = ord + p * w;
      double v = fd * bw[l[3]];
      for (int c = 0; c < 3; ++c) v *= hoIntPow(ref[c], l[c]) / hoFactorial(l[c]);
      phi[p] = v;
    }
    return;
  case HoPyramid: {
    const double z = ref[2];
    hoBernstein1d(d, z, bw);
    const bool apex = std::fabs(1 - z) < 1e-10;
    const double s = apex ? 0 : ref[0] / (1 - z), t = apex ? 0 : ref[1] / (1 - z);
    for (int p = 0; p < n; ++p) {
      const int *l = ord + p * w;
      const int m = d - l[2];
      if (apex) {
        phi[p] = l[2] == d ? 1.0 : 0.0;
        continue;
      }
      phi[p] = bw[l[2]] * hoBinomial(m, l[0]) * hoIntPow(s, l[0]) * hoIntPow(1 - s, m - l[0]) *
               hoBinomial(m, l[1]) * hoIntPow(t, l[1]) * hoIntPow(1 - t, m - l[1]);
    }
    return;
  }
  }
}

namespace ho_detail {

void posFail(const char *name, int d, int i, int j, int k) {
  pav_Message(true, " #ERROR :%s wrong coefficients in input\n", name);
  if (std::strcmp(name, "posTri") == 0)
    pav_Message(true, " #ERROR :posTri degree %d, i %d, j %d, k %d \n", d, i, j, k);
  pav_Fatal("%s", "");
}

void posMultiDegPriFail(int p, int q, int a, int b, int c, int l) {
  pav_Message(true, " #ERROR :posMultiDegPri wrong coefficients in input\n");
  pav_Message(true, " degijk: %d degl: %d i: %d j: %d k: %d l:  %d\n", p, q, a, b, c, l);
  pav_Fatal("%s", "");
}

} // namespace ho_detail
