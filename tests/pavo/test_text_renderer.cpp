// Glyph rasterisation and text layout, checked without an OpenGL context.
#include "render/text_renderer.h"
#include "test_paths.h"

#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

using namespace pavo;

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
