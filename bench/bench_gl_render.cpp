// Frame time of the face programs on a 1600 x 1200 off-screen target: one million flat triangles
// and 200 000 P2 triangles at tessellation levels 1 and 8, each against a minimal pass-through
// program drawing the same elements the same way. Needs an X server (xvfb-run).
#include <QGuiApplication>
#include <QMatrix4x4>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_4_0_Core>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <vector>

#include "render/buffer_object.h"
#include "render/glsl_catalogue.h"
#include "render/glsl_program.h"

using namespace pavo;

namespace {

constexpr int kWidth = 1600, kHeight = 1200;

struct Gl {
  QOffscreenSurface surface;
  QOpenGLContext context;
  QOpenGLFunctions_4_0_Core *gl = nullptr;
  unsigned fbo = 0, rb[2] = {0, 0};
};
Gl *g = nullptr;

bool makeContext() {
  g = new Gl;
  QSurfaceFormat format;
  format.setVersion(4, 5);
  format.setProfile(QSurfaceFormat::CoreProfile);
  format.setDepthBufferSize(24);
  g->surface.setFormat(format);
  g->surface.create();
  g->context.setFormat(format);
  if (!g->context.create() || !g->context.makeCurrent(&g->surface)) return false;
  g->gl = g->context.versionFunctions<QOpenGLFunctions_4_0_Core>();
  if (!g->gl || !g->gl->initializeOpenGLFunctions()) return false;
  auto *gl = g->gl;
  gl->glGenFramebuffers(1, &g->fbo);
  gl->glGenRenderbuffers(2, g->rb);
  gl->glBindRenderbuffer(GL_RENDERBUFFER, g->rb[0]);
  gl->glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kWidth, kHeight);
  gl->glBindRenderbuffer(GL_RENDERBUFFER, g->rb[1]);
  gl->glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, kWidth, kHeight);
  gl->glBindFramebuffer(GL_FRAMEBUFFER, g->fbo);
  gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, g->rb[0]);
  gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, g->rb[1]);
  gl->glViewport(0, 0, kWidth, kHeight);
  gl->glEnable(GL_DEPTH_TEST);
  return gl->glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

// An n x n grid of squares on [0,1]^2, two triangles each. P2 triangles take their mid-side
// nodes from the (2n+1)^2 lattice, lifted in z by 0.19 of the square's side: sides along the
// axes then have curvature 0.19 (level 1 + int(5 * 0.19 * L): 1 at level 1, 8 at level 8) and
// the diagonals 0.134, while the picture stays a flat grid seen from above.
void grid(int n, bool p2, std::vector<float> &xyz, std::vector<int> &elt) {
  const int sub = p2 ? 2 : 1, row = n * sub + 1;
  xyz.clear();
  elt.clear();
  for (int j = 0; j < row; ++j)
    for (int i = 0; i < row; ++i) {
      xyz.push_back(float(i) / (row - 1));
      xyz.push_back(float(j) / (row - 1));
      xyz.push_back(p2 && (i % 2 || j % 2) ? 0.19f / n : 0.0f);
    }
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      auto v = [&](int a, int b) { return (sub * j + b) * row + sub * i + a; };
      if (p2) {
        for (int x : {v(0, 0), v(2, 0), v(0, 2), v(1, 0), v(1, 1), v(0, 1)}) elt.push_back(x);
        for (int x : {v(2, 2), v(0, 2), v(2, 0), v(1, 2), v(1, 1), v(2, 1)}) elt.push_back(x);
      } else {
        for (int x : {v(0, 0), v(1, 0), v(0, 1), v(1, 1), v(0, 1), v(1, 0)}) elt.push_back(x);
      }
    }
}

const char *kPassVs = "#version 400\nlayout(location = 0) in vec3 P;\nuniform mat4 MVP;\n"
                      "void main() { gl_Position = MVP * vec4(P, 1.0); }\n";
const char *kPassPullVs =
    "#version 400\nuniform samplerBuffer NodePos;\nuniform usamplerBuffer NodeIdx;\n"
    "out vec3 VPos;\nvoid main() { VPos = texelFetch(NodePos, int(texelFetch(NodeIdx, "
    "gl_VertexID).r)).xyz; }\n";
const char *kPassTcs =
    "#version 400\nlayout(vertices = 6) out;\nin vec3 VPos[];\nout vec3 TPos[];\n"
    "uniform int tess_level;\nvoid main() {\n"
    "  TPos[gl_InvocationID] = VPos[gl_InvocationID];\n"
    "  float l = float(tess_level);\n"
    "  gl_TessLevelOuter[0] = l; gl_TessLevelOuter[1] = l; gl_TessLevelOuter[2] = l;\n"
    "  gl_TessLevelInner[0] = l;\n}\n";
const char *kPassTes = "#version 400\nlayout(triangles, equal_spacing, ccw) in;\nin vec3 TPos[];\n"
                       "uniform mat4 MVP;\nvoid main() {\n  vec3 b = gl_TessCoord;\n"
                       "  gl_Position = MVP * vec4(b.x * TPos[0] + b.y * TPos[1] + b.z * TPos[2], "
                       "1.0);\n}\n";
const char *kPassFs =
    "out vec4 FragColor;\nvoid main() { FragColor = vec4(1.0, 0.5, 0.0, 1.0); }\n";

struct Scene {
  std::unique_ptr<PavBufferObject> buffer;
  std::unique_ptr<PavDrawObject> object;
  GlslProgram catalogue, pass;
};

void setCommon(GlslProgram &p, int level) {
  p.use();
  QMatrix4x4 mvp;
  mvp.ortho(0, 1, 0, 1, -1, 1);
  p.setUniform("MVP", mvp);
  p.setUniform("ModelViewMatrix", QMatrix4x4());
  p.setUniform("NormalMatrix", QMatrix3x3());
  p.setUniform("scaling", 1.0f);
  p.setUniform("scenescaling", QVector4D(0, 0, 0, 1));
  p.setUniform("CutPlane", QVector4D(0, 0, 0, -1));
  p.setUniform("tess_level", level);
  p.setUniform("UsePhong", 0);
  p.setUniform("Light.Position", QVector4D(0, 0, 1, 0));
}

Scene *makeScene(bool p2, int n) {
  auto *s = new Scene;
  std::vector<float> xyz;
  std::vector<int> elt;
  grid(n, p2, xyz, elt);
  const int count = 2 * n * n;
  if (p2)
    s->buffer.reset(createBufferObjectForType(DrawTriangleP2));
  else
    s->buffer.reset(new PavBufferTriangle);
  s->buffer->updateVao(g->gl, int(xyz.size() / 3), xyz.data(), count, elt.data());
  s->object.reset(createDrawObject(p2 ? DrawTriangleP2 : DrawTriangle, 1));
  s->object->renderMode = 3;
  const GlslCatalogueEntry *e = findGlslProgram(p2 ? "P2TriSha" : "TriSha");
  s->catalogue.setGLFunctions(g->gl);
  s->catalogue.buildFromResources(GlslFlags(), e->name, e->vs, e->fs, e->gs, e->tcs, e->tes);
  s->pass.setGLFunctions(g->gl);
  s->pass.compileShaderFromString(GlslFlags(), "Pass", p2 ? kPassPullVs : kPassVs, GlslVertex);
  if (p2) {
    s->pass.compileShaderFromString(GlslFlags(), "Pass", kPassTcs, GlslTessControl);
    s->pass.compileShaderFromString(GlslFlags(), "Pass", kPassTes, GlslTessEvaluation);
  }
  s->pass.compileShaderFromString(GlslFlags(), "Pass", kPassFs, GlslFragment);
  if (!s->pass.link()) fprintf(stderr, "pass-through program: %s\n", s->pass.getLog().c_str());
  return s;
}

Scene *flatScene = nullptr, *p2Scene = nullptr;

void frame(benchmark::State &state, Scene *s, bool passThrough, int level) {
  auto *gl = g->gl;
  GlslProgram &p = passThrough ? s->pass : s->catalogue;
  setCommon(p, level);
  for (auto _ : state) {
    gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The pass-through program goes through the same buffer object and draw call.
    s->buffer->renderList(gl, s->object.get(), &p, nullptr, nullptr);
    gl->glFinish();
  }
  state.counters["elements"] = s->buffer->nbrElt;
}

void BM_FlatTriangles1M_PassThrough(benchmark::State &st) { frame(st, flatScene, true, 1); }
void BM_FlatTriangles1M_TriSha(benchmark::State &st) { frame(st, flatScene, false, 1); }
void BM_P2Triangles200k_Level1_PassThrough(benchmark::State &st) { frame(st, p2Scene, true, 1); }
void BM_P2Triangles200k_Level1_P2TriSha(benchmark::State &st) { frame(st, p2Scene, false, 1); }
void BM_P2Triangles200k_Level8_PassThrough(benchmark::State &st) { frame(st, p2Scene, true, 8); }
void BM_P2Triangles200k_Level8_P2TriSha(benchmark::State &st) { frame(st, p2Scene, false, 8); }

} // namespace

BENCHMARK(BM_FlatTriangles1M_PassThrough)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(BM_FlatTriangles1M_TriSha)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_P2Triangles200k_Level1_PassThrough)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(BM_P2Triangles200k_Level1_P2TriSha)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(BM_P2Triangles200k_Level8_PassThrough)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(BM_P2Triangles200k_Level8_P2TriSha)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

int main(int argc, char **argv) {
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (!makeContext()) {
    fprintf(stderr, "no OpenGL 4 context (run under xvfb-run)\n");
    return 1;
  }
  flatScene = makeScene(false, 708); // 1 002 528 triangles
  p2Scene = makeScene(true, 317);    // 200 978 P2 triangles
  benchmark::RunSpecifiedBenchmarks();
  for (Scene *s : {flatScene, p2Scene}) {
    s->buffer->release(g->gl);
    s->catalogue.release();
    s->pass.release();
    delete s;
  }
  g->context.doneCurrent();
  delete g;
  return 0;
}
