// The draw-type table, the draw-object factory, parent maps and the field attach checks;
// buffer-object arrays and curved fields packed without a context: patch order, STL layout, tags,
// colours, picks, Bezier controls of the fields for the fragment stage.
#include "ho_lattice.h"
#include "render/buffer_object.h"
#include "render/buffer_packing.h"
#include "render/draw_object.h"
#include "render/draw_types.h"
#include "scene/field_packing.h"
#include "test_paths.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

using namespace pavo;

// Buffer-object arrays packed without a context: patch order, STL layout, tags, colours, picks.

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
  std::vector<float> dev = triangleFlatDeviation(2, (int)xyz.size() / 3, xyz.data(), 5, idx.data());
  const float inf = std::numeric_limits<float>::infinity(), want[5] = {0, 0.06f, 0.2f, inf, inf};
  EXPECT_EQ(orderByDeviation(dev), (std::vector<uint32_t>{1, 2, 0, 3, 4}));
  for (int i = 0; i < 5; i++) EXPECT_TRUE(dev[i] == want[i] || std::abs(dev[i] - want[i]) < 1e-6f);
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

// Every curved face kind has the node count of its Lagrange lattice, whatever block it sits in.
TEST(DrawTypes, NodeCountsFollowTheLatticeOfEachFamilyAndDegree) {
  for (uint32_t t = 0; t < PAV_NBR_DRAW_TYPES; t++) {
    const int d = pavDrawTypeDegree(t) + 1;
    const PavDrawFamily f = pavDrawFamily(t);
    const int lattice[] = {d, d * (d + 1) / 2, d * d}; // edges, triangles, quadrilaterals
    const int k = f == PavDrawFamily::Edge ? 0 : f == PavDrawFamily::Triangle ? 1 : 2;
    if (f == PavDrawFamily::Edge || f == PavDrawFamily::Triangle ||
        f == PavDrawFamily::Quadrilateral) {
      EXPECT_EQ(PavDrawTyp2Siz(t), lattice[k]) << t;
    }
  }
}

TEST(DrawObjects, FactoryCreatesEveryDrawableTypeAndRefusesTheRest) {
  for (uint32_t t = 0; t < PAV_NBR_DRAW_TYPES + 2; t++) {
    std::unique_ptr<PavDrawObject> o;
    const std::string out = pavo_test::captured([&] { o.reset(createDrawObject(t, 7)); });
    bool drawable =
        pavDrawFamily(t) != PavDrawFamily::None && t != DrawPalette && t != DrawComposite;
    if (drawable) {
      ASSERT_TRUE(o) << t;
      EXPECT_TRUE(o->type == t && o->id == 7 && o->visible);
    } else {
      EXPECT_FALSE(o) << t;
      EXPECT_EQ(out, "Warning no PavDrawObject created !\n") << t;
    }
  }
}

TEST(DrawObjects, ParentsAreTakenFromTheObjectsRangeOfTheList) {
  PavDrawTriangle tri(DrawTriangle, 1);
  tri.first = 2;
  tri.count = 2;
  const int32_t triples[] = {0, 0, 0, 0, 0, 0, 11, 1, 5, 12, 3, 6, 99, 9, 9};
  tri.setParents(triples);
  int32_t e, f, v;
  tri.getParent(1, &e, &f, &v);
  EXPECT_EQ(std::vector<int32_t>({e, f, v}), std::vector<int32_t>({12, 3, 6}));
  tri.getParent(2, &e, &f, &v); // past the drawn faces
  EXPECT_EQ(e, 0);
  const int32_t pairs[] = {0, 0, 0, 0, 7, 1, 8, 2};
  tri.setParentsFromPairs(pairs);
  EXPECT_EQ(std::vector<int32_t>(tri.getParentElt(), tri.getParentElt() + 2),
            std::vector<int32_t>({7, 8}));
}

// Undefined cases and bad attachments: each call's result and its
// printed lines byte for byte (type names keep their trailing blank, hence two blanks).
TEST(DrawTypes, CallsThatPrintReturnTheirMarkerAndTheirLines) {
  PavDrawTriangle target(DrawTriangle, 3);
  target.count = 4;
  target.polygonParents = {4, 4};
  PavDrawSolution sol(1);
  int32_t parent = -1;
  const struct {
    std::function<int()> call;
    int result;
    const char *out;
  } cases[] = {
      {[] { return PavDrawTyp2Siz(DrawPolygon); }, -1,
       "Warning PavDrawTyp2Siz case not defined for type Polygon  \n"},
      {[&] { return target.getPolygonParent(5, &parent) != 0; }, 1,
       "getPolygonParent: Error value asked 5 greater than number of elements 4 \n"},
      {[&] { return checkFieldAttach(PavFieldKind::Solution, &sol, &target, 5, 3); }, -1,
       " Invalid number of entities for solution object 5 != 4\n"},
      {[&] { return checkFieldAttach(PavFieldKind::Solution, &sol, &target, 4, 6); }, 2, ""},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
    int r = 0;
    const std::string out = pavo_test::captured([&] { r = cases[i].call(); });
    SCOPED_TRACE(i);
    EXPECT_EQ(r, cases[i].result);
    EXPECT_EQ(out, cases[i].out);
  }
}
