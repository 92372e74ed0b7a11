// The colour table: colmapsiz entries of 3 floats in the buffer texture colmap. A value is
// clamped to [vmin, vmax] and mixed linearly between the two nearest entries.
uniform samplerBuffer colmap;
uniform int colmapsiz;

vec3 colmapEntry(int i) {
  return vec3(texelFetch(colmap, 3 * i).r, texelFetch(colmap, 3 * i + 1).r,
              texelFetch(colmap, 3 * i + 2).r);
}

vec3 colormap_rgb(float value, float vmin, float vmax) {
  if (colmapsiz <= 1) return colmapEntry(0);
  float step = (vmax - vmin) / float(colmapsiz - 1);
  float v = clamp(value, min(vmin, vmax), max(vmin, vmax));
  float pos = step != 0.0 ? (v - vmin) / step : 0.0;
  int lo = clamp(int(floor(pos)), 0, colmapsiz - 1);
  int hi = min(lo + 1, colmapsiz - 1);
  return mix(colmapEntry(lo), colmapEntry(hi), clamp(pos - float(lo), 0.0, 1.0));
}
