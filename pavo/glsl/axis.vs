#version 400
// Orientation axes: rotated, scaled by length, moved to (u, v) in normalised device coordinates.
layout(location = 0) in vec3 VertexPosition;

uniform mat4 Rotation;
uniform float length;
uniform float u;
uniform float v;

void main() {
  vec4 p = Rotation * vec4(length * VertexPosition, 1.0);
  gl_Position = vec4(p.x + u, p.y + v, p.z * 0.1, 1.0);
}
