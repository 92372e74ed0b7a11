// Reading and writing solutions: round trips of every field kind on vertices and elements, the
// metric storage, node-position conversion, names, selections and failures.
#include "load_test_mesh.h"
#include "ovel.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <cmath>

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

void expectSameSolutions(const PavObject *a, const PavObject *b) {
  for (int list = SolAtVertices; list <= PAV_LAST_ELEMENT_SOLTYP; list++) {
    SCOPED_TRACE(pav_SolutionTypeName(list));
    const PavSolution *ra = pav_SolutionList(a, list), *rb = pav_SolutionList(b, list);
    for (; ra && rb; ra = ra->next, rb = rb->next) {
      ASSERT_EQ(std::vector<int>({ra->kind, ra->degree, ra->nbrNod, ra->nbrEnt, ra->iteration}),
                std::vector<int>({rb->kind, rb->degree, rb->nbrNod, rb->nbrEnt, rb->iteration}));
      EXPECT_STREQ(ra->name, rb->name);
      EXPECT_EQ(ra->time, rb->time);
      const int64_t total =
          int64_t(ra->nbrEnt + 1) * ra->nbrNod * pav_SolKindSize(a->dim, ra->kind);
      for (int64_t i = int64_t(ra->nbrNod) * pav_SolKindSize(a->dim, ra->kind); i < total; i++)
        ASSERT_EQ(ra->data[i], rb->data[i]) << i;
    }
    EXPECT_TRUE(ra == nullptr && rb == nullptr) << "lists of different lengths";
  }
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
  for (int kind = 1; kind <= 4; kind++) addRecord(obj.get(), SolAtVertices, kind, 1, "", rng);
  addRecord(obj.get(), SolAtVertices, PavSolScalar, 1, "Pressure", rng);
  addRecord(obj.get(), SolAtEdgesP1, PavSolScalar, 2, "edge", rng);
  addRecord(obj.get(), SolAtTrianglesP1, PavSolSymMatrix, 0, "metric", rng);
  addRecord(obj.get(), SolAtTrianglesP1, PavSolVector, 0, "", rng);
  addRecord(obj.get(), SolAtTrianglesP1, PavSolScalar, 3, "cubic", rng);
  addRecord(obj.get(), SolAtTrianglesP2, PavSolMatrix, 2, "", rng);
  addRecord(obj.get(), SolAtQuadrilateralsQ1, PavSolSymMatrix, 4, "q", rng);
  if (dim == 3) {
    addRecord(obj.get(), SolAtTetrahedraP1, PavSolSymMatrix, 2, "", rng);
    addRecord(obj.get(), SolAtTetrahedraP1, PavSolVector, 2, "velocity", rng);
    addRecord(obj.get(), SolAtPyramidsP1, PavSolScalar, 3, "", rng);
    addRecord(obj.get(), SolAtPrismsP1, PavSolMatrix, 0, "", rng);
    addRecord(obj.get(), SolAtHexahedraQ1, PavSolScalar, 10, "ten", rng);
    addRecord(obj.get(), SolAtTetrahedraP2, PavSolSymMatrix, 1, "", rng);
  }
  const std::string base = scratchDir("sol_roundtrip") + "/case";
  Object in = writeAndRead(obj.get(), base, binary ? ".meshb" : ".mesh", binary ? ".solb" : ".sol");
  expectSameSolutions(obj.get(), in.get());
}

INSTANTIATE_TEST_SUITE_P(Files, SolutionRoundTrip,
                         ::testing::Combine(::testing::Values(2, 3), ::testing::Bool()));

// Counts records per list after writing a selection and reading it back.
TEST(SolutionWrite, SelectionsWriteTheirDegrees) {
  Object obj = makeMesh(3, 20, 2, {Triangles, TrianglesP2, Tetrahedra});
  std::mt19937 rng(5);
  addRecord(obj.get(), SolAtVertices, PavSolScalar, 1, "", rng);
  addRecord(obj.get(), SolAtTrianglesP1, PavSolScalar, 0, "", rng);
  addRecord(obj.get(), SolAtTrianglesP2, PavSolScalar, 0, "", rng);
  addRecord(obj.get(), SolAtTetrahedraP1, PavSolVector, 2, "", rng);
  addRecord(obj.get(), SolAtTrianglesP1, PavSolScalar, 3, "", rng);
  const std::string base = scratchDir("sol_selection") + "/s";
  struct Case {
    int selection, vertices, triP1, triP2, tetP1;
  };
  for (Case c : {Case{-2, 1, 0, 0, 0}, Case{-1, 1, 2, 1, 1}, Case{0, 1, 1, 1, 0},
                 Case{2, 0, 0, 0, 1}, Case{3, 0, 1, 0, 0}}) {
    SCOPED_TRACE(c.selection);
    Object in = writeAndRead(obj.get(), base, ".meshb", ".solb", c.selection);
    EXPECT_EQ(pav_GetNumberOfVertexSolutions(in.get()), c.vertices);
    EXPECT_EQ(pav_GetNumberOfSolutions(in.get(), SolAtTrianglesP1), c.triP1);
    EXPECT_EQ(pav_GetNumberOfSolutions(in.get(), SolAtTrianglesP2), c.triP2);
    EXPECT_EQ(pav_GetNumberOfSolutions(in.get(), SolAtTetrahedraP1), c.tetP1);
  }
}

TEST(SolutionWrite, InconsistentRecordsAreRefused) {
  Object obj = makeMesh(2, 10, 2, {Triangles});
  const std::string path = scratchDir("sol_write_errors") + "/e.sol";
  char status[PAV_IO_STATUS_SIZE];
  std::mt19937 rng(1);
  EXPECT_EQ(pav_WriteSolution(obj.get(), path.c_str(), -3, status), PAV_FAILURE);
  EXPECT_STREQ(status, "Wrong SolDeg     parameter on input\n");
  EXPECT_EQ(pav_WriteSolution(obj.get(), nullptr, -1, status), PAV_FAILURE);
  EXPECT_STREQ(status, "NULL (SolFile)   parameter on input\n");
  EXPECT_EQ(pav_WriteSolution(obj.get(), "/nonexistent/dir/x.sol", -1, status), PAV_FAILURE);
  EXPECT_STREQ(status, "Cannot open mesh file /nonexistent/dir/x.sol\n");

  PavSolution *a = addRecord(obj.get(), SolAtTrianglesP1, PavSolScalar, 2, "", rng);
  addRecord(obj.get(), SolAtTrianglesP1, PavSolScalar, 2, "", rng);
  a->nbrNod = 3;
  EXPECT_EQ(pav_WriteSolution(obj.get(), path.c_str(), 2, status), PAV_FAILURE);
  EXPECT_STREQ(status, "ERROR : Different number of nodes for solutions of same degree at the same "
                       "element\n");
  a->nbrNod = 6;
  a->nbrEnt = 1;
  EXPECT_EQ(pav_WriteSolution(obj.get(), path.c_str(), -1, status), PAV_FAILURE);
  EXPECT_STREQ(status,
               "ERROR : Different number of entities for solutions of same degree at the same "
               "element\n");
  a->nbrEnt = 2;
  pav_FreeSolutions(obj.get());
  PavSolution *b = addRecord(obj.get(), SolAtTrianglesP1, PavSolScalar, 2, "", rng);
  b->nbrNod = 4;
  EXPECT_EQ(pav_WriteSolution(obj.get(), path.c_str(), 2, status), PAV_FAILURE);
  EXPECT_STREQ(status, "Mismatch of a solution of degree 2 with solution keyword\n");
}

// Opens a file for writing a solution in 3-D with `vertices` vertices.
int64_t openSolution(const std::string &path, int dim = 3) {
  int64_t f = OvelOpenMesh(path.c_str(), OvelWrite, 2, dim);
  EXPECT_NE(f, 0);
  return f;
}

// A 3-D metric line 1 2 3 4 5 6 (lower triangle by rows) is stored as 1 2 4 3 5 6; fields
// (1, 2) make 4 reals per line and two records, the scalar at the head.
TEST(SolutionRead, FieldsSplitIntoRecords) {
  Object obj = makeMesh(3, 2, 0, {});
  const std::string path = scratchDir("sol_fields") + "/f.solb";
  int64_t f = openSolution(path);
  const int types[] = {3, 1, 2};
  OvelSetKwd(f, OvelSolAtVertices, 2, 3, types);
  const double line1[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
               line2[] = {11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
  OvelSetLin(f, OvelSolAtVertices, line1);
  OvelSetLin(f, OvelSolAtVertices, line2);
  ASSERT_EQ(OvelCloseMesh(f), 1);
  char status[PAV_IO_STATUS_SIZE];
  ASSERT_EQ(pav_OpenSolution(obj.get(), path.c_str(), status), PAV_SUCCESS) << status;
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

  EXPECT_EQ(pav_OpenSolution(obj.get(), (dir + "/tail.mesh").c_str(), status), PAV_FAILURE);
  EXPECT_EQ(std::string(status), "Cannot open solution file " + dir + "/tail.[sol[b]]\n");
  EXPECT_EQ(pav_OpenSolution(obj.get(), (dir + "/tail.sol").c_str(), status), PAV_FAILURE);
  EXPECT_EQ(std::string(status), "Cannot open solution file " + dir + "/tail.sol.[sol[b]]\n");
  EXPECT_EQ(pav_OpenSolution(obj.get(), nullptr, status), PAV_FAILURE);
  EXPECT_STREQ(status, "NULL (Solution Name) parameter on input\n");

  Object flat = makeMesh(2, 4, 0, {});
  EXPECT_EQ(pav_OpenSolution(flat.get(), (dir + "/wing").c_str(), status), PAV_FAILURE);
  EXPECT_STREQ(status, "Invalid solution dimension 3 should be 2 \n");
}

// Version-1 files hold floats, Time included; both file forms read them into the records.
TEST(SolutionRead, VersionOneFloatsAndTime) {
  for (const char *ext : {".sol", ".solb"}) {
    SCOPED_TRACE(ext);
    Object obj = makeMesh(2, 3, 0, {});
    const std::string path = scratchDir("sol_version1") + "/v" + ext;
    int64_t f = OvelOpenMesh(path.c_str(), OvelWrite, 1, 2);
    ASSERT_NE(f, 0);
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
    ASSERT_EQ(OvelCloseMesh(f), 1);
    char status[PAV_IO_STATUS_SIZE];
    ASSERT_EQ(pav_OpenSolution(obj.get(), path.c_str(), status), PAV_SUCCESS) << status;
    const PavSolution *rec = pav_SolutionList(obj.get(), SolAtVertices);
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(std::vector<double>({rec->data[6], rec->data[7], rec->time, double(rec->iteration)}),
              std::vector<double>({1.5, -0.75, 1.5, 42}));
  }
}

// A count mismatch ends the load; what came before stays and the next load works.
TEST(SolutionRead, CountMismatchFails) {
  Object obj = makeMesh(3, 6, 4, {Triangles});
  const std::string path = scratchDir("sol_count") + "/c.sol";
  int64_t f = openSolution(path);
  const int scalar[] = {1};
  OvelSetKwd(f, OvelSolAtVertices, 6, 1, scalar);
  for (int i = 0; i < 6; i++) OvelSetLin(f, OvelSolAtVertices, std::vector<double>{1.0}.data());
  OvelSetKwd(f, OvelSolAtTriangles, 3, 1, scalar);
  for (int i = 0; i < 3; i++) OvelSetLin(f, OvelSolAtTriangles, std::vector<double>{2.0}.data());
  ASSERT_EQ(OvelCloseMesh(f), 1);
  char status[PAV_IO_STATUS_SIZE];
  EXPECT_EQ(pav_OpenSolution(obj.get(), path.c_str(), status), PAV_FAILURE);
  EXPECT_STREQ(status, "Invalid number of solution  3 should be 4 for SolAtTriangles \n");
  EXPECT_EQ(pav_GetNumberOfVertexSolutions(obj.get()), 1);
  EXPECT_EQ(pav_GetNumberOfSolutions(obj.get(), SolAtTrianglesP1), 0);

  const std::string good = scratchDir("sol_count_good") + "/g.solb";
  std::mt19937 rng(4);
  addRecord(obj.get(), SolAtTrianglesP1, PavSolScalar, 0, "", rng);
  ASSERT_EQ(pav_WriteSolution(obj.get(), good.c_str(), -1, status), PAV_SUCCESS);
  ASSERT_EQ(pav_OpenSolution(obj.get(), good.c_str(), status), PAV_SUCCESS) << status;
}

// A keyword whose fields hold no known type has no size: it is skipped with the warning.
TEST(SolutionRead, UnknownTypesAreSkipped) {
  Object obj = makeMesh(3, 2, 0, {});
  const std::string path = scratchDir("sol_unknown") + "/u.sol";
  int64_t f = openSolution(path);
  const int types[] = {7};
  ASSERT_EQ(OvelSetKwd(f, OvelSolAtVertices, 2, 1, types), 1);
  const double none[1] = {0};
  OvelSetLin(f, OvelSolAtVertices, none);
  OvelSetLin(f, OvelSolAtVertices, none);
  ASSERT_EQ(OvelCloseMesh(f), 1);
  char status[PAV_IO_STATUS_SIZE];
  testing::internal::CaptureStdout();
  EXPECT_EQ(pav_OpenSolution(obj.get(), path.c_str(), status), PAV_SUCCESS) << status;
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Warning: the size of the solution is invalid \nPlease check your solution file \nIn "
            "particular, check that your type of each solution is good \n1 for a scalar, 2 for a "
            "vector, 3 for symmetric matrix and 4 for a full matrix ");
  EXPECT_EQ(pav_GetNumberOfVertexSolutions(obj.get()), 0);
}

// ---- Node positions ----

double poly(int kind, const double *p) {
  switch (kind) {
  case PavKindEdge:
    return 1 + 2 * p[1] - 3 * p[1] * p[1] * p[1] + p[1] * p[1] * p[1] * p[1];
  case PavKindTriangle:
    return 0.5 + p[0] * p[1] - 2 * p[2] * p[2] * p[0] + p[1];
  case PavKindQuadrilateral:
    return 1 + p[0] * p[0] * p[1] - p[1] * p[1] * p[1] * p[0];
  case PavKindTetrahedron:
    return p[0] * p[3] + p[1] * p[1] - p[2];
  case PavKindPyramid:
    return 1 + 2 * p[0] - p[1] + 3 * p[2];
  case PavKindPrism:
    return p[0] * p[3] - p[1] * p[1] + p[3] * p[3] * p[2];
  default:
    return p[0] * p[1] * p[2] + p[2] * p[2] - p[0];
  }
}

struct PositionsCase {
  int kind, entityType, degree;
};

// Non-uniform positions of a kind: the uniform reference points with each coordinate moved by
// x -> (1 - cos(pi x)) / 2 (the Lobatto-like clustering), barycentric ones renormalised, in a
// shuffled order; the edge gives its barycentric pair.
std::vector<double> warpedPositions(int kind, int degree, std::mt19937 &rng,
                                    std::vector<int> &order) {
  const HoKind hk = static_cast<HoKind>(kind);
  const int m = int(hoNodeCount(hk, degree));
  const int rw = hoRefWidth(hk), pw = pav_NodesPositionsWidth(kind);
  const double *uniform = hoNodeRefCoords(hk, degree);
  order.resize(m);
  for (int i = 0; i < m; i++) order[i] = i;
  std::shuffle(order.begin(), order.end(), rng);
  std::vector<double> out;
  for (int i = 0; i < m; i++) {
    double p[4];
    for (int c = 0; c < rw; c++) p[c] = (1 - std::cos(M_PI * uniform[order[i] * rw + c])) / 2;
    const int bary = kind == PavKindTriangle || kind == PavKindTetrahedron ? rw
                     : kind == PavKindPrism                                ? 3
                                                                           : 0;
    double sum = 0;
    for (int c = 0; c < bary; c++) sum += p[c];
    for (int c = 0; c < bary; c++) p[c] /= sum;
    if (kind == PavKindPyramid) {
      // Keep the point inside the pyramid: x, y scaled into [0, 1 - z].
      const double z = p[2];
      p[0] = uniform[order[i] * rw] * (1 - z) / std::max(1e-300, 1 - uniform[order[i] * rw + 2]);
      p[1] =
          uniform[order[i] * rw + 1] * (1 - z) / std::max(1e-300, 1 - uniform[order[i] * rw + 2]);
      if (uniform[order[i] * rw + 2] == 1) p[0] = p[1] = 0;
    }
    if (kind == PavKindEdge) {
      out.push_back(1 - p[0]);
      out.push_back(p[0]);
    } else {
      out.insert(out.end(), p, p + pw);
    }
  }
  return out;
}

// Values of a polynomial given at non-uniform positions convert to its values at the uniform
// nodes, for every kind.
TEST(SolutionNodesPositions, ConvertToUniformNodeValues) {
  const PositionsCase cases[] = {
      {PavKindEdge, Edges, 4},
      {PavKindTriangle, Triangles, 3},
      {PavKindQuadrilateral, Quadrilaterals, 3},
      {PavKindTetrahedron, Tetrahedra, 2},
      {PavKindPyramid, Pyramids, 2},
      {PavKindPrism, Prisms, 3},
      {PavKindHexahedron, Hexahedra, 3},
  };
  std::mt19937 rng(9);
  for (const PositionsCase &c : cases) {
    SCOPED_TRACE(c.kind);
    Object obj = makeMesh(3, 8, 2, {c.entityType});
    const HoKind hk = static_cast<HoKind>(c.kind);
    const int m = int(hoNodeCount(hk, c.degree));
    const int pw = pav_NodesPositionsWidth(c.kind);
    std::vector<int> order;
    std::vector<double> pos = warpedPositions(c.kind, c.degree, rng, order);
    // Line of element e: node i holds e * f(position i).
    std::vector<double> line(m);
    const std::string path = scratchDir("sol_positions") + "/p.solb";
    int64_t f = openSolution(path);
    const int scalar[] = {1};
    const int list = PAV_FIRST_ELEMENT_SOLTYP + c.kind;
    const int keyword = c.kind == PavKindEdge ? 104 : 107 + 3 * (c.kind - 1);
    ASSERT_EQ(OvelSetKwd(f, keyword, 2, 1, scalar, c.degree, m), 1);
    for (int e = 1; e <= 2; e++) {
      for (int i = 0; i < m; i++) {
        double ref[4];
        if (c.kind == PavKindEdge)
          ref[0] = 0, ref[1] = pos[2 * i + 1];
        else
          std::copy(&pos[i * pw], &pos[i * pw] + pw, ref);
        line[i] = e * poly(c.kind, ref);
      }
      OvelSetLin(f, keyword, line.data());
    }
    const int positions = 163 + 4 * c.kind;
    OvelSetKwd(f, positions, m);
    OvelSetBlock(f, positions, 1, m, 0, nullptr, nullptr, OvelDoubleVec, pw, &pos[0],
                 &pos[(m - 1) * pw]);
    ASSERT_EQ(OvelCloseMesh(f), 1);

    char status[PAV_IO_STATUS_SIZE];
    testing::internal::CaptureStdout();
    ASSERT_EQ(pav_OpenSolution(obj.get(), path.c_str(), status), PAV_SUCCESS) << status;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    const PavSolution *rec = pav_SolutionList(obj.get(), list);
    ASSERT_NE(rec, nullptr);
    ASSERT_EQ(rec->nbrNod, m);
    const double *uniform = hoNodeRefCoords(hk, c.degree);
    const int rw = hoRefWidth(hk);
    for (int e = 1; e <= 2; e++)
      for (int k = 0; k < m; k++) {
        double ref[4] = {0, 0, 0, 0};
        if (c.kind == PavKindEdge)
          ref[1] = uniform[k];
        else
          std::copy(uniform + k * rw, uniform + (k + 1) * rw, ref);
        EXPECT_NEAR(rec->data[e * m + k], e * poly(c.kind, ref), 1e-9) << e << " " << k;
      }
  }
}

// Positions that coincide leave the values as read, with the message; a wrong count fails.
TEST(SolutionNodesPositions, SingularOrMiscountedPositions) {
  Object obj = makeMesh(3, 8, 1, {Triangles, Pyramids});
  const std::string dir = scratchDir("sol_positions_bad");
  const int scalar[] = {1};
  const double same[] = {0.2, 0.3, 0.5};
  const double values[] = {1, 2, 3, 4, 5, 6};
  int64_t f = openSolution(dir + "/s.sol");
  OvelSetKwd(f, 108 - 1, 1, 1, scalar, 2, 6); // HOSolAtTrianglesP1, degree 2
  OvelSetLin(f, 107, values);
  OvelSetKwd(f, 167, 6);
  for (int i = 0; i < 6; i++) OvelSetLin(f, 167, same[0], same[1], same[2]);
  OvelSetKwd(f, 116, 1, 1, scalar, 1, 5); // HOSolAtPyramidsP1, degree 1
  OvelSetLin(f, 116, values);
  OvelSetKwd(f, 179, 5);
  for (int i = 0; i < 5; i++) OvelSetLin(f, 179, 0.1, 0.1, 0.1);
  ASSERT_EQ(OvelCloseMesh(f), 1);
  char status[PAV_IO_STATUS_SIZE];
  testing::internal::CaptureStdout();
  ASSERT_EQ(pav_OpenSolution(obj.get(), (dir + "/s.sol").c_str(), status), PAV_SUCCESS);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "HO solution Nodes positions conversion failed as the matrix cannot be inverted. "
            "Display of the nodes in pavo uniform nodes distribution "
            "HO solution Nodes positions conversion failed for pyramid as the matrix cannot be "
            "inverted. Display of the nodes in pavo uniform nodes distribution ");
  const PavSolution *rec = pav_SolutionList(obj.get(), SolAtTrianglesP1);
  ASSERT_NE(rec, nullptr);
  for (int k = 0; k < 6; k++) EXPECT_EQ(rec->data[6 + k], values[k]);

  pav_FreeSolutions(obj.get());
  f = openSolution(dir + "/n.sol");
  OvelSetKwd(f, 107, 1, 1, scalar, 2, 6);
  OvelSetLin(f, 107, values);
  OvelSetKwd(f, 167, 3);
  for (int i = 0; i < 3; i++) OvelSetLin(f, 167, 1.0, 0.0, 0.0);
  ASSERT_EQ(OvelCloseMesh(f), 1);
  EXPECT_EQ(pav_OpenSolution(obj.get(), (dir + "/n.sol").c_str(), status), PAV_FAILURE);
  EXPECT_STREQ(status, "Invalid number of solution reference nodes  3 should be 6 for "
                       "HOSolAtTrianglesP1NodesPositions \n");
}

// ---- Names ----

TEST(SolutionNames, ReferenceStringsMessages) {
  Object obj = makeMesh(3, 3, 0, {});
  const std::string path = scratchDir("sol_refstrings") + "/r.sol";
  int64_t f = openSolution(path);
  const int two[] = {1, 1};
  OvelSetKwd(f, OvelSolAtVertices, 3, 2, two);
  for (int i = 0; i < 3; i++) OvelSetLin(f, OvelSolAtVertices, std::vector<double>{1, 2}.data());
  OvelSetKwd(f, OvelReferenceStrings, 6);
  OvelSetLin(f, OvelReferenceStrings, 300, 1, "Bad 1");
  OvelSetLin(f, OvelReferenceStrings, 62, 1, "Lonely");
  OvelSetLin(f, OvelReferenceStrings, 62, 3, "Temp 1,2");
  OvelSetLin(f, OvelReferenceStrings, 6, 1, "Tri 1");
  OvelSetLin(f, OvelReferenceStrings, 62, 2, "Far 2-3");
  OvelSetLin(f, OvelReferenceStrings, 62, 2, "Both 1-2");
  ASSERT_EQ(OvelCloseMesh(f), 1);
  char status[PAV_IO_STATUS_SIZE];
  testing::internal::CaptureStdout();
  ASSERT_EQ(pav_OpenSolution(obj.get(), path.c_str(), status), PAV_SUCCESS) << status;
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
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
