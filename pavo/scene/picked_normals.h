// The normals of picked faces drawn as arrows (context menu "Draw Normals Picked"): one arrow per
// picked triangle or quadrilateral (or face of a volume element) from the centroid of its corners
// along its unit normal, packed on the CPU as line segments and shown as one custom edge object.
#pragma once

#include <vector>

struct PavObject;

namespace pavo {

class PavViewerInput;
struct PavPickedEntity;

// Segments of the arrows: positions (3 floats each) and pairs of 0-based position indices.
struct PavNormalArrows {
  std::vector<float> xyz;
  std::vector<int> edges;
};

// Appends the arrow of a planar or nearly planar face given by n (3 or 4) corners (3 doubles each,
// in the face's order): a shaft `length` long from the corners' centroid along the unit normal
// (Newell's normal, so the order of the corners gives its sense) and a head of two barbs
// 0.2 length long. A degenerate face adds nothing (false).
bool addNormalArrow(const double *corners, int n, double length, PavNormalArrows &out);

// The corner vertices (numbers from 1) of the face behind a picked entity: a triangle or
// quadrilateral of the mesh, or the face of a volume element. Returns 3 or 4, 0 when the entity is
// no such face or is missing from the mesh.
int pickedFaceCorners(const PavObject *mesh, const PavPickedEntity &entity, int corners[4]);

// Replaces the arrows of a viewer by those of the faces picked now (its input's pick state), a
// tenth of the bounding box's diagonal long. Returns the number of arrows (0: none drawn).
int drawPickedNormals(PavViewerInput &input);

} // namespace pavo
