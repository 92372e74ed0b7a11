#include "render/palette.h"

#include "app_messages.h"

#include "files/draw_types.h"
#include "render/colormaps.h"

#include "ho_split.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace pavo {

// A palette that is missing or out of order is a programming error of the caller: the message
// goes to standard error and the process ends.
[[noreturn]] static void paletteFatal(const char *msg) {
  appError("%s", msg);
  fflush(stdout);
  exit(1);
}

void PavPalette::setPalette(const float pal[5]) {
  if (!pal) paletteFatal(" Please provide a palette\n");
  paletteSet = true;
  for (int i = 0; i < 5; i++) palette[i] = pal[i];
  for (int i = 1; i < 5; i++)
    if (palette[i] < palette[i - 1]) paletteFatal(" Please provide a correct palette\n");
}

void PavPalette::setUserPalette(const float pal[5]) {
  setPalette(pal);
  paletteFixed = true;
}

template <typename T> static bool rangeOf(int64_t n, const T *v, double &lo, double &hi) {
  bool any = false;
  for (int64_t i = 0; v && i < n; i++) {
    double x = (double)v[i];
    if (std::isnan(x)) continue;
    if (!any || x < lo) lo = x;
    if (!any || x > hi) hi = x;
    any = true;
  }
  return any;
}

template <typename T> static void fromValues(PavPalette &p, int64_t n, const T *v) {
  double lo = 0, hi = 0;
  if (n <= 0 || !rangeOf(n, v, lo, hi)) return;
  p.paletteSet = true;
  double d = hi - lo;
  const float pal[5] = {(float)lo, (float)(lo + 0.25 * d), (float)(lo + 0.5 * d),
                        (float)(lo + 0.75 * d), (float)hi};
  p.setPalette(pal);
}

void PavPalette::setPaletteFromValues(int64_t n, const float *values) {
  fromValues(*this, n, values);
}
void PavPalette::setPaletteFromValues(int64_t n, const double *values) {
  fromValues(*this, n, values);
}

void PavPalette::resetPalette() {
  if (paletteFixed) return;
  paletteSet = false;
  for (float &p : palette) p = 0;
}

void PavPalette::refinePaletteArray(uint32_t drawType, int degree, int64_t nbrEnt,
                                    const float *ctrl) {
  float range[2];
  if (!bezierFieldRange(drawType, degree, nbrEnt, ctrl, range)) return;
  setPaletteFromValues(2, range);
}

bool bezierFieldRange(uint32_t drawType, int degree, int64_t nbrEnt, const float *ctrl,
                      float range[2]) {
  PavDrawFamily family = pavDrawFamily(drawType);
  if (!ctrl || nbrEnt <= 0 || degree < 0 || degree > 10) return false;
  int64_t n = 0;
  if (family == PavDrawFamily::Edge)
    n = degree + 1;
  else if (family == PavDrawFamily::Triangle)
    n = (degree + 1) * (degree + 2) / 2;
  else if (family == PavDrawFamily::Quadrilateral)
    n = (degree + 1) * (degree + 1);
  else
    return false;
  bool any = false;
  float lo = 0, hi = 0;
  // Subdivision depth: deep enough to reach the extrema of the polynomials met in practice,
  // bounded because a triangle or quadrilateral piece splits in four.
  const int depth = family == PavDrawFamily::Edge ? 2 * degree : std::min(degree + 1, 5);
  for (int64_t e = 0; e < nbrEnt; e++) {
    const float *c = ctrl + e * n;
    float cmin = c[0], cmax = c[0];
    for (int64_t k = 1; k < n; k++) {
      cmin = std::min(cmin, c[k]);
      cmax = std::max(cmax, c[k]);
    }
    if (std::isnan(cmin) || std::isnan(cmax)) continue;
    // An element whose control values stay inside the range found so far cannot widen it.
    if (any && cmin >= lo && cmax <= hi) continue;
    float b[2];
    if (family == PavDrawFamily::Edge) {
      b[0] = b[1] = c[0];
      b[0] = std::min(b[0], c[degree]);
      b[1] = std::max(b[1], c[degree]);
      if (degree > 1) pav_RefineBoundsOnEdge(c, degree, 0.5, 0.5, b, depth);
    } else if (family == PavDrawFamily::Triangle) {
      int last = (degree + 1) * (degree + 2) / 2 - 1;
      float v0 = c[0], v1 = c[degree], v2 = c[last];
      b[0] = std::min({v0, v1, v2});
      b[1] = std::max({v0, v1, v2});
      if (degree > 1) pav_RefineBoundsOnTriangle(c, degree, 4, 1.0 / 3, 1.0 / 3, 1.0 / 3, b, depth);
    } else {
      int d = degree, last = (d + 1) * (d + 1) - 1;
      b[0] = std::min({c[0], c[d], c[d * (d + 1)], c[last]});
      b[1] = std::max({c[0], c[d], c[d * (d + 1)], c[last]});
      if (degree > 1) pav_RefineBoundsOnQuadrilateral(c, degree, 0.5, 0.5, b, depth);
    }
    if (degree <= 1) {
      // Linear and constant fields take their extreme values at their nodes.
      b[0] = cmin;
      b[1] = cmax;
    }
    lo = any ? std::min(lo, b[0]) : b[0];
    hi = any ? std::max(hi, b[1]) : b[1];
    any = true;
  }
  if (!any) return false;
  range[0] = lo;
  range[1] = hi;
  return true;
}

float palettePosition(const float pal[5], float value) {
  if (!(pal[4] > pal[0])) return 2;      // one value (a constant field): the middle colour
  if (!(value > pal[0])) value = pal[0]; // NaN goes to the low end
  if (value > pal[4]) value = pal[4];
  int i = 1;
  for (int j = 2; j <= 4; j++)
    if (value >= pal[j - 1]) i = j;
  float w = pal[i] - pal[i - 1];
  float k = w > 0 ? (value - pal[i - 1]) / w : 1.0f;
  return (float)(i - 1) + k;
}

void paletteColour(const float pal[5], int colormap, float value, float rgb[3]) {
  colormapLookup(colormap, palettePosition(pal, value) / 4.0f, rgb);
}

int paletteIsolines(const PavPalette &p, float *out, int capacity) {
  int n = 0;
  if (p.nbrUsrIso > 0) {
    for (int i = 0; i < p.nbrUsrIso && i < 9 && n < capacity; i++) out[n++] = p.usrIso[i];
    return n;
  }
  int per = p.nbrIso > 9 ? 9 : p.nbrIso;
  for (int i = 1; i <= 4 && per > 0; i++)
    for (int j = 0; j < per && n < capacity; j++)
      out[n++] = p.palette[i - 1] + (p.palette[i] - p.palette[i - 1]) * (float)j / (float)per;
  return n;
}

// The built-in reference colours: hues spread by the golden ratio so that neighbouring
// references differ strongly, with saturation and brightness cycling over three levels.
static const std::array<std::array<uint8_t, 3>, PAV_NBR_REF_COLOURS> &builtinTable() {
  static const auto table = [] {
    std::array<std::array<uint8_t, 3>, PAV_NBR_REF_COLOURS> t{};
    const double sat[3] = {0.85, 0.55, 1.0}, val[3] = {0.95, 0.80, 0.65};
    for (int i = 0; i < PAV_NBR_REF_COLOURS; i++) {
      double h = std::fmod(0.13 + i * 0.6180339887498949, 1.0) * 6.0;
      double s = sat[i % 3], v = val[(i / 3) % 3];
      int sector = (int)h;
      double f = h - sector, p = v * (1 - s), q = v * (1 - s * f), r = v * (1 - s * (1 - f));
      double rgb[3];
      switch (sector % 6) {
      case 0:
        rgb[0] = v, rgb[1] = r, rgb[2] = p;
        break;
      case 1:
        rgb[0] = q, rgb[1] = v, rgb[2] = p;
        break;
      case 2:
        rgb[0] = p, rgb[1] = v, rgb[2] = r;
        break;
      case 3:
        rgb[0] = p, rgb[1] = q, rgb[2] = v;
        break;
      case 4:
        rgb[0] = r, rgb[1] = p, rgb[2] = v;
        break;
      default:
        rgb[0] = v, rgb[1] = p, rgb[2] = q;
        break;
      }
      for (int k = 0; k < 3; k++) t[(size_t)i][(size_t)k] = (uint8_t)std::lround(rgb[k] * 255.0);
    }
    return t;
  }();
  return table;
}

const uint8_t *PavReferenceColours::builtin(int i) {
  if (i < 0 || i >= PAV_NBR_REF_COLOURS) i = 0;
  return builtinTable()[(size_t)i].data();
}

void PavReferenceColours::setUserTable(int n, const int32_t *rgb) {
  user.clear();
  if (n > 0 && rgb) user.assign(rgb, rgb + 3 * (size_t)n);
}

void PavReferenceColours::colour(int64_t ref, float f, float rgb[3]) const {
  if (!user.empty()) {
    // Entries count from 1: reference r takes entry r mod n, entry n where that is 0.
    int64_t n = (int64_t)(user.size() / 3), i = ref % n - 1;
    if (i < 0) i += n;
    for (int k = 0; k < 3; k++) rgb[k] = (float)user[(size_t)(3 * i + k)] / 255.0f;
    return;
  }
  uint64_t mag = ref < 0 ? 0 - (uint64_t)ref : (uint64_t)ref;
  int64_t i = (int64_t)(mag % PAV_NBR_REF_COLOURS);
  const uint8_t *c = builtin((int)i);
  for (int k = 0; k < 3; k++) rgb[k] = (float)c[k] / 255.0f * f + (1 - f);
}

} // namespace pavo
