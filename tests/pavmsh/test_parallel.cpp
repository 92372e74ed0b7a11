// The worker pool (block splits of the edge cases, per-worker sums, the refusals) and
// nearest-vertex queries against a brute-force scan, with radius, filter and concurrent threads.
#include "pav_octree.h"
#include "pav_parallel.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

// Passed to the runs that must be refused.
void record(int32_t, int32_t, int32_t, void *) { ADD_FAILURE() << "a refused run ran"; }

struct SumArg {
  const int32_t *values;
  int64_t perWorker[16];
};

void sumBlock(int32_t first, int32_t last, int32_t worker, void *arg) {
  SumArg *a = static_cast<SumArg *>(arg);
  int64_t s = 0;
  for (int32_t i = first; i <= last; i++) s += a->values[i];
  a->perWorker[worker] += s;
}

// Blocks of N / (128 threads) lines (one below 128 per thread), the last short; one small block
// of N / threads lines per worker, the last long.
TEST(Scheduler, SplitsTileTheLines) {
  using Pairs = std::vector<std::pair<int32_t, int32_t>>;
  for (int threads : {1, 4}) {
    PavScheduler *s = sched_Create(threads);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(sched_ThreadCount(s), threads);
    int slot = 0;
    for (int32_t n : {5, 127, 511, 512, 1000, 1003, 1025, 1030, 100003}) {
      SCOPED_TRACE(std::to_string(threads) + " threads, " + std::to_string(n) + " lines");
      ASSERT_EQ(sched_NewSet(s, n), ++slot);
      const SchedIndexSet *set = sched_GetSet(s, slot);
      ASSERT_NE(set, nullptr);
      const int32_t size = n < 128 * threads ? n : n / (128 * threads), sml = n / threads;
      Pairs want, wantSml, got, gotSml;
      for (int32_t f = 1; f <= n; f += size) want.push_back({f, std::min(f + size - 1, n)});
      for (int k = 0; k < threads; k++)
        wantSml.push_back({1 + k * sml, k == threads - 1 ? n : (k + 1) * sml});
      for (int k = 0; k < set->nbrBlk; k++) got.push_back({set->blk[k].first, set->blk[k].last});
      for (int k = 0; k < set->nbrSmlBlk; k++)
        gotSml.push_back({set->smlBlk[k].first, set->smlBlk[k].last});
      EXPECT_EQ(got, want);
      EXPECT_EQ(gotSml, wantSml);
    }
    sched_Destroy(s);
  }
}

TEST(Scheduler, RunsSumPerWorkerOverManyLaunches) {
  const int32_t n = 100003;
  std::vector<int32_t> values(n + 1);
  int64_t expected = 0;
  for (int32_t i = 1; i <= n; i++) expected += (values[i] = i % 97 - 40);
  PavScheduler *s = sched_Create(3);
  ASSERT_NE(s, nullptr);
  const int set = sched_NewSet(s, n);
  ASSERT_GT(set, 0);
  for (int launch = 0; launch < 20; launch++) {
    SumArg arg{values.data(), {}};
    ASSERT_FLOAT_EQ(sched_Run(s, set, 0, sumBlock, &arg), 3.0f);
    int64_t total = 0;
    for (int k = 0; k < 3; k++) total += arg.perWorker[k];
    ASSERT_EQ(total, expected) << launch;
  }
  sched_Destroy(s);
}

TEST(Scheduler, RefusesBadRequests) {
  EXPECT_FLOAT_EQ(sched_Run(nullptr, 1, 0, record, nullptr), -1.0f);

  PavScheduler *s = sched_Create(4);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(sched_NewSet(s, 3), 0);
  EXPECT_FLOAT_EQ(sched_Run(s, 1, 0, record, nullptr), -1.0f); // slot 1 not reserved yet
  for (int i = 1; i <= 100; i++) ASSERT_EQ(sched_NewSet(s, 4 + i), i);
  EXPECT_EQ(sched_NewSet(s, 10), 0);
  EXPECT_FLOAT_EQ(sched_Run(s, 2, 2, record, nullptr), -1.0f); // run number beyond the slot
  sched_Destroy(s);

  PavScheduler *low = sched_Create(-5);
  ASSERT_NE(low, nullptr);
  EXPECT_EQ(sched_ThreadCount(low), 1);
  sched_Destroy(low);
  EXPECT_EQ(sched_CoreCount(), 1);
}

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
