// The view-state file applied to a viewer (before a movie or sequence frame is rendered, at
// start-up of the viewer windows, from the Data menu) and taken from it (Write Data file); the
// frame run shared by the movie and sequence modes.
#pragma once

#include "modes/view_state_file.h"
#include "scene/view_state_io.h"

#include <functional>
#include <string>

namespace pavo {

class PavMeshViewer;

// True when the view-state file can be opened for reading. One that exists but is refused (a FIFO,
// a device, a folder, an unreadable file) is named on standard output with the reason.
bool viewStateReadable(const std::string &name);
// Sets view-state data on a viewer's state, building nothing: the user palette, the bounding box
// when UseBoundingBox is 1, then the view (camera, switches, cut, field, hidden references). A
// viewer being loaded takes it before its scene is built.
void setViewState(PavMeshViewer *viewer, const PavViewStateData &data);
// The same, then the cut, the fields and the hidden references are rebuilt (when a mesh is
// shown) and the view redrawn. The window size is the caller's.
void applyViewState(PavMeshViewer *viewer, const PavViewStateData &data);
// Reads a view-state file and applies it. A file that cannot be read changes nothing (its
// message is printed) and gives false. `read`, when given, receives what the file held.
bool applyViewState(PavMeshViewer *viewer, const std::string &name,
                    PavViewStateData *read = nullptr);

// One run of frames (movie or sequence) in `viewer` or, when it is null, in a bare 800 x 600
// viewer made for the run. `read` reads the frame list; when it gives false, `missingText` is
// shown and nothing is rendered. Otherwise `frames` renders them once the view is ready, and the
// total time is printed as "  Total time to launch the <mode> mode %5.2f s \n".
void runFrames(PavMeshViewer *viewer, const char *mode, const char *missingText,
               const std::function<bool()> &read,
               const std::function<void(PavMeshViewer *)> &frames);

} // namespace pavo
