// Node order of Gmsh elements, mapped to the canonical order of ho_lattice.
//
// A Gmsh element of degree d lists its corners, then the inner nodes of its edges edge by edge
// (each walked from its first corner to its second), then the inner nodes of its faces face by
// face, then its interior nodes, ordered as an element of the same kind of lower degree
// (triangle d - 3, quadrilateral d - 2, tetrahedron d - 4, pyramid d - 3, hexahedron d - 2; the
// prism interior goes layer by layer). The inner nodes of a face follow the triangle or
// quadrilateral order with the sub-face's corners next to the face's corners in the order
// listed. Only the edge and face lists are typed in; the rest follows on the lattice. Gmsh's own
// reference coordinates of each element type check the result (tests/pavmsh/test_gmsh.cpp).
#include "pav_gmsh.h"

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

// Gmsh's edges and faces, corners numbered from 0, indexed by HoKind.
const KindTopology &topology(HoKind kind) {
  static const KindTopology t[HO_KIND_COUNT] = {
      {{{0, 1}}, {}},
      {{{0, 1}, {1, 2}, {2, 0}}, {}},
      {{{0, 1}, {1, 2}, {2, 3}, {3, 0}}, {}},
      {{{0, 1}, {1, 2}, {2, 0}, {3, 0}, {3, 2}, {3, 1}},
       {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {3, 1, 2}}},
      {{{0, 1}, {0, 3}, {0, 4}, {1, 2}, {1, 4}, {2, 3}, {2, 4}, {3, 4}},
       {{0, 1, 4}, {3, 0, 4}, {1, 2, 4}, {2, 3, 4}, {0, 3, 2, 1}}},
      {{{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 4}, {2, 5}, {3, 4}, {3, 5}, {4, 5}},
       {{0, 2, 1}, {3, 4, 5}, {0, 1, 4, 3}, {0, 3, 5, 2}, {1, 2, 5, 4}}},
      {{{0, 1},
        {0, 3},
        {0, 4},
        {1, 2},
        {1, 5},
        {2, 3},
        {2, 6},
        {3, 7},
        {4, 5},
        {4, 7},
        {5, 6},
        {6, 7}},
       {{0, 3, 2, 1}, {0, 1, 5, 4}, {0, 4, 7, 3}, {1, 2, 6, 5}, {2, 3, 7, 6}, {4, 5, 6, 7}}},
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

// The lattice points of a Gmsh element of the kind and degree, in Gmsh's order.
void gmshLattice(HoKind kind, int d, std::vector<Point> &out) {
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
    std::vector<Point> sub;
    if (f.size() == 3 && d >= 3) {
      gmshLattice(HoTriangle, d - 3, sub);
      for (const Point &abc : sub) {
        Point r{};
        for (int m = 0; m < w; m++)
          r[m] = (abc[0] + 1) * fc[0][m] + (abc[1] + 1) * fc[1][m] + (abc[2] + 1) * fc[2][m];
        out.push_back(r);
      }
    } else if (f.size() == 4 && d >= 2) {
      gmshLattice(HoQuadrilateral, d - 2, sub);
      for (const Point &st : sub) {
        Point r{};
        for (int m = 0; m < w; m++)
          r[m] = d * fc[0][m] + (st[0] + 1) * (fc[1][m] - fc[0][m]) +
                 (st[1] + 1) * (fc[3][m] - fc[0][m]);
        out.push_back(r);
      }
    }
  }
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
    std::vector<Point> tri;
    gmshLattice(HoTriangle, d - 3, tri);
    for (int l = 0; l <= q; l++) {
      const int h = l % 2 == 0 ? l / 2 : q - l / 2;
      for (const Point &abc : tri) out.push_back(Point{abc[0] + 1, abc[1] + 1, abc[2] + 1, h + 1});
    }
    return;
  }
  }
  if (inner < 0) return;
  std::vector<Point> sub;
  gmshLattice(kind, inner, sub);
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
  gmshLattice(kind, d, pts);
  const int w = hoOrderWidth(kind);
  const int64_t n = hoNodeCount(kind, d);
  const int *order = hoNodeOrder(kind, d);
  if (int64_t(pts.size()) != n) return {};
  std::vector<int> table(size_t(n), -1);
  for (int64_t c = 0; c < n; c++)
    for (int64_t k = 0; k < n; k++) {
      bool same = true;
      for (int m = 0; m < w; m++) same = same && order[k * w + m] == pts[size_t(c)][size_t(m)];
      if (same) table[size_t(c)] = int(k);
    }
  return table;
}

} // namespace

const int *pav_GmshToCanonical(int type) {
  static std::vector<int> tables[PAV_NBR_STORED_TYPES];
  static std::once_flag once;
  std::call_once(once, [] {
    for (int t = 0; t < PAV_NBR_STORED_TYPES; t++) tables[t] = buildTable(t);
  });
  if (type < 0 || type >= PAV_NBR_STORED_TYPES || tables[type].empty()) return nullptr;
  return tables[type].data();
}

int pav_GmshElementType(int gmshType, int *nodes, const char **skipped) {
  // Gmsh's element type numbers: kind, degree and node count of the complete Lagrange types
  // stored here, then the node counts of the others it defines.
  struct Stored {
    int gmsh;
    PavElementKind kind;
    int degree;
  };
  static const Stored stored[] = {
      {1, PavKindEdge, 1},           {8, PavKindEdge, 2},           {26, PavKindEdge, 3},
      {27, PavKindEdge, 4},          {2, PavKindTriangle, 1},       {9, PavKindTriangle, 2},
      {21, PavKindTriangle, 3},      {23, PavKindTriangle, 4},      {3, PavKindQuadrilateral, 1},
      {10, PavKindQuadrilateral, 2}, {36, PavKindQuadrilateral, 3}, {37, PavKindQuadrilateral, 4},
      {4, PavKindTetrahedron, 1},    {11, PavKindTetrahedron, 2},   {29, PavKindTetrahedron, 3},
      {30, PavKindTetrahedron, 4},   {7, PavKindPyramid, 1},        {14, PavKindPyramid, 2},
      {118, PavKindPyramid, 3},      {119, PavKindPyramid, 4},      {6, PavKindPrism, 1},
      {13, PavKindPrism, 2},         {90, PavKindPrism, 3},         {91, PavKindPrism, 4},
      {5, PavKindHexahedron, 1},     {12, PavKindHexahedron, 2},    {92, PavKindHexahedron, 3},
      {93, PavKindHexahedron, 4},
  };
  *nodes = 0;
  *skipped = nullptr;
  if (gmshType == 15) {
    *nodes = 1;
    return Corners;
  }
  if ((gmshType >= 84 && gmshType <= 89) || gmshType == 132) {
    *nodes = 1;
    *skipped = "degree 0";
    return 0;
  }
  for (const Stored &s : stored)
    if (s.gmsh == gmshType) {
      *nodes = pav_KindNbrNod(s.kind, s.degree);
      return pav_ElementType(s.kind, s.degree);
    }
  // Serendipity kinds (node count) and complete kinds of degree 5 to 10 (kind, degree).
  struct Other {
    int first, last;
    PavElementKind kind; // PavKindNone: serendipity, nodes listed
    int degree0;         // degree of `first` (complete kinds)
    int nodes0, step;    // serendipity: nodes of `first`, added per type
  };
  static const Other others[] = {
      {16, 16, PavKindNone, 0, 8, 0},          {17, 17, PavKindNone, 0, 20, 0},
      {18, 18, PavKindNone, 0, 15, 0},         {19, 19, PavKindNone, 0, 13, 0},
      {20, 20, PavKindNone, 0, 9, 0},          {22, 22, PavKindNone, 0, 12, 0},
      {24, 24, PavKindNone, 0, 15, 0},         {32, 33, PavKindNone, 0, 22, 6},
      {39, 41, PavKindNone, 0, 12, 4},         {52, 56, PavKindNone, 0, 18, 3},
      {57, 61, PavKindNone, 0, 24, 4},         {79, 83, PavKindNone, 0, 34, 6},
      {99, 105, PavKindNone, 0, 32, 12},       {125, 131, PavKindNone, 0, 21, 8},
      {137, 137, PavKindNone, 0, 16, 0},       {25, 25, PavKindTriangle, 5, 0, 0},
      {42, 46, PavKindTriangle, 6, 0, 0},      {28, 28, PavKindEdge, 5, 0, 0},
      {62, 66, PavKindEdge, 6, 0, 0},          {38, 38, PavKindQuadrilateral, 5, 0, 0},
      {47, 51, PavKindQuadrilateral, 6, 0, 0}, {31, 31, PavKindTetrahedron, 5, 0, 0},
      {71, 75, PavKindTetrahedron, 6, 0, 0},   {94, 98, PavKindHexahedron, 5, 0, 0},
      {106, 110, PavKindPrism, 5, 0, 0},       {120, 124, PavKindPyramid, 5, 0, 0},
  };
  for (const Other &o : others) {
    if (gmshType < o.first || gmshType > o.last) continue;
    const int k = gmshType - o.first;
    if (o.kind == PavKindNone) {
      *nodes = o.nodes0 + k * o.step;
      *skipped = "serendipity";
    } else {
      *nodes = pav_KindNbrNod(o.kind, o.degree0 + k);
      *skipped = "degree above 4";
    }
    return 0;
  }
  return 0;
}
