// Mesh files: round trips of every element kind, declared node orderings, names, corners, polygons.
#include "load_test_mesh.h"
#include "ovel.h"
#include "ovel_internal.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

using namespace load_test;
using pavo_test::scratchDir;

namespace {

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

} // namespace
