#include "gl_fixture.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_4_0_Core>
#include <QSurfaceFormat>
#include <memory>

namespace pavo_test {

bool haveDisplay() {
  return QGuiApplication::instance() && QGuiApplication::platformName() != "offscreen";
}

namespace {

// One context for the whole run: creating a context per test costs more than the tests.
struct SharedContext {
  std::unique_ptr<QOffscreenSurface> surface;
  std::unique_ptr<QOpenGLContext> context;
  QOpenGLFunctions_4_0_Core *gl = nullptr;
  bool tried = false;
};

SharedContext &shared() {
  static SharedContext ctx;
  if (ctx.tried) return ctx;
  ctx.tried = true;
  if (!haveDisplay()) return ctx;
  // The context must go before the application object does, not at static destruction.
  qAddPostRoutine([] {
    SharedContext &c = shared();
    c.gl = nullptr;
    c.context.reset();
    c.surface.reset();
  });
  QSurfaceFormat format;
  format.setVersion(4, 5);
  format.setProfile(QSurfaceFormat::CoreProfile);
  format.setDepthBufferSize(24);
  format.setSamples(0);
  ctx.surface = std::make_unique<QOffscreenSurface>();
  ctx.surface->setFormat(format);
  ctx.surface->create();
  ctx.context = std::make_unique<QOpenGLContext>();
  ctx.context->setFormat(format);
  if (!ctx.context->create() || !ctx.context->makeCurrent(ctx.surface.get())) return ctx;
  ctx.gl = ctx.context->versionFunctions<QOpenGLFunctions_4_0_Core>();
  if (ctx.gl && !ctx.gl->initializeOpenGLFunctions()) ctx.gl = nullptr;
  return ctx;
}

} // namespace

void GlFixture::SetUp() {
  SharedContext &ctx = shared();
  if (!ctx.gl) GTEST_SKIP() << "no OpenGL 4 context (no display)";
  ctx.context->makeCurrent(ctx.surface.get());
  gl = ctx.gl;
  gl->glGenFramebuffers(1, &fbo);
  gl->glGenRenderbuffers(1, &colour);
  gl->glGenRenderbuffers(1, &depth);
  gl->glBindRenderbuffer(GL_RENDERBUFFER, colour);
  gl->glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  gl->glBindRenderbuffer(GL_RENDERBUFFER, depth);
  gl->glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
  gl->glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
  gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
  ASSERT_EQ(gl->glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
  gl->glViewport(0, 0, width, height);
  // Draws need a bound vertex array in a core context, even without attributes.
  gl->glGenVertexArrays(1, &vao);
  gl->glBindVertexArray(vao);
  gl->glEnable(GL_DEPTH_TEST);
  gl->glDisable(GL_BLEND);
  clear(0, 0, 0, 0);
  glError();
}

void GlFixture::TearDown() {
  if (!gl) return;
  gl->glBindVertexArray(0);
  gl->glDeleteVertexArrays(1, &vao);
  gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
  gl->glDeleteFramebuffers(1, &fbo);
  gl->glDeleteRenderbuffers(1, &colour);
  gl->glDeleteRenderbuffers(1, &depth);
  gl->glUseProgram(0);
}

void GlFixture::clear(float r, float g, float b, float a) {
  gl->glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  gl->glClearColor(r, g, b, a);
  gl->glClearDepth(1.0);
  gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

std::array<uint8_t, 4> GlFixture::pixel(int x, int y) {
  std::array<uint8_t, 4> out{};
  gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
  gl->glPixelStorei(GL_PACK_ALIGNMENT, 1);
  gl->glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
  return out;
}

std::vector<uint8_t> GlFixture::readAll() {
  std::vector<uint8_t> out(static_cast<size_t>(width) * height * 4);
  gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
  gl->glPixelStorei(GL_PACK_ALIGNMENT, 1);
  gl->glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
  return out;
}

uint32_t GlFixture::decodeId(const std::array<uint8_t, 4> &p) {
  return (uint32_t(p[3]) << 24) | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}

unsigned GlFixture::glError() {
  unsigned first = 0;
  for (unsigned e = gl->glGetError(); e != GL_NO_ERROR; e = gl->glGetError())
    if (!first) first = e;
  return first;
}

} // namespace pavo_test
