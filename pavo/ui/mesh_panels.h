// Panels that read or change the loaded mesh object itself.
//
// Data Manager:       "meshFile", "solutionFile" (labels), "fields" (one row per field: where it
//                     lives, its index, kind, degree and name); choosing a row shows that field.
// Mesh Modifications: "mergeVertices", "addBoundaryEdges", "reconstructSurface" change the loaded
//                     mesh in place (the window rebuilds its scene), "writeMesh" writes it.
#pragma once

#include "ui/option_panels.h"

#include <QString>
#include <functional>
#include <vector>

class QListWidget;
class QLabel;
struct PavObject;

namespace pavo {

// One field of a mesh object, as the Data Manager lists it.
struct PavFieldRow {
  int fieldMode = 1; // 1 at vertices, 2 at elements
  int index = 1;     // from 1, as the view state's vertexSolution / elementSolution
  int kind = 1;      // 1 scalar, 2 vector, 3 symmetric matrix, 4 full matrix
  int degree = 0;    // largest degree among the element lists holding this index
  QString name;      // first non-empty name among the records of this index
};

// The vertex fields (in list order), then the element fields: index i gathers the i-th record of
// every element list (kind of the first list that has one). Empty for a null object.
std::vector<PavFieldRow> fieldRows(const PavObject *mesh);
// "At vertices 1: Scalar, degree 1" (+ ", <name>" when named).
QString fieldRowText(const PavFieldRow &row);

class PavDataManagerPanel : public QWidget {
  Q_OBJECT
public:
  PavDataManagerPanel(PavPanelTarget target, QWidget *parent = nullptr);
  // Shows the files and fields of a newly loaded mesh (null: none).
  void setMesh(const QString &meshName, const QString &solutionName, const PavObject *mesh);

private:
  PavPanelTarget t;
  std::vector<PavFieldRow> rows;
  QLabel *meshLabel = nullptr, *solLabel = nullptr;
  QListWidget *list = nullptr;
};

// What the Mesh Modifications panel works on: the loaded mesh (null when none), what to do after
// it changed, and how to write it (the File menu's Write Mesh).
struct PavMeshTarget {
  std::function<PavObject *()> mesh;
  std::function<void()> meshChanged;
  std::function<void()> write;
};

class PavMeshModificationsPanel : public QWidget {
  Q_OBJECT
public:
  PavMeshModificationsPanel(PavMeshTarget target, QWidget *parent = nullptr);

private:
  void run(int (*modify)(PavObject *));
  PavMeshTarget t;
};

} // namespace pavo
