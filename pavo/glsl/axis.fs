// Axes: white on a dark background (toBlack), else black.
uniform bool toBlack;

out vec4 FragColor;

void main() { FragColor = toBlack ? vec4(1.0) : vec4(0.0, 0.0, 0.0, 1.0); }
