// Flat triangles drawn by tri_pull.vs: constant normal, barycentric wire-line distances.
#define FLAT_TRIANGLE
#include "lib/surface_fs.glsl"
