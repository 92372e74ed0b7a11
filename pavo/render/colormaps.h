// Colour maps: tables of RGB entries (3 floats from 0 to 1 each) that a palette position from 0 to
// 1 is looked up in, with linear interpolation between neighbouring entries.
#pragma once

#include <cstdint>

namespace pavo {

constexpr int PAV_NBR_COLORMAPS = 12;

enum PavColormap : int32_t {
  ColormapRainbow = 0,
  ColormapGrayscale = 1,
  ColormapCoolWarm = 2,
  ColormapMagma = 3,
  ColormapInferno = 4,
  ColormapPlasma = 5,
  ColormapViridis = 6,
  ColormapJet = 7,
  ColormapCubeHelixBlue = 8,
  ColormapCubeHelixBlueRev = 9,
  ColormapRainbowDesaturated = 10,
  ColormapCfmap = 11,
};

// Name of a colour map as the parameter file and the interface use it. An index without a map
// prints "  unknown colormap ! " and gives "Unknown ".
const char *colormapName(int index);

// Index of a colour map from its name, -1 when no map has that name.
int colormapIndex(const char *name);

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
