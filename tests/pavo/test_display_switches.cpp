// Display keys on the picture of a real viewer: shrink (flat, curved and quadrilateral faces),
// box, cut-plane outline, scene centre, corners, point numbers and the light reset. Each row
// presses its keys and reads pixels at window points projected from the exact geometry: what was
// background becomes a mark, or a face pixel becomes background.
#include "gl_viewer_events.h"
#include "pavmsh.h"

#include <gtest/gtest.h>

using namespace pavo;
using namespace pavo_test;

namespace {

// Look of a few pixels about a point: Dark when any is dark (marks, unlit faces), else Grey when
// any is not white (faces), else White (the background).
enum Look { White, Grey, Dark };

Look lookAt(PavMeshViewer &v, QPoint p, int r) {
  v.renderNowNoSwap();
  int w = 0, h = 0;
  const std::vector<uint8_t> f = v.grabFrame(&w, &h);
  Look look = White;
  for (int y = p.y() - r; y <= p.y() + r; y++)
    for (int x = p.x() - r; x <= p.x() + r; x++) {
      if (x < 0 || y < 0 || x >= w || y >= h) continue;
      const uint8_t *c = &f[4 * ((size_t)(h - 1 - y) * (size_t)w + (size_t)x)];
      const int hi = std::max({c[0], c[1], c[2]}), lo = std::min({c[0], c[1], c[2]});
      if (hi < 80) return Dark;
      if (lo < 250) look = Grey;
    }
  return look;
}

enum MeshKind { P1Triangle, P2Triangle, Q1Square };

// The triangle (0,0) (1,0) (0,1) in z = 0, straight P2 nodes on its sides, with a corner on
// vertex 2; or the unit square.
PavObject *mesh(MeshKind kind) {
  if (kind == Q1Square)
    return meshOf({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, Quadrilaterals, {1, 2, 3, 4}, {1});
  std::vector<double> xyz = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0.5, 0, 0, 0.5, 0.5, 0, 0, 0.5, 0};
  PavObject *obj = kind == P1Triangle ? meshOf(xyz, Triangles, {1, 2, 3}, {1})
                                      : meshOf(xyz, TrianglesP2, {1, 2, 3, 4, 5, 6}, {1});
  char st[PAV_STATUS_SIZE];
  if (pav_AllocEntityArrays(obj, Corners, 1, st) == 0) obj->ent[Corners].idx[1] = 2;
  return obj;
}

struct Key {
  int qt;
  const char *text;
};
struct Probe {
  double x, y;   // scene point (z = 0)
  int dx, dy, r; // pixel offset and half-size of the window looked at
  Look before, after;
};
struct Row {
  const char *name;
  MeshKind mesh;
  bool darkLight; // diffuse lighting with the light turned away from the viewer first
  std::vector<Key> setup, keys;
  std::vector<Probe> probes;
};

const std::vector<Key> kTenF6(10, Key{Qt::Key_F6, ""}); // shrink 1.0 -> 0.5

// With shrink 0.5 about centroid c, the point c + 0.8 (v - c) near a vertex v comes from
// c + 1.6 (v - c), outside the element: background. The centroid stays covered.
const Row kRows[] = {
    {"ShrinkFlatTriangle",
     P1Triangle,
     false,
     {},
     kTenF6,
     {{1.0 / 3, 1.0 / 3, 0, 0, 0, Grey, Grey}, {0.2 / 3, 0.2 / 3, 0, 0, 1, Grey, White}}},
    {"ShrinkCurvedTriangle",
     P2Triangle,
     false,
     {},
     kTenF6,
     {{1.0 / 3, 1.0 / 3, 0, 0, 0, Grey, Grey}, {2.6 / 3, 0.2 / 3, 0, 0, 1, Grey, White}}},
    {"ShrinkQuadrilateral",
     Q1Square,
     false,
     {},
     kTenF6,
     {{0.5, 0.5, 0, 0, 0, Grey, Grey}, {0.9, 0.9, 0, 0, 1, Grey, White}}},
    // The box [0,1]^2 x {0}: its side x = 1 runs outside the triangle.
    {"Box", P1Triangle, false, {}, {{0, "B"}}, {{1, 0.75, 0, 0, 1, White, Dark}}},
    // F1 cuts at x = 0.5 (the box centre); U outlines the plane across the box.
    {"CutPlaneOutline",
     P1Triangle,
     false,
     {{Qt::Key_F1, ""}},
     {{0, "U"}},
     {{0.5, 0.85, 0, 0, 1, White, Dark}}},
    // Arms of a tenth of the radius (0.0707) about (0.5, 0.5), on the triangle's hypotenuse.
    {"SceneCentre", P1Triangle, false, {}, {{0, "c"}}, {{0.56, 0.5, 0, 0, 1, White, Dark}}},
    // The corner on vertex 2 is a disc of 8 pixels; 2 pixels right of it is background.
    {"Corners", P1Triangle, false, {}, {{0, "g"}}, {{1, 0, 3, 0, 1, White, Dark}}},
    // The number of vertex 2 is written to the upper right of it.
    {"PointNumbers", P1Triangle, false, {}, {{0, "D"}}, {{1, 0, 9, -9, 7, White, Dark}}},
    // i brings the light back in front of the faces.
    {"LightReset", P1Triangle, true, {}, {{0, "i"}}, {{1.0 / 3, 1.0 / 3, 0, 0, 0, Dark, Grey}}},
};

void PrintTo(const Row &row, std::ostream *os) { *os << row.name; }

class DisplaySwitches : public ::testing::TestWithParam<Row> {};

TEST_P(DisplaySwitches, KeysChangeThePixelsTheGeometryPredicts) {
  const Row &row = GetParam();
  std::unique_ptr<PavMeshViewer> v = shownViewer();
  if (!v) GTEST_SKIP() << "no display";
  showMesh(*v, mesh(row.mesh));
  if (row.darkLight) {
    v->view.options.UsePhong = 0;
    v->view.light = QVector3D(0, 0, -1);
  }
  auto press = [&](const std::vector<Key> &keys) {
    captured([&] {
      for (const Key &k : keys) key(*v, k.qt, k.text);
    });
  };
  auto lookOf = [&](const Probe &p) {
    const QPoint at = pixelOf(*v, p.x, p.y, 0) + QPoint(p.dx, p.dy);
    return lookAt(*v, at, p.r);
  };
  press(row.setup);
  for (const Probe &p : row.probes) EXPECT_EQ(lookOf(p), p.before) << p.x << " " << p.y;
  press(row.keys);
  for (const Probe &p : row.probes) EXPECT_EQ(lookOf(p), p.after) << p.x << " " << p.y;
}

INSTANTIATE_TEST_SUITE_P(Keys, DisplaySwitches, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row> &i) { return i.param.name; });

} // namespace
