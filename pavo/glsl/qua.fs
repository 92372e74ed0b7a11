#define QUAD
#include "lib/surface_fs.glsl"
