// Entity type codes, solution type codes and the size tables derived from them.
//
// An entity type code names a kind of entity (vertex, edge, triangle, ..., hexahedron) at a
// geometric degree. Codes 1..31 (5 unassigned) have storage in a PavObject; codes 32..74 name the
// element kinds at degrees 5..10 and serve only to size high-degree solution fields; 39 and 128
// are pseudo-types. Every table below is derived from the per-kind rules in pav_types.cpp
// (complete Lagrange spaces), not typed in per code.
//
// Table functions never abort: an unlisted code gives 0 (or an "unknown" name), and where they take
// a status buffer they format " <function> is undefined for Typ %d !\n" into it (a null status
// buffer drops the message).
#pragma once

#include <cstdint>

enum PavEntityType : int {
  Any = 0,
  Vertices = 1,
  Corners = 2,
  Edges = 3,
  Triangles = 4,
  Quadrilaterals = 6,
  Tetrahedra = 7,
  Pyramids = 8,
  Prisms = 9,
  Hexahedra = 10,
  // Degrees 2..4 in the order edge, triangle, quadrilateral, tetrahedron, hexahedron, pyramid,
  // prism: code = 11 + 7 * (degree - 2) + position.
  EdgesP2 = 11,
  TrianglesP2 = 12,
  QuadrilateralsQ2 = 13,
  TetrahedraP2 = 14,
  HexahedraQ2 = 15,
  PyramidsP2 = 16,
  PrismsP2 = 17,
  EdgesP3 = 18,
  TrianglesP3 = 19,
  QuadrilateralsQ3 = 20,
  TetrahedraP3 = 21,
  HexahedraQ3 = 22,
  PyramidsP3 = 23,
  PrismsP3 = 24,
  EdgesP4 = 25,
  TrianglesP4 = 26,
  QuadrilateralsQ4 = 27,
  TetrahedraP4 = 28,
  HexahedraQ4 = 29,
  PyramidsP4 = 30,
  PrismsP4 = 31,
  // Degrees 5..10 keep the degree-2..4 order: degree 5 is 32..38, degree 6 starts at 40 (39 is
  // taken), each further degree 7 codes later, up to 74. No names: only sizes are asked of them.
  Reference = 39,
  Normals = 128,
};

// Highest entity code plus one of the codes stored in a PavObject (1..31).
constexpr int PAV_NBR_STORED_TYPES = 32;
// Highest code of the size-only high-degree range.
constexpr int PAV_MAX_SIZED_TYPE = 74;
// Highest polynomial degree of an element kind that the tables know.
constexpr int PAV_MAX_DEGREE = 10;

// Solution list codes. 99 hangs on the vertices; 100 + 7 * (degree - 1) + k hangs on the element
// type of kind k (0 edges, 1 triangles, 2 quadrilaterals, 3 tetrahedra, 4 pyramids, 5 prisms,
// 6 hexahedra) at geometric degree 1..4.
enum PavSolutionType : int {
  SolAtVertices = 99,
  SolAtEdgesP1 = 100,
  SolAtTrianglesP1,
  SolAtQuadrilateralsQ1,
  SolAtTetrahedraP1,
  SolAtPyramidsP1,
  SolAtPrismsP1,
  SolAtHexahedraQ1,
  SolAtEdgesP2,
  SolAtTrianglesP2,
  SolAtQuadrilateralsQ2,
  SolAtTetrahedraP2,
  SolAtPyramidsP2,
  SolAtPrismsP2,
  SolAtHexahedraQ2,
  SolAtEdgesP3,
  SolAtTrianglesP3,
  SolAtQuadrilateralsQ3,
  SolAtTetrahedraP3,
  SolAtPyramidsP3,
  SolAtPrismsP3,
  SolAtHexahedraQ3,
  SolAtEdgesP4,
  SolAtTrianglesP4,
  SolAtQuadrilateralsQ4,
  SolAtTetrahedraP4,
  SolAtPyramidsP4,
  SolAtPrismsP4,
  SolAtHexahedraQ4,
};

constexpr int PAV_FIRST_ELEMENT_SOLTYP = SolAtEdgesP1;
constexpr int PAV_LAST_ELEMENT_SOLTYP = SolAtHexahedraQ4;

// Element kinds, in the order of the solution codes (pyramid before prism before hexahedron).
enum PavElementKind : int {
  PavKindEdge = 0,
  PavKindTriangle,
  PavKindQuadrilateral,
  PavKindTetrahedron,
  PavKindPyramid,
  PavKindPrism,
  PavKindHexahedron,
  PavKindCount,
  PavKindNone = -1,
};

// Solution field kinds (the field type codes of the file format).
enum PavSolutionKind : int {
  PavSolScalar = 1,
  PavSolVector = 2,
  PavSolSymMatrix = 3,
  PavSolMatrix = 4,
};

// ---- Kind and degree of element codes (3..31 and 32..74) ----

// The element kind of a code 3..31 or 32..74 (except 39); PavKindNone otherwise.
PavElementKind pav_ElementKind(int type);
// The geometric degree of a code 3..31 or 32..74 (except 39); 0 otherwise. Unlike pav_GetDegree
// this answers for the size-only codes too.
int pav_ElementDegree(int type);
// The entity code of a kind at degree 1..10; 0 when either is out of range.
int pav_ElementType(PavElementKind kind, int degree);
// Node count of the complete Lagrange space of a kind at degree 0..10 (degree 0: one node);
// 0 when out of range. Edge d+1, triangle (d+1)(d+2)/2, quadrilateral (d+1)^2, tetrahedron
// (d+1)(d+2)(d+3)/6, pyramid (d+1)(d+2)(2d+3)/6, prism (d+1)^2(d+2)/2, hexahedron (d+1)^3.
int pav_KindNbrNod(PavElementKind kind, int degree);

// ---- Entity type tables ----

// Degree of codes 3..31; 0 for every other code.
int pav_GetDegree(int type);
// 18-character display name (" P2 Triangle      "); " Any       type   " for 0,
// " Vertex           " for 1, " Reference        " for 39, "unknown type" for everything else
// (2 included). The string is static.
const char *pav_EntityTypeName(int type);
// Nodes per entity: 1 for corners (2) and normals (128), the Lagrange node count for 3..31 and
// 32..74; refuses 0, 1 and the rest.
int pav_MshTyp2Siz(int type, char *status);
// Vertices of the element kind (2 edge, 3 triangle, 4 quadrilateral and tetrahedron, 5 pyramid,
// 6 prism, 8 hexahedron) for 3..31 and 32..74.
int pav_MshTyp2SizElt(int type, char *status);
// Width of a Bezier control-point multi-index: 2 edges and quadrilaterals, 3 triangles, pyramids
// and hexahedra, 4 tetrahedra and prisms; for 3..31 and 32..74.
int pav_Typ2NbrBezCoe(int type, char *status);
// The solution list code of element codes 3..31 (100..127); refuses everything else, vertices
// included (their list is SolAtVertices).
int pav_EntTyp2SolTyp(int type, char *status);

// ---- Solution type tables ----

// The entity code of the kind of solTyp (100..127) at degree 1..10; 0 otherwise.
// pav_SolTyp2EntTyp(SolAtTrianglesP1, 3) == TrianglesP3; pav_SolTyp2EntTyp(106, 5) == 36.
int pav_SolTyp2EntTyp(int solTyp, int degree);
// Node count of the kind of solTyp (100..127) at degree 0..10; 0 for other codes or degrees.
int pav_SolTyp2NbrNod(int solTyp, int degree);
// Companion of pav_SolTyp2NbrNod: 0 for degree 0 (one node per element, no entity code),
// otherwise pav_SolTyp2EntTyp(solTyp, degree).
int pav_SolTyp2NodTyp(int solTyp, int degree);
// The element code whose list a solution code 100..127 hangs on; 1 for SolAtVertices; 0 otherwise.
int pav_SolTyp2ListTyp(int solTyp);
// "SolAtTrianglesP2" for 108, "SolAtVertices" for 99, "unknown" otherwise. Static string.
const char *pav_SolutionTypeName(int solTyp);

// Doubles per node of a field kind: scalar 1; vector 2 (dimension 2) or 3; symmetric matrix 3 or
// 6; full matrix 4 or 9. Any other kind prints
// "Warning: the following solution type is unkown   %d \n" and gives 0.
int pav_SolKindSize(int dimension, int kind);
// The same times a node count.
int pav_SolKindSize(int dimension, int kind, int nbrNod);

// ---- Labels used in messages ----

// "triangle", "P2-triangle", "Q3-hexahedron", "vertex": the word of the index-out-of-bound
// message; null for codes without storage.
const char *pav_TypeIndexLabel(int type);
// "Triangle", "P2-Triangle", "Vertex": the word of the wrongly-allocated message.
const char *pav_TypeArraysName(int type);
// "vertex", "corners", "triangle", "Q2Hex", "P3Prism", "normal": the word of the allocation
// failure message "Allocation failed for %s-arrays, size %lg Mb\n".
const char *pav_TypeAllocName(int type);
// "Vertices", "P2-Edges", "Q2-Quadrilaterals": the label of the mesh summary.
const char *pav_TypeCountLabel(int type);

// ---- One parameterless function per stored code, returning the code ----
inline int pav_Edges() { return Edges; }
inline int pav_Triangles() { return Triangles; }
inline int pav_Quadrilaterals() { return Quadrilaterals; }
inline int pav_Tetrahedra() { return Tetrahedra; }
inline int pav_Pyramids() { return Pyramids; }
inline int pav_Prisms() { return Prisms; }
inline int pav_Hexahedra() { return Hexahedra; }
inline int pav_EdgesP2() { return EdgesP2; }
inline int pav_TrianglesP2() { return TrianglesP2; }
inline int pav_QuadrilateralsQ2() { return QuadrilateralsQ2; }
inline int pav_TetrahedraP2() { return TetrahedraP2; }
inline int pav_HexahedraQ2() { return HexahedraQ2; }
inline int pav_PyramidsP2() { return PyramidsP2; }
inline int pav_PrismsP2() { return PrismsP2; }
inline int pav_EdgesP3() { return EdgesP3; }
inline int pav_TrianglesP3() { return TrianglesP3; }
inline int pav_QuadrilateralsQ3() { return QuadrilateralsQ3; }
inline int pav_TetrahedraP3() { return TetrahedraP3; }
inline int pav_HexahedraQ3() { return HexahedraQ3; }
inline int pav_PyramidsP3() { return PyramidsP3; }
inline int pav_PrismsP3() { return PrismsP3; }
inline int pav_EdgesP4() { return EdgesP4; }
inline int pav_TrianglesP4() { return TrianglesP4; }
inline int pav_QuadrilateralsQ4() { return QuadrilateralsQ4; }
inline int pav_TetrahedraP4() { return TetrahedraP4; }
inline int pav_HexahedraQ4() { return HexahedraQ4; }
inline int pav_PyramidsP4() { return PyramidsP4; }
inline int pav_PrismsP4() { return PrismsP4; }
inline int pav_Reference() { return Reference; }

// True for the codes with an index array in a PavObject: 3..31 except 5.
inline bool pav_IsElementType(int type) { return type >= Edges && type <= PrismsP4 && type != 5; }
// True for the 24 face and volume codes (everything of 4..31 that is not an edge).
inline bool pav_IsFaceOrVolumeType(int type) {
  return pav_IsElementType(type) && type != Edges && type != EdgesP2 && type != EdgesP3 &&
         type != EdgesP4;
}
// True for every code with storage in a PavObject: 1..31 except 5.
inline bool pav_IsStoredType(int type) {
  return type == Vertices || type == Corners || pav_IsElementType(type);
}
