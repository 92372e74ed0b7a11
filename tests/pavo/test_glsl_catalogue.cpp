// Fragment prefixes byte for byte (no context); every program of the catalogue compiles and links
// on a real context for the definitions the scene can request, and exposes the uniform names the
// buffer objects and the scene set.
#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "gl_fixture.h"
#include "render/glsl_catalogue.h"
#include "render/glsl_prefix.h"
#include "render/glsl_program.h"

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
