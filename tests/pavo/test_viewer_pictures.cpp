// What a user sees and does: a main window on a real context, the picture read back at points
// projected with the view's own matrices and compared with colours the files give (reference
// tables) or the geometry implies (which sides face the eye); keys sent where the platform sends
// them (the focus widget) and what each does read back from the frame, the overlay texts, the
// selectors and the files written.
#include "gl_fixture.h"
#include "gl_viewer_events.h"
#include "ho_reference.h"
#include "main_window_fixture.h"
#include "mesh_builders.h"
#include "pav_io.h"
#include "pav_solution.h"
#include "render/palette.h"
#include "scene/key_bindings.h"
#include "scene/mesh_viewer.h"
#include "test_paths.h"
#include "ui/bottom_bar.h"
#include "ui/mesh_viewer_widget.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <cmath>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>

using namespace pavo;

namespace {

// The unit cube's sides as two triangles each; side s (reference s) has the centre and outward
// normal of row s - 1 of kSide. kField is f = x + y + z at its vertices.
const char *kBox = "MeshVersionFormatted 2\nDimension 3\nVertices\n8\n0 0 0 0\n1 0 0 0\n1 1 0 0\n"
                   "0 1 0 0\n0 0 1 0\n1 0 1 0\n1 1 1 0\n0 1 1 0\nTriangles\n12\n1 3 2 1\n1 4 3 1\n"
                   "5 6 7 2\n5 7 8 2\n1 2 6 3\n1 6 5 3\n2 3 7 4\n2 7 6 4\n3 4 8 5\n3 8 7 5\n"
                   "4 1 5 6\n4 5 8 6\n";
const float kSide[6][6] = {{.5f, .5f, 0, 0, 0, -1}, {.5f, .5f, 1, 0, 0, 1},
                           {.5f, 0, .5f, 0, -1, 0}, {1, .5f, .5f, 1, 0, 0},
                           {.5f, 1, .5f, 0, 1, 0},  {0, .5f, .5f, -1, 0, 0}};
const char *kField = "MeshVersionFormatted 2\nDimension 3\nSolAtVertices\n8\n1 1\n0\n1\n2\n1\n1\n"
                     "2\n3\n2\nEnd\n";

using Rgb = std::array<int, 3>;

// A main window whose folder holds box.mesh (kBox and `more`), box.sol and box.pavo when given;
// displayMesh shows it unlit, without texts, palette bar, axes or wire lines.
struct Box : pavo_test::MainWindow {
  PavMeshViewer *v = viewer;
  explicit Box(const std::string &more = "End\n", const char *sol = nullptr, const char *pavo = "",
               QSize size = {400, 360})
      : MainWindow(pavo_test::scratchDir("viewer_pictures"), size) {
    std::ofstream(path("box.mesh")) << kBox << more;
    if (sol) std::ofstream(path("box.sol")) << sol;
    std::ofstream(path("box.pavo")) << pavo;
  }
  void show() {
    pavo_test::captured([&] {
      EXPECT_EQ(v->displayMesh(path("box.mesh").c_str(), nullptr), 0);
    }); // the solution beside it is read
    PavRenderOption &o = v->view.options;
    o.TextOn = o.PalOn = o.AxisOn = o.LineOn = false;
    o.UsePhong = 3;
  }
  void key(char k) {
    pavo_test::captured([&] { QTest::keyClick(v, k); });
  }
};

// The frame, where scene points land in it and whether a face turns its front to the eye.
struct Picture : pavo_test::Frame {
  PavMeshViewer *v;
  explicit Picture(PavMeshViewer *viewer) : Frame(*viewer), v(viewer) {}
  QPoint pixel(const QVector3D &p) const {
    const QPointF s = pavo_test::windowOf(*v, p.x(), p.y(), p.z());
    return QPoint((int)s.x(), (int)s.y());
  }
  Rgb at(const QPoint &q) const { return Frame::at(q.x(), q.y()); }
  Rgb at(const QVector3D &p) const { return at(pixel(p)); }
  bool facesEye(int side) const {
    const QVector3D eye = (v->matrices().modelView.inverted() * QVector4D(0, 0, 0, 1)).toVector3D();
    const float *s = kSide[side];
    const QVector3D centre =
        (QVector3D(s[0], s[1], s[2]) - v->view.sceneCentre) * v->view.sceneScale;
    return QVector3D::dotProduct(QVector3D(s[3], s[4], s[5]), eye - centre) > 0.05f;
  }
  // The largest channel difference to `want` of the pixel nearest to it within r of p's pixel.
  int distance(const QVector3D &p, const Rgb &want, int r = 0) const {
    int best = 1 << 30;
    for (int dy = -r; dy <= r; dy++)
      for (int dx = -r; dx <= r; dx++) {
        const Rgb c = at(pixel(p) + QPoint(dx, dy));
        best = std::min(best, std::max({std::abs(c[0] - want[0]), std::abs(c[1] - want[1]),
                                        std::abs(c[2] - want[2])}));
      }
    return best;
  }
};

} // namespace

// Render mode 2 paints each reference in its colour, however the mode is chosen: the refcolor
// table of the parameter file (references 1..6 take its entries 1..6), or the built-in table;
// through f, a view-state file's RenMod 2 or the Modify View choice. Edges stand out from
// either background, and an edge field (4 on a palette 0..4: red) colours them.
TEST(ViewerPictures, ReferenceAndEdgeColours) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  const Rgb table[6] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},
                        {255, 255, 0}, {0, 255, 255}, {255, 0, 255}};
  for (const char *how : {"RenMod", "panel", "f"}) {
    const bool builtin = how[0] == 'f';
    Box w("End\n", nullptr,
          builtin ? ""
                  : "refcolor 6\n255 0 0\n0 255 0\n0 0 255\n255 255 0\n0 255 255\n255 0 255\n");
    w.show();
    w.v->view.options.setRenderMode(1);
    if (builtin) w.key('f');
    if (how[0] == 'R') {
      std::ofstream(w.path("box.data")) << "RenMod\n2\n";
      pavo_test::captured([&] { w.run("loadData", w.path("box.data")); });
      w.v->view.options.UsePhong = 3;
    }
    if (how[0] == 'p') {
      w.run("openview");
      w.ctl->panel("openview")->findChild<QComboBox *>("renderMode")->setCurrentIndex(2);
    }
    const Picture pic(w.v);
    int seen = 0;
    for (int s = 0; s < 6; s++) {
      const uint8_t *b = PavReferenceColours::builtin(s + 1);
      if (!pic.facesEye(s)) continue;
      seen++;
      EXPECT_LE(pic.distance(QVector3D(kSide[s][0], kSide[s][1], kSide[s][2]),
                             builtin ? Rgb{b[0], b[1], b[2]} : table[s]),
                2)
          << how << " side " << s + 1;
    }
    EXPECT_EQ(seen, 3);
  }
  for (const auto &[white, field, want] : {std::tuple{true, false, Rgb{0, 0, 0}},
                                           {false, false, Rgb{255, 255, 255}},
                                           {true, true, Rgb{255, 0, 0}}}) {
    Box w("Edges\n4\n5 6 1\n6 7 1\n7 8 1\n8 5 1\nEnd\n",
          field ? "MeshVersionFormatted 2\nDimension 3\nSolAtEdges\n4\n1 1\n4\n4\n4\n4\nEnd\n"
                : nullptr);
    w.show();
    w.v->view.whiteBackground = white;
    const float pal[5] = {0, 1, 2, 3, 4};
    w.v->meshScene.solutionPalette.setUserPalette(pal);
    w.v->view.fieldMode = field ? 2 : 0;
    w.v->rebuildFields();
    const Picture pic(w.v);
    for (const QVector3D &c : {QVector3D(.5f, 0, 1), QVector3D(1, .5f, 1), QVector3D(.5f, 1, 1)})
      EXPECT_LT(pic.distance(c, want, 1), 80) << white << field << " " << c.x() << " " << c.y();
  }
}

// A closed surface seen from outside loses nothing to the culling of its back faces, whichever
// way its corners turn; with the reference of a side facing the eye hidden, the inside of a side
// turned away shows through the hole, in that side's colour.
TEST(ViewerPictures, ClosedSurfacesWithEitherOrientationAndAHole) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  for (bool flip : {false, true}) {
    Box w;
    if (flip) // the same triangles, corners reversed
      std::ofstream(w.path("box.mesh"))
          << std::string(kBox, std::strstr(kBox, "Triangles"))
          << "Triangles\n12\n1 2 3 1\n1 3 4 1\n5 7 6 2\n5 8 7 2\n1 6 2 3\n1 5 6 3\n2 7 3 4\n2 6 7 "
             "4\n3 8 4 5\n3 7 8 5\n4 5 1 6\n4 8 5 6\nEnd\n";
    w.show();
    w.v->view.options.setRenderMode(2);
    auto distance = [](const Picture &p, int at, int s) {
      const uint8_t *b = PavReferenceColours::builtin(s + 1);
      return p.distance(QVector3D(kSide[at][0], kSide[at][1], kSide[at][2]), {b[0], b[1], b[2]});
    };
    const Picture pic(w.v);
    int front = 0, best = 255;
    for (int s = 0; s < 6; s++)
      EXPECT_LE(pic.facesEye(s) ? distance(pic, front = s, s) : 0, 2) << flip << s;
    w.v->view.hiddenReferences = {{DrawTriangle, front + 1}};
    w.v->applyHiddenReferences();
    const Picture hole(w.v);
    for (int s = 0; s < 6; s++)
      if (!pic.facesEye(s)) best = std::min(best, distance(hole, front, s));
    EXPECT_LE(best, 2) << flip;
  }
}

// j shows the Jacobian on meshes whose faces the mesh holds (checksurf adds them) and on a curved
// surface in space, P3 triangle (0,0) (1,0) (0,1) on z = 1 + u v / 5; a second j takes the field
// and its title away.
TEST(ViewerPictures, JacobianOnMeshesWithFacesAndOnSurfaces) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  using pavo_test::CubeSplit;
  for (const auto &[split, degree] : {std::pair{CubeSplit::Tetrahedra, 2},
                                      {CubeSplit::Hexahedra, 2},
                                      {CubeSplit::Prisms, 2},
                                      {CubeSplit::Pyramids, 1},
                                      {CubeSplit::HexPrism, 1},
                                      {CubeSplit::Tetrahedra, 3}}) {
    const bool surface = degree == 3;
    Box w("End\n", nullptr, surface ? "" : "checksurf 1\n");
    pavo_test::ObjectPtr mesh(pavo_test::buildCube(split, 2, degree));
    if (surface) {
      std::vector<double> xyz;
      for (int n = 0; n < 10; n++) {
        double p[3];
        pavo_test::hoCartesian(HoTriangle,
                               hoNodeRefCoords(HoTriangle, 3) + n * hoRefWidth(HoTriangle), p);
        xyz.insert(xyz.end(), {p[0], p[1], 1 + p[0] * p[1] / 5});
      }
      mesh.reset(pavo_test::buildMesh(3, xyz, TrianglesP3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    }
    char status[PAV_IO_STATUS_SIZE] = "";
    ASSERT_EQ(pav_WriteMesh(mesh.get(), w.path("box.mesh").c_str(), status), 0) << status;
    w.show();
    w.v->view.options.TextOn = true;
    const std::string out = pavo_test::captured([&] { QTest::keyClick(w.v, 'j'); });
    EXPECT_EQ(out.find("should exist"), std::string::npos) << out;
    const Picture pic(w.v);
    EXPECT_EQ(w.v->overlayTexts().title, "Normalized Jacobian");
    const Rgb c = pic.at(QVector3D(1 / 3.0f, 1 / 3.0f, surface ? 1 + 1 / 45.0f : 1));
    EXPECT_GT(std::max({c[0], c[1], c[2]}) - std::min({c[0], c[1], c[2]}), 100) << degree;
    w.key('j');
    w.v->renderNowNoSwap();
    EXPECT_EQ(w.v->overlayTexts().title, "");
  }
}

// D numbers the vertices the eye sees: dark label pixels near the corners on a side that faces
// the eye, none near the one corner behind the box.
TEST(ViewerPictures, VertexNumbersOnlyWhereTheVertexIsSeen) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  Box w;
  w.show();
  w.v->view.options.setRenderMode(3);
  w.key('D');
  const Picture pic(w.v);
  int hidden = 0;
  for (int c = 0; c < 8; c++) {
    const QVector3D p((float)(c & 1), (float)((c >> 1) & 1), (float)(c >> 2));
    bool seen = false;
    for (int s = 0; s < 6; s++) {
      const QVector3D centre(kSide[s][0], kSide[s][1], kSide[s][2]),
          n(kSide[s][3], kSide[s][4], kSide[s][5]);
      seen |= QVector3D::dotProduct(p - centre, n) == 0 && pic.facesEye(s);
    }
    hidden += !seen;
    EXPECT_EQ(pic.distance(p, {0, 0, 0}, 12) < 80, seen) << "corner " << c;
  }
  EXPECT_EQ(hidden, 1);
}

// f = x + y + z: K turns the rainbow into the grey scale (equal channels on the top side), and
// numberofsubisolines 15 draws 9 isolines per palette interval: many dark dips along the top
// side's diagonal (f from 1 to 3), where the default shows a few.
TEST(ViewerPictures, ColourMapKeyAndSubIsolines) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  for (const auto &[pavo, key, grey, fewest, most] :
       {std::tuple{"", 'K', true, 0, 8}, {"numberofsubisolines 15\n", '\0', false, 14, 200}}) {
    Box w("End\n", kField, pavo, {1000, 900});
    w.show();
    if (key) w.key(key);
    const Picture pic(w.v);
    const Rgb c = pic.at(QVector3D(0.3f, 0.6f, 1));
    EXPECT_EQ(std::abs(c[0] - c[1]) + std::abs(c[1] - c[2]) < 6, grey) << c[0] << " " << c[1];
    const QPoint a = pic.pixel(QVector3D(.05f, .05f, 1)), b = pic.pixel(QVector3D(.95f, .95f, 1));
    const int n = std::max(std::abs(b.x() - a.x()), std::abs(b.y() - a.y()));
    std::vector<int> lum;
    for (int i = 0; i <= n; i++) {
      const Rgb p = pic.at(a + (b - a) * i / n);
      lum.push_back(p[0] + p[1] + p[2]);
    }
    int lines = 0;
    for (size_t i = 3; i + 3 < lum.size(); i++)
      lines += lum[i] + 40 < lum[i - 3] && lum[i] + 40 < lum[i + 3] && lum[i] <= lum[i - 1] &&
               lum[i] < lum[i + 1];
    EXPECT_TRUE(lines >= fewest && lines <= most) << lines;
  }
}

// Modify View opens, and opens again, on the view's state: the palette of f = x + y + z on the
// cube (0 to 3 in quarters) and the render mode a key chose; Apply keeps what is shown. A
// solution file opened or dropped as a mesh goes to the mesh shown, whose scene stays; with no
// mesh it is refused in one line.
TEST(ViewerPictures, PanelsAndFilesFollowTheView) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  Box w("End\n", kField);
  w.show();
  for (int open = 0; open < 2; open++) {
    if (open) w.key('f');
    w.run("openview");
    QWidget *panel = w.ctl->panel("openview");
    for (int i = 0; i < 5; i++)
      EXPECT_NEAR(panel->findChild<QDoubleSpinBox *>(QString("pal%1").arg(i))->value(), 0.75 * i,
                  1e-5);
    EXPECT_EQ(panel->findChild<QComboBox *>("renderMode")->currentIndex(),
              w.v->view.options.renderMode());
    panel->findChild<QPushButton *>("applyPalette")->click();
    EXPECT_NEAR(w.v->sceneModel().firstField(PavFieldKind::Solution)->palette[4], 3, 1e-5);
    panel->close();
  }
  for (const auto &[meshFirst, drop] : {std::pair{true, false}, {true, true}, {false, false}}) {
    Box b("End\n", kField);
    std::rename(b.path("box.sol").c_str(), b.path("f.sol").c_str());
    if (meshFirst) pavo_test::captured([&] { b.run("openMesh", b.path("box.mesh")); });
    const PavObject *mesh = b.v->meshObject();
    const std::string out = pavo_test::captured([&] {
      if (!drop) return b.run("openMesh", b.path("f.sol"));
      QMimeData data;
      data.setUrls({QUrl::fromLocalFile(QString::fromStdString(b.path("f.sol")))});
      QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      b.ctl->drop(&event);
    });
    EXPECT_EQ(b.v->meshObject(), mesh);
    if (meshFirst) {
      EXPECT_EQ(pav_GetNumberOfVertexSolutions(mesh), 1) << out;
      EXPECT_EQ(b.v->sceneModel().byType().value(DrawTriangle).size(), 7); // sides, all
    } else {
      EXPECT_EQ(out,
                "  ## ERROR: " + b.path("f.sol") + " is a solution file: open its mesh first\n");
    }
  }
}

TEST(ViewerBehaviour, KeysActAtOnceAndTitlesSelectorsAndFilesFollow) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  const std::string dir = pavo_test::scratchDir("viewer_behaviour");
  const std::string mesh = pavo_test::writeFieldCube(dir, 2);
  const QString before = QDir::currentPath();
  QDir::setCurrent(QString::fromStdString(dir)); // w writes pavo.data here
  PavMeshViewerWidget w(QSurfaceFormat::defaultFormat(), 1, 1);
  testing::internal::CaptureStdout();
  ASSERT_EQ(w.loadMesh(mesh.c_str(), (dir + "/box.solb").c_str()), 0);
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  PavMeshViewer *v = w.viewer();
  auto press = [&](char key) {
    QWidget *target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, key);
  };

  // The first picture is the initial view, and the whole box lies inside the frame, left of the
  // palette bar.
  EXPECT_TRUE(qFuzzyCompare(v->view.trackball.rotation,
                            QQuaternion::fromEulerAngles(-60.0f, 0.0f, -120.0f)));
  int bar[4];
  paletteBarRect(v->width(), v->height(), 1.0, bar);
  const PavCameraMatrices m = v->matrices();
  for (int c = 0; c < 8; c++) {
    const QVector3D p =
        (QVector3D(c & 1, (c >> 1) & 1, (c >> 2) & 1) - v->view.sceneCentre) * v->view.sceneScale;
    const QVector4D s = m.mvp * QVector4D(p, 1);
    const float x = s.x() / s.w(), y = s.y() / s.w();
    EXPECT_LT(std::abs(y), 1.0f) << c;
    EXPECT_GT(x, -1.0f) << c;
    EXPECT_LT((x + 1) * 0.5f * (float)v->width(), (float)bar[0] - 60) << c; // values' room
  }

  const struct {
    char key;
    const char *title; // overlay title after the key
    int vertexChoice;  // data of the vertex selector's current entry (-1: no solution)
  } rows[] = {{'>', "Solution at Vertices 2 of 2", 2},
              {'<', "Solution at Vertices 1 of 2", 1},
              {'m', "Solution at Vertices 1 of 2", 1}, // filled isolines: still shown
              {'m', "", 1},   // colours off, the isolines still show the field
              {'o', "", 1},   // black isolines
              {'o', "", -1}}; // isolines off too: nothing shown
  for (const auto &r : rows) {
    press(r.key);
    v->renderNowNoSwap();
    EXPECT_EQ(v->overlayTexts().title, r.title) << r.key;
    EXPECT_EQ(w.bottomBar()->vertexSolutionSelector()->currentData().toInt(), r.vertexChoice)
        << r.key;
    EXPECT_EQ(w.bottomBar()->elementSolutionSelector()->currentIndex(), 0) << r.key;
  }

  // w writes what Write Data file writes: the window's size and the box with the view.
  std::remove((dir + "/pavo.data").c_str());
  press('w');
  const std::string data = pavo_test::readFile(dir + "/pavo.data");
  EXPECT_NE(
      data.find("WindowSize\n" + std::to_string(v->width()) + " " + std::to_string(v->height())),
      std::string::npos)
      << data;
  EXPECT_NE(data.find("UseBoundingBox\n1"), std::string::npos) << data;
  EXPECT_NE(data.find("IsoSiz\n1.500000"), std::string::npos) << data;
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("writing"), std::string::npos) << out;
  QDir::setCurrent(before);
}

// The frame rate is that of the frames drawn lately; the shortcut list shows "</>" as written.
TEST(ViewerBehaviour, FrameRateAndShortcutText) {
  const struct {
    std::deque<qint64> starts;
    double fps;
  } rows[] = {{{}, 0}, {{5}, 0}, {{0, 100, 200, 300}, 10}, {{7, 7}, 0}, {{0, 40}, 25}};
  for (const auto &r : rows) EXPECT_DOUBLE_EQ(frameRate(r.starts), r.fps);
  EXPECT_NE(shortcutListText().find("<li>&lt;/&gt;: display previous/next solution </li>"),
            std::string::npos);
}
