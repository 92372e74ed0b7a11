// Marks the scene renderer draws over its objects from the scene's switches (view_state.h): the
// bounding box, the outline of the cut plane inside the box, a cross at the scene centre and the
// mesh's corners. This header holds their pure geometry; the drawing is the renderer's.
#pragma once

#include <QVector3D>
#include <vector>

struct PavObject;

namespace pavo {

// The polygon where the plane a x + b y + c z + d = 0 meets the box (min x, max x, min y, max y,
// min z, max z): its distinct corners in order around it (3 to 6 points; 2 for a box flat along
// the plane's trace, as a segment). Empty when the plane misses the box or its normal is zero.
std::vector<QVector3D> cutPlaneOutline(const double plane[4], const double box[6]);

// Appends the segment a-b (x, y, z of each end) to a list of segments.
void appendSegment(std::vector<float> &out, const QVector3D &a, const QVector3D &b);

// End points (x, y, z each, two points per segment) of the 12 edges of a box.
void appendBoxEdges(const double box[6], std::vector<float> &segments);

// Positions of the corners of a mesh (x, y, z each), corners with a vertex out of range left
// out; empty for a null mesh.
std::vector<float> cornerPositions(const PavObject *mesh);

} // namespace pavo
