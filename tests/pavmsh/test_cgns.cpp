// CGNS files written here with the CGNS library, read through pav_OpenMesh and pav_OpenSolution
// and compared with the mesh they were built from.
#include "ho_lattice.h"
#include "pav_cgns.h"
#include "pav_io.h"
#include "pav_solution.h"
#include "test_paths.h"

#include <array>
#include <cgnslib.h>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using P3 = std::array<double, 3>;

// ---- An independent, geometric description of the CGNS node order ----
// Corners in reference coordinates, edges and faces as the CGNS element definitions list them.
struct CgnsKind {
  HoKind kind;
  std::vector<P3> corners;
  std::vector<std::array<int, 2>> edges;
  std::vector<std::vector<int>> faces;
  std::array<CGNS_ENUMT(ElementType_t), 4> types; // degrees 1..4
};

const CgnsKind &cgnsKind(HoKind k) {
  static const CgnsKind kinds[] = {
      {HoEdge, {{0, 0, 0}, {1, 0, 0}}, {{0, 1}}, {}, {BAR_2, BAR_3, BAR_4, BAR_5}},
      {HoTriangle,
       {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
       {{0, 1}, {1, 2}, {2, 0}},
       {},
       {TRI_3, TRI_6, TRI_10, TRI_15}},
      {HoQuadrilateral,
       {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
       {{0, 1}, {1, 2}, {2, 3}, {3, 0}},
       {},
       {QUAD_4, QUAD_9, QUAD_16, QUAD_25}},
      {HoTetrahedron,
       {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
       {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}},
       {{0, 1, 2}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}},
       {TETRA_4, TETRA_10, TETRA_20, TETRA_35}},
      {HoPyramid,
       {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}},
       {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 4}, {1, 4}, {2, 4}, {3, 4}},
       {{0, 1, 2, 3}, {0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}},
       {PYRA_5, PYRA_14, PYRA_30, PYRA_55}},
      {HoPrism,
       {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {0, 1, 1}},
       {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 4}, {2, 5}, {3, 4}, {4, 5}, {5, 3}},
       {{0, 1, 2}, {0, 1, 4, 3}, {1, 2, 5, 4}, {2, 0, 3, 5}, {3, 4, 5}},
       {PENTA_6, PENTA_18, PENTA_40, PENTA_75}},
      {HoHexahedron,
       {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
       {{0, 1},
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
       {{0, 1, 2, 3}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {0, 4, 7, 3}, {4, 5, 6, 7}},
       {HEXA_8, HEXA_27, HEXA_64, HEXA_125}},
  };
  return kinds[k];
}

P3 mix(const P3 &a, double s, const P3 &b, double t) {
  return {s * a[0] + t * b[0], s * a[1] + t * b[1], s * a[2] + t * b[2]};
}

// Node positions of a CGNS element of degree d with the given corners: corners, edges, faces
// (inner nodes as a smaller triangle or quadrilateral on the face), then the interior as a
// smaller element of the same kind (the prism layer by layer, ends first).
void cgnsPoints(HoKind kind, int d, const std::vector<P3> &c, std::vector<P3> &out) {
  if (d == 0) {
    out.push_back(c[0]);
    return;
  }
  const CgnsKind &k = cgnsKind(kind);
  for (const P3 &p : c) out.push_back(p);
  for (auto e : k.edges)
    for (int t = 1; t < d; t++)
      out.push_back(mix(c[e[0]], 1.0 - double(t) / d, c[e[1]], double(t) / d));
  auto shrink = [&](const std::vector<int> &f, int m) { // sub-face of degree m
    std::vector<P3> s;
    P3 centre{0, 0, 0};
    for (int v : f) centre = mix(centre, 1, c[v], 1);
    for (int v : f) {
      if (f.size() == 3)
        s.push_back(mix(c[v], double(m) / d, centre, 1.0 / d));
      else { // parallelogram: one step along both of its sides from the corner
        size_t i = 0;
        while (f[i] != v) i++;
        const P3 &prev = c[f[(i + 3) % 4]], &next = c[f[(i + 1) % 4]];
        P3 p = mix(c[v], 1.0 - 2.0 / d, prev, 1.0 / d);
        s.push_back(mix(p, 1, next, 1.0 / d));
      }
    }
    return s;
  };
  for (const auto &f : k.faces) {
    if (f.size() == 3 && d >= 3) cgnsPoints(HoTriangle, d - 3, shrink(f, d - 3), out);
    if (f.size() == 4 && d >= 2) cgnsPoints(HoQuadrilateral, d - 2, shrink(f, d - 2), out);
  }
  const P3 one{1, 1, 1};
  auto inner = [&](HoKind sub, int m, std::vector<P3> corners) {
    for (P3 &p : corners) p = mix(p, double(m) / d, one, 1.0 / d);
    cgnsPoints(sub, m, corners, out);
  };
  // Triangles and quadrilaterals may lie on the face of a volume: shrink them in their plane.
  if (kind == HoTriangle && d >= 3) cgnsPoints(kind, d - 3, shrink({0, 1, 2}, d - 3), out);
  if (kind == HoQuadrilateral && d >= 2) cgnsPoints(kind, d - 2, shrink({0, 1, 2, 3}, d - 2), out);
  if (kind == HoTetrahedron && d >= 4) inner(HoTetrahedron, d - 4, c);
  if (kind == HoPyramid && d >= 3) inner(HoPyramid, d - 3, c);
  if (kind == HoHexahedron && d >= 2) inner(HoHexahedron, d - 2, c);
  if (kind == HoPrism && d >= 3)
    for (int l = 0, q = d - 2; l <= q; l++) {
      const int h = l % 2 == 0 ? l / 2 : q - l / 2;
      std::vector<P3> tri;
      for (int v = 0; v < 3; v++) {
        P3 p = mix(c[v], double(d - 3) / d, P3{1, 1, 0}, 1.0 / d);
        p[2] = double(h + 1) / d;
        tri.push_back(p);
      }
      cgnsPoints(HoTriangle, d - 3, tri, out);
    }
}

// Reference position of a canonical lattice point (ho_lattice.h) in the corners above.
P3 latticePoint(HoKind kind, int d, const int *l) {
  switch (kind) {
  case HoEdge:
    return {double(l[0]) / d, 0, 0};
  case HoTriangle:
    return {double(l[1]) / d, double(l[2]) / d, 0};
  case HoQuadrilateral:
    return {double(l[0]) / d, double(l[1]) / d, 0};
  case HoTetrahedron:
    return {double(l[1]) / d, double(l[2]) / d, double(l[3]) / d};
  case HoPrism:
    return {double(l[1]) / d, double(l[2]) / d, double(l[3]) / d};
  default:
    return {double(l[0]) / d, double(l[1]) / d, double(l[2]) / d};
  }
}

// A curved placement of the reference element.
P3 warp(const P3 &p) {
  return {p[0] + 0.1 * p[1] * p[1], p[1] + 0.2 * p[2] * p[0], p[2] + 0.3 * p[0] * p[1] + 1.0};
}

// ---- Writing files ----

struct Writer {
  int fn = 0, B = 0;
  explicit Writer(const std::string &name, int cellDim = 3, int physDim = 3) {
    EXPECT_EQ(cg_open(name.c_str(), CG_MODE_WRITE, &fn), 0) << cg_get_error();
    EXPECT_EQ(cg_base_write(fn, "Base", cellDim, physDim, &B), 0) << cg_get_error();
  }
  ~Writer() { cg_close(fn); }
  int zone(const char *name, const std::vector<P3> &xyz, cgsize_t nbrCell, bool single = false,
           int dim = 3) {
    int Z = 0, C = 0;
    cgsize_t size[3] = {cgsize_t(xyz.size()), nbrCell, 0};
    EXPECT_EQ(cg_zone_write(fn, B, name, size, Unstructured, &Z), 0) << cg_get_error();
    const char *names[3] = {"CoordinateX", "CoordinateY", "CoordinateZ"};
    for (int c = 0; c < dim; c++) {
      std::vector<double> d;
      std::vector<float> f;
      for (const P3 &p : xyz) d.push_back(p[size_t(c)]), f.push_back(float(p[size_t(c)]));
      if (single)
        EXPECT_EQ(cg_coord_write(fn, B, Z, RealSingle, names[c], f.data(), &C), 0);
      else
        EXPECT_EQ(cg_coord_write(fn, B, Z, RealDouble, names[c], d.data(), &C), 0);
    }
    return Z;
  }
  void section(int Z, const char *name, CGNS_ENUMT(ElementType_t) type, cgsize_t start,
               const std::vector<cgsize_t> &conn, cgsize_t count = 0) {
    int S = 0, npe = 0;
    cg_npe(type, &npe);
    if (!count) count = cgsize_t(conn.size()) / npe;
    EXPECT_EQ(cg_section_write(fn, B, Z, name, type, start, start + count - 1, 0, conn.data(), &S),
              0)
        << cg_get_error();
  }
  // MIXED: conn holds type, nodes, type, nodes...
  void mixed(int Z, const char *name, cgsize_t start, const std::vector<cgsize_t> &conn) {
    std::vector<cgsize_t> offsets{0};
    for (size_t at = 0; at < conn.size();) {
      int npe = 0;
      cg_npe(CGNS_ENUMT(ElementType_t)(conn[at]), &npe);
      at += size_t(npe) + 1;
      offsets.push_back(cgsize_t(at));
    }
    int S = 0;
    const cgsize_t n = cgsize_t(offsets.size()) - 1;
    EXPECT_EQ(cg_poly_section_write(fn, B, Z, name, MIXED, start, start + n - 1, 0, conn.data(),
                                    offsets.data(), &S),
              0)
        << cg_get_error();
  }
  void boco(int Z, const char *name, CGNS_ENUMT(PointSetType_t) pt, CGNS_ENUMT(GridLocation_t) loc,
            const std::vector<cgsize_t> &pts, const char *family = nullptr) {
    int BC = 0;
    EXPECT_EQ(cg_boco_write(fn, B, Z, name, BCWall, pt, cgsize_t(pts.size()), pts.data(), &BC), 0)
        << cg_get_error();
    EXPECT_EQ(cg_boco_gridlocation_write(fn, B, Z, BC, loc), 0) << cg_get_error();
    if (family) {
      EXPECT_EQ(cg_goto(fn, B, "Zone_t", Z, "ZoneBC_t", 1, "BC_t", BC, "end"), 0);
      EXPECT_EQ(cg_famname_write(family), 0);
    }
  }
  int solution(int Z, const char *name, CGNS_ENUMT(GridLocation_t) loc) {
    int S = 0;
    EXPECT_EQ(cg_sol_write(fn, B, Z, name, loc, &S), 0) << cg_get_error();
    return S;
  }
  void field(int Z, int S, const char *name, const std::vector<double> &v) {
    int F = 0;
    EXPECT_EQ(cg_field_write(fn, B, Z, S, RealDouble, name, v.data(), &F), 0) << cg_get_error();
  }
};

struct Object {
  PavObject *obj = nullptr;
  char status[PAV_IO_STATUS_SIZE] = "";
  Object() { pav_NewInterface(&obj); }
  ~Object() { pav_DeleteInterface(&obj); }
  int open(const std::string &name) { return pav_OpenMesh(obj, name.c_str(), status); }
  int openSolution(const std::string &name) { return pav_OpenSolution(obj, name.c_str(), status); }
  const double *vertex(int v) const { return obj->crdDbl + 3 * v; }
};

// ---- Node orders ----

class CgnsOrder : public ::testing::TestWithParam<int> {};

// One element of every kind and degree, its nodes placed on a curved map of the reference
// element in CGNS order: read back, canonical node k must sit where the map sends its lattice
// point.
TEST_P(CgnsOrder, CurvedElementReadsAtItsCanonicalNodes) {
  const int type = GetParam();
  HoKind kind;
  int d = 0;
  ASSERT_TRUE(hoKindOfType(type, &kind, &d));
  const CgnsKind &k = cgnsKind(kind);
  std::vector<P3> pts;
  cgnsPoints(kind, d, k.corners, pts);
  const int64_t n = hoNodeCount(kind, d);
  ASSERT_EQ(int64_t(pts.size()), n);
  std::vector<P3> xyz;
  std::vector<cgsize_t> conn;
  for (const P3 &p : pts) {
    xyz.push_back(warp(p));
    conn.push_back(cgsize_t(xyz.size()));
  }
  const std::string name =
      pavo_test::scratchDir("cgns_order_" + std::to_string(type)) + "/one.cgns";
  {
    const int dim = kind == HoEdge ? 1 : kind <= HoQuadrilateral ? 2 : 3;
    Writer w(name, dim, 3);
    const int Z = w.zone("z", xyz, 1);
    w.section(Z, "one", k.types[size_t(d - 1)], 1, conn);
  }
  Object o;
  ASSERT_EQ(o.open(name), PAV_SUCCESS) << o.status;
  ASSERT_EQ(o.obj->ent[type].nbr, 1);
  const int *order = hoNodeOrder(kind, d);
  const int w = hoOrderWidth(kind);
  std::vector<int> seen(size_t(n) + 1, 0);
  for (int64_t c = 0; c < n; c++) {
    const int v = o.obj->ent[type].idx[n + c];
    ASSERT_GE(v, 1);
    ASSERT_LE(v, n);
    seen[size_t(v)]++;
    const P3 expect = warp(latticePoint(kind, d, order + c * w));
    for (int m = 0; m < 3; m++) EXPECT_NEAR(o.vertex(v)[m], expect[size_t(m)], 1e-12) << c;
  }
  for (int64_t v = 1; v <= n; v++) EXPECT_EQ(seen[size_t(v)], 1);
}

INSTANTIATE_TEST_SUITE_P(EveryKindAndDegree, CgnsOrder,
                         ::testing::Values(3, 11, 18, 25, 4, 12, 19, 26, 6, 13, 20, 27, 7, 14, 21,
                                           28, 8, 16, 23, 30, 9, 17, 24, 31, 10, 15, 22, 29));

// The degree-2 kinds whose order differs from the canonical one, as the CGNS element definitions
// list them: node c is the centroid of the listed corners (1-based).
TEST(CgnsOrder, SecondDegreeNodesAsPublished) {
  const std::vector<std::vector<int>> hexa27 = {{1, 2},
                                                {2, 3},
                                                {3, 4},
                                                {4, 1},
                                                {1, 5},
                                                {2, 6},
                                                {3, 7},
                                                {4, 8},
                                                {5, 6},
                                                {6, 7},
                                                {7, 8},
                                                {8, 5},
                                                {1, 2, 3, 4},
                                                {1, 2, 6, 5},
                                                {2, 3, 7, 6},
                                                {3, 4, 8, 7},
                                                {1, 5, 8, 4},
                                                {5, 6, 7, 8},
                                                {1, 2, 3, 4, 5, 6, 7, 8}};
  const std::vector<std::vector<int>> penta18 = {{1, 2}, {2, 3},       {3, 1},       {1, 4},
                                                 {2, 5}, {3, 6},       {4, 5},       {5, 6},
                                                 {6, 4}, {1, 2, 5, 4}, {2, 3, 6, 5}, {3, 1, 4, 6}};
  const std::vector<std::vector<int>> pyra14 = {{1, 2}, {2, 3}, {3, 4}, {4, 1},      {1, 5},
                                                {2, 5}, {3, 5}, {4, 5}, {1, 2, 3, 4}};
  for (auto [kind, list] : {std::pair{HoHexahedron, hexa27}, std::pair{HoPrism, penta18},
                            std::pair{HoPyramid, pyra14}}) {
    const CgnsKind &k = cgnsKind(kind);
    std::vector<P3> pts;
    cgnsPoints(kind, 2, k.corners, pts);
    ASSERT_EQ(pts.size(), k.corners.size() + list.size());
    for (size_t c = 0; c < list.size(); c++) {
      P3 centre{0, 0, 0};
      for (int v : list[c]) centre = mix(centre, 1, k.corners[size_t(v - 1)], 1.0 / list[c].size());
      for (int m = 0; m < 3; m++)
        EXPECT_NEAR(pts[k.corners.size() + c][size_t(m)], centre[size_t(m)], 1e-15);
    }
  }
}

} // namespace
