// Evaluation of a tensor-product Bezier quadrilateral of degree DEG.
layout(quads, equal_spacing, ccw) in;

in vec3 TPos[];
patch in int TElt;

uniform mat4 MVP;
uniform mat4 ModelViewMatrix;
uniform mat3 NormalMatrix;
uniform float Shrink; // the element shrinks towards the centre of its corners by this factor

out vec3 RPosition;
out vec3 VPosition;
out vec3 VNormal;
out vec2 VBarycentric;
out vec4 VEdgeDistance;
flat out int VElt;

#include "lib/bernstein.glsl"

void main() {
  float u = gl_TessCoord.x, v = gl_TessCoord.y;
  float Bu[11], dBu[11], Bv[11], dBv[11];
  bernstein(DEG, u, Bu, dBu);
  bernstein(DEG, v, Bv, dBv);
  vec3 p = vec3(0.0), pu = vec3(0.0), pv = vec3(0.0);
  for (int i = 0; i <= DEG; ++i)
    for (int j = 0; j <= DEG; ++j) {
      vec3 c = TPos[i * (DEG + 1) + j];
      p += Bu[i] * Bv[j] * c;
      pu += dBu[i] * Bv[j] * c;
      pv += Bu[i] * dBv[j] * c;
    }
  const int last = (DEG + 1) * (DEG + 1) - 1;
  vec3 centre = 0.25 * (TPos[0] + TPos[DEG] + TPos[last - DEG] + TPos[last]);
  p = mix(centre, p, Shrink > 0.0 ? Shrink : 1.0); // unset (0): whole
  RPosition = p;
  VPosition = (ModelViewMatrix * vec4(p, 1.0)).xyz;
  VNormal = NormalMatrix * normalize(cross(pu, pv));
  VBarycentric = vec2(u, v);
  VEdgeDistance = vec4(u, v, 1.0 - u, 1.0 - v);
  VElt = TElt;
  gl_Position = MVP * vec4(p, 1.0);
}
