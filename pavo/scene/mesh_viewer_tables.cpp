#include "scene/mesh_viewer_tables.h"

#include "pav_types.h"

namespace pavo {

uint32_t drawTypeOfMeshType(int t) {
  switch (t) {
  case Edges:
    return DrawEdge;
  case EdgesP2:
    return DrawEdgeP2;
  case EdgesP3:
    return DrawEdgeP3;
  case EdgesP4:
    return DrawEdgeP4;
  case Triangles:
    return DrawTriangle;
  case TrianglesP2:
    return DrawTriangleP2;
  case TrianglesP3:
    return DrawTriangleP3;
  case TrianglesP4:
    return DrawTriangleP4;
  case Quadrilaterals:
    return DrawQuad;
  case QuadrilateralsQ2:
    return DrawQuadQ2;
  case QuadrilateralsQ3:
    return DrawQuadQ3;
  case QuadrilateralsQ4:
    return DrawQuadQ4;
  default:
    return PAV_NBR_DRAW_TYPES;
  }
}

const std::array<int, 12> &surfaceAndEdgeTypes() {
  static const std::array<int, 12> types = {Triangles,        TrianglesP2,      TrianglesP3,
                                            TrianglesP4,      Quadrilaterals,   QuadrilateralsQ2,
                                            QuadrilateralsQ3, QuadrilateralsQ4, Edges,
                                            EdgesP2,          EdgesP3,          EdgesP4};
  return types;
}

std::array<int, 4> volumeTypesOfDegree(int d) {
  return {pav_ElementType(PavKindTetrahedron, d), pav_ElementType(PavKindPyramid, d),
          pav_ElementType(PavKindPrism, d), pav_ElementType(PavKindHexahedron, d)};
}

} // namespace pavo
