#include "ui/viewer_windows.h"

#include "app_messages.h"

#include "files/view_state_file.h"
#include "files/viewer_args.h"
#include "scene/mesh_viewer.h"
#include "scene/view_state_io.h"
#include "ui/main_controller.h"
#include "ui/mesh_viewer_widget.h"

#include <QEventLoop>
#include <QSurfaceFormat>
#include <QTimer>
#include <cstdio>

namespace pavo {

bool waitForView(OpenGLWindow *window, int ms) {
  if (window->isInitDone()) return true;
  QEventLoop loop;
  QObject::connect(window, &OpenGLWindow::openGLinitDone, &loop, &QEventLoop::quit);
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
  return window->isInitDone();
}

PavMeshViewerWidget *openEmptyWindow() {
  auto *w = new PavMeshViewerWidget(QSurfaceFormat::defaultFormat(), 1, 1);
  w->appendTerminal("Please use File > Open to open a mesh / solution");
  return w;
}

namespace {

// Loads one window's mesh and solution with the view-state file, when it exists, set before the
// scene is built (its cut and fields are built once), and draws. A mesh that builds nothing still
// gets the file's view.
void loadWindow(PavMeshViewerWidget *w, const char *mesh, const char *sol,
                const std::string &viewState, bool withViewState) {
  bool tried = false;
  PavViewStateData data;
  bool read = false;
  w->loadMesh(mesh, sol, [&] {
    if (!withViewState) return;
    tried = true;
    PavFileMessages messages;
    read = readViewStateFile(viewState.c_str(), data, messages);
    if (read) setViewState(w->viewer(), data);
  });
  if (withViewState && !tried) w->controller()->readViewState(QString::fromStdString(viewState));
  if (read && data.windowSize)
    w->controller()->resizeView((*data.windowSize)[0], (*data.windowSize)[1]);
  w->viewer()->renderNow();
}

} // namespace

QList<PavMeshViewerWidget *> openViewerWindows(int argc, char **argv) {
  const ViewerArgs args = scanViewerArgs(argc, argv);
  const QSurfaceFormat format = QSurfaceFormat::defaultFormat();
  const int n = args.count;
  QList<PavMeshViewerWidget *> windows;

  auto *first = new PavMeshViewerWidget(format, 1, n);
  windows.append(first);
  const char *mesh = args.in > 0 && args.in < argc ? argv[args.in] : "";
  const char *sol = args.first > 0 && args.first < argc ? argv[args.first] : mesh;
  const std::string viewState = viewerViewStateName(argc, argv, args);
  const bool withViewState = !viewState.empty() && viewStateReadable(viewState);
  loadWindow(first, mesh, sol, viewState, withViewState);
  appMessage("  Total time to initialize all and render %5.2f s \n",
             (double)first->elapsedMs() / 1000.0);
  fflush(stdout);

  for (int k = 2; k <= n; k++) {
    // Windows whose mesh or solution argument is missing are skipped.
    if (args.in + k > argc || args.first + k > argc) continue;
    auto *w = new PavMeshViewerWidget(format, k, n);
    windows.append(w);
    loadWindow(w, argv[args.in + k - 1], argv[args.first + k - 1], viewState, withViewState);
  }

  PavMeshViewerWidget::chain(windows);
  if (n > 1 && windows.last()->propagateBoundingBox) setCommonBoundingBox(windows.first());
  return windows;
}

} // namespace pavo
