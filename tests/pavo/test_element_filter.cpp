// Filters hide the elements outside their range: eight triangles (quads of widths 1, 2, 3, 4
// along x) with f = x, probed at the triangle centres; "clear" shows them all again; the cut of
// a volume loses the elements filtered out.
#include "ui/main_actions.h"
#include "ui/main_controller.h"
#include "ui/mesh_viewer_widget.h"

#include "gl_fixture.h"
#include "gl_viewer_events.h"
#include "mesh_builders.h"
#include "pavmsh.h"
#include "scene/element_filter.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSurfaceFormat>
#include <gtest/gtest.h>

using namespace pavo;

namespace {

const double kX[5] = {0, 1, 3, 6, 10}; // quad q spans [kX[q], kX[q + 1]] x [0, 1]

// The mesh with the vertex field f = x.
PavObject *withX(PavObject *obj) {
  pavo_test::pushVertexField(obj, [](double x, double, double) { return x; });
  return obj;
}

PavObject *strip() {
  std::vector<double> xyz;
  std::vector<int> tri;
  for (int i = 0; i < 5; i++) xyz.insert(xyz.end(), {kX[i], 0, 0, kX[i], 1, 0});
  for (int a = 1; a < 9; a += 2) tri.insert(tri.end(), {a, a + 2, a + 3, a, a + 3, a + 1});
  return withX(pavo_test::buildMesh(3, xyz, Triangles, tri));
}

TEST(ElementFilter, RangeHidesTheElementsOutsideIt) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  QSurfaceFormat format = QSurfaceFormat::defaultFormat();
  format.setDepthBufferSize(24);
  PavMeshViewerWidget w(format, 1, 1);
  PavMeshViewer *v = w.viewer();
  EXPECT_FALSE(w.windowIcon().isNull()); // the built-in application icon
  v->waitForInit();
  v->adoptMesh(strip());
  pavo_test::captured([&] { v->displayObject(); });
  pavo_test::plainFaces(v->view.options);
  v->view.whiteBackground = true;

  // [1, 6] keeps quads 1 and 2; straight triangles' Jacobians are all 1: [1.5, 2] hides all.
  struct Case {
    const char *slot;
    double lo, hi, min, max; // range applied, extrema computed
    bool kept[4];
    const char *count;
  };
  for (const Case &c :
       {Case{"openmenuFilSol", 1, 6, 0, 10, {false, true, true, false}, "4 of 8"},
        Case{"openmenujac", 1.5, 2, 1, 1, {false, false, false, false}, "0 of 8"}}) {
    SCOPED_TRACE(c.slot);
    w.controller()->actions().action(c.slot)->trigger();
    QWidget *panel = w.controller()->panel(c.slot);
    ASSERT_NE(panel, nullptr);
    panel->findChild<QPushButton *>("compute")->click();
    auto *low = panel->findChild<QDoubleSpinBox *>("low");
    auto *high = panel->findChild<QDoubleSpinBox *>("high");
    EXPECT_NEAR(low->value(), c.min, 1e-6);
    EXPECT_NEAR(high->value(), c.max, 1e-6);
    low->setValue(c.lo);
    high->setValue(c.hi);
    for (bool apply : {true, false}) {
      panel->findChild<QPushButton *>(apply ? "apply" : "clear")->click();
      EXPECT_EQ(panel->findChild<QLabel *>("count")->text(),
                QString(apply ? c.count : "8 of 8") + " elements");
      for (int q = 0; q < 4; q++) {
        const double x0 = kX[q], x1 = kX[q + 1]; // centres of the quad's two triangles
        EXPECT_EQ(pavo_test::drawnAt(*v, (x0 + 2 * x1) / 3, 1.0 / 3, 0), !apply || c.kept[q]) << q;
        EXPECT_EQ(pavo_test::drawnAt(*v, (2 * x0 + x1) / 3, 2.0 / 3, 0), !apply || c.kept[q]) << q;
      }
    }
  }
  // The cut too: a cube of tetrahedra with f = x capped at z = c, seen from above; [0, 0.5]
  // keeps the section over x < 1/3 and nothing at x > 2/3 (nor below), also after the plane moved.
  v->view.hasCutPlane = v->view.capping = v->view.options.CutOn = true;
  v->view.cutPlane[0] = 0, v->view.cutPlane[2] = 1;
  v->adoptMesh(withX(pavo_test::buildCube(pavo_test::CubeSplit::Tetrahedra, 3, 1)));
  v->view.trackball.rotation = QQuaternion(); // looking down the z axis
  const double range[2] = {0, 0.5};
  pavo_test::captured([&] {
    v->displayObject();
    applyElementFilter(*v, solutionValues(*v), range);
  });
  for (double c : {0.5, 0.6}) {
    v->view.cutPlane[3] = -c;
    pavo_test::captured([&] { v->updateCut(); });
    EXPECT_TRUE(pavo_test::drawnAt(*v, 0.15, 0.5, c)) << c;
    EXPECT_FALSE(pavo_test::drawnAt(*v, 0.85, 0.5, c)) << c;
  }
}

} // namespace
