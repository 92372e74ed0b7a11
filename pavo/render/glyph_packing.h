// Glyphs of vertex fields, packed on the CPU as plain triangles: metric fields as ellipses (2-D)
// or ellipsoids (3-D), vector fields as arrows. No GL here; the scene window uploads the result
// (setGlyphs) and draws it with "MetSha" (fixed colour) or "VecArrowSha" (colour per vertex).
#pragma once

#include <cstdint>
#include <vector>

namespace pavo {

// Triangles, three corners each: positions (3 floats per corner, mesh coordinates) and colours
// (3 floats per corner, 0 to 1).
struct PavGlyphMesh {
  std::vector<float> xyz;
  std::vector<float> rgb;
  int64_t corners() const { return (int64_t)xyz.size() / 3; }
  bool empty() const { return xyz.empty(); }
};

// Segments of an ellipse's outline, and of an ellipsoid's meridians (half as many parallels).
constexpr int kEllipseSegments = 48;
constexpr int kEllipsoidSegments = 12;

// One glyph per listed vertex (numbers from 1; out-of-range numbers are skipped) of a metric
// field: crd holds 3 doubles per vertex and met dim * (dim + 1) / 2 per vertex (upper triangle
// row by row), both indexed from vertex 1 (entry 0 unused), as in the mesh object. The metric is
// divided by `scale` and decomposed (Eigen2d / Eigen3d); the glyph's semi-axes are
// 1 / sqrt(eigenvalue) along the eigenvectors: an ellipse in the plane z = crd.z (a fan of
// kEllipseSegments triangles inscribed in it) or an ellipsoid (kEllipsoidSegments meridians);
// in 3-D without `ellipsoids`, the ellipse of the two longest semi-axes (a fan as in 2-D).
// A vertex whose metric is not positive definite or fails to decompose gets no glyph. Returns
// the number of glyphs made; the colour of every corner is `colour`.
int packMetricGlyphs(int dim, const double *crd, const double *met, int32_t nbrVer,
                     const int32_t *list, int n, double scale, const float colour[3],
                     PavGlyphMesh &out, bool ellipsoids = true);

// One arrow per listed vertex (numbers from 1) of a vector field (dim components per vertex,
// indexed from vertex 1): from the vertex along the vector, `length` scene units per unit of the
// vector. A shaft of half-width 0.03 L for the first 0.7 L, then a head of half-width 0.12 L up
// to the tip, L the arrow's length. In 2-D one flat arrow in the plane of the mesh; in 3-D two
// crossed ones (in two planes through the vector, perpendicular to each other) so that it shows
// from every side. Zero vectors get no arrow. Each arrow is coloured by its length in the colour
// map (smallest to largest listed length). Returns the number of arrows made.
int packArrowGlyphs(int dim, const double *crd, const double *vec, int32_t nbrVer,
                    const int32_t *list, int n, double length, int colormap, PavGlyphMesh &out);

// Scene units per vector unit that make the longest listed vector `fraction` of `sceneSize`
// long (0 when every listed vector is zero).
// The largest scale (at most `scale`) at which the glyph of each listed vertex stays within
// `fraction` of the shortest mesh edge at it (shortest[v], 0 or less: no edge, no limit): the
// metric divided by it gives semi-axes 1 / sqrt(eigenvalue) <= fraction * shortest[v], so that
// the glyphs of neighbouring vertices do not overlap.
double metricFitScale(int dim, const double *met, int32_t nbrVer, const int32_t *list, int n,
                      const std::vector<double> &shortest, double fraction, double scale);

double arrowLengthScale(int dim, const double *vec, int32_t nbrVer, const int32_t *list, int n,
                        double sceneSize, double fraction);

} // namespace pavo
