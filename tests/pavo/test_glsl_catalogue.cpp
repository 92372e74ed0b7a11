// Fragment prefixes byte for byte (no context); every program of the catalogue compiles and links
// on a real context for the definitions the scene can request, and exposes the uniform names the
// buffer objects and the scene set; the version test, and GlslProgram's stage compilation, link,
// uniforms, release and fatal build paths.
#include "gl_fixture.h"
#include "render/glsl_catalogue.h"
#include "render/glsl_prefix.h"
#include "render/glsl_program.h"
#include "render/opengl_window.h"
#include "test_paths.h"

#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

using pavo::GlslFlags;
using pavo::GlslProgram;

namespace {

// buildFromResources without its fatal exits: the first failure as text.
std::string tryBuild(const pavo::GlslCatalogueEntry &e, const GlslFlags &state, GlslProgram &p) {
  const GlslFlags f = pavo::glslBuildFlags(e, state);
  const char *paths[] = {e.vs, e.tcs, e.tes, e.gs, e.fs};
  const int kinds[] = {pavo::GlslVertex, pavo::GlslTessControl, pavo::GlslTessEvaluation,
                       pavo::GlslGeometry, pavo::GlslFragment};
  for (int s = 0; s < 5; s++)
    if (paths[s] && !p.compileShaderFromResource(f, e.name, paths[s], kinds[s]))
      return std::string(e.name) + " " + paths[s] + ": " + p.getLog();
  if (!p.link()) return std::string(e.name) + " link: " + p.getLog();
  return "";
}

GlslFlags state(bool sol, bool jac, bool val, int solDeg, int jacDeg, bool stl = false,
                pavo::GlslSwitches fixed = {}) {
  GlslFlags f;
  f.sol = sol, f.jac = jac, f.val = val, f.solDeg = solDeg, f.jacDeg = jacDeg, f.stl = stl;
  f.fixed = fixed;
  return f;
}

} // namespace

// Degrees above ten stop at Deg10; both runs are written (common lines repeat); HO comes after
// VAL; POLYGON only for polygon programs in the STL layout; the fixed switches come last.
TEST(GlslPrefix, DefinitionsFollowTheFieldState) {
  const std::string v = "#version 400\n";
  const struct {
    GlslFlags f;
    const char *program;
    std::string prefix;
  } cases[] = {
      {state(true, false, false, 12, 0), "TriSha",
       v + "#define SOL\n#define HO\n#define Deg2\n#define Deg3\n#define Deg4\n#define Deg5\n"
           "#define Deg6\n#define Deg7\n#define Deg8\n#define Deg9\n#define Deg10\n"},
      {state(true, true, false, 2, 3), "TriSha",
       v + "#define SOL\n#define JAC\n#define HO\n#define Deg2\n#define Deg3\n#define Deg2\n"},
      {state(false, true, true, 1, 2), "TriSha",
       v + "#define JAC\n#define VAL\n#define HO\n#define Deg2\n"},
      {state(false, false, false, 0, 0, true, {2, true, true, true}), "PolyhedraSha",
       v + "#define STL\n#define POLYGON\n#define LIGHT_MODEL 2\n#define NO_PICKING\n"
           "#define NO_WIRE\n#define NO_HIDING\n"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(pavo::fragmentPrefix(c.f, c.program), c.prefix) << (c.program ? c.program : "");
}

TEST(GlslCatalogue, NamesAreUniqueAndResourcesExist) {
  int count = 0;
  const pavo::GlslCatalogueEntry *entries = pavo::glslCatalogue(&count);
  ASSERT_EQ(count, 41);
  std::set<std::string> names;
  for (int i = 0; i < count; ++i) {
    EXPECT_TRUE(names.insert(entries[i].name).second) << entries[i].name;
    EXPECT_EQ(pavo::findGlslProgram(entries[i].name), entries + i);
  }
  EXPECT_EQ(pavo::findGlslProgram("TetSha"), nullptr);
  const GlslFlags text = pavo::glslBuildFlags(*pavo::findGlslProgram("TextSha"),
                                              state(true, true, true, 4, 3, false, {1, true}));
  EXPECT_FALSE(text.sol || text.jac || text.val || text.stl || text.solDeg || text.fixed.key());
}

using GlslCatalogueGl = pavo_test::GlFixture;

// With all fields on, the names the scene and buffer objects set are active uniforms.
TEST_F(GlslCatalogueGl, EveryProgramBuildsAndKeepsItsUniformVocabulary) {
  const std::map<std::string, const char *> vocabulary = {
      {"P2TriSha",
       "MVP ModelViewMatrix NormalMatrix trans scaling scenescaling CutPlane tess_level "
       "Light.Position Light.Intensity Material.Ka Material.Kd Material.Ks Material.Shininess "
       "Line.Width Line.Color UsePhong Picking BasePicking HighLightAll DiscardUnPicked LineOn "
       "LineSurfOn TessOn TransOn FaceOff VolSurf HideSurfOn HideVolOn CheckInOut SolOn IsoOn "
       "JacOn JacIsoOn ValOn solDeg jacDeg valDeg offset Palette JacPalette ValPalette nbrIso "
       "NbrUsrIso UsrIso nbrJacIso nbrUsrJacIso UsrJacIso IsoWidth CutoffBelowOn CutoffAboveOn "
       "CutoffBelowVal CutoffAboveVal tex texjac texval texref colmap colmapsiz NodePos NodeIdx "
       "NodesPerElement"},
      {"EdgSha", "THICKNESS WIN_SCALE PickingEdge NbrHighLight IdHighlight"}};
  int count = 0;
  const pavo::GlslCatalogueEntry *entries = pavo::glslCatalogue(&count);
  for (const GlslFlags &s : {state(false, false, false, 0, 0), state(true, true, true, 10, 10)})
    for (int i = 0; i < count; ++i) {
      GlslProgram program;
      program.setGLFunctions(gl);
      EXPECT_EQ(tryBuild(entries[i], s, program), "");
      const auto v = vocabulary.find(entries[i].name);
      std::istringstream names(s.sol && v != vocabulary.end() ? v->second : "");
      for (std::string name; names >> name;)
        EXPECT_GE(gl->glGetUniformLocation(GLuint(program.getHandle()), name.c_str()), 0)
            << entries[i].name << " " << name;
      program.release();
    }
  EXPECT_EQ(glError(), 0u);
}

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
