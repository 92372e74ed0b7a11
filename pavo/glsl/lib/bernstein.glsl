// Bernstein basis of degree d <= 10 at t and its derivative, without pow (pow(0, 0) is
// undefined in GLSL).
void bernstein(int d, float t, out float B[11], out float dB[11]) {
  float low[11]; // degree d - 1
  for (int i = 0; i < 11; ++i) {
    low[i] = 0.0;
    B[i] = 0.0;
    dB[i] = 0.0;
  }
  low[0] = 1.0;
  for (int r = 1; r <= d - 1; ++r)
    for (int i = r; i >= 0; --i) low[i] = (i < r ? (1.0 - t) * low[i] : 0.0) + (i > 0 ? t * low[i - 1] : 0.0);
  if (d == 0) {
    B[0] = 1.0;
    return;
  }
  for (int i = 0; i <= d; ++i) {
    float lo = i > 0 ? low[i - 1] : 0.0;
    float hi = i < d ? low[i] : 0.0;
    B[i] = (1.0 - t) * hi + t * lo;
    dB[i] = float(d) * (lo - hi);
  }
}
