// The window of the viewer benchmarks: an OpenGL 4.5 core window of the benchmarks' size, shown
// and initialised, without the overlay text and the axes (they are not what is measured).
#pragma once

#include "scene/mesh_viewer.h"

#include <QCoreApplication>
#include <QOpenGLFunctions_4_0_Core>
#include <QSurfaceFormat>
#include <memory>

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

} // namespace pavo_bench
