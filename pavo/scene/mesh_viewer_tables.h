// Correspondences between entity types of the mesh object and draw types used by the scene
// building.
#pragma once

#include "files/draw_types.h"

#include <array>
#include <cstdint>

namespace pavo {

// Draw type of an edge, triangle or quadrilateral type of degree 1..4; PAV_NBR_DRAW_TYPES for
// any other type.
uint32_t drawTypeOfMeshType(int mshType);
// Edge, triangle and quadrilateral types of degrees 1..4, in building order.
const std::array<int, 12> &surfaceAndEdgeTypes();
// Tetrahedra, pyramids, prisms and hexahedra of one degree (1..4).
std::array<int, 4> volumeTypesOfDegree(int degree);

} // namespace pavo
