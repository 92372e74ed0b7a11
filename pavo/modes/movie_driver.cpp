// Movie frames: every line of "pavo.movie" is one mesh and solution rendered under one view
// state into one image.
#include "modes/frame_files.h"
#include "modes/frame_modes.h"
#include "modes/mode_drivers.h"
#include "modes/viewer_args.h"
#include "scene/mesh_viewer.h"
#include "ui/mesh_viewer_widget.h"
#include "ui/timed_message.h"
#include "ui/viewer_windows.h"

#include <QElapsedTimer>
#include <QSurfaceFormat>
#include <cstdio>
#include <memory>

namespace pavo {

void launchMovie(const std::string &viewState, PavMeshViewer *viewer) {
  std::unique_ptr<PavMeshViewer> own;
  if (!viewer) {
    own = std::make_unique<PavMeshViewer>();
    own->resize(800, 600);
    own->show();
    viewer = own.get();
  }
  printf("  Launching movie frames generator\n");
  fflush(stdout);
  QElapsedTimer clock;
  clock.start();
  FILE *file = std::fopen("pavo.movie", "r");
  if (!file) {
    printf("  no file pavo.movie found \n");
    printf("  Please specify your sequence of meshes and solution in a file named "
           "\"pavo.movie\" \n");
    fflush(stdout);
    showTimedMessage("Please specify your sequence of meshes and solution in a file named "
                     "\"pavo.movie\" ");
    return;
  }
  waitForView(viewer);
  char line[kFrameLineSize + 1];
  while (std::fgets(line, sizeof line, file)) {
    MovieFrame frame;
    if (!parseMovieLine(line, frame)) continue;
    viewer->displayMesh(frame.mesh.c_str(), frame.sol.c_str());
    applyViewState(viewer, viewState);
    viewer->renderNow();
    viewer->screenshot(frame.image.c_str());
  }
  std::fclose(file);
  printf("  Total time to launch the movie mode %5.2f s \n", (double)clock.elapsed() / 1000.0);
  fflush(stdout);
}

int runMovie(int argc, char **argv) {
  const std::string viewState = movieViewStateName(argc, argv);
  PavMeshViewerWidget window(QSurfaceFormat::defaultFormat(), 1, 1);
  launchMovie(viewState, window.viewer());
  printf("  Thank you for using the movie mode of Pavo\n");
  fflush(stdout);
  return 0;
}

} // namespace pavo
