#version 400
// Vector glyph triangles.
layout(location = 0) in vec3 VertexPosition;

uniform mat4 MVP;
uniform float scaling;
uniform vec3 trans;

void main() { gl_Position = MVP * vec4(scaling * VertexPosition + trans, 1.0); }
