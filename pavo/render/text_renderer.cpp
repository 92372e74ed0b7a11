#include "render/text_renderer.h"

#include "app_messages.h"

#include <QFile>
#include <QOpenGLFunctions_4_0_Core>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ft2build.h>
#include FT_FREETYPE_H

// The resources are compiled into the static application library; nothing references their
// object file, so register them explicitly before the first use.
static void registerPavoResources() {
  static const bool done = [] {
    Q_INIT_RESOURCE(pavo);
    return true;
  }();
  (void)done;
}

namespace pavo {

namespace {

// Glyph bitmaps before packing.
struct RawGlyph {
  PavGlyph g;
  std::vector<uint8_t> bits;
};

// Shelf packing in code order: glyphs of one font have similar heights, so rows of fixed height
// waste little. One pixel of gap keeps linear filtering from bleeding between neighbours.
void pack(std::vector<RawGlyph> &raw, PavGlyphAtlas &atlas) {
  const int width = 512, gap = 1;
  int x = gap, y = gap, rowH = 0;
  for (RawGlyph &r : raw) {
    int w = r.g.size[0], h = r.g.size[1];
    if (w <= 0 || h <= 0) continue;
    if (x + w + gap > width) {
      x = gap;
      y += rowH + gap;
      rowH = 0;
    }
    r.g.atlasX = x;
    r.g.atlasY = y;
    x += w + gap;
    rowH = std::max(rowH, h);
  }
  atlas.width = width;
  atlas.height = y + rowH + gap;
  atlas.pixels.assign((size_t)atlas.width * (size_t)atlas.height, 0);
  for (int c = 0; c < PAV_NBR_GLYPHS; c++) {
    RawGlyph &r = raw[(size_t)c];
    for (int row = 0; row < r.g.size[1]; row++)
      std::copy_n(&r.bits[(size_t)row * (size_t)r.g.size[0]], r.g.size[0],
                  &atlas.pixels[(size_t)(r.g.atlasY + row) * (size_t)width + (size_t)r.g.atlasX]);
    atlas.glyphs[c] = r.g;
  }
}

} // namespace

PavGlyphAtlas rasterizeFont(const char *path, int pixelSize) {
  PavGlyphAtlas atlas;
  FT_Library ft;
  if (FT_Init_FreeType(&ft)) {
    appError("Could not init FreeType library\n");
    return atlas;
  }
  FT_Face face;
  if (!path || FT_New_Face(ft, path, 0, &face)) {
    appError("Could not open font %s\n", path ? path : "(null)");
    FT_Done_FreeType(ft);
    return atlas;
  }
  if (FT_Set_Pixel_Sizes(face, 0, (FT_UInt)std::max(pixelSize, 1)))
    appMessage("ERROR::FREETYTPE: FT_Set_Pixel_Sizes\n");
  std::vector<RawGlyph> raw((size_t)PAV_NBR_GLYPHS);
  for (int c = 0; c < PAV_NBR_GLYPHS; c++) {
    if (FT_Load_Char(face, (FT_ULong)c, FT_LOAD_RENDER)) {
      appMessage("ERROR::FREETYTPE: Failed to load Glyph\n");
      continue;
    }
    const FT_GlyphSlot s = face->glyph;
    RawGlyph &r = raw[(size_t)c];
    r.g.size[0] = (int32_t)s->bitmap.width;
    r.g.size[1] = (int32_t)s->bitmap.rows;
    r.g.bearing[0] = s->bitmap_left;
    r.g.bearing[1] = s->bitmap_top;
    r.g.advance = (int32_t)s->advance.x;
    // Rows may be padded (pitch); copy them tightly.
    r.bits.resize((size_t)r.g.size[0] * (size_t)r.g.size[1]);
    for (int row = 0; row < r.g.size[1]; row++)
      std::copy_n(s->bitmap.buffer + (ptrdiff_t)row * s->bitmap.pitch, r.g.size[0],
                  &r.bits[(size_t)row * (size_t)r.g.size[0]]);
  }
  FT_Done_Face(face);
  FT_Done_FreeType(ft);
  pack(raw, atlas);
  atlas.valid = true;
  return atlas;
}

QString extractResource(const QString &resource, const QString &dir, const QString &fileName) {
  registerPavoResources();
  QString path = dir + "/" + fileName;
  QFile::remove(path);
  if (!QFile::copy(resource, path)) return QString();
  return path;
}

float layoutText(const PavGlyphAtlas &atlas, const char *text, float x, float y, float scale,
                 std::vector<float> &v) {
  if (!text) return x;
  const float aw = (float)std::max(atlas.width, 1), ah = (float)std::max(atlas.height, 1);
  for (const char *p = text; *p; p++) {
    unsigned char c = (unsigned char)*p;
    if (c >= PAV_NBR_GLYPHS) continue;
    const PavGlyph &g = atlas.glyphs[c];
    if (g.size[0] > 0 && g.size[1] > 0) {
      float xp = x + (float)g.bearing[0] * scale;
      float yp = y - (float)(g.size[1] - g.bearing[1]) * scale;
      float w = (float)g.size[0] * scale, h = (float)g.size[1] * scale;
      float u0 = (float)g.atlasX / aw, u1 = (float)(g.atlasX + g.size[0]) / aw;
      float v0 = (float)g.atlasY / ah, v1 = (float)(g.atlasY + g.size[1]) / ah;
      // Atlas row 0 is the glyph's top: the quad's top edge takes v0.
      const float quad[6][5] = {{xp, yp + h, 0, u0, v0}, {xp, yp, 0, u0, v1},
                                {xp + w, yp, 0, u1, v1}, {xp, yp + h, 0, u0, v0},
                                {xp + w, yp, 0, u1, v1}, {xp + w, yp + h, 0, u1, v0}};
      for (const auto &vert : quad) v.insert(v.end(), vert, vert + 5);
    }
    x += (float)(g.advance >> 6) * scale;
  }
  return x;
}

bool projectToWindow(const float m[16], int width, int height, const float p[3], float *x,
                     float *y) {
  float cx = m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12];
  float cy = m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13];
  float cw = m[3] * p[0] + m[7] * p[1] + m[11] * p[2] + m[15];
  if (!(cw > 0)) return false;
  *x = (cx / cw + 1.0f) * 0.5f * (float)width;
  *y = (cy / cw + 1.0f) * 0.5f * (float)height;
  return true;
}

bool PavTextRenderer::init(QOpenGLFunctions_4_0_Core *f, int pixelSize) {
  release();
  gl = f;
  size = pixelSize;
  if (!gl) return false;
  // FreeType opens files: copy the built-in fonts to a temporary folder first.
  QTemporaryDir dir;
  const char *names[2][2] = {{":/fonts/Montserrat-Regular.ttf", "montserrat-regular.ttf"},
                             {":/fonts/Montserrat-SemiBold.ttf", "montserrat-semibold.ttf"}};
  bool ok = dir.isValid();
  for (int i = 0; i < 2; i++) {
    QString path = ok ? extractResource(names[i][0], dir.path(), names[i][1]) : QString();
    atlases[i] =
        rasterizeFont(path.isEmpty() ? names[i][1] : path.toLocal8Bit().constData(), pixelSize);
    ok = ok && atlases[i].valid;
  }
  if (!ok) return false;
  gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (PavGlyphAtlas &a : atlases) {
    GLuint tex = 0;
    gl->glGenTextures(1, &tex);
    gl->glBindTexture(GL_TEXTURE_2D, tex);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RED, a.width, a.height, 0, GL_RED, GL_UNSIGNED_BYTE,
                     a.pixels.data());
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    for (PavGlyph &g : a.glyphs) g.texture = tex;
  }
  gl->glBindTexture(GL_TEXTURE_2D, 0);
  gl->glGenVertexArrays(1, &vao);
  gl->glGenBuffers(1, &vbo);
  gl->glBindVertexArray(vao);
  gl->glBindBuffer(GL_ARRAY_BUFFER, vbo);
  gl->glBufferData(GL_ARRAY_BUFFER, 6 * 5 * sizeof(float), nullptr, GL_DYNAMIC_DRAW);
  gl->glEnableVertexAttribArray(0);
  gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 5 * sizeof(float), nullptr);
  gl->glEnableVertexAttribArray(1);
  gl->glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 5 * sizeof(float),
                            reinterpret_cast<void *>(3 * sizeof(float)));
  gl->glBindVertexArray(0);
  gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
  return true;
}

void PavTextRenderer::release() {
  if (!gl) return;
  for (PavGlyphAtlas &a : atlases) {
    GLuint tex = a.glyphs[0].texture;
    if (tex) gl->glDeleteTextures(1, &tex);
    for (PavGlyph &g : a.glyphs) g.texture = 0;
  }
  if (vbo) gl->glDeleteBuffers(1, &vbo);
  if (vao) gl->glDeleteVertexArrays(1, &vao);
  vao = vbo = 0;
}

void PavTextRenderer::renderText(PavFont font, const char *text, float x, float y, float scale,
                                 const float colour[3]) {
  if (!gl || !vao || !text) return;
  const PavGlyphAtlas &a = atlases[(int)font];
  GLint program = 0;
  gl->glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  if (program) {
    gl->glUniform3f(gl->glGetUniformLocation((GLuint)program, "writecolor"), colour[0], colour[1],
                    colour[2]);
    gl->glUniform1i(gl->glGetUniformLocation((GLuint)program, "text"), 2);
  }
  scratch.clear();
  layoutText(a, text, x, y, scale, scratch);
  if (scratch.empty()) return;
  gl->glActiveTexture(GL_TEXTURE2);
  gl->glBindTexture(GL_TEXTURE_2D, a.glyphs[0].texture);
  gl->glBindVertexArray(vao);
  gl->glBindBuffer(GL_ARRAY_BUFFER, vbo);
  // One upload for the whole string instead of one per character: the buffer grows to fit.
  gl->glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)(scratch.size() * sizeof(float)), scratch.data(),
                   GL_DYNAMIC_DRAW);
  gl->glDrawArrays(GL_TRIANGLES, 0, (GLsizei)(scratch.size() / 5));
  gl->glBindVertexArray(0);
  gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
  gl->glBindTexture(GL_TEXTURE_2D, 0);
  gl->glActiveTexture(GL_TEXTURE0);
}

void PavTextRenderer::renderText3D(const float mvp[16], int width, int height, PavFont font,
                                   const char *text, const float point[3], float scale,
                                   const float colour[3]) {
  float x, y;
  if (projectToWindow(mvp, width, height, point, &x, &y))
    renderText(font, text, x, y, scale, colour);
}

} // namespace pavo
