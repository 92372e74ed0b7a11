// Control stage of curved edges of degree DEG (control point i at position i): one isoline,
// subdivided by the edge's control points on screen.
in vec3 VPos[];
flat in int VElt[];
out vec3 TPos[];
patch out int TElt;

#include "lib/tess_level.glsl"

void main() {
  TPos[gl_InvocationID] = VPos[gl_InvocationID];
  if (gl_InvocationID == 0) {
    TElt = VElt[0];
    vec3 inner[3];
    for (int m = 1; m < DEG; ++m) inner[m - 1] = VPos[m];
    gl_TessLevelOuter[0] = 1.0;
    gl_TessLevelOuter[1] = sideLevel(VPos[0], VPos[DEG], inner, DEG);
  }
}
