#include "lib/surface_fs.glsl"
