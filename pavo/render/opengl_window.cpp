#include "render/opengl_window.h"

#include "app_messages.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QExposeEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions_4_0_Core>
#include <QOpenGLPaintDevice>
#include <QPainter>
#include <cstdio>
#include <cstdlib>

namespace pavo {

OpenGLWindow::OpenGLWindow(QWindow *parent) : QWindow(parent) {
  setSurfaceType(QWindow::OpenGLSurface);
}

OpenGLWindow::~OpenGLWindow() { delete device; }

void OpenGLWindow::render(QPainter *) { paintOverridden = false; }

void OpenGLWindow::render() {
  if (!device) device = new QOpenGLPaintDevice;
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  device->setSize(size() * devicePixelRatio());
  device->setDevicePixelRatio(devicePixelRatio());
  // A painter is opened only for subclasses that paint; the base render(QPainter*) reports that
  // it was reached, and later frames skip the painter.
  if (!paintOverridden) return;
  QPainter painter(device);
  render(&painter);
}

void OpenGLWindow::initialize() {
  if (!device) device = new QOpenGLPaintDevice;
}

void OpenGLWindow::setAnimating(bool value) {
  animating = value;
  if (value) renderLater();
}

void OpenGLWindow::waitForInit() {
  if (initDone) return;
  QEventLoop loop;
  connect(this, &OpenGLWindow::openGLinitDone, &loop, &QEventLoop::quit);
  loop.exec();
}

void OpenGLWindow::renderLater() {
  if (updatePending) return;
  updatePending = true;
  QCoreApplication::postEvent(this, new QEvent(QEvent::UpdateRequest));
}

void OpenGLWindow::updateContext() {
  if (!context) {
    context = new QOpenGLContext(this);
    context->setFormat(requestedFormat());
    context->create();
    context->makeCurrent(this);
    initializeOpenGLFunctions();
    initialize();
    initDone = true;
    emit openGLinitDone();
  } else {
    context->makeCurrent(this);
  }
}

void OpenGLWindow::renderFrame(bool swap) {
  if (!isExposed()) return;
  // A frame shown now answers the update asked for before it: the queued request draws nothing
  // (a change followed by renderNow costs one frame, not two).
  if (swap) updatePending = false;
  updateContext();
  render();
  if (swap) context->swapBuffers(this);
  if (animating) renderLater();
}

void OpenGLWindow::renderNow() { renderFrame(swapAfterRender); }

void OpenGLWindow::renderNowNoSwap() { renderFrame(false); }

bool OpenGLWindow::event(QEvent *e) {
  if (e->type() == QEvent::UpdateRequest) {
    if (!updatePending) return true; // drawn since it was asked for
    updatePending = false;
    renderNow();
    return true;
  }
  return QWindow::event(e);
}

void OpenGLWindow::exposeEvent(QExposeEvent *) {
  if (isExposed()) renderNow();
}

std::string glVersionFailureText(int major, int minor) {
  const std::string red = "\033[31m", plain = "\033[0m";
  const std::string first = "You cannot use pavo 4 on your host as openGL 4 is required, sorry !";
  const std::string second =
      "The openGL context is " + std::to_string(major) + "." + std::to_string(minor);
  // Inner width of the frame: two blanks, the text, one blank.
  const size_t inner = 2 + first.size() + 1;
  const std::string dashes = "|" + std::string(inner, '-') + "|\n";
  const std::string blank = "|" + std::string(inner, ' ') + "|\n";
  std::string out = " \n \n \n";
  out += dashes + blank;
  out += "|  " + red + first + plain + " |\n";
  out += "|  " + red + second + plain + std::string(inner - 2 - second.size(), ' ') + "|\n";
  out += blank + dashes;
  out += " \n \n \n";
  out += "  Please see https://pavo4.example.org/requirements \n";
  out += "  for more information. \n";
  return out;
}

bool checkGLVersion(int major, int minor, bool exitOnFailure) {
  if (major >= 4) return true;
  appText(glVersionFailureText(major, minor));
  if (exitOnFailure) {
    fflush(stdout);
    std::exit(1);
  }
  appMessage("  The window won't display anything !\n\n");
  return false;
}

void setFixedGLState(QOpenGLFunctions_4_0_Core *gl) {
  if (!gl) return;
  gl->glEnable(GL_MULTISAMPLE);
  gl->glEnable(GL_DEPTH_TEST);
  gl->glEnable(GL_BLEND);
  gl->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  gl->glPixelStorei(GL_UNPACK_SWAP_BYTES, 0);
  gl->glPixelStorei(GL_UNPACK_LSB_FIRST, 0);
  gl->glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  gl->glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  gl->glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  gl->glEnable(GL_PROGRAM_POINT_SIZE);
}

} // namespace pavo
