// Whether a set of triangles bounds volumes, and on which side of each triangle they lie: a
// surface that closes up, seen from outside, hides the back of each of its triangles behind the
// front of another, so its back faces need not be drawn.
#pragma once

#include <cstdint>
#include <vector>

namespace pavo {

// +1 when the triangles close up (each side taken once in each direction by the triangles that
// share it) and every connected part encloses a positive volume, its corners counter-clockwise
// seen from outside; -1 when every part is closed and encloses a negative volume; 0 otherwise
// (an open or inconsistently oriented surface, a flat part, an index out of 1..nbrVer).
// tri: 3 vertex numbers (1..nbrVer) per triangle; xyz: 3 coordinates per vertex, vertex v at
// 3 v. Temporary memory: 4 bytes per mesh vertex, about 60 bytes per triangle.
int closedSurfaceSide(const std::vector<const int32_t *> &triangles, int32_t nbrVer,
                      const double *xyz);

} // namespace pavo
