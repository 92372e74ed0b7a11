#include "render/buffer_packing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "files/draw_types.h"
#include "ho_bezier.h"
#include "render/colormaps.h"

namespace pavo {

std::vector<uint32_t> packPatchIndices(HoKind kind, int degree, int64_t n, const int *elt) {
  std::vector<uint32_t> out;
  if (n < 1 || !elt || degree < 1 || degree > 4) return out;
  if (kind != HoEdge && kind != HoTriangle && kind != HoQuadrilateral) return out;
  const int64_t k = hoNodeCount(kind, degree);
  const int *posToNode = hoPosToNode(kind, degree);
  out.resize(static_cast<size_t>(n * k));
  for (int64_t e = 0; e < n; ++e) {
    const int *in = elt + e * k;
    uint32_t *dst = out.data() + e * k;
    for (int64_t p = 0; p < k; ++p) dst[p] = static_cast<uint32_t>(in[posToNode[p]]);
  }
  return out;
}

namespace {

using Vec = std::array<double, 3>;
Vec sub(const float *x, const float *y) {
  return {double(x[0]) - y[0], double(x[1]) - y[1], double(x[2]) - y[2]};
}
Vec cross(const Vec &x, const Vec &y) {
  return {x[1] * y[2] - x[2] * y[1], x[2] * y[0] - x[0] * y[2], x[0] * y[1] - x[1] * y[0]};
}
double dot(const Vec &x, const Vec &y) { return x[0] * y[0] + x[1] * y[1] + x[2] * y[2]; }

// How far the two triangles (a, b, d) and (a, d, c) of a quadrilateral's corners (a at (0, 0), b
// at (1, 0), c at (0, 1), d at (1, 1)) are from its bilinear patch. Point for point that is at
// most a quarter of the twist a - b - c + d, the bound a field needs (it is drawn by the
// parameters). As point sets, when the corners seen along the normal of the diagonals make a
// convex quadrilateral, both cover the same region there and lie within the corners' distance h
// from the plane through their centre: 2 h, zero for any flat quadrilateral.
double quadSplitGap(const float *a, const float *b, const float *c, const float *d, bool field) {
  const Vec t = {double(a[0]) - b[0] - c[0] + d[0], double(a[1]) - b[1] - c[1] + d[1],
                 double(a[2]) - b[2] - c[2] + d[2]};
  const double pointwise = 0.25 * std::sqrt(dot(t, t));
  Vec n = cross(sub(d, a), sub(c, b));
  const double len = std::sqrt(dot(n, n));
  if (field || !(len > 0)) return pointwise;
  for (double &x : n) x /= len;
  const float *ring[4] = {a, b, d, c};
  double h = 0;
  for (int i = 0; i < 4; ++i) {
    // Each turn of the ring the same way round the normal: convex.
    if (!(dot(cross(sub(ring[(i + 1) % 4], ring[i]), sub(ring[(i + 2) % 4], ring[(i + 1) % 4])),
              n) > 0))
      return pointwise;
    double off = 0;
    for (int j = 0; j < 4; ++j) off += 0.25 * dot(sub(ring[i], ring[j]), n);
    h = std::max(h, std::abs(off));
  }
  return std::min(pointwise, 2 * h);
}

} // namespace

std::vector<float> flatDeviation(HoKind kind, int degree, int64_t nbrVer, const float *xyz,
                                 int64_t n, const uint32_t *idx, bool field) {
  std::vector<float> out;
  const bool quad = kind == HoQuadrilateral;
  if ((!quad && kind != HoTriangle) || degree < 1 || degree > 4 || n < 1 || nbrVer < 1 || !xyz ||
      !idx)
    return out;
  const int d = degree, k = quad ? (d + 1) * (d + 1) : (d + 1) * (d + 2) / 2;
  const float inf = std::numeric_limits<float>::infinity();
  out.assign(static_cast<size_t>(n), 0.0f);
  // Control point (i, j): a triangle's multi-index (i, j, d - i - j) in the lexicographic layout,
  // a quadrilateral's i along u and j along v.
  auto at = [d, quad](int i, int j) {
    return quad ? i * (d + 1) + j : i * d - i * (i - 1) / 2 + (d - j);
  };
  for (int64_t e = 0; e < n; ++e) {
    const uint32_t *el = idx + e * k;
    bool bad = false;
    for (int p = 0; p < k; ++p) bad = bad || el[p] >= static_cast<uint64_t>(nbrVer);
    if (bad) {
      out[static_cast<size_t>(e)] = inf;
      continue;
    }
    auto pos = [&](int i, int j) { return xyz + 3 * int64_t(el[at(i, j)]); };
    // Triangle corners (d, 0, 0), (0, d, 0), (0, 0, d); quadrilateral corners (0, 0), (d, 0),
    // (0, d), (d, d).
    const float *a = quad ? pos(0, 0) : pos(d, 0), *b = quad ? pos(d, 0) : pos(0, d),
                *c = quad ? pos(0, d) : pos(0, 0), *c4 = quad ? pos(d, d) : c;
    double worst = 0;
    for (int i = 0; i <= d; ++i)
      for (int j = 0; j <= (quad ? d : d - i); ++j) {
        const float *q = pos(i, j);
        const double u = double(i) / d, v = double(j) / d;
        double s = 0;
        for (int m = 0; m < 3; ++m) {
          const double flat =
              quad ? (1 - v) * ((1 - u) * a[m] + u * b[m]) + v * ((1 - u) * c[m] + u * c4[m])
                   : u * a[m] + v * b[m] + (1 - u - v) * c[m];
          s += (q[m] - flat) * (q[m] - flat);
        }
        // A NaN fails every comparison: it must not be taken for a flat element.
        worst = s >= worst ? s : (s < worst ? worst : double(inf));
      }
    // The element lies within sqrt(worst) of its flat triangle or bilinear patch (linear
    // precision of the Bernstein bases).
    const double dev = std::sqrt(worst) + (quad ? quadSplitGap(a, b, c, c4, field) : 0.0);
    out[static_cast<size_t>(e)] = std::isfinite(dev) ? static_cast<float>(dev) : inf;
  }
  return out;
}

std::vector<uint32_t> orderByDeviation(std::vector<float> &deviation) {
  std::vector<uint32_t> order(deviation.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(i);
  std::sort(order.begin(), order.end(), [&](uint32_t x, uint32_t y) {
    return deviation[x] < deviation[y] || (deviation[x] == deviation[y] && x < y);
  });
  std::vector<float> sorted(deviation.size());
  for (size_t i = 0; i < order.size(); ++i) sorted[i] = deviation[order[i]];
  deviation.swap(sorted);
  return order;
}

void bezierGeometry(uint32_t drawType, int64_t nbrVer, float *xyz, int64_t nbrElt, const int *elt) {
  const int degree = pavDrawTypeDegree(drawType);
  const PavDrawFamily family = pavDrawFamily(drawType);
  if (degree < 2 || degree > 4 || nbrVer < 1 || nbrElt < 1 || !xyz || !elt) return;
  HoKind kind = HoEdge;
  if (family == PavDrawFamily::Triangle)
    kind = HoTriangle;
  else if (family == PavDrawFamily::Quadrilateral)
    kind = HoQuadrilateral;
  else if (family != PavDrawFamily::Edge)
    return;
  LagrangeToBezier(nbrVer, degree, xyz, 3, nbrElt, elt, hoNodeCount(kind, degree));
}

int64_t packStlTriangles(int64_t nbrVer, const double *data, std::vector<float> &interleaved,
                         std::vector<float> &normals) {
  interleaved.clear();
  normals.clear();
  if (nbrVer < 3 || !data) return 0;
  const int64_t nbrElt = nbrVer / 3;
  interleaved.resize(static_cast<size_t>(nbrElt * 15));
  normals.resize(static_cast<size_t>(nbrElt * 3));
  for (int64_t t = 0; t < nbrElt; ++t) {
    const double *v = data + t * 15;
    for (int i = 0; i < 15; ++i) interleaved[t * 15 + i] = static_cast<float>(v[i]);
    const double e1[3] = {v[5] - v[0], v[6] - v[1], v[7] - v[2]};
    const double e2[3] = {v[10] - v[0], v[11] - v[1], v[12] - v[2]};
    double nx = e1[1] * e2[2] - e1[2] * e2[1];
    double ny = e1[2] * e2[0] - e1[0] * e2[2];
    double nz = e1[0] * e2[1] - e1[1] * e2[0];
    const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (len > 1e-22) {
      nx /= len;
      ny /= len;
      nz /= len;
    }
    normals[t * 3] = static_cast<float>(nx);
    normals[t * 3 + 1] = static_cast<float>(ny);
    normals[t * 3 + 2] = static_cast<float>(nz);
  }
  return nbrElt;
}

std::vector<uint8_t> packEdgeTags(int64_t nbrElt, const unsigned *tags) {
  std::vector<uint8_t> out;
  if (nbrElt < 1 || !tags) return out;
  out.resize(static_cast<size_t>(nbrElt * 3));
  for (size_t i = 0; i < out.size(); ++i) out[i] = tags[i] ? 1 : 0;
  return out;
}

std::vector<float> packElementColors(int64_t n, const std::vector<float> &colors,
                                     const float fallback[3]) {
  std::vector<float> out;
  if (n < 1) return out;
  out.resize(static_cast<size_t>(n * 4));
  if (static_cast<int64_t>(colors.size()) >= n * 4) {
    std::copy(colors.begin(), colors.begin() + n * 4, out.begin());
    return out;
  }
  for (int64_t i = 0; i < n; ++i) {
    out[i * 4] = fallback[0];
    out[i * 4 + 1] = fallback[1];
    out[i * 4 + 2] = fallback[2];
    out[i * 4 + 3] = 1.0f;
  }
  return out;
}

std::vector<float> packFaceNormals(int64_t nbrVer, const float *xyz, int64_t nbrElt,
                                   const int *elt) {
  std::vector<float> out;
  if (nbrElt < 1 || !xyz || !elt) return out;
  out.assign(static_cast<size_t>(nbrElt * 3), 0.0f);
  for (int64_t t = 0; t < nbrElt; ++t) {
    const int a = elt[t * 3], b = elt[t * 3 + 1], c = elt[t * 3 + 2];
    if (a < 0 || b < 0 || c < 0 || a >= nbrVer || b >= nbrVer || c >= nbrVer) continue;
    const float *pa = xyz + 3 * int64_t(a), *pb = xyz + 3 * int64_t(b), *pc = xyz + 3 * int64_t(c);
    const double e1[3] = {pb[0] - pa[0], pb[1] - pa[1], pb[2] - pa[2]};
    const double e2[3] = {pc[0] - pa[0], pc[1] - pa[1], pc[2] - pa[2]};
    double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                   e1[0] * e2[1] - e1[1] * e2[0]};
    const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (int i = 0; i < 3; ++i)
      out[t * 3 + i] = static_cast<float>(len > 1e-14 ? n[i] / len : n[i]);
  }
  return out;
}

std::vector<float> colourTable(int colormap) {
  const float *table = colormapTable(colormap);
  const int size = colormapSize(colormap);
  return std::vector<float>(table, table + 3 * size);
}

} // namespace pavo
