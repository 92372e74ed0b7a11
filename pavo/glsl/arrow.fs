// Arrows: their own colours (colorArrow), else white on dark backgrounds, else black.
in vec3 GColor;

uniform bool colorArrow;
uniform bool toBlack;

out vec4 FragColor;

void main() {
  vec3 color = colorArrow ? GColor : (toBlack ? vec3(1.0) : vec3(0.0));
  FragColor = vec4(color, 1.0);
}
