// Pure packing of the arrays that buffer objects upload: patch node indices in control-point
// order, the per-face-normal triangle layout, polygon side tags, per-element colours, face
// normals and colour tables. Nothing here needs an OpenGL context.
#pragma once

#include <cstdint>
#include <vector>

#include "ho_lattice.h"

namespace pavo {

// Node indices of n elements of `kind` and `degree`, given k = hoNodeCount per element in the
// canonical node order, rewritten in the lexicographic control-point order that the tessellation
// stages read (triangle multi-index (i, j, k) at i d - i (i - 1) / 2 + d - j, quadrilateral (i, j)
// at i (d + 1) + j, edge i at i). Indices are copied unchanged (0-based vertex numbers). Returns
// an empty array for n < 1, a null array or a kind/degree without a lattice.
std::vector<uint32_t> packPatchIndices(HoKind kind, int degree, int64_t n, const int *elt);

// Turns the node positions of curved elements into their Bezier control points, in place, so
// that the tessellation stages draw the polynomial that passes through the nodes. xyz holds
// nbrVer positions (3 floats each), shared by the nbrElt elements of `elt` (PavDrawTyp2Siz nodes
// per element of the draw type, canonical order, 0-based). A shared side keeps one set of
// coefficients (they depend on its own nodes only), so the indexed layout stays. Types of degree
// 1 and types that are not edges, triangles or quadrilaterals are left as they are.
void bezierGeometry(uint32_t drawType, int64_t nbrVer, float *xyz, int64_t nbrElt, const int *elt);

// How far each of n curved triangles or quadrilaterals of `degree` departs from what the flat
// path draws for it (nodes idx in the lexicographic layout of packPatchIndices, positions xyz of
// nbrVer vertices). A triangle: the largest distance of a control point from the point of the
// same parameters on the triangle of its corners. A quadrilateral, drawn as two triangles: the
// same from its bilinear patch, plus the distance of the two triangles from that patch, point for
// point where a field is drawn by the parameters, else as surfaces. Every side lies within it of
// its chord. A coordinate that is not a finite number, or an index outside the positions, gives
// infinity; other kinds give nothing.
std::vector<float> flatDeviation(HoKind kind, int degree, int64_t nbrVer, const float *xyz,
                                 int64_t n, const uint32_t *idx, bool field = false);

// Element numbers sorted by increasing deviation (equal ones by number), and the deviations in
// that order.
std::vector<uint32_t> orderByDeviation(std::vector<float> &deviation);

// The per-face-normal layout: `data` holds nbrVer vertices of 5 doubles (x, y, z, u, v), three
// per triangle. `interleaved` receives the same values as floats; `normals` one normal per
// triangle (cross product of the two edges from the first corner, normalised when its length
// exceeds 1e-22, else left as it is). Returns the number of triangles (nbrVer / 3).
int64_t packStlTriangles(int64_t nbrVer, const double *data, std::vector<float> &interleaved,
                         std::vector<float> &normals);

// One byte per triangle side (3 per triangle) from the side tags: 1 for a polygon side, 0 for an
// inner diagonal; any non-zero tag packs as 1.
std::vector<uint8_t> packEdgeTags(int64_t nbrElt, const unsigned *tags);

// Per-element colours for the texref texture: 4 floats per element. `colors` (4 per element, at
// least n * 4 values when not empty) is copied; an empty array gives every element `fallback`
// (r, g, b) at alpha 1.
std::vector<float> packElementColors(int64_t n, const std::vector<float> &colors,
                                     const float fallback[3]);

// Face normals of flat triangles: 3 floats per triangle from the positions (3 per vertex) and
// the corners (3 per triangle, 0-based), normalised when longer than 1e-14. Corners outside
// [0, nbrVer) give a zero normal.
std::vector<float> packFaceNormals(int64_t nbrVer, const float *xyz, int64_t nbrElt,
                                   const int *elt);

// The colour table uploaded for a colour-map index: 3 floats per entry; an index without a map
// gives the 5-entry default table.
std::vector<float> colourTable(int colormap);

} // namespace pavo
