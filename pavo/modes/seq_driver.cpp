// Data sequences: one mesh in one window, one image per view-state file of the sequence file.
#include "modes/batch_work.h"
#include "modes/frame_files.h"
#include "modes/frame_modes.h"
#include "modes/mode_drivers.h"
#include "modes/movie_seq_files.h"
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

void launchSequence(PavMeshViewer *viewer, const std::string &seqName) {
  std::unique_ptr<PavMeshViewer> own;
  if (!viewer) {
    own = std::make_unique<PavMeshViewer>();
    own->resize(800, 600);
    own->show();
    viewer = own.get();
  }
  QElapsedTimer clock;
  clock.start();
  std::vector<PavSequenceLine> lines;
  PavFileMessages messages;
  if (!readSequenceFile(seqName.c_str(), lines, messages)) {
    showTimedMessage(kSequenceMissingBoxText);
    return;
  }
  waitForView(viewer);
  for (const PavSequenceLine &line : lines) {
    applyViewState(viewer, line.viewState);
    viewer->renderNow();
    viewer->screenshot(line.image.c_str());
  }
  printf("  Total time to launch the sequence mode %5.2f s \n", (double)clock.elapsed() / 1000.0);
  fflush(stdout);
}

int runSeq(int argc, char **argv) {
  // An option given as the last argument has no value.
  auto value = [&](const char *name) {
    const int i = optionValue(argc, argv, name);
    return i < argc ? i : 0;
  };
  const int in = value("-in"), sol = value("-sol"), nameseq = value("-nameseq");
  if (!in) {
    printf("  ERROR: -in is missing\n");
    return 0;
  }
  PavMeshViewerWidget window(QSurfaceFormat::defaultFormat(), 1, 1);
  window.loadMesh(argv[in], sol ? argv[sol] : argv[in]);
  launchSequence(window.viewer(), nameseq ? argv[nameseq] : "pavo.seq");
  printf("  Thank you for using the data sequences mode of Pavo\n");
  fflush(stdout);
  return 0;
}

} // namespace pavo
