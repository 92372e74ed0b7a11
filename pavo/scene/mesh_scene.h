// The mesh scene: what a viewer builds from the mesh object it shows. It holds the object (owned)
// and its file names, the bounding box, the entity sets turned into draw objects (the built and
// the cut sets) with the index a pick finds its entity in, the state of the cut, the elements
// shown on their own, the glyph vertices, the links of surface elements to the volume faces they
// cover, the palettes the user gave and the running extrema of the shown field. The mesh viewer
// holds one and builds it into its scene window's model; the draw objects stay the model's.
#pragma once

#include "render/draw_object.h"
#include "render/palette.h"
#include "scene/cut_packing.h"

#include <QString>
#include <cstdint>
#include <vector>

struct PavObject;

namespace pavo {

// An entity set turned into draw objects: one mesh type, the new boundary faces of one volume
// type, the faces of cut elements or the capping of one volume type.
enum class PavSetSource { MeshType, BoundaryFaces, ClipFaces, CapTriangles, Polygons };
struct PavBuiltObject {
  PavDrawObject *object = nullptr; // owned by the scene
  std::vector<int32_t> entities;   // entity numbers of the set, from 1, one per element
  std::vector<int32_t> vertices;   // mesh vertex of each local vertex (MeshType, faces)
  std::vector<float> cutField;     // cuts: the packed field values of its elements
};
struct PavBuiltSet {
  PavSetSource source = PavSetSource::MeshType;
  int mshType = 0; // entity type of the elements drawn (a face type for faces)
  int volType = 0; // the volume type faces and caps come from
  uint32_t drawType = 0;
  int32_t nbrEnt = 0;
  std::vector<int32_t> nod;            // faces: nodes per face packed from 0
  std::vector<int32_t> lnk;            // faces: (volume type, element, face) per face packed from 0
  int cutFieldNodes = 0;               // cuts: field values per element of the packed fields
  std::vector<PavBuiltObject> objects; // per reference, then the object -1 last
  // First-order triangles: closedSurfaceSide of the entities its objects draw together.
  int closedSide = 0;
  double closedBox[6] = {0, 0, 0, 0, 0, 0}; // its box when closed
  // Whether every reference and element of it is shown, as of frame shownFrame.
  mutable uint64_t shownFrame = 0;
  mutable bool allShown = false;
};

struct PavMeshScene {
  PavObject *mesh = nullptr; // owned; released by the viewer (pav_DeleteInterface)
  QString meshFile, solFile; // the files last opened successfully
  double bbox[6] = {0, 1, 0, 1, 0, 1};
  std::vector<PavBuiltSet> sets, cuts;

  // The built object of a draw object and its set (null when it was not built from the mesh
  // object): a binary search in the index made by indexBuilt.
  const PavBuiltObject *builtOf(const PavDrawObject *o, const PavBuiltSet **setOut = nullptr) const;
  // Makes the index again; called after each change of the sets (a stale row is never taken:
  // builtOf checks the row against the sets).
  void indexBuilt();

  bool surfaceLinesByDefault = false; // LineSurfOn was turned on by the last mesh shown
  bool cutShell = false; // the clipped faces hold the envelope of the crossed elements only
  int cutBuildCount = 0;
  PavCutBlocks cutBlocks; // the runs of entities of the mesh for the cut search
  bool surfaceBuilt = false, volumeBuilt = false, vectorBuilt = false;
  std::vector<PavDrawObject *> shown; // picked elements shown on their own
  std::vector<int32_t> arrowVertices;
  // Links of the existing surface elements to the volume faces they cover, by degree (1..4):
  // 6 integers per element, count + 1 elements.
  std::vector<int> triLnk[5], quaLnk[5];

  // Palettes the user gave (parameter file, view-state file): a fixed one replaces the range of
  // the field, its isolines are those of every field of its kind. Unset, each field takes its
  // range.
  PavPalette solutionPalette, jacobianPalette;
  // Running extrema of the displayed field and where they occur (vertex numbers in mode 1).
  double solMin = 0, solMax = 0;
  int solMinAt = 0, solMaxAt = 0;
  bool minimalJacobian = false; // the last Jacobian asked for was the minimal one (J)

private:
  // Every built object by its draw object: (object, list, set, position), sorted by object.
  struct PavBuiltRow {
    const PavDrawObject *object;
    uint32_t list, set, index; // list 0: sets, 1: cuts
  };
  std::vector<PavBuiltRow> builtIndex;
};

} // namespace pavo
