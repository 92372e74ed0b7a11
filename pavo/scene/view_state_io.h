// Moving the view files to and from a window's view state: a view-state file
// restores a view and records one (applied to a viewer before a movie or sequence frame, at
// start-up of the viewer windows and from the Data menu); a parameter file sets the cut plane,
// colormap, displayed field, palettes, isolines and reference colours of a
// scene.
#pragma once

#include "files/param_file.h"
#include "files/view_state_file.h"
#include "render/palette.h"
#include "render/view_state.h"

#include <string>

namespace pavo {

class PavMeshViewer;

// Applies the settings a view-state file gives to a view state; the others
// stay. What the view state does not hold (window size, palette, bounding box,
// the draw types of the hidden references) the window takes from
// the data itself (applyViewStatePalette for the palette). IsoSiz is the isoline width.
void applyViewStateData(const PavViewStateData &data, PavViewState &view);

// The view-state file content of a view. `window` brings what the window holds
// outside the view state (windowSize, usePalette and palette, useBoundingBox
// and boundingBox, hiddenRefs with their draw types); the view's own
// settings are written over it. ithSol is the vertex solution's index for field
// mode 1, the element solution's for 2, else 0.
PavViewStateData viewStateData(const PavViewState &view, PavViewStateData window = {});

// The view-state content of a viewer: its view state, window size, user palette, bounding box
// (used) and the hidden per-reference objects with their draw types. Every writer of view-state
// files (the w key, Write Data file) writes this.
PavViewStateData viewStateOf(const PavMeshViewer *viewer);

// The palette of a view-state file on a field palette: UsePalette 1 with a
// palette installs it as the user's palette; UsePalette 0 releases a user
// palette (it is recomputed from the field).
void applyViewStatePalette(const PavViewStateData &data, PavPalette &palette);

// Applies a parameter file to a view state: the first clipping plane (or, with
// none, the first capping plane, with capping on) becomes the cut plane and is
// switched on and shown; the colormap; the displayed field (vertex and element
// index alike). Further planes are ignored: a view holds one cut plane.
void applyParameters(const PavParameters &params, PavViewState &view);

// The palettes and isolines of a parameter file on the solution and Jacobian
// palettes: a palette becomes the user's palette, sub-isolines set nbrIso,
// isoline values the first 9 user values.
void applyParameterPalettes(const PavParameters &params, PavPalette &solution,
                            PavPalette &jacobian);

// The reference colours of a parameter file as the user colour table (unchanged
// when the file gives none).
void applyParameterColours(const PavParameters &params, PavReferenceColours &colours);

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

} // namespace pavo
