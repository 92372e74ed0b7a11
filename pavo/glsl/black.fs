// Lines in one fixed colour: black, or white on a black background (toBlack).
uniform bool toBlack;

out vec4 FragColor;

void main() { FragColor = toBlack ? vec4(1.0) : vec4(0.0, 0.0, 0.0, 1.0); }
