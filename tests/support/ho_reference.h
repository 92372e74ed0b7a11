// Reference points of the element kinds as Cartesian variables, for building test polynomials
// and maps: barycentric weights 1, 2 (, 3) of simplices, (l1, l2, h) of prisms, the coordinates
// themselves otherwise; the unused ones are 0.
#pragma once

#include "ho_lattice.h"

namespace pavo_test {

inline void hoCartesian(HoKind kind, const double *ref, double *p) {
  const int first = kind == HoTriangle || kind == HoTetrahedron || kind == HoPrism;
  const int n = kind == HoEdge ? 1 : kind == HoTriangle || kind == HoQuadrilateral ? 2 : 3;
  for (int c = 0; c < 3; c++) p[c] = c < n ? ref[c + first] : 0.;
}

} // namespace pavo_test
