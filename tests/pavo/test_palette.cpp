// Palettes, colour maps and reference colours, evaluated on the CPU as the shaders do.
#include "files/draw_types.h"
#include "render/colormaps.h"
#include "render/palette.h"
#include "test_paths.h"

#include "ho_lattice.h"

#include <cmath>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

using namespace pavo;

namespace {

void expectRgb(const float rgb[3], float r, float g, float b, float tol = 1e-5f) {
  EXPECT_TRUE(std::fabs(rgb[0] - r) <= tol && std::fabs(rgb[1] - g) <= tol &&
              std::fabs(rgb[2] - b) <= tol)
      << rgb[0] << " " << rgb[1] << " " << rgb[2];
}

const float kPal[5] = {-1, 0, 2, 3, 10};

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
    paletteColour(kPal, int(c[0]), c[1], rgb);
    expectRgb(rgb, c[2], c[3], c[4]);
  }
  // Isolines split each interval, or are the user's values.
  PavPalette p;
  p.setPalette(kPal);
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
