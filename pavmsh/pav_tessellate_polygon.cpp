// Polygon triangulation by ear cutting in the plane of the polygon. The plane comes from Newell's
// normal, so slightly warped polygons and any orientation in space work; the 2-D frame is chosen
// so that the polygon turns counter-clockwise in it, and every ear cut then gives a triangle that
// turns like the polygon.
#include "pav_tessellate_polygon.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Scratch {
  std::vector<int> kept;       // input position of each kept vertex
  std::vector<double> x, y;    // kept vertices in the polygon's plane
  std::vector<int> prev, next; // the cycle of the vertices not yet cut
  std::vector<int> tri;        // triangles as triples of kept indices
  std::vector<double> crd;     // coordinates of one polygon of the object
};

double cross2(const Scratch &s, int a, int b, int c) {
  return (s.x[b] - s.x[a]) * (s.y[c] - s.y[a]) - (s.y[b] - s.y[a]) * (s.x[c] - s.x[a]);
}

// Whether kept vertex p lies inside or on triangle (a, b, c) (counter-clockwise) without being
// one of its corners' positions.
bool inside(const Scratch &s, int a, int b, int c, int p, double eps) {
  auto same = [&](int q) { return s.x[p] == s.x[q] && s.y[p] == s.y[q]; };
  if (same(a) || same(b) || same(c)) return false;
  return cross2(s, a, b, p) >= -eps && cross2(s, b, c, p) >= -eps && cross2(s, c, a, p) >= -eps;
}

// Triangulates the vertices of crd (nbrVer x 3 doubles) into s.tri (kept indices) after dropping
// repetitions into s.kept. Returns the number of triangles.
int tessellate(int nbrVer, const double *crd, Scratch &s) {
  s.kept.clear();
  s.tri.clear();
  for (int i = 0; i < nbrVer; i++) {
    const double *p = crd + 3 * i;
    bool repeated = false;
    for (int k : s.kept) {
      const double *q = crd + 3 * k;
      const double dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
      if (std::sqrt(dx * dx + dy * dy + dz * dz) < PAV_TESS_DUPLICATE) {
        repeated = true;
        break;
      }
    }
    if (!repeated) s.kept.push_back(i);
  }
  const int n = static_cast<int>(s.kept.size());
  if (n < 3) return 0;

  // Newell's normal and a frame (u, v) with u x v along it.
  double nor[3] = {0, 0, 0};
  for (int k = 0; k < n; k++) {
    const double *a = crd + 3 * s.kept[k], *b = crd + 3 * s.kept[(k + 1) % n];
    nor[0] += (a[1] - b[1]) * (a[2] + b[2]);
    nor[1] += (a[2] - b[2]) * (a[0] + b[0]);
    nor[2] += (a[0] - b[0]) * (a[1] + b[1]);
  }
  const double len = std::sqrt(nor[0] * nor[0] + nor[1] * nor[1] + nor[2] * nor[2]);
  if (!(len > 0) || !std::isfinite(len)) {
    // Collinear (or unreadable) vertices: a fan of flat triangles.
    for (int k = 1; k + 1 < n; k++) s.tri.insert(s.tri.end(), {0, k, k + 1});
    return n - 2;
  }
  for (double &c : nor) c /= len;
  double u[3];
  if (std::fabs(nor[0]) < 0.9) // u = nor x e_x, else nor x e_y, normalised
    u[0] = 0, u[1] = nor[2], u[2] = -nor[1];
  else
    u[0] = -nor[2], u[1] = 0, u[2] = nor[0];
  const double ul = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
  for (double &c : u) c /= ul;
  const double v[3] = {nor[1] * u[2] - nor[2] * u[1], nor[2] * u[0] - nor[0] * u[2],
                       nor[0] * u[1] - nor[1] * u[0]};
  s.x.resize(size_t(n));
  s.y.resize(size_t(n));
  double scale = 0;
  const double *o = crd + 3 * s.kept[0];
  for (int k = 0; k < n; k++) {
    const double *p = crd + 3 * s.kept[k];
    const double d[3] = {p[0] - o[0], p[1] - o[1], p[2] - o[2]};
    s.x[size_t(k)] = d[0] * u[0] + d[1] * u[1] + d[2] * u[2];
    s.y[size_t(k)] = d[0] * v[0] + d[1] * v[1] + d[2] * v[2];
    scale = std::max({scale, std::fabs(s.x[size_t(k)]), std::fabs(s.y[size_t(k)])});
  }
  const double eps = 1e-12 * scale * scale;

  s.prev.resize(size_t(n));
  s.next.resize(size_t(n));
  for (int k = 0; k < n; k++) {
    s.prev[size_t(k)] = (k + n - 1) % n;
    s.next[size_t(k)] = (k + 1) % n;
  }
  // Strictness: 0 wants a strictly convex empty ear, 1 accepts a flat one, 2 cuts the most convex
  // corner whatever lies inside (only reached on self-intersecting input).
  int remaining = n, cur = 0, misses = 0, level = 0;
  auto cut = [&](int k) {
    const int a = s.prev[size_t(k)], c = s.next[size_t(k)];
    s.tri.insert(s.tri.end(), {a, k, c});
    s.next[size_t(a)] = c;
    s.prev[size_t(c)] = a;
    remaining--;
    misses = level = 0;
    return a;
  };
  while (remaining > 3) {
    if (level == 2) {
      int best = cur;
      double bestCross = -HUGE_VAL;
      int k = cur;
      for (int m = 0; m < remaining; m++, k = s.next[size_t(k)]) {
        const double c = cross2(s, s.prev[size_t(k)], k, s.next[size_t(k)]);
        if (c > bestCross) bestCross = c, best = k;
      }
      cur = cut(best);
      continue;
    }
    const int a = s.prev[size_t(cur)], c = s.next[size_t(cur)];
    const double turn = cross2(s, a, cur, c);
    bool ear = level == 0 ? turn > eps : turn >= -eps;
    for (int p = s.next[size_t(c)]; ear && p != a; p = s.next[size_t(p)])
      if (inside(s, a, cur, c, p, level == 0 ? 0.0 : eps)) ear = false;
    if (ear) {
      cur = cut(cur);
    } else {
      cur = c;
      if (++misses >= remaining) misses = 0, level++;
    }
  }
  s.tri.insert(s.tri.end(), {s.prev[size_t(cur)], cur, s.next[size_t(cur)]});
  return n - 2;
}

Scratch &scratch() {
  static thread_local Scratch s;
  return s;
}

// First and last entry (inclusive, clamped to the table) of item i of a header table.
bool itemRange(const int32_t *hdr, int32_t i, int32_t nbrItems, int32_t nbrEntries, int64_t &first,
               int64_t &last) {
  first = std::max<int64_t>(hdr[2 * i], 1);
  last = i < nbrItems ? int64_t(hdr[2 * (i + 1)]) - 1 : nbrEntries;
  last = std::min<int64_t>(last, nbrEntries);
  return last >= first;
}

} // namespace

int pav_TessellatePolygon(int mode, int nbrVer, const double *crd, int *tri) {
  if (mode != PAV_TESS_BOUNDARY && mode != PAV_TESS_POLYHEDRA) {
    std::printf("  Warning in pav_TessellatePolygon: unknown mode %d \n", mode);
    return 0;
  }
  if (nbrVer < 3 || !crd || !tri) return 0;
  Scratch &s = scratch();
  const int nt = tessellate(nbrVer, crd, s);
  for (int k = 0; k < 3 * nt; k++) tri[k] = s.kept[size_t(s.tri[size_t(k)])];
  return nt;
}

int pav_createTessellationPolygons(const PavObject *obj, int mode, int nbrSel, const int *sel,
                                   int *nbrTri, double **triCrd, int **triLnk,
                                   unsigned char **triEdg, char *status) {
  if (nbrTri) *nbrTri = 0;
  if (triCrd) *triCrd = nullptr;
  if (triLnk) *triLnk = nullptr;
  if (triEdg) *triEdg = nullptr;
  if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
  if (!status) return PAV_FAILURE;
  if (mode != PAV_TESS_BOUNDARY && mode != PAV_TESS_POLYHEDRA) {
    std::printf("  Error in pav_createTessellationPolygons: unknown mode %d \n", mode);
    return pav_Fail(status, "  Error in pav_createTessellationPolygons: unknown mode %d \n", mode);
  }
  if (!nbrTri || !triCrd || !triLnk) return pav_Fail(status, "NULL (nbrTri) parameter on input\n");

  const PavPolygonSet *pol = obj->pol;
  const int32_t nbrVer = obj->ent[Vertices].nbr;
  const bool boundary = mode == PAV_TESS_BOUNDARY;
  const bool usable = pol && (obj->crdDbl || obj->crdFlt) &&
                      (boundary ? pol->bndHdr && pol->bndVer
                                : pol->phdHdr && pol->phdFac && pol->innHdr && pol->innVer);
  const int32_t nbrItems = !pol ? 0 : boundary ? pol->nbrBndPol : pol->nbrPolyhedra;
  const bool all = !sel || nbrSel < 1;
  const int32_t nbrVisit = all ? nbrItems : nbrSel;

  // Visits the polygons of item number i (from 1) as (vertex table, first, last, face, reversed).
  auto visit = [&](int32_t i, auto &&fn) {
    int64_t first, last;
    if (boundary) {
      if (itemRange(pol->bndHdr, i, pol->nbrBndPol, pol->nbrBndVer, first, last))
        fn(pol->bndVer, first, last, i, false);
      return;
    }
    if (!itemRange(pol->phdHdr, i, pol->nbrPolyhedra, pol->nbrPolyhedraFaces, first, last)) return;
    for (int64_t f = first; f <= last; f++) {
      // In 64 bits: the magnitude of the smallest 32-bit entry does not fit in 32.
      const int64_t magnitude = std::abs((int64_t)pol->phdFac[f]);
      if (magnitude < 1 || magnitude > pol->nbrInnPol) continue;
      const int32_t face = (int32_t)magnitude;
      int64_t a, b;
      if (itemRange(pol->innHdr, face, pol->nbrInnPol, pol->nbrInnVer, a, b))
        fn(pol->innVer, a, b, face, pol->phdFac[f] < 0);
    }
  };
  auto itemOf = [&](int32_t k) { return all ? k + 1 : sel[k]; };

  // Bound on the triangles, and the check of the selected polyhedra.
  int64_t bound = 0;
  for (int32_t k = 0; usable && k < nbrVisit; k++) {
    const int32_t i = itemOf(k);
    if (!boundary && i > pol->nbrPolyhedra)
      pav_Fatal("Problem in pav_createTessellationPolygons: iPolyhedron %d > pol->NmbVolHdr %d\n",
                i, pol->nbrPolyhedra);
    if (i < 1 || i > nbrItems) continue;
    visit(i, [&](const int32_t *, int64_t a, int64_t b, int32_t, bool) {
      bound += std::max<int64_t>(0, b - a - 1);
    });
  }
  if (bound > INT32_MAX / 9)
    return pav_Fail(status, "Allocation failed for tessellation-arrays, size %lg Mb\n",
                    pav_BytesToMb(size_t(bound) * 9 * sizeof(double)));
  int32_t count = 0;
  if (bound > 0) {
    *triCrd = static_cast<double *>(std::malloc(size_t(bound) * 9 * sizeof(double)));
    *triLnk = static_cast<int *>(std::malloc(size_t(bound) * 3 * sizeof(int)));
    if (triEdg) *triEdg = static_cast<unsigned char *>(std::malloc(size_t(bound) * 3));
    if (!*triCrd || !*triLnk || (triEdg && !*triEdg)) {
      std::free(*triCrd);
      std::free(*triLnk);
      if (triEdg) std::free(*triEdg), *triEdg = nullptr;
      *triCrd = nullptr;
      *triLnk = nullptr;
      return pav_Fail(status, "Allocation failed for tessellation-arrays, size %lg Mb\n",
                      pav_BytesToMb(size_t(bound) * (9 * sizeof(double) + 4 * sizeof(int))));
    }
    Scratch &s = scratch();
    std::vector<double> &crd = s.crd;
    for (int32_t k = 0; k < nbrVisit; k++) {
      const int32_t i = itemOf(k);
      if (i < 1 || i > nbrItems) continue;
      const int32_t ref = (boundary ? pol->bndHdr : pol->phdHdr)[2 * i + 1];
      visit(i, [&](const int32_t *ver, int64_t a, int64_t b, int32_t face, bool reversed) {
        const int64_t n = b - a + 1;
        crd.resize(size_t(3 * n));
        for (int64_t m = 0; m < n; m++) {
          const int32_t vx = ver[reversed ? b - m : a + m];
          if (vx < 1 || vx > nbrVer) return;
          for (int c = 0; c < 3; c++)
            crd[size_t(3 * m + c)] =
                obj->crdDbl ? obj->crdDbl[3 * int64_t(vx) + c] : obj->crdFlt[3 * int64_t(vx) + c];
        }
        const int nt = tessellate(int(n), crd.data(), s);
        const int nk = int(s.kept.size());
        for (int t = 0; t < nt; t++, count++) {
          const int *tk = &s.tri[size_t(3 * t)];
          for (int j = 0; j < 3; j++) {
            const double *p = &crd[size_t(3 * s.kept[size_t(tk[j])])];
            std::copy(p, p + 3, *triCrd + 9 * int64_t(count) + 3 * j);
            if (triEdg) (*triEdg)[3 * int64_t(count) + j] = tk[(j + 1) % 3] == (tk[j] + 1) % nk;
          }
          int *l = *triLnk + 3 * int64_t(count);
          l[0] = face;
          l[1] = i;
          l[2] = ref;
        }
      });
    }
    if (count == 0) {
      std::free(*triCrd);
      std::free(*triLnk);
      if (triEdg) std::free(*triEdg), *triEdg = nullptr;
      *triCrd = nullptr;
      *triLnk = nullptr;
    }
  }
  std::printf("\n  Triangles for Tessellation:  %12d \n", count);
  *nbrTri = count;
  return PAV_SUCCESS;
}
