// Frame read-back on a real context: screenshots in the three formats, multisample resolve,
// the picking framebuffer and id composition, GL error reports.
#include "gl_fixture.h"
#include "scene/gl_frame.h"
#include "scene/screenshot.h"
#include "test_paths.h"

#include <QImage>
#include <QOpenGLFunctions_4_0_Core>
#include <cstdio>

using namespace pavo;

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
