#include "files/colormap_names.h"

#include "app_messages.h"

#include <cstdio>
#include <cstring>

namespace pavo {

namespace {

// In the order of PavColormap.
const char *const kNames[PAV_NBR_COLORMAPS] = {
    "rainbow",
    "grayscale",
    "coolwarm",
    "magma",
    "inferno",
    "plasma",
    "viridis",
    "jet",
    "cubehelixblue",
    "cubehelixbluerev",
    "rainbowdesaturated",
    "cfmap_tecplot",
};

} // namespace

const char *colormapName(int index) {
  if (index < 0 || index >= PAV_NBR_COLORMAPS) {
    appMessage("  unknown colormap ! ");
    return "Unknown ";
  }
  return kNames[index];
}

int colormapIndex(const char *name) {
  if (!name) return -1;
  for (int i = 0; i < PAV_NBR_COLORMAPS; i++)
    if (std::strcmp(kNames[i], name) == 0) return i;
  return -1;
}

} // namespace pavo
