// An off-screen OpenGL 4.5 core context for renderer tests, with a single-sample framebuffer of
// its own and probes that read colours and picking ids back. Tests skip when there is no display.
#pragma once

#include <array>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

class QOpenGLFunctions_4_0_Core;

namespace pavo_test {

// Whether windows can be shown: an application object on a real (or virtual) display.
bool haveDisplay();

class GlFixture : public ::testing::Test {
protected:
  // Makes the shared context current and binds a fresh width x height target (RGBA8 colour,
  // 24-bit depth), cleared to black with depth 1; GTEST_SKIP when no context can be made.
  void SetUp() override;
  void TearDown() override;

  // Clears the target to a colour (components 0..1) and the depth to 1.
  void clear(float r, float g, float b, float a);
  // RGBA bytes of the pixel at (x, y), origin at the lower left.
  std::array<uint8_t, 4> pixel(int x, int y);
  // The whole target, rows from the bottom, 4 bytes per pixel.
  std::vector<uint8_t> readAll();
  // The picking id of a pixel: bytes (r, g, b, a) as written by the shaders' id encoding.
  static uint32_t decodeId(const std::array<uint8_t, 4> &rgba);
  // GL errors raised since the last call (0 when none).
  unsigned glError();

  int width = 256;
  int height = 256;
  QOpenGLFunctions_4_0_Core *gl = nullptr;

private:
  unsigned fbo = 0, colour = 0, depth = 0, vao = 0;
};

} // namespace pavo_test
