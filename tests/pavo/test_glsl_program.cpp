// The version test, and GlslProgram on a real context: stage compilation, link, uniforms, release
// and the fatal build paths.
#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sstream>

#include "gl_fixture.h"
#include "render/glsl_program.h"
#include "render/opengl_window.h"
#include "test_paths.h"

using pavo::GlslFlags;
using pavo::GlslProgram;

TEST(GlVersion, FramedMessageIsAlignedAndNamesTheVersion) {
  const std::string text = pavo::glVersionFailureText(3, 3);
  EXPECT_NE(text.find("|  \033[31mThe openGL context is 3.3\033[0m"), std::string::npos);
  // Every frame line has the same visible width once the colour codes are removed.
  std::istringstream in(std::regex_replace(text, std::regex("\033\\[[0-9]+m"), ""));
  std::multiset<size_t> widths; // a line without its closing bar counts as width 0
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] == '|') widths.insert(line.back() == '|' ? line.size() : 0);
  EXPECT_EQ(widths.size(), 6u);
  EXPECT_EQ(widths.count(*widths.rbegin()), 6u);
  EXPECT_EQ(pavo_test::captured([&] { EXPECT_FALSE(pavo::checkGLVersion(3, 3, false)); }),
            text + "  The window won't display anything !\n\n");
}

TEST(GlslProgramDeath, MissingMandatoryStageOrResourceEndsTheProcess) {
  GlslProgram program;
  EXPECT_EXIT(program.buildFromResources(GlslFlags(), "TriSha", ":/glsl/tri.vs", nullptr, nullptr,
                                         nullptr, nullptr),
              testing::ExitedWithCode(1), "");
}

using GlslProgramGl = pavo_test::GlFixture;

namespace {

const char *kVs = "#version 400\nlayout(location=0) in vec3 P;\nuniform float Arr[12];\n"
                  "void main(){ gl_Position = vec4(P * Arr[11], 1.0); }\n";
const char *kFs = "uniform vec4 Col;\nout vec4 FragColor;\nvoid main(){ FragColor = Col; }\n";

} // namespace

TEST_F(GlslProgramGl, CompilesLinksSetsUniformsAndReportsFailures) {
  GlslProgram program;
  program.setGLFunctions(gl);
  ASSERT_TRUE(program.compileShaderFromString(GlslFlags(), "T", kVs, pavo::GlslVertex));
  // The fragment text has no #version line: the prefix supplies it.
  ASSERT_TRUE(program.compileShaderFromString(GlslFlags(), "T", kFs, pavo::GlslFragment))
      << program.getLog();
  EXPECT_FALSE(program.compileShaderFromString(GlslFlags(), "T", "#version 400\nvoid main(){ x; }",
                                               pavo::GlslGeometry));
  EXPECT_TRUE(program.link() && program.isLinked());
  const GLuint handle = static_cast<GLuint>(program.getHandle());
  GLint attached = 0;
  gl->glGetProgramiv(handle, GL_ATTACHED_SHADERS, &attached);
  EXPECT_EQ(attached, 2); // failed stages are not attached
  program.use();
  float values[12];
  for (int i = 0; i < 12; ++i) values[i] = float(i + 1);
  program.setUniform("Arr", 12, values);
  program.setUniform("NotThere", 3.0f); // ignored
  float read = -1;
  for (int i : {9, 11}) { // only ten values are sent
    gl->glGetUniformfv(handle,
                       gl->glGetUniformLocation(handle, ("Arr[" + std::to_string(i) + "]").c_str()),
                       &read);
    EXPECT_EQ(read, i == 9 ? 10.0f : 0.0f);
  }
  gl->glUseProgram(0); // a current program outlives its deletion
  program.release();
  EXPECT_TRUE(program.getHandle() == 0 && !program.isLinked() && !gl->glIsProgram(handle));
  EXPECT_EQ(glError(), 0u);
}
