#include "render/glyph_packing.h"

#include "ho_eigen.h"
#include "render/colormaps.h"

#include <algorithm>
#include <cmath>

namespace pavo {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Vec3 {
  double x, y, z;
};
Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator*(double s, Vec3 a) { return {s * a.x, s * a.y, s * a.z}; }
Vec3 cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double norm(Vec3 a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }

void corner(PavGlyphMesh &out, Vec3 p, const float rgb[3]) {
  out.xyz.insert(out.xyz.end(), {(float)p.x, (float)p.y, (float)p.z});
  out.rgb.insert(out.rgb.end(), {rgb[0], rgb[1], rgb[2]});
}
void triangle(PavGlyphMesh &out, Vec3 a, Vec3 b, Vec3 c, const float rgb[3]) {
  corner(out, a, rgb);
  corner(out, b, rgb);
  corner(out, c, rgb);
}

Vec3 vertexAt(const double *crd, int32_t v) {
  return {crd[3 * (int64_t)v], crd[3 * (int64_t)v + 1], crd[3 * (int64_t)v + 2]};
}

// The listed vertex's vector, false for a vertex out of range.
bool vectorAt(int dim, const double *vec, int32_t nbrVer, int32_t v, Vec3 &d) {
  if (v < 1 || v > nbrVer) return false;
  const double *p = vec + (int64_t)dim * v;
  d = {p[0], p[1], dim == 3 ? p[2] : 0.0};
  return true;
}

} // namespace

int packMetricGlyphs(int dim, const double *crd, const double *met, int32_t nbrVer,
                     const int32_t *list, int n, double scale, const float colour[3],
                     PavGlyphMesh &out, bool ellipsoids) {
  if ((dim != 2 && dim != 3) || !crd || !met || !list || n < 1 || !(scale > 0)) return 0;
  const int size = dim == 2 ? 3 : 6;
  int made = 0;
  for (int i = 0; i < n; i++) {
    const int32_t v = list[i];
    if (v < 1 || v > nbrVer) continue;
    double m[6], val[3], vec[9];
    for (int k = 0; k < size; k++) m[k] = met[(int64_t)size * v + k] / scale;
    const Vec3 c = vertexAt(crd, v);
    // A fan of triangles inscribed in the ellipse of semi-axes a and b around c.
    auto ellipse = [&](const Vec3 &a, const Vec3 &b) {
      Vec3 prev = c + a;
      for (int s = 1; s <= kEllipseSegments; s++) {
        const double t = 2 * kPi * s / kEllipseSegments;
        const Vec3 next = c + (std::cos(t) * a + std::sin(t) * b);
        triangle(out, c, prev, next, colour);
        prev = next;
      }
    };
    if (dim == 2) {
      if (Eigen2d(m, val, vec) != 1 || !(val[0] > 0) || !(val[1] > 0)) continue;
      ellipse((1 / std::sqrt(val[0])) * Vec3{vec[0], vec[1], 0},
              (1 / std::sqrt(val[1])) * Vec3{vec[2], vec[3], 0});
    } else {
      if (Eigen3d(m, val, vec) != 1 || !(val[0] > 0) || !(val[1] > 0) || !(val[2] > 0)) continue;
      Vec3 axis[3];
      for (int k = 0; k < 3; k++)
        axis[k] = (1 / std::sqrt(val[k])) * Vec3{vec[3 * k], vec[3 * k + 1], vec[3 * k + 2]};
      if (!ellipsoids) {
        // The section through the two longest axes: the shortest (largest eigenvalue) is left.
        const int shortest = (int)(std::max_element(val, val + 3) - val);
        ellipse(axis[(shortest + 1) % 3], axis[(shortest + 2) % 3]);
        made++;
        continue;
      }
      // The unit sphere by meridians and parallels, carried onto the ellipsoid's axes.
      const int rings = kEllipsoidSegments / 2;
      auto at = [&](int ring, int seg) {
        const double th = kPi * ring / rings, ph = 2 * kPi * seg / kEllipsoidSegments;
        return c + (std::sin(th) * std::cos(ph) * axis[0] + std::sin(th) * std::sin(ph) * axis[1] +
                    std::cos(th) * axis[2]);
      };
      for (int r = 0; r < rings; r++)
        for (int s = 0; s < kEllipsoidSegments; s++) {
          const Vec3 p00 = at(r, s), p01 = at(r, s + 1), p10 = at(r + 1, s), p11 = at(r + 1, s + 1);
          if (r > 0) triangle(out, p00, p10, p01, colour);
          if (r < rings - 1) triangle(out, p01, p10, p11, colour);
        }
    }
    made++;
  }
  return made;
}

double metricFitScale(int dim, const double *met, int32_t nbrVer, const int32_t *list, int n,
                      const std::vector<double> &shortest, double fraction, double scale) {
  if ((dim != 2 && dim != 3) || !met || !list) return scale;
  const int size = dim == 2 ? 3 : 6;
  for (int i = 0; i < n; i++) {
    const int32_t v = list[i];
    if (v < 1 || v > nbrVer || (size_t)v >= shortest.size() || !(shortest[(size_t)v] > 0)) continue;
    double m[6], val[3], vec[9];
    std::copy_n(met + (int64_t)size * v, size, m);
    const int ok = dim == 2 ? Eigen2d(m, val, vec) : Eigen3d(m, val, vec);
    if (ok != 1) continue;
    const double smallest = *std::min_element(val, val + dim), h = fraction * shortest[(size_t)v];
    // The longest semi-axis sqrt(s / smallest) is at most h for s <= h^2 smallest.
    if (smallest > 0 && std::isfinite(smallest)) scale = std::min(scale, h * h * smallest);
  }
  return scale;
}

double arrowLengthScale(int dim, const double *vec, int32_t nbrVer, const int32_t *list, int n,
                        double sceneSize, double fraction) {
  if ((dim != 2 && dim != 3) || !vec || !list) return 0;
  double longest = 0;
  Vec3 d;
  for (int i = 0; i < n; i++)
    if (vectorAt(dim, vec, nbrVer, list[i], d)) longest = std::max(longest, norm(d));
  return longest > 0 && std::isfinite(longest) ? fraction * sceneSize / longest : 0;
}

int packArrowGlyphs(int dim, const double *crd, const double *vec, int32_t nbrVer,
                    const int32_t *list, int n, double length, int colormap, PavGlyphMesh &out) {
  if ((dim != 2 && dim != 3) || !crd || !vec || !list || n < 1 || !(length > 0)) return 0;
  double lo = HUGE_VAL, hi = 0;
  Vec3 d;
  for (int i = 0; i < n; i++)
    if (vectorAt(dim, vec, nbrVer, list[i], d) && norm(d) > 0) {
      lo = std::min(lo, norm(d));
      hi = std::max(hi, norm(d));
    }
  int made = 0;
  for (int i = 0; i < n; i++) {
    if (!vectorAt(dim, vec, nbrVer, list[i], d)) continue;
    const double len = norm(d);
    if (!(len > 0) || !std::isfinite(len)) continue;
    const Vec3 dir = (1 / len) * d, p = vertexAt(crd, list[i]);
    const double L = len * length;
    float rgb[3];
    colormapLookup(colormap, hi > lo ? (float)((len - lo) / (hi - lo)) : 0.0f, rgb);
    // Sides of the arrow: in the mesh plane in 2-D; two perpendicular planes in 3-D, through
    // the coordinate axis least aligned with the vector.
    Vec3 side[2];
    int planes = 1;
    if (dim == 2) {
      side[0] = {-dir.y, dir.x, 0};
    } else {
      const double ax = std::fabs(dir.x), ay = std::fabs(dir.y), az = std::fabs(dir.z);
      const Vec3 e = ax <= ay && ax <= az ? Vec3{1, 0, 0}
                     : ay <= az           ? Vec3{0, 1, 0}
                                          : Vec3{0, 0, 1};
      const Vec3 s = cross(dir, e);
      side[0] = (1 / norm(s)) * s;
      side[1] = cross(dir, side[0]);
      planes = 2;
    }
    const Vec3 base = p + (0.7 * L) * dir, tip = p + L * dir;
    for (int k = 0; k < planes; k++) {
      const Vec3 w = (0.03 * L) * side[k], h = (0.12 * L) * side[k], mw = -1.0 * w, mh = -1.0 * h;
      triangle(out, p + mw, p + w, base + w, rgb);
      triangle(out, p + mw, base + w, base + mw, rgb);
      triangle(out, base + mh, base + h, tip, rgb);
    }
    made++;
  }
  return made;
}

} // namespace pavo
