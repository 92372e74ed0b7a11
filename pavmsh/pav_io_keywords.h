// File keyword codes of the entity types and solution lists, shared by the loaders and writers.
#pragma once

#include "pav_types.h"

namespace pav_io {

// One stored entity type with its element keyword, the keyword of its node ordering (0 when the
// loader does not read one) and the ordering keyword written after it. The table runs kind by
// kind (edges, triangles, quadrilaterals, tetrahedra, pyramids, prisms, hexahedra), degrees 1 to
// 4: the order orderings are read and element keywords written.
struct MeshKeyword {
  int type;
  int keyword;
  int readOrdering;
  int writeOrdering;
  const char *printed; // kind named by the ordering error
};

// Keyword codes of the format (element keywords and their orderings).
// clang-format off
constexpr MeshKeyword kMeshKeywords[] = {
    {Edges, 5, 141, 141, "Edges"},
    {EdgesP2, 25, 127, 127, "EdgesP2"},
    {EdgesP3, 92, 128, 128, "EdgesP3"},
    {EdgesP4, 93, 142, 142, "EdgesP4"},
    {Triangles, 6, 143, 143, "Triangles"},
    {TrianglesP2, 24, 129, 129, "TrianglesP2"},
    {TrianglesP3, 90, 130, 130, "TrianglesP3"},
    {TrianglesP4, 91, 144, 144, "TrianglesP4"},
    {Quadrilaterals, 7, 0, 145, "Quadrilaterals"},
    {QuadrilateralsQ2, 27, 131, 131, "QuadrilateralsQ2"},
    {QuadrilateralsQ3, 88, 132, 132, "QuadrilateralsQ3"},
    {QuadrilateralsQ4, 89, 146, 146, "QuadrilateralsQ4"},
    {Tetrahedra, 8, 0, 147, "Tetrahedra"},
    {TetrahedraP2, 30, 133, 133, "TetrahedraP2"},
    {TetrahedraP3, 96, 134, 134, "TetrahedraP3"},
    {TetrahedraP4, 97, 148, 148, "TetrahedraP4"},
    {Pyramids, 49, 0, 149, "Pyramids"},
    {PyramidsP2, 87, 135, 135, "PyramidsP2"},
    {PyramidsP3, 100, 136, 136, "PyramidsP3"},
    {PyramidsP4, 101, 150, 150, "PyramidsP4"},
    {Prisms, 9, 0, 151, "Prisms"},
    {PrismsP2, 86, 137, 137, "PrismsP2"},
    {PrismsP3, 102, 138, 138, "PrismsP3"},
    {PrismsP4, 103, 152, 152, "PrismsP4"},
    {Hexahedra, 10, 0, 153, "Hexahedra"},
    {HexahedraQ2, 33, 139, 139, "HexahedraQ2"},
    {HexahedraQ3, 98, 140, 140, "HexahedraQ3"},
    {HexahedraQ4, 99, 154, 154, "HexahedraQ4"},
};
// clang-format on

constexpr int kVerticesKeyword = 4;
constexpr int kCornersKeyword = 13;
constexpr int kSolAtVerticesKeyword = 62;
constexpr int kIterationsKeyword = 77;
constexpr int kTimeKeyword = 78;
constexpr int kReferenceStringsKeyword = 199;

// The entry of a stored element type; null for vertices, corners and codes without storage.
inline const MeshKeyword *meshKeyword(int type) {
  for (const MeshKeyword &k : kMeshKeywords)
    if (k.type == type) return &k;
  return nullptr;
}

// SolAt<Kind> of an element kind (PavElementKind order).
inline int solAtKeyword(int kind) {
  constexpr int codes[PavKindCount] = {63, 64, 65, 66, 26, 67, 68};
  return codes[kind];
}

// HOSolAt<Kind><g>, g = 1..4, of an element kind.
inline int hoSolKeyword(int kind, int g) {
  constexpr int first[PavKindCount] = {104, 107, 110, 113, 116, 119, 122};
  return g == 4 ? 156 + kind : first[kind] + g - 1;
}

// HOSolAt<Kind><g>NodesPositions.
inline int nodesPositionsKeyword(int kind, int g) { return 163 + 4 * kind + g - 1; }

// The solution list (99, 100..127) a solution keyword belongs to, or 0 when the code is no
// solution keyword of the loader.
inline int keywordList(int keyword) {
  if (keyword == kSolAtVerticesKeyword) return SolAtVertices;
  for (int kind = 0; kind < PavKindCount; kind++) {
    if (keyword == solAtKeyword(kind)) return PAV_FIRST_ELEMENT_SOLTYP + kind;
    for (int g = 1; g <= 4; g++)
      if (keyword == hoSolKeyword(kind, g)) return PAV_FIRST_ELEMENT_SOLTYP + 7 * (g - 1) + kind;
  }
  return 0;
}

} // namespace pav_io
