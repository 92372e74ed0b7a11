// CGNS files written here with the CGNS library, read through pav_OpenMesh and pav_OpenSolution
// and compared with the mesh they were built from.
#include "ho_lattice.h"
#include "mesh_builders.h"
#include "pav_cgns.h"
#include "pav_io.h"
#include "pav_solution.h"
#include "test_paths.h"

#include <array>
#include <cgnslib.h>
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

// Corners in reference coordinates, edges and faces as the CGNS element definitions list them,
// as strings of digits (coordinates of a corner, corners of an edge or a face).
struct CgnsKind {
  const char *corners, *edges, *faces;
  std::array<CGNS_ENUMT(ElementType_t), 4> types; // degrees 1..4
};

std::vector<std::vector<int>> digits(const char *s) {
  std::vector<std::vector<int>> out(1);
  for (; *s; s++) *s == ' ' ? (void)out.emplace_back() : out.back().push_back(*s - '0');
  if (out.back().empty()) out.clear();
  return out;
}

const CgnsKind &cgnsKind(HoKind k) {
  static const CgnsKind kinds[] = {
      {"000 100", "01", "", {BAR_2, BAR_3, BAR_4, BAR_5}},
      {"000 100 010", "01 12 20", "", {TRI_3, TRI_6, TRI_10, TRI_15}},
      {"000 100 110 010", "01 12 23 30", "", {QUAD_4, QUAD_9, QUAD_16, QUAD_25}},
      {"000 100 010 001",
       "01 12 20 03 13 23",
       "012 013 123 203",
       {TETRA_4, TETRA_10, TETRA_20, TETRA_35}},
      {"000 100 110 010 001",
       "01 12 23 30 04 14 24 34",
       "0123 014 124 234 304",
       {PYRA_5, PYRA_14, PYRA_30, PYRA_55}},
      {"000 100 010 001 101 011",
       "01 12 20 03 14 25 34 45 53",
       "012 0143 1254 2035 345",
       {PENTA_6, PENTA_18, PENTA_40, PENTA_75}},
      {"000 100 110 010 001 101 111 011",
       "01 12 23 30 04 15 26 37 45 56 67 74",
       "0123 0154 1265 2376 0473 4567",
       {HEXA_8, HEXA_27, HEXA_64, HEXA_125}},
  };
  return kinds[k];
}

std::vector<P3> corners(HoKind k) {
  std::vector<P3> c;
  for (const auto &v : digits(cgnsKind(k).corners))
    c.push_back({double(v[0]), double(v[1]), double(v[2])});
  return c;
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
  for (auto e : digits(k.edges))
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
  for (const auto &f : digits(k.faces)) {
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
  // Simplex-like kinds lead with the weight of corner 0; planar kinds have no third coordinate.
  const int o = kind == HoTriangle || kind == HoTetrahedron || kind == HoPrism ? 1 : 0;
  const int dim = kind == HoEdge ? 1 : kind <= HoQuadrilateral ? 2 : 3;
  return {double(l[o]) / d, dim > 1 ? double(l[o + 1]) / d : 0, dim > 2 ? double(l[o + 2]) / d : 0};
}

P3 warp(const P3 &p) {
  return {p[0] + 0.1 * p[1] * p[1], p[1] + 0.2 * p[2] * p[0], p[2] + 0.3 * p[0] * p[1] + 1.0};
}

#define CG(call)                                                                                   \
  do {                                                                                             \
    EXPECT_EQ(call, 0) << cg_get_error();                                                          \
  } while (0)

struct Writer {
  int fn = 0, B = 0;
  explicit Writer(const std::string &name, int cellDim = 3, int physDim = 3) {
    CG(cg_open(name.c_str(), CG_MODE_WRITE, &fn));
    CG(cg_base_write(fn, "Base", cellDim, physDim, &B));
  }
  ~Writer() { cg_close(fn); }
  int zone(const char *name, const std::vector<P3> &xyz, cgsize_t nbrCell, bool single = false,
           int dim = 3) {
    int Z = 0, C = 0;
    cgsize_t size[3] = {cgsize_t(xyz.size()), nbrCell, 0};
    CG(cg_zone_write(fn, B, name, size, Unstructured, &Z));
    const char *names[3] = {"CoordinateX", "CoordinateY", "CoordinateZ"};
    for (int c = 0; c < dim; c++) {
      std::vector<double> d;
      std::vector<float> f;
      for (const P3 &p : xyz) d.push_back(p[size_t(c)]), f.push_back(float(p[size_t(c)]));
      const void *data = single ? static_cast<const void *>(f.data()) : d.data();
      CG(cg_coord_write(fn, B, Z, single ? RealSingle : RealDouble, names[c], data, &C));
    }
    return Z;
  }
  void section(int Z, const char *name, CGNS_ENUMT(ElementType_t) type, cgsize_t start,
               const std::vector<cgsize_t> &conn) {
    int S = 0, npe = 0;
    cg_npe(type, &npe);
    const cgsize_t end = start + cgsize_t(conn.size()) / npe - 1;
    CG(cg_section_write(fn, B, Z, name, type, start, end, 0, conn.data(), &S));
  }
  // MIXED: conn holds type, nodes, type, nodes...
  void mixed(int Z, const char *name, cgsize_t start, const std::vector<cgsize_t> &conn) {
    std::vector<cgsize_t> offsets{0};
    for (int npe = 0; size_t(offsets.back()) < conn.size();
         offsets.push_back(offsets.back() + npe + 1))
      cg_npe(CGNS_ENUMT(ElementType_t)(conn[size_t(offsets.back())]), &npe);
    const cgsize_t end = start + cgsize_t(offsets.size()) - 2;
    int S = 0;
    CG(cg_poly_section_write(fn, B, Z, name, MIXED, start, end, 0, conn.data(), offsets.data(),
                             &S));
  }
  void boco(int Z, const char *name, CGNS_ENUMT(PointSetType_t) pt, CGNS_ENUMT(GridLocation_t) loc,
            const std::vector<cgsize_t> &pts, const char *family = nullptr) {
    int BC = 0;
    CG(cg_boco_write(fn, B, Z, name, BCWall, pt, cgsize_t(pts.size()), pts.data(), &BC));
    if (pt != ElementRange && pt != ElementList) // those are located by the library itself
      CG(cg_boco_gridlocation_write(fn, B, Z, BC, loc));
    if (family) {
      CG(cg_goto(fn, B, "Zone_t", Z, "ZoneBC_t", 1, "BC_t", BC, "end"));
      CG(cg_famname_write(family));
    }
  }
  int solution(int Z, const char *name, CGNS_ENUMT(GridLocation_t) loc) {
    int S = 0;
    CG(cg_sol_write(fn, B, Z, name, loc, &S));
    return S;
  }
  void field(int Z, int S, const char *name, const std::vector<double> &v) {
    int F = 0;
    CG(cg_field_write(fn, B, Z, S, RealDouble, name, v.data(), &F));
  }
};

using Object = pavo_test::Reader;

class CgnsOrder : public ::testing::TestWithParam<int> {};

// One element of every kind and degree, its nodes placed on a curved map of the reference
// element in CGNS order: read back, canonical node k must sit where the map sends its lattice
// point (distinct points, so every node is used once).
TEST_P(CgnsOrder, CurvedElementReadsAtItsCanonicalNodes) {
  const int type = GetParam();
  HoKind kind;
  int d = 0;
  ASSERT_TRUE(hoKindOfType(type, &kind, &d));
  std::vector<P3> pts, xyz;
  cgnsPoints(kind, d, corners(kind), pts);
  const int64_t n = hoNodeCount(kind, d);
  ASSERT_EQ(int64_t(pts.size()), n);
  std::vector<cgsize_t> conn;
  for (const P3 &p : pts) xyz.push_back(warp(p)), conn.push_back(cgsize_t(xyz.size()));
  const std::string name = pavo_test::scratchDir("cgns_order_" + std::to_string(type)) + "/1.cgns";
  {
    Writer w(name, kind == HoEdge ? 1 : kind <= HoQuadrilateral ? 2 : 3, 3);
    w.section(w.zone("z", xyz, 1), "one", cgnsKind(kind).types[size_t(d - 1)], 1, conn);
  }
  Object o;
  ASSERT_EQ(o.open(name), PAV_SUCCESS) << o.status;
  ASSERT_EQ(o.obj->ent[type].nbr, 1);
  const int *order = hoNodeOrder(kind, d);
  for (int64_t c = 0; c < n; c++) {
    const int v = o.obj->ent[type].idx[n + c];
    ASSERT_TRUE(v >= 1 && v <= n) << v;
    const P3 expect = warp(latticePoint(kind, d, order + c * hoOrderWidth(kind)));
    for (int m = 0; m < 3; m++) EXPECT_NEAR(o.vertex(v)[m], expect[size_t(m)], 1e-12) << c;
  }
}

INSTANTIATE_TEST_SUITE_P(EveryKindAndDegree, CgnsOrder, // types 3..31 but 5 (not a lattice)
                         ::testing::Values(3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19,
                                           20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31));

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
    std::vector<double> rho, mx, my, mz, p;
    for (int v = 0; v < (Z == A ? 5 : 8); v++)
      rho.push_back(Z * 100.0 + v), mx.push_back(-v), my.push_back(0.5 * v), mz.push_back(Z);
    for (int c = 0; c < (Z == A ? 2 : 1); c++) p.push_back(Z * 1000.0 + c);
    const int S = w.solution(Z, "Init", Vertex);
    w.field(Z, S, "Density", rho);
    w.field(Z, S, "MomentumX", mx);
    w.field(Z, S, "MomentumY", my);
    w.field(Z, S, "MomentumZ", mz);
    w.field(Z, w.solution(Z, "Cells", CellCenter), "Pressure", p);
  }
  CG(cg_biter_write(w.fn, w.B, "Steps", 2));
  CG(cg_goto(w.fn, w.B, "BaseIterativeData_t", 1, "end"));
  const double times[2] = {0.5, 1.5};
  const int iterations[2] = {10, 20};
  cgsize_t two = 2;
  CG(cg_array_write("TimeValues", RealDouble, 1, &two, times));
  CG(cg_array_write("IterationValues", Integer, 1, &two, iterations));
  return name;
}

void writeTetZone(Writer &w, const std::vector<cgsize_t> &conn) {
  w.section(w.zone("z", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 1), "cells", TETRA_4, 1,
            conn);
}

std::string dump(const PavObject *obj, int type) {
  const PavEntitySet &s = obj->ent[type];
  const int n = pav_MshTyp2Siz(type, nullptr);
  std::string out;
  for (size_t i = size_t(n); s.idx && i < size_t(n) * (size_t(s.nbr) + 1); i++)
    out += std::to_string(s.idx[i]) + " ";
  out += "/";
  for (int e = 1; e <= s.nbr; e++) out += " " + std::to_string(s.ref[e]);
  return out;
}

TEST(CgnsMesh, ZonesSectionsAndBoundaryConditionsMatchTheBuiltMesh) {
  const std::string name = writeTwoZones();
  Object o;
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(o.open(name), PAV_SUCCESS) << o.status;
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("Reference 1: boundary condition wall family Wing"), std::string::npos);
  const PavObject *m = o.obj;
  EXPECT_EQ(m->dim, 3);
  ASSERT_EQ(m->ent[Vertices].nbr, 13);
  EXPECT_EQ(dump(m, Tetrahedra), "1 2 3 4 2 3 4 5 / 5 5");
  EXPECT_EQ(dump(m, Triangles), "1 3 2 1 2 4 2 3 5 / 1 1 2");
  EXPECT_EQ(dump(m, Edges), "1 2 / 6");
  EXPECT_EQ(dump(m, Hexahedra), "6 7 8 9 10 11 12 13 / 7");
  EXPECT_EQ(dump(m, Quadrilaterals), "6 7 8 9 10 11 12 13 / 3 4");
  EXPECT_EQ(dump(m, Vertices), "/ 0 2 2 0 2 0 0 0 0 0 0 0 0");
  EXPECT_EQ((P3{o.vertex(5)[0], o.vertex(13)[1], o.vertex(13)[2]}), (P3{1, 1, 1.25}));
  EXPECT_EQ(o.vertex(7)[0], 3.0);
}

// A solution of another mesh is refused (attaching nothing, a long name fitting the status); the
// mesh's own keeps its names, values and last step.
TEST(CgnsSolution, VertexAndCellFieldsKeepTheirNamesValuesAndStep) {
  const std::string name = writeTwoZones(), dir = pavo_test::scratchDir("cgns_other");
  {
    Writer w(dir + "/tet.cgns");
    writeTetZone(w, {1, 2, 3, 4});
    w.field(1, w.solution(1, "Flow", Vertex), "Density", {1, 2, 3, 4});
  }
  Object o;
  ASSERT_EQ(o.open(name), PAV_SUCCESS) << o.status;
  EXPECT_EQ(o.openSolution(dir + "/tet.cgns"), PAV_FAILURE);
  EXPECT_NE(std::string(o.status).find("Mismatched solution sizes"), std::string::npos);
  EXPECT_EQ(pav_SolutionList(o.obj, SolAtVertices), nullptr);
  ASSERT_EQ(o.openSolution(name), PAV_SUCCESS) << o.status;
  const PavSolution *rho = pav_SolutionList(o.obj, SolAtVertices);
  ASSERT_TRUE(rho && rho->next && !rho->next->next);
  const PavSolution *mom = rho->next;
  EXPECT_EQ(std::string(rho->name) + " " + mom->name, "Density Momentum");
  EXPECT_TRUE(rho->kind == PavSolScalar && mom->kind == PavSolVector);
  for (const PavSolution *r : {rho, mom})
    EXPECT_TRUE(r->iteration == 20 && r->time == 1.5 && r->nbrEnt == 13) << r->name;
  for (int v = 1; v <= 13; v++) {
    const int zone = v <= 5 ? 1 : 2, local = v <= 5 ? v - 1 : v - 6;
    EXPECT_EQ(rho->data[v], zone * 100.0 + local);
    EXPECT_EQ((P3{mom->data[3 * v], mom->data[3 * v + 1], mom->data[3 * v + 2]}),
              (P3{-double(local), 0.5 * local, double(zone)}));
  }
  const PavSolution *pt = pav_SolutionList(o.obj, pav_EntTyp2SolTyp(Tetrahedra, nullptr));
  const PavSolution *ph = pav_SolutionList(o.obj, pav_EntTyp2SolTyp(Hexahedra, nullptr));
  ASSERT_TRUE(pt && ph);
  EXPECT_STREQ(pt->name, "Pressure");
  EXPECT_EQ((P3{pt->data[1], pt->data[2], ph->data[1]}), (P3{1000, 1001, 2000}));
}

// A 2-D base: z = 0, vectors of two components, the unmatched third one a scalar.
TEST(CgnsSolution, PlanarBaseGivesTwoComponentVectors) {
  const std::string name = pavo_test::scratchDir("cgns_planar") + "/flat.cgns";
  {
    Writer w(name, 2, 2);
    const int Z = w.zone("plate", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, 1, false, 2);
    w.section(Z, "cells", QUAD_4, 1, {1, 2, 3, 4});
    const int S = w.solution(Z, "Flow", Vertex);
    w.field(Z, S, "VelocityX", {1, 2, 3, 4});
    w.field(Z, S, "VelocityY", {6, 7, 8, 9});
    w.field(Z, S, "VelocityZ", {0, 0, 0, 0});
  }
  Object o;
  ASSERT_EQ(o.open(name), PAV_SUCCESS) << o.status;
  EXPECT_EQ(o.obj->dim, 2);
  ASSERT_EQ(o.openSolution(name), PAV_SUCCESS) << o.status;
  const PavSolution *vel = pav_SolutionList(o.obj, SolAtVertices);
  ASSERT_TRUE(vel && vel->next);
  EXPECT_STREQ(vel->name, "Velocity");
  EXPECT_STREQ(vel->next->name, "VelocityZ");
  EXPECT_EQ((P3{vel->data[2 * 4], vel->data[2 * 4 + 1], 0}), (P3{4, 9, 0}));
}

// NGON_n faces and NFACE_n cells: polyhedra over inner polygons; NGON_n alone: boundary polygons.
TEST(CgnsMesh, PolygonSectionsBecomePolygonsAndPolyhedra) {
  const std::vector<cgsize_t> faces = {1, 3, 2, 1, 2, 4, 2, 3, 4, 3, 1, 4},
                              faceStart = {0, 3, 6, 9, 12}, cell = {1, 2, -3, 4},
                              cellStart = {0, 4};
  for (bool withCells : {true, false}) {
    const std::string name =
        pavo_test::scratchDir("cgns_poly") + (withCells ? "/c.cgns" : "/f.cgns");
    {
      Writer w(name);
      const int Z = w.zone("z", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, withCells ? 1 : 0);
      int S = 0;
      CG(cg_poly_section_write(w.fn, w.B, Z, "faces", NGON_n, 1, 4, 0, faces.data(),
                               faceStart.data(), &S));
      if (withCells)
        CG(cg_poly_section_write(w.fn, w.B, Z, "cell", NFACE_n, 5, 5, 0, cell.data(),
                                 cellStart.data(), &S));
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

// Each damage gives a message naming it and leaves the object empty (it held a mesh before).
TEST(CgnsBadInput, EveryDamageGivesAMessageAndAnEmptyObject) {
  struct BadCase {
    const char *message; // part of the status text
    void (*write)(const std::string &name);
  };
  const BadCase cases[] = {
      {"Cannot open CGNS file", [](const std::string &n) { std::ofstream(n) << "Dimension 3\n"; }},
      {"No zone", [](const std::string &n) { Writer w(n); }},
      {"Invalid vertex 9",
       [](const std::string &n) {
         Writer w(n);
         writeTetZone(w, {1, 2, 9, 4});
       }},
      {"overlap",
       [](const std::string &n) {
         Writer w(n);
         writeTetZone(w, {1, 2, 3, 4});
         w.section(1, "more", TRI_3, 1, {1, 2, 3});
       }},
      {"names vertex 7",
       [](const std::string &n) {
         Writer w(n);
         writeTetZone(w, {1, 2, 3, 4});
         w.boco(1, "far", PointList, Vertex, {1, 7});
       }},
  };
  const std::string dir = pavo_test::scratchDir("cgns_bad"), good = writeTwoZones();
  int i = 0;
  for (const BadCase &c : cases) {
    SCOPED_TRACE(c.message);
    const std::string name = dir + "/" + std::to_string(i++) + ".cgns";
    c.write(name);
    Object o;
    ASSERT_EQ(o.open(good), PAV_SUCCESS) << o.status;
    EXPECT_EQ(o.open(name), PAV_FAILURE);
    EXPECT_NE(std::string(o.status).find(c.message), std::string::npos) << o.status;
    EXPECT_EQ(o.obj->dim, 0);
    for (int type = 1; type < PAV_NBR_STORED_TYPES; type++) EXPECT_EQ(pav_Count(o.obj, type), 0);
  }
}

} // namespace
