// The demonstration scenes, built from draw objects in code without reading a file: curved faces
// and edges of every kind and degree, a high-order solution with its palette and isolines,
// points and corners, labels; or polygons and polyhedron faces with their hidden diagonals.
//
// Building is pure (no window, no OpenGL): the viewer hands the items to its scene.
#pragma once

#include "render/draw_object.h"

#include <QVector3D>
#include <memory>
#include <string>
#include <vector>

namespace pavo {

enum class PavDemoKind { Plain, Full, Polygons };

// One draw object with its geometry and, optionally, a field.
struct PavDemoItem {
  std::unique_ptr<PavDrawObject> object;
  // Standard layout: 3 floats per node and PavDrawTyp2Siz(type) node indices (from 0) per element.
  // Curved kinds hold Bezier control points, their indices in canonical node order. Each element
  // has its own nodes.
  std::vector<float> xyz;
  std::vector<int> elt;
  // Polygon layout (types 75-77): 5 floats per triangle corner (x, y, z and the barycentric pair
  // (1, 0), (0, 1), (0, 0)), three corners per triangle; one tag per triangle side (1: side of
  // the polygon, 0: hidden diagonal of the triangulation); one normal (3 floats) per triangle.
  std::vector<float> polygonData;
  std::vector<unsigned> edgeTags;
  std::vector<float> normals;
  // Field: fieldNodes Lagrange values per element in canonical order, with its palette set.
  std::unique_ptr<PavDrawSolution> solution;
  std::vector<float> fieldValues;
  int fieldNodes = 0;

  int64_t elementCount() const;
};

struct PavDemoLabel {
  QVector3D at;
  std::string text;
};

struct PavDemoScene {
  std::vector<PavDemoItem> items;
  std::vector<PavDemoLabel> labels;
  double box[6] = {0, 0, 0, 0, 0, 0}; // min x, max x, min y, max y, min z, max z
};

PavDemoScene buildDemoScene(PavDemoKind kind);

} // namespace pavo
