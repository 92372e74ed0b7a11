#include "modes/frame_files.h"

#include "modes/file_tokens.h"
#include "scene/mesh_viewer.h"
#include "scene/view_state_io.h"
#include "ui/timed_message.h"
#include "ui/viewer_windows.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace pavo {

bool viewStateReadable(const std::string &name) {
  std::string why;
  bool missing = false;
  std::FILE *f = pavOpenTextFile(name.c_str(), why, &missing);
  if (!f && !missing) std::printf("  ## ERROR: %s: %s: not read\n", name.c_str(), why.c_str());
  if (!f) return false;
  std::fclose(f);
  return true;
}

void setViewState(PavMeshViewer *viewer, const PavViewStateData &data) {
  applyViewStatePalette(data, viewer->solutionPalette);
  // The box refits centre and scale: the file's own centre is applied after it.
  if (data.useBoundingBox && *data.useBoundingBox == 1 && data.boundingBox) {
    double box[6];
    std::copy(data.boundingBox->begin(), data.boundingBox->end(), box);
    viewer->setBoundingBox(box);
  }
  applyViewStateData(data, viewer->view);
}

void applyViewState(PavMeshViewer *viewer, const PavViewStateData &data) {
  setViewState(viewer, data);
  // The scene building reads the view state: the cut, the field shown and the hidden references.
  // The file's view is this window's own: the linked windows are not told.
  viewer->refresh(PavChange::Cut | PavChange::Fields | PavChange::Hidden | PavChange::Unlinked,
                  PavRedraw::Later);
}

bool applyViewState(PavMeshViewer *viewer, const std::string &name, PavViewStateData *read) {
  PavViewStateData data;
  PavFileMessages messages;
  if (!readViewStateFile(name.c_str(), data, messages)) return false;
  applyViewState(viewer, data);
  if (read) *read = data;
  return true;
}

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
  printf("  Total time to launch the %s mode %5.2f s \n", mode, (double)clock.elapsed() / 1000.0);
  fflush(stdout);
}

} // namespace pavo
