// Curved triangles of degree DEG that are flat on screen, drawn without tessellation: the draw is
// glDrawArrays(GL_TRIANGLES, 0, 3 m) over the elements EltOrder[EltFirst], ... (least curved
// first). Corner c of a triangle is the element's corner control point, with the normal and face
// parameters the evaluation stage gives that corner at level 1, so the element looks as it would
// tessellated once; fields are evaluated per fragment from the face parameters.
#include "lib/flat_pull.glsl"

out vec3 GPosition;
out vec3 GNormal;
out vec3 GEdgeDistance; // also the face parameters (u, v) = GEdgeDistance.yz
flat out int GElt;
flat out vec4 GRef;

const int NPTS = (DEG + 1) * (DEG + 2) / 2;

// Position of the control point of multi-index (i, j, k) (weights of vertices 0, 1, 2).
int triPos(ivec3 l) { return l.x * DEG - l.x * (l.x - 1) / 2 + (DEG - l.y); }

vec3 node(int e, ivec3 l) {
  return scaling * texelFetch(NodePos, int(texelFetch(NodeIdx, NPTS * e + triPos(l)).r)).xyz +
         trans;
}

void main() {
  int slot = gl_VertexID / 3, c = gl_VertexID - 3 * slot;
  int e = Ordered ? int(texelFetch(EltOrder, EltFirst + slot).r) : slot;
  const ivec3 e0 = ivec3(1, 0, 0), e1 = ivec3(0, 1, 0), e2 = ivec3(0, 0, 1);
  ivec3 corner = ivec3(c == 0, c == 1, c == 2);
  vec3 q[3] = vec3[3](node(e, DEG * e0), node(e, DEG * e1), node(e, DEG * e2));
  // The corner's normal: the control points next to it span the tangent plane there.
  ivec3 base = corner * (DEG - 1);
  vec3 qa = c == 0 ? q[0] : node(e, base + e0);
  vec3 qb = c == 1 ? q[1] : node(e, base + e1);
  vec3 qc = c == 2 ? q[2] : node(e, base + e2);
  vec3 centre = (q[0] + q[1] + q[2]) / 3.0;
  vec3 p = mix(centre, q[c], Shrink > 0.0 ? Shrink : 1.0); // unset (0): whole
  GPosition = (ModelViewMatrix * vec4(p, 1.0)).xyz;
  GNormal = NormalMatrix * normalize(cross(qb - qa, qc - qa));
  GEdgeDistance = vec3(corner);
  GElt = e;
  gl_ClipDistance[0] = -dot(p / scenescaling.w + scenescaling.xyz, CutPlane.xyz) - CutPlane.w;
  gl_Position = MVP * vec4(p, 1.0);
  // A hidden element (alpha 0) makes no fragments at all.
  GRef = texelFetch(texref, e);
  if (GRef.a == 0.0) gl_Position = vec4(2.0, 2.0, 2.0, 1.0);
}
