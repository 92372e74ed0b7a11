// Node orders of other programs' high-order elements, built on the lattice of ho_lattice.
//
// A reader's element of degree d lists its corners, then the inner nodes of its edges edge by
// edge (each walked from its first corner to its second), then the inner nodes of its faces face
// by face, then its interior nodes, ordered as an element of the same kind of lower degree
// (triangle d - 3, quadrilateral d - 2, tetrahedron d - 4, pyramid d - 3, hexahedron d - 2; the
// prism interior goes layer by layer). The inner nodes of a face follow the triangle or
// quadrilateral order with the sub-face's corners next to the face's corners in the order listed.
// What tells the orders apart is the edge and face lists, and whether the inner nodes of faces
// and of the prism's layers follow the reader's own order or the canonical one.
#pragma once

#include "ho_lattice.h"

#include <vector>

struct PavLatticeTopology {
  struct CornerPair {
    int a, b;
  };
  std::vector<CornerPair> edges;
  std::vector<std::vector<int>> faces; // 3 or 4 corners each
};

struct PavLatticeOrder {
  // Edges and faces of each kind, corners numbered from 0, indexed by HoKind.
  PavLatticeTopology kinds[HO_KIND_COUNT];
  // Inner nodes of faces and prism layers in this order (true) or in the canonical one (false).
  bool ownSubOrder;
};

// For every stored element type, the canonical node number of each of the reader's nodes in its
// order, built once; toCanonical gives null for a type without a table.
class PavLatticeTables {
public:
  explicit PavLatticeTables(const PavLatticeOrder &order);
  const int *toCanonical(int type) const;

private:
  std::vector<std::vector<int>> tables;
};
