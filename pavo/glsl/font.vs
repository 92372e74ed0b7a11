#version 400
// Glyph quads: position (location 0) through the orthographic projection, texture coordinate
// (location 1); in front of everything under fronttext.
layout(location = 0) in vec3 VertexPosition;
layout(location = 1) in vec2 VertexTexCoord;

uniform mat4 ortho;
uniform bool fronttext;

out vec2 TexCoord;

void main() {
  TexCoord = VertexTexCoord;
  vec4 p = ortho * vec4(VertexPosition, 1.0);
  if (fronttext) p.z = 0.0;
  gl_Position = p;
}
