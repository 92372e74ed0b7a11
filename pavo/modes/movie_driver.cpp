// Movie frames: every line of "pavo.movie" is one mesh and solution rendered under one view
// state into one image.
#include "modes/frame_files.h"
#include "modes/frame_modes.h"
#include "modes/mode_drivers.h"
#include "modes/movie_seq_files.h"
#include "modes/viewer_args.h"
#include "scene/mesh_viewer.h"
#include "ui/mesh_viewer_widget.h"
#include "ui/timed_message.h"
#include "ui/viewer_windows.h"

#include <QElapsedTimer>
#include <QSurfaceFormat>
#include <cstdio>
#include <memory>
#include <vector>

namespace pavo {

void launchMovie(const std::string &viewState, PavMeshViewer *viewer) {
  std::unique_ptr<PavMeshViewer> own;
  if (!viewer) {
    own = std::make_unique<PavMeshViewer>();
    own->resize(800, 600);
    own->show();
    viewer = own.get();
  }
  QElapsedTimer clock;
  clock.start();
  std::vector<PavMovieLine> lines;
  PavFileMessages messages;
  if (!readMovieFile(nullptr, lines, messages)) {
    showTimedMessage(kMovieMissingBoxText);
    return;
  }
  waitForView(viewer);
  for (const PavMovieLine &line : lines) {
    // An empty solution is looked for under the mesh's name.
    viewer->displayMesh(line.mesh.c_str(), line.solution.empty() ? nullptr : line.solution.c_str());
    applyViewState(viewer, viewState);
    viewer->renderNow();
    viewer->screenshot(line.image.c_str());
  }
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
