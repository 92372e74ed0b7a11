// The demonstration scenes: every curved kind with consistent arrays, crack-free tiles, polygons.
#include "files/draw_types.h"
#include "ho_bezier.h"
#include "scene/demo_scenes.h"

#include <gtest/gtest.h>
#include <set>

using namespace pavo;

namespace {

QVector3D evalTriangle(const PavDemoItem &item, int e, double u, double v, double w) {
  int d = pavDrawTypeDegree(item.object->type);
  int n = (int)hoNodeCount(HoTriangle, d);
  float coef[3][15];
  for (int i = 0; i < n; i++) {
    int node = item.elt[(size_t)(e * n + i)];
    for (int k = 0; k < 3; k++) coef[k][i] = item.xyz[3 * (size_t)node + k];
  }
  QVector3D p;
  for (int k = 0; k < 3; k++) p[k] = (float)pav_EvaluateValueOnTriangle(coef[k], d, u, v, w);
  return p;
}

} // namespace

TEST(DemoScenes, PlainSceneHasEveryCurvedKindConsistentArraysAndCrackFreeTiles) {
  PavDemoScene s = buildDemoScene(PavDemoKind::Plain);
  std::set<uint32_t> types;
  for (const PavDemoItem &item : s.items) {
    const uint32_t t = item.object->type;
    types.insert(t);
    const size_t n = size_t(PavDrawTyp2Siz(t));
    EXPECT_EQ(size_t(item.object->count) * n, item.elt.size()) << t;
    for (int v : item.elt) ASSERT_LT((size_t)v, item.xyz.size() / 3) << t;
    EXPECT_TRUE(!item.solution ||
                item.fieldValues.size() == (size_t)item.fieldNodes * item.object->count);
  }
  for (uint32_t t :
       {DrawEdge, DrawEdgeP2, DrawEdgeP3, DrawEdgeP4, DrawTriangle, DrawTriangleP2, DrawTriangleP3,
        DrawTriangleP4, DrawQuad, DrawQuadQ2, DrawQuadQ3, DrawQuadQ4, DrawVertex, DrawCorner})
    EXPECT_TRUE(types.count(t)) << pavDrawType2String(t);

  // The two curved triangles of a tile meet along their diagonal without a crack and bulge out.
  for (const PavDemoItem &item : s.items) {
    uint32_t t = item.object->type;
    if (pavDrawFamily(t) != PavDrawFamily::Triangle || item.solution) continue;
    SCOPED_TRACE(pavDrawType2String(t));
    ASSERT_EQ(item.object->count, 2);
    for (double a : {0.0, 0.3, 0.8}) {
      QVector3D p = evalTriangle(item, 0, 0, 1 - a, a), q = evalTriangle(item, 1, 0, a, 1 - a);
      EXPECT_NEAR((p - q).length(), 0, 1e-5) << a;
    }
    const float bulge = evalTriangle(item, 0, 1.0 / 3, 1.0 / 3, 1.0 / 3).z();
    EXPECT_TRUE(pavDrawTypeDegree(t) == 1 || bulge > 0.1f) << bulge;
  }
}

TEST(DemoScenes, PolygonsKeepTheirSidesAndHideTheirDiagonals) {
  PavDemoScene s = buildDemoScene(PavDemoKind::Polygons);
  ASSERT_EQ(s.items.size(), 2u);
  const int sides[2][8] = {{5, 6, 8, 6}, {6, 6, 4, 4, 4, 4, 4, 4}};
  const int count[2] = {4, 8};
  for (int k = 0; k < 2; k++) {
    const PavDemoItem &item = s.items[(size_t)k];
    int visible = 0, hidden = 0, triangles = 0;
    for (unsigned tag : item.edgeTags) (tag ? visible : hidden)++;
    for (int i = 0; i < count[k]; i++) {
      triangles += sides[k][i] - 2;
      hidden -= 2 * (sides[k][i] - 3); // each diagonal is a side of two triangles
      visible -= sides[k][i];
    }
    EXPECT_TRUE(visible == 0 && hidden == 0) << visible << " " << hidden;
    EXPECT_EQ(item.polygonData.size(), 15u * triangles);
    auto *faces = dynamic_cast<PavDrawObjectWithPalette *>(item.object.get());
    ASSERT_TRUE(faces);
    int32_t parent = 0;
    EXPECT_EQ(faces->getPolygonParent(triangles - 1, &parent), 0);
    EXPECT_EQ(parent, count[k]);
  }
}
