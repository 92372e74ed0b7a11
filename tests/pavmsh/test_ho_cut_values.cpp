// Solution values on cut faces: a quadratic field on a P2 tetrahedron (vertex field) and on a
// hexahedron (element field of degree 2) is recovered exactly at the nodes of the output faces,
// whose positions follow from the parent reference coordinates of the face corners.
#include "ho_bezier.h"
#include "mesh_builders.h"
#include "pav_object.h"
#include "pav_solution.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

double field(double x, double y, double z) {
  return 1 + 2 * x - y + 0.5 * z + x * y - 3 * z * z + 0.25 * x * x;
}

} // namespace

// A straight P2 tetrahedron with vertices at the origin and the three unit points: the physical
// point of barycentric (a, b, c, e) is (b, c, e).
TEST(HoCutValues, VertexFieldOnCurvedTetrahedra) {
  pavo_test::ObjectPtr g(pavo_test::buildMesh(3, {}));
  PavObject *obj = g.get();
  char status[PAV_STATUS_SIZE] = "";
  ASSERT_EQ(pav_AllocEntityArrays(obj, Vertices, 10, status), 0);
  ASSERT_EQ(pav_AllocEntityArrays(obj, TetrahedraP2, 1, status), 0);
  PavSolution *sol = pav_NewSolutionRecord(3, 1, 10, 1, 1, status);
  ASSERT_NE(sol, nullptr);
  const int *ord = hoNodeOrder(HoTetrahedron, 2);
  // Vertex numbers in reverse so that the node list matters.
  for (int j = 0; j < 10; ++j) {
    const int v = 10 - j;
    obj->ent[TetrahedraP2].idx[10 + j] = v;
    sol->data[v] = field(ord[4 * j + 1] / 2.0, ord[4 * j + 2] / 2.0, ord[4 * j + 3] / 2.0);
  }
  ASSERT_EQ(pav_PushSolution(obj, SolAtVertices, sol, status), 0);

  // One cut triangle through the tetrahedron, corners given by barycentric coordinates.
  const int32_t lnk[6] = {0, 0, 0, TetrahedraP2, 1, 7};
  const double aux[24] = {0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,
                          0.5, 0.5, 0.0, 0.0, 0.5, 0.0, 0.5, 0.0, 0.4, 0.0, 0.0, 0.6};
  double *tri = nullptr, *qua = nullptr;
  ASSERT_EQ(pav_EvaluateSolutionOnCutFaces(obj, sol, 1, 1, lnk, aux, 0, nullptr, nullptr, 3, &tri,
                                           &qua, status),
            0)
      << status;
  const double *w = hoNodeRefCoords(HoTriangle, 3);
  for (int k = 0; k < 10; ++k) {
    double b[4] = {0, 0, 0, 0};
    for (int c = 0; c < 3; ++c)
      for (int m = 0; m < 4; ++m) b[m] += w[3 * k + c] * aux[12 + 4 * c + m];
    EXPECT_NEAR(tri[10 + k], field(b[1], b[2], b[3]), 1e-5) << "node " << k;
  }
  std::free(tri);
  std::free(qua);
}

TEST(HoCutValues, ElementFieldOnHexahedra) {
  pavo_test::ObjectPtr g(pavo_test::buildMesh(3, {}));
  PavObject *obj = g.get();
  char status[PAV_STATUS_SIZE] = "";
  ASSERT_EQ(pav_AllocEntityArrays(obj, Vertices, 8, status), 0);
  ASSERT_EQ(pav_AllocEntityArrays(obj, Hexahedra, 2, status), 0);
  PavSolution *sol = pav_NewSolutionRecord(3, 1, 2, 2, 27, status);
  ASSERT_NE(sol, nullptr);
  const int *ord = hoNodeOrder(HoHexahedron, 2);
  for (int j = 0; j < 27; ++j) // element 2 carries the field, element 1 zeros
    sol->data[2 * 27 + j] = field(ord[3 * j] / 2.0, ord[3 * j + 1] / 2.0, ord[3 * j + 2] / 2.0);
  ASSERT_EQ(pav_PushSolution(obj, SolAtHexahedraQ1, sol, status), 0);

  // A quadrilateral section at z = 0.3, and a second one naming an element that does not exist.
  const int32_t lnk[9] = {0, 0, 0, Hexahedra, 2, 1, Hexahedra, 3, 1};
  double aux[48] = {0};
  const double sq[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int c = 0; c < 4; ++c)
    aux[16 + 4 * c] = sq[c][0], aux[17 + 4 * c] = sq[c][1], aux[18 + 4 * c] = 0.3;
  double *tri = nullptr, *qua = nullptr;
  ASSERT_EQ(pav_EvaluateSolutionOnCutFaces(obj, sol, 0, 0, nullptr, nullptr, 2, lnk, aux, 2, &tri,
                                           &qua, status),
            0);
  const double *r = hoNodeRefCoords(HoQuadrilateral, 2);
  for (int k = 0; k < 9; ++k) {
    EXPECT_NEAR(qua[9 + k], field(r[2 * k], r[2 * k + 1], 0.3), 1e-5) << "node " << k;
    EXPECT_EQ(qua[18 + k], 0.0);
  }
  std::free(tri);
  std::free(qua);
}

static void cutOnUnknownParent() {
  dup2(2, 1);
  PavObject *obj = pavo_test::buildMesh(3, {});
  char status[PAV_STATUS_SIZE];
  PavSolution *sol = pav_NewSolutionRecord(3, 1, 1, 1, 1, status);
  const int32_t lnk[6] = {0, 0, 0, Triangles, 1, 1};
  const double aux[24] = {0};
  double *tri, *qua;
  pav_EvaluateSolutionOnCutFaces(obj, sol, 1, 1, lnk, aux, 0, nullptr, nullptr, 1, &tri, &qua,
                                 status);
}

TEST(HoCutValuesDeathTest, ParentThatIsNoVolumeStops) {
  EXPECT_EXIT(cutOnUnknownParent(), ::testing::ExitedWithCode(1),
              " Triangle, case undefined for type 4");
}
