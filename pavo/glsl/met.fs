// Metric glyphs in a fixed dark red.
out vec4 FragColor;

void main() { FragColor = vec4(0.6, 0.0, 0.0, 1.0); }
