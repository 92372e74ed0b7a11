#version 400
// Triangles with one normal per face (3 vertices per triangle, no index buffer): the barycentric
// pair of each corner drives wire lines and field evaluation; the element is gl_VertexID / 3.
layout(location = 0) in vec3 VertexPosition;
layout(location = 1) in vec2 VertexUV;

uniform mat4 MVP;
uniform mat4 ModelViewMatrix;
uniform float scaling;
uniform vec3 trans;
uniform vec4 scenescaling;
uniform vec4 CutPlane;

out vec3 GPosition;
out vec3 GNormal;
out vec2 GBarycentric;
out vec3 GEdgeDistance;
out vec3 GTessDistance;
flat out int GElt;

void main() {
  vec3 p = scaling * VertexPosition + trans;
  GPosition = (ModelViewMatrix * vec4(p, 1.0)).xyz;
  GNormal = vec3(0.0, 0.0, 1.0);
  GBarycentric = VertexUV;
  GEdgeDistance = vec3(1.0 - VertexUV.x - VertexUV.y, VertexUV.x, VertexUV.y);
  GTessDistance = GEdgeDistance;
  GElt = gl_VertexID / 3;
  gl_ClipDistance[0] = -dot(p / scenescaling.w + scenescaling.xyz, CutPlane.xyz) - CutPlane.w;
  gl_Position = MVP * vec4(p, 1.0);
}
