#include "render/gl_frame.h"

#include "app_messages.h"

#include <QOpenGLFunctions_4_0_Core>
#include <cstdio>

namespace pavo {

uint32_t composePickId(const uint8_t c[4]) {
  return (uint32_t)c[0] * 65536u + (uint32_t)c[1] * 256u + (uint32_t)c[2] +
         (uint32_t)c[3] * 16777216u;
}

const char *framebufferStatusText(unsigned status) {
  switch (status) {
  case GL_FRAMEBUFFER_UNDEFINED:
    return "GL_FRAMEBUFFER_UNDEFINED\n";
  case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT:
    return "GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT\n";
  case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT:
    return "GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT\n";
  case GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER:
    return "GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER\n";
  case GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER:
    return "GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER\n";
  case GL_FRAMEBUFFER_UNSUPPORTED:
    return "GL_FRAMEBUFFER_UNSUPPORTED\n";
  case GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE:
    return "GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE\n";
  case GL_FRAMEBUFFER_INCOMPLETE_LAYER_TARGETS:
    return "GL_FRAMEBUFFER_INCOMPLETE_LAYER_TARGETS\n";
  default:
    return "unspecified error\n";
  }
}

const char *glErrorName(unsigned code) {
  switch (code) {
  case GL_INVALID_ENUM:
    return "INVALID_ENUM";
  case GL_INVALID_VALUE:
    return "INVALID_VALUE";
  case GL_INVALID_OPERATION:
    return "INVALID_OPERATION";
  case GL_OUT_OF_MEMORY:
    return "OUT_OF_MEMORY";
  case GL_INVALID_FRAMEBUFFER_OPERATION:
    return "INVALID_FRAMEBUFFER_OPERATION";
  default:
    return "";
  }
}

void PavPickingFramebuffer::release(QOpenGLFunctions_4_0_Core *gl) {
  if (!gl) return;
  if (texture) gl->glDeleteTextures(1, &texture);
  if (framebuffer) gl->glDeleteFramebuffers(1, &framebuffer);
  if (depth) gl->glDeleteRenderbuffers(1, &depth);
  texture = framebuffer = depth = 0;
  width = height = 0;
}

bool PavPickingFramebuffer::create(QOpenGLFunctions_4_0_Core *gl, int w, int h, unsigned previous) {
  release(gl);
  if (!gl || w <= 0 || h <= 0) return false;
  width = w;
  height = h;
  gl->glGenTextures(1, &texture);
  gl->glBindTexture(GL_TEXTURE_2D, texture);
  gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  gl->glBindTexture(GL_TEXTURE_2D, 0);
  gl->glGenFramebuffers(1, &framebuffer);
  gl->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  gl->glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
  gl->glGenRenderbuffers(1, &depth);
  gl->glBindRenderbuffer(GL_RENDERBUFFER, depth);
  gl->glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT, w, h);
  gl->glBindRenderbuffer(GL_RENDERBUFFER, 0);
  gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
  const GLenum buffers[1] = {GL_COLOR_ATTACHMENT0};
  gl->glDrawBuffers(1, buffers);
  GLenum status = gl->glCheckFramebufferStatus(GL_FRAMEBUFFER);
  gl->glBindFramebuffer(GL_FRAMEBUFFER, previous);
  if (status != GL_FRAMEBUFFER_COMPLETE) {
    appError("ERROR: incomplete framebuffer\n%s", framebufferStatusText(status));
    return false;
  }
  return true;
}

std::vector<uint8_t> readFramebuffer(QOpenGLFunctions_4_0_Core *gl, unsigned source, int w, int h) {
  std::vector<uint8_t> pixels;
  if (!gl || w <= 0 || h <= 0) return pixels;
  pixels.resize(4 * (size_t)w * (size_t)h);
  GLint previousRead = 0, previousDraw = 0, samples = 0;
  gl->glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previousRead);
  gl->glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &previousDraw);
  // GL_SAMPLES describes the draw framebuffer: bind the source to both targets to ask.
  gl->glBindFramebuffer(GL_FRAMEBUFFER, source);
  gl->glGetIntegerv(GL_SAMPLES, &samples);
  GLuint resolve = 0, colour = 0;
  if (samples > 0) {
    gl->glGenFramebuffers(1, &resolve);
    gl->glGenRenderbuffers(1, &colour);
    gl->glBindRenderbuffer(GL_RENDERBUFFER, colour);
    gl->glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
    gl->glBindRenderbuffer(GL_RENDERBUFFER, 0);
    gl->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolve);
    gl->glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  colour);
    gl->glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, resolve);
  }
  gl->glPixelStorei(GL_PACK_ALIGNMENT, 1);
  gl->glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, (GLuint)previousRead);
  gl->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, (GLuint)previousDraw);
  if (resolve) gl->glDeleteFramebuffers(1, &resolve);
  if (colour) gl->glDeleteRenderbuffers(1, &colour);
  return pixels;
}

static const char *glString(QOpenGLFunctions_4_0_Core *gl, GLenum name) {
  const GLubyte *s = gl->glGetString(name);
  return s ? reinterpret_cast<const char *>(s) : "";
}

void printGLInfo(QOpenGLFunctions_4_0_Core *gl, int depthBits, double ratio, bool extensions) {
  if (!gl) return;
  GLint major = 0, minor = 0;
  gl->glGetIntegerv(GL_MAJOR_VERSION, &major);
  gl->glGetIntegerv(GL_MINOR_VERSION, &minor);
  appMessage("  GL   Vendor        : %s\n", glString(gl, GL_VENDOR));
  appMessage("  GL   Renderer      : %s\n", glString(gl, GL_RENDERER));
  appMessage("  GL   Version       : %s\n", glString(gl, GL_VERSION));
  appMessage("  GL   Version       : %d.%d\n", major, minor);
  appMessage("  GLSL Version       : %s\n", glString(gl, GL_SHADING_LANGUAGE_VERSION));
  appMessage("  Depth buffer       : %d bits\n", depthBits);
  appMessage("  Retina pixel ratio : %3.1f \n", ratio);
  if (!extensions) return;
  GLint n = 0;
  gl->glGetIntegerv(GL_NUM_EXTENSIONS, &n);
  for (GLint i = 0; i < n; i++) {
    const GLubyte *e = gl->glGetStringi(GL_EXTENSIONS, (GLuint)i);
    appMessage("%s\n", e ? reinterpret_cast<const char *>(e) : "");
  }
}

int checkGLError(QOpenGLFunctions_4_0_Core *gl, const char *file, int line) {
  if (!gl) return 0;
  int n = 0;
  // A lost context can report errors forever; stop after a generous number.
  for (GLenum e = gl->glGetError(); e != GL_NO_ERROR && n < 64; e = gl->glGetError(), n++)
    appError("GL_%s - %s:%d\n", glErrorName(e), file ? file : "", line);
  return n;
}

} // namespace pavo
