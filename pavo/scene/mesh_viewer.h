// The mesh viewer: a scene window filled from a mesh object or, for the demonstrations, from
// draw objects built in code.
#pragma once

#include "scene/demo_scenes.h"
#include "scene/scene_window.h"

#include <QString>

struct PavObject;

namespace pavo {

class PavMeshViewer : public PavSceneWindow {
  Q_OBJECT
public:
  explicit PavMeshViewer(QWindow *parent = nullptr);
  ~PavMeshViewer() override;

  // Replaces the scene by a demonstration scene: every item's object is added with its geometry
  // and field, the labels are shown and the camera is fitted to the scene. Needs waitForInit().
  void showDemo(PavDemoKind kind);

  // Loads a mesh and its solution into this window (the viewer's loading sequence): the previous
  // mesh object and scene are released, the files are opened, the scene is built from the new
  // object and the view is fitted to its bounding box. solName may be null or name a missing
  // file (the solution is then skipped). Returns 0 when the mesh was opened, else the loader's
  // status; the window keeps working either way. Needs waitForInit().
  int displayMesh(const char *meshName, const char *solName);
  // Opens a solution file into the mesh already shown and rebuilds the fields. 0 on success.
  int openSolution(const char *solName);

  // The loaded mesh object (owned by the viewer), null before the first load.
  PavObject *meshObject() const { return mesh; }
  // Names of the files last opened successfully (empty when none).
  const QString &meshName() const { return meshFile; }
  const QString &solutionName() const { return solFile; }
  // Number of windows of this run (the single-window rules of the loading sequence use it).
  void setWindowCount(int n) { windowCount = n; }
  // The scene bounding box (min x, max x, min y, max y, min z, max z); setting it refits the view.
  void boundingBox(double box[6]) const;
  void setBoundingBox(const double box[6]);

  // Builds the scene from the loaded mesh object (objects per entity type and reference, boundary
  // surface, fields, parameter file); called by the loading sequence after the files are read.
  void displayObject();
  // Rebuilds the field data of every object from the solutions now held by the mesh object.
  void rebuildFields();

signals:
  // A short text for the window's terminal panel ("Mesh File %s OPENED", ...).
  void terminalLine(const QString &text);

protected:
  PavObject *mesh = nullptr;
  QString meshFile, solFile;
  int windowCount = 1;
  double bbox[6] = {0, 1, 0, 1, 0, 1};
};

} // namespace pavo
