// Carries the preferences of a main window into its viewer: the orientation axes, the overlay
// text height and the flags the viewer reads while picking and drawing. The propagation flags go
// to the window's links (main controller).
#pragma once

#include "ui/preferences.h"

namespace pavo {

class PavMeshViewer;

void applyPreferencesToViewer(const PavPreferences &prefs, PavMeshViewer &viewer);

} // namespace pavo
