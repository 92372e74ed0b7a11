// Reading and writing solutions: round trips of every field kind on vertices and elements, the
// metric storage, node-position conversion, names, selections and failures.
#include "load_test_mesh.h"
#include "ovel.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace load_test;
using pavo_test::scratchDir;

namespace {

// Pushes a record of random values (entities 1..n) on a list.
PavSolution *addRecord(PavObject *obj, int list, int kind, int degree, const char *name,
                       std::mt19937 &rng) {
  char status[PAV_STATUS_SIZE];
  const int n =
      list == SolAtVertices ? obj->ent[Vertices].nbr : obj->ent[pav_SolTyp2ListTyp(list)].nbr;
  const int m = list == SolAtVertices ? 1 : pav_SolTyp2NbrNod(list, degree);
  PavSolution *rec = pav_NewSolutionRecord(obj->dim, kind, n, degree, m, status);
  EXPECT_NE(rec, nullptr);
  std::uniform_real_distribution<double> value(-1e3, 1e3);
  const int64_t perEntity = int64_t(m) * pav_SolKindSize(obj->dim, kind);
  for (int64_t i = perEntity; i < perEntity * (n + 1); i++) rec->data[i] = value(rng) / 7.0;
  std::snprintf(rec->name, PAV_NAME_SIZE, "%s", name);
  rec->iteration = 12;
  rec->time = 0.25;
  EXPECT_EQ(pav_PushSolution(obj, list, rec, status), PAV_SUCCESS);
  return rec;
}

// Writes a solution file (version 2, or 1 for floats) of the dimension with `body`.
void writeFile(const std::string &path, const std::function<void(int64_t)> &body, int dim = 3,
               int version = 2) {
  int64_t f = OvelOpenMesh(path.c_str(), OvelWrite, version, dim);
  ASSERT_NE(f, 0);
  body(f);
  ASSERT_EQ(OvelCloseMesh(f), 1);
}

struct Read {
  int rc;
  std::string status, out;
};

Read readSolution(PavObject *obj, const std::string &path) {
  char status[PAV_IO_STATUS_SIZE] = "";
  testing::internal::CaptureStdout();
  const int rc = pav_OpenSolution(obj, path.c_str(), status);
  std::string out = testing::internal::GetCapturedStdout();
  return {rc, status, out};
}

// Writes the mesh and its solutions, reads both back into a new object.
Object writeAndRead(const PavObject *obj, const std::string &base, const char *meshExt,
                    const char *solExt, int selection = -1) {
  char status[PAV_IO_STATUS_SIZE];
  EXPECT_EQ(pav_WriteMesh(obj, (base + meshExt).c_str(), status), PAV_SUCCESS) << status;
  EXPECT_EQ(pav_WriteSolution(obj, (base + solExt).c_str(), selection, status), PAV_SUCCESS)
      << status;
  Object in = newObject();
  EXPECT_EQ(pav_OpenMesh(in.get(), (base + meshExt).c_str(), status), PAV_SUCCESS) << status;
  EXPECT_EQ(pav_OpenSolution(in.get(), (base + solExt).c_str(), status), PAV_SUCCESS) << status;
  EXPECT_EQ(statusName(status), base + solExt);
  return in;
}

class SolutionRoundTrip : public ::testing::TestWithParam<std::tuple<int, bool>> {};

// Every field kind at vertices and on elements of several kinds and degrees (degree-0 and
// high-order fields on one list included) reads back as written, names, iteration and time too.
TEST_P(SolutionRoundTrip, EveryKindReadsBackUnchanged) {
  const int dim = std::get<0>(GetParam());
  const bool binary = std::get<1>(GetParam());
  std::vector<int> types = {Edges, Triangles, TrianglesP2, Quadrilaterals};
  if (dim == 3) types.insert(types.end(), {Tetrahedra, Pyramids, Prisms, Hexahedra, TetrahedraP2});
  Object obj = makeMesh(dim, 40, 3, types);
  std::mt19937 rng(11);
  struct Rec {
    int list, kind, degree;
    const char *name;
  };
  std::vector<Rec> recs = {{SolAtVertices, PavSolScalar, 1, ""},
                           {SolAtVertices, PavSolVector, 1, "Pressure"},
                           {SolAtVertices, PavSolSymMatrix, 1, ""},
                           {SolAtVertices, PavSolMatrix, 1, ""},
                           {SolAtEdgesP1, PavSolScalar, 2, "edge"},
                           {SolAtTrianglesP1, PavSolSymMatrix, 0, "metric"},
                           {SolAtTrianglesP1, PavSolScalar, 3, "cubic"},
                           {SolAtTrianglesP2, PavSolMatrix, 2, ""},
                           {SolAtQuadrilateralsQ1, PavSolSymMatrix, 4, "q"}};
  if (dim == 3)
    recs.insert(recs.end(), {{SolAtTetrahedraP1, PavSolSymMatrix, 2, ""},
                             {SolAtTetrahedraP1, PavSolVector, 2, "velocity"},
                             {SolAtPyramidsP1, PavSolScalar, 3, ""},
                             {SolAtPrismsP1, PavSolMatrix, 0, ""},
                             {SolAtHexahedraQ1, PavSolScalar, 10, "ten"},
                             {SolAtTetrahedraP2, PavSolSymMatrix, 1, ""}});
  for (const Rec &r : recs) addRecord(obj.get(), r.list, r.kind, r.degree, r.name, rng);
  const std::string base = scratchDir("sol_roundtrip") + "/case";
  Object in = writeAndRead(obj.get(), base, binary ? ".meshb" : ".mesh", binary ? ".solb" : ".sol");
  for (int list = SolAtVertices; list <= PAV_LAST_ELEMENT_SOLTYP; list++) {
    SCOPED_TRACE(pav_SolutionTypeName(list));
    const PavSolution *ra = pav_SolutionList(obj.get(), list),
                      *rb = pav_SolutionList(in.get(), list);
    for (; ra && rb; ra = ra->next, rb = rb->next) {
      ASSERT_EQ(std::vector<int>({ra->kind, ra->degree, ra->nbrNod, ra->nbrEnt, ra->iteration}),
                std::vector<int>({rb->kind, rb->degree, rb->nbrNod, rb->nbrEnt, rb->iteration}));
      EXPECT_STREQ(ra->name, rb->name);
      EXPECT_EQ(ra->time, rb->time);
      const int64_t per = int64_t(ra->nbrNod) * pav_SolKindSize(dim, ra->kind);
      EXPECT_EQ(std::vector<double>(ra->data + per, ra->data + per * (ra->nbrEnt + 1)),
                std::vector<double>(rb->data + per, rb->data + per * (rb->nbrEnt + 1)));
    }
    EXPECT_TRUE(ra == nullptr && rb == nullptr) << "lists of different lengths";
  }
}

INSTANTIATE_TEST_SUITE_P(Files, SolutionRoundTrip,
                         ::testing::Combine(::testing::Values(2, 3), ::testing::Bool()));

// Records per list after writing a selection (-2 vertices only, -1 all, else one degree).
TEST(SolutionWrite, SelectionsWriteTheirDegrees) {
  Object obj = makeMesh(3, 20, 2, {Triangles, TrianglesP2, Tetrahedra});
  std::mt19937 rng(5);
  addRecord(obj.get(), SolAtVertices, PavSolScalar, 1, "", rng);
  addRecord(obj.get(), SolAtTrianglesP1, PavSolScalar, 0, "", rng);
  addRecord(obj.get(), SolAtTrianglesP2, PavSolScalar, 0, "", rng);
  addRecord(obj.get(), SolAtTetrahedraP1, PavSolVector, 2, "", rng);
  addRecord(obj.get(), SolAtTrianglesP1, PavSolScalar, 3, "", rng);
  const std::string base = scratchDir("sol_selection") + "/s";
  const std::vector<std::vector<int>> cases = {
      {-2, 1, 0, 0, 0}, {-1, 1, 2, 1, 1}, {0, 1, 1, 1, 0}, {2, 0, 0, 0, 1}, {3, 0, 1, 0, 0}};
  for (const auto &c : cases) {
    Object in = writeAndRead(obj.get(), base, ".meshb", ".solb", c[0]);
    EXPECT_EQ(std::vector<int>(c.begin() + 1, c.end()),
              std::vector<int>({pav_GetNumberOfVertexSolutions(in.get()),
                                pav_GetNumberOfSolutions(in.get(), SolAtTrianglesP1),
                                pav_GetNumberOfSolutions(in.get(), SolAtTrianglesP2),
                                pav_GetNumberOfSolutions(in.get(), SolAtTetrahedraP1)}))
        << c[0];
  }
}

TEST(SolutionWrite, InconsistentRecordsAreRefused) {
  Object obj = makeMesh(2, 10, 2, {Triangles});
  const std::string path = scratchDir("sol_write_errors") + "/e.sol";
  char status[PAV_IO_STATUS_SIZE];
  std::mt19937 rng(1);
  auto fails = [&](const char *name, int selection, const char *msg) {
    EXPECT_EQ(pav_WriteSolution(obj.get(), name, selection, status), PAV_FAILURE);
    EXPECT_STREQ(status, msg);
  };
  fails(path.c_str(), -3, "Wrong SolDeg     parameter on input\n");
  fails(nullptr, -1, "NULL (SolFile)   parameter on input\n");
  fails("/nonexistent/dir/x.sol", -1, "Cannot open mesh file /nonexistent/dir/x.sol\n");
  PavSolution *a = addRecord(obj.get(), SolAtTrianglesP1, PavSolScalar, 2, "", rng);
  addRecord(obj.get(), SolAtTrianglesP1, PavSolScalar, 2, "", rng);
  a->nbrNod = 3;
  fails(path.c_str(), 2,
        "ERROR : Different number of nodes for solutions of same degree at the same element\n");
  a->nbrNod = 6;
  a->nbrEnt = 1;
  fails(path.c_str(), -1,
        "ERROR : Different number of entities for solutions of same degree at the same element\n");
  a->nbrEnt = 2;
  pav_FreeSolutions(obj.get());
  addRecord(obj.get(), SolAtTrianglesP1, PavSolScalar, 2, "", rng)->nbrNod = 4;
  fails(path.c_str(), 2, "Mismatch of a solution of degree 2 with solution keyword\n");
}

// A 3-D metric line 1 2 3 4 5 6 (lower triangle by rows) is stored as 1 2 4 3 5 6; fields
// (1, 2) make 4 reals per line and two records, the scalar at the head.
TEST(SolutionRead, FieldsSplitIntoRecords) {
  Object obj = makeMesh(3, 2, 0, {});
  const std::string path = scratchDir("sol_fields") + "/f.solb";
  writeFile(path, [](int64_t f) {
    const int types[] = {3, 1, 2};
    OvelSetKwd(f, OvelSolAtVertices, 2, 3, types);
    const double line1[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
                 line2[] = {11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    OvelSetLin(f, OvelSolAtVertices, line1);
    OvelSetLin(f, OvelSolAtVertices, line2);
  });
  ASSERT_EQ(readSolution(obj.get(), path).rc, PAV_SUCCESS);
  const PavSolution *metric = pav_SolutionList(obj.get(), SolAtVertices);
  ASSERT_TRUE(metric && metric->kind == PavSolSymMatrix);
  EXPECT_EQ(std::vector<double>(metric->data + 6, metric->data + 12),
            std::vector<double>({1, 2, 4, 3, 5, 6}));
  EXPECT_EQ(metric->data[12 + 2], 14);
  const PavSolution *scalar = metric->next;
  ASSERT_TRUE(scalar && scalar->kind == PavSolScalar && scalar->next);
  EXPECT_EQ(scalar->data[2], 17);
  EXPECT_EQ(scalar->next->data[3 * 2 + 2], 20);
  EXPECT_EQ(scalar->next->next, nullptr);
}

TEST(SolutionRead, NameResolutionAndDimension) {
  const std::string dir = scratchDir("sol_names");
  Object obj = makeMesh(3, 4, 0, {});
  char status[PAV_IO_STATUS_SIZE];
  ASSERT_EQ(pav_WriteMesh(obj.get(), (dir + "/wing.meshb").c_str(), status), PAV_SUCCESS);
  std::mt19937 rng(2);
  addRecord(obj.get(), SolAtVertices, PavSolScalar, 1, "", rng);
  ASSERT_EQ(pav_WriteSolution(obj.get(), (dir + "/wing.sol").c_str(), -1, status), PAV_SUCCESS);
  ASSERT_EQ(pav_OpenSolution(obj.get(), (dir + "/wing.meshb").c_str(), status), PAV_SUCCESS);
  EXPECT_EQ(statusName(status), dir + "/wing.sol");
  ASSERT_EQ(pav_WriteSolution(obj.get(), (dir + "/wing.solb").c_str(), -1, status), PAV_SUCCESS);
  ASSERT_EQ(pav_OpenSolution(obj.get(), (dir + "/wing").c_str(), status), PAV_SUCCESS);
  EXPECT_EQ(statusName(status), dir + "/wing.solb");
  EXPECT_EQ(pav_GetNumberOfVertexSolutions(obj.get()), 4); // 1 + 1 read, then those 2 again
  EXPECT_EQ(readSolution(obj.get(), dir + "/tail.mesh").status,
            "Cannot open solution file " + dir + "/tail.[sol[b]]\n");
  EXPECT_EQ(readSolution(obj.get(), dir + "/tail.sol").status,
            "Cannot open solution file " + dir + "/tail.sol.[sol[b]]\n");
  EXPECT_EQ(pav_OpenSolution(obj.get(), nullptr, status), PAV_FAILURE);
  EXPECT_STREQ(status, "NULL (Solution Name) parameter on input\n");
  Object flat = makeMesh(2, 4, 0, {});
  EXPECT_EQ(readSolution(flat.get(), dir + "/wing").status,
            "Invalid solution dimension 3 should be 2 \n");
}

// Version-1 files hold floats, Time included.
TEST(SolutionRead, VersionOneFloatsAndTime) {
  Object obj = makeMesh(2, 3, 0, {});
  const std::string path = scratchDir("sol_version1") + "/v.solb";
  writeFile(
      path,
      [](int64_t f) {
        const int types[] = {2};
        OvelSetKwd(f, OvelSolAtVertices, 3, 1, types);
        for (int i = 1; i <= 3; i++) {
          const float v[2] = {0.5f * i, -0.25f * i};
          OvelSetLin(f, OvelSolAtVertices, v);
        }
        OvelSetKwd(f, OvelTime, 1);
        OvelSetLin(f, OvelTime, 1.5);
        OvelSetKwd(f, OvelIterations, 1);
        OvelSetLin(f, OvelIterations, 42);
      },
      2, 1);
  ASSERT_EQ(readSolution(obj.get(), path).rc, PAV_SUCCESS);
  const PavSolution *rec = pav_SolutionList(obj.get(), SolAtVertices);
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(std::vector<double>({rec->data[6], rec->data[7], rec->time, double(rec->iteration)}),
            std::vector<double>({1.5, -0.75, 1.5, 42}));
}

// A count mismatch ends the load, what came before stays; a keyword whose fields hold no known
// type is skipped with the warning.
TEST(SolutionRead, CountMismatchAndUnknownTypes) {
  Object obj = makeMesh(3, 6, 4, {Triangles});
  const std::string dir = scratchDir("sol_count");
  writeFile(dir + "/c.sol", [](int64_t f) {
    const int scalar[] = {1};
    const double one[] = {1.0};
    OvelSetKwd(f, OvelSolAtVertices, 6, 1, scalar);
    for (int i = 0; i < 6; i++) OvelSetLin(f, OvelSolAtVertices, one);
    OvelSetKwd(f, OvelSolAtTriangles, 3, 1, scalar);
    for (int i = 0; i < 3; i++) OvelSetLin(f, OvelSolAtTriangles, one);
  });
  Read r = readSolution(obj.get(), dir + "/c.sol");
  EXPECT_EQ(r.rc, PAV_FAILURE);
  EXPECT_EQ(r.status, "Invalid number of solution  3 should be 4 for SolAtTriangles \n");
  EXPECT_EQ(pav_GetNumberOfVertexSolutions(obj.get()), 1);
  EXPECT_EQ(pav_GetNumberOfSolutions(obj.get(), SolAtTrianglesP1), 0);
  writeFile(dir + "/u.sol", [](int64_t f) {
    const int types[] = {7};
    const double none[1] = {0};
    OvelSetKwd(f, OvelSolAtVertices, 6, 1, types);
    for (int i = 0; i < 6; i++) OvelSetLin(f, OvelSolAtVertices, none);
  });
  r = readSolution(obj.get(), dir + "/u.sol");
  EXPECT_EQ(r.rc, PAV_SUCCESS);
  EXPECT_EQ(r.out,
            "Warning: the size of the solution is invalid \nPlease check your solution file \nIn "
            "particular, check that your type of each solution is good \n1 for a scalar, 2 for a "
            "vector, 3 for symmetric matrix and 4 for a full matrix ");
  EXPECT_EQ(pav_GetNumberOfVertexSolutions(obj.get()), 1);
}

// Values of a polynomial of each kind's space given at non-uniform, shuffled positions convert to
// its values at the uniform nodes. Positions: each uniform coordinate moved by
// x -> (1 - cos(pi x)) / 2, barycentric ones renormalised; pyramid x, y kept in [0, 1 - z].
TEST(SolutionNodesPositions, ConvertToUniformNodeValues) {
  struct Case {
    int kind, entityType, degree;
    double (*f)(const double *);
  };
  const Case cases[] = {
      {PavKindEdge, Edges, 4,
       [](const double *p) { return 1 + 2 * p[1] - 3 * std::pow(p[1], 3) + std::pow(p[1], 4); }},
      {PavKindTriangle, Triangles, 3,
       [](const double *p) { return 0.5 + p[0] * p[1] - 2 * p[2] * p[2] * p[0] + p[1]; }},
      {PavKindQuadrilateral, Quadrilaterals, 3,
       [](const double *p) { return 1 + p[0] * p[0] * p[1] - std::pow(p[1], 3) * p[0]; }},
      {PavKindTetrahedron, Tetrahedra, 2,
       [](const double *p) { return p[0] * p[3] + p[1] * p[1] - p[2]; }},
      {PavKindPyramid, Pyramids, 2, [](const double *p) { return 1 + 2 * p[0] - p[1] + 3 * p[2]; }},
      {PavKindPrism, Prisms, 3,
       [](const double *p) { return p[0] * p[3] - p[1] * p[1] + p[3] * p[3] * p[2]; }},
      {PavKindHexahedron, Hexahedra, 3,
       [](const double *p) { return p[0] * p[1] * p[2] + p[2] * p[2] - p[0]; }},
  };
  std::mt19937 rng(9);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.kind);
    Object obj = makeMesh(3, 8, 2, {c.entityType});
    const HoKind hk = static_cast<HoKind>(c.kind);
    const int m = int(hoNodeCount(hk, c.degree)), rw = hoRefWidth(hk);
    const int pw = pav_NodesPositionsWidth(c.kind);
    const double *uniform = hoNodeRefCoords(hk, c.degree);
    const int bary = c.kind == PavKindTriangle || c.kind == PavKindTetrahedron ? rw
                     : c.kind == PavKindPrism                                  ? 3
                                                                               : 0;
    std::vector<int> order(m);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), rng);
    std::vector<double> pos, line[3];
    for (int i = 0; i < m; i++) {
      const double *u = uniform + order[i] * rw;
      double p[4] = {0, 0, 0, 0}, sum = 0;
      for (int c2 = 0; c2 < rw; c2++) p[c2] = (1 - std::cos(M_PI * u[c2])) / 2;
      for (int c2 = 0; c2 < bary; c2++) sum += p[c2];
      for (int c2 = 0; c2 < bary; c2++) p[c2] /= sum;
      if (c.kind == PavKindPyramid)
        for (int c2 = 0; c2 < 2; c2++) p[c2] = u[2] == 1 ? 0 : u[c2] * (1 - p[2]) / (1 - u[2]);
      if (c.kind == PavKindEdge) p[1] = p[0], p[0] = 1 - p[1];
      pos.insert(pos.end(), p, p + pw);
      double ref[4] = {0, p[1], 0, 0};
      if (c.kind != PavKindEdge) std::copy(p, p + pw, ref);
      for (int e = 1; e <= 2; e++) line[e].push_back(e * c.f(ref));
    }
    const std::string path = scratchDir("sol_positions") + "/p.solb";
    const int keyword = c.kind == PavKindEdge ? 104 : 107 + 3 * (c.kind - 1);
    const int positions = 163 + 4 * c.kind;
    writeFile(path, [&](int64_t f) {
      const int scalar[] = {1};
      ASSERT_EQ(OvelSetKwd(f, keyword, 2, 1, scalar, c.degree, m), 1);
      for (int e = 1; e <= 2; e++) OvelSetLin(f, keyword, line[e].data());
      OvelSetKwd(f, positions, m);
      OvelSetBlock(f, positions, 1, m, 0, nullptr, nullptr, OvelDoubleVec, pw, &pos[0],
                   &pos[(m - 1) * pw]);
    });
    const Read r = readSolution(obj.get(), path);
    ASSERT_EQ(r.rc, PAV_SUCCESS) << r.status;
    EXPECT_EQ(r.out, "");
    const PavSolution *rec = pav_SolutionList(obj.get(), PAV_FIRST_ELEMENT_SOLTYP + c.kind);
    ASSERT_TRUE(rec && rec->nbrNod == m);
    for (int e = 1; e <= 2; e++)
      for (int k = 0; k < m; k++) {
        double ref[4] = {0, 0, 0, 0};
        if (c.kind == PavKindEdge)
          ref[1] = uniform[k];
        else
          std::copy(uniform + k * rw, uniform + (k + 1) * rw, ref);
        EXPECT_NEAR(rec->data[e * m + k], e * c.f(ref), 1e-9) << e << " " << k;
      }
  }
}

// Positions that coincide leave the values as read, with the message; a wrong count fails.
TEST(SolutionNodesPositions, SingularOrMiscountedPositions) {
  Object obj = makeMesh(3, 8, 1, {Triangles, Pyramids});
  const std::string dir = scratchDir("sol_positions_bad");
  const double values[] = {1, 2, 3, 4, 5, 6};
  auto file = [&](const std::string &path, int nbrTriPos, bool pyramid) {
    writeFile(path, [&](int64_t f) {
      const int scalar[] = {1};
      OvelSetKwd(f, 107, 1, 1, scalar, 2, 6); // HOSolAtTrianglesP1, degree 2
      OvelSetLin(f, 107, values);
      OvelSetKwd(f, 167, nbrTriPos);
      for (int i = 0; i < nbrTriPos; i++) OvelSetLin(f, 167, 0.2, 0.3, 0.5);
      if (!pyramid) return;
      OvelSetKwd(f, 116, 1, 1, scalar, 1, 5); // HOSolAtPyramidsP1, degree 1
      OvelSetLin(f, 116, values);
      OvelSetKwd(f, 179, 5);
      for (int i = 0; i < 5; i++) OvelSetLin(f, 179, 0.1, 0.1, 0.1);
    });
  };
  file(dir + "/s.sol", 6, true);
  Read r = readSolution(obj.get(), dir + "/s.sol");
  ASSERT_EQ(r.rc, PAV_SUCCESS);
  EXPECT_EQ(r.out, "HO solution Nodes positions conversion failed as the matrix cannot be "
                   "inverted. Display of the nodes in pavo uniform nodes distribution "
                   "HO solution Nodes positions conversion failed for pyramid as the matrix "
                   "cannot be inverted. Display of the nodes in pavo uniform nodes distribution ");
  const PavSolution *rec = pav_SolutionList(obj.get(), SolAtTrianglesP1);
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(std::vector<double>(rec->data + 6, rec->data + 12),
            std::vector<double>(values, values + 6));
  pav_FreeSolutions(obj.get());
  file(dir + "/n.sol", 3, false);
  EXPECT_EQ(readSolution(obj.get(), dir + "/n.sol").status,
            "Invalid number of solution reference nodes  3 should be 6 for "
            "HOSolAtTrianglesP1NodesPositions \n");
}

TEST(SolutionNames, ReferenceStringsMessages) {
  Object obj = makeMesh(3, 3, 0, {});
  const std::string path = scratchDir("sol_refstrings") + "/r.sol";
  writeFile(path, [](int64_t f) {
    const int two[] = {1, 1};
    const double v[] = {1, 2};
    OvelSetKwd(f, OvelSolAtVertices, 3, 2, two);
    for (int i = 0; i < 3; i++) OvelSetLin(f, OvelSolAtVertices, v);
    OvelSetKwd(f, OvelReferenceStrings, 6);
    OvelSetLin(f, OvelReferenceStrings, 300, 1, "Bad 1");
    OvelSetLin(f, OvelReferenceStrings, 62, 1, "Lonely");
    OvelSetLin(f, OvelReferenceStrings, 62, 3, "Temp 1,2");
    OvelSetLin(f, OvelReferenceStrings, 6, 1, "Tri 1");
    OvelSetLin(f, OvelReferenceStrings, 62, 2, "Far 2-3");
    OvelSetLin(f, OvelReferenceStrings, 62, 2, "Both 1-2");
  });
  const Read r = readSolution(obj.get(), path);
  ASSERT_EQ(r.rc, PAV_SUCCESS) << r.status;
  EXPECT_EQ(r.out,
            " pav_ReadSolutionsStrings : invalid keywork id 300 should be in [0-218].\n"
            " pav_ReadSolutionsStrings : error with ReferenceStrings Lonely attached to "
            "SolAtVertices.\n Invalid string.\n"
            " pav_ReadSolutionsStrings : error with ReferenceStrings Temp 1,2 attached to "
            "SolAtVertices.\n The number of given references (2) should match the given number "
            "(3).\n"
            " ERROR: Keyword Triangles (= 6) is not of solution type\n"
            " ERROR: Solution # 3 corresponding to keyword SolAtVertices (= 62) does not exists\n");
  const PavSolution *head = pav_SolutionList(obj.get(), SolAtVertices);
  EXPECT_STREQ(head->name, "Both");
  EXPECT_STREQ(head->next->name, "Both");
}

// SolAt<Kind> and HOSolAt<Kind>P1 name the same list.
TEST(SolutionNames, SetSolutionNameSharesDegreeOneLists) {
  Object obj = makeMesh(3, 4, 2, {Tetrahedra});
  std::mt19937 rng(6);
  addRecord(obj.get(), SolAtTetrahedraP1, PavSolScalar, 0, "", rng);
  addRecord(obj.get(), SolAtTetrahedraP1, PavSolScalar, 2, "", rng);
  EXPECT_EQ(pav_SetSolutionName(obj.get(), OvelSolAtTetrahedra, 2, "first"), PAV_SUCCESS);
  EXPECT_EQ(pav_SetSolutionName(obj.get(), 113, 1, "second"), PAV_SUCCESS);
  EXPECT_STREQ(pav_SolutionList(obj.get(), SolAtTetrahedraP1)->name, "second");
  EXPECT_STREQ(pav_SolutionList(obj.get(), SolAtTetrahedraP1)->next->name, "first");
  testing::internal::CaptureStdout();
  EXPECT_EQ(pav_SetSolutionName(obj.get(), 114, 1, "none"), PAV_FAILURE);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            " ERROR: Solution # 1 corresponding to keyword HOSolAtTetrahedraP2 (= 114) does not "
            "exists\n");
}

} // namespace
