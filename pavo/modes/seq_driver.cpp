// Data sequences: one mesh in one window, one image per view-state file of the sequence file.
#include "modes/batch_work.h"
#include "modes/frame_files.h"
#include "modes/frame_modes.h"
#include "modes/mode_drivers.h"
#include "scene/mesh_viewer.h"
#include "ui/mesh_viewer_widget.h"
#include "ui/timed_message.h"
#include "ui/viewer_windows.h"

#include <QElapsedTimer>
#include <QSurfaceFormat>
#include <cstdio>
#include <memory>

namespace pavo {

void launchSequence(PavMeshViewer *viewer, const std::string &seqName) {
  std::unique_ptr<PavMeshViewer> own;
  if (!viewer) {
    own = std::make_unique<PavMeshViewer>();
    own->resize(800, 600);
    own->show();
    viewer = own.get();
  }
  printf("  opening %s file \n", seqName.c_str());
  QElapsedTimer clock;
  clock.start();
  FILE *file = std::fopen(seqName.c_str(), "r");
  printf("  Launching the sequence data generator\n\n");
  fflush(stdout);
  if (!file) {
    printf("  no file %s found \n", seqName.c_str());
    printf("  Please specify your sequence of meshes and solution in a file named "
           "\"pavo.seq\" \n");
    fflush(stdout);
    showTimedMessage("Please specify your sequence of data in a file named \"pavo.seq\" ");
    return;
  }
  waitForView(viewer);
  char line[kFrameLineSize + 1];
  while (std::fgets(line, sizeof line, file)) {
    SeqFrame frame;
    if (!parseSeqLine(line, frame)) continue;
    applyViewState(viewer, frame.view);
    viewer->renderNow();
    viewer->screenshot(frame.image.c_str());
  }
  std::fclose(file);
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
