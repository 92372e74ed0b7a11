#version 400
// Flat triangles without a geometry stage, by vertex pulling: the draw is
// glDrawArrays(GL_TRIANGLES, 0, 3 n) with no index buffer; vertex gl_VertexID is corner
// gl_VertexID % 3 of triangle gl_VertexID / 3, whose node indices come from NodeIdx and positions
// from NodePos. Each corner carries what a geometry stage would make for the triangle: the
// corner's barycentric coordinates and the element index (gl_VertexID / 3, exact on every
// driver), and the element's colour; an element whose colour has alpha 0 (hidden) has its corners
// moved outside the view volume, so it makes no fragments at all.
uniform samplerBuffer NodePos;  // 3 floats per node
uniform usamplerBuffer NodeIdx; // 3 node indices per triangle
uniform samplerBuffer texref;   // RGBA per triangle
uniform mat4 MVP;
uniform mat4 ModelViewMatrix;
uniform float scaling;
uniform vec3 trans;
uniform vec4 scenescaling;
uniform vec4 CutPlane;
uniform float Shrink; // the triangle shrinks towards its centre by this factor

out vec3 GPosition;
out vec3 GEdgeDistance;
flat out int GElt;
flat out vec4 GRef;

vec3 corner(int e, int i) {
  return scaling * texelFetch(NodePos, int(texelFetch(NodeIdx, 3 * e + i).r)).xyz + trans;
}

void main() {
  int e = gl_VertexID / 3, c = gl_VertexID - 3 * e;
  // Only this corner: the fragment stage takes the face's normal from the derivatives of the
  // position, so the other corners are read only to shrink.
  vec3 p = corner(e, c);
  if (Shrink > 0.0 && Shrink != 1.0) // unset (0): whole
    p = mix((corner(e, 0) + corner(e, 1) + corner(e, 2)) / 3.0, p, Shrink);
  GPosition = (ModelViewMatrix * vec4(p, 1.0)).xyz;
  GEdgeDistance = vec3(c == 0, c == 1, c == 2); // also the face parameters (u, v) = .yz
  GElt = e;
  gl_ClipDistance[0] = -dot(p / scenescaling.w + scenescaling.xyz, CutPlane.xyz) - CutPlane.w;
  gl_Position = MVP * vec4(p, 1.0);
  GRef = texelFetch(texref, e);
  if (GRef.a == 0.0) gl_Position = vec4(2.0, 2.0, 2.0, 1.0);
}
