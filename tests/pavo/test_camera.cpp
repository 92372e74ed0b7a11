// Camera arithmetic: wheel zoom, trackball drags and the frame matrices.
#include "scene/camera.h"

#include <QtMath>
#include <cmath>
#include <gtest/gtest.h>

using namespace pavo;

TEST(Camera, WheelZoomsByTenPercentWithinBounds) {
  double fovy = 45;
  for (int i = 0; i < 10; i++) fovy = fovyAfterWheel(fovy, 120);
  EXPECT_NEAR(fovy, 116.7, 0.05);
  for (int i = 0; i < 20; i++) fovy = fovyAfterWheel(fovy, 120);
  EXPECT_DOUBLE_EQ(fovy, 179);
  for (int i = 0; i < 400; i++) fovy = fovyAfterWheel(fovy, -120);
  EXPECT_DOUBLE_EQ(fovy, 1e-9);
  EXPECT_DOUBLE_EQ(fovyAfterWheel(10, 0), 9); // no vertical motion counts as "below 1"
}

// Where a scene point lands in the window, in pixels from the lower left.
static QPointF windowPoint(const PavCameraMatrices &m, const QVector3D &p) {
  QVector4D c = m.mvp * QVector4D(p, 1);
  QVector4D w = m.viewport * QVector4D(c.x() / c.w(), c.y() / c.w(), c.z() / c.w(), 1);
  return QPointF(w.x(), w.y());
}

TEST(Camera, SceneCentreAtWindowCentreAndSceneInsideTheWindow) {
  PavTrackball ball;
  QVector3D centre(10, 20, 30);
  PavCameraMatrices m = cameraMatrices(ball, centre, 0.5f, 45, 800, 600);
  QPointF c = windowPoint(m, centre);
  EXPECT_NEAR(c.x(), 400, 1e-3);
  EXPECT_NEAR(c.y(), 300, 1e-3);
  // The sphere of radius 2 about the centre (scaled to 1) fits in the window height.
  QPointF top = windowPoint(m, centre + QVector3D(0, 2, 0));
  EXPECT_GT(top.y(), 450);
  EXPECT_LT(top.y(), 600);
  QPointF right = windowPoint(m, centre + QVector3D(2, 0, 0));
  EXPECT_NEAR(right.x() - 400, top.y() - 300, 1e-2); // square pixels whatever the aspect
}

TEST(Camera, DragRightTurnsTheFrontToTheRight) {
  PavTrackball ball;
  ball.push(QPointF(400, 300), 800, 600, 0);
  EXPECT_FALSE(ball.move(QPointF(400, 300), 800, 600, 5, PavTrackball::Rotation));
  ASSERT_TRUE(ball.move(QPointF(500, 300), 800, 600, 10, PavTrackball::Rotation));
  EXPECT_NEAR(ball.axis.y(), 1, 1e-5); // about the vertical axis
  EXPECT_GT(ball.angularVelocity, 0);
  // A point in front of the centre moves to +x, and lengths are kept.
  QVector3D front = ball.rotation.rotatedVector(QVector3D(0, 0, 1));
  EXPECT_GT(front.x(), 0.1f);
  EXPECT_NEAR(front.length(), 1, 1e-5);
  // The drag angle is the angle between the two sphere points.
  QVector3D a = PavTrackball::spherePoint(QPointF(400, 300), 800, 600);
  QVector3D b = PavTrackball::spherePoint(QPointF(500, 300), 800, 600);
  float angle = qRadiansToDegrees(std::acos(QVector3D::dotProduct(a, b)));
  QVector3D axis;
  float got;
  ball.rotation.getAxisAndAngle(&axis, &got);
  EXPECT_NEAR(got, angle, 1e-3);
  ball.release();
  EXPECT_FALSE(ball.move(QPointF(600, 300), 800, 600, 20, PavTrackball::Rotation));
}

TEST(Camera, MiddleDragTranslatesByTheSceneRadiusPerHalfWindow) {
  PavTrackball ball;
  ball.push(QPointF(100, 100), 800, 600, 0);
  ASSERT_TRUE(ball.move(QPointF(400, 100), 800, 600, 10, PavTrackball::Translation));
  EXPECT_NEAR(ball.translation.x(), 1, 1e-6);
  EXPECT_NEAR(ball.translation.y(), 0, 1e-6);
  EXPECT_TRUE(ball.rotation.isIdentity());
  ball.move(QPointF(400, 400), 800, 600, 20, PavTrackball::Translation);
  EXPECT_NEAR(ball.translation.y(), -1, 1e-6); // window y down is scene y down
}
