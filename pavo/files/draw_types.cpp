#include "files/draw_types.h"

#include "app_messages.h"

#include <array>
#include <cstdio>
#include <string>

namespace pavo {

namespace {

struct DrawTypeRow {
  std::string name = "Unknown ";
  int nodes = 0;
  int meshType = 0; // 0: none
  PavDrawFamily family = PavDrawFamily::None;
  int degree = 1;
  bool meshEntity = false; // draws the mesh's own entities of meshType one for one
};

using DrawTypeTable = std::array<DrawTypeRow, PAV_NBR_DRAW_TYPES>;

void setRow(DrawTypeTable &t, uint32_t code, const char *name, int nodes, int meshType,
            PavDrawFamily family, int degree = 1) {
  t[code].name = std::string(name) + " ";
  t[code].nodes = nodes;
  t[code].meshType = meshType;
  t[code].family = family;
  t[code].degree = degree;
}

// A block of four codes for degrees 1-4 of one face or edge kind. The suffix is empty for degree
// 1 and then "P2".."P4" or "Q2".."Q4".
void setBlock(DrawTypeTable &t, uint32_t first, const char *stem, char letter, PavDrawFamily family,
              const std::array<int, 4> &meshTypes) {
  for (int d = 1; d <= 4; d++) {
    std::string name = stem;
    if (d > 1) name += std::string(1, letter) + std::to_string(d);
    int nodes = family == PavDrawFamily::Edge            ? d + 1
                : family == PavDrawFamily::Quadrilateral ? (d + 1) * (d + 1)
                                                         : (d + 1) * (d + 2) / 2;
    setRow(t, first + d - 1, name.c_str(), nodes, meshTypes[d - 1], family, d);
  }
}

DrawTypeTable buildTable() {
  using F = PavDrawFamily;
  DrawTypeTable t;
  setRow(t, DrawVertex, "Vertex", 1, 1, F::Point);
  setRow(t, DrawCorner, "Corner", 1, 2, F::Point);
  t[DrawVertex].meshEntity = t[DrawCorner].meshEntity = true;
  setRow(t, DrawNormalAtVertex, "NormalAtVertex", 0, 128, F::None);
  setRow(t, DrawSceneCenter, "SceneCenter", 0, 1, F::Point);
  // The base kinds sit at scattered codes (degrees 2-3 next to degree 1, degree 4 at 34-36).
  const uint32_t edges[4] = {DrawEdge, DrawEdgeP2, DrawEdgeP3, DrawEdgeP4};
  const uint32_t tris[4] = {DrawTriangle, DrawTriangleP2, DrawTriangleP3, DrawTriangleP4};
  const uint32_t quads[4] = {DrawQuad, DrawQuadQ2, DrawQuadQ3, DrawQuadQ4};
  const int edgeMsh[4] = {3, 11, 18, 25}, triMsh[4] = {4, 12, 19, 26}, quadMsh[4] = {6, 13, 20, 27};
  for (int d = 1; d <= 4; d++) {
    std::string sfx = d > 1 ? std::to_string(d) : std::string();
    setRow(t, edges[d - 1], ("Edge" + (d > 1 ? "P" + sfx : sfx)).c_str(), d + 1, edgeMsh[d - 1],
           F::Edge, d);
    setRow(t, tris[d - 1], ("Triangle" + (d > 1 ? "P" + sfx : sfx)).c_str(), (d + 1) * (d + 2) / 2,
           triMsh[d - 1], F::Triangle, d);
    setRow(t, quads[d - 1], ("Quadrilateral" + (d > 1 ? "Q" + sfx : sfx)).c_str(),
           (d + 1) * (d + 1), quadMsh[d - 1], F::Quadrilateral, d);
    for (uint32_t code : {edges[d - 1], tris[d - 1], quads[d - 1]}) t[code].meshEntity = true;
  }
  // Volume kinds: named and typed, never drawn. Only degree 1 has a node count.
  struct Volume {
    uint32_t first;
    const char *stem;
    char letter;
    int nodes;
    std::array<int, 4> msh;
  };
  const Volume volumes[4] = {{DrawTetrahedron, "Tetrahedron", 'P', 4, {7, 14, 21, 28}},
                             {DrawHexahedron, "Hexahedron", 'Q', 8, {10, 15, 22, 29}},
                             {DrawPrism, "Prism", 'P', 6, {9, 17, 24, 31}},
                             {DrawPyramid, "Pyramid", 'P', 5, {8, 16, 23, 30}}};
  for (const Volume &v : volumes)
    for (int d = 1; d <= 4; d++) {
      std::string name = v.stem;
      if (d > 1) name += std::string(1, v.letter) + std::to_string(d);
      setRow(t, v.first + d - 1, name.c_str(), d == 1 ? v.nodes : 0, v.msh[d - 1], F::None, d);
      t[v.first + d - 1].meshEntity = true;
    }
  setRow(t, DrawCutPlane, "CutPlane", 0, 0, F::CutPlane);
  setRow(t, DrawSolution, "Solution", 0, 0, F::Solution);
  setRow(t, DrawPalette, "Palette", 4, 0, F::Palette);
  setRow(t, DrawPatch, "Patch", 3, 5, F::Patch);
  t[DrawComposite].family = F::Composite; // no name, no nodes
  setBlock(t, DrawCutTriangle, "CutTriangle", 'P', F::Triangle, {75, 77, 79, 81});
  setBlock(t, DrawCutQuad, "CutQuadrilateral", 'Q', F::Quadrilateral, {76, 78, 80, 82});
  setBlock(t, DrawUsrCutTriangle, "UsrCutTriangle", 'P', F::Triangle, {0, 0, 0, 0});
  setBlock(t, DrawUsrCutQuad, "UsrCutQuadrilateral", 'Q', F::Quadrilateral, {0, 0, 0, 0});
  setBlock(t, DrawSrfTriangle, "SrfTriangle", 'P', F::Triangle, {91, 93, 95, 97});
  setBlock(t, DrawSrfQuad, "SrfQuadrilateral", 'Q', F::Quadrilateral, {92, 94, 96, 98});
  setRow(t, DrawVecTriangle, "VecTriangle", 3, 129, F::Triangle);
  t[DrawVolTetrahedron].meshType = 130; // no name, no nodes
  t[DrawVolTetrahedron].family = F::Tetrahedron;
  setBlock(t, DrawCustomTriangle, "CustomTriangle", 'P', F::Triangle, {0, 0, 0, 0});
  setBlock(t, DrawCustomQuad, "CustomQuadrilaterals", 'Q', F::Quadrilateral, {0, 0, 0, 0});
  setBlock(t, DrawCustomEdge, "CustomEdges", 'P', F::Edge, {3, 11, 18, 25});
  for (uint32_t d = 0; d < 4; d++) t[DrawCustomEdge + d].meshEntity = true;
  setRow(t, DrawPolygon, "Polygon", -1, 131, F::Polygon);
  setRow(t, DrawPolyhedra, "Polyghedron", -1, 132, F::Polygon);
  setRow(t, DrawCustomPolygon, "CustomPolygon", -1, 0, F::Polygon);
  return t;
}

const DrawTypeTable &table() {
  static const DrawTypeTable t = buildTable();
  return t;
}

} // namespace

const char *pavDrawType2String(uint32_t type) {
  return type < PAV_NBR_DRAW_TYPES ? table()[type].name.c_str() : "Unknown ";
}

int PavDrawTyp2Siz(uint32_t type) {
  if (type >= PAV_NBR_DRAW_TYPES || table()[type].nodes < 0) {
    appMessage("Warning PavDrawTyp2Siz case not defined for type %s \n", pavDrawType2String(type));
    return -1;
  }
  return table()[type].nodes;
}

int PavSolDeg(uint32_t type, int n) {
  if (type >= PAV_NBR_DRAW_TYPES) return -1;
  if (type == DrawVecTriangle) return n == 1 ? 0 : (n == 6 || n == 9) ? 1 : -1;
  switch (table()[type].family) {
  case PavDrawFamily::Edge:
    return n >= 1 && n <= 11 ? n - 1 : -1;
  case PavDrawFamily::Triangle:
    for (int d = 0; d <= 10; d++)
      if (n == (d + 1) * (d + 2) / 2) return d;
    return -1;
  case PavDrawFamily::Quadrilateral:
    for (int d = 0; d <= 10; d++)
      if (n == (d + 1) * (d + 1)) return d;
    return -1;
  case PavDrawFamily::Polygon:
    appMessage("Warning PavSolDeg case not defined for type %s \n", pavDrawType2String(type));
    return -1;
  default:
    return -1;
  }
}

int PavDrawTypetoPavMshType(uint32_t type) {
  if (type >= PAV_NBR_DRAW_TYPES || table()[type].meshType == 0) {
    appMessage("Warning: PavDrawTypetoPavMshType undefined for DrawType %s \n",
               pavDrawType2String(type));
    return 0;
  }
  return table()[type].meshType;
}

PavDrawFamily pavDrawFamily(uint32_t type) {
  return type < PAV_NBR_DRAW_TYPES ? table()[type].family : PavDrawFamily::None;
}

int pavDrawTypeDegree(uint32_t type) {
  return type < PAV_NBR_DRAW_TYPES ? table()[type].degree : 1;
}

int pavDrawTypeEntity(uint32_t type) {
  return type < PAV_NBR_DRAW_TYPES && table()[type].meshEntity ? table()[type].meshType : 0;
}

bool pavHasParents(uint32_t type) {
  return pavIsFaceType(type) || (type >= DrawCustomEdge && type < DrawCustomEdge + 4);
}

bool pavIsFaceType(uint32_t type) {
  PavDrawFamily f = pavDrawFamily(type);
  return f == PavDrawFamily::Triangle || f == PavDrawFamily::Quadrilateral ||
         f == PavDrawFamily::Polygon || f == PavDrawFamily::Tetrahedron;
}

} // namespace pavo
