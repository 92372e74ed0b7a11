// Node order of CGNS elements, mapped to the canonical order of ho_lattice: CGNS's edge and face
// lists on the lattice of pav_lattice_order.h, the inner nodes of faces and of the prism's layers
// in the canonical order.
#include "pav_cgns.h"

#include "pav_lattice_order.h"
#include "pav_types.h"

namespace {

// CGNS edges and faces, corners numbered from 0, indexed by HoKind; the inner nodes of faces
// and prism layers in the canonical order.
const PavLatticeOrder kOrder = {
    {
        {{{0, 1}}, {}},
        {{{0, 1}, {1, 2}, {2, 0}}, {}},
        {{{0, 1}, {1, 2}, {2, 3}, {3, 0}}, {}},
        {{{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}},
         {{0, 1, 2}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}}},
        {{{0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 4}, {1, 4}, {2, 4}, {3, 4}},
         {{0, 1, 2, 3}, {0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}}},
        {{{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 4}, {2, 5}, {3, 4}, {4, 5}, {5, 3}},
         {{0, 1, 2}, {0, 1, 4, 3}, {1, 2, 5, 4}, {2, 0, 3, 5}, {3, 4, 5}}},
        {{{0, 1},
          {1, 2},
          {2, 3},
          {3, 0},
          {0, 4},
          {1, 5},
          {2, 6},
          {3, 7},
          {4, 5},
          {5, 6},
          {6, 7},
          {7, 4}},
         {{0, 1, 2, 3}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {0, 4, 7, 3}, {4, 5, 6, 7}}},
    },
    false};

} // namespace

const int *pav_CgnsToCanonical(int type) {
  static const PavLatticeTables tables(kOrder);
  return tables.toCanonical(type);
}
