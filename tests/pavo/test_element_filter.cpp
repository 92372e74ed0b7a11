// Filters of the main window hide the elements outside their range: a strip of eight triangles
// (four quads of widths 1, 2, 3, 4 along x) with the vertex field f = x; each filter's range
// keeps a known set of triangles, checked by pixel probes at the triangle centres and by the
// panel's count, and "clear" shows every triangle again.
// (The normalised Jacobian of straight triangles is 1 everywhere: the Jacobian filter's values
// hide all or nothing here.)
#include "ui/main_actions.h"
#include "ui/main_controller.h"
#include "ui/mesh_viewer_widget.h"

#include "gl_fixture.h"
#include "pavmsh.h"
#include "scene/mesh_viewer.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSurfaceFormat>
#include <gtest/gtest.h>

using namespace pavo;

namespace {

const double kX[5] = {0, 1, 3, 6, 10}; // quad q spans [kX[q], kX[q + 1]] x [0, 1]

PavObject *strip() {
  PavObject *obj = nullptr;
  char status[PAV_STATUS_SIZE];
  pav_NewInterface(&obj);
  obj->dim = 3;
  pav_AllocEntityArrays(obj, Vertices, 10, status);
  for (int i = 0; i < 5; i++)
    for (int j = 0; j < 2; j++) {
      double *c = &obj->crdDbl[3 * (1 + 2 * i + j)];
      c[0] = kX[i], c[1] = j, c[2] = 0;
    }
  pav_AllocEntityArrays(obj, Triangles, 8, status);
  for (int q = 0; q < 4; q++) {
    const int a = 1 + 2 * q, tri[2][3] = {{a, a + 2, a + 3}, {a, a + 3, a + 1}};
    for (int t = 0; t < 2; t++) {
      for (int k = 0; k < 3; k++) obj->ent[Triangles].idx[3 * (2 * q + t + 1) + k] = tri[t][k];
      obj->ent[Triangles].ref[2 * q + t + 1] = 1;
    }
  }
  PavSolution *r = pav_NewSolutionRecord(3, PavSolScalar, 10, 1, 1, status);
  for (int v = 1; v <= 10; v++) r->data[v] = obj->crdDbl[3 * v];
  pav_PushSolution(obj, SolAtVertices, r, status);
  return obj;
}

// Whether the pixel under scene point (x, y, 0) shows a face (not the white background).
bool drawnAt(PavMeshViewer *v, const std::vector<uint8_t> &frame, int w, double x, double y) {
  const PavCameraMatrices m = v->matrices();
  const QVector3D p = (QVector3D((float)x, (float)y, 0) - v->view.sceneCentre) * v->view.sceneScale;
  const QVector4D c = m.mvp * QVector4D(p, 1);
  const QVector4D s = m.viewport * QVector4D(c.x() / c.w(), c.y() / c.w(), 0, 1);
  const size_t i = 4 * ((size_t)s.y() * (size_t)w + (size_t)s.x());
  return !(frame[i] == 255 && frame[i + 1] == 255 && frame[i + 2] == 255);
}

TEST(ElementFilter, RangeHidesTheElementsOutsideIt) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  QSurfaceFormat format = QSurfaceFormat::defaultFormat();
  format.setDepthBufferSize(24);
  PavMeshViewerWidget w(format, 1, 1);
  PavMeshViewer *v = w.viewer();
  // The window carries the built-in application icon (a 32 x 32 picture in the resources).
  EXPECT_EQ(QImage(":/images/pavo4.ico").size(), QSize(32, 32));
  EXPECT_FALSE(w.windowIcon().isNull());
  v->waitForInit();
  v->adoptMesh(strip());
  testing::internal::CaptureStdout();
  v->displayObject();
  testing::internal::GetCapturedStdout();
  PavRenderOption &o = v->view.options;
  o.TextOn = o.PalOn = o.AxisOn = o.LineOn = o.TessOn = false;
  o.setRenderMode(3);
  o.UsePhong = 3;
  v->view.whiteBackground = true;

  // Solution: both ends of a triangle's values in [1, 6] keeps quads 1 and 2. Jacobian: all 1,
  // so [1.5, 2] hides every triangle.
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
      v->renderNowNoSwap();
      int fw = 0, fh = 0;
      const std::vector<uint8_t> frame = v->grabFrame(&fw, &fh);
      ASSERT_EQ(frame.size(), 4u * fw * fh);
      for (int q = 0; q < 4; q++) {
        const double x0 = kX[q], x1 = kX[q + 1];
        // Centres of the two triangles of the quad.
        EXPECT_EQ(drawnAt(v, frame, fw, (x0 + 2 * x1) / 3, 1.0 / 3), !apply || c.kept[q]) << q;
        EXPECT_EQ(drawnAt(v, frame, fw, (2 * x0 + x1) / 3, 2.0 / 3), !apply || c.kept[q]) << q;
      }
    }
  }
}

} // namespace
