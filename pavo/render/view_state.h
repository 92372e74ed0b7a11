// The view state of a scene window as one plain value: camera, display switches, cut plane,
// background, palette choice, field selection, vector mode and hidden references. Keys, menus,
// preferences, the view-state file and linked windows read and write it; the window renders the
// scene model with it. Copy it to save or share a view.
#pragma once

#include "files/hidden_ref.h"
#include "render/camera.h"
#include "render/render_option.h"

#include <QVector3D>
#include <cstdint>
#include <vector>

namespace pavo {

// Direction towards the light in eye coordinates (a light at infinity, above left of the viewer):
// faces seen straight on stay grey, not white, and curvature shows as shading.
inline const QVector3D kDefaultLight(-0.4f, 0.6f, 1.0f);

// Switches of a scene window that are not part of the view state: the window draws the marks they
// switch on (box, corners, cut-plane outline, scene centre), keys and panels flip them.
struct PavSceneSwitches {
  int dimension = 3;             // 2 or 3 (k)
  bool animation = false;        // continuous rendering with the frame rate shown (A)
  bool showBox = false;          // bounding box (B)
  bool showPointNumbers = false; // numbers of the points (D)
  bool showCorners = false;      // corners (g)
  bool showMetric = true;        // metric glyphs of the vertex field shown (M)
  bool cutPlaneMode = false;     // mouse motion moves the cut plane instead of the camera (F2, F4)
  bool showCutPlane = false;     // outline of the cut plane in the bounding box (U)
  bool showSceneCentre = false;  // cross at the scene centre (c)
};

struct PavViewState {
  // Camera: trackball rotation and translation, field of view in degrees, and the scene's centre
  // and scale (1 / radius) that move the scene into the unit sphere.
  PavTrackball trackball;
  double fovy = 30.0; // the initial view's (i): the unit sphere fits with a margin
  QVector3D sceneCentre;
  float sceneScale = 1.0f;
  // Direction towards the light, eye coordinates (need not be unit); i restores kDefaultLight.
  QVector3D light = kDefaultLight;

  // Display switches copied into every draw.
  PavRenderOption options;

  // Cut plane a x + b y + c z + d = 0 (the side where it is negative is kept). It clips only
  // while hasCutPlane and options.CutOn are both set.
  bool hasCutPlane = false;
  double cutPlane[4] = {1, 0, 0, 0};
  bool capping = false; // show the section of the cut elements (true) or their faces

  bool whiteBackground = true; // white (true) or black background
  int colormap = -1;           // colour map of the fields (-1: each field's own)

  // Field selection: mode 0 none, 1 vertex solution, 2 element solution; indices from 1.
  int fieldMode = 0;
  int vertexSolution = 1;
  int elementSolution = 1;
  int vectorMode = 0; // 1 x, 2 y, 3 z component, anything else the length

  // Objects hidden by draw type and reference: the per-reference objects of that type only.
  std::vector<PavHiddenRef> hiddenReferences;

  bool cutActive() const { return hasCutPlane && options.CutOn; }
};

} // namespace pavo
