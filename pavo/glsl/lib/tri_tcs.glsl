// Control stage of curved triangles of degree DEG: control points pass through, each side's level
// from that side's control points on screen, the inner level the largest of the side levels and of
// the level of the whole control net (second differences along the three side directions).
in vec3 VPos[];
flat in int VElt[];
out vec3 TPos[];
patch out int TElt;

#include "lib/tess_level.glsl"

// Position of the control point of multi-index (i, j, k) (weights of vertices 0, 1, 2).
int triPos(ivec3 l) { return l.x * DEG - l.x * (l.x - 1) / 2 + (DEG - l.y); }

float triSide(ivec3 ea, ivec3 eb) {
  vec3 inner[3];
  for (int m = 1; m < DEG; ++m) inner[m - 1] = VPos[triPos(ea * (DEG - m) + eb * m)];
  return sideLevel(VPos[triPos(ea * DEG)], VPos[triPos(eb * DEG)], inner, DEG);
}

void main() {
  TPos[gl_InvocationID] = VPos[gl_InvocationID];
  if (gl_InvocationID == 0) {
    TElt = VElt[0];
    const ivec3 e0 = ivec3(1, 0, 0), e1 = ivec3(0, 1, 0), e2 = ivec3(0, 0, 1);
    // Outer level m belongs to the side where tessellation coordinate m is zero.
    float l0 = triSide(e1, e2), l1 = triSide(e2, e0), l2 = triSide(e0, e1);
    gl_TessLevelOuter[0] = l0;
    gl_TessLevelOuter[1] = l1;
    gl_TessLevelOuter[2] = l2;
    bool behind = false;
    vec2 s[(DEG + 1) * (DEG + 2) / 2];
    for (int p = 0; p < (DEG + 1) * (DEG + 2) / 2; ++p) s[p] = screenOf(VPos[p], behind);
    float m2 = 0.0;
    for (int i = 0; i <= DEG - 2; ++i)
      for (int j = 0; j <= DEG - 2 - i; ++j) {
        ivec3 l = ivec3(i, j, DEG - 2 - i - j);
        m2 = max(m2, secondDiff(s[triPos(l + 2 * e0)], s[triPos(l + e0 + e1)], s[triPos(l + 2 * e1)]));
        m2 = max(m2, secondDiff(s[triPos(l + 2 * e1)], s[triPos(l + e1 + e2)], s[triPos(l + 2 * e2)]));
        m2 = max(m2, secondDiff(s[triPos(l + 2 * e2)], s[triPos(l + e2 + e0)], s[triPos(l + 2 * e0)]));
      }
    gl_TessLevelInner[0] = max(max(l0, max(l1, l2)), screenLevel(m2, DEG, behind));
  }
}
