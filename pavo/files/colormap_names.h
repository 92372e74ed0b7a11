// Names of the colour maps, as the parameter and view-state files and the interface write them.
// The tables themselves are the renderer's (files/colormap_names.h); this is the vocabulary only.
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

} // namespace pavo
