// Round points in the material colour, with picking ids and the highlight.
flat in int GElt;

struct MaterialInfo {
  vec3 Ka;
  vec3 Kd;
  vec3 Ks;
  float Shininess;
};
uniform MaterialInfo Material;
uniform bool Picking;
uniform int BasePicking;
uniform bool HighLightAll;

out vec4 FragColor;

#include "lib/encode_id.glsl"

void main() {
  if (length(gl_PointCoord - vec2(0.5)) > 0.5) discard;
  if (Picking) {
    FragColor = encode_id(BasePicking + GElt);
    return;
  }
  vec3 color = Material.Kd;
  if (HighLightAll) color = mix(color, vec3(1.0, 0.0, 0.0), 0.6);
  FragColor = vec4(color, 1.0);
}
