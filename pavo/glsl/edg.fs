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

#ifdef SOL
uniform samplerBuffer tex;
uniform int solDeg;
uniform int SolOn;
uniform float Palette[5];
#include "lib/colormap.glsl"

// The field shown colours each edge by its mean over the edge's nodes, placed on the palette as
// the faces place their values.
vec3 edgeFieldColor(int elt) {
  int n = max(solDeg, 0) + 1;
  float s = 0.0;
  for (int i = 0; i < n; ++i) s += texelFetch(tex, elt * n + i).r;
  float v = clamp(s / float(n), Palette[0], Palette[4]);
  int k = 1;
  for (int i = 1; i < 4; ++i)
    if (v >= Palette[i]) k = i + 1;
  float lo = Palette[k - 1], hi = Palette[k];
  return colormap_rgb(float(k - 1) + (hi > lo ? (v - lo) / (hi - lo) : 0.0), 0.0, 4.0);
}
#endif

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
#ifdef SOL
  if (SolOn != 0 && !find) color = edgeFieldColor(elt);
#endif
  if (HighLightAll) color = mix(color, vec3(1.0, 0.0, 0.0), 0.6);
  FragColor = vec4(color, 1.0);
}
