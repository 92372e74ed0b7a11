#include "modes/frame_files.h"

#include "app_messages.h"

#include "scene/mesh_viewer.h"
#include "ui/timed_message.h"
#include "ui/viewer_windows.h"

#include <QElapsedTimer>
#include <cstdio>
#include <memory>

namespace pavo {

void runFrames(PavMeshViewer *viewer, const char *mode, const char *missingText,
               const std::function<bool()> &read,
               const std::function<void(PavMeshViewer *)> &frames) {
  std::unique_ptr<PavMeshViewer> own;
  if (!viewer) {
    own = std::make_unique<PavMeshViewer>();
    own->resize(800, 600);
    own->show();
    viewer = own.get();
  }
  QElapsedTimer clock;
  clock.start();
  if (!read()) {
    showTimedMessage(missingText);
    return;
  }
  waitForView(viewer);
  frames(viewer);
  appMessage("  Total time to launch the %s mode %5.2f s \n", mode,
             (double)clock.elapsed() / 1000.0);
  fflush(stdout);
}

} // namespace pavo
