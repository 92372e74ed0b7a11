// Nearest-vertex queries against a brute-force scan, with radius, filter and concurrent threads.
#include "pav_octree.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

namespace {

struct Cloud {
  std::vector<double> crd; // vertex v at 3 * (v - 1)
  int32_t n() const { return static_cast<int32_t>(crd.size() / 3); }
};

int32_t bruteNearest(const Cloud &c, const double *p, double maxDist, bool (*keep)(int32_t, void *),
                     double *dist) {
  double best = maxDist > 0 ? maxDist * maxDist : DBL_MAX;
  int32_t id = 0;
  for (int32_t v = 1; v <= c.n(); v++) {
    const double *x = &c.crd[3 * (v - 1)];
    const double d2 = (x[0] - p[0]) * (x[0] - p[0]) + (x[1] - p[1]) * (x[1] - p[1]) +
                      (x[2] - p[2]) * (x[2] - p[2]);
    if (d2 < best && (!keep || keep(v, nullptr))) best = d2, id = v;
  }
  *dist = id ? std::sqrt(best) : 0;
  return id;
}

bool evenOnly(int32_t v, void *) { return v % 2 == 0; }

Cloud randomCloud(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(-1, 3);
  Cloud c;
  for (int i = 0; i < 3 * n; i++) c.crd.push_back(u(rng));
  // A flat cluster: many items in few cells.
  for (int i = 0; i < 200; i++) c.crd.insert(c.crd.end(), {0.5 + 1e-9 * i, 0.5, 0.5});
  return c;
}

TEST(Octree, NearestMatchesBruteForce) {
  const Cloud c = randomCloud(5000, 3);
  PavOctree *o = pav_NewOctree(c.n(), &c.crd[0], &c.crd[3 * (c.n() - 1)], 1);
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> u(-2, 4); // queries also outside the box
  for (int q = 0; q < 2000; q++) {
    const double p[3] = {u(rng), u(rng), u(rng)};
    for (double radius : {0.0, 0.05, 0.3}) {
      for (auto keep : {static_cast<bool (*)(int32_t, void *)>(nullptr), evenOnly}) {
        double d1 = -1, d2 = -1; // the same distance (the items may differ in a tie)
        const bool found =
            pav_OctreeNearest(o, PAV_OCTREE_VERTEX, p, &d1, radius, keep, nullptr, 0);
        ASSERT_EQ(found, bruteNearest(c, p, radius, keep, &d2) != 0) << q;
        ASSERT_EQ(d1, d2) << q;
      }
    }
  }
  double d;
  EXPECT_EQ(pav_OctreeNearest(o, PAV_OCTREE_VERTEX, &c.crd[0], &d, 0, nullptr, nullptr, 1), 0);
  EXPECT_EQ(pav_OctreeNearest(o, 7, &c.crd[0], &d, 0, nullptr, nullptr, 0), 0);
  pav_FreeOctree(o);
}

TEST(Octree, ThreadsQueryConcurrently) {
  const Cloud c = randomCloud(20000, 5);
  const int threads = 4;
  PavOctree *o = pav_NewOctree(c.n(), &c.crd[0], &c.crd[3 * (c.n() - 1)], threads);
  std::vector<int> mismatches(threads, 0);
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; t++)
    pool.emplace_back([&, t] {
      for (int32_t v = 1 + t; v <= c.n(); v += threads) {
        double d = -1;
        const int32_t r = pav_OctreeNearest(o, PAV_OCTREE_VERTEX, &c.crd[3 * (v - 1)], &d, 0,
                                            nullptr, nullptr, t);
        if (d != 0.0 || r == 0) mismatches[t]++;
      }
    });
  for (auto &th : pool) th.join();
  for (int m : mismatches) EXPECT_EQ(m, 0);
  pav_FreeOctree(o);
}

TEST(Octree, EmptyAndDegenerateSets) {
  PavOctree *none = pav_NewOctree(0, nullptr, nullptr, 1);
  const double p[3] = {0, 0, 0};
  double d = 5;
  EXPECT_EQ(pav_OctreeNearest(none, PAV_OCTREE_VERTEX, p, &d, 0, nullptr, nullptr, 0), 0);
  pav_FreeOctree(none);
  // All vertices at one point, with a stride of 4 doubles.
  std::vector<double> same(4 * 50, 2.0);
  PavOctree *o = pav_NewOctree(50, &same[0], &same[4 * 49], 1);
  EXPECT_NE(pav_OctreeNearest(o, PAV_OCTREE_VERTEX, p, &d, 0, nullptr, nullptr, 0), 0);
  EXPECT_DOUBLE_EQ(d, std::sqrt(12.0));
  EXPECT_EQ(pav_OctreeNearest(o, PAV_OCTREE_VERTEX, p, &d, 1.0, nullptr, nullptr, 0), 0);
  pav_FreeOctree(o);
}

} // namespace
