// CGNS files written here with the CGNS library, read through pav_OpenMesh and pav_OpenSolution
// and compared with the mesh they were built from.
#include "ho_lattice.h"
#include "pav_cgns.h"
#include "pav_io.h"
#include "pav_solution.h"
#include "test_paths.h"

#include <array>
#include <cgns_io.h>
#include <cgnslib.h>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// The HDF5 and CGNS libraries keep some memory on their own error paths, which the damaged-file
// tests go through: suppressed by library name when the tests run under LeakSanitizer.
extern "C" const char *__lsan_default_suppressions() {
  return "leak:libhdf5_serial.so\nleak:libcgns.so\n";
}

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
    if (pt != ElementRange && pt != ElementList) { // those are located by the library itself
      EXPECT_EQ(cg_boco_gridlocation_write(fn, B, Z, BC, loc), 0) << cg_get_error();
    }
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

// ---- Zones, sections, boundary conditions and solutions ----

// Two zones: A (single precision) holds two tetrahedra and a MIXED skin of three triangles and
// an edge; B (double precision) a hexahedron and two quadrilaterals. Boundary conditions by
// element range (with a family), by vertex list, by face list and by face range; vertex and
// cell-centred solutions with a vector; base iterative data of two steps.
std::string writeTwoZones() {
  const std::string name = pavo_test::scratchDir("cgns_zones") + "/two.cgns";
  Writer w(name);
  const std::vector<P3> a = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}};
  const int A = w.zone("A", a, 2, true);
  w.section(A, "cells", TETRA_4, 1, {1, 2, 3, 4, 2, 3, 4, 5});
  w.mixed(A, "skin", 3, {TRI_3, 1, 3, 2, TRI_3, 1, 2, 4, TRI_3, 2, 3, 5, BAR_2, 1, 2});
  w.boco(A, "wall", ElementRange, FaceCenter, {3, 4}, "Wing");
  w.boco(A, "far", PointList, Vertex, {2, 3, 5});
  std::vector<P3> b;
  for (int k = 0; k < 8; k++)
    b.push_back({2.0 + ((k + 1) / 2 % 2), double(k / 2 % 2), double(k / 4) + 0.25});
  const int B = w.zone("B", b, 1);
  w.section(B, "hex", HEXA_8, 1, {1, 2, 3, 4, 5, 6, 7, 8});
  w.section(B, "faces", QUAD_4, 2, {1, 2, 3, 4, 5, 6, 7, 8});
  w.boco(B, "bottom", PointList, FaceCenter, {2});
  w.boco(B, "top", PointRange, FaceCenter, {3, 3});
  for (int Z : {A, B}) {
    const size_t nv = Z == A ? 5 : 8, nc = Z == A ? 2 : 1;
    std::vector<double> rho, mx, my, mz, p;
    for (size_t v = 0; v < nv; v++) {
      rho.push_back(Z * 100.0 + double(v));
      mx.push_back(-double(v)), my.push_back(0.5 * double(v)), mz.push_back(Z);
    }
    for (size_t c = 0; c < nc; c++) p.push_back(Z * 1000.0 + double(c));
    const int S = w.solution(Z, "Init", Vertex);
    w.field(Z, S, "Density", rho);
    w.field(Z, S, "MomentumX", mx);
    w.field(Z, S, "MomentumY", my);
    w.field(Z, S, "MomentumZ", mz);
    w.field(Z, w.solution(Z, "Cells", CellCenter), "Pressure", p);
  }
  EXPECT_EQ(cg_biter_write(w.fn, w.B, "Steps", 2), 0);
  EXPECT_EQ(cg_goto(w.fn, w.B, "BaseIterativeData_t", 1, "end"), 0);
  const double times[2] = {0.5, 1.5};
  const int iterations[2] = {10, 20};
  cgsize_t two = 2;
  EXPECT_EQ(cg_array_write("TimeValues", RealDouble, 1, &two, times), 0);
  EXPECT_EQ(cg_array_write("IterationValues", Integer, 1, &two, iterations), 0);
  return name;
}

std::vector<int> nodesOf(const PavObject *obj, int type) {
  const PavEntitySet &s = obj->ent[type];
  const int n = pav_MshTyp2Siz(type, nullptr);
  return std::vector<int>(s.idx + n, s.idx + size_t(n) * (size_t(s.nbr) + 1));
}

std::vector<int> refsOf(const PavObject *obj, int type) {
  const PavEntitySet &s = obj->ent[type];
  return std::vector<int>(s.ref + 1, s.ref + s.nbr + 1);
}

TEST(CgnsMesh, ZonesSectionsAndBoundaryConditionsMatchTheBuiltMesh) {
  const std::string name = writeTwoZones();
  Object o;
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(o.open(name), PAV_SUCCESS) << o.status;
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(std::string(o.status + PAV_STATUS_SIZE), name);
  EXPECT_NE(out.find("Reference 1: boundary condition wall family Wing"), std::string::npos);
  EXPECT_NE(out.find("Reference 8: section faces of zone B"), std::string::npos);
  const PavObject *m = o.obj;
  EXPECT_EQ(m->dim, 3);
  ASSERT_EQ(m->ent[Vertices].nbr, 13);
  EXPECT_EQ(nodesOf(m, Tetrahedra), (std::vector<int>{1, 2, 3, 4, 2, 3, 4, 5}));
  EXPECT_EQ(refsOf(m, Tetrahedra), (std::vector<int>{5, 5}));
  EXPECT_EQ(nodesOf(m, Triangles), (std::vector<int>{1, 3, 2, 1, 2, 4, 2, 3, 5}));
  EXPECT_EQ(refsOf(m, Triangles), (std::vector<int>{1, 1, 2}));
  EXPECT_EQ(nodesOf(m, Edges), (std::vector<int>{1, 2}));
  EXPECT_EQ(refsOf(m, Edges), (std::vector<int>{6}));
  EXPECT_EQ(nodesOf(m, Hexahedra), (std::vector<int>{6, 7, 8, 9, 10, 11, 12, 13}));
  EXPECT_EQ(refsOf(m, Hexahedra), (std::vector<int>{7}));
  EXPECT_EQ(nodesOf(m, Quadrilaterals), (std::vector<int>{6, 7, 8, 9, 10, 11, 12, 13}));
  EXPECT_EQ(refsOf(m, Quadrilaterals), (std::vector<int>{3, 4}));
  EXPECT_EQ(refsOf(m, Vertices), (std::vector<int>{0, 2, 2, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(o.vertex(5)[0], 1.0);
  EXPECT_EQ(o.vertex(13)[1], 1.0);
  EXPECT_EQ(o.vertex(13)[2], 1.25);
  EXPECT_EQ(o.vertex(7)[0], 3.0);
}

TEST(CgnsSolution, VertexAndCellFieldsKeepTheirNamesValuesAndStep) {
  const std::string name = writeTwoZones();
  Object o;
  ASSERT_EQ(o.open(name), PAV_SUCCESS) << o.status;
  ASSERT_EQ(o.openSolution(name), PAV_SUCCESS) << o.status;
  const PavSolution *rho = pav_SolutionList(o.obj, SolAtVertices);
  ASSERT_TRUE(rho && rho->next && !rho->next->next);
  const PavSolution *mom = rho->next;
  EXPECT_STREQ(rho->name, "Density");
  EXPECT_STREQ(mom->name, "Momentum");
  EXPECT_EQ(rho->kind, PavSolScalar);
  EXPECT_EQ(mom->kind, PavSolVector);
  for (const PavSolution *r : {rho, mom}) {
    EXPECT_EQ(r->iteration, 20);
    EXPECT_EQ(r->time, 1.5);
    EXPECT_EQ(r->nbrEnt, 13);
  }
  for (int v = 1; v <= 13; v++) {
    const int zone = v <= 5 ? 1 : 2, local = v <= 5 ? v - 1 : v - 6;
    EXPECT_EQ(rho->data[v], zone * 100.0 + local);
    EXPECT_EQ(mom->data[3 * v], -double(local));
    EXPECT_EQ(mom->data[3 * v + 1], 0.5 * local);
    EXPECT_EQ(mom->data[3 * v + 2], zone);
  }
  const PavSolution *pt = pav_SolutionList(o.obj, pav_EntTyp2SolTyp(Tetrahedra, nullptr));
  const PavSolution *ph = pav_SolutionList(o.obj, pav_EntTyp2SolTyp(Hexahedra, nullptr));
  ASSERT_TRUE(pt && ph);
  EXPECT_STREQ(pt->name, "Pressure");
  EXPECT_EQ(pt->degree, 0);
  EXPECT_EQ(pt->data[1], 1000.0);
  EXPECT_EQ(pt->data[2], 1001.0);
  EXPECT_EQ(ph->data[1], 2000.0);
  EXPECT_EQ(pav_SolutionList(o.obj, pav_EntTyp2SolTyp(Triangles, nullptr)), nullptr);
}

// A 2-D base: z = 0, vectors of two components, a MIXED section of cells.
TEST(CgnsSolution, PlanarBaseGivesTwoComponentVectors) {
  const std::string name = pavo_test::scratchDir("cgns_planar") + "/flat.cgns";
  {
    Writer w(name, 2, 2);
    const int Z =
        w.zone("plate", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}}, 2, false, 2);
    w.mixed(Z, "cells", 1, {QUAD_4, 1, 2, 3, 4, TRI_3, 2, 5, 3});
    const int S = w.solution(Z, "Flow", Vertex);
    w.field(Z, S, "VelocityX", {1, 2, 3, 4, 5});
    w.field(Z, S, "VelocityY", {6, 7, 8, 9, 10});
    w.field(Z, S, "VelocityZ", {0, 0, 0, 0, 0}); // no third axis in 2-D: a scalar
    w.field(Z, w.solution(Z, "Cell", CellCenter), "Mach", {0.25, 0.75});
  }
  Object o;
  ASSERT_EQ(o.open(name), PAV_SUCCESS) << o.status;
  EXPECT_EQ(o.obj->dim, 2);
  EXPECT_EQ(o.vertex(5)[2], 0.0);
  EXPECT_EQ(nodesOf(o.obj, Triangles), (std::vector<int>{2, 5, 3}));
  ASSERT_EQ(o.openSolution(name), PAV_SUCCESS) << o.status;
  const PavSolution *vel = pav_SolutionList(o.obj, SolAtVertices);
  ASSERT_TRUE(vel && vel->next);
  EXPECT_STREQ(vel->name, "Velocity");
  EXPECT_STREQ(vel->next->name, "VelocityZ");
  EXPECT_EQ(vel->data[2 * 4], 4.0);
  EXPECT_EQ(vel->data[2 * 4 + 1], 9.0);
  EXPECT_EQ(pav_SolutionList(o.obj, pav_EntTyp2SolTyp(Quadrilaterals, nullptr))->data[1], 0.25);
  EXPECT_EQ(pav_SolutionList(o.obj, pav_EntTyp2SolTyp(Triangles, nullptr))->data[1], 0.75);
}

// NGON_n faces and NFACE_n cells: polyhedra over inner polygons; NGON_n alone: boundary polygons.
TEST(CgnsMesh, PolygonSectionsBecomePolygonsAndPolyhedra) {
  const std::string dir = pavo_test::scratchDir("cgns_poly");
  const std::vector<P3> xyz = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  const std::vector<cgsize_t> faces = {1, 3, 2, 1, 2, 4, 2, 3, 4, 3, 1, 4},
                              faceStart = {0, 3, 6, 9, 12}, cell = {1, 2, -3, 4},
                              cellStart = {0, 4};
  for (bool withCells : {true, false}) {
    const std::string name = dir + (withCells ? "/cells.cgns" : "/faces.cgns");
    {
      Writer w(name);
      const int Z = w.zone("z", xyz, withCells ? 1 : 0);
      int S = 0;
      ASSERT_EQ(cg_poly_section_write(w.fn, w.B, Z, "faces", NGON_n, 1, 4, 0, faces.data(),
                                      faceStart.data(), &S),
                0);
      if (withCells) {
        ASSERT_EQ(cg_poly_section_write(w.fn, w.B, Z, "cell", NFACE_n, 5, 5, 0, cell.data(),
                                        cellStart.data(), &S),
                  0);
      }
    }
    Object o;
    ASSERT_EQ(o.open(name), PAV_SUCCESS) << o.status;
    const PavPolygonSet *p = o.obj->pol;
    ASSERT_NE(p, nullptr);
    const int32_t *hdr = withCells ? p->innHdr : p->bndHdr,
                  *ver = withCells ? p->innVer : p->bndVer;
    ASSERT_EQ(withCells ? p->nbrInnPol : p->nbrBndPol, 4);
    ASSERT_EQ(withCells ? p->nbrInnVer : p->nbrBndVer, 12);
    EXPECT_EQ(std::vector<int>(ver + 1, ver + 13), std::vector<int>(faces.begin(), faces.end()));
    EXPECT_EQ((std::vector<int>{hdr[2], hdr[3], hdr[8], hdr[9]}), (std::vector<int>{1, 1, 10, 1}));
    EXPECT_EQ(p->nbrPolyhedra, withCells ? 1 : 0);
    if (withCells) {
      EXPECT_EQ((std::vector<int>{p->phdHdr[2], p->phdHdr[3]}), (std::vector<int>{1, 2}));
      EXPECT_EQ(std::vector<int>(p->phdFac + 1, p->phdFac + 5), (std::vector<int>{1, 2, -3, 4}));
    }
  }
}

// The converted mesh, read back by meshio.
TEST(CgnsMesh, ConvertedMeshReadsInMeshio) {
  if (std::system("/usr/bin/python3 -c 'import meshio' >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "python3-meshio is not installed";
  const std::string name = writeTwoZones();
  Object o;
  ASSERT_EQ(o.open(name), PAV_SUCCESS) << o.status;
  const std::string out = name.substr(0, name.size() - 5) + ".meshb";
  ASSERT_EQ(pav_WriteMesh(o.obj, out.c_str(), o.status), PAV_SUCCESS) << o.status;
  const std::string result = out + ".txt";
  const std::string cmd = "/usr/bin/python3 -c 'import meshio,sys; m = meshio.read(sys.argv[1]); "
                          "c = m.cells_dict; print(len(m.points), *(len(c[k]) for k in "
                          "(\"line\", \"triangle\", \"quad\", \"tetra\", \"hexahedron\")), "
                          "*c[\"hexahedron\"][0], m.points[12][2])' " +
                          out + " > " + result + " 2>/dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << pavo_test::readFile(result);
  EXPECT_EQ(pavo_test::readFile(result), "13 1 3 2 2 1 5 6 7 8 9 10 11 12 1.25\n");
}

// ---- Bad input ----

struct BadCase {
  const char *label;
  const char *message; // part of the status text
  void (*write)(const std::string &name);
};

void writeTetZone(Writer &w, const std::vector<cgsize_t> &conn) {
  const int Z = w.zone("z", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 1);
  w.section(Z, "cells", TETRA_4, 1, conn);
}

const BadCase kBadCases[] = {
    {"not HDF5", "Cannot open CGNS file",
     [](const std::string &n) {
       std::ofstream(n) << "MeshVersionFormatted 2\nDimension 3\nEnd\n";
     }},
    {"truncated", "Cannot open CGNS file",
     [](const std::string &n) {
       {
         Writer w(n);
         writeTetZone(w, {1, 2, 3, 4});
       }
       const std::string all = pavo_test::readFile(n);
       std::ofstream(n, std::ios::binary) << all.substr(0, all.size() / 3);
     }},
    {"no base", "No base",
     [](const std::string &n) {
       int fn = 0;
       cg_open(n.c_str(), CG_MODE_WRITE, &fn);
       cg_close(fn);
     }},
    {"no zone", "No zone", [](const std::string &n) { Writer w(n); }},
    {"structured zone only", "No unstructured zone",
     [](const std::string &n) {
       Writer w(n);
       cgsize_t size[9] = {2, 2, 2, 1, 1, 1, 0, 0, 0};
       int Z = 0;
       cg_zone_write(w.fn, w.B, "grid", size, Structured, &Z);
     }},
    {"node outside the zone", "Invalid vertex 9",
     [](const std::string &n) {
       Writer w(n);
       writeTetZone(w, {1, 2, 9, 4});
     }},
    {"overlapping sections", "overlap",
     [](const std::string &n) {
       Writer w(n);
       writeTetZone(w, {1, 2, 3, 4});
       w.section(1, "more", TRI_3, 1, {1, 2, 3});
     }},
    {"element type inside MIXED", "Unknown element type 99",
     [](const std::string &n) {
       Writer w(n);
       {
         Writer w(n);
         writeTetZone(w, {1, 2, 3, 4});
         w.mixed(1, "skin", 2, {TRI_3, 1, 2, 3});
       }
       // The library refuses to write it: overwrite the stored type.
       int fn = 0, cgio = 0;
       double root = 0, id = 0;
       ASSERT_EQ(cg_open(n.c_str(), CG_MODE_MODIFY, &fn), 0);
       cg_get_cgio(fn, &cgio);
       cg_root_id(fn, &root);
       ASSERT_EQ(cgio_get_node_id(cgio, root, "/Base/z/skin/ElementConnectivity", &id), 0);
       const int data[] = {99, 1, 2, 3};
       EXPECT_EQ(cgio_write_all_data(cgio, id, data), 0);
       cg_close(fn);
     }},
    {"boundary condition outside the zone", "names vertex 7",
     [](const std::string &n) {
       Writer w(n);
       writeTetZone(w, {1, 2, 3, 4});
       w.boco(1, "far", PointList, Vertex, {1, 7});
     }},
};

TEST(CgnsBadInput, EveryDamageGivesAMessageAndAnEmptyObject) {
  const std::string dir = pavo_test::scratchDir("cgns_bad");
  const std::string good = writeTwoZones();
  for (const BadCase &c : kBadCases) {
    SCOPED_TRACE(c.label);
    const std::string name = dir + "/" + std::string(c.label).substr(0, 4) + ".cgns";
    c.write(name);
    Object o;
    ASSERT_EQ(o.open(good), PAV_SUCCESS) << o.status;
    EXPECT_EQ(o.open(name), PAV_FAILURE);
    EXPECT_NE(std::string(o.status).find(c.message), std::string::npos) << o.status;
    EXPECT_EQ(o.obj->dim, 0);
    for (int type = 1; type < PAV_NBR_STORED_TYPES; type++) EXPECT_EQ(pav_Count(o.obj, type), 0);
    EXPECT_EQ(o.obj->pol, nullptr);
  }
}

// A solution file that is not the mesh's: nothing is attached.
TEST(CgnsBadInput, SolutionOfAnotherMeshIsRefused) {
  const std::string other = pavo_test::scratchDir("cgns_other") + "/tet.cgns";
  {
    Writer w(other);
    writeTetZone(w, {1, 2, 3, 4});
    const int S = w.solution(1, "Flow", Vertex);
    w.field(1, S, "Density", {1, 2, 3, 4});
  }
  Object o;
  ASSERT_EQ(o.open(writeTwoZones()), PAV_SUCCESS) << o.status;
  EXPECT_EQ(o.openSolution(other), PAV_FAILURE);
  EXPECT_NE(std::string(o.status).find("Mismatched solution sizes"), std::string::npos);
  EXPECT_EQ(pav_SolutionList(o.obj, SolAtVertices), nullptr);
  const std::string longName =
      pavo_test::scratchDir("cgns_long") + "/" + std::string(200, 'n') + ".cgns";
  std::ofstream(longName) << "not a CGNS file";
  EXPECT_EQ(o.openSolution(longName), PAV_FAILURE);
  EXPECT_LT(std::string(o.status).size(), PAV_STATUS_SIZE);
}

} // namespace
