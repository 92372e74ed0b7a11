// Parameter, view-state, movie and sequence files: values, messages, clamping, safe writes; and
// connected to the windows: a parameter file beside the mesh cuts the picture and sets the box and
// palette when the scene is built, a view state written from one window (Data menu) restores the
// same display and frame in another one, through the Data menu and at start-up.
#include "files/movie_seq_files.h"
#include "files/param_file.h"
#include "files/view_state_file.h"
#include "gl_viewer_events.h"
#include "main_window_fixture.h"
#include "mesh_builders.h"
#include "scene/view_state_io.h"
#include "ui/mesh_viewer_widget.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace pavo;

namespace {

class ViewFiles : public ::testing::Test {
protected:
  void SetUp() override {
    old = std::filesystem::current_path();
    dir = pavo_test::scratchDir("view_files");
    std::filesystem::current_path(dir);
  }
  void TearDown() override { std::filesystem::current_path(old); }
  std::filesystem::path old;
  std::string dir;
};

using Lines = std::vector<std::string>;

TEST_F(ViewFiles, ParameterKeywordsValuesAndMessages) {
  const auto read = [](const char *text, PavParameters &p) {
    pavo_test::writeFile("DEFAULT.pavo", text);
    PavFileMessages m;
    EXPECT_TRUE(readParameterFile(nullptr, p, m));
    return Lines(m.lines.begin() + 1, m.lines.end());
  };
  PavParameters a, b, c, d;
  EXPECT_EQ(read("NumberOfSubIsolines 15 numberofjacobiansubisolines -3", a), Lines());
  EXPECT_TRUE(a.numberOfSubIsolines == 9 && a.numberOfJacobianSubIsolines == 0);
  // Point-normal planes come before equations, whatever the order in the file.
  read("cutplaneequation 1 0 1 0 -0.5 CUTPLANE 1 1 2 3 0 0 2 capplaneequation 1 1 1 1 1", b);
  EXPECT_EQ(clippingPlanes(b), (std::vector<PavPlaneEquation>{{0, 0, 2, -6}, {0, 1, 0, -0.5f}}));
  EXPECT_EQ(cappingPlanes(b), (std::vector<PavPlaneEquation>{{1, 1, 1, 1}}));
  EXPECT_EQ(read("refcolor 2 255 0 0", c),
            Lines({"  ## ERROR: PAVO: refcolor: MISSING INTEGER VALUE \n",
                   "  ## ERROR: PAVO: refcolor: 1 of 2 colours given, the others stay grey\n",
                   "  2 colors (references) defined\n"}));
  EXPECT_EQ(c.refColor, (std::vector<std::array<int32_t, 3>>{{255, 0, 0}, {214, 214, 214}}));
  // A bad palette value abandons the keyword only; errors in counts stop the reading.
  EXPECT_EQ(read("palette 0 1 2 3 x scrolling 1 isolines abc displayfield 3", d),
            Lines({"  ## ERROR: PAVO: palette: ERROR WHILE READING DOUBLE VALUE(x)\n",
                   "  ## ERROR: PAVO: isolines: ERROR WHILE READING INTEGER VALUE(abc)\n"}));
  EXPECT_TRUE(!d.palette && d.scrolling == 1 && !d.isolines && !d.displayField);
  // A valid integer too large for a count is named as such.
  EXPECT_EQ(read("isolines 100000000", d),
            Lines({"  ## ERROR: PAVO: isolines: count 100000000 out of range (0 to 1000000): "
                   "taken as 0\n"}));
}

// The mesh's own parameter file comes before DEFAULT.pavo; with neither, a warning.
// A FIFO, an endless device, a folder or a dangling link in place of any file the viewer reads
// is refused at once, with the reason, and never waited on.
TEST_F(ViewFiles, SpecialFilesAreRefusedAtOnce) {
  const auto make = [](const std::string &name, int kind) {
    std::filesystem::remove_all(name);
    if (kind == 0) {
      EXPECT_EQ(mkfifo(name.c_str(), 0600), 0);
    }
    if (kind == 1) std::filesystem::create_symlink("/dev/zero", name);
    if (kind == 2) std::filesystem::create_directory(name);
    if (kind == 3) std::filesystem::create_symlink("no-such-target", name);
  };
  for (int kind = 0; kind < 4; kind++) {
    SCOPED_TRACE(kind);
    for (const char *f : {"DEFAULT.pavo", "s.data", "pavo.movie", "pavo.seq"}) make(f, kind);
    PavParameters p;
    PavViewStateData d;
    std::vector<PavMovieLine> movie;
    std::vector<PavSequenceLine> seq;
    PavFileMessages m;
    EXPECT_FALSE(readParameterFile(nullptr, p, m));
    EXPECT_FALSE(readViewStateFile("s.data", d, m));
    EXPECT_FALSE(readMovieFile(nullptr, movie, m));
    EXPECT_FALSE(readSequenceFile(nullptr, seq, m));
    std::string all;
    for (const std::string &l : m.lines) all += l;
    // A dangling link is a missing file: each reader says so in its own words.
    for (const char *f : {"DEFAULT.pavo", "s.data", "pavo.movie", "pavo.seq"})
      if (kind != 3) {
        EXPECT_NE(all.find(std::string(f) + ": not a regular file"), std::string::npos) << all;
      }
  }
}

TEST_F(ViewFiles, ParameterFileLookupOrder) {
  for (const char *f : {"wing.pavo", "DEFAULT.pavo"}) pavo_test::writeFile(f, "scrolling 1");
  PavParameters p;
  PavFileMessages m;
  EXPECT_TRUE(readParameterFile("wing.meshb", p, m));
  EXPECT_EQ(p.fileName, "wing.pavo");
  for (const char *f : {"wing.pavo", "DEFAULT.pavo"}) std::filesystem::remove(f);
  PavParameters none;
  PavFileMessages warned;
  EXPECT_FALSE(readParameterFile("wing.meshb", none, warned));
  EXPECT_EQ(none.fileName, "");
  EXPECT_EQ(warned.lines[0], "  %% WARNING: NO PARAMETER FILE FOUND.");
}

PavViewStateData fullState() {
  PavViewStateData d;
  d.windowSize = {{800, 600}}, d.center = {{0.1, -1e-7, 3.3}};
  d.rotation = {{0.5f, -0.5f, 0.5f, 0.5f}}, d.translation = {{0.25f, 0, -1.5f}}, d.fovy = 33.3;
  d.cutPlaneEquation = {{1, 0, 0, -0.125f}};
  d.useCutPlane = d.showCut = d.capping = d.lineOn = d.tessOn = d.edgeOn = 1;
  d.tessLevel = 125, d.solOn = 2, d.isoOn = 1, d.palOn = 1, d.usePalette = 1;
  d.palette = {{-1, 0, 0, 2.5f, 4}}, d.curSol = 2, d.ithSol = 3, d.isoSiz = 1.5f, d.colormap = 11;
  d.textOn = 0, d.lineSurfOn = 1, d.hideSurfOn = 0, d.cutoffBelowOn = 1, d.cutoffAboveOn = 0;
  d.cutoffBelowVal = -0.75f, d.cutoffAboveVal = 2;
  d.transOn = 1, d.shaMod = 3, d.renMod = 2, d.wireSiz = 0.1f, d.useBoundingBox = 1;
  d.boundingBox = {{-1, 1, -2, 2, 0, 0.5f}};
  d.hiddenRefs = std::vector<PavHiddenRef>{{6, 4}, {7, -2}, {75, 1000000}};
  return d;
}

TEST_F(ViewFiles, ViewStateRoundTripsAndAFailedWriteSaysSo) {
  PavViewStateData d = fullState(), back;
  PavFileMessages m;
  ASSERT_EQ(writeViewStateFile(d, "view.data", m), "view.data");
  ASSERT_TRUE(readViewStateFile("view.data", back, m));
  EXPECT_TRUE(back == d);
  PavFileMessages named;
  EXPECT_EQ(writeViewStateFile(d, "view.txt", named), "pavo.data");
  EXPECT_EQ(named.lines[0], "  %% Warning The name should have '.data' as extension ! \n");

  // A failed write says so by an empty name (keeping the earlier file is SafeWrite's test).
  EXPECT_EQ(writeViewStateFile(d, "none/keep.data", m), "");
}

TEST_F(ViewFiles, ViewStateWarnsAndClampsAbsurdValues) {
  pavo_test::writeFile(
      "s.data", "WindowSize 0 1000000 Rotation 0 0 0 0 NumberOfHiddenRefObjects 3 Bogus 1 edge 2 "
                "Triangle");
  PavViewStateData d;
  PavFileMessages m;
  ASSERT_TRUE(readViewStateFile("s.data", d, m));
  EXPECT_EQ(m.lines[1], "% Warning 0 is an invalid value for keyword windowsize, should be "
                        "between 16 and 16384\n");
  EXPECT_EQ(m.lines.back(), "  ## ERROR: PAVO: numberofhiddenrefobjects: MISSING INTEGER VALUE \n");
  EXPECT_EQ(d.windowSize, std::nullopt); // a refused size is ignored, not clamped
  EXPECT_EQ(d.hiddenRefs, (std::vector<PavHiddenRef>{{2, 2}}));
}

template <class T> bool within(const std::optional<T> &v, double lo, double hi) {
  return !v || (*v >= lo && *v <= hi);
}

// Every keyword followed by every kind of garbage: whatever is stored lies in its range.
TEST_F(ViewFiles, ViewStateGarbageSweepKeepsValuesInRange) {
  const char *keys[] = {"windowsize", "center", "fovy",   "tesslevel", "solon",
                        "isoon",      "ithsol", "renmod", "wiresiz",   "palette"};
  const char *junk[] = {"", "nan", "1e999", "-2147483649", "3.5", "5 4 3 2 1 0"};
  for (const char *k : keys)
    for (const char *j : junk) {
      pavo_test::writeFile("g.data", std::string(k) + " " + j);
      PavViewStateData d;
      PavFileMessages m;
      SCOPED_TRACE(std::string(k) + " " + j);
      ASSERT_TRUE(readViewStateFile("g.data", d, m));
      EXPECT_TRUE(!d.windowSize || ((*d.windowSize)[0] >= 16 && (*d.windowSize)[1] <= 16384));
      EXPECT_TRUE(within(d.fovy, 1e-9, 179) && within(d.tessLevel, 1, 125) &&
                  within(d.ithSol, 0, PAV_MAX_FILE_COUNT));
      EXPECT_TRUE(within(d.solOn, 0, 2) && within(d.isoOn, 0, 2) && within(d.renMod, 0, 3) &&
                  within(d.wireSiz, 0, 64));
      EXPECT_TRUE(!d.palette || std::is_sorted(d.palette->begin(), d.palette->end()));
    }
}

TEST_F(ViewFiles, MovieAndSequenceLines) {
  const std::string longName(600, 'a');
  pavo_test::writeFile("pavo.movie", "a.meshb\n\n  b.meshb b.solb  \nc.mesh c.sol c.png extra\n");
  pavo_test::writeFile("pavo.seq", "v1.data\n \nv2.data img2.jpg\n" + longName + "\n");
  std::vector<PavMovieLine> movie;
  std::vector<PavSequenceLine> seq;
  PavFileMessages m;
  ASSERT_TRUE(readMovieFile(nullptr, movie, m));
  EXPECT_EQ(movie, (std::vector<PavMovieLine>{{"a.meshb", "", "a.meshb"},
                                              {"b.meshb", "b.solb", "b.solb"},
                                              {"c.mesh", "c.sol", "c.png"}}));
  ASSERT_TRUE(readSequenceFile("pavo.seq", seq, m));
  // A line longer than 511 characters goes on as the next line.
  const std::string head(511, 'a'), tail(89, 'a');
  EXPECT_EQ(seq, (std::vector<PavSequenceLine>{
                     {"v1.data", "v1.data"}, {"v2.data", "img2.jpg"}, {head, head}, {tail, tail}}));
}

TEST_F(ViewFiles, ViewThroughTheFileComesBackTheSame) {
  PavViewState v;
  v.trackball.rotation = QQuaternion(0.5f, -0.5f, 0.5f, 0.5f);
  v.fovy = 12.5, v.hasCutPlane = true, v.capping = true, v.cutPlane[1] = 1, v.cutPlane[3] = -0.5;
  v.colormap = 6, v.fieldMode = 2, v.elementSolution = 3, v.options.tessLevel = 17;
  v.options.TransOn = true, v.options.CutoffBelowOn = true, v.options.CutoffBelowVal = -0.5f;
  v.options.setRenderMode(3);
  PavViewStateData window;
  window.hiddenRefs = std::vector<PavHiddenRef>{{6, 4}, {10, 4}, {6, 2}};
  PavFileMessages m;
  ASSERT_EQ(writeViewStateFile(viewStateData(v, window), "v.data", m), "v.data");
  PavViewStateData d;
  ASSERT_TRUE(readViewStateFile("v.data", d, m));
  PavViewState back;
  applyViewStateData(d, back);
  EXPECT_TRUE(back.trackball.rotation == v.trackball.rotation &&
              std::equal(v.cutPlane, v.cutPlane + 4, back.cutPlane));
  EXPECT_EQ(back.hiddenReferences, *window.hiddenRefs); // each with its draw type
  const PavRenderOption &b = back.options;
  EXPECT_EQ(std::make_tuple(back.fovy, back.capping, back.colormap, back.fieldMode,
                            back.elementSolution, b.TransOn, b.CutoffBelowVal, (int)b.tessLevel,
                            b.renderMode()),
            std::make_tuple(12.5, true, 6, 2, 3, true, -0.5f, 17, 3));
}

TEST_F(ViewFiles, ParametersReachTheView) {
  pavo_test::writeFile("DEFAULT.pavo",
                       "capplane 1 0 0 2 0 0 -1 colormap jet displayfield 3 palette 0 1 1 2 3 "
                       "numberofsubisolines 4 jacobianisolines 12 1 2 3 4 5 6 7 8 9 10 11 12");
  PavParameters p;
  PavFileMessages m;
  ASSERT_TRUE(readParameterFile(nullptr, p, m));
  PavViewState v;
  applyParameters(p, v);
  const double plane[4] = {0, 0, -1, 2};
  EXPECT_TRUE(v.cutActive() && v.capping && std::equal(plane, plane + 4, v.cutPlane));
  EXPECT_EQ(std::make_tuple(v.colormap, v.vertexSolution, v.elementSolution),
            std::make_tuple(7, 3, 3));
  PavPalette sol, jac;
  applyParameterPalettes(p, sol, jac);
  EXPECT_EQ(std::make_tuple(sol.palette[3], sol.nbrIso, jac.nbrUsrIso, jac.usrIso[8]),
            std::make_tuple(2.0f, 4, 9, 9.0f));
}

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
    ASSERT_TRUE(v->meshScene.solutionPalette.paletteFixed);
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
  a->viewer->meshScene.solutionPalette.setUserPalette(pal);
  a->viewer->rebuildFields();
  // The windows keep the fixture's size: a frame read back at once after a resize would depend
  // on when the window system answers it (the size asked for is checked below).
  const int width = a->viewer->width(), height = a->viewer->height();
  const std::string data = a->dir + "/box.data";
  a->run("writeData", a->dir + "/box"); // ".data" appended
  const std::vector<uint8_t> fa = pavo_test::Frame(*a->viewer).rgba;

  auto expectSame = [&](PavMeshViewer *v, bool sameFrame) {
    EXPECT_EQ(v->width(), width);
    EXPECT_EQ(v->height(), height);
    EXPECT_EQ(v->view.hiddenReferences, (std::vector<PavHiddenRef>{{DrawSrfTriangle, 2}}));
    EXPECT_TRUE(v->view.options.LineOn);
    EXPECT_EQ(v->view.options.renderMode(), 3);
    EXPECT_TRUE(v->meshScene.solutionPalette.paletteFixed);
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
