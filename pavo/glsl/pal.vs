#version 400
// Palette bar corners, placed by MVP (the scene gives it an overlay projection).
layout(location = 0) in vec3 VertexPosition;

uniform mat4 MVP;

void main() { gl_Position = MVP * vec4(VertexPosition, 1.0); }
