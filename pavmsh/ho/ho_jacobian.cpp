// Exact Jacobian determinants of curved elements in Bezier form.
//
// Triangles, quadrilaterals and tetrahedra follow the product rule: the derivatives of a Bezier
// map have as control points the differences of neighbouring control points, and the product of
// two Bernstein polynomials is a Bernstein polynomial of the summed degree, weighted by a ratio of
// multinomial coefficients. Each type has a table of terms (target coefficient, the derivative
// control points involved, weight) generated once from that rule; an element costs one
// Lagrange-to-Bezier conversion, one pass over the table and one product with the (sparse)
// evaluation matrix of the Jacobian at the output nodes.
//
// Hexahedra, prisms and pyramids would need tables of tens of thousands of terms. Their
// determinant is instead sampled exactly (through the derivatives of the Lagrange basis) on the
// Jacobian's own lattice and converted to Bezier form with the inverse 1-D (and, for the prism,
// triangle) collocation matrices applied axis by axis; it is the same polynomial. Pyramids work in
// their collapsed-hexahedron form (Pyr2Hex), which carries the factor (1-w)^2.
//
// Every table is built once per entity type, on first use, under a once-flag; compute() then only
// reads them and works in arrays owned by the HoJacobian object.
#include "ho_jacobian.h"

#include "ho_bezier.h"
#include "ho_casteljau.h"
#include "ho_lattice.h"
#include "pav_lapack.h"
#include "pav_status.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <vector>

namespace {

constexpr int MAX_JAC_DEGREE = 11;

// Multi-indices of a simplex (nbr = 3 triangle, 4 tetrahedron) of degree m, listed by storage
// position (posTri / posTet).
std::vector<std::array<int, 4>> simplexIndices(int nbr, int m) {
  std::vector<std::array<int, 4>> idx;
  if (nbr == 3) {
    idx.resize(static_cast<std::size_t>((m + 1) * (m + 2) / 2));
    for (int a = 0; a <= m; a++)
      for (int b = 0; a + b <= m; b++) idx[posTri(m, a, b, m - a - b)] = {a, b, m - a - b, 0};
  } else {
    idx.resize(static_cast<std::size_t>((m + 1) * (m + 2) * (m + 3) / 6));
    for (int a = 0; a <= m; a++)
      for (int b = 0; a + b <= m; b++)
        for (int c = 0; a + b + c <= m; c++)
          idx[posTet(m, a, b, c, m - a - b - c)] = {a, b, c, m - a - b - c};
  }
  return idx;
}

int simplexPos(int nbr, int m, const int *a) {
  return nbr == 3 ? posTri(m, a[0], a[1], a[2]) : posTet(m, a[0], a[1], a[2], a[3]);
}

// Bernstein simplex polynomial of multi-index a at barycentric point l, and optionally its
// derivatives along l[1..nbr-1] (l[0] = 1 - the others).
double simplexValue(int nbr, const int *a, const double *l, double *grad) {
  const double c = hoMultinomial(a, nbr);
  double v = c;
  for (int i = 0; i < nbr; i++) v *= hoIntPow(l[i], a[i]);
  if (grad) {
    auto partial = [&](int r) {
      // d/dl_r of prod l_i^a_i, holding the others.
      if (a[r] == 0) return 0.;
      double p = c * a[r] * hoIntPow(l[r], a[r] - 1);
      for (int i = 0; i < nbr; i++)
        if (i != r) p *= hoIntPow(l[i], a[i]);
      return p;
    };
    const double d0 = partial(0);
    for (int r = 1; r < nbr; r++) grad[r - 1] = partial(r) - d0;
  }
  return v;
}

// Values of the Bernstein basis of a kind and degree (0..10) at one reference point
// (hoNodeRefCoords layout), by storage position (hoBernsteinBasis gives them by node).
void basisValues(HoKind kind, int d, const double *ref, double *out) {
  const int n = static_cast<int>(hoNodeCount(kind, d));
  std::vector<double> phi(static_cast<std::size_t>(n));
  hoBernsteinBasis(kind, d, ref, phi.data());
  const int *pos = hoNodeToPos(kind, d);
  for (int p = 0; p < n; p++) out[pos[p]] = phi[static_cast<std::size_t>(p)];
}

// The Lagrange-to-Bezier matrix of a kind and degree: row p (storage position) gives the
// control point p as a combination of the nodes in canonical order. It is the inverse of the
// collocation matrix of the Bernstein basis at the nodes.
std::vector<double> lagrangeToBezier(HoKind kind, int d) {
  const int n = static_cast<int>(hoNodeCount(kind, d));
  const int w = hoRefWidth(kind);
  const double *ref = hoNodeRefCoords(kind, d);
  std::vector<double> v(static_cast<std::size_t>(n) * n);
  for (int node = 0; node < n; node++) basisValues(kind, d, ref + node * w, &v[node * n]);
  char status[PAV_STATUS_SIZE];
  if (pav_InvertMatrix(n, v.data(), v.data(), status) != PAV_SUCCESS)
    pav_Fatal(" ERROR : Lagrange to Bezier matrix of kind %d degree %d: %s", static_cast<int>(kind),
              d, status);
  return v;
}

std::vector<double> invertOrDie(int n, std::vector<double> m) {
  char status[PAV_STATUS_SIZE];
  if (pav_InvertMatrix(n, m.data(), m.data(), status) != PAV_SUCCESS)
    pav_Fatal(" ERROR : collocation matrix of size %d: %s", n, status);
  return m;
}

struct Term2 {
  int g, a, b;
  double w;
};
struct Term3 {
  int g, a, b, c;
  double w;
};

struct Rule {
  HoKind kind = HoTriangle;
  int d = 0, dim = 0, ng = 0, jd = 0, q = 0, n = 0, nc = 0;
  bool product = false;
  double factor = 1.; // 3 for pyramids: the mean of (1-w)^2's coefficients is 1/3

  // Geometry control points: ncp of them, by storage position. The product rule converts with
  // the kind's kernel and moves node k to position nodeToPos[k]; sampling folds the
  // Lagrange-to-Bezier matrix l2b (ncp x ng) into its derivative matrices.
  int ncp = 0;
  const int *nodeToPos = nullptr;
  std::vector<double> l2b;

  // Product rule: derivative control point k in direction r is P[plus] - P[minus] (the degree
  // factor is in the weights).
  int nder[3] = {0, 0, 0};
  std::vector<int> plus[3], minus[3];
  std::vector<Term2> terms2;
  std::vector<Term3> terms3;
  int nlow = 0; // derivative control points per direction (simplices)
  // Bernstein basis of the Jacobian at the output nodes, n sparse rows.
  std::vector<int> evalStart, evalCol;
  std::vector<double> evalVal;

  // Sampling: derivative matrices of the Lagrange basis, [direction][point][node].
  std::vector<double> gNod;
  bool sameLattice = false;   // output nodes and Jacobian lattice are the same point set
  std::vector<int> nodeToLat; // lattice position of each output node (sameLattice)
  std::vector<double> gLat;   // on the Jacobian lattice when the sets differ
  std::vector<double> inv1;   // (jd+1)^2: inverse 1-D collocation at the lattice
  int ntri = 0;
  std::vector<double> invTri; // ntri^2: inverse triangle collocation (prisms)

  // Hexahedra by sum factorisation: 1-D Bernstein values and derivatives of the geometry degree at
  // the lattice parameters a/jd (bLat, dbLat: (jd+1) x (d+1)) and, when the stored degree is
  // lower, at the node parameters a/q (bNod, dbNod) with the grid position of each node.
  bool tensor = false;
  std::vector<double> bLat, dbLat, bNod, dbNod;
  std::vector<int> nodeToGrid;
};

// Gradient, in the kind's reference variables, of every Lagrange basis function at one point:
// grad[r * ng + node]. pt is a hexahedral point for hexahedra and pyramids (collapsed form), a
// (l0, l1, l2, h) point for prisms.
void lagrangeGradient(const Rule &r, const double *pt, double *grad) {
  const int d = r.d;
  std::vector<double> bg[3];
  const int ncp = r.kind == HoPyramid ? (d + 1) * (d + 1) * (d + 1) : r.ncp;
  for (auto &b : bg) b.assign(static_cast<std::size_t>(ncp), 0.);
  double b[3][MAX_JAC_DEGREE + 1], db[3][MAX_JAC_DEGREE + 1];
  if (r.kind == HoPrism) {
    const auto idx = simplexIndices(3, d);
    hoBernstein1d(d, pt[3], b[2], db[2]);
    for (const auto &a : idx) {
      double g[2];
      const double t = simplexValue(3, a.data(), pt, g);
      for (int k = 0; k <= d; k++) {
        const int p = posPri(d, a[0], a[1], a[2], k);
        bg[0][p] = g[0] * b[2][k];
        bg[1][p] = g[1] * b[2][k];
        bg[2][p] = t * db[2][k];
      }
    }
  } else {
    for (int c = 0; c < 3; c++) hoBernstein1d(d, pt[c], b[c], db[c]);
    for (int i = 0; i <= d; i++)
      for (int j = 0; j <= d; j++)
        for (int k = 0; k <= d; k++) {
          const int p = posHex(d, i, j, k);
          bg[0][p] = db[0][i] * b[1][j] * b[2][k];
          bg[1][p] = b[0][i] * db[1][j] * b[2][k];
          bg[2][p] = b[0][i] * b[1][j] * db[2][k];
        }
  }
  for (int dir = 0; dir < 3; dir++)
    for (int node = 0; node < r.ng; node++) {
      double s = 0.;
      for (int p = 0; p < ncp; p++)
        s += bg[dir][p] * r.l2b[static_cast<std::size_t>(p) * r.ng + node];
      grad[dir * r.ng + node] = s;
    }
}

// Hexahedral point of a pyramid node (x, y, z): (x/(1-z), y/(1-z), z), the apex (0, 0, 1).
void pyramidToHex(const double *ref, double *pt) {
  const double z = ref[2];
  if (std::fabs(1. - z) < 0.001) {
    pt[0] = 0.;
    pt[1] = 0.;
    pt[2] = 1.;
  } else {
    pt[0] = ref[0] / (1. - z);
    pt[1] = ref[1] / (1. - z);
    pt[2] = z;
  }
}

void buildProductRule(Rule &r) {
  const int d = r.d;
  if (r.kind == HoQuadrilateral) {
    // u-derivative points (i < d, j <= d) at i*(d+1)+j, v-derivative points (i <= d, j < d) at
    // i*d+j.
    r.nder[0] = d * (d + 1);
    r.nder[1] = (d + 1) * d;
    for (int i = 0; i < d; i++)
      for (int j = 0; j <= d; j++) {
        r.plus[0].push_back(posQua(d, i + 1, j));
        r.minus[0].push_back(posQua(d, i, j));
      }
    for (int i = 0; i <= d; i++)
      for (int j = 0; j < d; j++) {
        r.plus[1].push_back(posQua(d, i, j + 1));
        r.minus[1].push_back(posQua(d, i, j));
      }
    const int m = 2 * d - 1;
    for (int i1 = 0; i1 < d; i1++)
      for (int j1 = 0; j1 <= d; j1++)
        for (int i2 = 0; i2 <= d; i2++)
          for (int j2 = 0; j2 < d; j2++) {
            const double w = double(d) * d * hoBinomial(d - 1, i1) * hoBinomial(d, i2) /
                             hoBinomial(m, i1 + i2) * hoBinomial(d, j1) * hoBinomial(d - 1, j2) /
                             hoBinomial(m, j1 + j2);
            r.terms2.push_back({posQua(m, i1 + i2, j1 + j2), i1 * (d + 1) + j1, i2 * d + j2, w});
          }
    return;
  }

  const int nbr = r.kind == HoTriangle ? 3 : 4;
  const int ndir = nbr - 1;
  const auto low = simplexIndices(nbr, d - 1);
  for (int dir = 0; dir < ndir; dir++) {
    r.nder[dir] = static_cast<int>(low.size());
    for (const auto &a : low) {
      std::array<int, 4> p = a, o = a;
      p[dir + 1]++;
      o[0]++;
      r.plus[dir].push_back(simplexPos(nbr, d, p.data()));
      r.minus[dir].push_back(simplexPos(nbr, d, o.data()));
    }
  }
  const int m = ndir * (d - 1);
  const double scale = hoIntPow(double(d), ndir);
  const int nl = static_cast<int>(low.size());
  std::vector<double> mult(low.size());
  for (int k = 0; k < nl; k++) mult[k] = hoMultinomial(low[k].data(), nbr);
  r.nlow = nl;
  if (ndir == 2) {
    for (int a = 0; a < nl; a++)
      for (int b = 0; b < nl; b++) {
        std::array<int, 4> s{};
        for (int i = 0; i < nbr; i++) s[i] = low[a][i] + low[b][i];
        const double w = scale * mult[a] * mult[b] / hoMultinomial(s.data(), nbr);
        r.terms2.push_back({simplexPos(nbr, m, s.data()), a, b, w});
      }
    return;
  }
  // Terms come in runs of nl sharing the second and third factors, so that an element computes
  // each cross product D2[b] x D3[c] once.
  for (int b = 0; b < nl; b++)
    for (int c = 0; c < nl; c++)
      for (int a = 0; a < nl; a++) {
        std::array<int, 4> t{};
        for (int i = 0; i < nbr; i++) t[i] = low[a][i] + low[b][i] + low[c][i];
        const double w = scale * mult[a] * mult[b] * mult[c] / hoMultinomial(t.data(), nbr);
        r.terms3.push_back({simplexPos(nbr, m, t.data()), a, b, c, w});
      }
}

// Inverse of the collocation matrix of the 1-D Bernstein basis of degree m at the points a/m.
std::vector<double> inverse1d(int m) {
  const int m1 = m + 1;
  std::vector<double> w(static_cast<std::size_t>(m1) * m1);
  for (int a = 0; a < m1; a++) hoBernstein1d(m, double(a) / m, &w[a * m1], 0);
  return invertOrDie(m1, w);
}

// 1-D Bernstein values and derivatives of degree d at the points a/m, a = 0..m.
void tensorTables(int d, int m, std::vector<double> &b, std::vector<double> &db) {
  b.assign(static_cast<std::size_t>(m + 1) * (d + 1), 0.);
  db.assign(b.size(), 0.);
  for (int a = 0; a <= m; a++) hoBernstein1d(d, double(a) / m, &b[a * (d + 1)], &db[a * (d + 1)]);
}

void buildTensor(Rule &r) {
  r.tensor = true;
  r.nodeToPos = hoNodeToPos(HoHexahedron, r.d);
  r.inv1 = inverse1d(r.jd);
  tensorTables(r.d, r.jd, r.bLat, r.dbLat);
  const int *ord = hoNodeOrder(HoHexahedron, r.q);
  if (r.q == r.jd) {
    r.sameLattice = true;
    r.nodeToLat.resize(static_cast<std::size_t>(r.n));
    for (int s = 0; s < r.n; s++)
      r.nodeToLat[s] = posHex(r.q, ord[3 * s], ord[3 * s + 1], ord[3 * s + 2]);
  } else {
    tensorTables(r.d, r.q, r.bNod, r.dbNod);
    r.nodeToGrid.resize(static_cast<std::size_t>(r.n));
    for (int s = 0; s < r.n; s++)
      r.nodeToGrid[s] = posHex(r.q, ord[3 * s], ord[3 * s + 1], ord[3 * s + 2]);
  }
}

// Jacobian of a hexahedral Bezier map (control points cp[c][posHex], degree d) on the grid of m
// parameters per axis (tables b, db: m x (d+1)), written at posHex(m-1, a, b, c). Each derivative
// is contracted one axis at a time: the first axis with the value or derivative table, then the
// second, then the third. work holds 2 m D^2 + 3 m^2 D + 9 m^3 doubles (D = d+1).
void tensorJacobian(int d, int m, const double *b, const double *db, const double *const cp[3],
                    double *work, double *out) {
  const int D = d + 1, D2 = D * D, m2 = m * m, m3 = m2 * m;
  double *t1 = work;            // [2][m][D][D]: first axis by b, db
  double *t2 = t1 + 2 * m * D2; // [3][m][m][D]: (b, b), (db, b), (b, db)
  double *x = t2 + 3 * m2 * D;  // [dir][comp][m^3]
  for (int c = 0; c < 3; c++) {
    const double *p = cp[c];
    for (int a = 0; a < m; a++)
      for (int jk = 0; jk < D2; jk++) {
        double s0 = 0., s1 = 0.;
        for (int i = 0; i < D; i++) {
          s0 += b[a * D + i] * p[i * D2 + jk];
          s1 += db[a * D + i] * p[i * D2 + jk];
        }
        t1[a * D2 + jk] = s0;
        t1[m * D2 + a * D2 + jk] = s1;
      }
    for (int a = 0; a < m; a++)
      for (int e = 0; e < m; e++)
        for (int k = 0; k < D; k++) {
          double s0 = 0., s1 = 0., s2 = 0.;
          for (int j = 0; j < D; j++) {
            const double v0 = t1[a * D2 + j * D + k], v1 = t1[m * D2 + a * D2 + j * D + k];
            s0 += b[e * D + j] * v0;
            s1 += b[e * D + j] * v1;
            s2 += db[e * D + j] * v0;
          }
          const int at = (a * m + e) * D + k;
          t2[at] = s0;
          t2[m2 * D + at] = s1;
          t2[2 * m2 * D + at] = s2;
        }
    double *xu = x + c * m3, *xv = x + (3 + c) * m3, *xw = x + (6 + c) * m3;
    for (int ae = 0; ae < m2; ae++)
      for (int f = 0; f < m; f++) {
        double su = 0., sv = 0., sw = 0.;
        for (int k = 0; k < D; k++) {
          su += b[f * D + k] * t2[m2 * D + ae * D + k];
          sv += b[f * D + k] * t2[2 * m2 * D + ae * D + k];
          sw += db[f * D + k] * t2[ae * D + k];
        }
        xu[ae * m + f] = su;
        xv[ae * m + f] = sv;
        xw[ae * m + f] = sw;
      }
  }
  for (int s = 0; s < m3; s++) {
    const double u[3] = {x[s], x[m3 + s], x[2 * m3 + s]};
    const double v[3] = {x[3 * m3 + s], x[4 * m3 + s], x[5 * m3 + s]};
    const double w[3] = {x[6 * m3 + s], x[7 * m3 + s], x[8 * m3 + s]};
    out[s] = u[0] * (v[1] * w[2] - v[2] * w[1]) - u[1] * (v[0] * w[2] - v[2] * w[0]) +
             u[2] * (v[0] * w[1] - v[1] * w[0]);
  }
}

void buildSampling(Rule &r) {
  const int jd = r.jd, ng = r.ng;
  std::vector<double> pyrInv;
  if (r.kind == HoPyramid) {
    // The pyramid's Lagrange-to-Bezier rows, each node's column taken as one component, become
    // those of its collapsed hexahedron.
    pyrInv = r.l2b;
    r.l2b.assign(static_cast<std::size_t>((r.d + 1) * (r.d + 1) * (r.d + 1)) * ng, 0.);
    Pyr2Hex(r.d, ng, pyrInv.data(), r.l2b.data());
  }

  // Derivative matrices at the output nodes.
  const double *ref = hoNodeRefCoords(r.kind, r.q);
  const int w = hoRefWidth(r.kind);
  r.gNod.assign(static_cast<std::size_t>(3) * r.n * ng, 0.);
  std::vector<double> grad(static_cast<std::size_t>(3) * ng);
  for (int s = 0; s < r.n; s++) {
    double pt[4];
    if (r.kind == HoPyramid)
      pyramidToHex(ref + s * w, pt);
    else
      std::copy(ref + s * w, ref + (s + 1) * w, pt);
    lagrangeGradient(r, pt, grad.data());
    for (int dir = 0; dir < 3; dir++)
      std::copy(&grad[dir * ng], &grad[dir * ng] + ng,
                &r.gNod[(static_cast<std::size_t>(dir) * r.n + s) * ng]);
  }

  // Jacobian lattice: hexahedral (i, j, k)/jd in posHex order, or prism layers of triangles
  // (a, b, c)/jd in posMultiDegPri order.
  r.inv1 = inverse1d(jd);
  std::vector<std::array<double, 4>> lat;
  if (r.kind == HoPrism) {
    const auto tri = simplexIndices(3, jd);
    r.ntri = static_cast<int>(tri.size());
    std::vector<double> wt(static_cast<std::size_t>(r.ntri) * r.ntri);
    for (int p = 0; p < r.ntri; p++) {
      const double l[3] = {double(tri[p][0]) / jd, double(tri[p][1]) / jd, double(tri[p][2]) / jd};
      for (int b = 0; b < r.ntri; b++) wt[p * r.ntri + b] = simplexValue(3, tri[b].data(), l, 0);
    }
    r.invTri = invertOrDie(r.ntri, wt);
    for (int k = 0; k <= jd; k++)
      for (int p = 0; p < r.ntri; p++)
        lat.push_back({double(tri[p][0]) / jd, double(tri[p][1]) / jd, double(tri[p][2]) / jd,
                       double(k) / jd});
  } else {
    for (int i = 0; i <= jd; i++)
      for (int j = 0; j <= jd; j++)
        for (int k = 0; k <= jd; k++)
          lat.push_back({double(i) / jd, double(j) / jd, double(k) / jd, 0.});
  }

  r.sameLattice = r.kind != HoPyramid && r.q == r.jd;
  if (r.sameLattice) {
    const int *ord = hoNodeOrder(r.kind, r.q);
    const int ow = hoOrderWidth(r.kind);
    r.nodeToLat.resize(static_cast<std::size_t>(r.n));
    for (int s = 0; s < r.n; s++) {
      const int *l = ord + s * ow;
      r.nodeToLat[s] = r.kind == HoPrism ? posMultiDegPri(jd, jd, l[0], l[1], l[2], l[3])
                                         : posHex(jd, l[0], l[1], l[2]);
    }
  } else {
    r.gLat.assign(static_cast<std::size_t>(3) * r.nc * ng, 0.);
    for (int s = 0; s < r.nc; s++) {
      lagrangeGradient(r, lat[s].data(), grad.data());
      for (int dir = 0; dir < 3; dir++)
        std::copy(&grad[dir * ng], &grad[dir * ng] + ng,
                  &r.gLat[(static_cast<std::size_t>(dir) * r.nc + s) * ng]);
    }
  }
}

int jacobianDegreeOf(HoKind kind, int d) {
  switch (kind) {
  case HoTriangle:
    return 2 * (d - 1);
  case HoQuadrilateral:
    return 2 * d - 1;
  case HoTetrahedron:
    return 3 * (d - 1);
  case HoPyramid:
  case HoPrism:
  case HoHexahedron:
    return 3 * d - 1;
  default:
    return -1;
  }
}

// Kind and degree of a type that has a Jacobian (faces and volumes of degree 1 to 4).
bool jacobianKind(int type, HoKind *kind, int *d) {
  if (type < 4 || type > 31) return false;
  return hoKindOfType(type, kind, d) && *kind != HoEdge && *d >= 1 && *d <= 4;
}

Rule *buildRule(int type) {
  auto *r = new Rule;
  if (!jacobianKind(type, &r->kind, &r->d))
    pav_Fatal(" ERROR : no jacobian rule for type %d \n", type);
  r->dim = (r->kind == HoTriangle || r->kind == HoQuadrilateral) ? 2 : 3;
  r->ng = static_cast<int>(hoNodeCount(r->kind, r->d));
  r->jd = jacobianDegreeOf(r->kind, r->d);
  r->q = std::min(r->jd, HO_MAX_DEGREE);
  r->n = static_cast<int>(hoNodeCount(r->kind, r->q));
  r->ncp = r->ng;
  r->nodeToPos = hoNodeToPos(r->kind, r->d);
  const int m1 = r->jd + 1;
  switch (r->kind) {
  case HoTriangle:
  case HoTetrahedron:
  case HoQuadrilateral: {
    r->product = true;
    if (r->d > 1 && !hoHasKernel(r->kind, r->d))
      pav_Fatal(" ERROR : no Lagrange to Bezier kernel for type %d \n", type);
    r->nc = static_cast<int>(hoNodeCount(r->kind, r->jd));
    buildProductRule(*r);
    // The Jacobian degree of these kinds never exceeds 10: the output nodes are its own lattice.
    // Bernstein polynomials vanish on the faces away from their control point, so a node on an
    // edge or face only sees that edge's or face's coefficients: the matrix is kept sparse.
    const double *ref = hoNodeRefCoords(r->kind, r->q);
    const int w = hoRefWidth(r->kind);
    std::vector<double> row(static_cast<std::size_t>(r->nc));
    r->evalStart.push_back(0);
    for (int s = 0; s < r->n; s++) {
      basisValues(r->kind, r->q, ref + s * w, row.data());
      for (int p = 0; p < r->nc; p++)
        if (row[p] != 0.) {
          r->evalCol.push_back(p);
          r->evalVal.push_back(row[p]);
        }
      r->evalStart.push_back(static_cast<int>(r->evalCol.size()));
    }
    break;
  }
  case HoPrism:
    r->nc = m1 * m1 * (m1 + 1) / 2;
    r->l2b = lagrangeToBezier(r->kind, r->d);
    buildSampling(*r);
    break;
  case HoPyramid:
    r->factor = 3.;
    r->nc = m1 * m1 * m1;
    r->l2b = lagrangeToBezier(r->kind, r->d);
    buildSampling(*r);
    break;
  case HoHexahedron:
    r->nc = m1 * m1 * m1;
    buildTensor(*r);
    break;
  default:
    break;
  }
  return r;
}

const Rule &ruleOf(int type) {
  static std::once_flag once[32];
  static Rule *rules[32] = {};
  if (type < 0 || type >= 32) pav_Fatal(" ERROR : no jacobian rule for type %d \n", type);
  std::call_once(once[type], [type] { rules[type] = buildRule(type); });
  return *rules[type];
}

inline double det3(const double *a, const double *b, const double *c) {
  return a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
         a[2] * (b[0] * c[1] - b[1] * c[0]);
}

// Jacobian at sample points from derivative matrices g ([dir][point][node]).
void sampleJacobian(const Rule &r, const double *g, int nbrPts, const double *crd, double *out) {
  const int ng = r.ng;
  const std::size_t stride = static_cast<std::size_t>(nbrPts) * ng;
  for (int s = 0; s < nbrPts; s++) {
    double der[3][3] = {{0., 0., 0.}, {0., 0., 0.}, {0., 0., 0.}};
    for (int dir = 0; dir < 3; dir++) {
      const double *gr = g + dir * stride + static_cast<std::size_t>(s) * ng;
      double x = 0., y = 0., z = 0.;
      for (int k = 0; k < ng; k++) {
        x += gr[k] * crd[3 * k];
        y += gr[k] * crd[3 * k + 1];
        z += gr[k] * crd[3 * k + 2];
      }
      der[dir][0] = x;
      der[dir][1] = y;
      der[dir][2] = z;
    }
    out[s] = det3(der[0], der[1], der[2]);
  }
}

} // namespace

// ---------------------------------------------------------------------------------------------

struct HoJacobian::Impl {
  const Rule &r;
  std::vector<double> cp, lag, bez, der, coef, lat, tmp, work, grid;
  double norm = 1.;
  explicit Impl(const Rule &rule) : r(rule) {
    if (r.tensor) {
      const std::size_t D = static_cast<std::size_t>(r.d) + 1,
                        m = static_cast<std::size_t>(r.jd) + 1;
      work.resize(2 * m * D * D + 3 * m * m * D + 9 * m * m * m);
      if (!r.sameLattice) grid.resize(static_cast<std::size_t>(r.q + 1) * (r.q + 1) * (r.q + 1));
    }
    cp.resize(static_cast<std::size_t>(r.ncp) * 3);
    lag.resize(static_cast<std::size_t>(r.ng));
    bez.resize(static_cast<std::size_t>(r.ng));
    der.resize(static_cast<std::size_t>(r.nder[0] + r.nder[1] + r.nder[2]) * 3);
    coef.resize(static_cast<std::size_t>(r.nc));
    lat.resize(static_cast<std::size_t>(r.nc));
    tmp.resize(static_cast<std::size_t>(r.nc));
  }
};

HoJacobian::HoJacobian(int type) : impl_(new Impl(ruleOf(type))) {}
HoJacobian::~HoJacobian() = default;
int HoJacobian::nbrGeometryNodes() const { return impl_->r.ng; }
int HoJacobian::nbrValues() const { return impl_->r.n; }
int HoJacobian::nbrCoefficients() const { return impl_->r.nc; }
int HoJacobian::jacobianDegree() const { return impl_->r.jd; }
int HoJacobian::storedDegree() const { return impl_->r.q; }
const double *HoJacobian::coefficients() const { return impl_->coef.data(); }
double HoJacobian::normalisation() const { return impl_->norm; }

double HoJacobian::compute(const double *crd, double *values) {
  const Rule &r = impl_->r;
  double *coef = impl_->coef.data();
  const int nc = r.nc, ng = r.ng;

  if (r.product) {
    // Control points (the kind's Lagrange-to-Bezier kernel, one component at a time, moved to
    // storage order), then derivative control points, then the table of terms.
    double *cp = impl_->cp.data(), *lag = impl_->lag.data(), *bez = impl_->bez.data();
    for (int c = 0; c < 3; c++) {
      for (int k = 0; k < ng; k++) lag[k] = crd[3 * k + c];
      hoLagrangeToBezier(r.kind, r.d, lag, bez);
      for (int k = 0; k < ng; k++) cp[3 * r.nodeToPos[k] + c] = bez[k];
    }
    double *dr[3];
    dr[0] = impl_->der.data();
    dr[1] = dr[0] + 3 * r.nder[0];
    dr[2] = dr[1] + 3 * r.nder[1];
    for (int dir = 0; dir < 3; dir++)
      for (int k = 0; k < r.nder[dir]; k++)
        for (int c = 0; c < 3; c++)
          dr[dir][3 * k + c] = cp[3 * r.plus[dir][k] + c] - cp[3 * r.minus[dir][k] + c];
    std::fill(coef, coef + nc, 0.);
    if (r.dim == 2) {
      for (const Term2 &t : r.terms2) {
        const double *a = dr[0] + 3 * t.a, *b = dr[1] + 3 * t.b;
        coef[t.g] += t.w * (a[0] * b[1] - a[1] * b[0]);
      }
    } else {
      const int nl = r.nlow;
      const Term3 *t = r.terms3.data();
      for (int bc = 0; bc < nl * nl; bc++, t += nl) {
        const double *b = dr[1] + 3 * t->b, *c = dr[2] + 3 * t->c;
        const double x[3] = {b[1] * c[2] - b[2] * c[1], b[2] * c[0] - b[0] * c[2],
                             b[0] * c[1] - b[1] * c[0]};
        for (int k = 0; k < nl; k++) {
          const double *a = dr[0] + 3 * t[k].a;
          coef[t[k].g] += t[k].w * (a[0] * x[0] + a[1] * x[1] + a[2] * x[2]);
        }
      }
    }
  } else if (r.tensor) {
    // Hexahedra: control points per component, then the determinant on the lattice (and on the
    // node grid when the stored degree is lower) by sum factorisation.
    double *cp = impl_->cp.data(), *lag = impl_->lag.data(), *bez = impl_->bez.data();
    const double *cpc[3] = {cp, cp + ng, cp + 2 * ng};
    for (int c = 0; c < 3; c++) {
      for (int k = 0; k < ng; k++) lag[k] = crd[3 * k + c];
      hoLagrangeToBezier(HoHexahedron, r.d, lag, bez);
      for (int k = 0; k < ng; k++) cp[c * ng + r.nodeToPos[k]] = bez[k];
    }
    double *lat = impl_->lat.data();
    tensorJacobian(r.d, r.jd + 1, r.bLat.data(), r.dbLat.data(), cpc, impl_->work.data(), lat);
    if (r.sameLattice) {
      for (int s = 0; s < r.n; s++) values[s] = lat[r.nodeToLat[s]];
    } else {
      double *grid = impl_->grid.data();
      tensorJacobian(r.d, r.q + 1, r.bNod.data(), r.dbNod.data(), cpc, impl_->work.data(), grid);
      for (int s = 0; s < r.n; s++) values[s] = grid[r.nodeToGrid[s]];
    }
  }
  if (!r.product) {
    double *lat = impl_->lat.data(), *tmp = impl_->tmp.data();
    if (!r.tensor) {
      sampleJacobian(r, r.gNod.data(), r.n, crd, values);
      if (r.sameLattice) {
        for (int s = 0; s < r.n; s++) lat[r.nodeToLat[s]] = values[s];
      } else {
        sampleJacobian(r, r.gLat.data(), nc, crd, lat);
      }
    }
    // Samples to Bezier coefficients, one axis at a time.
    const int m1 = r.jd + 1;
    const double *inv1 = r.inv1.data();
    if (r.kind == HoPrism) {
      const int nt = r.ntri;
      for (int l = 0; l < m1; l++)
        for (int b = 0; b < nt; b++) {
          double s = 0.;
          for (int p = 0; p < nt; p++)
            s += r.invTri[static_cast<std::size_t>(b) * nt + p] * lat[l * nt + p];
          tmp[l * nt + b] = s;
        }
      for (int l = 0; l < m1; l++)
        for (int b = 0; b < nt; b++) {
          double s = 0.;
          for (int k = 0; k < m1; k++) s += inv1[l * m1 + k] * tmp[k * nt + b];
          coef[l * nt + b] = s;
        }
    } else {
      const int m2 = m1 * m1;
      // Third index, then second, then first.
      for (int ij = 0; ij < m2; ij++)
        for (int k = 0; k < m1; k++) {
          double s = 0.;
          for (int c = 0; c < m1; c++) s += inv1[k * m1 + c] * lat[ij * m1 + c];
          tmp[ij * m1 + k] = s;
        }
      for (int i = 0; i < m1; i++)
        for (int j = 0; j < m1; j++)
          for (int k = 0; k < m1; k++) {
            double s = 0.;
            for (int c = 0; c < m1; c++) s += inv1[j * m1 + c] * tmp[(i * m1 + c) * m1 + k];
            lat[(i * m1 + j) * m1 + k] = s;
          }
      for (int i = 0; i < m1; i++)
        for (int jk = 0; jk < m2; jk++) {
          double s = 0.;
          for (int c = 0; c < m1; c++) s += inv1[i * m1 + c] * lat[c * m2 + jk];
          coef[i * m2 + jk] = s;
        }
    }
  }

  // Normalise by the mean coefficient, or by half the mean magnitude when the mean vanishes.
  double sum = 0., sumAbs = 0.;
  for (int p = 0; p < nc; p++) sum += coef[p], sumAbs += std::fabs(coef[p]);
  double norm = 1.;
  const double mean = sum / nc, meanAbs = sumAbs / (2. * nc);
  if (std::fabs(mean) >= 1e-19)
    norm = r.factor * mean;
  else if (std::fabs(meanAbs) >= 1e-19)
    norm = r.factor * meanAbs;
  impl_->norm = norm;
  const double inv = 1. / norm;
  for (int p = 0; p < nc; p++) coef[p] *= inv;

  double mn = 0.;
  if (r.product) {
    for (int s = 0; s < r.n; s++) {
      double v = 0.;
      for (int k = r.evalStart[s]; k < r.evalStart[s + 1]; k++)
        v += r.evalVal[k] * coef[r.evalCol[k]];
      values[s] = v;
    }
  } else {
    for (int s = 0; s < r.n; s++) values[s] *= inv;
  }
  mn = values[0];
  for (int s = 1; s < r.n; s++) mn = std::min(mn, values[s]);
  return mn;
}

// ---------------------------------------------------------------------------------------------

int hoJacobianDegree(int type) {
  HoKind kind;
  int d;
  return jacobianKind(type, &kind, &d) ? jacobianDegreeOf(kind, d) : -1;
}

void Pyr2Hex(int degree, int nbrCmp, const double *pyr, double *hex) {
  if (!pyr || !hex) {
    pav_Message(true, "#ERROR Pyr2Hex : please provide already allocated arrays\n");
    return;
  }
  const int d = degree;
  const std::size_t nh = static_cast<std::size_t>(d + 1) * (d + 1) * (d + 1) * nbrCmp;
  std::fill(hex, hex + nh, 0.);
  // Layer k of the pyramid is a tensor polynomial of degree m = d - k in (s, t); raising it to
  // degree d spreads coefficient i over a = i .. i + k with weights C(m,i) C(k,a-i) / C(d,a).
  for (int k = 0; k <= d; k++) {
    const int m = d - k;
    for (int i = 0; i <= m; i++)
      for (int j = 0; j <= m; j++) {
        const double *src = pyr + static_cast<std::size_t>(posPyr(d, i, j, k)) * nbrCmp;
        for (int a = i; a <= i + k; a++) {
          const double wa = hoBinomial(m, i) * hoBinomial(k, a - i) / hoBinomial(d, a);
          for (int b = j; b <= j + k; b++) {
            const double w = wa * hoBinomial(m, j) * hoBinomial(k, b - j) / hoBinomial(d, b);
            double *dst = hex + static_cast<std::size_t>(posHex(d, a, b, k)) * nbrCmp;
            for (int c = 0; c < nbrCmp; c++) dst[c] += w * src[c];
          }
        }
      }
  }
}

// ---------------------------------------------------------------------------------------------
// de Casteljau evaluators on double coefficients.

namespace {

void checkDegree(const char *name, int degree) {
  if (degree < 0 || degree > HO_MAX_EVAL_DEGREE)
    pav_Fatal(" ERROR : in %s case %d not considered \n", name, degree);
}

} // namespace

double pav_EvaluateJacOnTriangle(const double *coef, int degree, double u, double v, double w) {
  if (std::fabs(u + v + w - 1.) > 1e-4) {
    pav_Message(false, "ERROR pav_EvaluateJacOnTrinagle : u = %f, v = %f, w = %f \n", u, v, w);
    pav_Message(false, "ERROR u + v + w = %f \n", u + v + w);
    pav_Fatal("ERROR u + v + w should be equal to 1 \n");
  }
  checkDegree("pav_EvaluateJacOnTriangle", degree);
  return hoCasteljauTriangle(coef, degree, HoStorageLayout{}, u, v, w);
}

double pav_EvaluateJacOnQuadrilateral(const double *coef, int degree, double u, double v) {
  checkDegree("pav_EvaluateJacOnQuadrilateral", degree);
  return hoCasteljauQuadrilateral(coef, degree, HoStorageLayout{}, u, v);
}

double pav_EvaluateJacOnHexahedra(const double *coef, int degree, double u, double v, double w) {
  checkDegree("pav_EvaluateJacOnHexahedra", degree);
  return hoCasteljauHexahedron(coef, degree, HoStorageLayout{}, u, v, w);
}

double pav_EvaluateJacOnTetrahedra(const double *coef, int degree, double u, double v, double w,
                                   double t) {
  if (std::fabs(u + v + w + t - 1.) > 1e-4) {
    pav_Message(false, "ERROR pav_EvaluateJacOnTetrahedra : u = %f, v = %f, w = %f, t = %f \n", u,
                v, w, t);
    pav_Message(false, "ERROR u + v + w + t = %f \n", u + v + w + t);
    pav_Fatal("ERROR u + v + w + t should be equal to 1 \n");
  }
  checkDegree("pav_EvaluateJacOnTetrahedra", degree);
  return hoCasteljauTetrahedron(coef, degree, HoStorageLayout{}, u, v, w, t);
}

double pav_EvaluateJacOnPrism(const double *coef, int degree, double u1, double u2, double u3,
                              double h) {
  if (std::fabs(u1 + u2 + u3 - 1.) > 1e-4) {
    pav_Message(false, "ERROR pav_EvaluateJacOnPrism : u1 = %f, u2 = %f, u3 = %f \n", u1, u2, u3);
    pav_Message(false, "ERROR u1 + u2 + u3 = %f \n", u1 + u2 + u3);
    pav_Fatal("ERROR u1 + u2 + u3 should be equal to 1 \n");
  }
  checkDegree("pav_EvaluateJacOnPrism", degree);
  return hoCasteljauPrism(coef, degree, HoStorageLayout{}, u1, u2, u3, h);
}
