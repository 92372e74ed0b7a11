// What a user sees of fields, references and labels: a main window on a real context, the
// picture read back at points projected with the view's own matrices and compared with colours
// the files give (reference tables) or the geometry implies (which sides face the eye).
#include "ho_lattice.h"
#include "main_window_fixture.h"
#include "mesh_builders.h"
#include "pav_io.h"
#include "pav_solution.h"
#include "render/palette.h"
#include "ui/option_panels.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <array>
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>

using namespace pavo;

namespace {

// The unit cube's six sides as two triangles each, side s (reference s) listed with its centre
// and outward normal.
const char *kBoxMesh = "MeshVersionFormatted 2\nDimension 3\nVertices\n8\n"
                       "0 0 0 0\n1 0 0 0\n1 1 0 0\n0 1 0 0\n0 0 1 0\n1 0 1 0\n1 1 1 0\n0 1 1 0\n"
                       "Triangles\n12\n1 3 2 1\n1 4 3 1\n5 6 7 2\n5 7 8 2\n1 2 6 3\n1 6 5 3\n"
                       "2 3 7 4\n2 7 6 4\n3 4 8 5\n3 8 7 5\n4 1 5 6\n4 5 8 6\nEnd\n";
const float kSide[6][6] = {{.5f, .5f, 0, 0, 0, -1}, {.5f, .5f, 1, 0, 0, 1},
                           {.5f, 0, .5f, 0, -1, 0}, {1, .5f, .5f, 1, 0, 0},
                           {.5f, 1, .5f, 0, 1, 0},  {0, .5f, .5f, -1, 0, 0}};

// The frame with the window point and visibility of scene points.
struct Picture {
  std::vector<uint8_t> rgba;
  int w = 0, h = 0;
  PavMeshViewer *v;
  PavCameraMatrices m;
  explicit Picture(PavMeshViewer *viewer) : v(viewer) {
    v->renderNowNoSwap();
    rgba = v->grabFrame(&w, &h);
    m = v->matrices();
  }
  QVector3D scaled(const QVector3D &p) const {
    return (p - v->view.sceneCentre) * v->view.sceneScale;
  }
  QPoint pixel(const QVector3D &p) const {
    const QVector4D c = m.mvp * QVector4D(scaled(p), 1);
    const QVector4D s = m.viewport * QVector4D(c.x() / c.w(), c.y() / c.w(), 0, 1);
    return QPoint((int)s.x(), (int)s.y());
  }
  std::array<int, 3> at(const QPoint &q) const {
    if (q.x() < 0 || q.y() < 0 || q.x() >= w || q.y() >= h) return {-1, -1, -1};
    const size_t i = 4 * ((size_t)q.y() * (size_t)w + (size_t)q.x());
    return {rgba[i], rgba[i + 1], rgba[i + 2]};
  }
  std::array<int, 3> at(const QVector3D &p) const { return at(pixel(p)); }
  // Whether a face through p with outward normal n turns its front to the eye.
  bool facesEye(const QVector3D &p, const QVector3D &n) const {
    const QVector3D eye = (m.modelView.inverted() * QVector4D(0, 0, 0, 1)).toVector3D();
    return QVector3D::dotProduct(n, eye - scaled(p)) > 0.05f;
  }
};

void plain(PavViewState &v) {
  PavRenderOption &o = v.options;
  o.TextOn = o.PalOn = o.AxisOn = o.LineOn = false;
  o.UsePhong = 3; // unlit: the colours are the tables'
}

bool near(const std::array<int, 3> &a, const std::array<int, 3> &b, int tol = 2) {
  for (int k = 0; k < 3; k++)
    if (std::abs(a[k] - b[k]) > tol) return false;
  return true;
}

} // namespace

// Render mode 2 paints each reference in its colour, however the mode is chosen: the refcolor
// table of the parameter file (references 1..6 take its entries 1..6), or the built-in table;
// through f, a view-state file's RenMod 2 or the Modify View choice.
TEST(ViewerPictures, ReferenceColoursInRenderModeTwo) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  const int table[6][3] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},
                           {255, 255, 0}, {0, 255, 255}, {255, 0, 255}};
  const struct {
    bool refcolor;
    const char *how;
  } rows[] = {{true, "RenMod"}, {true, "panel"}, {false, "f"}};
  for (const auto &r : rows) {
    SCOPED_TRACE(r.how);
    pavo_test::MainWindow w(pavo_test::scratchDir("viewer_refs"));
    std::ofstream(w.path("box.mesh")) << kBoxMesh;
    std::ofstream pavo(w.path("box.pavo"));
    if (r.refcolor) pavo << "refcolor 6\n";
    for (int s = 0; s < 6 && r.refcolor; s++)
      pavo << table[s][0] << " " << table[s][1] << " " << table[s][2] << "\n";
    pavo.close();
    PavMeshViewer *v = w.viewer;
    pavo_test::captured([&] { ASSERT_EQ(v->displayMesh(w.path("box.mesh").c_str(), nullptr), 0); });
    plain(v->view);
    v->view.options.setRenderMode(1);
    if (std::string(r.how) == "f") {
      QTest::keyClick(v, 'f');
    } else if (std::string(r.how) == "RenMod") {
      std::ofstream(w.path("box.data")) << "RenMod\n2\n";
      pavo_test::captured([&] { w.run("loadData", w.path("box.data")); });
      plain(v->view);
    } else {
      w.ctl->actions().action("openview")->trigger();
      QWidget *panel = w.ctl->panel("openview");
      ASSERT_NE(panel, nullptr);
      panel->findChild<QComboBox *>("renderMode")->setCurrentIndex(2);
    }
    ASSERT_EQ(v->view.options.renderMode(), 2);
    const Picture pic(v);
    int seen = 0;
    for (int s = 0; s < 6; s++) {
      const QVector3D c(kSide[s][0], kSide[s][1], kSide[s][2]);
      if (!pic.facesEye(c, QVector3D(kSide[s][3], kSide[s][4], kSide[s][5]))) continue;
      seen++;
      std::array<int, 3> want = {table[s][0], table[s][1], table[s][2]};
      if (!r.refcolor) {
        const uint8_t *b = PavReferenceColours::builtin(s + 1);
        want = {b[0], b[1], b[2]};
      }
      EXPECT_TRUE(near(pic.at(c), want))
          << "side " << s + 1 << ": " << pic.at(c)[0] << " " << pic.at(c)[1] << " " << pic.at(c)[2];
    }
    EXPECT_EQ(seen, 3);
  }
}

// Mesh edges stand out from either background, and an edge field colours them: the midpoints of
// the four top edges (on the top face, which faces the eye) probed within a pixel.
TEST(ViewerPictures, EdgesStandOutAndShowTheirField) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  std::string mesh = kBoxMesh;
  mesh.resize(mesh.size() - 4);
  mesh += "Edges\n4\n5 6 1\n6 7 1\n7 8 1\n8 5 1\nEnd\n";
  const struct {
    bool white, field;
    std::array<int, 3> want; // the colour nearest to it among the pixels around each midpoint
  } rows[] = {{true, false, {0, 0, 0}}, {false, false, {255, 255, 255}}, {true, true, {255, 0, 0}}};
  for (const auto &r : rows) {
    pavo_test::MainWindow w(pavo_test::scratchDir("viewer_edges"));
    std::ofstream(w.path("e.mesh")) << mesh;
    // Edge field: 4 on the four edges (the top of a palette 0..4, red), 0 on none.
    if (r.field)
      std::ofstream(w.path("e.sol"))
          << "MeshVersionFormatted 2\nDimension 3\nSolAtEdges\n4\n1 1\n4\n4\n4\n4\nEnd\n";
    PavMeshViewer *v = w.viewer;
    pavo_test::captured([&] { ASSERT_EQ(v->displayMesh(w.path("e.mesh").c_str(), nullptr), 0); });
    plain(v->view);
    v->view.whiteBackground = r.white;
    if (r.field) {
      const float pal[5] = {0, 1, 2, 3, 4};
      v->solutionPalette.setUserPalette(pal);
      v->view.fieldMode = 2;
      v->rebuildFields();
    }
    const Picture pic(v);
    for (const QVector3D &c :
         {QVector3D(.5f, 0, 1), QVector3D(1, .5f, 1), QVector3D(.5f, 1, 1), QVector3D(0, .5f, 1)}) {
      int best = 1 << 30;
      for (int dy = -1; dy <= 1; dy++)
        for (int dx = -1; dx <= 1; dx++) {
          const auto got = pic.at(pic.pixel(c) + QPoint(dx, dy));
          int d = 0;
          for (int k = 0; k < 3; k++) d = std::max(d, std::abs(got[k] - r.want[k]));
          best = std::min(best, d);
        }
      EXPECT_LT(best, 80) << r.white << r.field << " at " << c.x() << " " << c.y();
    }
  }
}

// j shows the Jacobian on meshes whose file holds the faces too (checksurf writes them) and on a
// curved surface in space; the second j takes the field, its title and bar away again.
TEST(ViewerPictures, JacobianOnFilesWithFacesAndOnSurfaces) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  using pavo_test::CubeSplit;
  const struct {
    CubeSplit split;
    int degree;
    bool surface; // only the P3 triangles of the cube's top side z = 1, in 3-D
  } rows[] = {{CubeSplit::Tetrahedra, 2, false}, {CubeSplit::Hexahedra, 2, false},
              {CubeSplit::Prisms, 2, false},     {CubeSplit::Pyramids, 1, false},
              {CubeSplit::HexPrism, 1, false},   {CubeSplit::Tetrahedra, 3, true}};
  for (const auto &r : rows) {
    SCOPED_TRACE(testing::Message() << (int)r.split << " P" << r.degree << " " << r.surface);
    pavo_test::MainWindow w(pavo_test::scratchDir("viewer_jacobian"));
    pavo_test::ObjectPtr cube(pavo_test::buildCube(r.split, 2, r.degree));
    char status[PAV_IO_STATUS_SIZE] = "";
    if (r.surface) { // the P3 triangle (0,0) (1,0) (0,1) of z = 1 + u v / 5
      const int rw = hoRefWidth(HoTriangle);
      const double *corner = hoNodeRefCoords(HoTriangle, 1), *rc = hoNodeRefCoords(HoTriangle, 3);
      int cu = 0, cv = 0;
      for (int c = 0; c < rw; c++)
        cu = corner[rw + c] == 1 ? c : cu, cv = corner[2 * rw + c] == 1 ? c : cv;
      std::vector<double> xyz;
      std::vector<int> nodes;
      for (int m = 0; m < 10; m++) {
        const double u = rc[m * rw + cu], v = rc[m * rw + cv];
        xyz.insert(xyz.end(), {u, v, 1 + u * v / 5});
        nodes.push_back(m + 1);
      }
      cube.reset(pavo_test::buildMesh(3, xyz, TrianglesP3, nodes));
    }
    ASSERT_EQ(pav_WriteMesh(cube.get(), w.path("c.meshb").c_str(), status), 0) << status;
    std::ofstream(w.path("c.pavo")) << (r.surface ? "" : "checksurf 1\n");
    PavMeshViewer *v = w.viewer;
    pavo_test::captured([&] { ASSERT_EQ(v->displayMesh(w.path("c.meshb").c_str(), nullptr), 0); });
    plain(v->view);
    v->view.options.TextOn = true;
    const std::string out = pavo_test::captured([&] { QTest::keyClick(v, 'j'); });
    EXPECT_EQ(out.find("should exist"), std::string::npos) << out;
    Picture pic(v);
    EXPECT_EQ(v->overlayTexts().title, "Normalized Jacobian");
    const auto c = pic.at(QVector3D(1 / 3.0f, 1 / 3.0f, r.surface ? 1 + 1 / 45.0f : 1));
    EXPECT_GT(std::max({c[0], c[1], c[2]}) - std::min({c[0], c[1], c[2]}), 100) << "grey";
    QTest::keyClick(v, 'j');
    v->renderNowNoSwap();
    EXPECT_EQ(v->overlayTexts().title, "");
  }
}

// D numbers the vertices the eye sees: dark label pixels near the seven front corners of the box,
// none near the one behind it (the corner whose three sides all turn away).
TEST(ViewerPictures, VertexNumbersOnlyWhereTheVertexIsSeen) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  pavo_test::MainWindow w(pavo_test::scratchDir("viewer_numbers"));
  std::ofstream(w.path("box.mesh")) << kBoxMesh;
  PavMeshViewer *v = w.viewer;
  pavo_test::captured([&] { ASSERT_EQ(v->displayMesh(w.path("box.mesh").c_str(), nullptr), 0); });
  plain(v->view);
  v->view.options.setRenderMode(3);
  pavo_test::captured([&] { QTest::keyClick(v, 'D'); });
  const Picture pic(v);
  int hidden = 0;
  for (int c = 0; c < 8; c++) {
    const QVector3D p((float)(c & 1), (float)((c >> 1) & 1), (float)(c >> 2));
    bool seen = false; // a side of the corner faces the eye
    for (int s = 0; s < 6; s++) {
      const QVector3D n(kSide[s][3], kSide[s][4], kSide[s][5]);
      const QVector3D centre(kSide[s][0], kSide[s][1], kSide[s][2]);
      seen |= QVector3D::dotProduct(p - centre, n) == 0 && pic.facesEye(centre, n);
    }
    hidden += !seen;
    int dark = 0;
    for (int dy = -12; dy <= 12; dy++)
      for (int dx = -12; dx <= 12; dx++) {
        const auto px = pic.at(pic.pixel(p) + QPoint(dx, dy));
        dark += px[0] >= 0 && px[0] < 80 && px[1] < 80 && px[2] < 80;
      }
    EXPECT_EQ(dark > 0, seen) << "corner " << c << ": " << dark;
  }
  EXPECT_EQ(hidden, 1);
}

// The field f = x + y + z: K turns the rainbow into the grey scale (equal channels on the top
// side), and numberofsubisolines 15 draws 9 isolines per palette interval, 36 over the range.
TEST(ViewerPictures, ColourMapKeyAndSubIsolines) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  const struct {
    const char *pavo;
    char key;
    bool grey;
    int linesAtLeast, linesAtMost; // darker pixels across a scan line over the top side
  } rows[] = {{"", 'K', true, 0, 8}, {"numberofsubisolines 15\n", 0, false, 14, 200}};
  for (const auto &r : rows) {
    pavo_test::MainWindow w(pavo_test::scratchDir("viewer_colours"), {1000, 900});
    std::ofstream(w.path("box.mesh")) << kBoxMesh;
    std::ofstream(w.path("box.sol")) << "MeshVersionFormatted 2\nDimension 3\nSolAtVertices\n8\n1 "
                                        "1\n0\n1\n2\n1\n1\n2\n3\n2\nEnd\n";
    std::ofstream(w.path("box.pavo")) << r.pavo;
    PavMeshViewer *v = w.viewer;
    pavo_test::captured([&] {
      ASSERT_EQ(v->displayMesh(w.path("box.mesh").c_str(), w.path("box.sol").c_str()), 0);
    });
    plain(v->view);
    if (r.key) pavo_test::captured([&] { QTest::keyClick(v, r.key); });
    const Picture pic(v);
    const auto c = pic.at(QVector3D(0.3f, 0.6f, 1));
    EXPECT_EQ(std::abs(c[0] - c[1]) + std::abs(c[1] - c[2]) < 6, r.grey) << c[0] << " " << c[1];
    // From corner (0, 0, 1) to corner (1, 1, 1): f goes from 1 to 3, half of the range 0..3.
    const QPoint a = pic.pixel(QVector3D(0.05f, 0.05f, 1)),
                 b = pic.pixel(QVector3D(0.95f, 0.95f, 1));
    int lines = 0;
    const int n = std::max(std::abs(b.x() - a.x()), std::abs(b.y() - a.y()));
    std::vector<int> lum;
    for (int i = 0; i <= n; i++) {
      const auto p = pic.at(a + (b - a) * i / n);
      lum.push_back(p[0] + p[1] + p[2]);
    }
    for (size_t i = 3; i + 3 < lum.size(); i++)
      lines += lum[i] + 40 < lum[i - 3] && lum[i] + 40 < lum[i + 3] && lum[i] <= lum[i - 1] &&
               lum[i] < lum[i + 1];
    EXPECT_GE(lines, r.linesAtLeast);
    EXPECT_LE(lines, r.linesAtMost);
  }
}

// Modify View opens, and opens again, on the view's state: the palette of f = x + y + z over the
// unit cube (0 to 3 in quarters) and the render mode keys chose; Apply keeps what is shown.
TEST(ViewerPictures, ModifyViewShowsTheViewsValues) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  pavo_test::MainWindow w(pavo_test::scratchDir("viewer_panels"));
  std::ofstream(w.path("box.mesh")) << kBoxMesh;
  std::ofstream(w.path("box.sol")) << "MeshVersionFormatted 2\nDimension 3\nSolAtVertices\n8\n1 "
                                      "1\n0\n1\n2\n1\n1\n2\n3\n2\nEnd\n";
  PavMeshViewer *v = w.viewer;
  pavo_test::captured(
      [&] { ASSERT_EQ(v->displayMesh(w.path("box.mesh").c_str(), w.path("box.sol").c_str()), 0); });
  for (int open = 0; open < 2; open++) {
    if (open) QTest::keyClick(v, 'f');
    w.run("openview");
    QWidget *panel = w.ctl->panel("openview");
    ASSERT_NE(panel, nullptr);
    for (int i = 0; i < 5; i++)
      EXPECT_NEAR(panel->findChild<QDoubleSpinBox *>(QString("pal%1").arg(i))->value(), 0.75 * i,
                  1e-5);
    EXPECT_EQ(panel->findChild<QComboBox *>("renderMode")->currentIndex(),
              v->view.options.renderMode());
    panel->findChild<QPushButton *>("applyPalette")->click();
    const PavDrawField *f = v->sceneModel().firstField(PavFieldKind::Solution);
    ASSERT_NE(f, nullptr);
    EXPECT_NEAR(f->palette[4], 3, 1e-5);
    panel->close();
  }
}

// A solution file opened or dropped as a mesh goes to the mesh shown, whose scene stays; with no
// mesh it is refused in one line.
TEST(ViewerPictures, SolutionFileOpenedAsAMesh) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  for (const auto &[meshFirst, drop] : {std::pair{true, false}, {true, true}, {false, false}}) {
    pavo_test::MainWindow w(pavo_test::scratchDir("viewer_solmesh"));
    std::ofstream(w.path("box.mesh")) << kBoxMesh;
    std::ofstream(w.path("f.sol")) << "MeshVersionFormatted 2\nDimension 3\nSolAtVertices\n8\n1 "
                                      "1\n0\n1\n2\n1\n1\n2\n3\n2\nEnd\n";
    PavMeshViewer *v = w.viewer;
    if (meshFirst) pavo_test::captured([&] { w.run("openMesh", w.path("box.mesh")); });
    const PavObject *mesh = v->meshObject();
    const std::string out = pavo_test::captured([&] {
      if (!drop) return w.run("openMesh", w.path("f.sol"));
      QMimeData data;
      data.setUrls({QUrl::fromLocalFile(QString::fromStdString(w.path("f.sol")))});
      QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      w.ctl->drop(&event);
    });
    EXPECT_EQ(v->meshObject(), mesh);
    if (meshFirst) {
      EXPECT_EQ(pav_GetNumberOfVertexSolutions(mesh), 1) << out;
      EXPECT_EQ(v->sceneModel().byType().value(DrawTriangle).size(), 7); // 6 sides and all
    } else {
      EXPECT_EQ(out,
                "  ## ERROR: " + w.path("f.sol") + " is a solution file: open its mesh first\n");
    }
  }
}
