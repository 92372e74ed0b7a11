// Packing of curved fields for the fragment stage.
#include "files/draw_types.h"
#include "scene/field_packing.h"

#include "ho_lattice.h"

#include <gtest/gtest.h>

using namespace pavo;

// A quadratic triangle field: the Bezier control of an edge is 2 f(mid) - (f(a) + f(b)) / 2, the
// vertex controls are the vertex values, stored at their lexicographic positions.
TEST(FieldPacking, CurvedFieldsBecomeBezierControlsInTheLexicographicLayout) {
  const int *order = hoNodeOrder(HoTriangle, 2);
  auto f = [](double a, double b) { return (float)(1 + 3 * a + a * b - 2 * b * b); };
  std::vector<float> lagrange(12);
  for (int e = 0; e < 2; e++)
    for (int i = 0; i < 6; i++)
      lagrange[(size_t)(6 * e + i)] = f(order[3 * i] / 2.0, order[3 * i + 1] / 2.0) + (float)e;
  std::vector<float> out;
  ASSERT_TRUE(packBezierField(DrawTriangleP2, 6, 2, lagrange.data(), out));
  ASSERT_EQ(out.size(), 12u);
  for (int e = 0; e < 2; e++)
    for (int i = 0; i < 6; i++) {
      int a = order[3 * i], b = order[3 * i + 1], c = order[3 * i + 2];
      float expected;
      if (a == 2 || b == 2 || c == 2) {
        expected = f(a / 2.0, b / 2.0);
      } else {
        // The edge joins the two vertices whose lattice coordinates are non-zero here.
        double ends[2][2];
        int k = 0;
        if (a) ends[k][0] = 1, ends[k][1] = 0, k++;
        if (b) ends[k][0] = 0, ends[k][1] = 1, k++;
        if (c) ends[k][0] = 0, ends[k][1] = 0, k++;
        expected = 2 * f(a / 2.0, b / 2.0) -
                   0.5f * (f(ends[0][0], ends[0][1]) + f(ends[1][0], ends[1][1]));
      }
      EXPECT_NEAR(out[(size_t)(6 * e + posTri(2, a, b, c))], expected + (float)e, 1e-5)
          << e << " " << i;
    }
  EXPECT_FALSE(packBezierField(DrawTriangleP2, 7, 2, lagrange.data(), out));
  EXPECT_FALSE(packBezierField(DrawVertex, 1, 2, lagrange.data(), out));
  EXPECT_FALSE(packBezierField(DrawTriangle, 3, 0, lagrange.data(), out));
}

// A vertex field becomes per-element corner values: P2 triangles keep their first three indices
// only, and a corrupt index reads 0 instead of outside the array.
TEST(FieldPacking, VertexFieldsGatherTheCornersOfEachElement) {
  const float atVertex[5] = {10, 11, 12, 13, 14};
  const uint32_t p2[12] = {0, 1, 2, 4, 4, 4, 2, 3, 7, 4, 4, 4};
  std::vector<float> out;
  ASSERT_TRUE(gatherVertexField(p2, 2, 6, 3, atVertex, 5, out));
  EXPECT_EQ(out, (std::vector<float>{10, 11, 12, 12, 13, 0}));
  std::vector<float> untouched = {1};
  EXPECT_FALSE(gatherVertexField(p2, 2, 6, 7, atVertex, 5, untouched));
  EXPECT_FALSE(gatherVertexField(p2, 0, 6, 3, atVertex, 5, untouched));
  EXPECT_FALSE(gatherVertexField(nullptr, 2, 6, 3, atVertex, 5, untouched));
  EXPECT_EQ(untouched, std::vector<float>{1});
}
