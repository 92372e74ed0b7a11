// Solution files: round trips of every field kind, metric storage, node positions, names, failures.
#include "load_test_mesh.h"
#include "ovel.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <functional>

using namespace load_test;
using pavo_test::scratchDir;

namespace {

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
  std::vector<Rec> recs = {{SolAtVertices, PavSolVector, 1, "Pressure"},
                           {SolAtVertices, PavSolMatrix, 1, ""},
                           {SolAtEdgesP1, PavSolScalar, 2, "edge"},
                           {SolAtTrianglesP1, PavSolSymMatrix, 0, "metric"},
                           {SolAtQuadrilateralsQ1, PavSolSymMatrix, 4, "q"}};
  if (dim == 3)
    recs.insert(recs.end(), {{SolAtTetrahedraP1, PavSolVector, 2, "velocity"},
                             {SolAtHexahedraQ1, PavSolScalar, 10, "ten"}});
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

// Selection -2 vertices only, -1 all, else one degree; inconsistent records refused.
TEST(SolutionWrite, SelectionsAndInconsistentRecords) {
  Object obj = makeMesh(3, 20, 2, {Triangles, TrianglesP2, Tetrahedra});
  std::mt19937 rng(5);
  addRecord(obj.get(), SolAtVertices, PavSolScalar, 1, "", rng);
  addRecord(obj.get(), SolAtTrianglesP1, PavSolScalar, 0, "", rng);
  addRecord(obj.get(), SolAtTrianglesP2, PavSolScalar, 0, "", rng);
  addRecord(obj.get(), SolAtTetrahedraP1, PavSolVector, 2, "", rng);
  PavSolution *cubic = addRecord(obj.get(), SolAtTrianglesP1, PavSolScalar, 3, "", rng);
  const std::string base = scratchDir("sol_selection") + "/s";
  for (const auto &c :
       std::vector<std::vector<int>>{{-2, 1, 0, 0, 0}, {-1, 1, 2, 1, 1}, {3, 0, 1, 0, 0}}) {
    Object in = writeAndRead(obj.get(), base, ".meshb", ".solb", c[0]);
    EXPECT_EQ(std::vector<int>(c.begin() + 1, c.end()),
              std::vector<int>({pav_GetNumberOfVertexSolutions(in.get()),
                                pav_GetNumberOfSolutions(in.get(), SolAtTrianglesP1),
                                pav_GetNumberOfSolutions(in.get(), SolAtTrianglesP2),
                                pav_GetNumberOfSolutions(in.get(), SolAtTetrahedraP1)}))
        << c[0];
  }
  char status[PAV_IO_STATUS_SIZE];
  EXPECT_EQ(pav_WriteSolution(obj.get(), (base + ".sol").c_str(), -3, status), PAV_FAILURE);
  EXPECT_STREQ(status, "Wrong SolDeg     parameter on input\n");
  addRecord(obj.get(), SolAtTrianglesP1, PavSolScalar, 3, "", rng)->nbrNod = 4;
  EXPECT_EQ(pav_WriteSolution(obj.get(), (base + ".sol").c_str(), 3, status), PAV_FAILURE);
  EXPECT_STREQ(status, "ERROR : Different number of nodes for solutions of same degree at the "
                       "same element\n");
  cubic->nbrNod = 4;
  EXPECT_EQ(pav_WriteSolution(obj.get(), (base + ".sol").c_str(), 3, status), PAV_FAILURE);
  EXPECT_STREQ(status, "Mismatch of a solution of degree 3 with solution keyword\n");
}

TEST(SolutionRead, NamesAndFailures) {
  const std::string dir = scratchDir("sol_names");
  Object obj = makeMesh(3, 6, 4, {Triangles});
  char status[PAV_IO_STATUS_SIZE];
  ASSERT_EQ(pav_WriteMesh(obj.get(), (dir + "/wing.meshb").c_str(), status), PAV_SUCCESS);
  std::mt19937 rng(2);
  addRecord(obj.get(), SolAtVertices, PavSolScalar, 1, "", rng);
  ASSERT_EQ(pav_WriteSolution(obj.get(), (dir + "/wing.sol").c_str(), -1, status), PAV_SUCCESS);
  pav_FreeSolutions(obj.get());
  ASSERT_EQ(pav_OpenSolution(obj.get(), (dir + "/wing.meshb").c_str(), status), PAV_SUCCESS);
  EXPECT_EQ(statusName(status), dir + "/wing.sol");
  EXPECT_EQ(readSolution(obj.get(), dir + "/tail.mesh").status,
            "Cannot open solution file " + dir + "/tail.[sol[b]]\n");
  Object flat = makeMesh(2, 4, 0, {});
  EXPECT_EQ(readSolution(flat.get(), dir + "/wing").status,
            "Invalid solution dimension 3 should be 2 \n");
  writeFile(dir + "/c.sol", [](int64_t f) {
    const int scalar[] = {1}, unknown[] = {7};
    const double one[] = {1.0};
    OvelSetKwd(f, OvelSolAtVertices, 6, 1, unknown);
    for (int i = 0; i < 6; i++) OvelSetLin(f, OvelSolAtVertices, one);
    OvelSetKwd(f, OvelSolAtTriangles, 3, 1, scalar);
    for (int i = 0; i < 3; i++) OvelSetLin(f, OvelSolAtTriangles, one);
  });
  Read r = readSolution(obj.get(), dir + "/c.sol");
  EXPECT_EQ(r.status, "Invalid number of solution  3 should be 4 for SolAtTriangles \n");
  EXPECT_EQ(r.out.rfind("Warning: the size of the solution is invalid \n", 0), 0u) << r.out;
  EXPECT_EQ(pav_GetNumberOfVertexSolutions(obj.get()), 1);
  EXPECT_EQ(pav_GetNumberOfSolutions(obj.get(), SolAtTrianglesP1), 0);
}

TEST(SolutionNodesPositions, SingularOrMiscountedPositions) {
  Object obj = makeMesh(3, 8, 1, {Triangles});
  const std::string path = scratchDir("sol_positions_bad") + "/s.sol";
  const double values[] = {1, 2, 3, 4, 5, 6};
  for (int nbrPos : {6, 3}) {
    writeFile(path, [&](int64_t f) {
      const int scalar[] = {1};
      OvelSetKwd(f, 107, 1, 1, scalar, 2, 6); // HOSolAtTrianglesP1, degree 2
      OvelSetLin(f, 107, values);
      OvelSetKwd(f, 167, nbrPos);
      for (int i = 0; i < nbrPos; i++) OvelSetLin(f, 167, 0.2, 0.3, 0.5);
    });
    const Read r = readSolution(obj.get(), path);
    if (nbrPos == 3) {
      EXPECT_EQ(r.status, "Invalid number of solution reference nodes  3 should be 6 for "
                          "HOSolAtTrianglesP1NodesPositions \n");
      continue;
    }
    EXPECT_EQ(r.out, "HO solution Nodes positions conversion failed as the matrix cannot be "
                     "inverted. Display of the nodes in pavo uniform nodes distribution ");
    const PavSolution *rec = pav_SolutionList(obj.get(), SolAtTrianglesP1);
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(std::vector<double>(rec->data + 6, rec->data + 12),
              std::vector<double>(values, values + 6));
    pav_FreeSolutions(obj.get());
  }
}

TEST(SolutionNames, ReferenceStringsAndSetName) {
  Object obj = makeMesh(3, 3, 2, {Tetrahedra});
  const std::string path = scratchDir("sol_refstrings") + "/r.sol";
  writeFile(path, [](int64_t f) {
    const int two[] = {1, 1};
    const double v[] = {1, 2};
    OvelSetKwd(f, OvelSolAtVertices, 3, 2, two);
    for (int i = 0; i < 3; i++) OvelSetLin(f, OvelSolAtVertices, v);
    OvelSetKwd(f, OvelReferenceStrings, 2);
    OvelSetLin(f, OvelReferenceStrings, 62, 1, "Lonely");
    OvelSetLin(f, OvelReferenceStrings, 62, 2, "Both 1-2");
  });
  const Read r = readSolution(obj.get(), path);
  ASSERT_EQ(r.rc, PAV_SUCCESS) << r.status;
  EXPECT_EQ(r.out, " pav_ReadSolutionsStrings : error with ReferenceStrings Lonely attached to "
                   "SolAtVertices.\n Invalid string.\n");
  const PavSolution *head = pav_SolutionList(obj.get(), SolAtVertices);
  EXPECT_STREQ(head->name, "Both");
  EXPECT_STREQ(head->next->name, "Both");
  std::mt19937 rng(6);
  addRecord(obj.get(), SolAtTetrahedraP1, PavSolScalar, 0, "", rng);
  addRecord(obj.get(), SolAtTetrahedraP1, PavSolScalar, 2, "", rng);
  EXPECT_EQ(pav_SetSolutionName(obj.get(), 113, 1, "second"), PAV_SUCCESS); // HOSolAtTetrahedraP1
  EXPECT_STREQ(pav_SolutionList(obj.get(), SolAtTetrahedraP1)->name, "second");
}

} // namespace
