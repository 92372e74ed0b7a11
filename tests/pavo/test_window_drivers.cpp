// The windows opened from the command line: the argument rules, the windows themselves (titles,
// placement, chain, common bounding box, bottom bar) driven in this process, and pavo4 run as a
// process under the test's X server for what it prints and how it ends; two linked viewers: a
// rotation, a cut and a pick in one reach the other when their switches are on, nothing crosses
// with them off, a destroyed window leaves the chain.
#include "app_startup.h"
#include "files/viewer_args.h"
#include "gl_fixture.h"
#include "gl_viewer_events.h"
#include "mesh_builders.h"
#include "pavmsh.h"
#include "pavo_process.h"
#include "scene/mesh_viewer.h"
#include "scene/mesh_viewer_input.h"
#include "scene/window_links.h"
#include "test_paths.h"
#include "ui/bottom_bar.h"
#include "ui/main_controller.h"
#include "ui/mesh_viewer_widget.h"
#include "ui/viewer_windows.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace pavo;
using pavo_test::has;
using pavo_test::runPavo;
using namespace pavo_test;

namespace {

// A one-triangle surface mesh whose bounding box is that of its three vertices.
void writeTriangle(const std::string &file, const double xyz[9]) {
  std::ofstream out(file);
  out << "MeshVersionFormatted 2\nDimension 3\nVertices\n3\n";
  for (int i = 0; i < 3; i++)
    out << xyz[3 * i] << " " << xyz[3 * i + 1] << " " << xyz[3 * i + 2] << " 0\n";
  out << "Triangles\n1\n1 2 3 1\nEnd\n";
}

// Three meshes with disjoint boxes; their union is x [-1, 3], y [-1, 4], z [-2, 0.5].
const double kTriangles[3][9] = {
    {0, 0, 0, 1, 0, 0, 0, 1, 0}, {2, -1, 0, 3, -1, 0, 2, 0, 0.5}, {-1, 0, -2, 0, 0, -2, -1, 4, -2}};
const double kUnion[6] = {-1, 3, -1, 4, -2, 0.5};

std::string writeThreeMeshes(const std::string &dir) {
  const char *names[3] = {"a.mesh", "b.mesh", "c.mesh"};
  for (int k = 0; k < 3; k++) writeTriangle(dir + "/" + names[k], kTriangles[k]);
  return dir;
}

std::vector<char *> argvOf(std::vector<std::string> &args) {
  std::vector<char *> argv;
  for (std::string &a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return argv;
}

} // namespace

// Option scanning (last occurrence wins, values by position), the window count (the run of
// non-option arguments after argv[1]) and the view-state file name.
TEST(ViewerArgs, ScanCountAndViewStateName) {
  struct Case {
    std::vector<std::string> args;
    int in, sol, data, first, count;
    const char *viewState;
  };
  const Case cases[] = {
      {{"pavo4", "-in", "a", "b", "-sol", "a.solb", "b.solb"}, 2, 5, 0, 5, 2, "a.data"},
      {{"pavo4", "-in", "-sol", "x.sol"}, 2, 3, 0, 3, 0, "-sol.data"},
      {{"pavo4", "-in", "a.meshb", "-in", "b.meshb"}, 4, 0, 0, 4, 1, "b.data"},
      {{"pavo4", "-in", "dir/wing.meshb", "-data", "view.meshb"}, 2, 0, 4, 2, 1, "view.data"},
      {{"pavo4", "-in", "w.mesh.meshb", "-data"}, 2, 0, 0, 2, 1, "w.data"},
  };
  for (const Case &c : cases) {
    std::vector<std::string> args = c.args;
    std::vector<char *> argv = argvOf(args);
    const int argc = (int)args.size();
    SCOPED_TRACE(args[2]);
    const ViewerArgs a = scanViewerArgs(argc, argv.data());
    EXPECT_EQ(a.in, c.in);
    EXPECT_EQ(a.sol, c.sol);
    EXPECT_EQ(a.data, c.data);
    EXPECT_EQ(a.first, c.first);
    EXPECT_EQ(a.count, c.count);
    EXPECT_EQ(viewerViewStateName(argc, argv.data(), a), c.viewState);
  }
  std::vector<std::string> movie = {"pavo4", "-movie"},
                           data = {"pavo4", "-movie", "-data", "x.meshb"};
  EXPECT_EQ(movieViewStateName(2, argvOf(movie).data()), "pavo.data");
  EXPECT_EQ(movieViewStateName(4, argvOf(data).data()), "x.data");
}

TEST(ViewerArgs, Placement) {
  const int placements[][3] = {{2, 2, 800}, {3, 5, 400}, {1, 1, -1}, {1, 0, -1}};
  for (const auto &p : placements) EXPECT_EQ(windowX(p[0], p[1]), p[2]) << p[0] << " of " << p[1];
}

class ViewerWindows : public ::testing::Test {
protected:
  void SetUp() override {
    if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
    saved = QSurfaceFormat::defaultFormat();
    const QSurfaceFormat base = defaultSurfaceFormat();
    QSurfaceFormat::setDefaultFormat(drawingFormat(base, probeMaxSamples(base)));
  }
  void TearDown() override {
    qDeleteAll(windows);
    if (pavo_test::haveDisplay()) QSurfaceFormat::setDefaultFormat(saved);
  }
  QSurfaceFormat saved;
  QList<PavMeshViewerWidget *> windows;
};

// pavo4 -in a.mesh b.mesh c.mesh: three windows titled after their meshes, spread over 800
// pixels, chained in order, all with the union of the three boxes; the bottom bar of the first
// picks by number and its report reaches the terminal panel.
TEST_F(ViewerWindows, SeveralMeshesOpenChainedWindowsWithACommonBox) {
  const std::string dir = writeThreeMeshes(pavo_test::scratchDir("windows_three"));
  std::vector<std::string> args = {"pavo4", "-in", dir + "/a.mesh", dir + "/b.mesh",
                                   dir + "/c.mesh"};
  windows = openViewerWindows((int)args.size(), argvOf(args).data());
  ASSERT_EQ(windows.size(), 3);
  const char *titles[3] = {"[1] a.mesh", "[2] b.mesh", "[3] c.mesh"};
  for (int k = 0; k < 3; k++) {
    PavMeshViewerWidget *w = windows[k];
    SCOPED_TRACE(titles[k]);
    EXPECT_EQ(w->windowTitle().toStdString(), titles[k]);
    EXPECT_EQ(w->x(), 400 * k);
    EXPECT_EQ(w->previousWindow, k > 0 ? windows[k - 1] : nullptr);
    EXPECT_EQ(w->nextWindow, k < 2 ? windows[k + 1] : nullptr);
    double box[6];
    w->viewer()->boundingBox(box);
    for (int i = 0; i < 6; i++) EXPECT_EQ(box[i], kUnion[i]) << i;
  }
  PavBottom *bar = windows[0]->bottomBar();
  ASSERT_NE(bar, nullptr);
  const int triangle = bar->kindSelector()->findText("Triangle");
  ASSERT_GT(triangle, 0);
  bar->kindSelector()->setCurrentIndex(triangle);
  emit bar->kindSelector()->activated(triangle);
  bar->numberInput()->setText("1");
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  pavo_test::captured([&] { QApplication::sendEvent(bar->numberInput(), &press); });
  // The report's text is PickReport's test; here it must reach this window's terminal panel.
  EXPECT_TRUE(
      has(windows[0]->terminal()->toPlainText().toStdString(), " Triangle                 1 : ["));
}

// pavo4 alone: window 1 of 1 titled "Pavo 4", with the invitation in its terminal panel. A mesh
// loaded into it shows (its faces cover the centre of the view, where the fitted square is) and
// is released by a load that fails, which leaves the view empty.
TEST_F(ViewerWindows, EmptyWindowInvitesToOpenAFileThenShowsWhatIsLoaded) {
  windows.append(openEmptyWindow());
  PavMeshViewerWidget *w = windows.first();
  EXPECT_EQ(w->windowTitle().toStdString(), "Pavo 4");
  EXPECT_TRUE(has(w->terminal()->toPlainText().toStdString(),
                  "Please use File > Open to open a mesh / solution"));
  EXPECT_EQ(w->viewer()->meshObject(), nullptr);

  const std::string dir = pavo_test::scratchDir("windows_empty");
  const double square[9] = {0, 0, 0, 2, 0, 0, 0, 2, 0};
  writeTriangle(dir + "/t.mesh", square);
  PavMeshViewer *v = w->viewer();
  v->view.options.setRenderMode(3); // plain grey faces
  ASSERT_TRUE(waitForView(v));
  auto centreIsBackground = [&] { // the triangle's centroid; while nothing is loaded, the centre
    const QVector3D c = v->meshObject() ? QVector3D(2 / 3.0f, 2 / 3.0f, 0) : v->view.sceneCentre;
    return !pavo_test::drawnAt(*v, c.x(), c.y(), c.z());
  };
  EXPECT_TRUE(centreIsBackground());
  ASSERT_EQ(w->loadMesh((dir + "/t.mesh").c_str(), nullptr), 0);
  EXPECT_FALSE(centreIsBackground());
  EXPECT_NE(w->loadMesh((dir + "/none.mesh").c_str(), nullptr), 0);
  EXPECT_EQ(v->meshObject(), nullptr);
  EXPECT_TRUE(centreIsBackground());
}

// A mesh whose parameter file cuts it, opened with a view-state file that caps the cut: the file
// is set before the scene is built, so each window packs its cut once at start (the clipping of
// the parameter file is never built). With clip propagation on, a cut changed in a panel reaches
// the linked window.
TEST_F(ViewerWindows, ViewStateCutIsBuiltOnceAndPanelCutsReachLinkedWindows) {
  const std::string dir = pavo_test::scratchDir("windows_view_state");
  for (const char *name : {"/a.pavo", "/b.pavo"})
    std::ofstream(dir + name) << "CutPlaneEquation\n1\n1 0 0 -0.25\n";
  for (const char *name : {"/a.mesh", "/b.mesh"})
    std::ofstream(dir + name) << "MeshVersionFormatted 2\nDimension 3\nVertices\n4\n0 0 0 0\n"
                                 "1 0 0 0\n0 1 0 0\n0 0 1 0\nTetrahedra\n1\n1 2 3 4 1\nEnd\n";
  std::ofstream(dir + "/a.data")
      << "CutPlaneEquation\n1 0 0 -0.3\nUseCutPlane\n1\nShowCut\n1\nCapping\n1\n";
  std::vector<std::string> args = {"pavo4", "-in", dir + "/a.mesh", dir + "/b.mesh"};
  pavo_test::captured([&] { windows = openViewerWindows((int)args.size(), argvOf(args).data()); });
  ASSERT_EQ(windows.size(), 2);
  for (PavMeshViewerWidget *w : windows) {
    EXPECT_TRUE(w->viewer()->view.cutActive() && w->viewer()->view.capping);
    EXPECT_FALSE(w->viewer()->cutSets().empty());
    EXPECT_EQ(w->viewer()->cutBuilds(), 1);
  }
  PavPropagation clip;
  clip.clip = true;
  setPropagation(windows[0]->viewer(), clip);
  windows[0]->controller()->opencutplane();
  auto *d = windows[0]->findChild<QDoubleSpinBox *>("cutD");
  ASSERT_NE(d, nullptr);
  pavo_test::captured([&] { d->setValue(-0.5); });
  EXPECT_EQ(windows[1]->viewer()->view.cutPlane[3], -0.5);
  EXPECT_EQ(windows[1]->viewer()->cutBuilds(), 2);
}

// The process: the common box is printed; a broken, empty or vertex-only mesh is reported and
// the window still opens.
TEST(ViewerProcess, PrintsTheCommonBoxAndSurvivesBadMeshes) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
  const std::string dir = writeThreeMeshes(pavo_test::scratchDir("windows_process"));
  const std::string shot = "PAVO4_VIEWER_SCREENSHOT=" + dir + "/shot.png";
  pavo_test::ProcessResult r = runPavo(dir, {"-in", "a.mesh", "b.mesh", "c.mesh"}, {shot});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(has(r.out, " \n  Set new bounding box:\n  x:[-1 3] y:[-1 4] z:[-2 0.5]\n")) << r.out;
  EXPECT_TRUE(has(r.out, "  Total time to initialize all and render ")) << r.out;

  std::ofstream(dir + "/broken.mesh") << "MeshVersionFormatted 2\nDimension 3\nVertices\n9\n1 2\n";
  std::ofstream(dir + "/empty.mesh") << "MeshVersionFormatted 2\nDimension 3\nEnd\n";
  std::ofstream(dir + "/points.mesh")
      << "MeshVersionFormatted 2\nDimension 3\nVertices\n2\n0 0 0 1\n1 1 1 1\nEnd\n";
  struct Case {
    const char *mesh, *expected;
  };
  const Case cases[] = {{"broken.mesh", " pav_OpenMesh failed error   2 : "},
                        {"empty.mesh", " displayMesh : Mesh with no vertices\n"},
                        {"points.mesh", "  %% points.mesh OPENED\n"}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.mesh);
    r = runPavo(dir, {"-in", c.mesh}, {shot});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(has(r.out, c.expected)) << r.out;
    EXPECT_TRUE(has(r.out, "  Total time to render ")) << r.out;
    EXPECT_TRUE(has(r.out, "  Screen shot done in file : ")) << r.out;
  }
  // The view gets the size its view-state file asks for, whatever the screen and the panels'
  // size hints (the picture is the view: its PNG header holds the size, big-endian).
  for (const auto &[w, h] : {std::pair{700, 500}, std::pair{1024, 768}}) {
    std::ofstream(dir + "/a.data") << "WindowSize\n" << w << " " << h << "\n";
    r = runPavo(dir, {"-in", "a.mesh"}, {shot});
    std::ifstream png(dir + "/shot.png", std::ios::binary);
    unsigned char head[24] = {};
    png.read(reinterpret_cast<char *>(head), 24);
    const auto be = [&](int at) {
      return head[at] << 24 | head[at + 1] << 16 | head[at + 2] << 8 | head[at + 3];
    };
    EXPECT_EQ(be(16), w);
    EXPECT_EQ(be(20), h);
  }
  std::filesystem::remove(dir + "/a.data");
  // A FIFO as the mesh's parameter file and /dev/zero as its view state are refused at once; a
  // screenshot that cannot be written says why, claims nothing and fails the run.
  ASSERT_EQ(mkfifo((dir + "/a.pavo").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", dir + "/a.data");
  r = runPavo(dir, {"-in", "a.mesh"}, {"PAVO4_VIEWER_SCREENSHOT=" + dir + "/none/shot.png"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(has(r.out, "a.pavo: not a regular file") && has(r.out, "a.data: not a regular file"))
      << r.out;
  EXPECT_TRUE(has(r.err, "could not write png screenshot file ")) << r.err;
  EXPECT_FALSE(has(r.out, "Screen shot done")) << r.out;
}

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
