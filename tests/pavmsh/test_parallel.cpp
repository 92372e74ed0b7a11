// The worker pool: block splits of the edge cases, per-worker sums, and the refusals.
#include "pav_parallel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
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

} // namespace
