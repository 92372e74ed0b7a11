// Control stage of quadrilaterals of degree DEG (control point (i, j) at i * (DEG + 1) + j, i
// along u). Sides are levelled by their curvature; while a field is shown, straight sides of
// curved kinds and every side of the bilinear kind take the level of the element's distance from
// a parallelogram, so that the field is still subdivided.
in vec3 VPos[];
flat in int VElt[];
out vec3 TPos[];
patch out int TElt;

#include "lib/tess_level.glsl"

uniform int SolOn;
uniform int IsoOn;
uniform bool JacOn;
uniform bool JacIsoOn;
uniform bool ValOn;

int quaPos(ivec2 l) { return l.x * (DEG + 1) + l.y; }

// Curvature (x) and screen level (y) of the side from corner a to corner b.
vec2 quaSide(ivec2 a, ivec2 b) {
  vec3 inner[3];
  for (int m = 1; m < DEG; ++m) inner[m - 1] = VPos[quaPos((a * (DEG - m) + b * m) / DEG)];
  vec3 A = VPos[quaPos(a)], B = VPos[quaPos(b)];
  return vec2(sideCurvature(A, B, inner, DEG), sideLevel(A, B, inner, DEG));
}

void main() {
  TPos[gl_InvocationID] = VPos[gl_InvocationID];
  if (gl_InvocationID != 0) return;
  TElt = VElt[0];
  bool field = SolOn != 0 || IsoOn != 0 || JacOn || JacIsoOn || ValOn;
  const ivec2 c00 = ivec2(0, 0), c10 = ivec2(DEG, 0), c01 = ivec2(0, DEG), c11 = ivec2(DEG, DEG);
  vec3 P00 = VPos[quaPos(c00)], P10 = VPos[quaPos(c10)];
  vec3 P01 = VPos[quaPos(c01)], P11 = VPos[quaPos(c11)];
  float side = max(max(length(P10 - P00), length(P11 - P01)),
                   max(length(P01 - P00), length(P11 - P10)));
  float twist = side > 0.0 ? length(P00 - P10 - P01 + P11) / side : 0.0;
  float flatLevel = field ? levelOf(twist, 32) : 1.0;
  // Outer levels: 0 the side u = 0, 1 the side v = 0, 2 the side u = 1, 3 the side v = 1.
  float outer[4];
  ivec2 ends[8] = ivec2[8](c00, c01, c00, c10, c10, c11, c01, c11);
  for (int s = 0; s < 4; ++s) {
    if (DEG == 1) {
      outer[s] = flatLevel;
    } else {
      vec2 c = quaSide(ends[2 * s], ends[2 * s + 1]);
      outer[s] = (c.x <= 1e-6 && field) ? flatLevel : c.y;
    }
  }
  // Inner control points against their bilinear positions.
  float inner = 0.0;
  for (int i = 1; i < DEG; ++i)
    for (int j = 1; j < DEG; ++j) {
      float u = float(i) / float(DEG), v = float(j) / float(DEG);
      vec3 bil = mix(mix(P00, P10, u), mix(P01, P11, u), v);
      inner = max(inner, side > 0.0 ? length(VPos[quaPos(ivec2(i, j))] - bil) / side : 0.0);
    }
  float innerLevel = max(levelOf(inner, 32), flatLevel);
  // Rows of the control net along u and along v, on screen.
  bool behind = false;
  vec2 sp[(DEG + 1) * (DEG + 1)];
  for (int p = 0; p < (DEG + 1) * (DEG + 1); ++p) sp[p] = screenOf(VPos[p], behind);
  float mu = 0.0, mv = 0.0;
  for (int i = 0; i + 2 <= DEG; ++i)
    for (int j = 0; j <= DEG; ++j) {
      mu = max(mu, secondDiff(sp[quaPos(ivec2(i, j))], sp[quaPos(ivec2(i + 1, j))],
                              sp[quaPos(ivec2(i + 2, j))]));
      mv = max(mv, secondDiff(sp[quaPos(ivec2(j, i))], sp[quaPos(ivec2(j, i + 1))],
                              sp[quaPos(ivec2(j, i + 2))]));
    }
  gl_TessLevelOuter[0] = outer[0];
  gl_TessLevelOuter[1] = outer[1];
  gl_TessLevelOuter[2] = outer[2];
  gl_TessLevelOuter[3] = outer[3];
  gl_TessLevelInner[0] =
      min(max(max(innerLevel, screenLevel(mu, DEG, behind)), max(outer[1], outer[3])), kMaxLevel);
  gl_TessLevelInner[1] =
      min(max(max(innerLevel, screenLevel(mv, DEG, behind)), max(outer[0], outer[2])), kMaxLevel);
}
