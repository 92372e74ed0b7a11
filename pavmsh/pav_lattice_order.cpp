#include "pav_lattice_order.h"

#include "pav_types.h"

#include <array>

namespace {

using Point = std::array<int, 4>;

Point corner(HoKind kind, int c, int d) {
  const int w = hoOrderWidth(kind);
  const int *v = hoNodeOrder(kind, 1) + size_t(c) * size_t(w);
  Point p{};
  for (int m = 0; m < w; m++) p[m] = v[m] * d;
  return p;
}

void lattice(const PavLatticeOrder &order, HoKind kind, int d, std::vector<Point> &out);

// The nodes of a triangle or quadrilateral of degree d in the order of the inner nodes of faces.
std::vector<Point> subLattice(const PavLatticeOrder &order, HoKind kind, int d) {
  std::vector<Point> sub;
  if (order.ownSubOrder) {
    lattice(order, kind, d, sub);
    return sub;
  }
  const int w = hoOrderWidth(kind);
  const int *canonical = hoNodeOrder(kind, d);
  for (int64_t n = 0; n < hoNodeCount(kind, d); n++) {
    Point p{};
    for (int m = 0; m < w; m++) p[m] = canonical[n * w + m];
    sub.push_back(p);
  }
  return sub;
}

// The lattice points of an element of the kind and degree, in the reader's order.
void lattice(const PavLatticeOrder &order, HoKind kind, int d, std::vector<Point> &out) {
  const int w = hoOrderWidth(kind);
  if (d == 0) {
    out.push_back(Point{});
    return;
  }
  const int corners = int(hoNodeCount(kind, 1));
  for (int c = 0; c < corners; c++) out.push_back(corner(kind, c, d));
  const PavLatticeTopology &top = order.kinds[kind];
  for (const PavLatticeTopology::CornerPair &e : top.edges) {
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
      for (const Point &abc : subLattice(order, HoTriangle, d - 3)) {
        Point r{};
        for (int m = 0; m < w; m++)
          r[m] = (abc[0] + 1) * fc[0][m] + (abc[1] + 1) * fc[1][m] + (abc[2] + 1) * fc[2][m];
        out.push_back(r);
      }
    } else if (f.size() == 4 && d >= 2) {
      for (const Point &st : subLattice(order, HoQuadrilateral, d - 2)) {
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
  case HoPyramid:
    inner = d - 3;
    break;
  case HoQuadrilateral:
  case HoHexahedron:
    inner = d - 2;
    break;
  case HoTetrahedron:
    inner = d - 4;
    break;
  case HoPrism: {
    if (d < 3) return;
    const int q = d - 2;
    const std::vector<Point> tri = subLattice(order, HoTriangle, d - 3);
    for (int l = 0; l <= q; l++) {
      const int h = l % 2 == 0 ? l / 2 : q - l / 2;
      for (const Point &abc : tri) out.push_back(Point{abc[0] + 1, abc[1] + 1, abc[2] + 1, h + 1});
    }
    return;
  }
  }
  if (inner < 0) return;
  std::vector<Point> sub;
  lattice(order, kind, inner, sub);
  for (Point &p : sub) {
    for (int m = 0; m < w; m++) p[m] += 1;
    out.push_back(p);
  }
}

std::vector<int> buildTable(const PavLatticeOrder &order, int type) {
  HoKind kind;
  int d = 0;
  if (!hoKindOfType(type, &kind, &d)) return {};
  std::vector<Point> pts;
  lattice(order, kind, d, pts);
  const int w = hoOrderWidth(kind);
  const int64_t n = hoNodeCount(kind, d);
  const int *canonical = hoNodeOrder(kind, d);
  if (int64_t(pts.size()) != n) return {};
  std::vector<int> table(size_t(n), -1);
  for (int64_t c = 0; c < n; c++)
    for (int64_t k = 0; k < n; k++) {
      bool same = true;
      for (int m = 0; m < w; m++) same = same && canonical[k * w + m] == pts[size_t(c)][size_t(m)];
      if (same) table[size_t(c)] = int(k);
    }
  return table;
}

} // namespace

PavLatticeTables::PavLatticeTables(const PavLatticeOrder &order) {
  for (int t = 0; t < PAV_NBR_STORED_TYPES; t++) tables.push_back(buildTable(order, t));
}

const int *PavLatticeTables::toCanonical(int type) const {
  if (type < 0 || type >= PAV_NBR_STORED_TYPES || tables[size_t(type)].empty()) return nullptr;
  return tables[size_t(type)].data();
}
