// The frame run shared by the movie and sequence modes, with what their frames need: the
// view-state files and their application to a viewer.
#pragma once

#include "files/view_state_file.h"
#include "scene/view_state_io.h"

#include <functional>
#include <string>

namespace pavo {

class PavMeshViewer;

// One run of frames (movie or sequence) in `viewer` or, when it is null, in a bare 800 x 600
// viewer made for the run. `read` reads the frame list; when it gives false, `missingText` is
// shown and nothing is rendered. Otherwise `frames` renders them once the view is ready, and the
// total time is printed as "  Total time to launch the <mode> mode %5.2f s \n".
void runFrames(PavMeshViewer *viewer, const char *mode, const char *missingText,
               const std::function<bool()> &read,
               const std::function<void(PavMeshViewer *)> &frames);

} // namespace pavo
