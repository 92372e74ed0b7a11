// Tessellation levels of curved sides, chosen on screen: a side of Bezier control points P0..Pd,
// cut into n pieces of equal parameter, stays within d (d - 1) max|P(i) - 2 P(i+1) + P(i+2)| /
// (8 n^2) of its curve, so n follows from the second differences of the control points projected
// to pixels and a tolerance of 1.5 / tess_level pixels (3/8 of a pixel at the default level 4,
// leaving room for the rasterisation within half a pixel). The old rule 1 + int(5 tess_level
// curvature) is a floor. Every quantity is computed symmetrically in the two ends of a side, so
// that the two elements sharing it choose the same level (no cracks). Levels are capped at 32:
// llvmpipe drops whole patches of a sphere from level 39 on, although it announces 64.
//
// A side whose control points all lie within FlatTol (scaled model units, the frame's tolerance
// divided by the largest magnification of the view) of their chord is drawn straight, at level
// 1: elements with every control point that close to their flat element are drawn without
// tessellation, and their curved neighbours must draw the shared side as the same chord.
uniform int tess_level;
uniform mat4 MVP;
uniform vec2 WIN_SCALE;
uniform float FlatTol; // negative: no side is taken as flat

const float kMaxLevel = 32.0;

// Screen position in pixels of a scaled model position; `behind` is set for a point at or
// behind the eye, whose projection means nothing.
vec2 screenOf(vec3 p, inout bool behind) {
  vec4 c = MVP * vec4(p, 1.0);
  if (!(c.w > 1e-7)) {
    behind = true;
    return vec2(0.0);
  }
  return c.xy / c.w * WIN_SCALE;
}

// Second-difference bound of control points a, b, c (pixels), the same in both directions.
float secondDiff(vec2 a, vec2 b, vec2 c) { return length((a + c) - 2.0 * b); }

// Pieces a side of degree `degree` needs for a largest second difference m (pixels); NaN or
// infinite input gives one piece, a side partly behind the eye the most.
float screenLevel(float m, int degree, bool behind) {
  if (behind) return kMaxLevel;
  if (isnan(m) || isinf(m)) return 1.0;
  float tol = 1.5 / float(max(tess_level, 1));
  float n = ceil(sqrt(float(degree * (degree - 1)) * m / (8.0 * tol)));
  return clamp(n, 1.0, kMaxLevel);
}

// The largest distance of an inner control point from the point at the same parameter on the
// chord, over the chord length (or over the control polygon length for a chord shorter than
// 1e-8).
float sideCurvature(vec3 A, vec3 B, vec3 inner[3], int degree) {
  float chord = length(B - A);
  float dev = 0.0;
  float poly = 0.0;
  vec3 prev = A;
  for (int m = 1; m < degree; ++m) {
    vec3 C = inner[m - 1];
    dev = max(dev, length(C - (A * float(degree - m) + B * float(m)) / float(degree)));
    poly += length(C - prev);
    prev = C;
  }
  poly += length(B - prev);
  float den = chord < 1e-8 ? poly : chord;
  float c = den > 0.0 ? dev / den : 0.0;
  return isnan(c) || isinf(c) ? 0.0 : c;
}

float levelOf(float curvature, int cap) {
  return float(min(1 + int(min(5.0 * float(tess_level) * curvature, 1e6)), cap));
}

// Largest distance of an inner control point from the point at the same parameter on the chord.
float chordDeviation(vec3 A, vec3 B, vec3 inner[3], int degree) {
  float dev = 0.0;
  for (int m = 1; m < degree; ++m)
    dev = max(dev, length(inner[m - 1] - (A * float(degree - m) + B * float(m)) / float(degree)));
  return dev;
}

// Level of a side from its end points and inner control points (scaled model positions). The
// margin on FlatTol covers the rounding between this and the sorting of the elements on the CPU.
float sideLevel(vec3 A, vec3 B, vec3 inner[3], int degree) {
  if (FlatTol >= 0.0 && chordDeviation(A, B, inner, degree) <= FlatTol * 1.001 + 1e-6) return 1.0;
  bool behind = false;
  vec2 s[5];
  s[0] = screenOf(A, behind);
  for (int m = 1; m < degree; ++m) s[m] = screenOf(inner[m - 1], behind);
  s[degree] = screenOf(B, behind);
  float m2 = 0.0;
  for (int i = 0; i + 2 <= degree; ++i) m2 = max(m2, secondDiff(s[i], s[i + 1], s[i + 2]));
  float floorLevel = levelOf(sideCurvature(A, B, inner, degree), int(kMaxLevel));
  return max(floorLevel, screenLevel(m2, degree, behind));
}
