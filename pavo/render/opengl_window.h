// A Qt window that owns an OpenGL 4 context, creates it on first exposure and renders on demand;
// the start-up checks every scene window makes on a fresh context.
#pragma once

#include <QList>
#include <QOpenGLFunctions>
#include <QWindow>
#include <string>

class QOpenGLContext;
class QOpenGLPaintDevice;
class QOpenGLFunctions_4_0_Core;
class QPainter;

namespace pavo {

class PavDrawObject;

class OpenGLWindow : public QWindow, protected QOpenGLFunctions {
  Q_OBJECT
public:
  explicit OpenGLWindow(QWindow *parent = nullptr);
  ~OpenGLWindow() override;

  virtual void render(QPainter *painter);
  // Default: clears the buffers and paints through render(QPainter*) when a subclass overrides it.
  virtual void render();
  // Called once, right after the context is created and current.
  virtual void initialize();

  void setAnimating(bool animating);
  // Blocks in a local event loop until the context exists (returns at once when it does).
  void waitForInit();
  bool isInitDone() const { return initDone; }
  QOpenGLContext *glContext() const { return context; }
  void setSwapAfterRender(bool swap) { swapAfterRender = swap; }
  void close() { QWindow::close(); }

public slots:
  void renderLater();
  void renderNow();
  void updateContext();
  void renderNowNoSwap();

signals:
  void openGLinitDone();
  void multiPickingDone(QList<pavo::PavDrawObject *> picked);

protected:
  bool event(QEvent *event) override;
  void exposeEvent(QExposeEvent *event) override;

private:
  void renderFrame(bool swap);

  bool initDone = false;
  bool updatePending = false;
  bool animating = false;
  bool swapAfterRender = true;
  bool paintOverridden = true; // cleared by the base render(QPainter*) once it runs
  QOpenGLPaintDevice *device = nullptr;
  QOpenGLContext *context = nullptr;
};

// The framed message printed when the context is older than OpenGL 4 (ANSI colours included).
std::string glVersionFailureText(int major, int minor);

// The version test of a new context: true for major >= 4. Otherwise prints
// glVersionFailureText on standard output and either ends the process with status 1
// (exitOnFailure) or prints "  The window won't display anything !\n\n" and returns false.
bool checkGLVersion(int major, int minor, bool exitOnFailure);

// The state every scene draws with: multisampling, depth test, alpha blending, tightly packed
// unpacking with alignment 1, program point size.
void setFixedGLState(QOpenGLFunctions_4_0_Core *gl);

} // namespace pavo
