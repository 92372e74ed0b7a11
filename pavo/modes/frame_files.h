// The view-state file applied to a viewer (before a movie or sequence frame is rendered, at
// start-up of the viewer windows, from the Data menu) and taken from it (Write Data file).
#pragma once

#include "modes/view_state_file.h"

#include <string>

namespace pavo {

class PavMeshViewer;

// True when the view-state file can be opened for reading.
bool viewStateReadable(const std::string &name);
// Applies view-state data to a viewer: the user palette, the bounding box when UseBoundingBox
// is 1, then the view (camera, switches, cut, field, hidden references); the cut, the fields
// and the hidden references are rebuilt when a mesh is shown. The window size is the caller's.
void applyViewState(PavMeshViewer *viewer, const PavViewStateData &data);
// Reads a view-state file and applies it. A file that cannot be read changes nothing (its
// message is printed) and gives false. `read`, when given, receives what the file held.
bool applyViewState(PavMeshViewer *viewer, const std::string &name,
                    PavViewStateData *read = nullptr);
// The view-state content of a viewer: its view state, window size, user palette, bounding box
// (used) and the hidden per-reference objects with their draw types.
PavViewStateData viewStateOf(const PavMeshViewer *viewer);

} // namespace pavo
