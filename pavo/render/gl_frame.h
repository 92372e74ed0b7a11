// Frame read-back for the scene window: the picking framebuffer, reading a (possibly
// multisampled) framebuffer into memory, picking ids, and the OpenGL information and error
// reports. Every function needs the context current.
#pragma once

#include <cstdint>
#include <vector>

class QOpenGLFunctions_4_0_Core;

namespace pavo {

// Id of a picking pixel: r * 65536 + g * 256 + b + a * 16777216 (the inverse of the shaders'
// id encoding); 0 is the background.
uint32_t composePickId(const uint8_t rgba[4]);

// Name printed for an incomplete framebuffer status ("GL_FRAMEBUFFER_UNDEFINED\n", ...,
// "unspecified error\n").
const char *framebufferStatusText(unsigned status);

// Name of a GL error code without its "GL_" prefix ("INVALID_ENUM", ...), "" for other codes.
const char *glErrorName(unsigned code);

// The off-screen target of the picking pass: RGBA colour texture (nearest filtering) and a depth
// renderbuffer, single-sample. One owner, one release path.
struct PavPickingFramebuffer {
  unsigned texture = 0, framebuffer = 0, depth = 0;
  int width = 0, height = 0;

  // Deletes what exists and creates a width x height target; on an incomplete status prints
  // "ERROR: incomplete framebuffer\n" and the status text to standard error and returns false.
  // `previous` is rebound at the end (the window's default framebuffer).
  bool create(QOpenGLFunctions_4_0_Core *gl, int width, int height, unsigned previous);
  void release(QOpenGLFunctions_4_0_Core *gl);
};

// Reads width x height RGBA pixels (bottom row first) of framebuffer `source` (0: the default
// one). A multisampled source is first resolved into a temporary single-sample framebuffer:
// reading multisampled pixels directly gives unresolved samples or an error.
std::vector<uint8_t> readFramebuffer(QOpenGLFunctions_4_0_Core *gl, unsigned source, int width,
                                     int height);

// Prints the vendor, renderer, versions, depth bits and pixel ratio lines, and with `extensions`
// one line per extension.
void printGLInfo(QOpenGLFunctions_4_0_Core *gl, int depthBits, double pixelRatio, bool extensions);

// Reads glGetError until it returns 0, printing "GL_<name> - <file>:<line>\n" to standard error
// for each; returns the number of errors.
int checkGLError(QOpenGLFunctions_4_0_Core *gl, const char *file, int line);

} // namespace pavo
