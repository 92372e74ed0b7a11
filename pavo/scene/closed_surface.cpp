#include "scene/closed_surface.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace pavo {

namespace {

int32_t findRoot(std::vector<int32_t> &parent, int32_t v) {
  while (parent[(size_t)v] != v) {
    parent[(size_t)v] = parent[(size_t)parent[(size_t)v]]; // halves the path
    v = parent[(size_t)v];
  }
  return v;
}

} // namespace

int closedSurfaceSide(const std::vector<const int32_t *> &triangles, int32_t nbrVer,
                      const double *xyz) {
  if (triangles.empty() || nbrVer < 3 || !xyz) return 0;
  // Each side as its two vertices, the smaller first, and one bit for its direction: sorted,
  // the sides of one edge come together, and a closed surface takes every edge as often in
  // each direction.
  std::vector<uint64_t> sides;
  sides.reserve(3 * triangles.size());
  std::vector<int32_t> parent((size_t)nbrVer + 1);
  std::iota(parent.begin(), parent.end(), 0);
  for (const int32_t *t : triangles) {
    for (int i = 0; i < 3; i++) {
      const int32_t a = t[i], b = t[(i + 1) % 3];
      if (a < 1 || a > nbrVer || b < 1 || b > nbrVer || a == b) return 0;
      const uint64_t lo = (uint64_t)std::min(a, b), hi = (uint64_t)std::max(a, b);
      sides.push_back((lo << 33) | (hi << 1) | (a < b ? 1u : 0u));
    }
    const int32_t ra = findRoot(parent, t[0]), rb = findRoot(parent, t[1]),
                  rc = findRoot(parent, t[2]);
    parent[(size_t)rb] = ra;
    parent[(size_t)findRoot(parent, rc)] = ra;
  }
  std::sort(sides.begin(), sides.end());
  for (size_t i = 0; i < sides.size();) {
    size_t j = i;
    int64_t balance = 0;
    while (j < sides.size() && (sides[j] >> 1) == (sides[i] >> 1))
      balance += (sides[j++] & 1u) ? 1 : -1;
    if (balance != 0) return 0;
    i = j;
  }
  std::vector<uint64_t>().swap(sides);
  // Six times the volume each connected part encloses: the sum of the corners' triple products,
  // against the sum of their magnitudes (a flat part encloses nothing but its rounding).
  std::vector<double> volume((size_t)nbrVer + 1, 0.0), magnitude((size_t)nbrVer + 1, 0.0);
  // Taken about a vertex of the surface: a closed part's volume does not depend on the origin,
  // and coordinates far from theirs would round it away.
  const double *o = xyz + 3 * (size_t)triangles[0][0];
  for (const int32_t *t : triangles) {
    double p[3], q[3], r[3];
    for (int i = 0; i < 3; i++) {
      p[i] = xyz[3 * (size_t)t[0] + i] - o[i];
      q[i] = xyz[3 * (size_t)t[1] + i] - o[i];
      r[i] = xyz[3 * (size_t)t[2] + i] - o[i];
    }
    const double w = p[0] * (q[1] * r[2] - q[2] * r[1]) + p[1] * (q[2] * r[0] - q[0] * r[2]) +
                     p[2] * (q[0] * r[1] - q[1] * r[0]);
    const size_t root = (size_t)findRoot(parent, t[0]);
    volume[root] += w;
    magnitude[root] += std::fabs(w) + 1e-300; // marks the part as used
  }
  int side = 0;
  for (int32_t v = 1; v <= nbrVer; v++) {
    if (parent[(size_t)v] != v || magnitude[(size_t)v] == 0.0) continue; // no triangle
    const double w = volume[(size_t)v];
    const int s = w > 1e-9 * magnitude[(size_t)v] ? 1 : w < -1e-9 * magnitude[(size_t)v] ? -1 : 0;
    if (s == 0 || (side != 0 && s != side)) return 0; // flat, not a number, or mixed sides
    side = s;
  }
  return side;
}

} // namespace pavo
