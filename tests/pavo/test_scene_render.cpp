// The scene on a real window, read back by pixels and picking ids: palette colours through the
// shaders, isolines, cut-offs, picking, the palette bar, vertex and cubic fields, text and the
// cut plane.
#include "gl_fixture.h"
#include "ho_lattice.h"
#include "render/colormaps.h"
#include "render/palette.h"
#include "render/text_renderer.h"
#include "scene/scene_window.h"

#include <QGuiApplication>
#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace pavo;

namespace {

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
    if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
    scene = std::make_unique<PavSceneWindow>();
    scene->resize(240, 240);
    scene->show();
    scene->waitForInit();
    ASSERT_TRUE(scene->displayEnabled);
    scene->view.options.TextOn = false;
    scene->view.options.setRenderMode(3); // faces in their own colours, no wire lines on surfaces
    scene->view.options.UsePhong = 3;     // unlit
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
      EXPECT_TRUE(scene->attachData(field(pal, colormap, nbrIso), quad, s.field.data(), n, 4));
    }
    return quad;
  }

  static std::unique_ptr<PavDrawSolution> field(const float pal[5], int colormap, int nbrIso = 0) {
    auto sol = std::make_unique<PavDrawSolution>(1);
    sol->setPalette(pal);
    sol->colormap = colormap;
    sol->nbrIso = nbrIso;
    return sol;
  }

  // Window position (from the lower left, not rounded) of a scene point, and its pixel.
  QPointF windowOf(float x, float y, float z = 0) {
    PavCameraMatrices m = scene->matrices();
    QVector3D p = (QVector3D(x, y, z) - scene->view.sceneCentre) * scene->view.sceneScale;
    QVector4D c = m.mvp * QVector4D(p, 1);
    QVector4D w = m.viewport * QVector4D(c.x() / c.w(), c.y() / c.w(), 0, 1);
    return QPointF(w.x(), w.y());
  }
  QPoint pixelOf(float x, float y, float z = 0) {
    QPointF w = windowOf(x, y, z);
    return QPoint((int)w.x(), (int)w.y());
  }

  std::array<int, 3> pixel(int x, int y) {
    size_t i = 4 * ((size_t)y * (size_t)frameW + (size_t)x);
    return {frame[i], frame[i + 1], frame[i + 2]};
  }
  std::array<int, 3> colourAt(float x, float y) {
    QPoint p = pixelOf(x, y);
    return pixel(p.x(), p.y());
  }

  // The scene point of the plane z = 0 under the centre of pixel (px, py). The plane faces the
  // camera, so window and plane coordinates are related by a scale and a shift per axis.
  QPointF sceneAtPixel(int px, int py) {
    QPointF o = windowOf(0, 0), ex = windowOf(1, 0), ey = windowOf(0, 1);
    return QPointF(((px + 0.5) - o.x()) / (ex.x() - o.x()),
                   ((py + 0.5) - o.y()) / (ey.y() - o.y()));
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
  EXPECT_TRUE(std::abs(c[0] - r) <= tol && std::abs(c[1] - g) <= tol && std::abs(c[2] - b) <= tol)
      << c[0] << " " << c[1] << " " << c[2] << " instead of " << r << " " << g << " " << b;
}
void expectColour(const std::array<int, 3> &c, const float rgb[3], int tol) {
  expectColour(c, (int)std::lround(255 * rgb[0]), (int)std::lround(255 * rgb[1]),
               (int)std::lround(255 * rgb[2]), tol);
}

int luminance(const std::array<int, 3> &c) { return c[0] + c[1] + c[2]; }

const float kPal[5] = {0, 1, 2, 3, 4};

} // namespace

// Strips of quads on [-1, 1]^2 with a field, under one view setting each, probed along y = 0:
// the palette's breaks through the colour maps, the cut-offs, and the cut plane x = 0.
TEST_F(SceneRender, FieldColoursCutOffsAndCutPlaneAtProbes) {
  using Field = std::function<float(float, int)>;
  const Field constant = [](float, int) { return 2.0f; },
              ramp = [](float x, int) { return 2 + 2 * x; },
              ends = [](float, int q) { return q ? 4.0f : 0.0f; };
  struct Probe {
    float x;
    int r, g, b, tol;
  };
  const struct {
    const char *what;
    int quads, colormap;
    Field f;
    std::function<void(PavViewState &)> set;
    std::vector<Probe> probes;
  } cases[] = {
      {"middle break of the rainbow", 1, ColormapRainbow, constant, nullptr, {{0, 0, 255, 0, 3}}},
      {"grey scale ends",
       2,
       ColormapGrayscale,
       ends,
       nullptr,
       {{-0.5f, 255, 255, 255, 3}, {0.5f, 0, 0, 0, 3}}},
      {"cut below 2 (x <= 0)",
       1,
       ColormapRainbow,
       ramp,
       [](PavViewState &v) { v.options.CutoffBelowOn = true, v.options.CutoffBelowVal = 2; },
       {{-0.5f, 255, 255, 255, 3}, {0.5f, 255, 255, 0, 6}}},
      {"cut above 3 (x >= 0.5)",
       1,
       ColormapRainbow,
       ramp,
       [](PavViewState &v) { v.options.CutoffAboveOn = true, v.options.CutoffAboveVal = 3; },
       {{0.75f, 255, 255, 255, 3}, {-0.5f, 0, 255, 255, 6}}},
      {"cut plane keeps x < 0",
       1,
       ColormapRainbow,
       constant,
       [](PavViewState &v) { v.hasCutPlane = v.options.CutOn = true; },
       {{-0.5f, 0, 255, 0, 3}, {0.5f, 255, 255, 255, 3}}},
  };
  const PavViewState initial = scene->view;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    scene->clearScene();
    scene->view = initial;
    scene->view.options.PalOn = false;
    const double plane[4] = {1, 0, 0, 0};
    std::copy(plane, plane + 4, scene->view.cutPlane);
    if (c.set) c.set(scene->view);
    addStrip(makeStrip(c.quads, -1, 2.0f / (float)c.quads, c.f), kPal, c.colormap);
    draw();
    for (const Probe &p : c.probes) expectColour(colourAt(p.x, 0), p.r, p.g, p.b, p.tol);
  }
}

TEST_F(SceneRender, IsolinesDarkenTheFieldAtTheirValues) {
  // f = 2 + 2x over [-1, 1]: one isoline per interval at 0, 1, 2, 3, i.e. x = -1, -0.5, 0, 0.5.
  addStrip(makeStrip(1, -1, 2, [](float x, int) { return 2 + 2 * x; }), kPal, ColormapGrayscale, 1);
  scene->view.options.IsoOn = 2; // black lines
  draw();
  for (float iso : {-0.5f, 0.0f, 0.5f}) {
    int onLine = luminance(colourAt(iso, 0));
    int left = luminance(colourAt(iso - 0.2f, 0)), right = luminance(colourAt(iso + 0.2f, 0));
    EXPECT_LT(onLine, std::min(left, right) - 30) << iso;
  }
  // Between the lines the grey is the palette's.
  EXPECT_NEAR(luminance(colourAt(0.25f, 0)), 3 * 255 * (1 - 2.5f / 4), 12);
}

// A cubic field in grey scale: every probe shows the palette colour of the exact field at the
// scene point under the pixel's centre.
TEST_F(SceneRender, CubicFieldShowsItsExactValues) {
  scene->view.options.IsoOn = 0;
  scene->view.options.PalOn = false;
  auto expectField = [&](const float pal[5], const std::function<double(double, double)> &f,
                         const std::vector<QPointF> &probes) {
    draw();
    for (QPointF at : probes) {
      SCOPED_TRACE(testing::Message() << "at " << at.x() << " " << at.y());
      QPoint p = pixelOf((float)at.x(), (float)at.y());
      QPointF c = sceneAtPixel(p.x(), p.y());
      float rgb[3];
      paletteColour(pal, ColormapGrayscale, (float)f(c.x(), c.y()), rgb);
      expectColour(pixel(p.x(), p.y()), rgb, 3);
    }
  };
  const float xyz[12] = {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0};

  // The triangle (-1, -1), (1, -1), (-1, 1) is the reference triangle scaled by 2: reference
  // (u, v) sits at (2u - 1, 2v - 1). The field is a full cubic in (u, v), given at the nodes,
  // whose barycentric weight columns are found from the vertices (1 at vertex 1 is u, 2 is v).
  auto g = [](double u, double v) {
    return 0.5 + 3 * u * u * v + 2 * v * v * v - u * v + 2 * u * u * u;
  };
  const int nodes = 10, width = hoRefWidth(HoTriangle);
  const double *vertex = hoNodeRefCoords(HoTriangle, 1);
  int cu = 0, cv = 0;
  for (int c = 0; c < width; c++) {
    if (vertex[width + c] == 1) cu = c;
    if (vertex[2 * width + c] == 1) cv = c;
  }
  ASSERT_NE(cu, cv);
  const double *ref = hoNodeRefCoords(HoTriangle, 3);
  std::vector<float> lagrange(nodes);
  for (int i = 0; i < nodes; i++) lagrange[i] = (float)g(ref[width * i + cu], ref[width * i + cv]);
  PavDrawObject *face = createDrawObject(DrawTriangle, 1);
  scene->addObject(face);
  const int lowerLeft[3] = {0, 1, 3};
  ASSERT_TRUE(scene->attachData(face, 4, xyz, 1, lowerLeft));
  const float pal[5] = {0, 0.75f, 1.5f, 2.25f, 3};
  ASSERT_TRUE(scene->attachData(field(pal, ColormapGrayscale), face, lagrange.data(), 1, nodes));
  EXPECT_EQ(scene->fieldOf(PavFieldKind::Solution, face)->degree, 3);
  std::vector<QPointF> probes;
  for (double u : {0.1, 0.25, 0.4, 0.6})
    for (double v : {0.1, 0.2, 0.3})
      if (u + v <= 0.85) probes.emplace_back(2 * u - 1, 2 * v - 1);
  ASSERT_GE(probes.size(), 8u);
  expectField(
      pal, [&](double x, double y) { return g(0.5 * (x + 1), 0.5 * (y + 1)); }, probes);
}

TEST_F(SceneRender, LightingFollowsTheAngleOfTheFaceToTheLight) {
  // Two squares of one colour: A faces the viewer, B is turned 70 degrees about the y axis, away
  // from the light (which comes from the upper left, in front): B gets the ambient term only.
  const double tilt = 70 * M_PI / 180;
  const float bx = 0.8f * (float)std::cos(tilt), bz = -0.8f * (float)std::sin(tilt);
  const float xyz[24] = {-0.9f, -0.4f, 0,         -0.1f, -0.4f, 0,     -0.1f, 0.4f,
                         0,     -0.9f, 0.4f,      0,     0.1f,  -0.4f, 0,     0.1f + bx,
                         -0.4f, bz,    0.1f + bx, 0.4f,  bz,    0.1f,  0.4f,  0};
  const int tri[12] = {0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7};
  PavDrawObject *faces = createDrawObject(DrawTriangle, 1);
  scene->addObject(faces);
  ASSERT_TRUE(scene->attachData(faces, 8, xyz, 4, tri));
  const float c = 0.8f;
  for (int e = 0; e < 4; e++) faces->eltColors.insert(faces->eltColors.end(), {c, c, c, 1});
  scene->view.options.UsePhong = 1;
  draw();
  // Head on, the normal is the view axis: Ka + c (n . l) with the light direction normalised;
  // the highlight is far off (its cosine to the power 40 is below 1e-3).
  const float l[3] = {-0.4f, 0.6f, 1.0f};
  float nl = l[2] / std::sqrt(l[0] * l[0] + l[1] * l[1] + l[2] * l[2]);
  int headOn = (int)std::lround(255 * (0.08f + c * nl));
  expectColour(colourAt(-0.5f, 0), headOn, headOn, headOn, 4);
  // A point of B, projected with its depth.
  const QPoint w = pixelOf(0.1f + bx / 2, 0.1f, bz / 2);
  int ambient = (int)std::lround(255 * 0.08f);
  expectColour(pixel(w.x(), w.y()), ambient, ambient, ambient, 4);
  // Unlit, both show their own colour.
  scene->view.options.UsePhong = 3;
  draw();
  int own = (int)std::lround(255 * c);
  expectColour(pixel(w.x(), w.y()), own, own, own, 2);
}
