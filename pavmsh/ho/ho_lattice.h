// Reference elements of the seven element kinds, their integer node lattices and canonical node
// orders, the reference coordinates of the nodes, first-order vertex weights, and the storage
// positions of Bezier coefficients inside one element.
//
// Lattice coordinates of a node of an element of degree d (non-negative integers):
//   edge           i                 0 <= i <= d
//   triangle       (a, b, c)         a + b + c = d (barycentric weights times d)
//   quadrilateral  (i, j)            0 <= i, j <= d
//   tetrahedron    (a, b, c, e)      a + b + c + e = d
//   pyramid        (i, j, k)         0 <= k <= d, 0 <= i, j <= d - k (apex (0, 0, d) above vertex
//   0) prism          (a, b, c, k)      a + b + c = d, 0 <= k <= d (k the height of the layer)
//   hexahedron     (i, j, k)         0 <= i, j, k <= d
// The node at lattice point p sits at the reference point p / d.
//
// Every table returned here is built once, on first use (thread-safe), and lives until the end of
// the process; callers never free it.
#pragma once

#include <cstdint>
#include <cstdio>

#include "pav_status.h"

// The seven element kinds of the numerics. This is not the order of the entity type codes (which
// put hexahedra before pyramids and prisms); hoKindOfType translates.
enum HoKind : int {
  HoEdge = 0,
  HoTriangle = 1,
  HoQuadrilateral = 2,
  HoTetrahedron = 3,
  HoPyramid = 4,
  HoPrism = 5,
  HoHexahedron = 6,
};
constexpr int HO_KIND_COUNT = 7;
// Highest degree of a solution field; tables exist for degrees 0 to HO_MAX_DEGREE.
constexpr int HO_MAX_DEGREE = 10;

// Number of nodes of an element of the kind and degree (1 for degree 0, 0 for a negative degree).
int64_t hoNodeCount(HoKind kind, int degree);

// Number of integers per row of the node order table: 1 for the edge (its single coordinate i),
// else the number of lattice coordinates (3 triangle, 2 quadrilateral, 4 tetrahedron, 3 pyramid,
// 4 prism, 3 hexahedron).
int hoOrderWidth(HoKind kind);

// Number of reference coordinates of a point of the kind: 1 edge, 3 triangle (barycentric),
// 2 quadrilateral, 4 tetrahedron (barycentric), 3 pyramid, 4 prism (3 barycentric and the height),
// 3 hexahedron.
int hoRefWidth(HoKind kind);

// The canonical node order of the kind at degree 0..HO_MAX_DEGREE: hoNodeCount rows of
// hoOrderWidth lattice coordinates, in the order nodes are stored in the mesh object and in
// files. Fatal for a degree out of range.
const int *hoNodeOrder(HoKind kind, int degree);

// Reference coordinates of the nodes in canonical order: hoNodeCount rows of hoRefWidth doubles
// (lattice coordinate / degree; for degree 0 every coordinate is 1 / hoRefWidth, the edge's 0.5).
const double *hoNodeRefCoords(HoKind kind, int degree);

// Storage position of each node: pos[node] is the position of the node's lattice point in the
// lexicographic Bezier layout of the kind (the pos* functions below; edge: i).
const int *hoNodeToPos(HoKind kind, int degree);
// The inverse: node[pos] is the canonical index of the node stored at that position.
const int *hoPosToNode(HoKind kind, int degree);

// The kind and degree of a geometric entity type code (3, 4, 6..31); false for any other code.
bool hoKindOfType(int type, HoKind *kind, int *degree);

// The reference node ordering table of a geometric entity type (codes 3, 4, 6..31: edges to
// hexahedra of degree 1 to 4), hoNodeOrder of its kind and degree. Any other code writes
// " pav_Typ2Ordering is undefined for Typ %d !\n" into status and gives null; a null status gives
// null (the null-status message is lost).
const int *pav_Typ2Ordering(int type, char *status);

// Reference coordinates of the nodes of a first-order type code (4 triangle, 6 quadrilateral,
// 7 tetrahedron, 8 pyramid, 9 prism, 10 hexahedron) at degree 0..10, in canonical order. *dim
// receives the number of coordinates per node. The array of nodes x *dim doubles is newly
// allocated with new[] and owned by the caller (delete[]). A type outside these or a degree above
// 10 is fatal.
double *GetCrdNodByTyp(int type, int degree, int *dim);

// First-order vertex weights at a reference point of a type (6 quadrilateral, 7 tetrahedron,
// 8 pyramid, 9 prism, 10 hexahedron); *count receives the number of vertices. The array is newly
// allocated with new[] and owned by the caller. Triangles and other types are fatal, as are
// pyramid or hexahedron weights whose sum is not 1 within 1e-5.
double *GetBasisFunctionsFromCrdNod(int type, const double *crd, int *count);

// The combinatorial helpers of the numerics (node bases, conversions, Jacobian term tables).

// n! as a 32-bit integer (exact up to 12!); 0! = 1; a negative n writes "No negative factorial !\n"
// to the standard error stream and gives 0.
int hoFactorial(int n);
// x^n for any integer n (x^-n = (1/x)^n), by repeated products, for float or double x.
template <typename T> T hoIntPow(T x, int n) {
  if (n < 0) {
    x = T(1) / x;
    n = -n;
  }
  T r = T(1);
  for (int i = 0; i < n; ++i) r = x * r;
  return r;
}
// The binomial coefficient C(n, k) for 0 <= k <= n <= 2 * HO_MAX_DEGREE (0 outside), exact.
double hoBinomial(int n, int k);
// (a_0 + ... + a_{count-1})! / (a_0! ... a_{count-1}!) for a multi-index whose sum is at most 12.
double hoMultinomial(const int *a, int count);
// The 1-D Bernstein polynomials of degree d (0..2 * HO_MAX_DEGREE) at s: b[i] = C(d, i) s^i
// (1-s)^(d-i), i = 0..d; and, when db is not null, their derivatives db[i].
void hoBernstein1d(int d, double s, double *b, double *db = nullptr);

// Values at one reference point of the Bernstein basis of the kind and degree (degree 0..10), one
// per node in canonical order (the basis function of a node has the node's lattice point as its
// multi-index). The reference point has hoRefWidth coordinates, as in hoNodeRefCoords. phi must
// hold hoNodeCount doubles. Pyramid: B(d,k,w) B(m,i,u/(1-w)) B(m,j,v/(1-w)), m = d - k, and at the
// apex (w = 1) only the apex function is 1.
void hoBernsteinBasis(HoKind kind, int degree, const double *ref, double *phi);

namespace ho_detail {
// Prints the position-check messages on the standard error stream and ends the process.
[[noreturn]] void posFail(const char *name, int d, int i, int j, int k);
[[noreturn]] void posMultiDegPriFail(int p, int q, int a, int b, int c, int l);
} // namespace ho_detail

// Storage positions of Bezier coefficients. Each checks its lattice constraint and is fatal on a
// violation (messages on the standard error stream).

// Triangle (i, j, k), i + j + k = d: i ascending, then j descending.
inline int posTri(int d, int i, int j, int k) {
  if (i + j + k != d || i < 0 || j < 0 || k < 0 || i > d || j > d || k > d)
    ho_detail::posFail("posTri", d, i, j, k);
  return i * d - i * (i - 1) / 2 + (d - j);
}

// Quadrilateral (i, j), 0 <= i, j <= d.
inline int posQua(int d, int i, int j) {
  if (i < 0 || j < 0 || i > d || j > d) ho_detail::posFail("posQua", d, i, j, 0);
  return i * (d + 1) + j;
}

// Hexahedron (i, j, k), 0 <= i, j, k <= d.
inline int posHex(int d, int i, int j, int k) {
  if (i < 0 || j < 0 || k < 0 || i > d || j > d || k > d) ho_detail::posFail("posHex", d, i, j, k);
  return (i * (d + 1) + j) * (d + 1) + k;
}

// Tetrahedron (a, b, c, e), a + b + c + e = d: a ascending, then b descending, then c ascending.
inline int posTet(int d, int a, int b, int c, int e) {
  if (a < 0 || b < 0 || c < 0 || e < 0 || a + b + c + e != d)
    ho_detail::posFail("posTet", d, a, b, c);
  int base = 0;
  for (int s = 0; s < a; ++s) base += (d - s + 1) * (d - s + 2) / 2;
  const int m = d - a;
  return base + (m - b) * (m - b + 1) / 2 + c;
}

// Prism (a, b, c, k), a + b + c = d, 0 <= k <= d: layers from the bottom, each in triangle order.
inline int posPri(int d, int a, int b, int c, int k) {
  if (a < 0 || b < 0 || c < 0 || a + b + c != d || k < 0 || k > d)
    ho_detail::posFail("posPri", d, a, b, c);
  return k * (d + 1) * (d + 2) / 2 + a * d - a * (a - 1) / 2 + (d - b);
}

// Prism of triangle degree p and height degree q: (a, b, c) with a + b + c = p, 0 <= l <= q.
inline int posMultiDegPri(int p, int q, int a, int b, int c, int l) {
  if (a < 0 || b < 0 || c < 0 || a + b + c != p || l < 0 || l > q)
    ho_detail::posMultiDegPriFail(p, q, a, b, c, l);
  return l * (p + 1) * (p + 2) / 2 + a * p - a * (a - 1) / 2 + (p - b);
}

// Pyramid (i, j, k), 0 <= k <= d, 0 <= i, j <= d - k: layers from the base up, inside a layer
// i descending, then j descending.
inline int posPyr(int d, int i, int j, int k) {
  if (k < 0 || k > d || i < 0 || j < 0 || i > d - k || j > d - k)
    ho_detail::posFail("posPyr", d, i, j, k);
  int base = 0;
  for (int s = 0; s < k; ++s) base += (d - s + 1) * (d - s + 1);
  const int m = d - k;
  return base + (m - i) * (m + 1) + (m - j);
}
