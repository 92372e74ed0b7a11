// Data sequences: one mesh in one window, one image per view-state file of the sequence file.
#include "app_messages.h"
#include "files/movie_seq_files.h"
#include "modes/batch_work.h"
#include "modes/frame_files.h"
#include "modes/frame_modes.h"
#include "modes/mode_drivers.h"
#include "scene/mesh_viewer.h"
#include "ui/mesh_viewer_widget.h"

#include <QSurfaceFormat>
#include <cstdio>
#include <vector>

namespace pavo {

void launchSequence(PavMeshViewer *viewer, const std::string &seqName) {
  std::vector<PavSequenceLine> lines;
  PavFileMessages messages;
  runFrames(
      viewer, "sequence", kSequenceMissingBoxText,
      [&] { return readSequenceFile(seqName.c_str(), lines, messages); },
      [&](PavMeshViewer *view) {
        for (const PavSequenceLine &line : lines) {
          applyViewState(view, line.viewState);
          view->renderNow();
          view->screenshot(line.image.c_str());
        }
      });
}

int runSeq(int argc, char **argv) {
  // An option given as the last argument has no value.
  auto value = [&](const char *name) {
    const int i = optionValue(argc, argv, name);
    return i < argc ? i : 0;
  };
  const int in = value("-in"), sol = value("-sol"), nameseq = value("-nameseq");
  if (!in) {
    appMessage("  ERROR: -in is missing\n");
    return 0;
  }
  PavMeshViewerWidget window(QSurfaceFormat::defaultFormat(), 1, 1);
  window.loadMesh(argv[in], sol ? argv[sol] : argv[in]);
  launchSequence(window.viewer(), nameseq ? argv[nameseq] : "pavo.seq");
  appMessage("  Thank you for using the data sequences mode of Pavo\n");
  fflush(stdout);
  return 0;
}

} // namespace pavo
