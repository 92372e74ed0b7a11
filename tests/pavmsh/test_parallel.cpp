// The worker pool: block splits of the edge cases, per-worker sums, and the refusals.
#include "pav_parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

struct Call {
  int32_t first, last, worker;
};

struct Recorder {
  std::vector<Call> calls[8];
};

void record(int32_t first, int32_t last, int32_t worker, void *arg) {
  static_cast<Recorder *>(arg)->calls[worker].push_back({first, last, worker});
}

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

TEST(Scheduler, SplitsOfOneThreadAndFourThreads) {
  PavScheduler *one = sched_Create(1);
  ASSERT_NE(one, nullptr);
  const int s1 = sched_NewSet(one, 5);
  ASSERT_EQ(s1, 1);
  const SchedIndexSet *set = sched_GetSet(one, s1);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->nbrBlk, 1);
  EXPECT_EQ(set->blk[0].first, 1);
  EXPECT_EQ(set->blk[0].last, 5);
  EXPECT_EQ(set->nbrSmlBlk, 1);
  EXPECT_EQ(set->maxLin, 10);
  Recorder rec;
  EXPECT_FLOAT_EQ(sched_Run(one, s1, 0, record, &rec), 1.0f);
  ASSERT_EQ(rec.calls[0].size(), 1u);
  EXPECT_EQ(rec.calls[0][0].first, 1);
  EXPECT_EQ(rec.calls[0][0].last, 5);
  sched_Destroy(one);

  PavScheduler *four = sched_Create(4);
  ASSERT_NE(four, nullptr);
  EXPECT_EQ(sched_ThreadCount(four), 4);
  const int a = sched_NewSet(four, 1000);
  const int b = sched_NewSet(four, 1003);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 2);
  const SchedIndexSet *sa = sched_GetSet(four, a);
  const int32_t expA[4][2] = {{1, 250}, {251, 500}, {501, 750}, {751, 1000}};
  for (int k = 0; k < 4; k++) {
    EXPECT_EQ(sa->smlBlk[k].first, expA[k][0]);
    EXPECT_EQ(sa->smlBlk[k].last, expA[k][1]);
  }
  EXPECT_EQ(sched_GetSet(four, b)->smlBlk[3].first, 751);
  EXPECT_EQ(sched_GetSet(four, b)->smlBlk[3].last, 1003);

  // Above 128 blocks per thread the lines are split in N / 512 sized blocks, the last one short.
  const int c = sched_NewSet(four, 1030);
  const SchedIndexSet *sc = sched_GetSet(four, c);
  EXPECT_EQ(sc->blkSiz, 2);
  EXPECT_EQ(sc->nbrBlk, 515);
  EXPECT_EQ(sc->blk[514].first, 1029);
  EXPECT_EQ(sc->blk[514].last, 1030);
  const int d = sched_NewSet(four, 1025);
  const SchedIndexSet *sd = sched_GetSet(four, d);
  EXPECT_EQ(sd->blkSiz, 2);
  EXPECT_EQ(sd->nbrBlk, 513);
  EXPECT_EQ(sd->blk[512].first, 1025);
  EXPECT_EQ(sd->blk[512].last, 1025);

  Recorder rec4;
  EXPECT_FLOAT_EQ(sched_Run(four, b, 0, record, &rec4), 4.0f);
  for (int k = 0; k < 4; k++) {
    ASSERT_EQ(rec4.calls[k].size(), 1u) << k;
    EXPECT_EQ(rec4.calls[k][0].worker, k);
  }
  EXPECT_EQ(rec4.calls[3][0].last, 1003);
  sched_Destroy(four);
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
  EXPECT_EQ(sched_NewSet(nullptr, 10), 0);
  EXPECT_FLOAT_EQ(sched_Run(nullptr, 1, 0, record, nullptr), -1.0f);
  sched_Destroy(nullptr);

  PavScheduler *s = sched_Create(4);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(sched_NewSet(s, 0), 0);
  EXPECT_EQ(sched_NewSet(s, 3), 0);
  EXPECT_FLOAT_EQ(sched_Run(s, 0, 0, record, nullptr), -1.0f);
  EXPECT_FLOAT_EQ(sched_Run(s, 101, 0, record, nullptr), -1.0f);
  EXPECT_FLOAT_EQ(sched_Run(s, 1, 0, record, nullptr), -1.0f); // slot 1 not reserved yet
  for (int i = 1; i <= 100; i++) ASSERT_EQ(sched_NewSet(s, 4 + i), i);
  EXPECT_EQ(sched_NewSet(s, 10), 0);
  EXPECT_FLOAT_EQ(sched_Run(s, 2, 2, record, nullptr), -1.0f);
  EXPECT_FLOAT_EQ(sched_Run(s, 2, 101, record, nullptr), -1.0f);
  sched_Destroy(s);

  // The thread count is clamped to 1..1024.
  PavScheduler *low = sched_Create(-5);
  ASSERT_NE(low, nullptr);
  EXPECT_EQ(sched_ThreadCount(low), 1);
  sched_Destroy(low);
  EXPECT_EQ(sched_CoreCount(), 1);
}

} // namespace
