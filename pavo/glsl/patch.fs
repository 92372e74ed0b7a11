// Patches in the material colour with diffuse lighting; ids count from the range's offset.
in vec3 GPosition;
in vec3 GNormal;

struct MaterialInfo {
  vec3 Ka;
  vec3 Kd;
  vec3 Ks;
  float Shininess;
};
uniform MaterialInfo Material;
uniform bool Picking;
uniform int BasePicking;
uniform int offset;
uniform bool HighLightAll;

out vec4 FragColor;

#include "lib/encode_id.glsl"

void main() {
  if (Picking) {
    FragColor = encode_id(BasePicking + offset + gl_PrimitiveID);
    return;
  }
  vec3 n = length(GNormal) > 0.0 ? normalize(GNormal) : vec3(0.0, 0.0, 1.0);
  if (!gl_FrontFacing) n = -n;
  vec3 s = normalize(-GPosition);
  vec3 color = HighLightAll ? vec3(0.0, 1.0, 1.0) : Material.Kd;
  FragColor = vec4(color * max(0.5 + 0.5 * dot(s, n), 0.0), 1.0);
}
