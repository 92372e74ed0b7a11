// Node order of CGNS elements, mapped to the canonical order of ho_lattice.
//
// A CGNS element of degree d lists its corners, then the inner nodes of its edges edge by edge
// (each walked from its first corner to its second), then the inner nodes of its faces face by
// face, then its interior nodes, which are ordered as an element of the same kind of lower degree
// (triangle d - 3, quadrilateral d - 2, tetrahedron d - 4, pyramid d - 3, hexahedron d - 2; the
// prism interior goes layer by layer like the canonical one). Inner nodes of a face follow the
// triangle or quadrilateral order with the sub-face's corners next to the face's corners in the
// order listed below. Only the edge and face lists are typed in; the rest follows on the lattice.
#include "pav_cgns.h"

#include "ho_lattice.h"
#include "pav_types.h"

#include <array>
#include <mutex>
#include <vector>

namespace {

struct CornerPair {
  int a, b;
};

struct KindTopology {
  std::vector<CornerPair> edges;
  std::vector<std::vector<int>> faces; // 3 or 4 corners each
};

// CGNS edges and faces, corners numbered from 0, indexed by HoKind.
const KindTopology &topology(HoKind kind) {
  static const KindTopology t[HO_KIND_COUNT] = {
      {{{0, 1}}, {}},
      {{{0, 1}, {1, 2}, {2, 0}}, {}},
      {{{0, 1}, {1, 2}, {2, 3}, {3, 0}}, {}},
      {{{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}},
       {{0, 1, 2}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}}},
      {{{0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 4}, {1, 4}, {2, 4}, {3, 4}},
       {{0, 1, 2, 3}, {0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}}},
      {{{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 4}, {2, 5}, {3, 4}, {4, 5}, {5, 3}},
       {{0, 1, 2}, {0, 1, 4, 3}, {1, 2, 5, 4}, {2, 0, 3, 5}, {3, 4, 5}}},
      {{{0, 1},
        {1, 2},
        {2, 3},
        {3, 0},
        {0, 4},
        {1, 5},
        {2, 6},
        {3, 7},
        {4, 5},
        {5, 6},
        {6, 7},
        {7, 4}},
       {{0, 1, 2, 3}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {0, 4, 7, 3}, {4, 5, 6, 7}}},
  };
  return t[kind];
}

using Point = std::array<int, 4>;

Point corner(HoKind kind, int c, int d) {
  const int w = hoOrderWidth(kind);
  const int *v = hoNodeOrder(kind, 1) + size_t(c) * size_t(w);
  Point p{};
  for (int m = 0; m < w; m++) p[m] = v[m] * d;
  return p;
}

// The lattice points of a CGNS element of the kind and degree, in CGNS order.
void cgnsLattice(HoKind kind, int d, std::vector<Point> &out) {
  const int w = hoOrderWidth(kind);
  if (d == 0) {
    out.push_back(Point{});
    return;
  }
  const int corners = int(hoNodeCount(kind, 1));
  for (int c = 0; c < corners; c++) out.push_back(corner(kind, c, d));
  const KindTopology &top = topology(kind);
  for (const CornerPair &e : top.edges) {
    const Point p = corner(kind, e.a, d), q = corner(kind, e.b, d);
    for (int t = 1; t < d; t++) {
      Point r{};
      for (int m = 0; m < w; m++) r[m] = p[m] + t * (q[m] - p[m]) / d;
      out.push_back(r);
    }
  }
  for (const std::vector<int> &f : top.faces) {
    Point fc[4]{};
    for (size_t k = 0; k < f.size(); k++) fc[k] = corner(kind, f[k], 1);
    if (f.size() == 3 && d >= 3) {
      const int *tri = hoNodeOrder(HoTriangle, d - 3);
      for (int64_t n = 0; n < hoNodeCount(HoTriangle, d - 3); n++) {
        const int *abc = tri + 3 * n;
        Point r{};
        for (int m = 0; m < w; m++)
          r[m] = (abc[0] + 1) * fc[0][m] + (abc[1] + 1) * fc[1][m] + (abc[2] + 1) * fc[2][m];
        out.push_back(r);
      }
    } else if (f.size() == 4 && d >= 2) {
      const int *qua = hoNodeOrder(HoQuadrilateral, d - 2);
      for (int64_t n = 0; n < hoNodeCount(HoQuadrilateral, d - 2); n++) {
        const int *st = qua + 2 * n;
        Point r{};
        for (int m = 0; m < w; m++)
          r[m] = d * fc[0][m] + (st[0] + 1) * (fc[1][m] - fc[0][m]) +
                 (st[1] + 1) * (fc[3][m] - fc[0][m]);
        out.push_back(r);
      }
    }
  }
  // Interior: a lower-degree element of the same kind shifted by one step along every lattice
  // coordinate (the prism goes layer by layer, as in its canonical order).
  int inner = -1;
  switch (kind) {
  case HoEdge:
    return;
  case HoTriangle:
    inner = d - 3;
    break;
  case HoQuadrilateral:
    inner = d - 2;
    break;
  case HoTetrahedron:
    inner = d - 4;
    break;
  case HoPyramid:
    inner = d - 3;
    break;
  case HoHexahedron:
    inner = d - 2;
    break;
  case HoPrism: {
    if (d < 3) return;
    const int q = d - 2;
    const int *tri = hoNodeOrder(HoTriangle, d - 3);
    for (int l = 0; l <= q; l++) {
      const int h = l % 2 == 0 ? l / 2 : q - l / 2;
      for (int64_t n = 0; n < hoNodeCount(HoTriangle, d - 3); n++)
        out.push_back(Point{tri[3 * n] + 1, tri[3 * n + 1] + 1, tri[3 * n + 2] + 1, h + 1});
    }
    return;
  }
  }
  if (inner < 0) return;
  std::vector<Point> sub;
  cgnsLattice(kind, inner, sub);
  for (Point &p : sub) {
    for (int m = 0; m < w; m++) p[m] += 1;
    out.push_back(p);
  }
}

std::vector<int> buildTable(int type) {
  HoKind kind;
  int d = 0;
  if (!hoKindOfType(type, &kind, &d)) return {};
  std::vector<Point> pts;
  cgnsLattice(kind, d, pts);
  const int w = hoOrderWidth(kind);
  const int64_t n = hoNodeCount(kind, d);
  const int *order = hoNodeOrder(kind, d);
  std::vector<int> table(size_t(n), -1);
  if (int64_t(pts.size()) != n) return {};
  for (int64_t c = 0; c < n; c++)
    for (int64_t k = 0; k < n; k++) {
      bool same = true;
      for (int m = 0; m < w; m++) same = same && order[k * w + m] == pts[size_t(c)][size_t(m)];
      if (same) table[size_t(c)] = int(k);
    }
  return table;
}

} // namespace

const int *pav_CgnsToCanonical(int type) {
  static std::vector<int> tables[PAV_NBR_STORED_TYPES];
  static std::once_flag once;
  std::call_once(once, [] {
    for (int t = 0; t < PAV_NBR_STORED_TYPES; t++) tables[t] = buildTable(t);
  });
  if (type < 0 || type >= PAV_NBR_STORED_TYPES || tables[type].empty()) return nullptr;
  return tables[type].data();
}
