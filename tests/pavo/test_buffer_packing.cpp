#include <algorithm>
// Buffer-object arrays packed without a context: patch order, STL layout, tags, colours, picks.
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <tuple>

#include "render/buffer_object.h"
#include "render/buffer_packing.h"
#include "test_paths.h"

using namespace pavo;

class PatchOrder : public ::testing::TestWithParam<std::tuple<int, int>> {};

// Control points lexicographically: triangles by the weight of vertex 0 ascending, then of
// vertex 1 descending; quadrilaterals by (i, j); edges by i (lattice coordinates as the oracle).
TEST_P(PatchOrder, ElementsAreRewrittenInLexicographicControlPointOrder) {
  const HoKind kind = static_cast<HoKind>(std::get<0>(GetParam()));
  const int degree = std::get<1>(GetParam());
  const int k = static_cast<int>(hoNodeCount(kind, degree));
  const int width = hoOrderWidth(kind);
  const int *order = hoNodeOrder(kind, degree);
  std::vector<int> elt(2 * k);
  for (int i = 0; i < 2 * k; ++i) elt[i] = 1000 * (i / k) + i % k; // node i % k of element i / k
  const std::vector<uint32_t> packed = packPatchIndices(kind, degree, 2, elt.data());
  ASSERT_EQ(packed.size(), size_t(2 * k));
  std::vector<bool> seen(k, false);
  std::tuple<int, int> previous(-1, 0);
  for (int p = 0; p < k; ++p) {
    const int node = int(packed[k + p]) - 1000; // the second element
    ASSERT_TRUE(node >= 0 && node < k && !seen[node]) << node;
    seen[node] = true;
    const int *l = order + node * width;
    std::tuple<int, int> key = kind == HoTriangle        ? std::make_tuple(l[0], -l[1])
                               : kind == HoQuadrilateral ? std::make_tuple(l[0], l[1])
                                                         : std::make_tuple(l[0], 0);
    EXPECT_TRUE(p == 0 || previous < key) << "position " << p;
    previous = key;
  }
}

INSTANTIATE_TEST_SUITE_P(CurvedKinds, PatchOrder,
                         ::testing::Combine(::testing::Values(int(HoEdge), int(HoTriangle),
                                                              int(HoQuadrilateral)),
                                            ::testing::Range(1, 5)));

TEST(BufferPacking, RejectsWhatCannotBeDrawn) {
  const int elt[6] = {0, 1, 2, 3, 4, 5};
  EXPECT_TRUE(packPatchIndices(HoTriangle, 5, 1, elt).empty());
  EXPECT_TRUE(packPatchIndices(HoHexahedron, 1, 1, elt).empty());
}

TEST(BufferPacking, StlLayoutCopiesVerticesAndComputesFaceNormals) {
  // A triangle in the plane z = 2 seen from +z, and a degenerate one (all corners equal).
  const double data[30] = {0, 0, 2, 0, 0, 3, 0, 2, 1, 0, 0, 4, 2, 0, 1, //
                           1, 1, 1, 0, 0, 1, 1, 1, 1, 0, 1, 1, 1, 0, 1};
  std::vector<float> inter, normals;
  ASSERT_EQ(packStlTriangles(6, data, inter, normals), 2);
  EXPECT_EQ(inter, std::vector<float>(data, data + 30));
  EXPECT_EQ(std::vector<float>(normals.begin(), normals.begin() + 6),
            std::vector<float>({0, 0, 1, 0, 0, 0}));
}

TEST(BufferPacking, FaceNormalsTagsAndColours) {
  const float xyz[12] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
  const int elt[9] = {0, 1, 2, 0, 2, 3, 0, 1, 7};
  const std::vector<float> n = packFaceNormals(4, xyz, 3, elt);
  ASSERT_EQ(n.size(), 9u);
  EXPECT_FLOAT_EQ(n[3], 1);            // (0,1,0) x (0,0,1) = (1,0,0)
  EXPECT_EQ(n[6] + n[7] + n[8], 0.0f); // a corner out of range gives a zero normal

  const unsigned tags[6] = {1, 0, 7, 0, 0, 1};
  EXPECT_EQ(packEdgeTags(2, tags), (std::vector<uint8_t>{1, 0, 1, 0, 0, 1}));

  const float grey[3] = {0.5f, 0.25f, 0.125f};
  const std::vector<float> own = {1, 0, 0, 0, 0, 1, 0, 1};
  EXPECT_EQ(packElementColors(2, own, grey), own);
  EXPECT_EQ(packElementColors(3, own, grey)[0], 0.5f); // too few: the object's colour
}

// The distance of P2 triangles from their flat triangle: a mid-side node lifted by h puts the
// Bezier control point 2 h off the chord; a NaN or a node outside the positions sorts last.
TEST(BufferPacking, FlatDeviationOfCurvedTrianglesAndTheirOrder) {
  std::vector<float> xyz = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  std::vector<int> elt;
  for (float h : {0.1f, 0.0f, 0.03f, std::nanf("")}) {
    const int m = (int)xyz.size() / 3;
    xyz.insert(xyz.end(), {0.5f, 0, 0, 0.5f, 0.5f, h, 0, 0.5f, 0});
    elt.insert(elt.end(), {0, 1, 2, m, m + 1, m + 2});
  }
  elt.insert(elt.end(), {0, 1, 2, 3, 4, 99});
  bezierGeometry(DrawTriangleP2, (int)xyz.size() / 3, xyz.data(), 4, elt.data());
  const std::vector<uint32_t> idx = packPatchIndices(HoTriangle, 2, 5, elt.data());
  std::vector<float> dev =
      flatDeviation(HoTriangle, 2, (int)xyz.size() / 3, xyz.data(), 5, idx.data());
  const float inf = std::numeric_limits<float>::infinity(), want[5] = {0, 0.06f, 0.2f, inf, inf};
  EXPECT_EQ(orderByDeviation(dev), (std::vector<uint32_t>{1, 2, 0, 3, 4}));
  for (int i = 0; i < 5; i++) EXPECT_TRUE(dev[i] == want[i] || std::abs(dev[i] - want[i]) < 1e-6f);
  // Bilinear quadrilaterals: a flat trapezoid is drawn exactly by its two triangles, except for
  // its parameters (a quarter of the twist (-2, 0, 0)); its saddle, corners 0.1 off their plane,
  // within 0.2 as a surface.
  const std::vector<float> quads = {0, 0, 0,    4, 0, 0,     1, 1, 0,     3, 1, 0,
                                    0, 0, 0.1f, 4, 0, -0.1f, 1, 1, -0.1f, 3, 1, 0.1f};
  const std::vector<uint32_t> qidx = {0, 2, 1, 3, 4, 6, 5, 7}; // (0,0) (0,1) (1,0) (1,1)
  for (bool field : {false, true}) {
    const std::vector<float> q =
        flatDeviation(HoQuadrilateral, 1, 8, quads.data(), 2, qidx.data(), field);
    EXPECT_NEAR(q[0], field ? 0.5f : 0, 1e-6f);
    EXPECT_NEAR(q[1], field ? std::hypot(2, 0.4) / 4 : 0.2, 1e-6f);
  }
}

TEST(BufferPicking, CompositeAdvancesByItsParts) {
  PavDrawTriangle a(DrawTriangle, 1), b(DrawTriangle, 2), c(DrawTriangle, 3);
  a.count = 10, b.count = 0, c.count = 5;
  PavDrawObject *parts[4] = {&a, nullptr, &b, &c};
  PavDrawComposite composite(9);
  pavo_test::captured([&] { composite.setObjectsList(4, parts); });
  QList<PavPickEntry> picks;
  int counter = 1;
  EXPECT_EQ(appendPicks(&composite, 999, &picks, &counter), 15);
  EXPECT_EQ(picks, QList<PavPickEntry>({{&a, 1}, {&b, 11}, {&c, 11}}));
  EXPECT_EQ(counter, 16);
}
