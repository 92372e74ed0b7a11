#include "render/camera.h"

#include <QtMath>
#include <algorithm>
#include <cmath>

namespace pavo {

double fovyAfterWheel(double fovy, int deltaY) {
  if (deltaY < 1) return std::max(fovy * 0.9, 1e-9);
  return std::min(fovy * 1.1, 179.0);
}

QVector3D PavTrackball::spherePoint(const QPointF &p, int width, int height) {
  // Normalised coordinates in [-1, 1] on the shorter side, y up.
  double s = std::max(1, std::min(width, height)) * 0.5;
  double x = (p.x() - width * 0.5) / s, y = (height * 0.5 - p.y()) / s;
  double d2 = x * x + y * y;
  // Inside radius 1/sqrt(2) the sphere, outside the hyperbola z = 1 / (2 r): the two meet
  // smoothly, so drags far from the centre still turn the scene.
  double z = d2 <= 0.5 ? std::sqrt(1 - d2) : 0.5 / std::sqrt(d2);
  return QVector3D((float)x, (float)y, (float)z).normalized();
}

void PavTrackball::push(const QPointF &p, int, int, long timeMs) {
  pressed = true;
  last = p;
  lastTime = timeMs;
  angularVelocity = 0;
}

bool PavTrackball::move(const QPointF &p, int width, int height, long timeMs, Mode mode) {
  if (!pressed) return false;
  if (p == last) return false;
  if (mode == Translation) {
    double s = std::max(1, std::min(width, height)) * 0.5;
    // One half window of motion moves the scene by its radius.
    translation += QVector3D((float)((p.x() - last.x()) / s), (float)((last.y() - p.y()) / s), 0);
  } else {
    QVector3D a = spherePoint(last, width, height), b = spherePoint(p, width, height);
    QVector3D n = QVector3D::crossProduct(a, b);
    float len = n.length();
    if (len < 1e-7f) {
      last = p;
      return false;
    }
    axis = n / len;
    float angle = qRadiansToDegrees(std::atan2(len, QVector3D::dotProduct(a, b)));
    long dt = std::max(1L, timeMs - lastTime);
    angularVelocity = angle / (double)dt;
    rotation = (QQuaternion::fromAxisAndAngle(axis, angle) * rotation).normalized();
  }
  last = p;
  lastTime = timeMs;
  return true;
}

PavCameraMatrices cameraMatrices(const PavTrackball &ball, const QVector3D &centre, float scale,
                                 double fovy, int width, int height) {
  PavCameraMatrices m;
  float aspect = (float)std::max(width, 1) / (float)std::max(height, 1);
  m.projection.perspective((float)fovy, aspect, kNearPlane, kFarPlane);
  m.view.translate(ball.translation);
  m.view.translate(0, 0, -kEyeDistance);
  m.view.rotate(ball.rotation);
  m.view.scale(scale);
  m.view.translate(-centre);
  m.modelView = m.view;
  m.mvp = m.projection * m.modelView;
  m.normal = m.modelView.normalMatrix();
  float w = (float)width * 0.5f, h = (float)height * 0.5f;
  m.viewport = QMatrix4x4(w, 0, 0, w, 0, h, 0, h, 0, 0, 1, 0, 0, 0, 0, 1);
  return m;
}

} // namespace pavo
