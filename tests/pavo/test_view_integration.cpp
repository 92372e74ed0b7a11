// The view files connected to the windows: a parameter file beside the mesh cuts the picture
// and sets the box and palette when the scene is built; a view state written from one window
// (Data menu) restores the same display and the same frame in another one, through the Data menu
// and at start-up of a window opened on the mesh.
#include "ui/mesh_viewer_widget.h"

#include "gl_viewer_events.h"
#include "main_window_fixture.h"
#include "mesh_builders.h"
#include "pav_object.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace pavo;

namespace {

struct Window : pavo_test::MainWindow {
  explicit Window(std::string dir = pavo_test::scratchDir("view_integration"))
      : MainWindow(std::move(dir)) {}
};

void plainFaces(PavViewState &v) {
  pavo_test::plainFaces(v.options);
  v.options.IsoOn = 0; // colours are the palette's
}

} // namespace

// A clipping plane x = 1/2 removes the side x > 1/2 (background there); a capping plane z = 1/2
// shows the section, coloured by f = x on the palette the file gives. The file's box is the
// scene's.
TEST(ViewIntegration, ParameterFileCutsThePictureAndSetsBoxAndPalette) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  Window w;
  const std::string mesh = pavo_test::writeFieldCube(w.dir, 1);
  // checksurf adds the missing boundary faces to the mesh (6 sides x 9 squares x 2 triangles);
  // scrolling decides whether the wheel zooms.
  struct Case {
    const char *text;
    bool capping;
    int triangles;
    bool scrolling;
  } cases[] = {{"CutPlaneEquation 1  1 0 0 -0.5\nchecksurf 1 scrolling 0\n", false, 108, false},
               {"capplaneequation 1 0 0 1 -0.5\nPalette 0 0.5 1 1.5 2\n"
                "BoundingBox -0.5 1.5 -0.5 1.5 -0.5 1.5\nScrolling 1\n",
                true, 0, true}};
  for (const Case &c : cases) {
    std::ofstream(w.dir + "/box.pavo") << c.text;
    plainFaces(w.viewer->view);
    const std::string out = pavo_test::captured(
        [&] { ASSERT_EQ(w.viewer->displayMesh(mesh.c_str(), (w.dir + "/box.solb").c_str()), 0); });
    EXPECT_NE(out.find("box.pavo OPENED"), std::string::npos) << out;
    PavMeshViewer *v = w.viewer;
    ASSERT_TRUE(v->view.cutActive());
    EXPECT_EQ(v->view.capping, c.capping);
    EXPECT_EQ(pav_Count(v->meshObject(), Triangles), c.triangles);
    EXPECT_EQ(v->prefs.scrolling, c.scrolling);
    EXPECT_FALSE(v->cutSets().empty());
    // Seen from above (+z), where the top face and the section face the eye: no other face of
    // the box lies in front of the probed points.
    v->view.trackball.rotation = QQuaternion();
    if (!c.capping) {
      for (double y : {0.2, 0.8}) {
        EXPECT_FALSE(pavo_test::drawnAt(*v, 0.92, y, 1.0)) << y;
        EXPECT_TRUE(pavo_test::drawnAt(*v, 0.1, y, 1.0)) << y;
      }
      continue;
    }
    const float pal[5] = {0, 0.5f, 1, 1.5f, 2}; // not the range of f: the file's
    ASSERT_TRUE(v->solutionPalette.paletteFixed);
    double box[6];
    v->boundingBox(box);
    for (int i = 0; i < 6; i++) EXPECT_DOUBLE_EQ(box[i], i % 2 ? 1.5 : -0.5);
    for (double x : {0.15, 0.45, 0.85})
      for (double y : {0.3, 0.7}) {
        const auto got = pavo_test::colourAt(*v, pavo_test::pixelOf(*v, x, y, 0.5)),
                   want = pavo_test::paletteRgb(pal, 0, (float)x);
        for (int k = 0; k < 3; k++) EXPECT_NEAR(got[k], want[k], 8) << x << " " << y;
      }
  }
  std::remove((w.dir + "/box.pavo").c_str());
}

// Camera, switches, palette and a hidden reference written by Write Data file come back through
// Load Data file in a fresh window, and at start-up of a window opened on the mesh (its .data):
// the same view state, window size and frame.
TEST(ViewIntegration, WrittenViewStateRestoresTheDisplayAndTheFrame) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  auto a = std::make_unique<Window>();
  const std::string mesh = pavo_test::writeFieldCube(a->dir, 1), sol = a->dir + "/box.solb";
  std::remove((a->dir + "/box.pavo").c_str());
  testing::internal::CaptureStdout();
  a->viewer->displayMesh(mesh.c_str(), sol.c_str());
  PavViewState &va = a->viewer->view;
  plainFaces(va);
  va.trackball.rotation = QQuaternion::fromAxisAndAngle(QVector3D(1, 1, 0), 35);
  va.trackball.translation = QVector3D(0.1f, -0.05f, 0);
  va.options.LineOn = true;
  va.hiddenReferences = {{DrawSrfTriangle, 2}, {DrawTriangle, 1}}; // no triangle of reference 1
  a->viewer->applyHiddenReferences();
  for (PavDrawObject *o : a->viewer->objectsOfType(DrawSrfTriangle))
    EXPECT_EQ(o->visible, o->id != 2 && o->id != -1) << o->id; // other types keep reference 1
  const float pal[5] = {0.1f, 0.3f, 0.5f, 0.7f, 0.9f};
  a->viewer->solutionPalette.setUserPalette(pal);
  a->viewer->rebuildFields();
  a->ctl->resizeView(300, 260);
  const std::string data = a->dir + "/box.data";
  a->run("writeData", a->dir + "/box"); // ".data" appended
  const std::vector<uint8_t> fa = pavo_test::Frame(*a->viewer).rgba;

  auto expectSame = [&](PavMeshViewer *v, bool sameFrame) {
    EXPECT_EQ(v->width(), 300);
    EXPECT_EQ(v->height(), 260);
    EXPECT_EQ(v->view.hiddenReferences, (std::vector<PavHiddenRef>{{DrawSrfTriangle, 2}}));
    EXPECT_TRUE(v->view.options.LineOn);
    EXPECT_EQ(v->view.options.renderMode(), 3);
    EXPECT_TRUE(v->solutionPalette.paletteFixed);
    EXPECT_TRUE(qFuzzyCompare(v->view.trackball.rotation, va.trackball.rotation));
    if (!sameFrame) return; // the start-up window's format is the application's
    const std::vector<uint8_t> f = pavo_test::Frame(*v).rgba;
    ASSERT_EQ(f.size(), fa.size());
    size_t off = 0;
    for (size_t i = 0; i < f.size(); i++) off += std::abs(f[i] - fa[i]) > 24;
    EXPECT_LT(off, f.size() / 200) << "pixels that differ";
  };
  {
    Window b(a->dir);
    b.viewer->displayMesh(mesh.c_str(), sol.c_str());
    b.run("loadData", data);
    expectSame(b.viewer, true);
  }
  const std::string in = mesh;
  char *argv[] = {(char *)"pavo4", (char *)"-in", (char *)in.c_str()};
  QList<PavMeshViewerWidget *> windows = openViewerWindows(3, argv);
  ASSERT_EQ(windows.size(), 1);
  expectSame(windows.first()->viewer(), false);
  testing::internal::GetCapturedStdout();
  qDeleteAll(windows);
}
