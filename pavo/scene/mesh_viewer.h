// The mesh viewer: a scene window filled from a mesh object or, for the demonstrations, from
// draw objects built in code.
#pragma once

#include "scene/demo_scenes.h"
#include "scene/scene_window.h"

namespace pavo {

class PavMeshViewer : public PavSceneWindow {
  Q_OBJECT
public:
  explicit PavMeshViewer(QWindow *parent = nullptr);

  // Replaces the scene by a demonstration scene: every item's object is added with its geometry
  // and field, the labels are shown and the camera is fitted to the scene. Needs waitForInit().
  void showDemo(PavDemoKind kind);
};

} // namespace pavo
