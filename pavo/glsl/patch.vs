#version 400
// Patches (interleaved position and normal), drawn by element ranges.
layout(location = 0) in vec3 VertexPosition;
layout(location = 1) in vec3 VertexNormal;

uniform mat4 MVP;
uniform mat4 ModelViewMatrix;
uniform mat3 NormalMatrix;
uniform float scaling;
uniform vec3 trans;
uniform vec4 scenescaling;
uniform vec4 CutPlane;

out vec3 GPosition;
out vec3 GNormal;

void main() {
  vec3 p = scaling * VertexPosition + trans;
  GPosition = (ModelViewMatrix * vec4(p, 1.0)).xyz;
  GNormal = NormalMatrix * VertexNormal;
  gl_ClipDistance[0] = -dot(p / scenescaling.w + scenescaling.xyz, CutPlane.xyz) - CutPlane.w;
  gl_Position = MVP * vec4(p, 1.0);
}
