// Curved elements drawn by the viewer against independent truth: meshes whose boundary nodes lie on
// an exact circle or sphere, compared in pixels with the Lagrange curve through those nodes
// (computed here from the Lagrange basis), at 1000 x 1000 and the default settings.
#include "gl_viewer_events.h"
#include "ho_lattice.h"
#include "mesh_builders.h"
#include "pavmsh.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <map>

using namespace pavo;
using namespace pavo_test;

namespace {

using P3 = std::array<double, 3>;
const double kPi = 3.14159265358979323846, kR = 1.0;
constexpr int kSectors = 8;
const double kStep = 2 * kPi / kSectors;

// Elements added one by one, each node placed by a function of its reference coordinates; nodes
// at the same place are one vertex.
struct Builder {
  std::vector<double> xyz;
  std::vector<int> nodes;
  std::map<std::array<long long, 3>, int> index;
  void add(HoKind kind, int degree, const std::function<P3(const double *)> &place) {
    const double *ref = hoNodeRefCoords(kind, degree);
    for (int n = 0; n < hoNodeCount(kind, degree); n++) {
      const P3 p = place(ref + n * hoRefWidth(kind));
      const std::array<long long, 3> key = {std::llround(p[0] * 1e8), std::llround(p[1] * 1e8),
                                            std::llround(p[2] * 1e8)};
      auto it = index.emplace(key, (int)xyz.size() / 3 + 1).first;
      if (it->second > (int)xyz.size() / 3) xyz.insert(xyz.end(), p.begin(), p.end());
      nodes.push_back(it->second);
    }
  }
};

P3 onCircle(double theta, double z = 0) { return {kR * cos(theta), kR * sin(theta), z}; }

// A point of the plane z = 0 on the chord of a sector goes to the arc at the same parameter.
P3 snapToArc(P3 p, bool curved) {
  const double phi = std::atan2(p[1], p[0]) + (p[1] < 0 ? 2 * kPi : 0);
  const int i = std::min((int)(phi / kStep), kSectors - 1);
  const P3 a = onCircle(i * kStep), b = onCircle((i + 1) * kStep);
  const double s =
      ((p[0] - a[0]) * (b[0] - a[0]) + (p[1] - a[1]) * (b[1] - a[1])) / (2 - 2 * cos(kStep));
  const double off = std::hypot(p[0] - a[0] - s * (b[0] - a[0]), p[1] - a[1] - s * (b[1] - a[1]));
  return curved && std::abs(p[2]) < 1e-12 && off < 1e-9 ? onCircle((i + s) * kStep) : p;
}

// Disk of radius kR in z = 0 cut into kSectors sectors (a fan of triangles, or quadrilaterals of
// an annulus from 0.4 kR), as faces or as the top of a slab of volume elements below it. Filled,
// the annulus has straight inner sides and its hole is four flat quadrilaterals of the octagon.
PavObject *disk(HoKind kind, int degree, bool curved = true, bool filled = false) {
  Builder b;
  for (int i = 0; i < kSectors; i++) {
    const P3 c = {0, 0, 0}, u = onCircle(i * kStep), v = onCircle((i + 1) * kStep);
    auto lin = [&](const double *w, const P3 *q, int n, double z) {
      P3 p = {0, 0, z};
      for (int k = 0; k < n; k++)
        for (int m = 0; m < 2; m++) p[m] += w[k] * q[k][m];
      return snapToArc(p, curved);
    };
    auto polar = [&](double r, double t, double z) {
      const P3 p = onCircle((i + t) * kStep, z);
      return P3{(0.4 + 0.6 * r) * p[0], (0.4 + 0.6 * r) * p[1], z};
    };
    auto place = [&](double r, double t, double z) {
      if (curved && filled) {
        const P3 in = polar(0, 0, z), out = polar(0, 1, z), arc = polar(1, t, z);
        return P3{(1 - r) * (in[0] + t * (out[0] - in[0])) + r * arc[0],
                  (1 - r) * (in[1] + t * (out[1] - in[1])) + r * arc[1], z};
      }
      if (curved) return polar(r, t, z);
      P3 q = {0, 0, z};
      for (int a = 0; a < 2; a++)
        for (int c = 0; c < 2; c++)
          for (int m = 0; m < 2; m++) q[m] += (a ? r : 1 - r) * (c ? t : 1 - t) * polar(a, c, z)[m];
      return q;
    };
    const P3 tri[3] = {c, u, v};
    if (kind == HoTriangle) b.add(kind, degree, [&](const double *w) { return lin(w, tri, 3, 0); });
    if (kind == HoQuadrilateral)
      b.add(kind, degree, [&](const double *w) { return place(w[0], w[1], 0); });
    if (kind == HoQuadrilateral && filled && i % 2 == 0) // centre, octagon corners i, i + 1, i + 2
      b.add(kind, degree, [&](const double *w) {
        const P3 a = onCircle(i * kStep), m = onCircle((i + 1) * kStep),
                 c = onCircle((i + 2) * kStep);
        P3 p = {0, 0, 0};
        for (int k = 0; k < 2; k++)
          p[k] = 0.4 * (w[0] * (1 - w[1]) * a[k] + w[0] * w[1] * m[k] + (1 - w[0]) * w[1] * c[k]);
        return p;
      });
    if (kind == HoHexahedron)
      b.add(kind, degree, [&](const double *w) { return place(w[0], w[1], 0.2 * (w[2] - 1)); });
    // The prism under the triangle (c, u, v) in three tetrahedra, the first holding the top face.
    const int tets[3][4] = {{0, 2, 1, 3}, {1, 2, 3, 4}, {2, 3, 4, 5}};
    for (int t = 0; kind == HoTetrahedron && t < 3; t++)
      b.add(kind, degree, [&](const double *w) {
        P3 q[4], p = {0, 0, 0};
        for (int k = 0; k < 4; k++)
          q[k] = {tri[tets[t][k] % 3][0], tri[tets[t][k] % 3][1], tets[t][k] < 3 ? 0.0 : -0.2};
        for (int k = 0; k < 4; k++)
          for (int m = 0; m < 3; m++) p[m] += w[k] * q[k][m];
        return snapToArc(p, curved);
      });
  }
  const int types[4][4] = {{Triangles, TrianglesP2, TrianglesP3, TrianglesP4},
                           {Quadrilaterals, QuadrilateralsQ2, QuadrilateralsQ3, QuadrilateralsQ4},
                           {Tetrahedra, TetrahedraP2, TetrahedraP3, TetrahedraP4},
                           {Hexahedra, HexahedraQ2, HexahedraQ3, HexahedraQ4}};
  const int row = kind == HoTriangle        ? 0
                  : kind == HoQuadrilateral ? 1
                  : kind == HoTetrahedron   ? 2
                                            : 3;
  return buildMesh(3, b.xyz, types[row][degree - 1], b.nodes);
}

// The frame of a viewer looking down z, as a mask of drawn pixels, and where scene points land.
struct Picture {
  std::vector<bool> drawn;
  int w = 0, h = 0;
  const PavMeshViewer *v;
  bool at(int x, int y) const {
    return x >= 0 && y >= 0 && x < w && y < h && drawn[(size_t)(y * w + x)];
  }
  QPointF window(const P3 &p) const { return windowOf(*v, p[0], p[1], p[2]); }
};

// The frame at a tessellation level and rotation; a pixel is drawn when its colour is nearer the
// faces' than the background's (the corner pixel).
Picture grab(PavMeshViewer &v, int level = 4, QQuaternion rot = {}) {
  v.view.trackball.rotation = rot;
  v.view.options.tessLevel = (int8_t)level;
  const Frame f(v);
  Picture p{{}, f.w, f.h, &v};
  std::vector<int> diff(f.rgba.size() / 4);
  for (size_t i = 0; i < diff.size(); i++)
    for (int c = 0; c < 3; c++) diff[i] += std::abs(f.rgba[4 * i + c] - f.rgba[c]);
  const int most = *std::max_element(diff.begin(), diff.end());
  p.drawn.resize(diff.size());
  for (size_t i = 0; i < diff.size(); i++) p.drawn[i] = 2 * diff[i] > most;
  return p;
}

Picture draw(PavMeshViewer &v, PavObject *obj) {
  showMesh(v, obj);
  return grab(v);
}

// Points of the outer boundary of the disk: the Lagrange curve of degree d through the nodes of
// each sector's arc, densely sampled.
std::vector<P3> trueOutline(int d) {
  std::vector<P3> out;
  for (int i = 0; i < kSectors; i++)
    for (int s = 0; s < 400; s++) {
      const double t = s / 400.0;
      P3 p = {0, 0, 0};
      for (int k = 0; k <= d; k++) {
        double l = 1;
        for (int j = 0; j <= d; j++)
          if (j != k) l *= (t - (double)j / d) / ((double)(k - j) / d);
        const P3 n = onCircle((i + (double)k / d) * kStep);
        for (int m = 0; m < 2; m++) p[m] += l * n[m];
      }
      out.push_back(p);
    }
  return out;
}

double nearest(const std::vector<QPointF> &set, QPointF q) {
  double best = 1e30;
  for (const QPointF &p : set) best = std::min(best, std::hypot(p.x() - q.x(), p.y() - q.y()));
  return best;
}

using Case = std::tuple<int, int, bool>; // kind, degree, filled
class CurvedOutline : public ::testing::TestWithParam<Case> {};

} // namespace

// The drawn outline (midpoints between a drawn pixel and an undrawn neighbour) lies within 1 px of
// the true curve and covers it, mid-side nodes included; no pixel is missing inside it (the filled
// annulus: flat quadrilaterals drawn untessellated beside curved ones); reordering the vertices
// changes nothing.
TEST_P(CurvedOutline, OuterBoundaryIsTheLagrangeCurveThroughTheNodes) {
  auto v = shownViewer(1000);
  if (!v) GTEST_SKIP() << "no display";
  const HoKind kind = (HoKind)std::get<0>(GetParam());
  const int d = std::get<1>(GetParam());
  const bool filled = std::get<2>(GetParam());
  const Picture pic = draw(*v, disk(kind, d, true, filled));
  std::vector<QPointF> curve, outline;
  for (const P3 &p : trueOutline(d)) curve.push_back(pic.window(p));
  const QPointF o = pic.window({0, 0, 0}), rim = pic.window({0.7 * kR, 0, 0});
  for (int y = 0; y < pic.h; y++)
    for (int x = 0; x < pic.w; x++)
      for (int k = 0; k < 2; k++)
        if (pic.at(x, y) != pic.at(x + 1 - k, y + k) &&
            std::hypot(x - o.x(), y - o.y()) > std::abs(rim.x() - o.x()))
          outline.push_back({x + 1 - 0.5 * k, y + 0.5 + 0.5 * k});
  ASSERT_GT(outline.size(), 1000u);
  const double radius = std::abs(rim.x() - o.x()) / 0.7,
               hole = (kind == HoQuadrilateral || kind == HoHexahedron) && !filled ? 0.45 : 0;
  int holes = 0;
  for (int y = 0; y < pic.h; y++)
    for (int x = 0; x < pic.w; x++) {
      const double r = std::hypot(x + 0.5 - o.x(), y + 0.5 - o.y()) / radius;
      holes += !pic.at(x, y) && r > hole && r < 0.95;
    }
  EXPECT_EQ(holes, 0);
  double far = 0, missed = 0;
  for (const QPointF &q : outline) far = std::max(far, nearest(curve, q));
  for (const QPointF &q : curve) missed = std::max(missed, nearest(outline, q));
  EXPECT_LE(far, 1.0);
  EXPECT_LE(missed, 1.0);
  ObjectPtr shuffled(disk(kind, d, true, filled));
  shuffleVertices(shuffled.get(), 7);
  EXPECT_TRUE(draw(*v, shuffled.release()).drawn == pic.drawn);
}

INSTANTIATE_TEST_SUITE_P(
    KindsAndDegrees, CurvedOutline,
    ::testing::Values(Case{HoTriangle, 2, false}, Case{HoTriangle, 3, false},
                      Case{HoTriangle, 4, false}, Case{HoQuadrilateral, 2, false},
                      Case{HoQuadrilateral, 2, true}, Case{HoQuadrilateral, 3, false},
                      Case{HoTetrahedron, 2, false}, Case{HoHexahedron, 2, false}));

// High-order elements with straight sides draw exactly like their first-order mesh.
TEST(CurvedOutlineStraight, StraightSecondOrderDrawsLikeFirstOrder) {
  auto v = shownViewer(1000);
  if (!v) GTEST_SKIP() << "no display";
  for (HoKind kind : {HoTriangle, HoQuadrilateral, HoHexahedron}) {
    const Picture p1 = draw(*v, disk(kind, 1, false));
    EXPECT_TRUE(draw(*v, disk(kind, 2, false)).drawn == p1.drawn) << kind;
  }
}

namespace {

// A P2 sphere (each octant in n x n x 2 triangles) shows no background pixel inside its
// silhouette at any tessellation level up to top.
void checkSphere(PavMeshViewer *v, int n, int top) {
  Builder b;
  for (int o = 0; o < 8; o++) {
    const P3 c[3] = {
        {o & 1 ? -1.0 : 1.0, 0, 0}, {0, o & 2 ? -1.0 : 1.0, 0}, {0, 0, o & 4 ? -1.0 : 1.0}};
    for (int i = 0; i < n; i++)
      for (int j = 0; j < n - i; j++)
        for (int up = 0; up < (j < n - i - 1 ? 2 : 1); up++) {
          const int l[3][2] = {{i, j}, {i + 1, j}, {i, j + 1}},
                    r[3][2] = {{i + 1, j + 1}, {i, j + 1}, {i + 1, j}};
          b.add(HoTriangle, 2, [&](const double *w) {
            P3 p = {0, 0, 0};
            for (int k = 0; k < 3; k++) {
              const int *a = up ? r[k] : l[k];
              const double e[3] = {double(n - a[0] - a[1]) / n, double(a[0]) / n, double(a[1]) / n};
              for (int m = 0; m < 3; m++)
                p[m] += w[k] * (e[0] * c[0][m] + e[1] * c[1][m] + e[2] * c[2][m]);
            }
            const double len = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
            return P3{p[0] / len, p[1] / len, p[2] / len};
          });
        }
  }
  showMesh(*v, buildMesh(3, b.xyz, TrianglesP2, b.nodes));
  for (int level = 1; level <= top; level++) {
    const Picture pic = grab(*v, level, QQuaternion::fromEulerAngles(20, 35, 10));
    const QPointF o = pic.window({0, 0, 0});
    double r = 0; // inside the silhouette: 0.9 times the farthest projected point of the sphere
    for (int k = 0; k < 360; k++) {
      const double a = k * kPi / 180, c = cos(a), s = sin(a);
      for (const P3 &p : {P3{c, s, 0}, P3{0, c, s}, P3{s, 0, c}}) {
        const QPointF q = pic.window(p);
        r = std::max(r, 0.9 * std::hypot(q.x() - o.x(), q.y() - o.y()));
      }
    }
    int holes = 0;
    for (int y = 0; y < pic.h; y++)
      for (int x = 0; x < pic.w; x++)
        holes += !pic.at(x, y) && std::hypot(x + 0.5 - o.x(), y + 0.5 - o.y()) < r;
    EXPECT_EQ(holes, 0) << n << " level " << level;
  }
}

} // namespace

// The finer sphere has elements close to flat on screen: at low levels some are drawn
// untessellated beside tessellated ones, and their shared sides must still meet.
TEST(CurvedOutlineSphere, ClosedSurfaceIsWatertightAtEveryLevel) {
  auto v = shownViewer(300);
  if (!v) GTEST_SKIP() << "no display";
  checkSphere(v.get(), 3, 125);
  checkSphere(v.get(), 16, 6);
}

// Lines fade where elements get a few pixels small: a cube of 60^3 cells (hexahedra: quadrilateral
// faces, tetrahedra: flat triangles) in 300 px shows its faces, a 6^3 cube dark edges (a 1 px line
// darkens the pixels within half a pixel of it by 84 %).
TEST(CurvedOutlineLines, DenseMeshesShowTheirFacesCoarseOnesTheirEdges) {
  auto v = shownViewer(300);
  if (!v) GTEST_SKIP() << "no display";
  v->view.options = PavRenderOption();
  v->view.options.TextOn = v->view.options.PalOn = v->view.options.AxisOn = false;
  for (CubeSplit split : {CubeSplit::Hexahedra, CubeSplit::Tetrahedra}) {
    showMesh(*v, buildCube(split, 60, 1));
    const Frame f(*v);
    std::vector<int> g; // grey levels over the top face, window rows counted downwards
    const QPoint a = pixelOf(*v, 0.1, 0.1, 1), b = pixelOf(*v, 0.9, 0.9, 1);
    for (int y = b.y(); y <= a.y(); y++)
      for (int x = a.x(); x <= b.x(); x++) {
        const std::array<int, 3> c = f.at(x, f.h - 1 - y);
        g.push_back(c[0] + c[1] + c[2]);
      }
    std::sort(g.begin(), g.end());
    const int face = g[g.size() * 9 / 10];
    ASSERT_GT(face, 150) << (int)split; // a lit face, not the black lines
    EXPECT_LT(20 * std::count_if(g.begin(), g.end(), [&](int c) { return 2 * c < face; }),
              (long)g.size())
        << (int)split;
    showMesh(*v, buildCube(split, 6, 1));
    for (int k = 1; k < 6; k++) {
      int darkest = 1000;
      for (int dx = -1; dx <= 1; dx++) {
        const std::array<int, 3> c = colourAt(*v, pixelOf(*v, k / 6.0, 0.5, 1) + QPoint(dx, 0));
        darkest = std::min(darkest, c[0] + c[1] + c[2]);
      }
      EXPECT_LT(4 * darkest, face) << (int)split << " line " << k;
    }
  }
}

// Degenerate curved elements beside a good one (a side of zero length, all nodes at one point,
// mid-side nodes folded across, a NaN node) leave the good one drawn, at levels 4 and 125.
TEST(CurvedOutlineDegenerate, GoodElementsDrawBesideBrokenOnes) {
  auto v = shownViewer(300);
  if (!v) GTEST_SKIP() << "no display";
  for (int type : {TrianglesP2, TrianglesP3, QuadrilateralsQ2})
    for (int defect = 0; defect < 4; defect++) {
      const bool tri = type != QuadrilateralsQ2;
      auto node = [&](const double *w, int e) { // weights of (0,0), (1,0), (0,1), or (u, v)
        P3 p = {2.0 * e + w[tri ? 1 : 0], w[tri ? 2 : 1], 0};
        const bool mid = std::any_of(w, w + 2, [](double x) { return x > 1e-9 && x < 1 - 1e-9; });
        if (e == 1 && defect == 0) p[0] = 2 + 0.5 * p[1]; // the side y = 0 is a point
        if (e == 1 && defect == 1) p = {2.5, 0.5, 0};
        if (e == 1 && defect >= 2 && mid) p[defect - 1] = defect == 2 ? p[1] - 3 : std::nan("");
        return p;
      };
      Builder b;
      for (int e = 0; e < 2; e++)
        b.add(tri ? HoTriangle : HoQuadrilateral, type == TrianglesP3 ? 3 : 2,
              [&](const double *w) { return node(w, e); });
      showMesh(*v, buildMesh(3, b.xyz, type, b.nodes));
      for (int level : {4, 125}) {
        const QPointF q = grab(*v, level).window({0.3, 0.3, 0});
        EXPECT_TRUE(grab(*v, level).at((int)q.x(), (int)q.y())) << type << " defect " << defect;
      }
    }
}
