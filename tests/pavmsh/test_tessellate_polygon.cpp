// Polygon triangulation against the shoelace area and orientation; an object's polygon set.
#include "mesh_builders.h"
#include "pav_tessellate_polygon.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <random>

namespace {

using Vec = std::array<double, 3>;

Vec sub(const double *a, const double *b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec cross(const Vec &a, const Vec &b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const Vec &a, const Vec &b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec triangleNormal(const double *a) { return cross(sub(a + 3, a), sub(a + 6, a)); }

// The polygon (x, y) placed in space through a random orthonormal frame (a, b) at a random
// origin; returns the coordinates, `normal` gets a x b.
std::vector<double> place(const std::vector<double> &x, const std::vector<double> &y,
                          std::mt19937 &rng, Vec &normal) {
  std::uniform_real_distribution<double> u(-1, 1);
  auto unit = [](Vec v) {
    return Vec{v[0] / std::sqrt(dot(v, v)), v[1] / std::sqrt(dot(v, v)),
               v[2] / std::sqrt(dot(v, v))};
  };
  const Vec o{u(rng), u(rng), u(rng)}, a = unit({u(rng), u(rng), u(rng)});
  const Vec b = unit(cross(cross(a, {u(rng), u(rng), u(rng)}), a)); // Gram-Schmidt
  normal = cross(a, b);
  std::vector<double> crd;
  for (size_t k = 0; k < x.size(); k++)
    for (size_t c = 0; c < 3; c++) crd.push_back(10 * o[c] + x[k] * a[c] + y[k] * b[c]);
  return crd;
}

// Sum of the triangle areas; every triangle must turn like `normal`.
double tessellatedArea(const std::vector<double> &crd, const Vec &normal, int *nt) {
  const int n = int(crd.size() / 3);
  std::vector<int> tri(size_t(3 * n));
  *nt = pav_TessellatePolygon(PAV_TESS_BOUNDARY, n, crd.data(), tri.data());
  double area = 0;
  for (int t = 0; t < *nt; t++) {
    double a[9];
    for (int k = 0; k < 9; k++) a[k] = crd[size_t(3 * tri[size_t(3 * t + k / 3)] + k % 3)];
    const Vec m = triangleNormal(a);
    area += 0.5 * std::sqrt(dot(m, m));
    EXPECT_GE(dot(m, normal), -1e-8 * std::sqrt(dot(m, m))) << "triangle " << t;
  }
  return area;
}

} // namespace

TEST(TessellatePolygon, AreasOrientationAndDuplicates) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> u(0, 1);
  for (int trial = 0; trial < 200; trial++) {
    const int n = 3 + trial % 40;
    // One angle per slot of 2 pi / n, jittered within it: no gap above pi, so the star-shaped
    // polygon (odd trials; convex on even ones) is simple. Every third one turns clockwise.
    std::vector<double> x, y;
    for (int k = 0; k < n; k++) {
      const double ang = 2 * M_PI * (k + 0.8 * u(rng) - 0.4) / n * (trial % 3 ? 1 : -1);
      const double r = trial % 2 ? 0.2 + u(rng) : 1.0;
      x.push_back(r * std::cos(ang)), y.push_back(r * std::sin(ang));
    }
    double shoelace = 0;
    for (int k = 0; k < n; k++)
      shoelace +=
          0.5 * (x[size_t(k)] * y[size_t((k + 1) % n)] - x[size_t((k + 1) % n)] * y[size_t(k)]);
    Vec normal;
    const std::vector<double> crd = place(x, y, rng, normal);
    if (shoelace < 0) normal = {-normal[0], -normal[1], -normal[2]};
    int nt = 0;
    EXPECT_NEAR(tessellatedArea(crd, normal, &nt), std::fabs(shoelace), 1e-9) << "trial " << trial;
    EXPECT_EQ(nt, n - 2);
  }
  // An L shape (area 3) with a repeated vertex within 1e-15 and the first vertex repeated at the
  // end: both dropped, 4 triangles for the 6 kept; a degenerate triangle gives none.
  Vec normal;
  const std::vector<double> l =
      place({0, 2, 2, 2 + 1e-15, 1, 1, 0, 0}, {0, 0, 1, 1, 1, 2, 2, 0}, rng, normal);
  int nt = 0;
  EXPECT_NEAR(tessellatedArea(l, normal, &nt), 3.0, 1e-9);
  EXPECT_EQ(nt, 4);
  std::vector<int> tri(36);
  const double twice[9] = {0, 0, 0, 1e-15, 0, 0, 1, 1, 1};
  EXPECT_EQ(pav_TessellatePolygon(PAV_TESS_POLYHEDRA, 3, twice, tri.data()), 0);
  EXPECT_EQ(
      pavo_test::captured([&] { EXPECT_EQ(pav_TessellatePolygon(3, 3, l.data(), tri.data()), 0); }),
      "  Warning in pav_TessellatePolygon: unknown mode 3 \n");
}

TEST(TessellatePolygon, PolygonSetOfAnObject) {
  // A unit cube as one polyhedron of six faces (1, 3, 5 turn inwards and are listed reversed)
  // plus two boundary polygons: an L of area 3 (ref 4) and a square with a bad vertex (skipped).
  pavo_test::ObjectPtr cube(
      pavo_test::buildMesh(3, {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1, 0, 1, 1, 1, 1,
                               0, 1, 1, 0, 0, 5, 2, 0, 5, 2, 1, 5, 1, 1, 5, 1, 2, 5, 0, 2, 5}));
  PavObject *obj = cube.get();
  char status[PAV_STATUS_SIZE] = "";
  pavo_test::attachPolygons(
      obj, {0, 0, 1, 4, 7, 6}, {0, 9, 10, 11, 12, 13, 14, 1, 2, 3, 99},
      {0, 0, 1, 0, 5, 0, 9, 0, 13, 0, 17, 0, 21, 0},
      {0, 1, 2, 3, 4, 1, 2, 6, 5, 6, 7, 3, 2, 3, 4, 8, 7, 8, 7, 6, 5, 1, 5, 8, 4}, {0, 0, 1, 8},
      {0, -1, 2, -3, 4, -5, 6});
  // Mode 1: the L gives 4 upward triangles tagged (1, 1, 4) of area 3, its 6 edges tagged once.
  int nt = 0, edges = 0;
  double *crd = nullptr, area = 0;
  int *lnk = nullptr;
  unsigned char *edg = nullptr;
  testing::internal::CaptureStdout();
  ASSERT_EQ(pav_createTessellationPolygons(obj, 1, 0, nullptr, &nt, &crd, &lnk, &edg, status), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\n  Triangles for Tessellation:             4 \n");
  ASSERT_EQ(nt, 4);
  for (int t = 0; t < nt; t++) {
    EXPECT_EQ(std::vector<int>(lnk + 3 * t, lnk + 3 * t + 3), (std::vector<int>{1, 1, 4}));
    area += 0.5 * triangleNormal(crd + 9 * t)[2]; // signed: a flipped triangle breaks the sum
    edges += edg[3 * t] + edg[3 * t + 1] + edg[3 * t + 2];
  }
  EXPECT_NEAR(area, 3.0, 1e-12);
  EXPECT_EQ(edges, 6);
  std::free(crd), std::free(lnk), std::free(edg);
  // Mode 2 with a selection: 12 triangles tagged (face, 1, 8), two per face, facing out.
  const int sel[1] = {1};
  pavo_test::captured([&] {
    ASSERT_EQ(pav_createTessellationPolygons(obj, 2, 1, sel, &nt, &crd, &lnk, nullptr, status), 0);
  });
  ASSERT_EQ(nt, 12);
  std::vector<int> perFace(7, 0);
  for (int t = 0; t < nt; t++) {
    perFace[size_t(lnk[3 * t])]++;
    EXPECT_EQ(lnk[3 * t + 1] * 10 + lnk[3 * t + 2], 18); // polyhedron 1, reference 8
    const double *a = crd + 9 * t;
    const Vec c{a[0] + a[3] + a[6] - 1.5, a[1] + a[4] + a[7] - 1.5, a[2] + a[5] + a[8] - 1.5};
    EXPECT_GT(dot(triangleNormal(a), c), 0) << "triangle " << t;
  }
  EXPECT_EQ(perFace, std::vector<int>({0, 2, 2, 2, 2, 2, 2}));
  std::free(crd), std::free(lnk);
  // Unknown mode: the error line, nothing produced.
  EXPECT_EQ(pavo_test::captured([&] {
              EXPECT_EQ(pav_createTessellationPolygons(obj, 0, 0, nullptr, &nt, &crd, &lnk, nullptr,
                                                       status),
                        PAV_FAILURE);
            }),
            "  Error in pav_createTessellationPolygons: unknown mode 0 \n");
  EXPECT_EQ(nt, 0);
}
