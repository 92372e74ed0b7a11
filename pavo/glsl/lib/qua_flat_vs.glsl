// Curved quadrilaterals of degree DEG that are flat on screen, drawn without tessellation as two
// triangles of their corners: the draw is glDrawArrays(GL_TRIANGLES, 0, 6 m) over the elements
// EltOrder[EltFirst], ... (every element in order when not Ordered). Each corner carries the
// normal and parameters the evaluation stage gives it, so the element looks as it would
// tessellated once; fields are evaluated per fragment from the parameters.
#include "lib/flat_pull.glsl"

out vec3 GPosition;
out vec3 GNormal;
out vec2 GBarycentric;
out vec4 GEdgeDistance;
out vec3 GTessDistance;
flat out int GElt;
flat out vec4 GRef;

const int NPTS = (DEG + 1) * (DEG + 1);

vec3 node(int e, ivec2 l) {
  int n = int(texelFetch(NodeIdx, NPTS * e + l.x * (DEG + 1) + l.y).r);
  return scaling * texelFetch(NodePos, n).xyz + trans;
}

void main() {
  int slot = gl_VertexID / 6, c = gl_VertexID - 6 * slot;
  int e = Ordered ? int(texelFetch(EltOrder, EltFirst + slot).r) : slot;
  // Triangles (0, 0) (1, 0) (1, 1) and (0, 0) (1, 1) (0, 1) of the parameter square.
  const ivec2 corners[6] =
      ivec2[6](ivec2(0, 0), ivec2(1, 0), ivec2(1, 1), ivec2(0, 0), ivec2(1, 1), ivec2(0, 1));
  ivec2 w = corners[c];
  ivec2 corner = w * DEG, inward = 1 - 2 * w;
  vec3 p = node(e, corner);
  // The normal there: the control points next to the corner span the tangent plane.
  vec3 tu = float(inward.x) * (node(e, corner + ivec2(inward.x, 0)) - p);
  vec3 tv = float(inward.y) * (node(e, corner + ivec2(0, inward.y)) - p);
  if (Shrink > 0.0 && Shrink != 1.0) { // unset (0): whole
    vec3 centre = 0.25 * (node(e, ivec2(0, 0)) + node(e, ivec2(DEG, 0)) + node(e, ivec2(0, DEG)) +
                          node(e, ivec2(DEG, DEG)));
    p = mix(centre, p, Shrink);
  }
  vec2 uv = vec2(w);
  GPosition = (ModelViewMatrix * vec4(p, 1.0)).xyz;
  GNormal = NormalMatrix * normalize(cross(tu, tv));
  GBarycentric = uv;
  GEdgeDistance = vec4(uv, 1.0 - uv);
  int t = c - 3 * (c / 3);
  GTessDistance = vec3(t == 0, t == 1, t == 2);
  GElt = e;
  gl_ClipDistance[0] = -dot(p / scenescaling.w + scenescaling.xyz, CutPlane.xyz) - CutPlane.w;
  gl_Position = MVP * vec4(p, 1.0);
  // A hidden element (alpha 0) makes no fragments at all.
  GRef = texelFetch(texref, e);
  if (GRef.a == 0.0) gl_Position = vec4(2.0, 2.0, 2.0, 1.0);
}
