// Connects a window's bottom bar to its viewer: the solution selectors choose the field shown,
// the number input picks an entity, shows a volume element or highlights references.
#pragma once

namespace pavo {

class PavBottom;
class PavMeshViewer;

// The bar's requests go to the viewer (and its input: picking, highlighting). Call once; refill
// the bar with bar->fill(viewer->meshObject()) after each load.
void connectBottomBar(PavBottom *bar, PavMeshViewer *viewer);

} // namespace pavo
