// Fields as the fragment stage reads them: per-element Bezier coefficients in the lexicographic
// control-point layout. Pure; the buffer objects upload the result.
#pragma once

#include <cstdint>
#include <vector>

namespace pavo {

// Converts a field of nbrNod Lagrange values per element (canonical node order) on a face or edge
// draw type into Bezier coefficients in the lexicographic layout the fragment stage evaluates
// (ho_lattice.h storage positions). Degree 0 and 1 fields are reordered only. Returns false
// (out untouched) for a degree without conversion, a node count that does not match the type or
// no elements.
bool packBezierField(uint32_t drawType, int nbrNod, int64_t nbrElt, const float *lagrange,
                     std::vector<float> &out);

} // namespace pavo
