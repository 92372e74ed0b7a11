// The view-state file applied to the viewer before a movie or sequence frame is rendered, and at
// start-up of the viewer windows.
#pragma once

#include <string>

namespace pavo {

class PavMeshViewer;

// True when the view-state file can be opened for reading.
bool viewStateReadable(const std::string &name);
// Reads a view-state file into the viewer's view state and redraws the fields, the cut and the
// hidden references from it. A file that cannot be read changes nothing (its message is printed).
void applyViewState(PavMeshViewer *viewer, const std::string &name);

} // namespace pavo
