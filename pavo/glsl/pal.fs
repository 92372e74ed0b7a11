// The palette bar: the colour table along x, ticks at the quarters in the upper half, a frame.
in vec2 GBarycentric;

struct LineInfo {
  float Width;
  vec4 Color;
};
uniform LineInfo Line;

out vec4 FragColor;

#include "lib/colormap.glsl"

void main() {
  vec2 g = GBarycentric;
  vec2 fw = max(fwidth(g), vec2(1e-30));
  vec3 color = colormap_rgb(g.x, 0.0, 1.0);
  float tick = abs(g.x * 4.0 - floor(g.x * 4.0 + 0.5)) / 4.0;
  if (g.y > 0.5 && tick < fw.x) color = vec3(0.0);
  vec2 border = min(g, 1.0 - g) / fw;
  if (min(border.x, border.y) < max(Line.Width, 1.0)) color = vec3(0.0);
  FragColor = vec4(color, 1.0);
}
