// Field colours on the CPU as the shaders compute them (palettes, colour maps, reference colours,
// the range of curved fields) and the scene on a real window read back by pixels: field colours,
// cut-offs, cut plane, isolines, a cubic field and lighting.
#include "files/draw_types.h"
#include "gl_fixture.h"
#include "gl_viewer_events.h"
#include "ho_lattice.h"
#include "ho_reference.h"
#include "render/colormaps.h"
#include "render/palette.h"
#include "render/text_renderer.h"
#include "scene/scene_window.h"
#include "test_paths.h"

#include <QGuiApplication>
#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <string>
#include <vector>

using namespace pavo;

namespace {

// Quads side by side along x: quad q covers [x0 + q w, x0 + (q+1) w] x [-1, 1], field f(x, q).
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

  void addStrip(const QuadStrip &s, const float pal[5], int colormap, int nbrIso = 0) {
    PavDrawObject *quad = createDrawObject(DrawQuad, 1);
    scene->addObject(quad);
    int n = (int)s.elt.size() / 4;
    EXPECT_TRUE(scene->attachData(quad, (int)s.xyz.size() / 3, s.xyz.data(), n, s.elt.data()));
    EXPECT_TRUE(scene->attachData(field(pal, colormap, nbrIso), quad, s.field.data(), n, 4));
  }

  static std::unique_ptr<PavDrawSolution> field(const float pal[5], int colormap, int nbrIso = 0) {
    auto sol = std::make_unique<PavDrawSolution>(1);
    sol->setPalette(pal);
    sol->colormap = colormap;
    sol->nbrIso = nbrIso;
    return sol;
  }

  // Window position (from the lower left, not rounded) of a scene point.
  QPointF windowOf(float x, float y, float z = 0) { return pavo_test::windowOf(*scene, x, y, z); }
  QPoint pixelOf(float x, float y, float z = 0) {
    QPointF w = windowOf(x, y, z);
    return QPoint((int)w.x(), (int)w.y());
  }
  std::array<int, 3> pixel(int x, int y) { return frame->at(x, y); }
  std::array<int, 3> colourAt(float x, float y) {
    QPoint p = pixelOf(x, y);
    return pixel(p.x(), p.y());
  }

  // The point of the plane z = 0 (facing the camera) under the centre of pixel (px, py).
  QPointF sceneAtPixel(int px, int py) {
    QPointF o = windowOf(0, 0), ex = windowOf(1, 0), ey = windowOf(0, 1);
    return QPointF(((px + 0.5) - o.x()) / (ex.x() - o.x()),
                   ((py + 0.5) - o.y()) / (ey.y() - o.y()));
  }

  void draw() {
    frame.emplace(*scene);
    ASSERT_EQ(frame->rgba.size(), 4u * frame->w * frame->h);
  }

  std::unique_ptr<PavSceneWindow> scene;
  std::optional<pavo_test::Frame> frame;
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

// Strips of quads on [-1, 1]^2 under one view setting each, probed once on y = 0: the palette's
// breaks through the colour maps, the cut-offs and the cut plane x = 0 (white: nothing drawn).
TEST_F(SceneRender, FieldColoursCutOffsAndCutPlaneAtProbes) {
  using Field = std::function<float(float, int)>;
  const Field constant = [](float, int) { return 2.0f; },
              ramp = [](float x, int) { return 2 + 2 * x; },
              ends = [](float, int q) { return q ? 4.0f : 0.0f; };
  const struct {
    const char *what;
    int quads, colormap;
    Field f;
    std::function<void(PavViewState &)> set;
    float x;
    int r, g, b;
  } cases[] = {
      {"middle break of the rainbow", 1, ColormapRainbow, constant, nullptr, 0, 0, 255, 0},
      {"grey scale end", 2, ColormapGrayscale, ends, nullptr, 0.5f, 0, 0, 0},
      {"cut below 2", 1, ColormapRainbow, ramp,
       [](PavViewState &v) { v.options.CutoffBelowOn = true, v.options.CutoffBelowVal = 2; }, -0.5f,
       255, 255, 255},
      {"cut above 3", 1, ColormapRainbow, ramp,
       [](PavViewState &v) { v.options.CutoffAboveOn = true, v.options.CutoffAboveVal = 3; }, 0.75f,
       255, 255, 255},
      {"cut plane keeps x < 0", 1, ColormapRainbow, constant,
       [](PavViewState &v) { v.hasCutPlane = v.options.CutOn = true; }, 0.5f, 255, 255, 255},
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
    expectColour(colourAt(c.x, 0), c.r, c.g, c.b);
  }
}

TEST_F(SceneRender, IsolinesDarkenTheFieldAtTheirValues) {
  // f = 2 + 2x: the isoline at 2 lies on x = 0.
  addStrip(makeStrip(1, -1, 2, [](float x, int) { return 2 + 2 * x; }), kPal, ColormapGrayscale, 1);
  scene->view.options.IsoOn = 2; // black lines
  draw();
  EXPECT_LT(luminance(colourAt(0, 0)), luminance(colourAt(0.2f, 0)) - 30);
}

// A cubic field in grey scale: every probe shows the palette colour of the exact field at the
// scene point under the pixel's centre.
TEST_F(SceneRender, CubicFieldShowsItsExactValues) {
  scene->view.options.IsoOn = 0;
  scene->view.options.PalOn = false;
  const float xyz[12] = {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0};

  // The triangle (-1, -1), (1, -1), (-1, 1): reference (u, v) sits at (2u - 1, 2v - 1). A full
  // cubic in (u, v) given at the nodes.
  auto g = [](double u, double v) {
    return 0.5 + 3 * u * u * v + 2 * v * v * v - u * v + 2 * u * u * u;
  };
  const int nodes = 10;
  std::vector<float> lagrange(nodes);
  for (int i = 0; i < nodes; i++) {
    double p[3];
    pavo_test::hoCartesian(HoTriangle, hoNodeRefCoords(HoTriangle, 3) + i * hoRefWidth(HoTriangle),
                           p);
    lagrange[i] = (float)g(p[0], p[1]);
  }
  PavDrawObject *face = createDrawObject(DrawTriangle, 1);
  scene->addObject(face);
  const int lowerLeft[3] = {0, 1, 3};
  ASSERT_TRUE(scene->attachData(face, 4, xyz, 1, lowerLeft));
  const float pal[5] = {0, 0.75f, 1.5f, 2.25f, 3};
  ASSERT_TRUE(scene->attachData(field(pal, ColormapGrayscale), face, lagrange.data(), 1, nodes));
  EXPECT_EQ(scene->fieldOf(PavFieldKind::Solution, face)->degree, 3);
  draw();
  for (double u : {0.1, 0.25, 0.6})
    for (double v : {0.1, 0.25}) {
      QPoint p = pixelOf(float(2 * u - 1), float(2 * v - 1));
      QPointF c = sceneAtPixel(p.x(), p.y());
      float rgb[3];
      paletteColour(pal, ColormapGrayscale, (float)g(0.5 * (c.x() + 1), 0.5 * (c.y() + 1)), rgb);
      expectColour(pixel(p.x(), p.y()), rgb, 3);
    }
}

TEST_F(SceneRender, LightingFollowsTheAngleOfTheFaceToTheLight) {
  // A grey square facing the viewer, lit from the upper left in front: Ka + c (n . l), the
  // highlight far off (its cosine to the power 40 is below 1e-3).
  const float xyz[12] = {-0.9f, -0.4f, 0, -0.1f, -0.4f, 0, -0.1f, 0.4f, 0, -0.9f, 0.4f, 0};
  const int tri[6] = {0, 1, 2, 0, 2, 3};
  PavDrawObject *faces = createDrawObject(DrawTriangle, 1);
  scene->addObject(faces);
  ASSERT_TRUE(scene->attachData(faces, 4, xyz, 2, tri));
  const float c = 0.8f;
  for (int e = 0; e < 2; e++) faces->eltColors.insert(faces->eltColors.end(), {c, c, c, 1});
  scene->view.options.UsePhong = 1;
  draw();
  const float l[3] = {-0.4f, 0.6f, 1.0f};
  int headOn = (int)std::lround(255 * (0.08f + c * l[2] / std::hypot(l[0], l[1], l[2])));
  expectColour(colourAt(-0.5f, 0), headOn, headOn, headOn, 4);
}

namespace {

void expectRgb(const float rgb[3], float r, float g, float b, float tol = 1e-5f) {
  EXPECT_TRUE(std::fabs(rgb[0] - r) <= tol && std::fabs(rgb[1] - g) <= tol &&
              std::fabs(rgb[2] - b) <= tol)
      << rgb[0] << " " << rgb[1] << " " << rgb[2];
}

const float kUnevenPal[5] = {-1, 0, 2, 3, 10};

} // namespace

TEST(Palette, FromValuesSpansTheRangeInQuartersAndBadBreaksEndTheProcess) {
  PavPalette p;
  const float v[] = {1, 5, 3};
  p.setPaletteFromValues(3, v);
  EXPECT_TRUE(p.paletteSet);
  EXPECT_EQ(std::vector<float>(p.palette, p.palette + 5), (std::vector<float>{1, 2, 3, 4, 5}));
  const float bad[5] = {0, 2, 1, 3, 4};
  EXPECT_EXIT(p.setPalette(bad), testing::ExitedWithCode(1),
              "^ Please provide a correct palette\n$");
}

// Each palette interval covers a quarter of the map whatever its width; NaN takes the first entry.
TEST(Palette, ValuesLandOnTheQuartersOfTheMapAndIsolinesSplitIntervals) {
  const float cases[][5] = {{ColormapRainbow, 1, 0, 1, 0.5f},
                            {ColormapRainbow, 6.5f, 1, 0.5f, 0},
                            {ColormapRainbow, NAN, 0, 0, 1},
                            {ColormapGrayscale, 2, .5f, .5f, .5f}};
  for (const auto &c : cases) {
    float rgb[3];
    paletteColour(kUnevenPal, int(c[0]), c[1], rgb);
    expectRgb(rgb, c[2], c[3], c[4]);
  }
  // Isolines split each interval, or are the user's values.
  PavPalette p;
  p.setPalette(kUnevenPal);
  p.nbrIso = 2;
  float iso[40];
  const int n = paletteIsolines(p, iso, 40);
  EXPECT_EQ(std::vector<float>(iso, iso + n),
            (std::vector<float>{-1, -0.5f, 0, 1, 2, 2.5f, 3, 6.5f}));
  p.nbrUsrIso = 2, p.usrIso[0] = 0.25f, p.usrIso[1] = 7;
  ASSERT_EQ(paletteIsolines(p, iso, 40), 2);
  EXPECT_FLOAT_EQ(iso[1], 7);
}

// Every map's name finds it again and its entries are colours; an unknown index is reported.
TEST(Colormaps, NamesSizesAndEnds) {
  for (int i = 0; i < PAV_NBR_COLORMAPS; i++) {
    EXPECT_EQ(colormapIndex(colormapName(i)), i);
    const float *t = colormapTable(i);
    for (int k = 0; k < 3 * colormapSize(i); k++) ASSERT_TRUE(t[k] >= 0 && t[k] <= 1) << i;
  }
  EXPECT_EQ(pavo_test::captured([&] { EXPECT_STREQ(colormapName(12), "Unknown "); }),
            "  unknown colormap ! ");
}

TEST(ReferenceColours, BuiltinTableIsDistinctAndWrapsOnAbsoluteValue) {
  std::set<int> seen;
  for (int i = 0; i < PAV_NBR_REF_COLOURS; i++) {
    const uint8_t *c = PavReferenceColours::builtin(i);
    EXPECT_TRUE(seen.insert(c[0] << 16 | c[1] << 8 | c[2]).second) << i;
  }
  PavReferenceColours refs;
  float a[3], b[3];
  refs.colour(5, 1, a);
  refs.colour(-44, 1, b);
  expectRgb(b, a[0], a[1], a[2], 0);
  refs.colour(INT64_MIN, 1, b); // no overflow on the most negative reference
  const int32_t user[] = {255, 0, 0, 0, 51, 255};
  refs.setUserTable(2, user);
  refs.colour(3, 0.5f, a); // references 1..n take entries 1..n, then wrap
  expectRgb(a, 1, 0, 0);
  refs.colour(2, 0.5f, a);
  expectRgb(a, 0, 0.2f, 1);
}

// Interior extrema of curved fields reach the palette; values at the nodes alone would miss them.
TEST(PaletteRange, CurvedFieldsReachTheirInteriorExtrema) {
  float r[2];
  // Edge 2t(1-t) peaks at 0.5; triangle 2(uv + vw + wu) peaks at 2/3 in the centre.
  const float edge[3] = {0, 1, 0};
  ASSERT_TRUE(bezierFieldRange(DrawEdgeP2, 2, 1, edge, r));
  EXPECT_TRUE(r[0] == 0 && std::fabs(r[1] - 0.5f) < 1e-6f) << r[0] << " " << r[1];
  float tri[6];
  for (int i = 0; i <= 2; i++)
    for (int j = 0; i + j <= 2; j++)
      tri[posTri(2, i, j, 2 - i - j)] = i == 2 || j == 2 || i + j == 0 ? 0 : 1;
  ASSERT_TRUE(bezierFieldRange(DrawTriangleP2, 2, 1, tri, r));
  EXPECT_NEAR(r[1], 2.0f / 3.0f, 0.02f);
  PavPalette p;
  p.refinePaletteArray(DrawEdgeP2, 2, 1, edge);
  expectRgb(p.palette + 2, 0.25f, 0.375f, 0.5f, 1e-6f); // the palette spans [0, 0.5]
}
