// Tessellation levels from the curvature of a side: the largest distance of an inner control
// point from the point at the same parameter on the chord, over the chord length (or over the
// control polygon length for a chord shorter than 1e-8).
uniform int tess_level;

float sideCurvature(vec3 A, vec3 B, vec3 inner[3], int degree) {
  float chord = length(B - A);
  float dev = 0.0;
  float poly = 0.0;
  vec3 prev = A;
  for (int m = 1; m < degree; ++m) {
    vec3 C = inner[m - 1];
    dev = max(dev, length(C - mix(A, B, float(m) / float(degree))));
    poly += length(C - prev);
    prev = C;
  }
  poly += length(B - prev);
  float den = chord < 1e-8 ? poly : chord;
  return den > 0.0 ? dev / den : 0.0;
}

float levelOf(float curvature, int cap) {
  return float(min(1 + int(5.0 * float(tess_level) * curvature), cap));
}
