// Evaluation of a Bezier curve of degree DEG along the isoline parameter.
layout(isolines, equal_spacing, ccw) in;

in vec3 TPos[];
patch in int TElt;

uniform mat4 MVP;
uniform mat4 ModelViewMatrix;

out vec3 RPosition;
out vec3 VPosition;
flat out int VElt;

#include "lib/bernstein.glsl"

void main() {
  float B[11], dB[11];
  bernstein(DEG, gl_TessCoord.x, B, dB);
  vec3 p = vec3(0.0);
  for (int i = 0; i <= DEG; ++i) p += B[i] * TPos[i];
  RPosition = p;
  VPosition = (ModelViewMatrix * vec4(p, 1.0)).xyz;
  VElt = TElt;
  gl_Position = MVP * vec4(p, 1.0);
}
