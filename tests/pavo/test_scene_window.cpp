// The scene window: registry rules, field state, overlay texts, wheel zoom, picking of the
// background and screenshots of a real window.
#include "gl_fixture.h"
#include "gl_viewer_events.h"
#include "scene/scene_window.h"
#include "test_paths.h"

#include <QGuiApplication>
#include <QImage>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace pavo;

TEST(SceneTexts, PaletteTitlesAndPlaneEquation) {
  EXPECT_EQ(paletteTitle(PavFieldKind::Solution, true, 1, 1), "Solution at Vertices");
  EXPECT_EQ(paletteTitle(PavFieldKind::Solution, false, 2, 3), "Solution at Elements 2 of 3");
  EXPECT_EQ(paletteTitle(PavFieldKind::Value, false, 1, 1, true), "Quality");
  EXPECT_EQ(paletteTitle(PavFieldKind::Jacobian, false, 1, 1, false, true), "Minimal Jacobian");
  const double eq[4] = {1, -2.5, 0.25, -4};
  EXPECT_EQ(planeEquationText(eq), "Eqn:  1.00x  - 2.50y  + 0.25z  - 4.00  = 0");
}

// The flat-drawing distance at level 4 moves no point of the unit sphere that is on screen by
// more than 3/8 pixel, nor by much less where it moves most (sampled by finite differences), for
// the initial view, a zoomed and shifted one and a close one.
TEST(SceneTexts, FlatToleranceBoundsTheMagnificationTightly) {
  for (const auto &c :
       {std::make_pair(30.0, QVector3D()), std::make_pair(8.0, QVector3D(0.5, 0, 0)),
        std::make_pair(30.0, QVector3D(0, 0, 2.5))}) {
    PavTrackball ball;
    ball.rotation = QQuaternion::fromEulerAngles(20, 35, 10);
    ball.translation = c.second;
    const PavCameraMatrices m = cameraMatrices(ball, QVector3D(), 1, c.first, 1600, 1200);
    const float tol = flatTolerance(m.mvp, 800, 600, 4);
    auto pixel = [&](QVector3D q) {
      const QVector4D p = m.mvp * QVector4D(q, 1);
      return QVector2D(800 * p.x() / p.w(), 600 * p.y() / p.w());
    };
    double most = 0;
    srand(3);
    for (int i = 0; i < 200000; i++) {
      QVector3D q, d;
      for (int k = 0; k < 3; k++)
        q[k] = 2.0f * rand() / RAND_MAX - 1, d[k] = 2.0f * rand() / RAND_MAX - 1;
      const QVector2D s = pixel(q);
      if (q.length() > 1 || std::abs(s.x()) > 800 || std::abs(s.y()) > 600) continue;
      most = std::max(most, (double)(pixel(q + 1e-3f * d.normalized()) - s).length() / 1e-3);
    }
    EXPECT_LE(tol * most, 0.375 * 1.001) << c.first;
    EXPECT_GE(tol * most, 0.375 / 1.3) << c.first;
  }
}

class SceneWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  }
};

TEST_F(SceneWindowTest, FieldAttachmentSwitchesTheFieldStateAndCountMismatchChangesNothing) {
  PavSceneWindow scene;
  scene.resize(64, 64);
  scene.show();
  scene.waitForInit(); // geometry goes to the GPU: the context must exist
  PavDrawObject *tri = createDrawObject(DrawTriangleP2, 1);
  scene.addObject(tri);
  const float xyz[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  const int elt[6] = {0, 1, 2, 0, 1, 2};
  ASSERT_TRUE(scene.attachData(tri, 3, xyz, 1, elt));
  EXPECT_EQ(tri->count, 1);
  const float v[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  std::string out = pavo_test::captured(
      [&] { EXPECT_FALSE(scene.attachData(std::make_unique<PavDrawSolution>(1), tri, v, 2, 6)); });
  EXPECT_EQ(out, " Invalid number of entities for solution object 2 != 1\n");
  EXPECT_FALSE(scene.fieldState().sol);
  EXPECT_EQ(scene.fieldOf(PavFieldKind::Solution, tri), nullptr);
  // A refused field whose target is not in the scene is deleted by the scene, never kept.
  PavDrawTriangleP2 stranger(DrawTriangleP2, 2);
  EXPECT_FALSE(scene.attachData(std::make_unique<PavDrawJacobian>(1), &stranger, v, 0, 3));
  ASSERT_TRUE(scene.attachData(std::make_unique<PavDrawSolution>(1), tri, v, 1, 10)); // cubic
  EXPECT_TRUE(scene.fieldState().sol);
  EXPECT_EQ(scene.fieldState().solDeg, 3);
  EXPECT_EQ(scene.fieldOf(PavFieldKind::Solution, tri)->degree, 3);
  EXPECT_FALSE(scene.fieldState().jac);
  ASSERT_TRUE(scene.attachData(std::make_unique<PavDrawJacobian>(1), tri, v, 1, 3));
  EXPECT_TRUE(scene.fieldState().jac);
  EXPECT_EQ(scene.fieldState().jacDeg, 1);
  scene.clearScene(); // deletes the objects and fields
  EXPECT_FALSE(scene.fieldState().sol || scene.fieldState().jac);
  EXPECT_EQ(scene.fieldState().solDeg, 0);
}

TEST_F(SceneWindowTest, BackgroundPicksZeroAndScreenshotsShowTheFrame) {
  PavSceneWindow scene;
  scene.resize(320, 240);
  scene.show();
  scene.waitForInit();
  ASSERT_TRUE(scene.displayEnabled);
  int id = -1;
  scene.performPicking(160, 120, &id, 1);
  EXPECT_EQ(id, 0);
  EXPECT_EQ(pavo_test::captured([&] { scene.performPicking(160, 120, &id, 2); }),
            "performpicking isoline\n");
  scene.view.whiteBackground = false;
  scene.view.options.TextOn = true;
  scene.renderNowNoSwap();
  std::string file = pavo_test::scratchDir("scene_shot") + "/frame.png";
  std::string out = pavo_test::captured([&] { scene.screenshot(file.c_str()); });
  EXPECT_EQ(out, "\n  Screen shot done in file : " + file + " \n");
  QImage img(QString::fromStdString(file));
  ASSERT_FALSE(img.isNull());
  EXPECT_EQ(img.width(), 320);
  EXPECT_EQ(qRed(img.pixel(300, 230)), 0); // black background away from the text
  // The frame-rate text is drawn light on dark in the upper-left corner.
  int light = 0;
  for (int y = 0; y < 40; y++)
    for (int x = 0; x < 120; x++) light += qGray(img.pixel(x, y)) > 128;
  EXPECT_GT(light, 20);
  scene.checkGLError(__FILE__, __LINE__);
}
