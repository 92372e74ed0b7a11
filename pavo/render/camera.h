// The scene camera: a trackball rotation, a translation and a field of view, and the matrices the
// render pass derives from them. Pure arithmetic on Qt's vector types; no OpenGL.
#pragma once

#include <QMatrix3x3>
#include <QMatrix4x4>
#include <QPointF>
#include <QQuaternion>
#include <QVector3D>

namespace pavo {

// Field of view after one wheel step: a vertical delta below 1 narrows it by 0.9 (zoom in), down to
// 1e-9 degrees; any other delta widens it by 1.1, up to 179 degrees.
double fovyAfterWheel(double fovy, int deltaY);

// Rotation by mouse motion on a virtual sphere. Points are in window pixels (y down); the window
// is width x height. A drag from p0 to p1 turns the scene about the axis perpendicular to both
// points on the sphere, by the angle between them. Angular velocity is in degrees per millisecond.
class PavTrackball {
public:
  enum Mode { Rotation, Translation };

  QQuaternion rotation; // current orientation of the scene
  QVector3D axis{0, 0, 1};
  double angularVelocity = 0;
  QVector3D translation; // in scene units after scaling (the unit sphere holds the scene)

  // Starts a drag at p (time in milliseconds).
  void push(const QPointF &p, int width, int height, long timeMs);
  // Continues the drag; returns true when the camera changed.
  bool move(const QPointF &p, int width, int height, long timeMs, Mode mode);
  void release() { pressed = false; }

  // Point of the unit sphere (or the hyperbolic sheet outside it) under a window point.
  static QVector3D spherePoint(const QPointF &p, int width, int height);

private:
  bool pressed = false;
  QPointF last;
  long lastTime = 0;
};

// The matrices of one frame.
struct PavCameraMatrices {
  QMatrix4x4 projection, view, modelView, mvp, viewport;
  QMatrix3x3 normal;
};

// Near and far planes and the eye distance: the scene is scaled into the unit sphere and seen
// from kEyeDistance along +z.
constexpr float kEyeDistance = 4.2f;
constexpr float kNearPlane = 0.01f;
constexpr float kFarPlane = 100.0f;

// Builds the frame's matrices: the scene is moved so that `centre` is at the origin, scaled by
// `scale` (1 / radius of the scene), rotated by the trackball, moved by its translation, and
// projected with the field of view `fovy` (degrees) for a width x height window (device pixels).
// viewport maps normalised device coordinates to window pixels (origin lower left).
PavCameraMatrices cameraMatrices(const PavTrackball &ball, const QVector3D &centre, float scale,
                                 double fovy, int width, int height);

} // namespace pavo
