// The typed-in colour-map tables (colormap_data.cpp): 256 RGB entries each, 3 floats per entry.
#pragma once

namespace pavo {

extern const float kColormapMagma[256 * 3];
extern const float kColormapInferno[256 * 3];
extern const float kColormapPlasma[256 * 3];
extern const float kColormapViridis[256 * 3];

} // namespace pavo
