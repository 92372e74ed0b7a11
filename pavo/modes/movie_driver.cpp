// Movie frames: every line of "pavo.movie" is one mesh and solution rendered under one view
// state into one image.
#include "app_messages.h"
#include "files/movie_seq_files.h"
#include "files/viewer_args.h"
#include "modes/frame_files.h"
#include "modes/frame_modes.h"
#include "modes/mode_drivers.h"
#include "scene/mesh_viewer.h"
#include "ui/mesh_viewer_widget.h"

#include <QSurfaceFormat>
#include <cstdio>
#include <vector>

namespace pavo {

void launchMovie(const std::string &viewState, PavMeshViewer *viewer) {
  std::vector<PavMovieLine> lines;
  PavFileMessages messages;
  runFrames(
      viewer, "movie", kMovieMissingBoxText,
      [&] { return readMovieFile(nullptr, lines, messages); },
      [&](PavMeshViewer *view) {
        for (const PavMovieLine &line : lines) {
          // An empty solution is looked for under the mesh's name.
          view->displayMesh(line.mesh.c_str(),
                            line.solution.empty() ? nullptr : line.solution.c_str());
          applyViewState(view, viewState);
          view->renderNow();
          view->screenshot(line.image.c_str());
        }
      });
}

int runMovie(int argc, char **argv) {
  const std::string viewState = movieViewStateName(argc, argv);
  PavMeshViewerWidget window(QSurfaceFormat::defaultFormat(), 1, 1);
  launchMovie(viewState, window.viewer());
  appMessage("  Thank you for using the movie mode of Pavo\n");
  fflush(stdout);
  return 0;
}

} // namespace pavo
