// Every program of the catalogue compiles and links on a real context for the definitions the
// scene can request, and exposes the uniform names the buffer objects and the scene set.
#include <QOpenGLFunctions_4_0_Core>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "gl_fixture.h"
#include "render/glsl_catalogue.h"
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

GlslFlags state(bool sol, bool jac, bool val, int solDeg, int jacDeg) {
  GlslFlags f;
  f.sol = sol, f.jac = jac, f.val = val, f.solDeg = solDeg, f.jacDeg = jacDeg;
  return f;
}

} // namespace

TEST(GlslCatalogue, NamesAreUniqueAndResourcesExist) {
  int count = 0;
  const pavo::GlslCatalogueEntry *entries = pavo::glslCatalogue(&count);
  ASSERT_EQ(count, 35);
  std::set<std::string> names;
  for (int i = 0; i < count; ++i) {
    EXPECT_TRUE(names.insert(entries[i].name).second) << entries[i].name;
    EXPECT_EQ(pavo::findGlslProgram(entries[i].name), entries + i);
  }
  EXPECT_EQ(pavo::findGlslProgram("TetSha"), nullptr);
  const GlslFlags text =
      pavo::glslBuildFlags(*pavo::findGlslProgram("TextSha"), state(true, true, true, 4, 3));
  EXPECT_FALSE(text.sol || text.jac || text.val || text.stl || text.solDeg);
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
