// Mesh and solution files: round trips of every element and field kind, declared node orderings,
// names, corners, polygons, metric storage, failures; degree-10 files, lines beyond 9000 reals, and
// NodesPositions converted on every kind (shuffled uniform nodes exactly, clustered ones
// reproducing a polynomial).
#include "load_test_mesh.h"
#include "ovel.h"
#include "ovel_internal.h"
#include "test_paths.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <numeric>

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

class MeshRoundTrip : public ::testing::TestWithParam<std::tuple<int, const char *>> {};

TEST_P(MeshRoundTrip, EveryElementTypeReadsBackUnchanged) {
  const int dim = std::get<0>(GetParam());
  const std::string path = scratchDir("mesh_roundtrip") + "/all" + std::get<1>(GetParam());
  Object out = makeMesh(dim, 200, 4, elementTypes());
  char status[PAV_IO_STATUS_SIZE];
  ASSERT_EQ(pav_WriteMesh(out.get(), path.c_str(), status), PAV_SUCCESS) << status;

  Object in = newObject();
  ASSERT_EQ(pav_OpenMesh(in.get(), path.c_str(), status), PAV_SUCCESS) << status;
  EXPECT_EQ(statusName(status), path);
  expectSameMesh(out.get(), in.get());
  for (int i = 1; i <= 200 && dim == 2; i++) ASSERT_EQ(in->crdDbl[3 * i + 2], 0.0);
  EXPECT_EQ(in->pol, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Files, MeshRoundTrip,
                         ::testing::Combine(::testing::Values(2, 3),
                                            ::testing::Values(".meshb", ".mesh")));

void writePermutedFile(const std::string &path, int type, int keyword, int orderingKeyword,
                       const std::vector<int> &perm, const std::vector<int> &canonical,
                       int nbrVer) {
  int width = 0;
  const int nodes = OvelElementNodes(keyword, &width);
  char scratch[PAV_STATUS_SIZE];
  const int *lattice = pav_Typ2Ordering(type, scratch);
  int64_t f = OvelOpenMesh(path.c_str(), OvelWrite, 2, 3);
  ASSERT_NE(f, 0);
  OvelSetKwd(f, OvelVertices, nbrVer);
  for (int i = 1; i <= nbrVer; i++) OvelSetLin(f, OvelVertices, double(i), 0.0, 0.0, 0);
  std::vector<int> fileNodes;
  for (int j = 0; j < nodes; j++)
    for (int c = 0; c < width; c++) fileNodes.push_back(lattice[perm[j] * width + c]);
  OvelSetKwd(f, orderingKeyword, nodes);
  OvelSetBlock(f, orderingKeyword, 1, nodes, 0, nullptr, nullptr, OvelIntVec, width, &fileNodes[0],
               &fileNodes[(nodes - 1) * width]);
  std::vector<int> line(nodes + 1);
  for (int j = 0; j < nodes; j++) line[j] = canonical[perm[j]];
  line[nodes] = 9;
  OvelSetKwd(f, keyword, 1);
  OvelSetBlock(f, keyword, 1, 1, 0, nullptr, nullptr, OvelIntVec, nodes + 1, &line[0], &line[0]);
  ASSERT_EQ(OvelCloseMesh(f), 1);
}

TEST(MeshOrdering, PermutedNodesReadIntoCanonicalOrder) {
  const std::string names[7] = {"Edges",    "Triangles", "Quadrilaterals", "Tetrahedra",
                                "Pyramids", "Prisms",    "Hexahedra"};
  std::vector<std::array<int, 3>> kinds; // type, element keyword, ordering keyword
  for (int k = 0; k < 7; k++)
    for (int d = k < 2 ? 1 : 2; d <= 4; d++) {
      const std::string tag = names[k] + (k == 2 || k == 6 ? "Q" : "P") + std::to_string(d);
      kinds.push_back({pav_SolTyp2EntTyp(SolAtEdgesP1 + k, d),
                       OvelKeywordCode((d == 1 ? names[k] : tag).c_str()),
                       OvelKeywordCode((tag + "Ordering").c_str())});
    }
  const std::string dir = scratchDir("mesh_ordering");
  std::mt19937 rng(3);
  for (const auto &kind : kinds) {
    const struct { int type, keyword, ordering; } k = {kind[0], kind[1], kind[2]};
    SCOPED_TRACE(pav_TypeAllocName(k.type));
    const int nodes = pav_MshTyp2Siz(k.type, nullptr);
    std::vector<int> perm(nodes), canonical(nodes);
    for (int j = 0; j < nodes; j++) perm[j] = j, canonical[j] = 1 + (7 * j + 3) % 200;
    std::shuffle(perm.begin(), perm.end(), rng);
    const std::string path = dir + "/perm" + std::to_string(k.type) + ".meshb";
    writePermutedFile(path, k.type, k.keyword, k.ordering, perm, canonical, 200);
    Object obj = newObject();
    char status[PAV_IO_STATUS_SIZE];
    testing::internal::CaptureStdout();
    ASSERT_EQ(pav_OpenMesh(obj.get(), path.c_str(), status), PAV_SUCCESS) << status;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_EQ(obj->ent[k.type].nbr, 1);
    for (int j = 0; j < nodes; j++) ASSERT_EQ(obj->ent[k.type].idx[nodes + j], canonical[j]);
    EXPECT_EQ(obj->ent[k.type].ref[1], 9);
  }
}

TEST(MeshOpen, NameResolution) {
  const std::string dir = scratchDir("mesh_names");
  Object two = makeMesh(2, 5, 1, {Triangles});
  Object three = makeMesh(3, 6, 1, {Tetrahedra});
  char status[PAV_IO_STATUS_SIZE];
  ASSERT_EQ(pav_WriteMesh(two.get(), (dir + "/wing.mesh").c_str(), status), PAV_SUCCESS);
  Object obj = newObject();
  ASSERT_EQ(pav_OpenMesh(obj.get(), (dir + "/wing.mesh").c_str(), status), PAV_SUCCESS);
  ASSERT_EQ(pav_WriteMesh(three.get(), (dir + "/wing.meshb").c_str(), status), PAV_SUCCESS);
  ASSERT_EQ(pav_OpenMesh(obj.get(), (dir + "/wing").c_str(), status), PAV_SUCCESS);
  EXPECT_EQ(statusName(status), dir + "/wing.meshb");
  EXPECT_EQ(obj->dim, 3);
  EXPECT_EQ(obj->ent[Tetrahedra].nbr * 10 + obj->ent[Triangles].nbr, 10)
      << "the earlier mesh was reset";

  const std::string bare = dir + "/tail";
  EXPECT_EQ(pav_OpenMesh(obj.get(), bare.c_str(), status), PAV_FAILURE);
  EXPECT_EQ(std::string(status), "Cannot open mesh file " + bare + ".[mesh[b]]\n");
  EXPECT_EQ(obj->ent[Tetrahedra].nbr, 1);
}

// Corners take the reference of their vertex (none when out of range).
TEST(MeshOpen, PolygonsAndCornersAreKept) {
  const std::string path = scratchDir("mesh_polygons") + "/p.meshb";
  int64_t f = OvelOpenMesh(path.c_str(), OvelWrite, 2, 3);
  ASSERT_NE(f, 0);
  OvelSetKwd(f, OvelVertices, 5);
  for (int i = 1; i <= 5; i++) OvelSetLin(f, OvelVertices, double(i), 1.0, 2.0, 10 + i);
  OvelSetKwd(f, OvelCorners, 3);
  for (int v : {3, 0, 6}) OvelSetLin(f, OvelCorners, v);
  OvelSetKwd(f, OvelBoundaryPolygonHeaders, 2);
  for (int first : {1, 4}) OvelSetLin(f, OvelBoundaryPolygonHeaders, first, 7 + first / 4);
  OvelSetKwd(f, OvelBoundaryPolygonVertices, 7);
  for (int v : {1, 2, 3, 1, 3, 4, 5}) OvelSetLin(f, OvelBoundaryPolygonVertices, v);
  ASSERT_EQ(OvelCloseMesh(f), 1);
  Object obj = newObject();
  char status[PAV_IO_STATUS_SIZE];
  ASSERT_EQ(pav_OpenMesh(obj.get(), path.c_str(), status), PAV_SUCCESS) << status;
  ASSERT_NE(obj->pol, nullptr);
  const PavPolygonSet &p = *obj->pol;
  EXPECT_EQ(std::vector<int>(
                {p.nbrBndPol, p.nbrBndVer, p.bndHdr[4], p.bndHdr[5], p.bndVer[7], p.nbrInnPol}),
            std::vector<int>({2, 7, 4, 8, 5, 0}));
  ASSERT_EQ(obj->ent[Corners].nbr, 3);
  EXPECT_EQ(std::vector<int>(obj->ent[Corners].ref + 1, obj->ent[Corners].ref + 4),
            std::vector<int>({13, 0, 0}));
}

// Blocks of 10000 lines converted by three workers at once, in no fixed order: the first bad node
// and the first non-finite vertex in file order are the ones named, and the failing kind is
// dropped while the kinds before it stay.
TEST(MeshOpen, NodeOutsideTheVerticesFails) {
  struct ParallelSmallBlocks {
    int64_t floor = ovel::blockFloorBytes;
    int workers = ovel::blockWorkers;
    ParallelSmallBlocks() { ovel::blockFloorBytes = 0, ovel::blockWorkers = 3; }
    ~ParallelSmallBlocks() { ovel::blockFloorBytes = floor, ovel::blockWorkers = workers; }
  } parallel;
  const std::string path = scratchDir("mesh_bad_node") + "/b.meshb";
  const int n = 45000;
  std::vector<double> xyz(3 * size_t(n));
  std::vector<int> tet(5 * size_t(n), 1), zero(n, 0);
  for (int i = 0; i < n; i++) xyz[3 * size_t(i)] = i;
  xyz[3 * 12000 + 1] = xyz[3 * 34000 + 2] = std::nan("");
  tet[5 * 12344 + 2] = n + 1; // tetrahedron 12345
  tet[5 * 34000 + 1] = 0;
  int64_t f = OvelOpenMesh(path.c_str(), OvelWrite, 2, 3);
  ASSERT_NE(f, 0);
  OvelSetKwd(f, OvelVertices, n);
  OvelSetBlock(f, OvelVertices, 1, n, 0, nullptr, nullptr, OvelDoubleVec, 3, &xyz[0],
               &xyz[3 * size_t(n - 1)], OvelInt, &zero[0], &zero[n - 1]);
  OvelSetKwd(f, OvelTriangles, 1);
  OvelSetLin(f, OvelTriangles, 1, 2, 3, 0);
  OvelSetKwd(f, OvelTetrahedra, n);
  OvelSetBlock(f, OvelTetrahedra, 1, n, 0, nullptr, nullptr, OvelIntVec, 5, &tet[0],
               &tet[5 * size_t(n - 1)]);
  ASSERT_EQ(OvelCloseMesh(f), 1);
  Object obj = newObject();
  char status[PAV_IO_STATUS_SIZE];
  testing::internal::CaptureStdout();
  EXPECT_EQ(pav_OpenMesh(obj.get(), path.c_str(), status), PAV_FAILURE);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            " warning : " + path +
                ": 2 vertices with non-finite coordinates (first: vertex 12001)\n");
  EXPECT_EQ(std::string(status),
            "Invalid vertex 45001 in Tetrahedra 12345 of mesh file " + path + "\n");
  EXPECT_EQ(obj->ent[Triangles].nbr, 1);
  EXPECT_EQ(obj->ent[Tetrahedra].nbr, 0);
}

constexpr int kDegree = 10;
constexpr int kHexQ1Keyword = 122; // HOSolAtHexahedraQ1
// 48 value columns: above twice an edge's 11 nodes (map formed once), below twice any other kind's.
constexpr int kElements = 12;
const int kP1Types[PavKindCount] = {Edges,    Triangles, Quadrilaterals, Tetrahedra,
                                    Pyramids, Prisms,    Hexahedra};

// A cubic in the element's reference coordinates (linear for the pyramid's rational space).
double poly(int kind, const double *p) {
  const int last = hoRefWidth(static_cast<HoKind>(kind)) - 1;
  if (kind == PavKindPyramid) return 1 + 2 * p[0] - p[1] + 3 * p[2];
  return 0.5 + 2 * p[0] - 3 * p[0] * p[last] * p[last] + (last ? p[0] * p[1] : 0);
}

// Uniform node k, clustered by x -> (1 - cos(pi x)) / 2 when `warp`.
void nodePoint(int kind, int k, bool warp, double *p) {
  const HoKind hk = static_cast<HoKind>(kind);
  const int rw = hoRefWidth(hk);
  const double *u = hoNodeRefCoords(hk, kDegree) + k * rw;
  for (int c = 0; c < rw; c++) p[c] = warp ? (1 - std::cos(M_PI * u[c])) / 2 : u[c];
  if (!warp) return;
  const int bary = kind == PavKindTriangle || kind == PavKindTetrahedron ? rw
                   : kind == PavKindPrism                                ? 3
                                                                         : 0;
  const double sum = std::accumulate(p, p + bary, 0.0);
  for (int c = 0; c < bary; c++) p[c] /= sum;
  if (kind == PavKindPyramid) {
    const double shrink = u[2] == 1 ? 0 : (1 - p[2]) / (1 - u[2]);
    p[0] = u[0] * shrink;
    p[1] = u[1] * shrink;
  }
}

// HOSolAt<Kind>P1 of a scalar and a vector; file node i is uniform node order[i].
void writeField(const std::string &path, int kind, const std::vector<int> &order, bool positions,
                bool warp, const std::vector<double> &values) {
  const HoKind hk = static_cast<HoKind>(kind);
  const int m = int(hoNodeCount(hk, kDegree));
  int64_t f = OvelOpenMesh(path.c_str(), OvelWrite, 2, 3);
  ASSERT_NE(f, 0);
  const int fields[] = {1, 2};
  const int keyword = kind == PavKindEdge ? 104 : 107 + 3 * (kind - 1);
  ASSERT_EQ(OvelSetKwd(f, keyword, kElements, 2, fields, kDegree, m), 1);
  std::vector<double> line(size_t(m) * 4);
  for (int e = 0; e < kElements; e++) {
    for (int i = 0; i < m; i++)
      std::copy_n(&values[(size_t(e) * m + order[i]) * 4], 4, &line[size_t(i) * 4]);
    OvelSetLin(f, keyword, line.data());
  }
  if (positions) {
    const int pw = pav_NodesPositionsWidth(kind);
    std::vector<double> pos;
    for (int i = 0; i < m; i++) {
      double p[4];
      nodePoint(kind, order[i], warp, p);
      if (kind == PavKindEdge) pos.push_back(1 - p[0]);
      pos.insert(pos.end(), p, p + (kind == PavKindEdge ? 1 : pw));
    }
    const int kwd = 163 + 4 * kind;
    OvelSetKwd(f, kwd, m);
    OvelSetBlock(f, kwd, 1, m, 0, nullptr, nullptr, OvelDoubleVec, pw, &pos[0],
                 &pos[size_t(m - 1) * pw]);
  }
  ASSERT_EQ(OvelCloseMesh(f), 1);
}

std::vector<double> readField(const std::string &path, int kind) {
  Object obj = makeMesh(3, 8, kElements, {kP1Types[kind]});
  char status[PAV_IO_STATUS_SIZE];
  EXPECT_EQ(pavo_test::captured([&] {
              EXPECT_EQ(pav_OpenSolution(obj.get(), path.c_str(), status), PAV_SUCCESS) << status;
            }),
            "");
  const PavSolution *scalar = pav_SolutionList(obj.get(), PAV_FIRST_ELEMENT_SOLTYP + kind);
  if (!scalar || !scalar->next) return {}; // fails the size comparison
  const PavSolution *vector = scalar->next;
  const int m = scalar->nbrNod;
  std::vector<double> out;
  for (int e = 1; e <= kElements; e++)
    for (int k = 0; k < m; k++) {
      out.push_back(scalar->data[e * m + k]);
      out.insert(out.end(), &vector->data[3 * (e * m + k)], &vector->data[3 * (e * m + k + 1)]);
    }
  return out;
}

class NodesPositionsDegree10 : public testing::TestWithParam<int> {};

TEST_P(NodesPositionsDegree10, ShuffledUniformAndClusteredPositions) {
  const int kind = GetParam();
  const int m = int(hoNodeCount(static_cast<HoKind>(kind), kDegree));
  const std::string dir = scratchDir("nodes_positions_" + std::to_string(kind));
  std::mt19937 rng(unsigned(kind) + 1);
  std::vector<int> shuffled(static_cast<size_t>(m));
  std::iota(shuffled.begin(), shuffled.end(), 0);
  std::shuffle(shuffled.begin(), shuffled.end(), rng);

  // Values unrelated to any polynomial: only an exact permutation reproduces them.
  std::uniform_real_distribution<double> value(-1, 1);
  std::vector<double> values(size_t(m) * 4 * kElements);
  for (double &v : values) v = value(rng);
  writeField(dir + "/shuffled.solb", kind, shuffled, true, false, values);
  const std::vector<double> got = readField(dir + "/shuffled.solb", kind);
  ASSERT_EQ(got.size(), values.size());
  for (size_t i = 0; i < got.size(); i++) ASSERT_NEAR(got[i], values[i], 1e-6) << i;

  // A polynomial at clustered positions (the factorised path): its values at the uniform nodes.
  std::vector<double> atWarped(size_t(m) * 4 * kElements), atUniform(atWarped.size());
  for (int e = 0; e < kElements; e++)
    for (int k = 0; k < m; k++) {
      double w[4], u[4];
      nodePoint(kind, k, true, w);
      nodePoint(kind, k, false, u);
      for (int c = 0; c < 4; c++) {
        atWarped[(size_t(e) * m + k) * 4 + c] = (e + 1 + c) * poly(kind, w);
        atUniform[(size_t(e) * m + k) * 4 + c] = (e + 1 + c) * poly(kind, u);
      }
    }
  writeField(dir + "/clustered.solb", kind, shuffled, true, true, atWarped);
  const std::vector<double> solved = readField(dir + "/clustered.solb", kind);
  ASSERT_EQ(solved.size(), atUniform.size());
  for (size_t i = 0; i < solved.size(); i++) ASSERT_NEAR(solved[i], atUniform[i], 1e-6) << i;
}

INSTANTIATE_TEST_SUITE_P(EveryKind, NodesPositionsDegree10, testing::Range(0, int(PavKindCount)));

// A scalar and a metric at the 1331 nodes of degree-10 hexahedra make lines of 9317 reals.
TEST(HighDegreeSolutionFile, LinesBeyondNineThousandReals) {
  const int m = 1331, perLine = m * 7;
  const std::string dir = scratchDir("long_solution_lines");
  for (const char *ext : {".sol", ".solb"}) {
    SCOPED_TRACE(ext);
    const std::string path = dir + "/long" + ext;
    int64_t f = OvelOpenMesh(path.c_str(), OvelWrite, 2, 3);
    ASSERT_NE(f, 0);
    const int fields[] = {OvelSolScalar, OvelSolSymMat};
    ASSERT_EQ(OvelSetKwd(f, kHexQ1Keyword, 2, 2, fields, 10, m), 1);
    std::vector<double> line(perLine);
    for (int e = 1; e <= 2; e++) {
      for (int k = 0; k < perLine; k++) line[k] = e * 100000 + k;
      OvelSetLin(f, kHexQ1Keyword, line.data());
    }
    ASSERT_EQ(OvelCloseMesh(f), 1);

    Object obj = makeMesh(3, 8, 2, {Hexahedra});
    char status[PAV_IO_STATUS_SIZE];
    ASSERT_EQ(pav_OpenSolution(obj.get(), path.c_str(), status), PAV_SUCCESS) << status;
    const PavSolution *s = pav_SolutionList(obj.get(), SolAtHexahedraQ1);
    ASSERT_TRUE(s && s->next);
    const PavSolution *metric = s->next;
    ASSERT_EQ(s->nbrNod, m);
    // Node k of element 2: scalar at 7k, metric at 7k + 1..6 (third and fourth exchanged).
    const double base = 200000;
    for (int k : {0, 700, m - 1}) {
      EXPECT_EQ(s->data[2 * m + k], base + 7 * k);
      const double *v = &metric->data[6 * (2 * m + k)];
      const double want[] = {1, 2, 4, 3, 5, 6};
      for (int c = 0; c < 6; c++) EXPECT_EQ(v[c], base + 7 * k + want[c]) << k << " " << c;
    }
  }
}

} // namespace
