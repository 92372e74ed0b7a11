// Node order of Gmsh elements, mapped to the canonical order of ho_lattice: Gmsh's edge and face
// lists on the lattice of pav_lattice_order.h, the inner nodes of faces and of the prism's layers
// in Gmsh's own order. Gmsh's own reference coordinates of each element type check the result
// (tests/pavmsh/test_gmsh.cpp).
#include "pav_gmsh.h"

#include "pav_lattice_order.h"
#include "pav_types.h"

namespace {

// Gmsh's edges and faces, corners numbered from 0, indexed by HoKind; the inner nodes of faces
// and prism layers in Gmsh's own order.
const PavLatticeOrder kOrder = {
    {
        {{{0, 1}}, {}},
        {{{0, 1}, {1, 2}, {2, 0}}, {}},
        {{{0, 1}, {1, 2}, {2, 3}, {3, 0}}, {}},
        {{{0, 1}, {1, 2}, {2, 0}, {3, 0}, {3, 2}, {3, 1}},
         {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {3, 1, 2}}},
        {{{0, 1}, {0, 3}, {0, 4}, {1, 2}, {1, 4}, {2, 3}, {2, 4}, {3, 4}},
         {{0, 1, 4}, {3, 0, 4}, {1, 2, 4}, {2, 3, 4}, {0, 3, 2, 1}}},
        {{{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 4}, {2, 5}, {3, 4}, {3, 5}, {4, 5}},
         {{0, 2, 1}, {3, 4, 5}, {0, 1, 4, 3}, {0, 3, 5, 2}, {1, 2, 5, 4}}},
        {{{0, 1},
          {0, 3},
          {0, 4},
          {1, 2},
          {1, 5},
          {2, 3},
          {2, 6},
          {3, 7},
          {4, 5},
          {4, 7},
          {5, 6},
          {6, 7}},
         {{0, 3, 2, 1}, {0, 1, 5, 4}, {0, 4, 7, 3}, {1, 2, 6, 5}, {2, 3, 7, 6}, {4, 5, 6, 7}}},
    },
    true};

} // namespace

const int *pav_GmshToCanonical(int type) {
  static const PavLatticeTables tables(kOrder);
  return tables.toCanonical(type);
}

int pav_GmshElementType(int gmshType, int *nodes, const char **skipped) {
  // Gmsh's element type numbers: kind, degree and node count of the complete Lagrange types
  // stored here, then the node counts of the others it defines.
  struct Stored {
    int gmsh;
    PavElementKind kind;
    int degree;
  };
  static const Stored stored[] = {
      {1, PavKindEdge, 1},           {8, PavKindEdge, 2},           {26, PavKindEdge, 3},
      {27, PavKindEdge, 4},          {2, PavKindTriangle, 1},       {9, PavKindTriangle, 2},
      {21, PavKindTriangle, 3},      {23, PavKindTriangle, 4},      {3, PavKindQuadrilateral, 1},
      {10, PavKindQuadrilateral, 2}, {36, PavKindQuadrilateral, 3}, {37, PavKindQuadrilateral, 4},
      {4, PavKindTetrahedron, 1},    {11, PavKindTetrahedron, 2},   {29, PavKindTetrahedron, 3},
      {30, PavKindTetrahedron, 4},   {7, PavKindPyramid, 1},        {14, PavKindPyramid, 2},
      {118, PavKindPyramid, 3},      {119, PavKindPyramid, 4},      {6, PavKindPrism, 1},
      {13, PavKindPrism, 2},         {90, PavKindPrism, 3},         {91, PavKindPrism, 4},
      {5, PavKindHexahedron, 1},     {12, PavKindHexahedron, 2},    {92, PavKindHexahedron, 3},
      {93, PavKindHexahedron, 4},
  };
  *nodes = 0;
  *skipped = nullptr;
  if (gmshType == 15) {
    *nodes = 1;
    return Corners;
  }
  if ((gmshType >= 84 && gmshType <= 89) || gmshType == 132) {
    *nodes = 1;
    *skipped = "degree 0";
    return 0;
  }
  for (const Stored &s : stored)
    if (s.gmsh == gmshType) {
      *nodes = pav_KindNbrNod(s.kind, s.degree);
      return pav_ElementType(s.kind, s.degree);
    }
  // Serendipity kinds (node count) and complete kinds of degree 5 to 10 (kind, degree).
  struct Other {
    int first, last;
    PavElementKind kind; // PavKindNone: serendipity, nodes listed
    int degree0;         // degree of `first` (complete kinds)
    int nodes0, step;    // serendipity: nodes of `first`, added per type
  };
  static const Other others[] = {
      {16, 16, PavKindNone, 0, 8, 0},          {17, 17, PavKindNone, 0, 20, 0},
      {18, 18, PavKindNone, 0, 15, 0},         {19, 19, PavKindNone, 0, 13, 0},
      {20, 20, PavKindNone, 0, 9, 0},          {22, 22, PavKindNone, 0, 12, 0},
      {24, 24, PavKindNone, 0, 15, 0},         {32, 33, PavKindNone, 0, 22, 6},
      {39, 41, PavKindNone, 0, 12, 4},         {52, 56, PavKindNone, 0, 18, 3},
      {57, 61, PavKindNone, 0, 24, 4},         {79, 83, PavKindNone, 0, 34, 6},
      {99, 105, PavKindNone, 0, 32, 12},       {125, 131, PavKindNone, 0, 21, 8},
      {137, 137, PavKindNone, 0, 16, 0},       {25, 25, PavKindTriangle, 5, 0, 0},
      {42, 46, PavKindTriangle, 6, 0, 0},      {28, 28, PavKindEdge, 5, 0, 0},
      {62, 66, PavKindEdge, 6, 0, 0},          {38, 38, PavKindQuadrilateral, 5, 0, 0},
      {47, 51, PavKindQuadrilateral, 6, 0, 0}, {31, 31, PavKindTetrahedron, 5, 0, 0},
      {71, 75, PavKindTetrahedron, 6, 0, 0},   {94, 98, PavKindHexahedron, 5, 0, 0},
      {106, 110, PavKindPrism, 5, 0, 0},       {120, 124, PavKindPyramid, 5, 0, 0},
  };
  for (const Other &o : others) {
    if (gmshType < o.first || gmshType > o.last) continue;
    const int k = gmshType - o.first;
    if (o.kind == PavKindNone) {
      *nodes = o.nodes0 + k * o.step;
      *skipped = "serendipity";
    } else {
      *nodes = pav_KindNbrNod(o.kind, o.degree0 + k);
      *skipped = "degree above 4";
    }
    return 0;
  }
  return 0;
}
