// The main window: the frame around one mesh viewer. A menu bar on top, the OpenGL view, a
// read-only terminal panel for short messages and a one-line bottom bar under it. Several of
// them can be opened together (one per mesh of the command line); each knows its index among
// them and their number, and they are chained in creation order.
#pragma once

#include <QElapsedTimer>
#include <QSettings>
#include <QSurfaceFormat>
#include <QTextEdit>
#include <QWidget>
#include <functional>

class QLabel;
class QMenuBar;

namespace pavo {

class PavBottom;

class PavMeshViewer;
class PavMainController;

// The terminal panel: read-only, fixed-pitch, one line appended per message.
class PavTerm : public QTextEdit {
  Q_OBJECT
public:
  explicit PavTerm(QWidget *parent = nullptr);
  QSize sizeHint() const override { return {800, 100}; }
};

class PavMeshViewerWidget : public QWidget {
  Q_OBJECT
public:
  // Builds the window for viewer `index` (from 1) of `count` with the surface format and shows
  // it; with several windows it moves to x = (index - 1) * 800 / (count - 1).
  PavMeshViewerWidget(const QSurfaceFormat &format, int index, int count,
                      QWidget *parent = nullptr);
  ~PavMeshViewerWidget() override;

  PavMeshViewer *viewer() const { return view; }
  PavTerm *terminal() const { return term; }
  PavBottom *bottomBar() const { return bottom; }
  QWidget *viewContainer() const { return container; }
  int windowIndex() const { return index; }
  int windowCount() const { return count; }
  // Menus, dialogs, dropped files, preferences and panels of this window.
  PavMainController *controller() const { return control; }

  // Loads a mesh and its solution into the viewer (the viewer's loading sequence) and titles
  // the window "[%d] %s" after the mesh. Waits for the view's context first. Returns the
  // loader's status. beforeBuild sets the view before the scene is built
  // (PavMeshViewer::displayMesh).
  int loadMesh(const char *meshName, const char *solName,
               const std::function<void()> &beforeBuild = nullptr);

  // Chain of the windows opened together, in creation order (null at the ends).
  PavMeshViewerWidget *previousWindow = nullptr;
  PavMeshViewerWidget *nextWindow = nullptr;
  static void chain(const QList<PavMeshViewerWidget *> &windows);

  // "Set same Bounding Box when several windows" ("Prop Bb Pref" in the settings, on by default).
  bool propagateBoundingBox = true;

  // Milliseconds since the window's construction began.
  qint64 elapsedMs() const { return clock.elapsed(); }

public slots:
  void appendTerminal(const QString &text);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  // Closing the window from the window manager ends the run as the key q does: the farewell, and
  // the application quits even while panels of the window are still open.
  void closeEvent(QCloseEvent *event) override;
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dropEvent(QDropEvent *event) override;

private:
  QElapsedTimer clock;
  int messageListener = 0; // the terminal's key among the listeners of the message funnel
  int index = 1, count = 1;
  PavTerm *term = nullptr;
  PavBottom *bottom = nullptr; // solution selectors and picking by number
  QLabel *busyLine = nullptr;  // the long work under way, at the right end of the bottom bar
  QSettings settings;
  PavMeshViewer *view = nullptr;
  QWidget *container = nullptr;
  QMenuBar *menus = nullptr;
  PavMainController *control = nullptr;
};

// The union of the bounding boxes of every window of the chain from `first`, set on each of them
// (which refits and redraws their views). Prints " \n", "  Set new bounding box:\n" and the box.
void setCommonBoundingBox(PavMeshViewerWidget *first);

} // namespace pavo
