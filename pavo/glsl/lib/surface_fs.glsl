// Fragment stage of faces (triangles, or quadrilaterals with QUAD defined). The prefix written by
// the program builder defines SOL, JAC, VAL, HO, Deg2..Deg10, STL and POLYGON, and the switches it
// fixes for the whole draw: LIGHT_MODEL <n>, NO_PICKING, NO_WIRE and NO_HIDING (see GlslSwitches).
// Without a discard left (NO_HIDING, no field), the depth test runs before this stage.
#ifdef QUAD
#define EDGE_T vec4
#else
#define EDGE_T vec3
#endif

in vec3 GPosition;
#if defined(FLAT_TRIANGLE) || defined(PULLED_TRIANGLE)
// Flat triangles: one normal per face (curved elements drawn flat, PULLED_TRIANGLE: the normals
// of their corners), and the barycentric coordinates serve as the face parameters and both
// wire-line distances (fewer values to interpolate per fragment). Flat triangles bring their
// distances to the sides in pixels and their lines' fading instead, and a unit normal.
#ifdef FLAT_TRIANGLE
flat in vec3 GNormal;
noperspective in vec3 GSidePixels;
flat in float GFade;
#else
in vec3 GNormal;
#endif
in vec3 GEdgeDistance;
// The element's colour, fetched once per corner; hidden elements never reach this stage.
flat in vec4 GRef;
#define GBarycentric GEdgeDistance.yz
#define GTessDistance GEdgeDistance
#else
in vec3 GNormal;
in vec2 GBarycentric;
in EDGE_T GEdgeDistance;
in vec3 GTessDistance;
#ifdef PULLED_QUAD
flat in vec4 GRef; // curved quadrilaterals drawn flat: fetched once per corner
#endif
#endif
flat in int GElt;

struct LightInfo {
  vec4 Position;
  vec3 Intensity;
};
struct MaterialInfo {
  vec3 Ka;
  vec3 Kd;
  vec3 Ks;
  float Shininess;
};
struct LineInfo {
  float Width;
  vec4 Color;
};
uniform LightInfo Light;
uniform MaterialInfo Material;
uniform LineInfo Line;

uniform samplerBuffer texref;
uniform samplerBuffer tex;
uniform samplerBuffer texjac;
uniform samplerBuffer texval;
#ifdef STL
uniform samplerBuffer normal;
#endif
#ifdef POLYGON
uniform usamplerBuffer polygon;
#endif
uniform mat3 NormalMatrix;

uniform int UsePhong;
uniform bool Picking;
uniform int BasePicking;
uniform bool HighLightAll;
uniform bool DiscardUnPicked;
uniform bool LineOn;
uniform bool LineSurfOn;
uniform bool TessOn;
uniform bool TransOn;
uniform bool FaceOff;
uniform bool VolSurf;
uniform bool HideSurfOn;
uniform bool HideVolOn;
uniform bool CheckInOut;
uniform int SolOn;
uniform int IsoOn;
uniform bool JacOn;
uniform bool JacIsoOn;
uniform bool ValOn;
uniform int solDeg;
uniform int jacDeg;
uniform int valDeg;
uniform int offset;
uniform float Palette[5];
uniform float JacPalette[5];
uniform float ValPalette[5];
uniform int nbrIso;
uniform int NbrUsrIso;
uniform float UsrIso[9];
uniform int nbrJacIso;
uniform int nbrUsrJacIso;
uniform float UsrJacIso[9];
uniform float IsoWidth;
uniform bool CutoffBelowOn;
uniform bool CutoffAboveOn;
uniform float CutoffBelowVal;
uniform float CutoffAboveVal;

out vec4 FragColor;

#include "lib/colormap.glsl"
#include "lib/encode_id.glsl"

#if defined(Deg10)
#define MAXDEG 10
#elif defined(Deg9)
#define MAXDEG 9
#elif defined(Deg8)
#define MAXDEG 8
#elif defined(Deg7)
#define MAXDEG 7
#elif defined(Deg6)
#define MAXDEG 6
#elif defined(Deg5)
#define MAXDEG 5
#elif defined(Deg4)
#define MAXDEG 4
#elif defined(Deg3)
#define MAXDEG 3
#else
#define MAXDEG 2
#endif

// Value of a Bezier field of degree d of element e, coefficients in the lexicographic layout
// ((d+1)(d+2)/2 per triangle, (d+1)^2 per quadrilateral), at the face parameters (u, v).
float fieldValue(samplerBuffer field, int d, int e, vec2 uv) {
  if (d <= 0) return texelFetch(field, e).r;
  if (d > MAXDEG) return 0.0;
#ifdef QUAD
  int base = e * (d + 1) * (d + 1);
  float bu[MAXDEG + 1], bv[MAXDEG + 1];
  for (int i = 0; i <= MAXDEG; ++i) {
    bu[i] = 0.0;
    bv[i] = 0.0;
  }
  bu[0] = 1.0;
  bv[0] = 1.0;
  for (int r = 1; r <= d; ++r)
    for (int i = r; i >= 0; --i) {
      bu[i] = (i < r ? (1.0 - uv.x) * bu[i] : 0.0) + (i > 0 ? uv.x * bu[i - 1] : 0.0);
      bv[i] = (i < r ? (1.0 - uv.y) * bv[i] : 0.0) + (i > 0 ? uv.y * bv[i - 1] : 0.0);
    }
  float s = 0.0;
  for (int i = 0; i <= d; ++i)
    for (int j = 0; j <= d; ++j) s += bu[i] * bv[j] * texelFetch(field, base + i * (d + 1) + j).r;
  return s;
#else
  // Weights of vertices 0, 1, 2: (1 - u - v, u, v); multi-index (i, j, k) at
  // i * d - i * (i - 1) / 2 + (d - j).
  int base = e * (d + 1) * (d + 2) / 2;
  float a = 1.0 - uv.x - uv.y, b = uv.x, c = uv.y;
  float pa[MAXDEG + 1], pb[MAXDEG + 1], pc[MAXDEG + 1], fact[MAXDEG + 1];
  pa[0] = 1.0;
  pb[0] = 1.0;
  pc[0] = 1.0;
  fact[0] = 1.0;
  for (int i = 1; i <= MAXDEG; ++i) {
    pa[i] = pa[i - 1] * a;
    pb[i] = pb[i - 1] * b;
    pc[i] = pc[i - 1] * c;
    fact[i] = fact[i - 1] * float(i);
  }
  float s = 0.0;
  for (int i = 0; i <= d; ++i)
    for (int j = 0; j <= d - i; ++j) {
      int k = d - i - j;
      float w = fact[d] / (fact[i] * fact[j] * fact[k]) * pa[i] * pb[j] * pc[k];
      s += w * texelFetch(field, base + i * d - i * (i - 1) / 2 + (d - j)).r;
    }
  return s;
#endif
}

// Interval (1..4) of the five-entry palette and the position within it; the value is clamped to
// the palette unless the matching cut-off is on.
vec3 paletteColor(float value, float P[5], bool cutBelow, bool cutAbove, out int interval,
                  out float t) {
  float v = value;
  // A value that is not a finite number has a colour of its own, outside every colour map.
  if (isnan(v) || isinf(v)) {
    interval = 1;
    t = 0.0;
    return vec3(0.5);
  }
  // A palette of one value (a constant field) is one colour, the middle one: the field's own
  // rounding must not scatter it between both ends.
  if (!(P[4] > P[0])) {
    interval = 3;
    t = 0.0;
    return colormap_rgb(2.0, 0.0, 4.0);
  }
  if (v <= P[0]) {
    interval = 1;
    if (!cutBelow) v = P[0];
  } else if (v >= P[4]) {
    interval = 4;
    if (!cutAbove) v = P[4];
  } else {
    interval = 1;
    for (int i = 1; i < 4; ++i)
      if (v >= P[i]) interval = i + 1;
  }
  float lo = P[interval - 1], hi = P[interval];
  t = hi > lo ? (v - lo) / (hi - lo) : 0.0;
  return colormap_rgb(float(interval - 1) + t, 0.0, 4.0);
}

// Isolines of one field: nearest isovalue (equal parts of the interval or user values), mixed
// into the colour; filled isolines repaint with the colour of the part's lower boundary.
vec3 isolines(vec3 color, float value, float P[5], int interval, float t, int nIso, int nUser,
              float user[9], int isoMode, bool filled) {
  float fw = max(fwidth(value), 1e-30);
  float lo = P[interval - 1], hi = P[interval];
  float iso;
  float df = 0.0;
  if (nUser <= 0) {
    int parts = clamp(nIso, 1, 9);
    float part = (hi - lo) / float(parts);
    float m = part > 0.0 ? floor(t * float(parts) + 0.5) : 0.0;
    iso = lo + m * part;
    df = part > 0.0 ? clamp(fw / part, 0.0, 1.0) : 1.0;
    if (filled) {
      float low = lo + clamp(floor(t * float(parts)), 0.0, float(parts - 1)) * part;
      int ii;
      float tt;
      color = paletteColor(low, P, false, false, ii, tt);
    }
  } else {
    iso = user[0];
    for (int i = 1; i < 9; ++i)
      if (i < nUser && abs(value - user[i]) < abs(value - iso)) iso = user[i];
    if (abs(value - iso) > 0.5 * IsoWidth * fw) return color;
  }
  if (isoMode == 0 && !filled) return color;
  // A field flat across the pixel crosses no isovalue there, even on one (a constant field); nor
  // does one whose palette has no width (rounding noise would draw specks).
  if (fwidth(value) <= 0.0 || (nUser <= 0 && !(hi > lo))) return color;
  // Coloured isolines are the palette colour at half its brightness, less dark where they crowd
  // (df: their spacing against the pixel size), so that they read on any colour.
  vec3 line = isoMode == 2 ? vec3(0.0) : color * (0.5 + 0.25 * df);
  return mix(line, color, smoothstep(IsoWidth - 1.0, IsoWidth + 1.0, abs(value - iso) / fw));
}

// The lighting models share their terms: software rasterisers run every branch of a shader, so
// one direction, one reflection and one power serve all three.
vec3 lighting(vec3 color, vec3 n, int model) {
  if (model == 3) return color;
  bool toon = model == 2;
  vec3 toLight = Light.Position.w == 0.0 ? Light.Position.xyz : Light.Position.xyz - GPosition;
  vec3 s = toon ? normalize(vec3(0.236, 0.236, 0.943))
                : (length(toLight) > 0.0 ? normalize(toLight) : vec3(0.0, 0.0, 1.0));
  vec3 view = length(GPosition) > 0.0 ? normalize(-GPosition) : vec3(0.0, 0.0, 1.0);
  float sn = dot(s, n);
  float shine = pow(max(dot(reflect(-s, n), view), 0.0), toon ? 8.0 : max(Material.Shininess, 1.0));
  if (model == 0) return color * max(0.5 + 0.5 * sn, 0.0);
  if (model == 1)
    return Light.Intensity * (Material.Ka + color * max(sn, 0.0) +
                              (sn > 0.0 ? Material.Ks * shine : vec3(0.0)));
  float d = max(sn, 0.0);
  float band = d > 0.95 ? 1.0 : d > 0.5 ? 0.6 : d > 0.25 ? 0.3 : 0.1;
  return color * band + vec3(step(0.5, shine) * 0.3);
}

void main() {
  int elt = GElt;
  int fieldElt = offset + elt;
  // 1. Per-element colour and visibility.
#if defined(FLAT_TRIANGLE) || defined(PULLED_TRIANGLE) || defined(PULLED_QUAD)
  vec4 ref = GRef;
#else
  vec4 ref = texelFetch(texref, elt);
  if (ref.a == 0.0) discard;
#endif
  // 2. Surface or volume-derived faces hidden.
#ifndef NO_HIDING
  if (HideSurfOn && !VolSurf) discard;
  if (HideVolOn && VolSurf) discard;
#endif
  // 3. The picked element is painted (0, 1, 1).
  bool find = all(lessThan(abs(ref.rgb - vec3(0.0, 1.0, 1.0)), vec3(1e-8)));
#ifndef NO_HIDING
  if (DiscardUnPicked && !find) discard;
#endif
  // 4. Normal.
#ifdef STL
  vec3 n = NormalMatrix * vec3(texelFetch(normal, fieldElt * 3).r,
                               texelFetch(normal, fieldElt * 3 + 1).r,
                               texelFetch(normal, fieldElt * 3 + 2).r);
#elif defined(FLAT_TRIANGLE)
  vec3 n = GNormal; // unit length from the vertex stage
#else
  vec3 n = GNormal;
#endif
#if !defined(FLAT_TRIANGLE) || defined(STL)
  n = length(n) > 0.0 ? normalize(n) : vec3(0.0, 0.0, 1.0);
#endif
  if (!gl_FrontFacing) n = -n;
  bool surface = !VolSurf;
#ifdef LIGHT_MODEL
  const int model = LIGHT_MODEL; // FaceOff only comes with model 3
#else
  int model = clamp(UsePhong, 0, 3);
  if (FaceOff && surface) model = 3;
#endif
  // 5-6. Everything highlighted (lit below, before anything else) or picking ids.
#ifndef NO_PICKING
  if (Picking && !HighLightAll) {
    FragColor = encode_id(BasePicking + elt);
    return;
  }
#endif
  vec3 color = HighLightAll ? vec3(0.0, 1.0, 1.0) : ref.rgb;
  bool fieldShown = false;
  float value = 0.0;
  int interval = 1;
  float t = 0.0;
  if (!HighLightAll) {
    // 7-9. Solution, Jacobian, value field.
#ifdef SOL
    if (SolOn != 0 || IsoOn != 0) {
      value = fieldValue(tex, solDeg, fieldElt, GBarycentric);
      vec3 pc = paletteColor(value, Palette, CutoffBelowOn, CutoffAboveOn, interval, t);
      if (SolOn != 0) color = pc;
      fieldShown = true;
      if ((IsoOn != 0 || SolOn == 2) && !isnan(value) && !isinf(value))
        color = isolines(color, value, Palette, interval, t, nbrIso, NbrUsrIso, UsrIso, IsoOn,
                         SolOn == 2);
    }
#endif
#ifdef JAC
    if (!fieldShown && SolOn == 0 && IsoOn == 0 && (JacOn || JacIsoOn)) {
      float jv = fieldValue(texjac, jacDeg, fieldElt, GBarycentric);
      vec3 pc = paletteColor(jv, JacPalette, false, false, interval, t);
      if (JacOn) color = pc;
      if (JacIsoOn && !isnan(jv) && !isinf(jv))
        color = isolines(color, jv, JacPalette, interval, t, nbrJacIso, nbrUsrJacIso, UsrJacIso, 1,
                         false);
    }
#endif
#ifdef VAL
    if (!fieldShown && SolOn == 0 && IsoOn == 0 && !JacOn && ValOn) {
      float vv = fieldValue(texval, valDeg, fieldElt, GBarycentric);
      color = paletteColor(vv, ValPalette, false, false, interval, t);
    }
#endif
    // 12. Cut-off of the solution value.
    if (fieldShown) {
      if (CutoffBelowOn && value <= CutoffBelowVal) discard;
      if (CutoffAboveOn && value >= CutoffAboveVal) discard;
    }
    if (find) color = vec3(0.0, 1.0, 1.0);
  }
  // 10. Lighting.
  color = lighting(color, n, model);
  if (HighLightAll) {
    FragColor = vec4(color, 1.0);
    return;
  }
  // 13. Inside/outside check.
  if (CheckInOut) color = mix(color, vec3(1.0, 0.0, 0.0), 0.7);
  float alpha = (TransOn && !find) ? 0.7 : 1.0;
  // 14. No wire lines.
#ifdef NO_WIRE
  FragColor = vec4(color, alpha);
#else
  if ((!LineOn && !TessOn) || (surface && !LineSurfOn)) {
    FragColor = vec4(color, alpha);
    return;
  }
  // 15. Wire lines: distance in pixels to the nearest side. A parameter that runs from 0 on a
  // side to 1 at the opposite corner changes by fwidth per pixel, so 1 / fwidth is the element's
  // height over that side on screen; lines fade out where the smallest height falls from 8 to
  // 2 pixels, so that a dense mesh shows its faces instead of a block of lines. Flat triangles
  // have both from their vertex stage.
  float d, fade;
#ifdef FLAT_TRIANGLE
  d = min(GSidePixels.x, min(GSidePixels.y, GSidePixels.z));
  fade = GFade;
#else
  float grain;
  if (TessOn) {
    vec3 w = max(fwidth(GTessDistance), vec3(1e-30));
    vec3 dist = GTessDistance / w;
    d = min(dist.x, min(dist.y, dist.z));
    grain = max(w.x, max(w.y, w.z));
  } else {
#ifdef QUAD
    vec4 w = max(fwidth(GEdgeDistance), vec4(1e-30));
    vec4 dist = GEdgeDistance / w;
    d = min(min(dist.x, dist.y), min(dist.z, dist.w));
    grain = max(max(w.x, w.y), max(w.z, w.w));
#else
    vec3 w = max(fwidth(GEdgeDistance), vec3(1e-30));
    vec3 dist = GEdgeDistance / w;
    grain = max(w.x, max(w.y, w.z));
#ifdef POLYGON
    // Side s runs from vertex s to vertex s + 1, where the weight of vertex s + 2 vanishes; only
    // sides tagged 1 are polygon sides.
    int tagBase = fieldElt * 3;
    if (texelFetch(polygon, tagBase).r != 1u) dist.z = 1e30;
    if (texelFetch(polygon, tagBase + 1).r != 1u) dist.x = 1e30;
    if (texelFetch(polygon, tagBase + 2).r != 1u) dist.y = 1e30;
#endif
    d = min(dist.x, min(dist.y, dist.z));
#endif
  }
  fade = smoothstep(2.0, 8.0, 1.0 / grain);
#endif
#ifndef NO_HIDING
  if (FaceOff && surface && !find && d > Line.Width + 1.0) discard;
#endif
  float ink = fade * (1.0 - smoothstep(Line.Width - 1.0, Line.Width + 1.0, d));
  color = mix(color, Line.Color.rgb, ink);
  FragColor = vec4(color, find ? 1.0 : alpha);
#endif
}
