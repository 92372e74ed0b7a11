// Clipping and capping of a volume mesh by a plane, packed on the CPU for the draw objects of the
// mesh viewer. Pure: no GL, no Qt; the viewer uploads the arrays with the scene's attachData.
//
// Clipping shows the volume elements crossed by the plane by all their faces; capping fills the
// section with flat (P1 volumes) or curved (P2 tetrahedra) cut triangles. Both are grouped by the
// reference of the volume element each face or triangle comes from.
#pragma once

#include "pav_object.h"

#include <cstdint>
#include <future>
#include <map>
#include <vector>

namespace pavo {

// The displayed field, as the viewer's display state holds it.
struct PavCutFieldChoice {
  int mode = 0;         // 0 none, 1 vertex field (vertexIndex), 2 element field (elementIndex)
  int vertexIndex = 0;  // record of the vertex list, from 1
  int elementIndex = 0; // record of each volume type's own list, from 1
  int vectorMode = 0;   // vectors: 1 x, 2 y, 3 z, other the length; matrices give determinants
};

// The elements of one reference (or of every reference: ref -1).
struct PavCutGroup {
  int32_t ref = -1;
  std::vector<int> elt;        // nodesPerElt 0-based indices into the layer's xyz per element,
                               // in the canonical node order of the face or cut-triangle kind
  std::vector<float> field;    // fieldNodes values per element (canonical node order of the field
                               // degree); empty when the layer has no field
  std::vector<int32_t> parent; // volume entity (from 1) of each element
  std::vector<int32_t> face;   // clipping: local face of each element in its parent; capping: empty
  int64_t nbrElt() const { return int64_t(parent.size()); }
};

// Everything one draw type gets from one volume type: shared positions and the groups.
struct PavCutLayer {
  int volumeType = 0;     // entity code of the volume elements that were cut
  uint32_t drawType = 0;  // clipping: triangle or quadrilateral draw type of the element's degree
                          // (6, 7, 8, 35 / 10, 11, 12, 36); capping: DrawCutTriangle (37) for P1
                          // volumes, 38 (P2 cut triangles) for P2 tetrahedra
  int nodesPerElt = 0;    // nodes per element of drawType
  int fieldDegree = -1;   // degree of the attached field; -1 without field
  int fieldNodes = 0;     // field values per element; 0 without field
  std::vector<float> xyz; // 3 floats per position, shared by every group of the layer
  std::vector<PavCutGroup> groups; // one per reference, increasing, then the group of all (-1)
  int64_t filtered = 0;            // elements left out for invalid node (or parent) numbers
  bool section = false; // capping triangles on the plane (else faces of crossed elements, whole)
};

// The runs of entities of the large volume types of one mesh with the boxes of their nodes
// (pav_GetCutBlockBoxes), so that a plane reads only the entities of the runs it may cross. The
// first cut of a type searches every entity and starts making its boxes on a worker thread (about
// half a cut search of work); the cuts after it use them once they are made. Made again when the
// object, its coordinates or a type's entities are other arrays. Resetting or destroying it waits
// for the worker: do so before the mesh is released or changed.
struct PavCutBlocks {
  struct Type {
    const int32_t *idx = nullptr;
    int32_t nbr = 0, nbrBlocks = 0;
    std::vector<double> boxes;
  };
  const PavObject *obj = nullptr;
  const void *crd = nullptr;
  int32_t nbrVer = 0;
  std::map<int, Type> types;
  std::future<Type> making; // the boxes of type makingType on the worker
  int makingType = 0;
};

// Clipping layers for a plane (a, b, c, d: a x + b y + c z + d = 0): for each volume type with
// entities crossed by the plane, one layer per face kind (triangles, quadrilaterals) holding every
// face of the crossed elements. With a field: vertex fields are read at the face nodes; element
// fields of the volume type are restricted to the faces (degree of the field). Prints
// " Clipping %s: %d topologically invalid entities are filtered !\n" (draw-type name) when faces
// are filtered, and the field errors of the viewer ("error invalid number of solution: %d != %d
// \n", "error\n"), in which case the layers carry no field. With shellOnly, a face shared by two
// crossed elements of the same reference is left out: drawn opaque and whole, the crossed
// elements of each reference show their envelope only, and the shared faces (every face that
// straddles the plane) would cost the rasteriser without adding a pixel.
std::vector<PavCutLayer> packClipping(const PavObject *obj, const double plane[4],
                                      const PavCutFieldChoice &field, bool shellOnly = false,
                                      PavCutBlocks *blocks = nullptr);

// Capping layers: for each P1 volume type, its crossed entities sliced into cut triangles (3
// nodes each); for P2 tetrahedra, P2 cut triangles (6 nodes, the mid-edge nodes mapped through the
// curved element); any other type of degree above 1 prints
// "Capping not done for element %s of degree > 1 \n" with the type's display name and gives the
// envelope of its crossed elements by reference instead, as clipping does, so that the section
// shows no hole onto the inside of the boundary. Every
// triangle has its own positions. The field is evaluated at the triangle nodes through their
// reference coordinates in the parent element (degree 1, or 2 on P2 cut triangles). Prints
// " Capping %s: %d topologically invalid entities are filtered !\n" (draw-type name) when
// triangles are filtered.
std::vector<PavCutLayer> packCapping(const PavObject *obj, const double plane[4],
                                     const PavCutFieldChoice &field,
                                     PavCutBlocks *blocks = nullptr);

} // namespace pavo
