// Buffer objects drawn by the catalogue's programs, read back: curved faces against exact masks,
// per-element colours and ids beyond the first few hundred patches, filled isolines.
#include <QMatrix4x4>
#include <QOpenGLFunctions_4_0_Core>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <tuple>

#include "gl_fixture.h"
#include "render/buffer_object.h"
#include "render/buffer_packing.h"
#include "render/glsl_catalogue.h"
#include "render/glsl_program.h"
#include "render/palette.h"

using namespace pavo;

namespace {

std::unique_ptr<PavDrawObject> plainObject(uint32_t type, std::vector<float> colors = {}) {
  std::unique_ptr<PavDrawObject> o(createDrawObject(type, 1));
  o->renderMode = 3;
  o->eltColors = std::move(colors);
  return o;
}

class BufferRender : public pavo_test::GlFixture {
protected:
  // A catalogue program viewing [x0, x0 + size] x [y0, y0 + size]: flat colours, no clipping.
  GlslProgram &program(const char *name, double x0 = 0, double y0 = 0, double size = 1,
                       int tess = 8, const GlslFlags &flags = GlslFlags()) {
    const GlslCatalogueEntry *e = findGlslProgram(name);
    prog.reset(new GlslProgram);
    prog->setGLFunctions(gl);
    prog->buildFromResources(glslBuildFlags(*e, flags), e->name, e->vs, e->fs, e->gs, e->tcs,
                             e->tes);
    prog->use();
    QMatrix4x4 mvp;
    mvp.ortho(float(x0), float(x0 + size), float(y0), float(y0 + size), -1, 1);
    prog->setUniform("MVP", mvp);
    prog->setUniform("ModelViewMatrix", QMatrix4x4());
    prog->setUniform("NormalMatrix", QMatrix3x3());
    for (const char *unit : {"scaling", "Line.Width", "IsoWidth", "THICKNESS"})
      prog->setUniform(unit, 1.0f);
    prog->setUniform("trans", 0.0f, 0.0f, 0.0f);
    prog->setUniform("scenescaling", QVector4D(0, 0, 0, 1));
    prog->setUniform("CutPlane", QVector4D(0, 0, 0, -1));
    prog->setUniform("tess_level", tess);
    prog->setUniform("UsePhong", 3);
    prog->setUniform("WIN_SCALE", float(width) / 2, float(height) / 2);
    return *prog;
  }
  void TearDown() override {
    if (gl)
      for (auto &b : buffers) b->release(gl);
    if (gl && prog) prog->release();
    GlFixture::TearDown();
  }
  std::unique_ptr<GlslProgram> prog;
  std::vector<std::unique_ptr<PavBufferObject>> buffers;
};

// Lattice point (x, y) of node n of the canonical order, in units of 1 / degree.
std::pair<int, int> latticePoint(HoKind kind, int degree, int n) {
  const int *l = hoNodeOrder(kind, degree) + n * hoOrderWidth(kind);
  return kind == HoTriangle ? std::make_pair(l[1], l[2]) : std::make_pair(l[0], l[1]);
}

// Straight degree-2 elements on [0,1]^2, square by square: one quadrilateral, or the triangles
// (0,0), (1,0), (0,1) and (1,1), (0,1), (1,0).
std::vector<int> gridElements(HoKind kind, int nx, int ny, std::vector<float> &xyz) {
  for (int j = 0; j <= 2 * ny; ++j)
    for (int i = 0; i <= 2 * nx; ++i) xyz.insert(xyz.end(), {i / (2.0f * nx), j / (2.0f * ny), 0});
  std::vector<int> elt;
  const int k = int(hoNodeCount(kind, 2));
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i)
      for (int half = 0; half < (kind == HoTriangle ? 2 : 1); ++half)
        for (int n = 0; n < k; ++n) {
          auto [a, b] = latticePoint(kind, 2, n);
          if (half) a = 2 - a, b = 2 - b;
          elt.push_back((2 * j + b) * (2 * nx + 1) + 2 * i + a);
        }
  return elt;
}

uint32_t faceType(HoKind kind, int d) {
  const uint32_t types[2][4] = {{DrawTriangle, DrawTriangleP2, DrawTriangleP3, DrawTriangleP4},
                                {DrawQuad, DrawQuadQ2, DrawQuadQ3, DrawQuadQ4}};
  return types[kind == HoTriangle ? 0 : 1][d - 1];
}

std::string faceProgram(HoKind kind, int d) {
  const std::string base = kind == HoTriangle ? "TriSha" : "QuaSha";
  return d == 1 ? base : (kind == HoTriangle ? "P" : "Q") + std::to_string(d) + base;
}

} // namespace

// One element of each face kind and degree, drawn alone.
class FaceKind : public BufferRender, public ::testing::WithParamInterface<std::tuple<int, int>> {
protected:
  // The element on [0,1]^2 (triangle: lower-left half), the inner points of its side from (0,0)
  // to (1,0) lowered by `bend`.
  void drawElement(double bend, double x0, double y0, double size) {
    const HoKind kind = static_cast<HoKind>(std::get<0>(GetParam()));
    const int d = std::get<1>(GetParam()), k = int(hoNodeCount(kind, d));
    std::vector<float> xyz;
    std::vector<int> elt;
    for (int n = 0; n < k; ++n) {
      const auto [i, j] = latticePoint(kind, d, n);
      xyz.insert(xyz.end(),
                 {float(i) / d, float(j == 0 && i > 0 && i < d ? -bend : double(j) / d), 0});
      elt.push_back(n);
    }
    PavBufferObject *b = createBufferObjectForType(faceType(kind, d));
    buffers.emplace_back(b);
    GlslProgram &p = program(faceProgram(kind, d).c_str(), x0, y0, size, 8);
    b->updateVao(gl, k, xyz.data(), 1, elt.data());
    object = plainObject(faceType(kind, d), {1, 0, 0, 1});
    EXPECT_EQ(b->renderList(gl, object.get(), &p, nullptr, nullptr), 1);
  }
  std::unique_ptr<PavDrawObject> object;
};

// The bottom side bent down by a is the curve y(x) = -a (1 - x^d - (1 - x)^d), the others stay
// straight: the drawn pixels match the region bounded, up to a one-pixel band along the boundary.
TEST_P(FaceKind, BentSideCoversTheExactRegion) {
  const bool tri = std::get<0>(GetParam()) == HoTriangle;
  const int d = std::get<1>(GetParam());
  const double a = 0.2, x0 = -0.25, y0 = -0.4, size = 1.5;
  drawElement(a, x0, y0, size);
  EXPECT_EQ(glError(), 0u);
  const std::vector<uint8_t> image = readAll();
  auto inside = [&](double x, double y) {
    const double bottom = -a * (1 - std::pow(x, d) - std::pow(1 - x, d));
    return x >= 0 && x <= 1 && y >= bottom && (tri ? y <= 1 - x : y <= 1);
  };
  int strict = 0, wrong = 0;
  const double px1 = size / width;
  for (int py = 0; py < height; ++py)
    for (int px = 0; px < width; ++px) {
      const bool drawn = image[(py * width + px) * 4] > 128;
      const double x = x0 + size * (px + 0.5) / width, y = y0 + size * (py + 0.5) / height;
      bool same = true;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          same = same && inside(x + dx * px1, y + dy * px1) == inside(x, y);
      if (!same) continue;
      ++strict;
      if (drawn != inside(x, y)) ++wrong;
    }
  EXPECT_TRUE(wrong == 0 && strict > width * height * 9 / 10) << wrong << " " << strict;
}

INSTANTIATE_TEST_SUITE_P(KindsAndDegrees, FaceKind,
                         ::testing::Combine(::testing::Values(int(HoTriangle),
                                                              int(HoQuadrilateral)),
                                            ::testing::Range(1, 5)));

// More patches than the first few hundred (where a driver once dropped the per-patch id): 16 x 16
// squares of two P2 triangles, 16 x 12 Q2 quadrilaterals; each centroid reads its colour and id.
TEST_F(BufferRender, PerElementColoursAndIdsBeyondTheFirstPatches) {
  for (const HoKind kind : {HoTriangle, HoQuadrilateral}) {
    const bool tri = kind == HoTriangle;
    SCOPED_TRACE(tri ? "P2 triangles" : "Q2 quadrilaterals");
    const int nx = 16, ny = tri ? 16 : 12, count = (tri ? 2 : 1) * nx * ny;
    std::vector<float> xyz;
    const std::vector<int> elt = gridElements(kind, nx, ny, xyz);
    std::vector<float> colors;
    for (int e = 0; e < count; ++e)
      colors.insert(colors.end(), {float(e % 256) / 255, float(e / 256) / 255, 0.5f, 1.0f});
    auto object = plainObject(faceType(kind, 2), colors);
    PavBufferObject *b = createBufferObjectForType(faceType(kind, 2));
    buffers.emplace_back(b);
    b->updateVao(gl, int(xyz.size() / 3), xyz.data(), count, elt.data());
    clear(0, 0, 0, 0);
    GlslProgram &p = program(faceProgram(kind, 2).c_str(), 0, 0, 1, 2);
    b->renderList(gl, object.get(), &p, nullptr, nullptr);
    const std::vector<uint8_t> image = readAll();
    auto probe = [&](int e) {
      const int sq = tri ? e / 2 : e;
      const double in = tri ? (e % 2 ? 2.0 / 3 : 1.0 / 3) : 0.5;
      const double cx = (sq % nx + in) / nx, cy = (sq / nx + in) / ny;
      return (int(cy * height) * width + int(cx * width)) * 4;
    };
    int wrong = 0;
    for (int e = 0; e < count; ++e)
      wrong += image[probe(e)] != e % 256 || image[probe(e) + 1] != e / 256;
    EXPECT_EQ(wrong, 0);

    clear(0, 0, 0, 0);
    p.setUniform("Picking", true);
    QList<PavPickEntry> picks;
    int counter = 1000;
    EXPECT_EQ(b->renderList(gl, object.get(), &p, &picks, &counter), count);
    const std::vector<uint8_t> ids = readAll();
    wrong = 0;
    for (int e = 0; e < count; ++e) {
      const int at = probe(e);
      wrong += decodeId({ids[at], ids[at + 1], ids[at + 2], ids[at + 3]}) != uint32_t(1000 + e);
    }
    EXPECT_EQ(wrong, 0);
  }
}

// The field 4 x on the unit square (lexicographic coefficients: vertex 1, 2, 0), palette 0..4,
// three parts per interval: twelve bands, each flat in the colour of its lower value.
TEST_F(BufferRender, FilledIsolinesSplitEachIntervalIntoBands) {
  const float values[6] = {4, 4, 0, 4, 0, 0}, pal[5] = {0, 1, 2, 3, 4},
              xyz[12] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
  const int elt[6] = {0, 1, 2, 0, 2, 3};
  PavDrawSolution solution(1);
  solution.setPalette(pal);
  solution.colormap = -1;
  solution.nbrIso = 3;
  auto *b = new PavBufferTriangle;
  buffers.emplace_back(b);
  b->updateVao(gl, 4, xyz, 2, elt);
  b->attachFields(&solution, nullptr, nullptr);
  b->setFieldDegrees(1, 0, 0);
  b->updateFieldTextures(gl, 6, values, 0, nullptr, 0, nullptr);
  GlslFlags flags;
  flags.sol = true, flags.solDeg = 1;
  GlslProgram &p = program("TriSha", 0, 0, 1, 1, flags);
  p.setUniform("SolOn", 2);
  p.setUniform("IsoOn", 0);
  auto object = plainObject(DrawTriangle);
  EXPECT_EQ(b->renderList(gl, object.get(), &p, nullptr, nullptr), 2);
  for (int band = 0; band < 12; ++band) {
    float expected[3];
    paletteColour(pal, -1, float(band) / 3, expected);
    const auto got = pixel(int((band + 0.4) / 12 * width), height / 3);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[c], expected[c] * 255, 2.0) << band;
  }
  EXPECT_EQ(glError(), 0u);
}

// A face program built with fixed switches draws byte for byte what the uniforms they replace
// draw: 4 x 4 squares of flat triangles, the first hidden, under every lighting model, with and
// without wire lines (that hidden elements vanish is the element filter's test).
TEST_F(BufferRender, FixedSwitchesDrawWhatTheirUniformsDraw) {
  std::vector<float> xyz, colors;
  std::vector<int> elt;
  for (int a = 0; a < 32; ++a) {
    if (a < 25) xyz.insert(xyz.end(), {a % 5 / 4.0f, a / 5 / 4.0f, 0});
    if (a % 5 < 4 && a < 20) elt.insert(elt.end(), {a, a + 1, a + 5, a + 6, a + 5, a + 1});
    colors.insert(colors.end(), {a / 32.0f, 0.5f, 0.8f, a ? 1.0f : 0});
  }
  auto object = plainObject(DrawTriangle, colors);
  buffers.emplace_back(createBufferObjectForType(DrawTriangle));
  buffers.back()->updateVao(gl, 25, xyz.data(), 32, elt.data());
  auto frame = [&](const GlslSwitches &fixed, int model, bool lines) {
    GlslFlags flags;
    flags.fixed = fixed;
    GlslProgram &p = program("TriSha", 0, 0, 1, 1, flags);
    p.setUniform("Light.Intensity", QVector3D(1, 1, 1));
    p.setUniform("UsePhong", model);
    for (const char *name : {"LineOn", "TessOn", "LineSurfOn"}) p.setUniform(name, lines);
    clear(0, 0, 0, 0);
    buffers.back()->renderList(gl, object.get(), &p, nullptr, nullptr);
    p.release();
    return readAll();
  };
  for (int model = 0; model < 4; ++model)
    for (const bool lines : {false, true})
      EXPECT_TRUE(frame({model, true, !lines, true}, model, lines) == frame({}, model, lines))
          << model << " " << lines;
}
