// The window of the viewer benchmarks: an OpenGL 4.5 core window of the benchmarks' size, shown
// and initialised, without the overlay text and the axes (they are not what is measured); the
// cube scenes the cut and pick benchmarks share, and the pass-through program the frames are
// compared with.
#pragma once

#include "bench_cube.h"
#include "bench_quiet.h"
#include "pavmsh.h"
#include "scene/mesh_viewer.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions_4_0_Core>
#include <QOpenGLShaderProgram>
#include <QSurfaceFormat>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace pavo_bench {

constexpr int kWidth = 1600, kHeight = 1200;

inline std::unique_ptr<pavo::PavMeshViewer> newViewer() {
  auto v = std::make_unique<pavo::PavMeshViewer>();
  QSurfaceFormat format = QSurfaceFormat::defaultFormat();
  format.setVersion(4, 5);
  format.setProfile(QSurfaceFormat::CoreProfile);
  format.setDepthBufferSize(24);
  v->setFormat(format);
  v->resize(kWidth, kHeight);
  v->show();
  v->waitForInit();
  for (int i = 0; i < 100 && !v->isExposed(); i++) QCoreApplication::processEvents();
  v->view.options.TextOn = v->view.options.AxisOn = false;
  return v;
}

// Waits until the window's queued GL work is done, so that a clock read after it covers it.
inline void finish(pavo::PavMeshViewer &v) {
  if (v.functions()) v.functions()->glFinish();
}

// The cube of 6 n^3 tetrahedra with the field x at its vertices, shown, with the cut plane
// `plane` set but neither switched on nor drawn yet.
inline std::unique_ptr<pavo::PavMeshViewer> fieldCube(int n, const double plane[4]) {
  PavObject *obj = tetCube(n);
  char status[PAV_STATUS_SIZE];
  const int nv = obj->ent[Vertices].nbr;
  PavSolution *f = pav_NewSolutionRecord(3, PavSolScalar, nv, 1, 1, status);
  for (int v = 1; v <= nv; v++) f->data[v] = obj->crdDbl[3 * v];
  pav_PushSolution(obj, SolAtVertices, f, status);
  auto v = newViewer();
  Quiet q;
  v->adoptMesh(obj);
  v->displayObject();
  v->view.hasCutPlane = true;
  v->view.options.CutOn = false;
  std::copy(plane, plane + 4, v->view.cutPlane);
  return v;
}

// A viewer showing a scene, and the triangles it draws (xyz: positions, tri: 3 indices each) for
// the pass-through comparison.
struct ShownTriangles {
  std::unique_ptr<pavo::PavMeshViewer> viewer;
  std::vector<float> xyz;
  std::vector<unsigned> tri;
};

// Triangles (xyz: scene positions, tri: 3 indices each) drawn into the viewer's frame by a
// program that only transforms and fills, with the viewer's camera: the least any frame of them
// can cost.
class PassThrough {
public:
  PassThrough(pavo::PavMeshViewer &viewer, const std::vector<float> &xyz,
              const std::vector<unsigned> &tri)
      : v(viewer), gl(viewer.functions()), count((int)tri.size()) {
    v.glContext()->makeCurrent(&v);
    program.addShaderFromSourceCode(QOpenGLShader::Vertex,
                                    "#version 400\nlayout(location = 0) in vec3 p;\n"
                                    "uniform mat4 MVP;\nuniform float s;\nuniform vec3 t;\n"
                                    "void main() { gl_Position = MVP * vec4(s * p + t, 1.0); }\n");
    program.addShaderFromSourceCode(QOpenGLShader::Fragment,
                                    "#version 400\nout vec4 c;\n"
                                    "void main() { c = vec4(0.8, 0.8, 0.8, 1.0); }\n");
    program.link();
    gl->glGenVertexArrays(1, &vao);
    gl->glGenBuffers(2, buf);
    gl->glBindVertexArray(vao);
    gl->glBindBuffer(GL_ARRAY_BUFFER, buf[0]);
    gl->glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)(xyz.size() * 4), xyz.data(), GL_STATIC_DRAW);
    gl->glEnableVertexAttribArray(0);
    gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buf[1]);
    gl->glBufferData(GL_ELEMENT_ARRAY_BUFFER, (GLsizeiptr)(tri.size() * 4), tri.data(),
                     GL_STATIC_DRAW);
    gl->glBindVertexArray(0);
  }
  ~PassThrough() {
    gl->glBindVertexArray(0);
    gl->glDeleteBuffers(2, buf);
    gl->glDeleteVertexArrays(1, &vao);
  }
  // One frame: cleared, drawn, finished; cullBack: without the triangles turned away from the
  // eye (counter-clockwise on screen is the front), as the viewer draws a closed surface.
  void frame(bool cullBack = false) {
    const pavo::PavCameraMatrices m = v.matrices();
    gl->glBindFramebuffer(GL_FRAMEBUFFER, v.glContext()->defaultFramebufferObject());
    gl->glViewport(0, 0, kWidth, kHeight);
    gl->glClearColor(1, 1, 1, 1);
    gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    program.bind();
    program.setUniformValue("MVP", m.mvp);
    program.setUniformValue("s", v.view.sceneScale);
    program.setUniformValue("t", -v.view.sceneCentre * v.view.sceneScale);
    gl->glBindVertexArray(vao);
    if (cullBack) gl->glEnable(GL_CULL_FACE);
    gl->glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, nullptr);
    gl->glDisable(GL_CULL_FACE);
    gl->glFinish();
  }

private:
  pavo::PavMeshViewer &v;
  QOpenGLFunctions_4_0_Core *gl;
  QOpenGLShaderProgram program;
  unsigned vao = 0, buf[2] = {0, 0};
  int count;
};

// The main of a viewer benchmark: the application, the benchmarks, then `release` (the windows
// the benchmarks kept go before the application).
inline int runViewerBenchmarks(int argc, char **argv, void (*release)() = nullptr) {
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  if (release) release();
  benchmark::Shutdown();
  return 0;
}

} // namespace pavo_bench
