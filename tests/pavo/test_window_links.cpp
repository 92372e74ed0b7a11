// Two linked viewers on real windows: a rotation, a cut and a pick in one reach the other when
// their switches are on, nothing crosses with the switches off; the common bounding box; a
// destroyed window leaves the chain.
#include "gl_viewer_events.h"
#include "mesh_builders.h"
#include "pavmsh.h"
#include "scene/mesh_viewer_input.h"
#include "scene/window_links.h"

#include <gtest/gtest.h>

using namespace pavo;
using namespace pavo_test;

namespace {

// Unit square of two triangles (references 1, 2).
PavObject *square(double shift = 0) {
  return meshOf({shift, 0, 0, 1 + shift, 0, 0, shift, 1, 0, 1 + shift, 1, 0}, Triangles,
                {1, 2, 3, 2, 4, 3}, {1, 2});
}

class WindowLinks : public ::testing::Test {
protected:
  void SetUp() override {
    a = shownViewer();
    b = shownViewer();
    if (!a || !b) GTEST_SKIP() << "no display";
    chainWindows({a.get(), b.get()});
  }
  void all(bool on) {
    PavPropagation p;
    p.keys = p.solution = p.views = p.clip = p.picking = p.centre = p.boundingBox = on;
    setPropagation(a.get(), p);
  }
  std::unique_ptr<PavMeshViewer> a, b;
};

} // namespace

TEST_F(WindowLinks, RotationCutAndPickReachTheOtherWindow) {
  showMesh(*a, buildCube(CubeSplit::Tetrahedra, 3, 1));
  showMesh(*b, buildCube(CubeSplit::Tetrahedra, 3, 1));
  EXPECT_EQ(linkedWindows(a.get()), std::vector<PavMeshViewer *>{b.get()});

  all(false);
  drag(*a, QPoint(100, 120), QPoint(140, 120));
  EXPECT_NE(a->view.trackball.rotation, b->view.trackball.rotation);

  all(true);
  drag(*a, QPoint(100, 120), QPoint(140, 100));
  EXPECT_EQ(a->view.trackball.rotation, b->view.trackball.rotation);
  // A cut: the same plane, and the other's picture is cut too.
  for (PavMeshViewer *v : {a.get(), b.get()}) v->view.trackball.rotation = QQuaternion();
  ASSERT_TRUE(drawnAt(*b, 0.75, 0.5, 1));
  captured([&] { key(*a, Qt::Key_F1); });
  EXPECT_TRUE(b->view.cutActive());
  for (int i = 0; i < 4; i++) EXPECT_DOUBLE_EQ(b->view.cutPlane[i], a->view.cutPlane[i]);
  EXPECT_FALSE(drawnAt(*b, 0.75, 0.5, 1));
  captured([&] { key(*a, Qt::Key_F1); });
  EXPECT_FALSE(b->view.cutActive());

  // A pick: the same face of the boundary is picked and reported in the other window.
  captured([&] { click(*a, pixelOf(*a, 0.3, 0.6, 1), Qt::ShiftModifier); });
  PavViewerInput *ia = PavViewerInput::of(a.get()), *ib = PavViewerInput::of(b.get());
  ASSERT_NE(ia->pickState().lastPicked(), nullptr);
  ASSERT_NE(ib->pickState().lastPicked(), nullptr);
  EXPECT_EQ(ib->lastReport(), ia->lastReport());
}

TEST_F(WindowLinks, CommonBoundingBoxAndAWindowLeavingTheChain) {
  showMesh(*a, square());
  showMesh(*b, square(2));
  const std::string out = captured([&] { EXPECT_TRUE(propagateBoundingBox(b.get())); });
  EXPECT_EQ(out, " \n  Set new bounding box:\n  x:[0 3] y:[0 1] z:[0 0]\n");
  double box[6];
  a->boundingBox(box);
  EXPECT_EQ(box[1], 3);
  all(true);
  b.reset();
  EXPECT_TRUE(linkedWindows(a.get()).empty());
  drag(*a, QPoint(100, 120), QPoint(140, 100)); // nobody left to follow
  EXPECT_FALSE(propagateBoundingBox(a.get()));
}
