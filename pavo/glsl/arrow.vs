#version 400
// Vector arrows with a colour per vertex.
layout(location = 0) in vec3 VertexPosition;
layout(location = 1) in vec3 VertexColors;

uniform mat4 MVP;
uniform float scaling;
uniform vec3 trans;

out vec3 GColor;

void main() {
  GColor = VertexColors;
  gl_Position = MVP * vec4(scaling * VertexPosition + trans, 1.0);
}
