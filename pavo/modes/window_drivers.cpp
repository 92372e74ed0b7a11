// The drivers that open viewer windows from the command line.
//
// Non-interactive use (tests, ./build.sh run without a display): with PAVO4_VIEWER_SCREENSHOT set
// to a file name, the viewer driver writes window 1's frame to that file (format from the name,
// as the screenshot command does) and returns 0 instead of running the event loop.
#include "app_startup.h"
#include "cli_texts.h"
#include "modes/batch_work.h"
#include "modes/frame_modes.h"
#include "modes/mode_drivers.h"
#include "scene/mesh_viewer.h"
#include "ui/main_controller.h"
#include "ui/mesh_viewer_widget.h"
#include "ui/viewer_windows.h"

#include <QApplication>
#include <QGuiApplication>
#include <cstdlib>
#include <memory>

namespace pavo {

void installWindowModes() {
  PavWindowModes modes;
  modes.movie = [](PavMeshViewer *viewer) { launchMovie("pavo.data", viewer); };
  modes.sequence = [](PavMeshViewer *viewer) { launchSequence(viewer, "pavo.seq"); };
  modes.surface = launchSurfaceReconstruction;
  setWindowModes(std::move(modes));
}

int runEmptyWindow() {
  std::unique_ptr<PavMeshViewerWidget> w(openEmptyWindow());
  QApplication::exec();
  return 0;
}

int runViewer(int argc, char **argv) {
  QList<PavMeshViewerWidget *> windows = openViewerWindows(argc, argv);
  const char *shot = std::getenv("PAVO4_VIEWER_SCREENSHOT");
  // A screenshot that could not be written ends the run with a failure status.
  int status = 0;
  if (shot && *shot) {
    status = windows.first()->viewer()->screenshot(shot) ? 0 : 1;
  } else {
    QApplication::exec();
  }
  qDeleteAll(windows);
  return status;
}

namespace {
// True when the platform shows windows and an OpenGL context can be made on it; then the
// default format is the one windows are drawn with. Prints nothing.
bool canShowWindow() {
  const QString platform = QGuiApplication::platformName();
  if (platform.isEmpty() || platform == QLatin1String("offscreen") ||
      platform == QLatin1String("minimal"))
    return false;
  const int probed = probeMaxSamples(QSurfaceFormat::defaultFormat());
  if (probed < 0) return false;
  QSurfaceFormat::setDefaultFormat(drawingFormat(QSurfaceFormat::defaultFormat(), probed));
  return true;
}
} // namespace

// The texts come out whether or not a window can be shown, so that a mistyped command line run
// without a display still gets the usage.
int runNothingToDisplay() {
  std::unique_ptr<PavMeshViewerWidget> w;
  if (canShowWindow()) {
    w.reset(new PavMeshViewerWidget(QSurfaceFormat::defaultFormat(), 1, 1));
    w->viewer()->resize(800, 600);
    w->show();
    QApplication::processEvents();
  }
  printText(kNothingToDisplayText);
  printGeneralUsage();
  printThankYou();
  return 0;
}

} // namespace pavo
