// The scene window and its frame on a real context: registry rules, field state, overlay texts,
// picking of the background, screenshots of a real window and in the three formats, multisample
// resolve, the picking framebuffer and id composition, GL error reports; the camera arithmetic
// (wheel zoom, trackball drags, frame matrices); glyph rasterisation of the texts, without a
// context.
#include "gl_fixture.h"
#include "gl_viewer_events.h"
#include "render/camera.h"
#include "render/gl_frame.h"
#include "render/text_renderer.h"
#include "scene/scene_window.h"
#include "scene/screenshot.h"
#include "test_paths.h"

#include <QGuiApplication>
#include <QImage>
#include <QOpenGLFunctions_4_0_Core>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <cstdio>
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

// The scene is built before its window has a context; the first frame uploads and draws it.
TEST_F(SceneWindowTest, FieldAttachmentSwitchesTheFieldStateAndCountMismatchChangesNothing) {
  PavSceneWindow scene;
  scene.resize(64, 64);
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
  PavDrawObjectWithPalette stranger(DrawTriangleP2, 2);
  EXPECT_FALSE(scene.attachData(std::make_unique<PavDrawJacobian>(1), &stranger, v, 0, 3));
  ASSERT_TRUE(scene.attachData(std::make_unique<PavDrawSolution>(1), tri, v, 1, 10)); // cubic
  EXPECT_TRUE(scene.fieldState().sol);
  EXPECT_EQ(scene.fieldState().solDeg, 3);
  EXPECT_EQ(scene.fieldOf(PavFieldKind::Solution, tri)->degree, 3);
  EXPECT_FALSE(scene.fieldState().jac);
  ASSERT_TRUE(scene.attachData(std::make_unique<PavDrawJacobian>(1), tri, v, 1, 3));
  EXPECT_TRUE(scene.fieldState().jac);
  EXPECT_EQ(scene.fieldState().jacDeg, 1);
  const double box[6] = {0, 1, 0, 1, -0.1, 0.1};
  scene.fitBoundingBox(box);
  scene.show();
  scene.waitForInit();
  auto covered = [&scene] {
    scene.renderNowNoSwap();
    int w = 0, h = 0, n = 0;
    const std::vector<uint8_t> px = scene.grabFrame(&w, &h);
    for (size_t i = 0; i + 3 < px.size(); i += 4) n += px[i] != px[0] || px[i + 1] != px[1];
    return n;
  };
  const int drawn = covered();
  scene.clearScene();                                  // deletes the objects and fields
  EXPECT_GT(drawn - covered(), 64 * 64 / 10) << drawn; // the overlay stays
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

TEST(Screenshot, UnwritableFileIsReported) {
  const uint8_t px[4] = {1, 2, 3, 255};
  testing::internal::CaptureStderr();
  EXPECT_FALSE(writeScreenshotFile("/nonexistent/dir/a.png", 1, 1, px));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "ERROR: could not write png screenshot file /nonexistent/dir/a.png\n"
            "Cannot write /nonexistent/dir/a.png: No such file or directory\n");
}

using SceneFrame = pavo_test::GlFixture;

// Left half red, right half blue, a green square in the lower-left corner.
TEST_F(SceneFrame, ScreenshotsDecodeInTheirFormatAndMatchTheFrame) {
  gl->glEnable(GL_SCISSOR_TEST);
  gl->glScissor(0, 0, width / 2, height);
  clear(1, 0, 0, 1);
  gl->glScissor(width / 2, 0, width - width / 2, height);
  clear(0, 0, 1, 1);
  gl->glScissor(0, 0, 16, 16);
  clear(0, 1, 0, 1);
  gl->glDisable(GL_SCISSOR_TEST);
  GLint fbo = 0;
  gl->glGetIntegerv(GL_FRAMEBUFFER_BINDING, &fbo);
  std::vector<uint8_t> rgba = readFramebuffer(gl, (unsigned)fbo, width, height);
  std::string dir = pavo_test::scratchDir("screenshots");
  for (const char *name : {"shot.png", "shot.bmp", "shot"}) {
    std::string file = dir + "/" + screenshotFileName(name, 0);
    ASSERT_TRUE(writeScreenshotFile(file, width, height, rgba.data())) << file;
    QImage img(QString::fromStdString(file));
    ASSERT_FALSE(img.isNull()) << file;
    EXPECT_EQ(img.size(), QSize(width, height));
    // Image rows run from the top; the green square is at the bottom left of the frame.
    int tol = file.find(".jpg") != std::string::npos ? 24 : 0;
    auto near = [&](QRgb c, int r, int g, int b) {
      return std::abs(qRed(c) - r) <= tol && std::abs(qGreen(c) - g) <= tol &&
             std::abs(qBlue(c) - b) <= tol;
    };
    EXPECT_TRUE(near(img.pixel(4, height - 5), 0, 255, 0)) << file;
    EXPECT_TRUE(near(img.pixel(width - 10, height / 2), 0, 0, 255)) << file;
  }
}

TEST_F(SceneFrame, MultisampledFramesAreResolvedBeforeReading) {
  GLuint fbo = 0, rb = 0;
  gl->glGenFramebuffers(1, &fbo);
  gl->glGenRenderbuffers(1, &rb);
  gl->glBindRenderbuffer(GL_RENDERBUFFER, rb);
  gl->glRenderbufferStorageMultisample(GL_RENDERBUFFER, 4, GL_RGBA8, width, height);
  GLint previous = 0;
  gl->glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
  gl->glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, rb);
  ASSERT_EQ(gl->glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
  gl->glClearColor(0.2f, 0.6f, 1.0f, 1.0f);
  gl->glClear(GL_COLOR_BUFFER_BIT);
  std::vector<uint8_t> px = readFramebuffer(gl, fbo, width, height);
  ASSERT_FALSE(px.empty());
  size_t mid = 4 * ((size_t)(height / 2) * width + width / 2);
  EXPECT_TRUE(std::abs(px[mid] - 51) <= 1 && std::abs(px[mid + 1] - 153) <= 1 &&
              px[mid + 2] == 255);
  gl->glBindFramebuffer(GL_FRAMEBUFFER, (GLuint)previous);
  gl->glDeleteFramebuffers(1, &fbo);
  gl->glDeleteRenderbuffers(1, &rb);
}

TEST_F(SceneFrame, PickingFramebufferHoldsIdsAndReleasesItsNames) {
  GLint previous = 0;
  gl->glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
  PavPickingFramebuffer fb;
  ASSERT_TRUE(fb.create(gl, 64, 32, (unsigned)previous));
  GLint bound = 0;
  gl->glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
  EXPECT_EQ(bound, previous);
  gl->glBindFramebuffer(GL_FRAMEBUFFER, fb.framebuffer);
  // Id 70000 = 1 * 65536 + 17 * 256 + 112, alpha 0.
  gl->glClearColor(1 / 255.0f, 17 / 255.0f, 112 / 255.0f, 0);
  gl->glClear(GL_COLOR_BUFFER_BIT);
  uint8_t px[4];
  gl->glReadPixels(5, 5, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
  EXPECT_EQ(composePickId(px), 70000u);
  fb.release(gl);
  EXPECT_EQ(fb.framebuffer, 0u);
  EXPECT_EQ(glError(), 0u);
  EXPECT_FALSE(fb.create(gl, 0, 16, (unsigned)previous));
}

TEST(Camera, WheelZoomsByTenPercentWithinBounds) {
  double fovy = 45;
  for (int i = 0; i < 10; i++) fovy = fovyAfterWheel(fovy, 120);
  EXPECT_NEAR(fovy, 116.7, 0.05);
  for (int i = 0; i < 20; i++) fovy = fovyAfterWheel(fovy, 120);
  EXPECT_DOUBLE_EQ(fovy, 179);
  for (int i = 0; i < 400; i++) fovy = fovyAfterWheel(fovy, -120);
  EXPECT_DOUBLE_EQ(fovy, 1e-9);
  EXPECT_DOUBLE_EQ(fovyAfterWheel(10, 0), 9); // no vertical motion counts as "below 1"
}

// Where a scene point lands in the window, in pixels from the lower left.
static QPointF windowPoint(const PavCameraMatrices &m, const QVector3D &p) {
  QVector4D c = m.mvp * QVector4D(p, 1);
  QVector4D w = m.viewport * QVector4D(c.x() / c.w(), c.y() / c.w(), c.z() / c.w(), 1);
  return QPointF(w.x(), w.y());
}

TEST(Camera, SceneCentreAtWindowCentreAndSceneInsideTheWindow) {
  PavTrackball ball;
  QVector3D centre(10, 20, 30);
  PavCameraMatrices m = cameraMatrices(ball, centre, 0.5f, 45, 800, 600);
  QPointF c = windowPoint(m, centre);
  EXPECT_NEAR(c.x(), 400, 1e-3);
  EXPECT_NEAR(c.y(), 300, 1e-3);
  // The sphere of radius 2 about the centre (scaled to 1) fits in the window height.
  QPointF top = windowPoint(m, centre + QVector3D(0, 2, 0));
  EXPECT_GT(top.y(), 450);
  EXPECT_LT(top.y(), 600);
  QPointF right = windowPoint(m, centre + QVector3D(2, 0, 0));
  EXPECT_NEAR(right.x() - 400, top.y() - 300, 1e-2); // square pixels whatever the aspect
}

TEST(Camera, DragRightTurnsTheFrontToTheRight) {
  PavTrackball ball;
  ball.push(QPointF(400, 300), 800, 600, 0);
  EXPECT_FALSE(ball.move(QPointF(400, 300), 800, 600, 5, PavTrackball::Rotation));
  ASSERT_TRUE(ball.move(QPointF(500, 300), 800, 600, 10, PavTrackball::Rotation));
  EXPECT_NEAR(ball.axis.y(), 1, 1e-5); // about the vertical axis
  EXPECT_GT(ball.angularVelocity, 0);
  // A point in front of the centre moves to +x, and lengths are kept.
  QVector3D front = ball.rotation.rotatedVector(QVector3D(0, 0, 1));
  EXPECT_GT(front.x(), 0.1f);
  EXPECT_NEAR(front.length(), 1, 1e-5);
  // The drag angle is the angle between the two sphere points.
  QVector3D a = PavTrackball::spherePoint(QPointF(400, 300), 800, 600);
  QVector3D b = PavTrackball::spherePoint(QPointF(500, 300), 800, 600);
  float angle = qRadiansToDegrees(std::acos(QVector3D::dotProduct(a, b)));
  QVector3D axis;
  float got;
  ball.rotation.getAxisAndAngle(&axis, &got);
  EXPECT_NEAR(got, angle, 1e-3);
  ball.release();
  EXPECT_FALSE(ball.move(QPointF(600, 300), 800, 600, 20, PavTrackball::Rotation));
}

TEST(Camera, MiddleDragTranslatesByTheSceneRadiusPerHalfWindow) {
  PavTrackball ball;
  ball.push(QPointF(100, 100), 800, 600, 0);
  ASSERT_TRUE(ball.move(QPointF(400, 100), 800, 600, 10, PavTrackball::Translation));
  EXPECT_NEAR(ball.translation.x(), 1, 1e-6);
  EXPECT_NEAR(ball.translation.y(), 0, 1e-6);
  EXPECT_TRUE(ball.rotation.isIdentity());
  ball.move(QPointF(400, 400), 800, 600, 20, PavTrackball::Translation);
  EXPECT_NEAR(ball.translation.y(), -1, 1e-6); // window y down is scene y down
}

namespace {

const PavGlyphAtlas &regular32() {
  static const PavGlyphAtlas atlas =
      rasterizeFont((pavo_test::sourceDir() + "/pavo/fonts/Montserrat-Regular.ttf").c_str(), 32);
  return atlas;
}

} // namespace

TEST(TextAtlas, GlyphsHaveTheSizeOfTheFontAndTheirInkInTheAtlas) {
  const PavGlyphAtlas &a = regular32();
  ASSERT_TRUE(a.valid);
  const PavGlyph &H = a.glyphs['H'], &x = a.glyphs['x'], &p = a.glyphs['p'];
  // Capital height of this family is about 0.7 em; x-height about 0.52 em.
  EXPECT_NEAR(H.size[1], 0.70 * 32, 2.5);
  EXPECT_NEAR(x.size[1], 0.52 * 32, 2.5);
  EXPECT_EQ(H.bearing[1], H.size[1]); // sits on the baseline
  EXPECT_LT(p.bearing[1], p.size[1]); // descender below it
  int inked = 0;                      // rows of H's atlas rectangle holding ink
  for (int r = 0; r < H.size[1]; r++) {
    const auto *row = &a.pixels[size_t(H.atlasY + r) * size_t(a.width) + size_t(H.atlasX)];
    inked += *std::max_element(row, row + H.size[0]) > 128;
  }
  EXPECT_GE(inked, H.size[1] - 1);
  // The glyph rectangles do not overlap and lie inside the atlas.
  for (int c = 33; c < 127; c++) {
    const PavGlyph &g = a.glyphs[c];
    ASSERT_GT(g.size[0], 0) << c;
    EXPECT_TRUE(g.atlasX + g.size[0] <= a.width && g.atlasY + g.size[1] <= a.height) << c;
    for (int d = c + 1; d < 127; d++) {
      const PavGlyph &o = a.glyphs[d];
      bool apart = g.atlasX + g.size[0] <= o.atlasX || o.atlasX + o.size[0] <= g.atlasX ||
                   g.atlasY + g.size[1] <= o.atlasY || o.atlasY + o.size[1] <= g.atlasY;
      EXPECT_TRUE(apart) << c << " " << d;
    }
  }
  const PavGlyphAtlas big =
      rasterizeFont((pavo_test::sourceDir() + "/pavo/fonts/Montserrat-SemiBold.ttf").c_str(), 64);
  EXPECT_NEAR(big.glyphs['H'].size[1], 2 * H.size[1], 2);
}

// The built-in fonts are resources that rasterise; a missing font is reported.
TEST(TextAtlas, BuiltInFontsAreResourcesAndFailuresAreReported) {
  testing::internal::CaptureStderr();
  EXPECT_FALSE(rasterizeFont("/nonexistent/font.ttf", 12).valid);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Could not open font /nonexistent/font.ttf\n");
  QTemporaryDir dir;
  QString path = extractResource(":/fonts/Montserrat-SemiBold.ttf", dir.path(), "semi.ttf");
  ASSERT_FALSE(path.isEmpty());
  EXPECT_TRUE(rasterizeFont(path.toLocal8Bit().constData(), 16).valid);
  EXPECT_TRUE(extractResource(":/fonts/none.ttf", dir.path(), "x.ttf").isEmpty());
}
