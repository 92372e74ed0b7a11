#version 400
// Flat triangles and straight edges: scaled model position, eye position, clip position.
layout(location = 0) in vec3 VertexPosition;

uniform mat4 MVP;
uniform mat4 ModelViewMatrix;
uniform float scaling;
uniform vec3 trans;

out vec3 VPosition;
out vec3 RPosition;

void main() {
  vec3 p = scaling * VertexPosition + trans;
  RPosition = p;
  VPosition = (ModelViewMatrix * vec4(p, 1.0)).xyz;
  gl_Position = MVP * vec4(p, 1.0);
}
