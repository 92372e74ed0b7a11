// Filters of the picture: the elements of the mesh whose values lie outside a range are hidden.
// Every drawn element gets the smallest and largest of its values (quality or Jacobian of its
// element, or the displayed solution at its nodes); an element stays in the picture when both
// lie in [low, high], i.e. when all its values do. Hiding goes through the per-element colours
// (alpha 0 discards the element in the face shaders): the masks are kept per object and put
// back by refreshElementVisibility after anything rewrote the colours (picked colours).
#pragma once

#include <cstdint>
#include <vector>

namespace pavo {

class PavDrawObject;
class PavMeshViewer;

// Values of the drawn elements of one object (one pair per element, NaN: no value). An entry
// with a volumeType and no object holds the values of that type's volume elements (index from 1,
// entry 0 unused): the cut display (clipped faces, capping) takes them for the elements cut from
// each volume element, whenever the cut is rebuilt.
struct PavObjectValues {
  PavDrawObject *object = nullptr;
  bool counted = true; // false for the hidden object -1, which repeats the others' elements
  std::vector<double> low, high;
  int volumeType = 0;
};
using PavFilterValues = std::vector<PavObjectValues>;

// Per-entity values (rows of nbrNod values, entity e at e * nbrNod) of entity type `type` spread
// onto the objects built from that type and onto the faces of its volume elements.
void addEntityValues(const PavMeshViewer &viewer, int type, const double *rows, int32_t nbrEnt,
                     int nbrNod, PavFilterValues &out);
// Quality of the tetrahedra (computed), Jacobians of the volume elements (or of the faces when
// the mesh has no volume: add3DJacobian / add2DJacobian with mode 2, the smallest per element),
// or the displayed solution (vertex mode: the values at the element's nodes; element mode: the
// element's values). Empty when there is nothing to filter.
PavFilterValues qualityValues(PavMeshViewer &viewer);
PavFilterValues jacobianValues(PavMeshViewer &viewer);
PavFilterValues solutionValues(PavMeshViewer &viewer);

// Extrema of the values and the number of counted elements; false when there is none.
bool filterExtrema(const PavFilterValues &values, double *low, double *high, int64_t *count);

// Hides the elements whose values are not all in [low, high] (no range: shows all again), keeps
// the masks for refreshElementVisibility and returns the number of counted elements shown.
int64_t applyElementFilter(PavMeshViewer &viewer, const PavFilterValues &values,
                           const double *range);
// Puts the kept masks back on the per-element colours of the objects still in the scene (alpha
// 0 hidden, 1 shown; colours left as they are), the objects of the cut masked anew from the
// values of their volume elements. Call after the colours were rewritten or the cut rebuilt.
void refreshElementVisibility(PavMeshViewer &viewer);

// Whether a filter range is applied to the volume elements (the cut elements are masked too).
bool cutElementsFiltered(const PavMeshViewer &viewer);

// Sets the alpha of an object's per-element colours from a mask (1 shown): colours are filled
// from the object's colour when it has none; a mask that shows everything on colours that are
// all the object's own empties them again. Masks shorter than the object count as shown.
void maskElementColours(PavDrawObject &object, const std::vector<uint8_t> &shown);

} // namespace pavo
