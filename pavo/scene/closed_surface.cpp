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
  // The vertices the triangles use, numbered from 1 in their order: the work below is then the
  // size of the surface, not of the mesh around it.
  std::vector<int32_t> tri(3 * triangles.size()), vertexOf(1, 0);
  {
    std::vector<int32_t> local((size_t)nbrVer + 1, 0);
    for (size_t k = 0; k < triangles.size(); k++)
      for (int i = 0; i < 3; i++) {
        const int32_t v = triangles[k][i];
        if (v < 1 || v > nbrVer) return 0;
        if (!local[(size_t)v]) {
          local[(size_t)v] = (int32_t)vertexOf.size();
          vertexOf.push_back(v);
        }
        tri[3 * k + (size_t)i] = local[(size_t)v];
      }
  }
  const size_t n = vertexOf.size(); // vertices 1..n - 1
  // Each side filed under its smaller vertex, as its larger one and one bit for its direction:
  // a closed surface takes every edge as often in each direction. Filing by counts keeps the
  // pass linear; the few sides of one vertex are sorted in place.
  std::vector<int64_t> first(n + 1, 0);
  for (size_t k = 0; k < tri.size(); k++) {
    const int32_t a = tri[k], b = tri[k - k % 3 + (k + 1) % 3];
    if (a == b) return 0;
    first[(size_t)std::min(a, b) + 1]++;
  }
  for (size_t v = 1; v <= n; v++) first[v] += first[v - 1];
  std::vector<uint64_t> sides(tri.size());
  std::vector<int64_t> next(first.begin(), first.end() - 1);
  for (size_t k = 0; k < tri.size(); k++) {
    const int32_t a = tri[k], b = tri[k - k % 3 + (k + 1) % 3];
    sides[(size_t)next[(size_t)std::min(a, b)]++] =
        ((uint64_t)std::max(a, b) << 1) | (a < b ? 1u : 0u);
  }
  for (size_t v = 1; v < n; v++) {
    const auto begin = sides.begin() + first[v], end = sides.begin() + first[v + 1];
    std::sort(begin, end);
    for (auto i = begin; i != end;) {
      int64_t balance = 0;
      auto j = i;
      for (; j != end && (*j >> 1) == (*i >> 1); ++j) balance += (*j & 1u) ? 1 : -1;
      if (balance != 0) return 0;
      i = j;
    }
  }
  // Connected parts, by the vertices their triangles share.
  std::vector<int32_t> parent(n);
  std::iota(parent.begin(), parent.end(), 0);
  for (size_t k = 0; k < tri.size(); k += 3) {
    const int32_t ra = findRoot(parent, tri[k]), rb = findRoot(parent, tri[k + 1]);
    parent[(size_t)rb] = ra;
    parent[(size_t)findRoot(parent, tri[k + 2])] = ra;
  }
  // Six times the volume each part encloses: the sum of the corners' triple products, against
  // the sum of their magnitudes (a flat part encloses nothing but its rounding). Taken about a
  // vertex of the surface: a closed part's volume does not depend on the origin, and coordinates
  // far from theirs would round it away.
  std::vector<double> volume(n, 0.0), magnitude(n, 0.0);
  const double *o = xyz + 3 * (size_t)vertexOf[1];
  for (size_t k = 0; k < tri.size(); k += 3) {
    double p[3][3];
    for (int c = 0; c < 3; c++)
      for (int i = 0; i < 3; i++)
        p[c][i] = xyz[3 * (size_t)vertexOf[(size_t)tri[k + c]] + i] - o[i];
    const double w = p[0][0] * (p[1][1] * p[2][2] - p[1][2] * p[2][1]) +
                     p[0][1] * (p[1][2] * p[2][0] - p[1][0] * p[2][2]) +
                     p[0][2] * (p[1][0] * p[2][1] - p[1][1] * p[2][0]);
    const size_t root = (size_t)findRoot(parent, tri[k]);
    volume[root] += w;
    magnitude[root] += std::fabs(w) + 1e-300; // marks the part as used
  }
  int side = 0;
  for (size_t v = 1; v < n; v++) {
    if (parent[v] != (int32_t)v) continue;
    const double w = volume[v], m = magnitude[v];
    const int s = w > 1e-9 * m ? 1 : w < -1e-9 * m ? -1 : 0;
    if (s == 0 || (side != 0 && s != side)) return 0; // flat, not a number, or mixed sides
    side = s;
  }
  return side;
}

} // namespace pavo
