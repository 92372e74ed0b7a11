// Fields as the fragment stage reads them: per-element Bezier coefficients in the lexicographic
// control-point layout. Pure; the buffer objects upload the result.
#pragma once

#include <cstdint>
#include <vector>

namespace pavo {

// Converts a field of nbrNod Lagrange values per element (canonical node order) on a face or edge
// draw type into Bezier coefficients in the lexicographic layout the fragment stage evaluates
// (ho_lattice.h storage positions). Degree 0 and 1 fields are reordered only. A field with
// several components per node (nbrNod a multiple of the degree's node count, components of a
// node together) is converted component by component. Returns false
// (out untouched) for a degree without conversion, a node count that does not match the type or
// no elements.
bool packBezierField(uint32_t drawType, int nbrNod, int64_t nbrElt, const float *lagrange,
                     std::vector<float> &out);

// A field given per vertex as a first-order field per element: for each of nbrElt elements of
// nodesPerElt vertex indices (0-based, corners first as in the canonical node order), the values
// of its first `corners` vertices. An index outside [0, nbrVer) reads 0. Returns false (out
// untouched) for missing arrays, counts below 1 or more corners than nodes.
bool gatherVertexField(const uint32_t *elt, int64_t nbrElt, int nodesPerElt, int corners,
                       const float *vertexValues, int64_t nbrVer, std::vector<float> &out);

} // namespace pavo
