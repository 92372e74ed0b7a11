// Polygon triangulation: triangle areas add up to the shoelace area of random convex and
// star-shaped (non-convex) polygons placed anywhere in space, every triangle turns like the
// polygon, repeated vertices are dropped, and the polygon set of an object is tessellated with
// its numbers, references and messages.
#include "pav_object.h"
#include "pav_tessellate_polygon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

using Vec = std::array<double, 3>;

Vec sub(const double *a, const double *b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec cross(const Vec &a, const Vec &b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const Vec &a, const Vec &b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Polygon in the plane (2-D points), and its copy in space through an orthonormal frame.
struct Poly {
  std::vector<double> x, y, crd;
  Vec normal;
};

Poly place(std::vector<double> x, std::vector<double> y, std::mt19937 &rng) {
  std::uniform_real_distribution<double> u(-1, 1);
  Vec a{u(rng), u(rng), u(rng)}, b{u(rng), u(rng), u(rng)};
  auto unit = [](Vec v) {
    const double l = std::sqrt(dot(v, v));
    return Vec{v[0] / l, v[1] / l, v[2] / l};
  };
  a = unit(a);
  const double ab = dot(a, b);
  b = unit({b[0] - ab * a[0], b[1] - ab * a[1], b[2] - ab * a[2]});
  Poly p{x, y, {}, cross(a, b)};
  const Vec o{u(rng) * 10, u(rng) * 10, u(rng) * 10};
  for (size_t k = 0; k < x.size(); k++)
    for (int c = 0; c < 3; c++)
      p.crd.push_back(o[size_t(c)] + x[k] * a[size_t(c)] + y[k] * b[size_t(c)]);
  return p;
}

double shoelace(const Poly &p) {
  double s = 0;
  for (size_t k = 0, n = p.x.size(); k < n; k++)
    s += p.x[k] * p.y[(k + 1) % n] - p.x[(k + 1) % n] * p.y[k];
  return 0.5 * s;
}

// Sum of triangle areas, checking each triangle's orientation against the polygon's normal.
double triangleArea(const Poly &p, const double *crd, int nt) {
  double area = 0;
  for (int t = 0; t < nt; t++) {
    const double *a = crd + 9 * t;
    const Vec n = cross(sub(a + 3, a), sub(a + 6, a));
    const double len = std::sqrt(dot(n, n));
    area += 0.5 * len;
    if (len > 1e-12) {
      EXPECT_GE(dot(n, p.normal) / len, -1e-8) << "triangle " << t;
    }
  }
  return area;
}

double tessellatedArea(const Poly &p, int *ntOut = nullptr) {
  const int n = int(p.crd.size() / 3);
  std::vector<int> tri(size_t(3 * n));
  const int nt = pav_TessellatePolygon(PAV_TESS_BOUNDARY, n, p.crd.data(), tri.data());
  std::vector<double> crd;
  for (int k = 0; k < 3 * nt; k++)
    for (int c = 0; c < 3; c++) crd.push_back(p.crd[size_t(3 * tri[size_t(k)] + c)]);
  if (ntOut) *ntOut = nt;
  return triangleArea(p, crd.data(), nt);
}

} // namespace

TEST(TessellatePolygon, AreasOrientationAndDuplicates) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> u(0, 1);
  for (int trial = 0; trial < 200; trial++) {
    const int n = 3 + trial % 40;
    const bool convex = trial % 2 == 0;
    // One angle per slot of 2 pi / n, jittered within it: increasing angles with no gap above pi,
    // so the star-shaped polygon is simple.
    std::vector<double> ang, x, y;
    for (int k = 0; k < n; k++) ang.push_back(2 * M_PI * (k + 0.8 * u(rng) - 0.4) / n);
    for (int k = 0; k < n; k++) {
      const double r = convex ? 1.0 : 0.2 + u(rng); // star-shaped about the origin otherwise
      x.push_back(r * std::cos(ang[size_t(k)]));
      y.push_back(r * std::sin(ang[size_t(k)]));
    }
    if (trial % 3 == 0) { // clockwise input: the polygon's own normal flips with it
      std::reverse(x.begin(), x.end());
      std::reverse(y.begin(), y.end());
    }
    const Poly p = place(x, y, rng);
    const double ref = shoelace(p);
    Poly oriented = p;
    if (ref < 0) oriented.normal = {-p.normal[0], -p.normal[1], -p.normal[2]};
    int nt = 0;
    EXPECT_NEAR(tessellatedArea(oriented, &nt), std::fabs(ref), 1e-9) << "trial " << trial;
    EXPECT_EQ(nt, n - 2);
  }
  // A comb (deeply non-convex) and an L shape, with a repeated vertex within 1e-14 and an exact
  // repetition of the first vertex at the end: both dropped, n - 2 triangles for n kept.
  std::mt19937 r2(3);
  const Poly comb =
      place({0, 5, 5, 4, 4, 3, 3, 2, 2, 1, 1, 0}, {0, 0, 3, 3, 1, 1, 3, 3, 1, 1, 3, 3}, r2);
  int nt = 0;
  EXPECT_NEAR(tessellatedArea(comb, &nt), shoelace(comb), 1e-9);
  EXPECT_EQ(nt, 10);
  Poly l = place({0, 2, 2, 2 + 1e-15, 1, 1, 0, 0}, {0, 0, 1, 1, 1, 2, 2, 0}, r2);
  l.x = {0, 2, 2, 1, 1, 0};
  l.y = {0, 0, 1, 1, 2, 2};
  EXPECT_NEAR(tessellatedArea(l, &nt), 3.0, 1e-9);
  EXPECT_EQ(nt, 4);
  std::vector<int> tri(36);
  const double twice[9] = {0, 0, 0, 1e-15, 0, 0, 1, 1, 1};
  EXPECT_EQ(pav_TessellatePolygon(PAV_TESS_POLYHEDRA, 3, twice, tri.data()), 0);
  testing::internal::CaptureStdout();
  EXPECT_EQ(pav_TessellatePolygon(3, 3, comb.crd.data(), tri.data()), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "  Warning in pav_TessellatePolygon: unknown mode 3 \n");
}

TEST(TessellatePolygon, PolygonSetOfAnObject) {
  // A unit cube as one polyhedron of six faces (three listed reversed) plus two boundary polygons:
  // an L of area 3 (ref 4) and a square with a bad vertex number (skipped).
  PavObject *obj = nullptr;
  ASSERT_EQ(pav_NewInterface(&obj), 0);
  char status[PAV_STATUS_SIZE] = "";
  ASSERT_EQ(pav_AllocEntityArrays(obj, Vertices, 14, status), 0);
  const double v[14][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1},
                           {1, 0, 1}, {1, 1, 1}, {0, 1, 1}, {0, 0, 5}, {2, 0, 5},
                           {2, 1, 5}, {1, 1, 5}, {1, 2, 5}, {0, 2, 5}};
  for (int i = 0; i < 14; i++)
    for (int c = 0; c < 3; c++) obj->crdDbl[3 * (i + 1) + c] = v[i][c];
  auto table = [](std::vector<int32_t> t) {
    auto *p = static_cast<int32_t *>(std::malloc(t.size() * sizeof(int32_t)));
    std::copy(t.begin(), t.end(), p);
    return p;
  };
  auto *ps = static_cast<PavPolygonSet *>(std::calloc(1, sizeof(PavPolygonSet)));
  obj->pol = ps;
  ps->nbrBndPol = 2;
  ps->nbrBndVer = 10;
  ps->bndHdr = table({0, 0, 1, 4, 7, 6});
  ps->bndVer = table({0, 9, 10, 11, 12, 13, 14, 1, 2, 3, 99});
  // Faces 1, 3, 5 turn inwards and are listed negative (reversed); the others turn outwards.
  const std::vector<int32_t> hdr = {0, 0, 1, 0, 5, 0, 9, 0, 13, 0, 17, 0, 21, 0};
  const std::vector<int32_t> ver = {0, 1, 2, 3, 4, 1, 2, 6, 5, 6, 7, 3, 2,
                                    3, 4, 8, 7, 8, 7, 6, 5, 1, 5, 8, 4};
  ps->nbrInnPol = 6;
  ps->nbrInnVer = 24;
  ps->innHdr = table(hdr);
  ps->innVer = table(ver);
  ps->nbrPolyhedra = 1;
  ps->nbrPolyhedraFaces = 6;
  ps->phdHdr = table({0, 0, 1, 8});
  ps->phdFac = table({0, -1, 2, -3, 4, -5, 6});
  // Mode 1: the L gives 4 triangles tagged (1, 1, 4), its 6 edges tagged once each; the square
  // with vertex 99 is skipped.
  int nt = 0;
  double *crd = nullptr;
  int *lnk = nullptr;
  unsigned char *edg = nullptr;
  testing::internal::CaptureStdout();
  ASSERT_EQ(pav_createTessellationPolygons(obj, 1, 0, nullptr, &nt, &crd, &lnk, &edg, status), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\n  Triangles for Tessellation:             4 \n");
  ASSERT_EQ(nt, 4);
  double area = 0;
  int edges = 0;
  for (int t = 0; t < nt; t++) {
    EXPECT_EQ(std::vector<int>(lnk + 3 * t, lnk + 3 * t + 3), (std::vector<int>{1, 1, 4}));
    const double *a = crd + 9 * t;
    const Vec n = cross(sub(a + 3, a), sub(a + 6, a));
    EXPECT_GT(n[2], 0);
    area += 0.5 * n[2];
    edges += edg[3 * t] + edg[3 * t + 1] + edg[3 * t + 2];
  }
  EXPECT_NEAR(area, 3.0, 1e-12);
  EXPECT_EQ(edges, 6);
  std::free(crd);
  std::free(lnk);
  std::free(edg);
  // Mode 2 with a selection: 12 triangles tagged (face, 1, 8), all facing out of the cube.
  const int sel[1] = {1};
  testing::internal::CaptureStdout();
  ASSERT_EQ(pav_createTessellationPolygons(obj, 2, 1, sel, &nt, &crd, &lnk, nullptr, status), 0);
  testing::internal::GetCapturedStdout();
  ASSERT_EQ(nt, 12);
  std::vector<int> perFace(7, 0);
  for (int t = 0; t < nt; t++) {
    perFace[size_t(lnk[3 * t])]++;
    EXPECT_EQ(lnk[3 * t + 1] * 10 + lnk[3 * t + 2], 18); // polyhedron 1, reference 8
    const double *a = crd + 9 * t;
    const Vec n = cross(sub(a + 3, a), sub(a + 6, a));
    const Vec c{(a[0] + a[3] + a[6]) / 3 - 0.5, (a[1] + a[4] + a[7]) / 3 - 0.5,
                (a[2] + a[5] + a[8]) / 3 - 0.5};
    EXPECT_GT(dot(n, c), 0) << "triangle " << t;
  }
  EXPECT_EQ(perFace, std::vector<int>({0, 2, 2, 2, 2, 2, 2}));
  std::free(crd);
  std::free(lnk);
  // Unknown mode: the error line, nothing produced; a polyhedron beyond the count is fatal.
  testing::internal::CaptureStdout();
  EXPECT_EQ(pav_createTessellationPolygons(obj, 0, 0, nullptr, &nt, &crd, &lnk, nullptr, status),
            PAV_FAILURE);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "  Error in pav_createTessellationPolygons: unknown mode 0 \n");
  EXPECT_EQ(nt, 0);
  const int far[1] = {2};
  EXPECT_EXIT(pav_createTessellationPolygons(obj, 2, 1, far, &nt, &crd, &lnk, nullptr, status),
              testing::ExitedWithCode(1), "");
  pav_DeleteInterface(&obj);
}
