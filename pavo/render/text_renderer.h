// On-screen text: glyphs of the two built-in fonts rasterised by FreeType into one atlas texture
// per font, drawn as one textured quad per character with the "TextSha" program.
//
// Rasterisation and quad layout are pure (no OpenGL) so that they can be checked without a
// context; PavTextRenderer only uploads the atlases and draws.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

class QOpenGLFunctions_4_0_Core;

namespace pavo {

// One glyph. size, bearing and the atlas rectangle are in pixels; advance is in 1/64 pixel as
// FreeType gives it. A glyph that failed to load is all zeros.
struct PavGlyph {
  uint32_t texture = 0;           // GL name of the atlas holding the glyph (0 before upload)
  int32_t size[2] = {0, 0};       // bitmap width and rows
  int32_t bearing[2] = {0, 0};    // left and top offsets of the bitmap from the pen
  int32_t advance = 0;            // pen advance, 1/64 pixel
  int32_t atlasX = 0, atlasY = 0; // top-left of the bitmap in the atlas
};

constexpr int PAV_NBR_GLYPHS = 128; // character codes 0..127

// The glyphs of one font and the single-channel atlas (row 0 at the top) that holds their
// bitmaps side by side.
struct PavGlyphAtlas {
  PavGlyph glyphs[PAV_NBR_GLYPHS];
  int32_t width = 0, height = 0;
  std::vector<uint8_t> pixels; // width * height coverage values
  bool valid = false;
};

// Rasterises the character codes 0..127 of the font file at `path` at `pixelSize` pixels.
// FreeType failures print the messages of the text renderer ("Could not init FreeType library\n",
// "Could not open font %s\n" on standard error) and return an atlas with valid false; a glyph
// that does not load prints "ERROR::FREETYTPE: Failed to load Glyph" and stays empty.
PavGlyphAtlas rasterizeFont(const char *path, int pixelSize);

// Copies a Qt resource (":/fonts/...") into `dir` under `fileName` so that FreeType can open it;
// returns the path, or an empty string when the copy failed.
QString extractResource(const QString &resource, const QString &dir, const QString &fileName);

// Quads of a string: for each character with a bitmap, 6 vertices (two triangles) of 5 floats
// (x, y, z = 0, u, v) placed from the pen at (x, y) (window pixels, y up) by the glyph's bearing
// and size times `scale`; the pen then advances by (advance >> 6) * scale. Characters without a
// bitmap (the blank) only advance; codes above 127 and glyphs that failed draw nothing and do not
// advance. Returns the pen's final x.
float layoutText(const PavGlyphAtlas &atlas, const char *text, float x, float y, float scale,
                 std::vector<float> &vertices);

enum class PavFont { Regular = 0, SemiBold = 1 };

class PavTextRenderer {
public:
  PavTextRenderer() = default;
  ~PavTextRenderer() = default;
  PavTextRenderer(const PavTextRenderer &) = delete;
  PavTextRenderer &operator=(const PavTextRenderer &) = delete;

  // Builds both atlases and the vertex array; needs the context current. Returns false when a
  // font could not be rasterised (the renderer then draws nothing).
  bool init(QOpenGLFunctions_4_0_Core *functions, int pixelSize);
  // Releases the GL names; needs the context current.
  void release();

  // Draws a string at window position (x, y) in pixels (y up) with the program currently in use
  // ("TextSha": the caller sets ortho, fronttext, sampletext and text); sets writecolor.
  void renderText(PavFont font, const char *text, float x, float y, float scale,
                  const float colour[3]);
  // Projects a scene point through mvp (column-major 4x4) to window coordinates of a window of
  // width x height pixels and draws the text there.
  void renderText3D(const float mvp[16], int width, int height, PavFont font, const char *text,
                    const float point[3], float scale, const float colour[3]);

  const PavGlyphAtlas &atlas(PavFont font) const { return atlases[(int)font]; }
  int pixelSize() const { return size; }

private:
  QOpenGLFunctions_4_0_Core *gl = nullptr;
  PavGlyphAtlas atlases[2];
  uint32_t vao = 0, vbo = 0;
  int size = 0;
  std::vector<float> scratch;
};

// Window coordinates ((ndc + 1) * half the window size) of a scene point; false when the point
// is behind the camera (w <= 0).
bool projectToWindow(const float mvp[16], int width, int height, const float point[3], float *x,
                     float *y);

} // namespace pavo
