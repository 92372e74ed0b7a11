// The keys: the table (the shortcut list it generates, the dispatch of every row, the cycles and
// limits on the view state), and on the picture of a real viewer: shrink (flat, curved and
// quadrilateral faces), the cut at the box centre, box, cut-plane outline, scene centre, corners,
// the light reset (the vertex numbers of D: ViewerPictures), the field colours, black isolines and
// discarding the unpicked. Each row presses its keys and reads pixels at window points projected
// from the exact geometry: what was background becomes a mark, or a face pixel becomes background.
#include "gl_viewer_events.h"
#include "mesh_builders.h"
#include "pavmsh.h"
#include "render/scene_marks.h"
#include "scene/key_bindings.h"

#include <QKeySequence>
#include <cctype>
#include <cmath>
#include <gtest/gtest.h>

using namespace pavo;
using namespace pavo_test;

namespace {

// Look of a few pixels about a point: Dark when any is dark (marks, isolines, unlit faces), else
// Colour when any is coloured (fields, picks), else Grey when any is not white (faces), else White
// (the background).
enum Look { White, Grey, Colour, Dark };

Look lookAt(PavMeshViewer &v, QPoint p, int r) {
  const Frame f(v);
  Look look = White;
  for (int y = p.y() - r; y <= p.y() + r; y++)
    for (int x = p.x() - r; x <= p.x() + r; x++) {
      const std::array<int, 3> c = f.at(x, f.h - 1 - y);
      if (c[0] < 0) continue;
      const int hi = std::max({c[0], c[1], c[2]}), lo = std::min({c[0], c[1], c[2]});
      if (hi < 80) return Dark;
      if (hi - lo > 60) look = Colour;
      if (lo < 250 && look == White) look = Grey;
    }
  return look;
}

enum MeshKind { P1Triangle, P2Triangle, Q1Square, TetCube, FieldSquare };
constexpr MeshKind Octahedron = MeshKind(FieldSquare + 1);

// The triangle (0,0) (1,0) (0,1) in z = 0, straight P2 nodes on its sides, with a corner on
// vertex 2; the unit square; the unit cube of 3 x 3 x 3 cells of tetrahedra; the unit square of
// triangles T1 (1, 2, 3) and T2 (2, 4, 3) with the vertex field f = x; the octahedron of
// vertices (+-1, 0, 0), (0, +-1, 0), (0, 0, +-1), a closed surface in 3-D.
PavObject *mesh(MeshKind kind) {
  char st[PAV_STATUS_SIZE];
  if (kind == Octahedron)
    return meshOf({1, 0, 0, -1, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 1, 0, 0, -1}, Triangles,
                  {1, 3, 5, 3, 2, 5, 2, 4, 5, 4, 1, 5, 3, 1, 6, 2, 3, 6, 4, 2, 6, 1, 4, 6},
                  std::vector<int>(8, 1));
  if (kind == FieldSquare) {
    PavObject *obj =
        meshOf({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}, Triangles, {1, 2, 3, 2, 4, 3}, {1, 2});
    pushVertexField(obj, [](double x, double, double) { return x; });
    return obj;
  }
  if (kind == TetCube) return buildCube(CubeSplit::Tetrahedra, 3, 1);
  if (kind == Q1Square)
    return meshOf({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, Quadrilaterals, {1, 2, 3, 4}, {1});
  std::vector<double> xyz = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0.5, 0, 0, 0.5, 0.5, 0, 0, 0.5, 0};
  PavObject *obj = kind == P1Triangle ? meshOf(xyz, Triangles, {1, 2, 3}, {1})
                                      : meshOf(xyz, TrianglesP2, {1, 2, 3, 4, 5, 6}, {1});
  if (pav_AllocEntityArrays(obj, Corners, 1, st) == 0) obj->ent[Corners].idx[1] = 2;
  return obj;
}

struct Probe {
  double x, y, z; // scene point
  int dx, dy, r;  // pixel offset and half-size of the window looked at
  Look before, after;
};
struct Row {
  const char *name;
  MeshKind mesh;
  void (*prepare)(PavMeshViewer &); // before the first look (null: nothing)
  std::vector<std::pair<int, const char *>> keys;
  std::vector<Probe> probes;
};

const std::vector<std::pair<int, const char *>> kTenF6(10, {Qt::Key_F6, ""}); // 1.0 -> 0.5
void cutOn(PavMeshViewer &v) { key(v, Qt::Key_F1); }
void fromAbove(PavMeshViewer &v) { v.view.trackball.rotation = {}; }
const std::vector<std::pair<int, const char *>> kCutKeys = {{Qt::Key_F1, ""}, {Qt::Key_F3, ""}};
const std::vector<Probe> kCutProbes = {{0.2, 0.5, 1, 0, 0, 1, Grey, Grey},
                                       {0.6, 0.5, 1, 0, 0, 1, Grey, Grey},
                                       {0.8, 0.5, 1, 0, 0, 1, Grey, White}};
void plainFaces(PavMeshViewer &v) { v.view.options.SolOn = v.view.options.IsoOn = 0; }

// With shrink 0.5 about centroid c, the point c + 0.8 (v - c) near a vertex v comes from
// c + 1.6 (v - c), outside the element: background. The centroid stays covered.
const Row kRows[] = {
    {"ShrinkFlatTriangle",
     P1Triangle,
     nullptr,
     kTenF6,
     {{1.0 / 3, 1.0 / 3, 0, 0, 0, 0, Grey, Grey}, {0.2 / 3, 0.2 / 3, 0, 0, 0, 1, Grey, White}}},
    {"ShrinkCurvedTriangle",
     P2Triangle,
     nullptr,
     kTenF6,
     {{1.0 / 3, 1.0 / 3, 0, 0, 0, 0, Grey, Grey}, {2.6 / 3, 0.2 / 3, 0, 0, 0, 1, Grey, White}}},
    {"ShrinkQuadrilateral",
     Q1Square,
     nullptr,
     kTenF6,
     {{0.5, 0.5, 0, 0, 0, 0, Grey, Grey}, {0.9, 0.9, 0, 0, 0, 1, Grey, White}}},
    // F1, F3 cut at x = 0.5: the middle layer, crossed, shows whole and lit; x > 2/3 goes.
    {"CutAtBoxCentre", TetCube, fromAbove, kCutKeys, kCutProbes},
    // The box [0,1]^2 x {0}: its side x = 1 runs outside the triangle.
    {"Box", P1Triangle, nullptr, {{0, "B"}}, {{1, 0.75, 0, 0, 0, 1, White, Dark}}},
    // With the cut at x = 0.5, U outlines the plane across the box.
    {"CutPlaneOutline", P1Triangle, cutOn, {{0, "U"}}, {{0.5, 0.85, 0, 0, 0, 1, White, Dark}}},
    // Arms of a tenth of the radius (0.0707) about (0.5, 0.5), on the triangle's hypotenuse.
    {"SceneCentre", P1Triangle, nullptr, {{0, "c"}}, {{0.56, 0.5, 0, 0, 0, 1, White, Dark}}},
    // The corner on vertex 2 is a disc of 8 pixels; 2 pixels right of it is background.
    {"Corners", P1Triangle, nullptr, {{0, "g"}}, {{1, 0, 0, 3, 0, 1, White, Dark}}},
    // m colours the field; o twice draws black isolines; d, with T1 picked, discards T2.
    {"SolutionColours",
     FieldSquare,
     plainFaces,
     {{0, "m"}},
     {{0.1, 0.5, 0, 0, 0, 0, Grey, Colour}}},
    {"BlackIsolines",
     FieldSquare,
     [](PavMeshViewer &v) { v.view.options.IsoOn = 0; },
     {{0, "o"}, {0, "o"}},
     {{0.5, 0.5, 0, 0, 0, 40, Colour, Dark}}},
    {"DiscardUnpicked",
     FieldSquare,
     [](PavMeshViewer &v) {
       plainFaces(v);
       click(v, pixelOf(v, 1.0 / 3, 1.0 / 3, 0), Qt::ShiftModifier);
     },
     {{0, "d"}},
     {{1.0 / 3, 1.0 / 3, 0, 0, 0, 0, Colour, Colour}, {2.0 / 3, 2.0 / 3, 0, 0, 0, 0, Grey, White}}},
    // A closed surface in 3-D opens lit with its edges drawn, in the default mode and lines of a
    // new window (these rows start plain grey without lines): seen down z, an edge and a face.
    {"SurfaceOpensWithItsEdges",
     Octahedron,
     [](PavMeshViewer &v) {
       const PavRenderOption d;
       v.view.options.setRenderMode(d.renderMode());
       v.view.options.LineOn = d.LineOn, v.view.options.UsePhong = d.UsePhong;
       fromAbove(v);
     },
     {},
     {{0.5, 0, 0.5, 0, 0, 1, Dark, Dark}, {1.0 / 3, 1.0 / 3, 1.0 / 3, 0, 0, 0, Grey, Grey}}},
    // i brings the light back in front of the faces.
    {"LightReset",
     P1Triangle,
     [](PavMeshViewer &v) { v.view.options.UsePhong = 0, v.view.light = QVector3D(0, 0, -1); },
     {{0, "i"}},
     {{1.0 / 3, 1.0 / 3, 0, 0, 0, 0, Dark, Grey}}},
};

void PrintTo(const Row &row, std::ostream *os) { *os << row.name; }

class DisplaySwitches : public ::testing::TestWithParam<Row> {};

TEST_P(DisplaySwitches, KeysChangeThePixelsTheGeometryPredicts) {
  const Row &row = GetParam();
  std::unique_ptr<PavMeshViewer> v = shownViewer();
  if (!v) GTEST_SKIP() << "no display";
  showMesh(*v, mesh(row.mesh));
  auto lookOf = [&](const Probe &p) {
    return lookAt(*v, pixelOf(*v, p.x, p.y, p.z) + QPoint(p.dx, p.dy), p.r);
  };
  captured([&] {
    if (row.prepare) row.prepare(*v);
  });
  for (const Probe &p : row.probes) EXPECT_EQ(lookOf(p), p.before) << p.x << " " << p.y;
  captured([&] {
    for (const auto &k : row.keys) key(*v, k.first, k.second);
  });
  for (const Probe &p : row.probes) EXPECT_EQ(lookOf(p), p.after) << p.x << " " << p.y;
}

// x + y + z = 1.5 cuts the unit cube in a regular hexagon of side sqrt(0.5): in order around it,
// neighbours are one side apart (a diagonal would be 1.22 or 1.41).
TEST(CutPlaneOutline, DiagonalPlaneGivesTheCubesHexagonInOrder) {
  const double plane[4] = {1, 1, 1, -1.5}, box[6] = {0, 1, 0, 1, 0, 1};
  const std::vector<QVector3D> p = cutPlaneOutline(plane, box);
  ASSERT_EQ(p.size(), 6u);
  for (size_t i = 0; i < p.size(); i++) {
    EXPECT_NEAR(p[i].x() + p[i].y() + p[i].z(), 1.5, 1e-6);
    EXPECT_NEAR((p[i] - p[(i + 1) % 6]).length(), std::sqrt(0.5), 1e-6);
  }
  const double miss[4] = {1, 0, 0, -2}, none[4] = {0, 0, 0, 1};
  EXPECT_TRUE(cutPlaneOutline(miss, box).empty() && cutPlaneOutline(none, box).empty());
}

INSTANTIATE_TEST_SUITE_P(Keys, DisplaySwitches, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row> &i) { return i.param.name; });

struct Keys {
  PavViewState view;
  PavSceneSwitches switches;
  PavKeyFacts facts;
  // Named keys ("F1", "Return") by key code; a character by Qt's code for it and its text.
  PavKeyEffect press(const std::string &key, int times = 1) {
    PavKeyEffect e;
    for (int i = 0; i < times; i++)
      e = key.size() > 1
              ? applyKey(QKeySequence(QString::fromStdString(key))[0], "", view, switches, facts)
              : applyKey(std::toupper((unsigned char)key[0]), key, view, switches, facts);
    return e;
  }
};
} // namespace

TEST(KeyBindings, ShortcutListIsGeneratedFromTheTableInOrder) {
  const std::string list = shortcutListText();
  const std::string last = "<li>F6/F7: Increase/decrease shrinking value</li></ul>";
  EXPECT_EQ(list.substr(list.size() - last.size()), last);
  // Every row is reached by its own key (no row hides another).
  for (const PavKeyBinding &b : keyBindings())
    EXPECT_EQ(findKeyBinding(b.qtKey, b.qtKey ? "" : std::string(1, b.text)), &b)
        << b.description << " " << b.text;
  EXPECT_EQ(findKeyBinding(0, "x"), nullptr);
}

TEST(KeyBindings, CyclesReturnToTheirStartAndLimitsHold) {
  Keys k;
  const int mode = k.view.options.renderMode();
  const int phong = k.view.options.UsePhong;
  for (int i = 1; i <= 4; i++) {
    k.press("f");
    k.press("r");
    EXPECT_EQ(k.view.options.renderMode(), (mode + i) % 4);
    EXPECT_EQ(k.view.options.UsePhong, (phong + i) % 4);
  }

  k.view.options.shrink = 1.0f;
  k.press("F6", 20);
  EXPECT_FLOAT_EQ(k.view.options.shrink, 0.1f);

  // Tessellation-driven edges cannot be switched off with l; without tessellation they can.
  k.view.options.TessOn = true;
  const bool line = k.view.options.LineOn;
  k.press("l");
  EXPECT_EQ(k.view.options.LineOn, line);
  k.press("L");
  k.press("l");
  EXPECT_NE(k.view.options.LineOn, line);
}

TEST(KeyBindings, InitialViewSolutionsAndRequests) {
  Keys k;
  k.facts.boxCentre[0] = 2, k.facts.boxCentre[1] = -1, k.facts.boxCentre[2] = 0.5;
  k.switches.dimension = 2;
  k.view.trackball.rotation = QQuaternion::fromAxisAndAngle(1, 0, 0, 30);
  EXPECT_EQ(k.press("i").changes, PavChange::Camera | PavChange::Centre); // linked windows follow
  EXPECT_TRUE(k.view.trackball.rotation.isIdentity() &&
              k.view.sceneCentre == QVector3D(2, -1, 0.5f));

  // m without any solution changes nothing; n needs a solution of the other kind.
  EXPECT_FALSE(k.press("m").changes.has(PavChange::Programs));
  k.facts.vertexSolutions = true;
  k.press("n");
  EXPECT_TRUE(k.view.options.SolOn == 0 && k.view.fieldMode == 0);
  const int solOn[] = {1, 2, 0, 1};
  for (int s : solOn) {
    EXPECT_TRUE(k.press("m").changes.has(PavChange::Programs));
    EXPECT_EQ(k.view.options.SolOn, s);
  }
  EXPECT_EQ(k.view.fieldMode, 1);
  k.facts.solDefinition = true;
  EXPECT_FALSE(k.press("o").changes.has(PavChange::Programs));
  EXPECT_EQ(k.view.options.IsoOn, 1);
  k.facts.elementSolutions = true;
  k.press("n");
  EXPECT_TRUE(k.press("n").changes.has(PavChange::Fields));
  EXPECT_EQ(k.view.fieldMode, 1);

  k.facts.multiPickingActive = true;
  EXPECT_EQ(k.press("Return").request, PavKeyRequest::FinishMultiPicking);
}

TEST(KeyBindings, CutPlaneKeysFollowDimensionPlaneAndTrackballMode) {
  Keys k;
  k.facts.boxCentre[0] = 4;
  k.switches.dimension = 3;
  k.press("F2");
  EXPECT_FALSE(k.switches.cutPlaneMode); // no plane yet
  EXPECT_TRUE(k.press("F1").changes.has(PavChange::Cut));
  EXPECT_TRUE(k.view.cutActive());
  const std::vector<double> plane = {1, 0, 0, -4};
  EXPECT_EQ(std::vector<double>(k.view.cutPlane, k.view.cutPlane + 4), plane);

  k.press("C");
  k.press("F2");
  EXPECT_TRUE(k.switches.cutPlaneMode && k.view.capping);
  k.press("F2");
  EXPECT_FALSE(k.switches.cutPlaneMode || k.view.capping);
}
