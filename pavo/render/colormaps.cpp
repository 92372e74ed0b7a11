#include "render/colormaps.h"

#include "render/colormap_data.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace pavo {

namespace {

const float kRainbow[5 * 3] = {0, 0, 1, 0, 1, 1, 0, 1, 0, 1, 1, 0, 1, 0, 0};
const float kGrayscale[2 * 3] = {1, 1, 1, 0, 0, 0};
const float kJet[9 * 3] = {0,    0, 0.5f, 0, 0, 1,    0, 0.5f, 1, 0, 1,    1, 0.5f, 1,
                           0.5f, 1, 1,    0, 1, 0.5f, 0, 1,    0, 0, 0.5f, 0, 0};
const float kRainbowDesaturated[8 * 3] = {0.2784f, 0.2784f, 0.8588f, 0, 0, 0.3608f, 0,      1,
                                          1,       0,       0.502f,  0, 1, 1,       0,      1,
                                          0.3804f, 0,       0.4196f, 0, 0, 0.8784f, 0.302f, 0.302f};
const float kCfmap[5 * 3] = {0, 0, 0, 0, 0.749f, 1, 0.498f, 1, 0, 1, 0, 0.251f, 1, 1, 1};

// Diverging cool-warm map: the two end colours are joined through a neutral white in the polar
// form of CIELAB (magnitude, saturation, hue), so that lightness rises linearly to the middle
// and falls again, with the hue kept constant on each side.
struct Msh {
  double m, s, h;
};

const double kWhite[3] = {0.9505, 1.0, 1.089}; // reference white of the conversions

double toLinear(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }
double fromLinear(double c) {
  return c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055;
}
double labF(double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; }
double labFinv(double t) { return t > 0.20689 ? t * t * t : (t - 16.0 / 116.0) / 7.787; }

Msh rgbToMsh(const double rgb[3]) {
  double r = toLinear(rgb[0]), g = toLinear(rgb[1]), b = toLinear(rgb[2]);
  double x = 0.4124 * r + 0.3576 * g + 0.1805 * b;
  double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
  double z = 0.0193 * r + 0.1192 * g + 0.9505 * b;
  double fx = labF(x / kWhite[0]), fy = labF(y / kWhite[1]), fz = labF(z / kWhite[2]);
  double L = 116 * fy - 16, A = 500 * (fx - fy), B = 200 * (fy - fz);
  double m = std::sqrt(L * L + A * A + B * B);
  return {m, m > 0 ? std::acos(L / m) : 0.0, std::atan2(B, A)};
}

void mshToRgb(const Msh &c, float rgb[3]) {
  double L = c.m * std::cos(c.s), A = c.m * std::sin(c.s) * std::cos(c.h),
         B = c.m * std::sin(c.s) * std::sin(c.h);
  double fy = (L + 16) / 116, fx = fy + A / 500, fz = fy - B / 200;
  double x = kWhite[0] * labFinv(fx), y = kWhite[1] * labFinv(fy), z = kWhite[2] * labFinv(fz);
  double lin[3] = {3.2406 * x - 1.5372 * y - 0.4986 * z, -0.9689 * x + 1.8758 * y + 0.0415 * z,
                   0.0557 * x - 0.2040 * y + 1.0570 * z};
  for (int k = 0; k < 3; k++)
    rgb[k] = (float)std::clamp(fromLinear(std::max(lin[k], 0.0)), 0.0, 1.0);
}

double adjustHue(const Msh &sat, double mUnsat) {
  if (sat.m >= mUnsat) return sat.h;
  double spin = sat.s * std::sqrt(mUnsat * mUnsat - sat.m * sat.m) / (sat.m * std::sin(sat.s));
  return sat.h > -M_PI / 3 ? sat.h + spin : sat.h - spin;
}

std::vector<float> buildCoolWarm(int n) {
  const double cool[3] = {0.2298, 0.2987, 0.7537}, warm[3] = {0.7057, 0.0156, 0.1502};
  Msh a = rgbToMsh(cool), b = rgbToMsh(warm);
  double mMid = std::max({a.m, b.m, 88.0});
  std::vector<float> out(3 * (size_t)n);
  for (int i = 0; i < n; i++) {
    double t = (double)i / (n - 1);
    Msh c;
    if (t < 0.5) {
      double u = 2 * t;
      Msh w{mMid, 0, adjustHue(a, mMid)};
      c = {(1 - u) * a.m + u * w.m, (1 - u) * a.s + u * w.s, (1 - u) * a.h + u * w.h};
    } else {
      double u = 2 * t - 1;
      Msh w{mMid, 0, adjustHue(b, mMid)};
      c = {(1 - u) * w.m + u * b.m, (1 - u) * w.s + u * b.s, (1 - u) * w.h + u * b.h};
    }
    mshToRgb(c, &out[3 * (size_t)i]);
  }
  // The ends are the given colours exactly, not their round trip through CIELAB.
  for (int k = 0; k < 3; k++) {
    out[k] = (float)cool[k];
    out[3 * (size_t)(n - 1) + k] = (float)warm[k];
  }
  return out;
}

// Cube-helix ramp: brightness rises linearly from black to white while the hue turns around the
// grey diagonal (start colour 0.5, -1.5 rotations, hue amplitude 1, gamma 1).
std::vector<float> buildCubeHelix(int n, bool reversed) {
  const double start = 0.5, rotations = -1.5, hue = 1.0;
  std::vector<float> out(3 * (size_t)n);
  for (int i = 0; i < n; i++) {
    double l = (double)i / (n - 1);
    double phi = 2 * M_PI * (start / 3 + rotations * l);
    double amp = hue * l * (1 - l) / 2;
    double c = std::cos(phi), s = std::sin(phi);
    double rgb[3] = {l + amp * (-0.14861 * c + 1.78277 * s), l + amp * (-0.29227 * c - 0.90649 * s),
                     l + amp * (1.97294 * c)};
    size_t row = (size_t)(reversed ? n - 1 - i : i);
    for (int k = 0; k < 3; k++) out[3 * row + k] = (float)std::clamp(rgb[k], 0.0, 1.0);
  }
  return out;
}

// In the order of PavColormap (the names are in files/colormap_names.cpp).
struct Map {
  int size;
  const float *data;
};

const std::array<Map, PAV_NBR_COLORMAPS> &maps() {
  static const std::vector<float> coolWarm = buildCoolWarm(257);
  static const std::vector<float> helix = buildCubeHelix(101, false);
  static const std::vector<float> helixRev = buildCubeHelix(101, true);
  static const std::array<Map, PAV_NBR_COLORMAPS> m = {{
      {5, kRainbow},
      {2, kGrayscale},
      {257, coolWarm.data()},
      {256, kColormapMagma},
      {256, kColormapInferno},
      {256, kColormapPlasma},
      {256, kColormapViridis},
      {9, kJet},
      {101, helix.data()},
      {101, helixRev.data()},
      {8, kRainbowDesaturated},
      {5, kCfmap},
  }};
  return m;
}

bool valid(int index) { return index >= 0 && index < PAV_NBR_COLORMAPS; }

} // namespace

const float *colormapTable(int index) { return maps()[valid(index) ? (size_t)index : 0].data; }

int colormapSize(int index) { return maps()[valid(index) ? (size_t)index : 0].size; }

void colormapLookup(int index, float t, float rgb[3]) {
  const float *tab = colormapTable(index);
  int n = colormapSize(index);
  if (!(t >= 0)) t = 0; // NaN too
  if (t > 1) t = 1;
  float x = t * (float)(n - 1);
  int lo = std::min((int)x, n - 1), hi = std::min(lo + 1, n - 1);
  float w = x - (float)lo;
  for (int k = 0; k < 3; k++) rgb[k] = tab[3 * lo + k] * (1 - w) + tab[3 * hi + k] * w;
}

} // namespace pavo
