// Curved triangles drawn flat by trip*_flat.vs: smooth corner normals, barycentric wire-line
// distances.
#define PULLED_TRIANGLE
#include "lib/surface_fs.glsl"
