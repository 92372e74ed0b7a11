// The mesh object: life cycle, array sizing, counts, accessors and their messages, the summary;
// the error funnel under them: bounded formatting, the lost message of a null buffer, the fatal
// exit.
#include "pav_object.h"
#include "pav_status.h"
#include "test_paths.h"

#include <cctype>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct ElementWords {
  int code;
  std::string label, arrays;
};
std::vector<ElementWords> elementWords() {
  const char *names[7] = {"edge",    "triangle", "quadrilateral", "tetrahedron",
                          "pyramid", "prism",    "hexahedron"};
  std::vector<ElementWords> out;
  for (int k = 0; k < 7; k++)
    for (int d = 1; d <= 4; d++) {
      const std::string prefix =
          d == 1 ? "" : std::string(k == 2 || k == 6 ? "Q" : "P") + std::to_string(d) + "-";
      std::string arrays = names[k];
      arrays[0] = char(std::toupper(arrays[0]));
      out.push_back({pav_SolTyp2EntTyp(SolAtEdgesP1 + k, d), prefix + names[k], prefix + arrays});
    }
  return out;
}

class MeshObject : public testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(pav_NewInterface(&obj), PAV_SUCCESS); }
  void TearDown() override { EXPECT_TRUE(!obj || pav_DeleteInterface(&obj) == PAV_SUCCESS); }

  void addVertices(int n, int dim = 3) {
    obj->dim = dim;
    ASSERT_EQ(pav_AllocEntityArrays(obj, Vertices, n, status), PAV_SUCCESS) << status;
    for (int v = 1; v <= n; v++) {
      for (int c = 0; c < 3; c++) obj->crdDbl[3 * v + c] = c < dim ? (c + 1) * v : 0;
      obj->ent[Vertices].ref[v] = 10 + v;
    }
  }
  void addElements(int type, int n) {
    ASSERT_EQ(pav_AllocEntityArrays(obj, type, n, status), PAV_SUCCESS) << status;
    const int s = pav_MshTyp2Siz(type, nullptr);
    for (int i = 1; i <= n; i++) {
      for (int k = 0; k < s; k++) obj->ent[type].idx[s * i + k] = 100 * i + k + 1;
      obj->ent[type].ref[i] = i;
    }
  }

  PavObject *obj = nullptr;
  char status[PAV_STATUS_SIZE] = "";
};

} // namespace

// An empty object counts nothing; a null one is refused with the outputs zeroed at entry.
TEST_F(MeshObject, EmptyObjectHasNothingAndNullIsRefused) {
  int n = -1;
  for (int type = 0; type <= 31; type++) {
    if (type == 5) continue;
    EXPECT_EQ(pav_GetNumberOfEntities(obj, type, &n, status), PAV_SUCCESS) << type;
    EXPECT_EQ(n, 0);
  }
  double bbox[6] = {1, 1, 1, 1, 1, 1};
  EXPECT_EQ(pav_GetBoundingBox(obj, bbox, status), PAV_SUCCESS);
  EXPECT_EQ(std::vector<double>(bbox, bbox + 6), std::vector<double>(6, 0.0));
  int nodes[8], nbrNod = 9, ref = 9;
  EXPECT_EQ(pav_GetTetrahedron(nullptr, 1, &nbrNod, nodes, &ref, status), PAV_FAILURE);
  EXPECT_STREQ(status, "NULL (PavObject) parameter on input\n");
  EXPECT_EQ(nbrNod + ref, 0);
}

TEST_F(MeshObject, EveryElementAccessorChecksBoundsThenArrays) {
  using Accessor = int (*)(const PavObject *, int, int *, int *, int *, char *);
  const Accessor accessors[] = {
      pav_GetEdge,          pav_GetEdgeP2,          pav_GetEdgeP3,          pav_GetEdgeP4,
      pav_GetTriangle,      pav_GetTriangleP2,      pav_GetTriangleP3,      pav_GetTriangleP4,
      pav_GetQuadrilateral, pav_GetQuadrilateralQ2, pav_GetQuadrilateralQ3, pav_GetQuadrilateralQ4,
      pav_GetTetrahedron,   pav_GetTetrahedronP2,   pav_GetTetrahedronP3,   pav_GetTetrahedronP4,
      pav_GetPyramid,       pav_GetPyramidP2,       pav_GetPyramidP3,       pav_GetPyramidP4,
      pav_GetPrism,         pav_GetPrismP2,         pav_GetPrismP3,         pav_GetPrismP4,
      pav_GetHexahedron,    pav_GetHexahedronQ2,    pav_GetHexahedronQ3,    pav_GetHexahedronQ4,
  };
  int k = 0;
  for (const ElementWords &w : elementWords()) {
    SCOPED_TRACE(w.label);
    const Accessor get = accessors[k++];
    addElements(w.code, 3);
    const int s = pav_MshTyp2Siz(w.code, nullptr);
    int nodes[125], nbrNod = 0, ref = 0;

    for (int i = 1; i <= 3; i++) {
      ASSERT_EQ(get(obj, i, &nbrNod, nodes, &ref, status), PAV_SUCCESS) << status;
      EXPECT_EQ(std::vector<int>({nbrNod, nodes[0], nodes[s - 1], ref}),
                std::vector<int>({s, 100 * i + 1, 100 * i + s, i}));
    }
    EXPECT_EQ(get(obj, 4, &nbrNod, nodes, &ref, status), PAV_FAILURE);
    EXPECT_EQ(std::string(status), "Index-out-of-bound for " + w.label + " 4, must be in [1 3]\n");
    std::free(obj->ent[w.code].ref);
    obj->ent[w.code].ref = nullptr;
    EXPECT_EQ(get(obj, 2, &nbrNod, nodes, &ref, status), PAV_FAILURE);
    EXPECT_EQ(std::string(status), w.arrays + " arrays are wrongly allocated, cannot access 2\n");
  }
}

TEST_F(MeshObject, VerticesAlwaysHaveThreeCoordinates) {
  addVertices(4, 2);
  const int list[] = {3, 1, 9, 2};
  double out[12] = {};
  int refs[4] = {}, nbrOut = -1;
  EXPECT_EQ(pav_GetVertices(obj, 4, list, &nbrOut, out, refs, status), PAV_FAILURE);
  EXPECT_STREQ(status, "Index-out-of-bound for vertex 9, must be in [1 4]\n");
  EXPECT_EQ(std::vector<double>(out, out + nbrOut), (std::vector<double>{3, 6, 0, 1, 2, 0}));
  EXPECT_EQ(std::vector<int>(refs, refs + 2), (std::vector<int>{13, 11}));
}

TEST_F(MeshObject, BoundingBoxFromDoublesOrElseFloats) {
  addVertices(3);
  obj->crdDbl[3 * 2 + 0] = -5; // vertex 2 holds the x minimum
  double bbox[6];
  ASSERT_EQ(pav_GetBoundingBox(obj, bbox, status), PAV_SUCCESS);
  EXPECT_EQ(std::vector<double>(bbox, bbox + 6), std::vector<double>({-5, 3, 2, 6, 3, 9}));

  std::free(obj->crdDbl);
  obj->crdDbl = nullptr;
  obj->crdFlt = static_cast<float *>(std::calloc(12, sizeof(float)));
  for (int v = 1; v <= 3; v++)
    for (int c = 0; c < 3; c++) obj->crdFlt[3 * v + c] = float(v * (c == 1 ? -1 : 1));
  ASSERT_EQ(pav_GetBoundingBox(obj, bbox, status), PAV_SUCCESS);
  EXPECT_EQ(std::vector<double>(bbox, bbox + 6), std::vector<double>({1, 3, -3, -1, 1, 3}));
}

TEST_F(MeshObject, MaxReferenceIsPerTypeOrOverallAndNeverNegative) {
  addVertices(3); // references 11..13
  addElements(Prisms, 2);
  obj->ent[Prisms].ref[1] = 40;
  addElements(Triangles, 2);
  obj->ent[Triangles].ref[1] = obj->ent[Triangles].ref[2] = -7;
  int maxRef = -1;
  for (auto c :
       {std::make_pair(Prisms, 40), std::make_pair(Triangles, 0), std::make_pair(Any, 40)}) {
    EXPECT_EQ(pav_GetMaxReference(obj, c.first, &maxRef, status), PAV_SUCCESS);
    EXPECT_EQ(maxRef, c.second) << c.first; // negative references count as 0
  }
}

TEST_F(MeshObject, MeshSummaryLayout) {
  addVertices(12);
  addElements(Tetrahedra, 1234567);
  addElements(EdgesP2, 3);
  addElements(PrismsP3, 2);
  addElements(Pyramids, 1);
  addElements(QuadrilateralsQ2, 5);
  obj->pol = static_cast<PavPolygonSet *>(std::calloc(1, sizeof(PavPolygonSet)));
  obj->pol->nbrBndPol = 2;
  obj->pol->nbrPolyhedra = 1;
  obj->pol->bndHdr = static_cast<int32_t *>(std::calloc(6, sizeof(int32_t)));
  EXPECT_EQ(pavo_test::captured([&] { EXPECT_EQ(pav_PrintMeshInfo(obj, status), PAV_SUCCESS); }),
            pavo_test::expectedText("mesh_summary.txt"));
  EXPECT_EQ(pav_GetNumberOfNonP1SimplexEntities(obj, status), 3 + 2 + 1 + 5);
}

TEST_F(MeshObject, ResetReleasesEverythingAndDeleteNullsTheHandle) {
  addVertices(5);
  addElements(HexahedraQ2, 2);
  obj->ent[HexahedraQ2].val = static_cast<double *>(std::calloc(3, sizeof(double)));
  obj->nbrMetVer = 2;
  obj->metVer = static_cast<int32_t *>(std::calloc(3, sizeof(int32_t)));
  obj->pol = static_cast<PavPolygonSet *>(std::calloc(1, sizeof(PavPolygonSet)));
  obj->pol->innVer = static_cast<int32_t *>(std::calloc(4, sizeof(int32_t)));
  EXPECT_EQ(pav_ResetObject(obj), PAV_SUCCESS);
  EXPECT_EQ(obj->dim + pav_Count(obj, Vertices) + pav_Count(obj, HexahedraQ2) + obj->nbrMetVer, 0);
  EXPECT_TRUE(!obj->ent[HexahedraQ2].idx && !obj->crdDbl && !obj->pol);
  PavObject *handle = obj;
  obj = nullptr;
  EXPECT_EQ(pav_DeleteInterface(&handle), PAV_SUCCESS);
  EXPECT_EQ(handle, nullptr);
}

TEST_F(MeshObject, ReallocationReplacesArraysAndCounts) {
  addElements(Triangles, 4);
  ASSERT_EQ(pav_AllocEntityArrays(obj, Triangles, 2, status), PAV_SUCCESS);
  EXPECT_EQ(obj->ent[Triangles].nbr * 10 + obj->ent[Triangles].nbrMax, 22);
  EXPECT_EQ(obj->ent[Triangles].idx[3 * 2 + 2], 0) << "arrays start zeroed";
  ASSERT_EQ(pav_AllocEntityArrays(obj, Triangles, 0, status), PAV_SUCCESS);
  EXPECT_NE(obj->ent[Triangles].idx, nullptr) << "entry 0 always exists";
}

#if defined(__SANITIZE_ADDRESS__)
#define PAV_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PAV_TEST_ASAN 1
#endif
#endif

#ifdef PAV_TEST_ASAN
// The sanitizer allocator aborts on impossible sizes unless told to fail like malloc does.
extern "C" const char *__asan_default_options() { return "allocator_may_return_null=1"; }
#endif

TEST_F(MeshObject, FailedAllocationIsReportedInMegabytes) {
  EXPECT_EQ(pav_AllocEntityArrays(obj, HexahedraQ4, INT32_MAX, status), PAV_FAILURE);
  EXPECT_STREQ(status, "Allocation failed for Q4Hex-arrays, size 1.024e+06 Mb\n");
  EXPECT_EQ(obj->ent[HexahedraQ4].idx, nullptr);
}

TEST(Status, FormatsBoundedAndReturnsFailure) {
  char status[PAV_STATUS_SIZE + 16];
  std::fill(status, status + sizeof status, 'x');
  EXPECT_EQ(pav_Fail(status, "Index-out-of-bound for triangle %d, must be in [%d %d]\n", 0, 1, 8),
            PAV_FAILURE);
  EXPECT_STREQ(status, "Index-out-of-bound for triangle 0, must be in [1 8]\n");

  const std::string longName(2000, 'a');
  pav_SetStatus(status, "%s", longName.c_str());
  EXPECT_EQ(std::string(status).size(), PAV_STATUS_SIZE - 1);
  EXPECT_EQ(status[PAV_STATUS_SIZE], 'x') << "formatting wrote past the status buffer";
  EXPECT_EQ(pav_Fail(nullptr, PAV_MSG_NULL_STATUS), PAV_FAILURE); // the message is lost
}

TEST(StatusDeathTest, FatalPrintsAndExitsWithOne) {
  EXPECT_EXIT(pav_Fatal("bad degree %d\n", 11), ::testing::ExitedWithCode(1), "");
}
