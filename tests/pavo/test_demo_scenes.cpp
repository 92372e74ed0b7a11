// The demonstration scenes: what they contain, and one frame of each rendered by the program.
#include "render/draw_types.h"
#include "run_process.h"
#include "scene/demo_scenes.h"
#include "test_paths.h"

#include <QGuiApplication>
#include <QImage>
#include <cstdlib>
#include <gtest/gtest.h>
#include <set>

using namespace pavo;

TEST(DemoScenes, PlainSceneHasEveryCurvedKindAndDegreeWithConsistentArrays) {
  PavDemoScene s = buildDemoScene(PavDemoKind::Plain);
  std::set<uint32_t> types;
  int fields = 0;
  for (const PavDemoItem &item : s.items) {
    ASSERT_TRUE(item.object);
    uint32_t t = item.object->type;
    types.insert(t);
    int n = PavDrawTyp2Siz(t);
    ASSERT_GT(n, 0) << t;
    ASSERT_EQ(item.elt.size() % (size_t)n, 0u) << t;
    EXPECT_EQ(item.object->count, (int32_t)(item.elt.size() / (size_t)n));
    for (int v : item.elt) ASSERT_LT((size_t)v, item.xyz.size() / 3) << t;
    for (size_t i = 0; i < item.xyz.size(); i++) {
      EXPECT_GE(item.xyz[i], s.box[2 * (i % 3)] - 1e-6);
      EXPECT_LE(item.xyz[i], s.box[2 * (i % 3) + 1] + 1e-6);
    }
    if (item.solution) {
      fields++;
      EXPECT_EQ(PavSolDeg(t, item.fieldNodes), 3);
      EXPECT_EQ(item.fieldValues.size(), (size_t)item.fieldNodes * item.object->count);
      EXPECT_TRUE(item.solution->paletteSet);
      EXPECT_GT(item.solution->nbrIso, 0);
      EXPECT_LT(item.solution->palette[0], item.solution->palette[4]);
    }
  }
  for (uint32_t t :
       {DrawEdge, DrawEdgeP2, DrawEdgeP3, DrawEdgeP4, DrawTriangle, DrawTriangleP2, DrawTriangleP3,
        DrawTriangleP4, DrawQuad, DrawQuadQ2, DrawQuadQ3, DrawQuadQ4, DrawVertex, DrawCorner})
    EXPECT_TRUE(types.count(t)) << pavDrawType2String(t);
  EXPECT_EQ(fields, 1);
  EXPECT_FALSE(s.labels.empty());
}

// The two triangles of a tile and the quadrilateral of the same degree share their corners:
// curved tiles are closed surfaces, not loose elements.
TEST(DemoScenes, CurvedNodesFollowTheSameSurface) {
  PavDemoScene s = buildDemoScene(PavDemoKind::Plain);
  const PavDemoItem *p1 = nullptr, *p4 = nullptr;
  for (const PavDemoItem &item : s.items) {
    if (item.object->type == DrawTriangle && !item.solution) p1 = &item;
    if (item.object->type == DrawTriangleP4) p4 = &item;
  }
  ASSERT_TRUE(p1 && p4);
  // The first vertex of each element of degree 1 and 4 lies on the same warped tile, one tile
  // (1.4) apart per degree step.
  EXPECT_NEAR(p4->xyz[0] - p1->xyz[0], 3 * 1.4, 1e-5);
  EXPECT_NEAR(p4->xyz[1], p1->xyz[1], 1e-5);
  // The quartic element is curved: its interior nodes leave the plane of its corners.
  float zmax = 0;
  for (size_t i = 2; i < p4->xyz.size(); i += 3) zmax = std::max(zmax, p4->xyz[i]);
  EXPECT_GT(zmax, 0.05f);
}

TEST(DemoScenes, PolygonsKeepTheirSidesAndHideTheirDiagonals) {
  PavDemoScene s = buildDemoScene(PavDemoKind::Polygons);
  ASSERT_EQ(s.items.size(), 2u);
  // Polygons of 5, 6, 8 and 6 sides; polyhedron faces 6, 6 and six of 4.
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
    EXPECT_EQ(visible, 0);
    EXPECT_EQ(hidden, 0);
    EXPECT_EQ(item.object->count, triangles);
    EXPECT_EQ(item.polygonData.size(), 15u * triangles);
    EXPECT_EQ(item.normals.size(), 3u * triangles);
    auto *faces = dynamic_cast<PavDrawObjectWithPalette *>(item.object.get());
    ASSERT_TRUE(faces);
    int32_t parent = 0;
    EXPECT_EQ(faces->getPolygonParent(triangles - 1, &parent), 0);
    EXPECT_EQ(parent, count[k]);
  }
}

namespace {

bool haveDisplay() {
  return QGuiApplication::instance() && QGuiApplication::platformName() != "offscreen";
}

} // namespace

// One frame of each demonstration, rendered by the program itself through its screenshot hook.
TEST(DemoScenes, ProgramRendersOneFrameAndWritesIt) {
  if (!haveDisplay()) GTEST_SKIP() << "no display";
  std::string dir = pavo_test::scratchDir("demo_frames");
  const std::pair<const char *, const char *> modes[] = {
      {"-demo", "  Launching demo version !\n"},
      {"-demofull", "  Launching demo full version !\n"},
      {"-poly", "  Launching Polygons version !\n"}};
  for (const auto &[mode, launch] : modes) {
    std::string file = dir + "/" + (mode + 1) + ".png";
    pavo_test::ProcessOptions opt;
    opt.set = {"PAVO4_DEMO_SCREENSHOT=" + file};
    opt.timeoutSeconds = 60;
    pavo_test::ProcessResult r = pavo_test::runProcess(PAVO4_EXE, {mode}, opt);
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 0) << mode << r.err;
    EXPECT_NE(r.out.find(launch), std::string::npos) << mode;
    EXPECT_NE(r.out.find("  Screen shot done in file : " + file + " \n"), std::string::npos);
    QImage img(QString::fromStdString(file));
    ASSERT_FALSE(img.isNull()) << mode;
    // White background in the lower-right corner, dark overlay text at the top left.
    QRgb corner = img.pixel(img.width() - 3, img.height() - 3);
    EXPECT_EQ(qGray(corner), 255) << mode;
    int dark = 0;
    for (int y = 0; y < 30; y++)
      for (int x = 0; x < 100; x++) dark += qGray(img.pixel(x, y)) < 100;
    EXPECT_GT(dark, 20) << mode;
  }
}
