// A mesh viewer shown on the test display, with synthesized mouse and key events delivered the way
// the window system delivers them (through the viewer's event filters) and pixel probes at scene
// points.
#pragma once

#include "pav_object.h"
#include "scene/mesh_viewer.h"
#include "test_paths.h"

#include <QPoint>
#include <QPointF>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pavo_test {

// A shown 240 x 240 viewer with a depth buffer, exposed and initialised, drawing faces in plain
// colours without lines, text or axes; null when there is no display.
std::unique_ptr<pavo::PavMeshViewer> shownViewer(int size = 240);
// Faces in their plain colours (render mode 3, unlit), without texts, palette bar, axes, wire
// lines or tessellated edges.
void plainFaces(pavo::PavRenderOption &o);
// Hands obj to the viewer and builds its scene (output swallowed).
void showMesh(pavo::PavMeshViewer &v, PavObject *obj);

// The frame drawn anew and read back (RGBA, bottom row first, device pixels).
struct Frame {
  std::vector<uint8_t> rgba;
  int w = 0, h = 0;
  explicit Frame(pavo::PavSceneWindow &v);
  // Colour of the device pixel (x, y) from the lower left; {-1, -1, -1} outside the frame.
  std::array<int, 3> at(int x, int y) const;
};
// Device-pixel position in the frame (from the lower left, not rounded) of a scene point.
QPointF windowOf(const pavo::PavSceneWindow &v, double x, double y, double z);
// Window point (logical pixels, y down) under a scene point.
QPoint pixelOf(const pavo::PavSceneWindow &v, double x, double y, double z);
// Colour of the frame at a window point after drawing the frame again.
std::array<int, 3> colourAt(pavo::PavSceneWindow &v, QPoint p);
// Whether the frame shows anything but the white background under a scene point.
bool drawnAt(pavo::PavSceneWindow &v, double x, double y, double z);
// The palette's colour of a value, each channel 0..255.
std::array<int, 3> paletteRgb(const float pal[5], int colormap, float value);

// Events, delivered through the event filters of the viewer.
void click(pavo::PavMeshViewer &v, QPoint p, Qt::KeyboardModifiers mods,
           Qt::MouseButton button = Qt::LeftButton);
void doubleClick(pavo::PavMeshViewer &v, QPoint p);
// A drag of the given button from a to b (press, two moves, release).
void drag(pavo::PavMeshViewer &v, QPoint a, QPoint b, Qt::MouseButton button = Qt::LeftButton);
void key(pavo::PavMeshViewer &v, int qtKey, const char *text = "");

// Mesh objects (dimension 3) of vertices and one entity type (nodes from 1, references per
// entity); the caller owns them.
PavObject *meshOf(const std::vector<double> &xyz, int type, const std::vector<int> &nodes,
                  const std::vector<int> &refs);

} // namespace pavo_test
