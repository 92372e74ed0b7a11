// Capping: every cut element is split into tetrahedra so that neighbouring elements split their
// common quadrilateral the same way (along the diagonal through its smallest global vertex
// number), then each tetrahedron is sliced. Corners carry reference coordinates of the parent
// element, interpolated with the same edge parameter as the position.
#include "pav_cut.h"

#include "ho_lattice.h"
#include "pav_topology.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

constexpr double kTiny = 1e-13;

// The crossing on the edge from a to b.
inline void cross(const double *xa, const double *xb, const double *ra, const double *rb, double sa,
                  double sb, bool tinyGuard, double *x, double *r) {
  double t;
  if (tinyGuard ? std::fabs(sb - sa) <= kTiny : sb == sa) {
    t = 1.0;
  } else {
    t = std::fabs(static_cast<float>(sa / (sb - sa)));
  }
  for (int c = 0; c < 3; c++) x[c] = xa[c] + t * (xb[c] - xa[c]);
  for (int c = 0; c < 4; c++) r[c] = ra[c] + t * (rb[c] - ra[c]);
}

inline double dist2(const double *a, const double *b) {
  return (a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
         (a[2] - b[2]) * (a[2] - b[2]);
}

} // namespace

int pav_Cappingtet(const double plane[4], const double crd[4][3], const double aux[4][4],
                   double *triCrd, double *triAux) {
  double s[4];
  int pos[4], neg[4], np = 0, nn = 0;
  for (int v = 0; v < 4; v++) {
    s[v] = plane[0] * crd[v][0] + plane[1] * crd[v][1] + plane[2] * crd[v][2] + plane[3];
    if (s[v] > 0)
      pos[np++] = v;
    else
      neg[nn++] = v;
  }
  if (np == 0 || nn == 0) return 0;
  if (np == 1 || nn == 1) {
    const int lone = np == 1 ? pos[0] : neg[0];
    const int *three = np == 1 ? neg : pos;
    for (int m = 0; m < 3; m++) {
      const int a = three[m];
      cross(crd[a], crd[lone], aux[a], aux[lone], s[a], s[lone], false, triCrd + 3 * m,
            triAux + 4 * m);
    }
    return 1;
  }
  // Two against two: P, Q non-positive, R, S positive; quadrilateral (PR, PS, QS, QR).
  const int P = neg[0], Q = neg[1], R = pos[0], S = pos[1];
  const int ends[4][2] = {{P, R}, {P, S}, {Q, S}, {Q, R}};
  double qx[4][3], qr[4][4];
  for (int m = 0; m < 4; m++) {
    const int a = ends[m][0], b = ends[m][1];
    cross(crd[a], crd[b], aux[a], aux[b], s[a], s[b], true, qx[m], qr[m]);
  }
  // Drop corners that coincide with the previous one: short sides collapse.
  int keep[4], nk = 0;
  for (int m = 0; m < 4; m++) {
    if (nk > 0 && dist2(qx[m], qx[keep[nk - 1]]) < kTiny * kTiny) continue;
    keep[nk++] = m;
  }
  if (nk == 4 && dist2(qx[keep[3]], qx[keep[0]]) < kTiny * kTiny) nk = 3;
  if (nk < 3) return 0;
  const int tris = nk == 4 ? 2 : 1;
  const int corners[2][3] = {{keep[0], keep[1], keep[2]},
                             {keep[0], nk == 4 ? keep[2] : 0, nk == 4 ? keep[3] : 0}};
  for (int t = 0; t < tris; t++)
    for (int m = 0; m < 3; m++) {
      memcpy(triCrd + 9 * t + 3 * m, qx[corners[t][m]], sizeof(double) * 3);
      memcpy(triAux + 12 * t + 4 * m, qr[corners[t][m]], sizeof(double) * 4);
    }
  return tris;
}

namespace {

// ---- Conforming splits ----

struct Tets {
  int nbr;
  int v[6][4]; // local vertices of the element
};

// The 24 rotations of the hexahedron as vertex permutations: perm[new] = old.
struct HexRotations {
  int perm[24][8];
};

const HexRotations &hexRotations() {
  static HexRotations r;
  static std::once_flag once;
  std::call_once(once, [] {
    const int pos[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                           {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    auto index = [&](const int *p) {
      for (int v = 0; v < 8; v++)
        if (pos[v][0] == p[0] && pos[v][1] == p[1] && pos[v][2] == p[2]) return v;
      return -1;
    };
    const int axes[6][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}, {0, 2, 1}, {2, 1, 0}, {1, 0, 2}};
    int n = 0;
    for (int a = 0; a < 6; a++)
      for (int flips = 0; flips < 8; flips++) {
        // Determinant: parity of the axis permutation times the flips' signs.
        const int parity = a < 3 ? 1 : -1;
        const int sign = ((flips & 1) ? -1 : 1) * ((flips & 2) ? -1 : 1) * ((flips & 4) ? -1 : 1);
        if (parity * sign != 1) continue;
        for (int v = 0; v < 8; v++) {
          int p[3];
          for (int c = 0; c < 3; c++) {
            const int x = pos[v][axes[a][c]];
            p[c] = (flips >> c) & 1 ? 1 - x : x;
          }
          r.perm[n][v] = index(p);
        }
        n++;
      }
  });
  return r;
}

// Whether the diagonal of quadrilateral (a, b, c, d) chosen by the smallest global number passes
// through local vertex a or c.
inline bool diagonalThrough(const int32_t *g, int a, int b, int c, int d, int v) {
  int32_t m = g[a];
  int best = a;
  for (int x : {b, c, d})
    if (g[x] < m) m = g[x], best = x;
  const int other = best == a ? c : best == c ? a : best == b ? d : b;
  return best == v || other == v;
}

// Split of one element into tetrahedra (local vertex numbers of the element).
void splitElement(PavElementKind kind, const int32_t *g, Tets *t) {
  switch (kind) {
  case PavKindTetrahedron:
    *t = {1, {{0, 1, 2, 3}}};
    return;
  case PavKindPyramid: {
    int r = 0;
    for (int v = 1; v < 4; v++)
      if (g[v] < g[r]) r = v;
    const int p[5] = {r, (r + 1) % 4, (r + 2) % 4, (r + 3) % 4, 4};
    *t = {2, {{p[0], p[1], p[2], p[4]}, {p[0], p[2], p[3], p[4]}}};
    return;
  }
  case PavKindPrism: {
    static const int rot[6][6] = {{0, 1, 2, 3, 4, 5}, {1, 2, 0, 4, 5, 3}, {2, 0, 1, 5, 3, 4},
                                  {3, 5, 4, 0, 2, 1}, {4, 3, 5, 1, 0, 2}, {5, 4, 3, 2, 1, 0}};
    int m = 0;
    for (int v = 1; v < 6; v++)
      if (g[v] < g[m]) m = v;
    const int *p = rot[m];
    const int32_t a = std::min(g[p[1]], g[p[5]]), b = std::min(g[p[2]], g[p[4]]);
    if (a < b)
      *t = {3, {{p[0], p[1], p[2], p[5]}, {p[0], p[1], p[5], p[4]}, {p[0], p[4], p[5], p[3]}}};
    else
      *t = {3, {{p[0], p[1], p[2], p[4]}, {p[0], p[4], p[2], p[5]}, {p[0], p[4], p[5], p[3]}}};
    return;
  }
  case PavKindHexahedron: {
    static const int table[4][6][4] = {
        {{0, 1, 2, 5}, {0, 2, 7, 5}, {0, 2, 3, 7}, {0, 5, 7, 4}, {2, 7, 5, 6}, {0, 0, 0, 0}},
        {{0, 5, 7, 4}, {0, 1, 7, 5}, {1, 6, 7, 5}, {0, 7, 2, 3}, {0, 7, 1, 2}, {1, 7, 6, 2}},
        {{0, 4, 5, 6}, {0, 3, 7, 6}, {0, 7, 4, 6}, {0, 1, 2, 5}, {0, 3, 6, 2}, {0, 6, 5, 2}},
        {{0, 2, 3, 6}, {0, 3, 7, 6}, {0, 7, 4, 6}, {0, 5, 6, 4}, {1, 5, 6, 0}, {1, 6, 2, 0}}};
    int m = 0;
    for (int v = 1; v < 8; v++)
      if (g[v] < g[m]) m = v;
    const HexRotations &R = hexRotations();
    for (int r = 0; r < 24; r++) {
      const int *p = R.perm[r];
      if (p[0] != m) continue;
      int32_t h[8];
      for (int v = 0; v < 8; v++) h[v] = g[p[v]];
      // Far faces in the tables' positions: A = (6,2,3,7), B = (6,5,1,2), C = (6,7,4,5).
      const bool A = diagonalThrough(h, 6, 2, 3, 7, 6), B = diagonalThrough(h, 6, 5, 1, 2, 6),
                 C = diagonalThrough(h, 6, 7, 4, 5, 6);
      const int n = A + B + C;
      if ((n == 1 && !B) || (n == 2 && B)) continue; // another rotation about 0-6 fits
      t->nbr = n == 0 ? 5 : 6;
      for (int k = 0; k < t->nbr; k++)
        for (int c = 0; c < 4; c++) t->v[k][c] = p[table[n][k][c]];
      return;
    }
    t->nbr = 0; // not reached: one of the three rotations about 0-6 always fits
    return;
  }
  default:
    t->nbr = 0;
  }
}

// Parent reference coordinates of the first-order vertices, padded to 4 doubles.
void vertexAux(PavElementKind kind, double aux[8][4]) {
  const HoKind ho = static_cast<HoKind>(kind);
  const int w = hoRefWidth(ho);
  const double *rc = hoNodeRefCoords(ho, 1);
  const int nv = pav_KindNbrNod(kind, 1);
  for (int v = 0; v < nv; v++)
    for (int c = 0; c < 4; c++) aux[v][c] = c < w ? rc[v * w + c] : 0.0;
}

struct CapOut {
  std::vector<double> crd, aux;
  std::vector<int> lnk;
};

int finishCapping(CapOut &o, int *nbrCutTri, double **triCrd, double **triAux, int **triLnk,
                  char *status) {
  const size_t n = o.lnk.size() / 3;
  if (!n) return PAV_SUCCESS;
  double *c = static_cast<double *>(malloc(sizeof(double) * 9 * (n + 1)));
  double *a = static_cast<double *>(malloc(sizeof(double) * 12 * (n + 1)));
  int *l = static_cast<int *>(malloc(sizeof(int) * 3 * (n + 1)));
  if (!c || !a || !l) {
    free(c);
    free(a);
    free(l);
    return pav_Fail(status, "Allocation failed for capping-arrays, size %lg Mb\n",
                    pav_BytesToMb(sizeof(double) * 21 * (n + 1)));
  }
  // Triangles numbered from 1: the first record is left zero.
  memset(c, 0, sizeof(double) * 9);
  memset(a, 0, sizeof(double) * 12);
  memset(l, 0, sizeof(int) * 3);
  memcpy(c + 9, o.crd.data(), sizeof(double) * 9 * n);
  memcpy(a + 12, o.aux.data(), sizeof(double) * 12 * n);
  memcpy(l + 3, o.lnk.data(), sizeof(int) * 3 * n);
  if (triCrd)
    *triCrd = c;
  else
    free(c);
  if (triAux)
    *triAux = a;
  else
    free(a);
  if (triLnk)
    *triLnk = l;
  else
    free(l);
  *nbrCutTri = static_cast<int>(n);
  return PAV_SUCCESS;
}

int cappingArgs(const PavObject *obj, int *nbrCutTri, double **triCrd, double **triAux,
                int **triLnk, int *nbrCutQua, double **quaCrd, double **quaAux, int **quaLnk,
                char *status) {
  if (nbrCutTri) *nbrCutTri = 0;
  if (nbrCutQua) *nbrCutQua = 0;
  for (double **p : {triCrd, triAux, quaCrd, quaAux})
    if (p) *p = nullptr;
  for (int **p : {triLnk, quaLnk})
    if (p) *p = nullptr;
  if (!obj) return pav_Fail(status, PAV_CUT_MSG_NULL_OBJECT);
  if (!status) return PAV_FAILURE;
  if (!nbrCutTri) return pav_Fail(status, "NULL (nbrCutTri)    parameter on input\n");
  return PAV_SUCCESS;
}

inline const double *vertexCrd(const PavObject *obj, int32_t v, double *tmp) {
  if (obj->crdDbl) return obj->crdDbl + 3 * int64_t(v);
  const float *f = obj->crdFlt + 3 * int64_t(v);
  tmp[0] = f[0];
  tmp[1] = f[1];
  tmp[2] = f[2];
  return tmp;
}

} // namespace

int pav_capping(const PavObject *obj, const double plane[4], int type, int nbrCutEnt,
                const int *lstCutEnt, int *nbrCutTri, double **triCrd, double **triAux,
                int **triLnk, int *nbrCutQua, double **quaCrd, double **quaAux, int **quaLnk,
                char *status) {
  if (cappingArgs(obj, nbrCutTri, triCrd, triAux, triLnk, nbrCutQua, quaCrd, quaAux, quaLnk,
                  status) != PAV_SUCCESS)
    return PAV_FAILURE;
  if (nbrCutEnt < 1 || !lstCutEnt || !plane) return PAV_SUCCESS;
  const PavElementKind kind = pav_ElementKind(type);
  const bool p1Volume =
      type == Tetrahedra || type == Pyramids || type == Prisms || type == Hexahedra;
  if (!p1Volume) {
    for (int k = 0; k < nbrCutEnt; k++) printf(" pav_capping undefined for type %d \n", type);
    return PAV_SUCCESS;
  }
  const PavEntitySet &es = obj->ent[type];
  const int32_t nbrVer = obj->ent[Vertices].nbr;
  const int nv = pav_KindNbrNod(kind, 1);
  double vaux[8][4];
  vertexAux(kind, vaux);
  // Two passes: count, then write straight into arrays of the exact size (allocating once keeps
  // large sections from paying for growing buffers).
  double *crd = nullptr, *aux = nullptr;
  int *lnk = nullptr;
  int64_t counted = 0;
  for (int pass = 0; pass < 2; pass++) {
    int64_t made = 0;
    Tets tets;
    double tc[4][3], ta[4][4], tri[18], triA[24], tmp[3];
    for (int k = 0; k < nbrCutEnt; k++) {
      const int32_t i = lstCutEnt[k];
      bool ok = es.idx && i >= 1 && i <= es.nbr && (obj->crdDbl || obj->crdFlt);
      const int32_t *g = ok ? es.idx + int64_t(i) * nv : nullptr;
      for (int v = 0; ok && v < nv; v++) ok = g[v] >= 1 && g[v] <= nbrVer;
      if (!ok) {
        if (pass == 0)
          printf("  .... problem id entity %d iEnt %d [0-%d] nbrFac %d \n", k, i, es.nbr, 0);
        continue;
      }
      splitElement(kind, g, &tets);
      for (int t = 0; t < tets.nbr; t++) {
        for (int c = 0; c < 4; c++) {
          const int lv = tets.v[t][c];
          memcpy(tc[c], vertexCrd(obj, g[lv], tmp), sizeof(double) * 3);
          memcpy(ta[c], vaux[lv], sizeof(double) * 4);
        }
        const int n = pav_Cappingtet(plane, tc, ta, tri, triA);
        if (pass == 1)
          for (int m = 0; m < n && made + m < counted; m++) {
            const int64_t at = made + m + 1; // triangles numbered from 1
            memcpy(crd + 9 * at, tri + 9 * m, sizeof(double) * 9);
            memcpy(aux + 12 * at, triA + 12 * m, sizeof(double) * 12);
            int *l = lnk + 3 * at;
            l[0] = type;
            l[1] = i;
            l[2] = es.ref ? es.ref[i] : 0;
          }
        made += n;
      }
    }
    if (pass == 0) {
      counted = made;
      if (counted == 0) return PAV_SUCCESS;
      if (counted > INT32_MAX / 12)
        return pav_Fail(status, "Too many capping triangles (%lld)\n", (long long)counted);
      crd = static_cast<double *>(malloc(sizeof(double) * 9 * size_t(counted + 1)));
      aux = static_cast<double *>(malloc(sizeof(double) * 12 * size_t(counted + 1)));
      lnk = static_cast<int *>(malloc(sizeof(int) * 3 * size_t(counted + 1)));
      if (!crd || !aux || !lnk) {
        free(crd);
        free(aux);
        free(lnk);
        return pav_Fail(status, "Allocation failed for capping-arrays, size %lg Mb\n",
                        pav_BytesToMb(sizeof(double) * 21 * size_t(counted + 1)));
      }
      memset(crd, 0, sizeof(double) * 9);
      memset(aux, 0, sizeof(double) * 12);
      memset(lnk, 0, sizeof(int) * 3);
    } else if (made != counted) {
      pav_Fatal("Problem: the number of vertices are differents *nbrCutTriFac= %d, indtri=%d \n",
                int(counted), int(made));
    }
  }
  if (triCrd)
    *triCrd = crd;
  else
    free(crd);
  if (triAux)
    *triAux = aux;
  else
    free(aux);
  if (triLnk)
    *triLnk = lnk;
  else
    free(lnk);
  *nbrCutTri = static_cast<int>(counted);
  return PAV_SUCCESS;
}

namespace {

// Crossing of a parabola (ends a, b, middle node m) with the plane: the parameter t in [0, 1] of
// the single root of s(t), s quadratic through (0, sa), (1/2, sm), (1, sb). False when there is
// not exactly one crossing.
bool crossP2(double sa, double sm, double sb, double *t) {
  // s(t) = sa (1 - t)(1 - 2t) + sb t (2t - 1) + 4 sm t (1 - t) = A t^2 + B t + C
  const double A = 2 * sa + 2 * sb - 4 * sm, B = -3 * sa - sb + 4 * sm, C = sa;
  double roots[2];
  int n = 0;
  if (std::fabs(A) < 1e-14 * (std::fabs(B) + std::fabs(C) + 1e-300)) {
    if (B != 0) roots[n++] = -C / B;
  } else {
    const double disc = B * B - 4 * A * C;
    if (disc < 0) return false;
    const double q = -0.5 * (B + (B >= 0 ? 1 : -1) * std::sqrt(disc));
    roots[n++] = q / A;
    if (q != 0) roots[n++] = C / q;
  }
  int found = 0;
  for (int r = 0; r < n; r++)
    if (roots[r] >= -1e-12 && roots[r] <= 1 + 1e-12) {
      if (found && std::fabs(roots[r] - *t) < 1e-12) continue;
      *t = std::min(1.0, std::max(0.0, roots[r]));
      found++;
    }
  return found == 1;
}

} // namespace

int pav_CappingP2Tetrahedra(const PavObject *obj, const double plane[4], int type, int nbrCutEnt,
                            const int *lstCutEnt, int *nbrCutTri, double **triCrd, double **triAux,
                            int **triLnk, int *nbrCutQua, double **quaCrd, double **quaAux,
                            int **quaLnk, char *status) {
  if (cappingArgs(obj, nbrCutTri, triCrd, triAux, triLnk, nbrCutQua, quaCrd, quaAux, quaLnk,
                  status) != PAV_SUCCESS)
    return PAV_FAILURE;
  if (nbrCutEnt < 1 || !lstCutEnt || !plane) return PAV_SUCCESS;
  if (type != TetrahedraP2) {
    for (int k = 0; k < nbrCutEnt; k++) printf(" pav_capping undefined for type %d \n", type);
    return PAV_SUCCESS;
  }
  const PavEntitySet &es = obj->ent[type];
  const int32_t nbrVer = obj->ent[Vertices].nbr;
  // Middle node of each edge (v0, v1): the P2 tetrahedron's edge nodes 4..9.
  int mid[4][4];
  for (int e = 0; e < 6; e++) {
    int n = 0;
    const int *ed = pav_LocalEdge(PavKindTetrahedron, 2, e, &n);
    mid[ed[0]][ed[1]] = mid[ed[1]][ed[0]] = ed[2];
  }
  CapOut out;
  double tmp[3];
  for (int k = 0; k < nbrCutEnt; k++) {
    const int32_t i = lstCutEnt[k];
    bool ok = es.idx && i >= 1 && i <= es.nbr && (obj->crdDbl || obj->crdFlt);
    const int32_t *g = ok ? es.idx + int64_t(i) * 10 : nullptr;
    for (int v = 0; ok && v < 10; v++) ok = g[v] >= 1 && g[v] <= nbrVer;
    if (!ok) {
      printf("  .... problem id entity %d iEnt %d [0-%d] nbrFac %d \n", k, i, es.nbr, 0);
      continue;
    }
    double x[10][3], s[10];
    for (int v = 0; v < 10; v++) {
      memcpy(x[v], vertexCrd(obj, g[v], tmp), sizeof(double) * 3);
      s[v] = plane[0] * x[v][0] + plane[1] * x[v][1] + plane[2] * x[v][2] + plane[3];
    }
    int pos[4], neg[4], np = 0, nn = 0;
    for (int v = 0; v < 4; v++) (s[v] > 0 ? pos[np++] : neg[nn++]) = v;
    if (np == 0 || nn == 0) continue;
    int edges[4][2], ne = 0;
    if (np == 1 || nn == 1) {
      const int lone = np == 1 ? pos[0] : neg[0];
      const int *three = np == 1 ? neg : pos;
      for (int m = 0; m < 3; m++) edges[ne][0] = three[m], edges[ne++][1] = lone;
    } else {
      const int P = neg[0], Q = neg[1], R = pos[0], S = pos[1];
      const int e4[4][2] = {{P, R}, {P, S}, {Q, S}, {Q, R}};
      for (auto &e : e4) edges[ne][0] = e[0], edges[ne++][1] = e[1];
    }
    double cx[4][3], ca[4][4];
    bool good = true;
    for (int e = 0; e < ne && good; e++) {
      const int a = edges[e][0], b = edges[e][1], m = mid[a][b];
      double t = 0;
      if (!crossP2(s[a], s[m], s[b], &t)) {
        printf("should have found one... ");
        good = false;
        break;
      }
      // Point on the parabola; reference coordinates on the straight reference edge.
      const double la = (1 - t) * (1 - 2 * t), lb = t * (2 * t - 1), lm = 4 * t * (1 - t);
      for (int c = 0; c < 3; c++) cx[e][c] = la * x[a][c] + lb * x[b][c] + lm * x[m][c];
      for (int c = 0; c < 4; c++) ca[e][c] = (c == a ? 1 - t : 0) + (c == b ? t : 0);
    }
    if (!good) continue;
    const int tris = ne == 3 ? 1 : 2;
    const int corners[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (int t = 0; t < tris; t++) {
      for (int m = 0; m < 3; m++) {
        out.crd.insert(out.crd.end(), cx[corners[t][m]], cx[corners[t][m]] + 3);
        out.aux.insert(out.aux.end(), ca[corners[t][m]], ca[corners[t][m]] + 4);
      }
      out.lnk.push_back(type);
      out.lnk.push_back(i);
      out.lnk.push_back(es.ref ? es.ref[i] : 0);
    }
  }
  return finishCapping(out, nbrCutTri, triCrd, triAux, triLnk, status);
}
