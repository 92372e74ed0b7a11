// Edges: per-edge colour and visibility from texref, highlighted edges, picking ids.
flat in int GElt;

uniform samplerBuffer texref;
uniform bool Picking;
uniform int BasePicking;
uniform bool HighLightAll;
uniform bool DiscardUnPicked;
uniform int NbrHighLight;
uniform int IdHighlight[10];

out vec4 FragColor;

#include "lib/encode_id.glsl"

void main() {
  int elt = GElt;
  vec4 ref = texelFetch(texref, elt);
  if (ref.a == 0.0) discard;
  bool high = false;
  for (int i = 0; i < 10; ++i)
    if (i < NbrHighLight && IdHighlight[i] == elt) high = true;
  bool find = high || all(lessThan(abs(ref.rgb - vec3(0.0, 1.0, 1.0)), vec3(1e-8)));
  if (DiscardUnPicked && !find) discard;
  if (Picking) {
    FragColor = encode_id(BasePicking + elt);
    return;
  }
  vec3 color = find ? vec3(0.0, 1.0, 1.0) : ref.rgb;
  if (HighLightAll) color = mix(color, vec3(1.0, 0.0, 0.0), 0.6);
  FragColor = vec4(color, 1.0);
}
