#include "modes/frame_files.h"

#include "modes/file_tokens.h"
#include "modes/view_state_file.h"
#include "scene/mesh_viewer.h"
#include "scene/view_state_io.h"

#include <cstdio>

namespace pavo {

bool viewStateReadable(const std::string &name) {
  FILE *f = std::fopen(name.c_str(), "r");
  if (!f) return false;
  std::fclose(f);
  return true;
}

void applyViewState(PavMeshViewer *viewer, const std::string &name) {
  PavViewStateData data;
  PavFileMessages messages;
  if (!readViewStateFile(name.c_str(), data, messages)) return;
  applyViewStateData(data, viewer->view);
  if (!viewer->meshObject()) return;
  // The scene building reads the view state: the cut, the field shown and the hidden references.
  if (viewer->view.cutActive())
    viewer->updateCut();
  else
    viewer->rebuildFields();
  viewer->applyHiddenReferences();
}

} // namespace pavo
