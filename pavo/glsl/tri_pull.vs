#version 400
// Flat triangles without a geometry stage, by vertex pulling: the draw is
// glDrawArrays(GL_TRIANGLES, 0, 3 n) with no index buffer; vertex gl_VertexID is corner
// gl_VertexID % 3 of triangle gl_VertexID / 3, whose node indices come from NodeIdx and positions
// from NodePos. Each corner carries what a geometry stage would make for the triangle: the unit
// face normal, the corner's barycentric coordinates (the face parameters), its distances in
// pixels to the three sides and the fading of the lines by the smallest height in pixels (wire
// lines without derivatives in the fragment stage), the element index (gl_VertexID / 3, exact
// on every driver), and the element's colour; an element whose colour has alpha 0 (hidden) has
// its corners moved outside the view volume, so it makes no fragments at all.
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
uniform vec2 WIN_SCALE; // half the frame in pixels

out vec3 GPosition;
flat out vec3 GNormal;
out vec3 GEdgeDistance;
noperspective out vec3 GSidePixels; // distances to the sides opposite corners 0, 1, 2
flat out float GFade; // the lines' fading by the smallest height
flat out int GElt;
flat out vec4 GRef;

void main() {
  int e = gl_VertexID / 3, c = gl_VertexID - 3 * e;
  vec3 q[3];
  vec4 clip[3];
  vec2 s[3];
  bool behind = false;
  for (int i = 0; i < 3; ++i)
    q[i] = scaling * texelFetch(NodePos, int(texelFetch(NodeIdx, 3 * e + i).r)).xyz + trans;
  vec3 centre = (q[0] + q[1] + q[2]) / 3.0;
  for (int i = 0; i < 3; ++i) {
    q[i] = mix(centre, q[i], Shrink > 0.0 ? Shrink : 1.0); // unset (0): whole
    clip[i] = MVP * vec4(q[i], 1.0);
    behind = behind || !(clip[i].w > 1e-7);
    s[i] = clip[i].xy / max(clip[i].w, 1e-7) * WIN_SCALE;
  }
  // Heights over each side: twice the area over the side's length. A triangle reaching behind
  // the eye has no meaningful heights: no lines.
  float area2 = abs((s[1].x - s[0].x) * (s[2].y - s[0].y) - (s[1].y - s[0].y) * (s[2].x - s[0].x));
  vec3 h;
  for (int i = 0; i < 3; ++i) h[i] = area2 / max(length(s[(i + 2) % 3] - s[(i + 1) % 3]), 1e-20);
  vec3 corner = vec3(c == 0, c == 1, c == 2);
  // This corner by selection, not by a varying index: each vertex of a batch has its own corner.
  vec3 p = c == 0 ? q[0] : c == 1 ? q[1] : q[2];
  GPosition = (ModelViewMatrix * vec4(p, 1.0)).xyz;
  // The sides' difference in eye space is the model-view's linear part applied to the sides.
  mat3 linear = mat3(ModelViewMatrix);
  vec3 normal = cross(linear * (q[1] - q[0]), linear * (q[2] - q[0]));
  GNormal = length(normal) > 0.0 ? normalize(normal) : vec3(0.0, 0.0, 1.0);
  GEdgeDistance = corner; // the face parameters (u, v) = corner.yz
  GSidePixels = corner * h;
  GFade = behind || isnan(area2) ? 0.0 : smoothstep(2.0, 8.0, min(h.x, min(h.y, h.z)));
  GElt = e;
  gl_ClipDistance[0] = -dot(p / scenescaling.w + scenescaling.xyz, CutPlane.xyz) - CutPlane.w;
  gl_Position = c == 0 ? clip[0] : c == 1 ? clip[1] : clip[2];
  GRef = texelFetch(texref, e);
  if (GRef.a == 0.0) gl_Position = vec4(2.0, 2.0, 2.0, 1.0);
}
