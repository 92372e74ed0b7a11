#version 400
// A bar given as four corners (lines_adjacency) becomes two triangles with its own coordinates.
layout(lines_adjacency) in;
layout(triangle_strip, max_vertices = 4) out;

out vec2 GBarycentric;

void main() {
  const vec2 corner[4] = vec2[4](vec2(0.0, 0.0), vec2(1.0, 0.0), vec2(0.0, 1.0), vec2(1.0, 1.0));
  for (int i = 0; i < 4; ++i) {
    GBarycentric = corner[i];
    gl_Position = gl_in[i].gl_Position;
    EmitVertex();
  }
  EndPrimitive();
}
