// Curved quadrilaterals drawn flat by quaq*_flat.vs: the element's colour comes with the corners.
#define QUAD
#define PULLED_QUAD
#include "lib/surface_fs.glsl"
