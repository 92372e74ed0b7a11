// A line segment widened into a screen-space quad of half-width THICKNESS pixels, with square
// caps (the quad reaches half a width past each end, so that bends show no gaps). Highlighted
// edges and the edge picking pass are five times wider.
layout(lines) in;
layout(triangle_strip, max_vertices = 4) out;

in vec3 RPosition[];
ELT_IN

uniform float THICKNESS;
uniform vec2 WIN_SCALE;
uniform bool PickingEdge;
uniform int NbrHighLight;
uniform int IdHighlight[10];
uniform vec4 scenescaling;
uniform vec4 CutPlane;

flat out int GElt;

void main() {
  int elt = ELT_OF;
  bool wide = PickingEdge;
  for (int i = 0; i < 10; ++i)
    if (i < NbrHighLight && IdHighlight[i] == elt) wide = true;
  float half_width = THICKNESS * (wide ? 5.0 : 1.0);
  vec4 c0 = gl_in[0].gl_Position, c1 = gl_in[1].gl_Position;
  vec2 s0 = c0.xy / c0.w * WIN_SCALE, s1 = c1.xy / c1.w * WIN_SCALE;
  vec2 dir = s1 - s0;
  dir = length(dir) > 1e-12 ? normalize(dir) : vec2(1.0, 0.0);
  vec2 side = vec2(-dir.y, dir.x) * half_width;
  vec2 along = dir * half_width;
  vec2 offs[4] = vec2[4](-along + side, -along - side, along + side, along - side);
  for (int k = 0; k < 4; ++k) {
    int end = k < 2 ? 0 : 1;
    vec4 c = end == 0 ? c0 : c1;
    GElt = elt;
    gl_ClipDistance[0] =
        -dot(RPosition[end] / scenescaling.w + scenescaling.xyz, CutPlane.xyz) - CutPlane.w;
    gl_Position = vec4(c.xy + offs[k] / WIN_SCALE * c.w, c.z, c.w);
    EmitVertex();
  }
  EndPrimitive();
}
