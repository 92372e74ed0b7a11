// Glyphs: the red channel of the glyph texture is either a mask (sampletext) or the alpha.
in vec2 TexCoord;

uniform sampler2D text;
uniform bool sampletext;
uniform vec3 writecolor;

out vec4 FragColor;

void main() {
  float r = texture(text, TexCoord).r;
  if (sampletext) {
    if (r < 0.3) discard;
    FragColor = vec4(writecolor, 1.0);
  } else {
    FragColor = vec4(writecolor, r);
  }
}
