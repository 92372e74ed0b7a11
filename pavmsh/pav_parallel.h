// A small pool of POSIX worker threads that runs a procedure over the index range 1..N of an
// index set, one contiguous block per worker, while the calling thread waits.
//
// Life cycle: sched_Create starts the workers; sched_NewSet reserves an index set (slots 1..100,
// each kept until the scheduler is destroyed); sched_Run runs one loop over a set; sched_Destroy
// stops and joins the workers and frees everything. Nothing here prints: callers detect failure
// from a null handle, a 0 set or a non-positive launch result.
//
// Concurrency: the procedure runs without any lock held and its blocks are disjoint, so it may
// write per-index results freely; shared totals must be kept per worker index and summed by the
// caller after sched_Run returns. sched_Run is not reentrant on one scheduler.
#pragma once

#include <cstdint>

// The first and last index (both from 1, inclusive) of one block of an index set.
struct SchedBlock {
  int32_t first;
  int32_t last;
};

// The split of 1..N into blocks. A slot is free while nbrLin is 0.
struct SchedIndexSet {
  int32_t nbrLin;    // N
  int32_t maxLin;    // 2 * N
  int32_t nbrBlk;    // number of blocks
  int32_t nbrSmlBlk; // number of small blocks (one per worker)
  int32_t blkSiz;
  int32_t smlBlkSiz;
  SchedBlock *blk;    // nbrBlk entries
  SchedBlock *smlBlk; // nbrSmlBlk entries
};

// The procedure of a loop: called with the first and last index of a block, the 0-based worker
// index and the loop argument.
typedef void (*SchedProc)(int32_t first, int32_t last, int32_t worker, void *arg);

struct PavScheduler;

constexpr int SCHED_MAX_THREADS = 1024;
constexpr int SCHED_MAX_SETS = 100;

// Starts a scheduler with the thread count clamped to 1..1024 and waits until every worker has
// registered. Null when an allocation or a thread start fails.
PavScheduler *sched_Create(int nbrThreads);
// Reserves the first free slot (1..100) for an index set of N lines and splits 1..N into blocks
// (one block [1, N] when N < 128 * threads, else blocks of N / (128 * threads) lines, the last
// ending at N) and one small block per worker (N / threads lines, the last ending at N). 0 for a
// null handle, N below the thread count, no free slot or an allocation failure.
int sched_NewSet(PavScheduler *sched, int32_t nbrLin);
// The split of a reserved set (null for a slot out of 1..100 or free); read-only, for inspection.
const SchedIndexSet *sched_GetSet(const PavScheduler *sched, int set);
// Runs proc over set: worker k runs small block k. Only the form with second set 0 is supported.
// Returns the thread count, or -1 for a null handle, a set out of 1..100 (or free), a second set
// out of 0..100 or equal to the first, or a second set other than 0.
float sched_Run(PavScheduler *sched, int set, int secondSet, SchedProc proc, void *arg);
// Stops and joins the workers and frees the scheduler with all its sets. Null is ignored.
void sched_Destroy(PavScheduler *sched);
// The number of workers the program uses for its parallel loops: 1.
int sched_CoreCount();
// The number of worker threads of a scheduler (0 for null).
int sched_ThreadCount(const PavScheduler *sched);
