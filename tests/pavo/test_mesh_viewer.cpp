// Scene building from a mesh object, read back on a real window: reference groups, filtered
// entities, refused fields, volume boundaries, clipping and capping, solutions, degenerate meshes;
// the element filters hiding the elements outside their range (eight triangles of widths 1 to 4
// along x with f = x, probed at their centres; "clear" shows them again; a volume's cut loses the
// elements filtered out).
#include "gl_fixture.h"
#include "gl_viewer_events.h"
#include "mesh_builders.h"
#include "pav_topology.h"
#include "pavmsh.h"
#include "render/colormaps.h"
#include "scene/closed_surface.h"
#include "scene/element_filter.h"
#include "ui/main_actions.h"
#include "ui/main_controller.h"
#include "ui/mesh_viewer_widget.h"

#include <QAction>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSurfaceFormat>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <map>

using namespace pavo;
using pavo_test::meshOf;
using pavo_test::pushVertexField;

namespace {

class MeshViewerTest : public ::testing::Test {
protected:
  void SetUp() override {
    viewer = pavo_test::shownViewer();
    if (!viewer) GTEST_SKIP() << "no display";
    ASSERT_TRUE(viewer->displayEnabled);
  }

  std::string show(PavObject *obj) {
    viewer->adoptMesh(obj);
    return pavo_test::captured([&] { viewer->displayObject(); });
  }

  // Colour of the pixel under a scene point, drawn with plain palette colours.
  std::array<int, 3> colourAt(double x, double y, double z) {
    viewer->view.options.IsoOn = 0;
    return pavo_test::colourAt(*viewer, pavo_test::pixelOf(*viewer, x, y, z));
  }
  bool drawnAt(double x, double y, double z) {
    return colourAt(x, y, z) != std::array<int, 3>{255, 255, 255};
  }
  // The colour the palette of the shown field gives to a value.
  std::array<int, 3> paletteRgb(float value) {
    const PavDrawField *f = nullptr;
    for (const auto &set : viewer->builtSets())
      for (const auto &bo : set.objects)
        if (!f) f = viewer->fieldOf(PavFieldKind::Solution, bo.object);
    EXPECT_NE(f, nullptr);
    return f ? pavo_test::paletteRgb(f->palette, f->colormap, value) : std::array<int, 3>{};
  }

  std::map<int, int> countsById(uint32_t type) {
    std::map<int, int> out;
    for (const PavDrawObject *o : viewer->objectsOfType(type)) out[o->id] += o->count;
    return out;
  }

  std::unique_ptr<PavMeshViewer> viewer;
};

void expectNear(const std::array<int, 3> &a, const std::array<int, 3> &b, int tol = 4) {
  for (int c = 0; c < 3; c++) EXPECT_NEAR(a[c], b[c], tol) << "component " << c;
}

PavObject *withZ(PavObject *obj) { // with the vertex field f = z
  pushVertexField(obj, [](double, double, double z) { return z; });
  return obj;
}

// Gives a volume mesh its boundary faces as surface elements of its degree, as files hold them.
PavObject *withBoundary(PavObject *obj, int volType) {
  int n[2] = {}, per[2] = {}, *nod[2] = {};
  char st[PAV_STATUS_SIZE] = "";
  pav_BuildBoundarySurface(obj, volType, n, nod, nullptr, nullptr, per, n + 1, nod + 1, nullptr,
                           nullptr, per + 1, st);
  for (int k : {0, 1}) {
    const int type =
        pav_ElementType(k ? PavKindQuadrilateral : PavKindTriangle, pav_ElementDegree(volType));
    if (n[k] > 0 && pav_AllocEntityArrays(obj, type, n[k], st) == PAV_SUCCESS)
      std::copy(nod[k], nod[k] + int64_t(n[k]) * per[k], obj->ent[type].idx + per[k]);
    free(nod[k]);
  }
  return obj;
}

} // namespace

TEST_F(MeshViewerTest, ReferenceGroupsObjectMinusOneAndFilteredEntities) {
  // Triangles of references 1, 1, 2, 2; the last names vertex 9 of 4 and is filtered.
  const std::vector<double> xyz = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
  std::string out =
      show(meshOf(xyz, Triangles, {1, 2, 3, 1, 3, 4, 2, 3, 4, 1, 9, 3}, {1, 1, 2, 2}));
  EXPECT_NE(out.find(" Triangle : 1 topologically invalid entities are filtered !\n"), out.npos);
  EXPECT_EQ(countsById(DrawTriangle), (std::map<int, int>{{-1, 3}, {1, 2}, {2, 1}}));
  EXPECT_TRUE(drawnAt(0.75, 0.6, 0));
  EXPECT_FALSE(drawnAt(1.2, 0.5, 0));
}

// Every render mode shows a surface mesh (it once vanished in the default mode); with the lines
// of surfaces on, the wireframe mode keeps only the edges.
TEST_F(MeshViewerTest, EveryRenderModeShowsASurfaceMesh) {
  show(meshOf({0, 0, 0, 1, 0, 0, 0, 1, 0}, Triangles, {1, 2, 3}, {1}));
  for (int mode = 0; mode < 4; mode++) {
    SCOPED_TRACE(mode);
    viewer->view.options.setRenderMode(mode);
    EXPECT_TRUE(drawnAt(0.25, 0.25, 0));
  }
  viewer->view.options.LineOn = viewer->view.options.LineSurfOn = true;
  viewer->view.options.setRenderMode(0);
  EXPECT_FALSE(drawnAt(0.25, 0.25, 0));
  int darkest = 255; // along the side y = 0, just inside the triangle
  for (double x = 0.3; x <= 0.7; x += 0.1)
    for (double y = 0; y <= 0.02; y += 0.005) darkest = std::min(darkest, colourAt(x, y, 0)[0]);
  EXPECT_LT(darkest, 128);
}

TEST_F(MeshViewerTest, CappingShowsTheFieldOnTheSectionAndCurvedHexahedraAreNotCapped) {
  PavObject *cube = pavo_test::buildCube(pavo_test::CubeSplit::Tetrahedra, 3, 1);
  pushVertexField(cube, [](double x, double, double) { return x; });
  show(cube);
  viewer->view.hasCutPlane = viewer->view.options.CutOn = viewer->view.capping = true;
  const double plane[4] = {0, 0, 1, -0.5}; // keeps z <= 1/2
  std::copy(plane, plane + 4, viewer->view.cutPlane);
  pavo_test::captured([&] { viewer->updateCut(); });
  // The section z = 1/2 faces the camera: its colour is the palette colour of f = x.
  for (double x : {0.15, 0.4, 0.62, 0.85})
    for (double y : {0.3, 0.7}) expectNear(colourAt(x, y, 0.5), paletteRgb((float)x));
  viewer->view.options.CutOn = false; // switching the cut off removes the cut objects
  viewer->updateCut();
  EXPECT_TRUE(viewer->cutSets().empty());
  // Curved hexahedra are not capped: crossed, they show whole, their top z = 1 in its colour f = z.
  show(withZ(pavo_test::buildCube(pavo_test::CubeSplit::Hexahedra, 1, 2)));
  viewer->view.options.CutOn = viewer->view.capping = true;
  std::string out = pavo_test::captured([&] { viewer->updateCut(); });
  EXPECT_NE(out.find("Capping not done for element  Q2 Hexahedra      of degree > 1 \n"),
            std::string::npos);
  expectNear(colourAt(0.5, 0.5, 1), paletteRgb(1), 12);
}

// Clipped at z = 1/2, second-order elements in 3 layers with their boundary in the file (drawn
// first by the flat-face program the crossed faces share) show the top z = 2/3 in its colour f = z.
TEST_F(MeshViewerTest, ClippedSecondOrderElementsShowTheWholeCrossedLayer) {
  for (const auto &[split, volType] : {std::pair{pavo_test::CubeSplit::Prisms, PrismsP2},
                                       {pavo_test::CubeSplit::Hexahedra, HexahedraQ2}}) {
    SCOPED_TRACE(volType);
    show(withZ(withBoundary(pavo_test::buildCube(split, 3, 2), volType)));
    PavViewState &v = viewer->view;
    v.hasCutPlane = v.options.CutOn = true, v.capping = false, v.trackball.rotation = {};
    v.cutPlane[0] = v.cutPlane[1] = 0, v.cutPlane[2] = 1, v.cutPlane[3] = -0.5; // keeps z <= 1/2
    pavo_test::captured([&] { viewer->updateCut(); });
    for (double x : {0.2, 0.5, 0.8})
      for (double y : {0.25, 0.6}) expectNear(colourAt(x, y, 2.0 / 3), paletteRgb(2.0f / 3), 12);
  }
}

// A cut built on a mesh past the busy size shows the wait cursor and names its work while it
// runs, and takes both away after; below that size (48 tetrahedra) nothing shows.
TEST_F(MeshViewerTest, LongRebuildsShowTheWaitCursorAndTheirWork) {
  show(pavo_test::buildCube(pavo_test::CubeSplit::Tetrahedra, 2, 1));
  std::vector<std::pair<QString, bool>> seen; // the text, whether the wait cursor is on
  QObject::connect(viewer.get(), &PavMeshViewer::busyChanged, [&](const QString &work) {
    const QCursor *c = QGuiApplication::overrideCursor();
    seen.emplace_back(work, c && c->shape() == Qt::WaitCursor);
  });
  viewer->view.hasCutPlane = viewer->view.options.CutOn = true;
  for (int64_t from : {1000000, 1, 1}) {
    viewer->busyFromElements = from, viewer->view.capping = seen.size() == 2;
    pavo_test::captured([&] { viewer->refresh(PavChange::Cut); });
  }
  EXPECT_EQ(seen, (std::vector<std::pair<QString, bool>>{
                      {"Cutting ...", true}, {"", false}, {"Capping ...", true}, {"", false}}));
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// A plane moved from another position, or dragged in cut-plane mode (F2, middle button; read
// before the release), draws what the plane set at once draws, clipped and capped. The envelope
// of the crossed elements (per reference) draws what all their faces draw, with nothing hidden,
// with reference 2 hidden, or with a filter hiding the crossed elements where f = x + y > 1.1.
TEST_F(MeshViewerTest, MovedPlaneAndEnvelopeDrawWhatThePlaneSetDirectlyDraws) {
  PavObject *cube = pavo_test::buildCube(pavo_test::CubeSplit::Tetrahedra, 4, 1);
  pushVertexField(cube, [](double x, double y, double) { return x + y; });
  show(cube);
  viewer->view.trackball.rotation = QQuaternion::fromEulerAngles(25, 70, 0);
  const double from[4] = {1, 0.2, 0, -0.31}, to[4] = {0.3, 0.1, 1, -0.62}, range[2] = {-1, 1.1};
  auto frameAt = [&](const double *p, bool capping, int hide = 0) { // p null: the plane as it is
    PavViewState &v = viewer->view;
    v.hasCutPlane = v.options.CutOn = true, v.capping = capping;
    if (p) std::copy(p, p + 4, viewer->view.cutPlane);
    pavo_test::captured([&] {
      if (p) viewer->updateCut();
      applyElementFilter(*viewer, solutionValues(*viewer), hide == 2 ? range : nullptr);
    });
    for (const auto &set : viewer->cutSets())
      for (const auto &bo : set.objects) bo.object->visible &= hide != 1 || bo.object->id != 2;
    return pavo_test::Frame(*viewer).rgba;
  };
  for (bool capping : {false, true}) {
    frameAt(from, capping);
    EXPECT_TRUE(frameAt(to, capping) == frameAt(to, capping)) << "capping " << capping;
  }
  // Every face draws the inner faces too: where one meets the envelope at an edge pixel, its own
  // interpolation of the field may win the depth test by a rounding, one colour level off. A
  // missing face would show the background or a face behind, far more than that.
  auto sameColours = [](const std::vector<uint8_t> &a, const std::vector<uint8_t> &b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); i++)
      if (std::abs(int(a[i]) - int(b[i])) > 2) return false;
    return true;
  };
  for (int hide : {0, 1, 2}) {
    const std::vector<uint8_t> shell = frameAt(to, false, hide);
    viewer->clipEveryFace = true;
    EXPECT_TRUE(sameColours(shell, frameAt(to, false, hide))) << "hidden " << hide;
    viewer->clipEveryFace = false;
  }
  frameAt(from, false);
  pavo_test::captured([&] {
    pavo_test::key(*viewer, Qt::Key_F2);
    for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseMove}) {
      QMouseEvent e(t, QPoint(100, t == QEvent::MouseMove ? 80 : 120), Qt::MiddleButton,
                    Qt::MiddleButton, Qt::NoModifier);
      QCoreApplication::sendEvent(viewer.get(), &e);
    }
  });
  const std::vector<uint8_t> dragging = frameAt(nullptr, false);
  const std::vector<double> plane(viewer->view.cutPlane, viewer->view.cutPlane + 4);
  EXPECT_NE(plane[3], from[3]);
  EXPECT_TRUE(dragging == frameAt(plane.data(), false));
}

TEST_F(MeshViewerTest, TetrahedraSurfaceFieldsPicksAndGlyphs) {
  std::string out = show(pavo_test::buildCube(pavo_test::CubeSplit::Tetrahedra, 2, 1));
  EXPECT_NE(out.find("  Surface reconstruction in progress\n"), std::string::npos);
  EXPECT_EQ(countsById(DrawSrfTriangle)[-1], 6 * 2 * 2 * 2); // 6 sides, 2 x 2 cells, 2 each
  EXPECT_TRUE(drawnAt(0.9, 0.9, 1));                         // seen from +z, the front side
  EXPECT_FALSE(drawnAt(1.3, 0.5, 1));
  // Every tetrahedron of the split is a copy of (0,0,0), (1,0,0), (1,1,0), (1,1,1) scaled: squared
  // edges sum to 10, volume 1/6, quality 10^(3/2) / (12 sqrt 3 * 6 * 1/6).
  const double q = std::pow(10.0, 1.5) / (12 * std::sqrt(3.0));
  char expected[128];
  snprintf(expected, sizeof expected, "  Quality extrema: [%15.7e %15.7e] \n", q, q);
  out = pavo_test::captured([&] { viewer->performQuality(); });
  EXPECT_NE(out.find(expected), std::string::npos) << out;
  // Straight elements have a constant normalised Jacobian of 1.
  out = pavo_test::captured([&] { viewer->add3DJacobian(1); });
  EXPECT_NE(out.find("  Jacobian extrema: [  1.0000000e+00   1.0000000e+00] \n"), std::string::npos)
      << out;
  for (const PavDrawObject *o : viewer->objectsOfType(DrawSrfTriangle))
    EXPECT_NE(viewer->fieldOf(PavFieldKind::Value, o), nullptr);
  // A tetrahedron by its four faces; a volume type is no surface element.
  EXPECT_EQ(viewer->showVolumeElement(Tetrahedra, 5), 1);
  EXPECT_EQ(countsById(DrawCustomTriangle), (std::map<int, int>{{5, 4}}));
  out = pavo_test::captured([&] { viewer->showSurfaceElement(Tetrahedra, 1); });
  EXPECT_EQ(out, "showSurfaceElement: unknown surface type:  Tetrahedra        \n");
  viewer->clearShownElements();
  EXPECT_TRUE(viewer->objectsOfType(DrawCustomTriangle).isEmpty());
  // The vertices of the boundary of a 2 x 2 x 2 grid: all 27 but the centre.
  out = pavo_test::captured([&] { EXPECT_EQ(viewer->selectGlyphVertices(false), 26); });
  pavo_test::captured([&] { viewer->setVolumeObjects(); });
  int tets = 0;
  for (const PavDrawObject *o : viewer->objectsOfType(DrawVolTetrahedron)) tets += o->count;
  EXPECT_EQ(tets, 48);
}

TEST_F(MeshViewerTest, SolutionsWrongFieldsEmptyMeshesAndPolygons) {
  const std::vector<double> sq = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
  PavObject *bad = meshOf(sq, Triangles, {1, 2, 3, 1, 3, 4}, {1, 1});
  pushVertexField(
      bad, [](double x, double, double) { return x; }, 3);
  std::string out = show(bad);
  EXPECT_NE(out.find("error invalid number of solution: 3 != 4 \n"), std::string::npos);
  EXPECT_TRUE(drawnAt(0.5, 0.5, 0)); // the geometry still draws
  PavObject *obj = meshOf(sq, Triangles, {1, 2, 3, 1, 3, 4}, {1, 1});
  pushVertexField(obj, [](double x, double, double) { return 1 - x; }); // second
  pushVertexField(obj, [](double x, double, double) { return x; });     // first
  show(obj);
  ASSERT_EQ(viewer->view.fieldMode, 1);
  expectNear(colourAt(0.2, 0.5, 0), paletteRgb(0.2f));
  EXPECT_FALSE(viewer->stepSolution(-1));
  EXPECT_TRUE(viewer->stepSolution(+1));
  expectNear(colourAt(0.2, 0.5, 0), paletteRgb(0.8f));
  EXPECT_FALSE(viewer->stepSolution(+1));
  show(meshOf({}, 0, {}, {}));
  EXPECT_EQ(viewer->objectCount(), 0);
  show(meshOf({0, 0, 0, 1, 0, 0, 0, 1, 0}, 0, {}, {}));
  EXPECT_EQ(countsById(DrawVertex), (std::map<int, int>{{-1, 3}}));
  EXPECT_FALSE(viewer->stepSolution(1));
  // An L-shaped hexagon of reference 5 (area 3 of unit squares): four triangles.
  const std::vector<double> xyz = {0, 0, 0, 2, 0, 0, 2, 1, 0, 1, 1, 0, 1, 2, 0, 0, 2, 0};
  obj = meshOf(xyz, 0, {}, {});
  pavo_test::attachPolygons(obj, {0, 0, 1, 5}, {0, 1, 2, 3, 4, 5, 6});
  show(obj);
  EXPECT_EQ(countsById(DrawPolygon), (std::map<int, int>{{-1, 4}, {5, 4}}));
  EXPECT_TRUE(drawnAt(0.5, 1.5, 0));
  EXPECT_FALSE(drawnAt(1.5, 1.5, 0)); // the notch of the L
  out = pavo_test::captured([&] { viewer->addTessellatedPolygon(DrawTriangle); });
  EXPECT_EQ(out, " Error addTessellatedPolygon: pavDrawTyp should be equal to 75 or 76 or 77\n");
}

TEST_F(MeshViewerTest, BoundaryTrianglesOfAVolumeMeshShowTheFieldOfTheirElement) {
  // Boundary triangles in the file; the field is the x of each tetrahedron's centroid.
  PavObject *cube =
      withBoundary(pavo_test::buildCube(pavo_test::CubeSplit::Tetrahedra, 2, 1), Tetrahedra);
  char status[PAV_STATUS_SIZE];
  const int nbrTet = pav_Count(cube, Tetrahedra);
  auto corner = [&](int e, int j, int c) {
    return cube->crdDbl[3 * cube->ent[Tetrahedra].idx[4 * e + j] + c];
  };
  PavSolution *r = pav_NewSolutionRecord(3, PavSolScalar, nbrTet, 0, 1, status);
  for (int e = 1; e <= nbrTet; e++)
    r->data[e] = 0.25 * (corner(e, 0, 0) + corner(e, 1, 0) + corner(e, 2, 0) + corner(e, 3, 0));
  ASSERT_EQ(pav_PushSolution(cube, SolAtTetrahedraP1, r, status), 0);
  show(cube);
  // Each front face z = 1, probed at its centroid, shows the value of its tetrahedron.
  for (int e = 1; e <= nbrTet; e++) {
    double cx = 0, cy = 0, n = 0;
    for (int j = 0; j < 4; j++)
      if (corner(e, j, 2) == 1) cx += corner(e, j, 0), cy += corner(e, j, 1), n++;
    if (n == 3) expectNear(colourAt(cx / 3, cy / 3, 1), paletteRgb((float)r->data[e]));
  }
  // Their edges show in the first picture's mode and lines: the side y = 1/2 of the front.
  viewer->view.options.setRenderMode(PavRenderOption().renderMode());
  viewer->view.options.LineOn = true, viewer->view.options.SolOn = 0;
  int darkest = 255;
  for (double x = 0.1; x < 1; x += 0.2) darkest = std::min(darkest, colourAt(x, 0.5, 1)[0]);
  EXPECT_LT(darkest, 128);
}

// On curved triangles, a constant field other than 0 is one colour (its rounding must not scatter
// it over the map's ends), and values that are not finite have a grey of their own while the
// palette spans the finite ones.
TEST_F(MeshViewerTest, ConstantAndNonFiniteFieldsOnCurvedTriangles) {
  std::vector<double> xyz;
  for (int j = 0; j < 3; j++)
    for (int i = 0; i < 3; i++) xyz.insert(xyz.end(), {i / 2.0, j / 2.0, 0});
  const std::vector<int> p2 = {1, 3, 9, 2, 6, 5, 1, 9, 7, 5, 8, 4};
  PavObject *constant = meshOf(xyz, TrianglesP2, p2, {1, 1});
  pushVertexField(constant, [](double, double, double) { return 1.5; });
  show(constant);
  float mid[3];
  colormapLookup(0, 0.5f, mid);
  for (double x = 0.05; x < 1; x += 0.1)
    for (double y : {0.1, 0.45, 0.8})
      expectNear(colourAt(x, y, 0), {(int)std::lround(mid[0] * 255), (int)std::lround(mid[1] * 255),
                                     (int)std::lround(mid[2] * 255)});
  PavObject *holes = meshOf(xyz, TrianglesP2, p2, {1, 1});
  pushVertexField(holes, [](double x, double y, double) {
    return x == 1 && y == 1 ? std::nan("") : x == 0 && y == 1 ? HUGE_VAL : x;
  });
  const std::string out = show(holes);
  EXPECT_NE(out.find("2 solution values are not finite"), std::string::npos) << out;
  expectNear(colourAt(0.9, 0.1, 0), {128, 128, 128}); // triangle (0,0) (1,0) (1,1): NaN
  for (const auto &set : viewer->builtSets())
    for (const auto &bo : set.objects)
      if (const PavDrawField *f = viewer->fieldOf(PavFieldKind::Solution, bo.object)) {
        EXPECT_TRUE(f->palette[0] == 0 && f->palette[4] == 1) << f->palette[4];
      }
}

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

// Which way a set of triangles closes up: the unit tetrahedron (1 origin, 2-4 on the axes) with
// its sides turned out, in, one of four left out, one turned, beside a second tetrahedron
// turned in, or flattened (one side taken both ways).
TEST(ClosedSurface, SideOfEachShape) {
  const double xyz[27] = {0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0,
                          1, 5, 0, 0, 6, 0, 0, 5, 1, 0, 5, 0, 1};
  const int32_t out[] = {1, 3, 2, 1, 2, 4, 1, 4, 3, 2, 3, 4},
                in[] = {1, 2, 3, 1, 4, 2, 1, 3, 4, 2, 4, 3},
                in2[] = {5, 6, 7, 5, 8, 6, 5, 7, 8, 6, 8, 7};
  const std::vector<const int32_t *> rows[] = {
      {out, out + 3, out + 6, out + 9},
      {in, in + 3, in + 6, in + 9},
      {out, out + 3, out + 6},
      {in, out + 3, out + 6, out + 9},
      {out, out + 3, out + 6, out + 9, in2, in2 + 3, in2 + 6, in2 + 9},
      {out, in}};
  const int want[] = {1, -1, 0, 0, 0, 0};
  for (int i = 0; i < 6; i++) EXPECT_EQ(closedSurfaceSide(rows[i], 8, xyz), want[i]) << i;
}
