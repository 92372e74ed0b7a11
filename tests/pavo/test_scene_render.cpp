// The scene on a real window, read back by pixels and picking ids: palette colours through the
// shaders, isolines, cut-offs and picking.
#include "ho_lattice.h"
#include "render/colormaps.h"
#include "scene/scene_window.h"

#include <QGuiApplication>
#include <gtest/gtest.h>
#include <memory>

using namespace pavo;

namespace {

bool haveDisplay() {
  return QGuiApplication::instance() && QGuiApplication::platformName() != "offscreen";
}

// Flat first-order quadrilaterals side by side along x: quad q covers [x0 + q w, x0 + (q+1) w] x
// [-1, 1] at z = 0, and a field f(x, q) at its nodes.
struct QuadStrip {
  std::vector<float> xyz;
  std::vector<int> elt;
  std::vector<float> field;
};

template <typename F> QuadStrip makeStrip(int quads, float x0, float w, F f) {
  QuadStrip s;
  const double *ref = hoNodeRefCoords(HoQuadrilateral, 1);
  for (int q = 0; q < quads; q++) {
    int base = (int)s.xyz.size() / 3;
    for (int i = 0; i < 4; i++) {
      float x = x0 + w * ((float)q + (float)ref[2 * i]), y = -1 + 2 * (float)ref[2 * i + 1];
      s.xyz.insert(s.xyz.end(), {x, y, 0});
      s.field.push_back(f(x, q));
    }
    for (int i = 0; i < 4; i++) s.elt.push_back(base + i);
  }
  return s;
}

class SceneRender : public ::testing::Test {
protected:
  void SetUp() override {
    if (!haveDisplay()) GTEST_SKIP() << "no display";
    scene = std::make_unique<PavSceneWindow>();
    scene->resize(240, 240);
    scene->show();
    scene->waitForInit();
    ASSERT_TRUE(scene->displayEnabled);
    scene->options.TextOn = false;
    scene->options.setRenderMode(3); // faces in their own colours, no wire lines on surfaces
    scene->options.UsePhong = 3;     // unlit
    const double box[6] = {-1, 1, -1, 1, 0, 0};
    scene->fitBoundingBox(box);
  }
  void TearDown() override { scene.reset(); }

  // Adds a strip of quads with its field; returns the geometric object.
  PavDrawObject *addStrip(const QuadStrip &s, const float pal[5], int colormap, int nbrIso = 0) {
    PavDrawObject *quad = createDrawObject(DrawQuad, 1);
    scene->addObject(quad);
    int n = (int)s.elt.size() / 4;
    EXPECT_TRUE(scene->attachData(quad, (int)s.xyz.size() / 3, s.xyz.data(), n, s.elt.data()));
    if (pal) {
      auto *sol = new PavDrawSolution(1);
      sol->setPalette(pal);
      sol->colormap = colormap;
      sol->nbrIso = nbrIso;
      EXPECT_TRUE(scene->attachData(sol, quad, s.field.data(), n, 4));
    }
    return quad;
  }

  // Window pixel (from the lower left) of a scene point.
  QPoint pixelOf(float x, float y) {
    PavCameraMatrices m = scene->matrices();
    QVector3D p = (QVector3D(x, y, 0) - scene->sceneCentre) * scene->sceneScale;
    QVector4D c = m.mvp * QVector4D(p, 1);
    QVector4D w = m.viewport * QVector4D(c.x() / c.w(), c.y() / c.w(), 0, 1);
    return QPoint((int)w.x(), (int)w.y());
  }

  std::array<int, 3> colourAt(float x, float y) {
    QPoint p = pixelOf(x, y);
    size_t i = 4 * ((size_t)p.y() * (size_t)frameW + (size_t)p.x());
    return {frame[i], frame[i + 1], frame[i + 2]};
  }

  void draw() {
    scene->renderNowNoSwap();
    frame = scene->grabFrame(&frameW, &frameH);
    ASSERT_EQ(frame.size(), 4u * frameW * frameH);
  }

  std::unique_ptr<PavSceneWindow> scene;
  std::vector<uint8_t> frame;
  int frameW = 0, frameH = 0;
};

void expectColour(const std::array<int, 3> &c, int r, int g, int b, int tol = 3) {
  EXPECT_NEAR(c[0], r, tol);
  EXPECT_NEAR(c[1], g, tol);
  EXPECT_NEAR(c[2], b, tol);
}

} // namespace

TEST_F(SceneRender, RainbowMiddleBreakIsPureGreenAndGrayscaleEndsAreWhiteAndBlack) {
  const float pal[5] = {0, 1, 2, 3, 4};
  addStrip(makeStrip(1, -1, 2, [](float, int) { return 2.0f; }), pal, ColormapRainbow);
  draw();
  expectColour(colourAt(0, 0), 0, 255, 0);
  scene->clearScene();
  addStrip(makeStrip(2, -1, 1, [](float, int q) { return q == 0 ? 0.0f : 4.0f; }), pal,
           ColormapGrayscale);
  draw();
  expectColour(colourAt(-0.5f, 0), 255, 255, 255);
  expectColour(colourAt(0.5f, 0), 0, 0, 0);
  scene->whiteBackground = false; // the background is not what was probed
  draw();
  expectColour(colourAt(-0.5f, 0), 255, 255, 255);
}

TEST_F(SceneRender, IsolinesDarkenTheFieldAtTheirValues) {
  // f = 2 + 2x over [-1, 1]: one isoline per interval at 0, 1, 2, 3, i.e. x = -1, -0.5, 0, 0.5.
  const float pal[5] = {0, 1, 2, 3, 4};
  addStrip(makeStrip(1, -1, 2, [](float x, int) { return 2 + 2 * x; }), pal, ColormapGrayscale, 1);
  scene->options.IsoOn = 2; // black lines
  draw();
  auto lum = [](const std::array<int, 3> &c) { return c[0] + c[1] + c[2]; };
  for (float iso : {-0.5f, 0.0f, 0.5f}) {
    int onLine = lum(colourAt(iso, 0));
    int left = lum(colourAt(iso - 0.2f, 0)), right = lum(colourAt(iso + 0.2f, 0));
    EXPECT_LT(onLine, std::min(left, right) - 30) << iso;
  }
  // Between the lines the grey is the palette's.
  EXPECT_NEAR(lum(colourAt(0.25f, 0)), 3 * 255 * (1 - 2.5f / 4), 12);
  scene->options.IsoOn = 0;
  draw();
  EXPECT_GT(lum(colourAt(0, 0)), lum(colourAt(0.2f, 0)));
}

TEST_F(SceneRender, CutOffsDiscardValuesBeyondTheirThreshold) {
  const float pal[5] = {0, 1, 2, 3, 4};
  addStrip(makeStrip(1, -1, 2, [](float x, int) { return 2 + 2 * x; }), pal, ColormapRainbow);
  scene->options.CutoffBelowOn = true;
  scene->options.CutoffBelowVal = 2; // x <= 0 is cut
  draw();
  expectColour(colourAt(-0.5f, 0), 255, 255, 255); // background
  std::array<int, 3> kept = colourAt(0.5f, 0);     // value 3: yellow
  expectColour(kept, 255, 255, 0, 6);
  scene->options.CutoffBelowOn = false;
  scene->options.CutoffAboveOn = true;
  scene->options.CutoffAboveVal = 3; // x >= 0.5 is cut
  draw();
  expectColour(colourAt(0.75f, 0), 255, 255, 255);
  expectColour(colourAt(-0.5f, 0), 0, 255, 255, 6); // value 1: cyan
}

TEST_F(SceneRender, PickingReturnsTheElementIdsAndZeroOnTheBackground) {
  PavDrawObject *strip =
      addStrip(makeStrip(3, -1, 2.0f / 3, [](float, int) { return 0.0f; }), nullptr, 0);
  draw();
  int h = scene->height(); // picking takes logical coordinates from the top
  int id = -1;
  for (int q = 0; q < 3; q++) {
    QPoint p = pixelOf(-1 + (2.0f / 3) * ((float)q + 0.5f), 0.3f);
    scene->performPicking(p.x(), h - p.y(), &id, 1);
    EXPECT_EQ(id, q + 1) << q;
  }
  scene->performPicking(2, 2, &id, 1);
  EXPECT_EQ(id, 0);
  ASSERT_FALSE(scene->pickList().isEmpty());
  EXPECT_EQ(scene->pickList().front().first, strip);
  EXPECT_EQ(scene->pickList().front().second, 1);
  EXPECT_EQ(strip->count, 3);
}

TEST_F(SceneRender, HiddenElementsAreNeitherDrawnNorPicked) {
  PavDrawObject *strip = addStrip(makeStrip(2, -1, 1, [](float, int) { return 0.0f; }), nullptr, 0);
  strip->eltColors = {0.2f, 0.4f, 0.6f, 1, 0, 0, 0, 0}; // the right quad hidden
  draw();
  expectColour(colourAt(-0.5f, 0), 51, 102, 153);
  expectColour(colourAt(0.5f, 0), 255, 255, 255);
  int id = -1;
  QPoint p = pixelOf(0.5f, 0);
  scene->performPicking(p.x(), scene->height() - p.y(), &id, 1);
  EXPECT_EQ(id, 0);
}
