// Draw types: the kinds of drawable entity sets, shared by the scene, the mesh viewer, the buffer
// objects and the picking code.
//
// A draw type is an unsigned code from 0 to 77 (PAV_NBR_DRAW_TYPES - 1). Codes 13-28 name volume
// kinds that are never drawn directly (their faces are), 33 is the composite and 62 the volume
// tetrahedra; both of the latter have no name. Every function below accepts any code: codes of 78
// and more are answered like a code without a row (name "Unknown ", -1 or 0 as documented).
#pragma once

#include <cstdint>

namespace pavo {

enum PavDrawType : uint32_t {
  DrawVertex = 0,
  DrawCorner = 1,
  DrawEdge = 2,
  DrawEdgeP2 = 3,
  DrawEdgeP3 = 4,
  DrawNormalAtVertex = 5,
  DrawTriangle = 6,
  DrawTriangleP2 = 7,
  DrawTriangleP3 = 8,
  DrawSceneCenter = 9,
  DrawQuad = 10,
  DrawQuadQ2 = 11,
  DrawQuadQ3 = 12,
  DrawTetrahedron = 13,
  DrawTetrahedronP2 = 14,
  DrawTetrahedronP3 = 15,
  DrawTetrahedronP4 = 16,
  DrawHexahedron = 17,
  DrawHexahedronQ2 = 18,
  DrawHexahedronQ3 = 19,
  DrawHexahedronQ4 = 20,
  DrawPrism = 21,
  DrawPrismP2 = 22,
  DrawPrismP3 = 23,
  DrawPrismP4 = 24,
  DrawPyramid = 25,
  DrawPyramidP2 = 26,
  DrawPyramidP3 = 27,
  DrawPyramidP4 = 28,
  DrawCutPlane = 29,
  DrawSolution = 30,
  DrawPalette = 31,
  DrawPatch = 32,
  DrawComposite = 33,
  DrawEdgeP4 = 34,
  DrawTriangleP4 = 35,
  DrawQuadQ4 = 36,
  DrawCutTriangle = 37, // 37-40: degrees 1-4
  DrawCutQuad = 41,     // 41-44
  DrawUsrCutTriangle = 45,
  DrawUsrCutQuad = 49,
  DrawSrfTriangle = 53,
  DrawSrfQuad = 57,
  DrawVecTriangle = 61,
  DrawVolTetrahedron = 62,
  DrawCustomTriangle = 63,
  DrawCustomQuad = 67,
  DrawCustomEdge = 71,
  DrawPolygon = 75,
  DrawPolyhedra = 76,
  DrawCustomPolygon = 77,
};

constexpr uint32_t PAV_NBR_DRAW_TYPES = 78;

// The element family a draw type belongs to; it decides the buffer class and the shader program.
enum class PavDrawFamily {
  None,          // no drawing of its own: 5, 13-28, codes above 77
  Point,         // 0, 1, 9
  Edge,          // 2-4, 34, 71-74
  Triangle,      // 6-8, 35, 37-40, 45-48, 53-56, 61, 63-66
  Quadrilateral, // 10-12, 36, 41-44, 49-52, 57-60, 67-70
  Polygon,       // 75-77: triangulated, drawn as flat triangles
  Tetrahedron,   // 62
  CutPlane,      // 29
  Solution,      // 30 (fields: solution, Jacobian, value)
  Palette,       // 31
  Patch,         // 32
  Composite,     // 33
};

// Name string of a type; every name ends with one blank. "Unknown " for 33, 62 and codes > 77.
const char *pavDrawType2String(uint32_t type);

// Nodes per element. Polygon kinds (75-77) print
// "Warning PavDrawTyp2Siz case not defined for type %s \n" and give -1, as do codes above 77.
int PavDrawTyp2Siz(uint32_t type);

// Degree of a field with n coefficients per element on a draw type, -1 when n matches no degree
// from 0 to 10 (or the type carries no field). Polygon kinds print
// "Warning PavSolDeg case not defined for type %s \n".
int PavSolDeg(uint32_t type, int n);

// Entity-type code of the mesh object for a draw type; a type without one prints
// "Warning: PavDrawTypetoPavMshType undefined for DrawType %s \n" and gives 0.
int PavDrawTypetoPavMshType(uint32_t type);

// Family of a type (PavDrawFamily::None for codes above 77).
PavDrawFamily pavDrawFamily(uint32_t type);

// Geometric degree of the edge, triangle and quadrilateral kinds (1-4); 1 for every other type.
int pavDrawTypeDegree(uint32_t type);

// True for the families drawn as faces with a palette (triangles, quadrilaterals, polygons,
// volume tetrahedra).
bool pavIsFaceType(uint32_t type);

// True for the types whose drawn elements map back to mesh entities through parent arrays: the
// face types and the custom edges.
bool pavHasParents(uint32_t type);

// The mesh entity code whose entities a type draws one for one: vertices, corners, the edge,
// triangle and quadrilateral kinds and their custom edges, and the volume kinds. 0 for the kinds
// whose elements the viewer makes (cuts, surfaces, custom faces, polygons, glyphs, helpers).
int pavDrawTypeEntity(uint32_t type);

} // namespace pavo
