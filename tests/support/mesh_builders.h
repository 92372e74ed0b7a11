// Structured meshes of the unit cube for tests and benchmarks: every volume kind, degrees 1..4,
// conforming, positively oriented, high-order nodes placed exactly on the straight elements.
#pragma once

#include "pav_io.h"
#include "pav_object.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pavo_test {

enum class CubeSplit {
  Hexahedra,  // one hexahedron per cell
  Tetrahedra, // six tetrahedra per cell around the diagonal (0,0,0)-(1,1,1)
  Prisms,     // two prisms per cell, bottom split along (0,0)-(1,1)
  Pyramids,   // six pyramids per cell, apex at the cell centre
  HexPrism,   // hexahedra in the cells with x below one half, prisms elsewhere
  TetPyramid, // pyramids on the four side faces of each cell, two tetrahedra on top and bottom
};

// A new object (dimension 3) of n x n x n cells over [0, 1]^3 with elements of degree 1..4.
// Element references are 1 + (cell number mod 3). Vertex references are 0. Release with
// pav_DeleteInterface. Null for a bad argument.
PavObject *buildCube(CubeSplit split, int n, int degree);

// A new object of dimension `dim` with the vertices `xyz` (x, y, z of each) and, when `type` is
// not 0, elements of that type whose 1-based vertex numbers `nodes` lists entity after entity
// (references 0). Release with pav_DeleteInterface.
PavObject *buildMesh(int dim, const std::vector<double> &xyz, int type = 0,
                     const std::vector<int> &nodes = {});

// Gives obj a polygon set with these tables, laid out as the object stores them (entry 0 unused,
// headers as (first vertex, reference) pairs); the counts follow from the sizes. The object owns
// and releases them.
PavPolygonSet *attachPolygons(PavObject *obj, const std::vector<int32_t> &bndHdr,
                              const std::vector<int32_t> &bndVer,
                              const std::vector<int32_t> &innHdr = {},
                              const std::vector<int32_t> &innVer = {},
                              const std::vector<int32_t> &phdHdr = {},
                              const std::vector<int32_t> &phdFac = {});

// Renumbers the vertices by a random permutation of the seed: coordinates move with their vertex
// and element nodes follow, so the geometry is unchanged and every rotation of a split is met.
void shuffleVertices(PavObject *obj, unsigned seed);

// Pushes onto obj's vertex solutions the scalar field f(x, y, z) at its vertices, given
// nbrEnt entries (one per vertex when negative: other counts make a field of the wrong size).
PavSolution *pushVertexField(PavObject *obj, const std::function<double(double, double, double)> &f,
                             int nbrEnt = -1);

// Writes the cube [0, 1]^3 of 3 x 3 x 3 cells of tetrahedra as dir/box.meshb with `fields` vertex
// fields (x, then y, then z) as dir/box.solb; returns the mesh's name.
std::string writeFieldCube(const std::string &dir, int fields);

// Area of the triangle of the points a, b, c (x, y, z each).
double triangleArea(const double *a, const double *b, const double *c);

struct ObjectDeleter {
  void operator()(PavObject *obj) const { pav_DeleteInterface(&obj); }
};
using ObjectPtr = std::unique_ptr<PavObject, ObjectDeleter>;

// A new empty object that files are read into, with the readers' status text; released at the
// end of its scope.
struct Reader {
  PavObject *obj = nullptr;
  char status[PAV_IO_STATUS_SIZE] = "";
  Reader() { pav_NewInterface(&obj); }
  ~Reader() { pav_DeleteInterface(&obj); }
  Reader(const Reader &) = delete;
  Reader &operator=(const Reader &) = delete;
  int open(const std::string &name) { return pav_OpenMesh(obj, name.c_str(), status); }
  int openSolution(const std::string &name) { return pav_OpenSolution(obj, name.c_str(), status); }
  const double *vertex(int v) const { return obj->crdDbl + 3 * v; }
};

} // namespace pavo_test
