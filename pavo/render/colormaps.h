// Colour maps: tables of RGB entries (3 floats from 0 to 1 each) that a palette position from 0 to
// 1 is looked up in, with linear interpolation between neighbouring entries.
#pragma once

#include "files/colormap_names.h"

namespace pavo {

// The entries of a colour map: a static array of 3 * colormapSize(index) floats, valid for the
// whole run. An index without a map gives the 5-entry rainbow table (what is uploaded when no
// field carries a palette).
const float *colormapTable(int index);

// Number of RGB entries of a colour map (5 for an index without a map, as colormapTable).
int colormapSize(int index);

// Colour at position t (0 to 1, clamped) of a map: t is scaled to the entry index, the two
// neighbouring entries are mixed linearly and the last entry caps the upper neighbour.
void colormapLookup(int index, float t, float rgb[3]);

} // namespace pavo
