// The text reported for a picked entity: its kind, number, vertices (high-order nodes on a second
// line), reference and edge length; polygons and polyhedra with their faces; vertices with their
// coordinates; the values of every solution field on it (metrics with their eigen decomposition);
// and, once computed, its Jacobian range and quality. Composed from the mesh object alone, so the
// viewer only prints it and shows it in its panel.
#pragma once

#include "pav_object.h"
#include "render/draw_object.h"

#include <cstdint>
#include <string>

namespace pavo {

// What the viewer knows of a pick, once the local index is mapped back to the mesh.
struct PavPickedEntity {
  uint32_t drawType = 0; // PavDrawType of the picked object: gives the name and the entity kind
  int32_t number = 0;    // number printed and, without a volume element, the mesh entity (from 1):
                         // vertex, corner, element, polygon or polyhedron number
  bool patch = false;    // picked in a patch: no reference is printed
  // A face drawn for a volume element (boundary surface, cut faces): the volume's entity code
  // (7..31), its number (from 1) and the face (from 0). The face's nodes, reference, fields,
  // Jacobian and quality come from the volume element. volumeType 0: not such a face.
  int volumeType = 0;
  int32_t volumeElement = 0;
  int volumeFace = -1;
  bool jacobians = false; // Jacobians were computed: report the element's range
  bool qualities = false; // qualities were computed: report the element's value
  // What the window's preferences add or leave out: the solution values, the eigen
  // decomposition of metric fields, the angles at the corners of a face (degrees) and the
  // coordinates of the element's corner vertices.
  bool solutions = true, metric = true, angles = false, vertexCoordinates = false;
};

struct PavPickReport {
  std::string text;     // the information lines, each ending with a newline
  std::string warnings; // problems met (unknown kinds, missing entities), each ending with one
};

// Composes the report of a picked entity. A null mesh, an entity outside its arrays or a kind the
// report does not know gives the matching warning and whatever could be written before it.
PavPickReport pickReport(const PavObject *mesh, const PavPickedEntity &entity);

// The entity behind drawn element `local` (from 0) of a picked draw object: the parent polygon of
// a polygon kind's triangle; the parent element (getParentElt) when the object keeps parents,
// else first + local. With volumeType (the code of the volume kind whose faces the object draws)
// the parent element and parent face are the volume element and its face, and the number printed
// is local + 1. Patches are marked so that no reference is printed.
PavPickedEntity pickedEntityOf(const PavDrawObject &object, int32_t local, int volumeType = 0);

// Corners of the elements of a draw type (1 points, 2 edges, 3 triangles, 4 quadrilaterals and
// tetrahedra, 5 pyramids, 6 prisms, 8 hexahedra); -1 for polygon kinds and kinds without
// corners, with the warning appended to *warnings when it is not null.
int cornersOfDrawType(uint32_t drawType, std::string *warnings);

} // namespace pavo
