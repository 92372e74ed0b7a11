// Vector glyph triangles in the material colour.
struct MaterialInfo {
  vec3 Ka;
  vec3 Kd;
  vec3 Ks;
  float Shininess;
};
uniform MaterialInfo Material;

out vec4 FragColor;

void main() { FragColor = vec4(Material.Kd, 1.0); }
