#version 400
// Points: fixed diameter, clipped by the cut plane; the point index identifies it.
layout(location = 0) in vec3 VertexPosition;

uniform mat4 MVP;
uniform float scaling;
uniform vec3 trans;
uniform float PointSize;
uniform vec4 scenescaling;
uniform vec4 CutPlane;

flat out int GElt;

void main() {
  vec3 p = scaling * VertexPosition + trans;
  GElt = gl_VertexID;
  gl_PointSize = PointSize;
  gl_ClipDistance[0] = -dot(p / scenescaling.w + scenescaling.xyz, CutPlane.xyz) - CutPlane.w;
  gl_Position = MVP * vec4(p, 1.0);
}
