// The two batch modes that render images in a viewer window: movie frames (one mesh and solution
// per frame, one view state) and data sequences (one mesh, one view state per frame).
#pragma once

#include <string>

namespace pavo {

class PavMeshViewer;

// Renders the frames listed in "pavo.movie" (working directory) under the view-state file
// `viewState`. With a null viewer a bare one is made for the run.
void launchMovie(const std::string &viewState, PavMeshViewer *viewer);

// Renders one image per line of the sequence file `seqName` in the viewer (a bare one when null).
void launchSequence(PavMeshViewer *viewer, const std::string &seqName);

} // namespace pavo
