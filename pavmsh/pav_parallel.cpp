// The worker pool. Each worker sleeps on its own condition and is handed a block through its
// record; the caller sleeps on the main condition until the done counter reaches the number of
// small blocks of the running set.
#include "pav_parallel.h"

#include <cstdlib>
#include <pthread.h>

namespace {

enum SchedCommand : int32_t { CmdRunBlocks = 0, CmdStop = 3 };

struct SchedWorker {
  int32_t idx;
  SchedBlock *blk; // block to run next; null while idle
  pthread_mutex_t mtx;
  pthread_cond_t cnd;
  pthread_t thread;
  PavScheduler *sched;
  bool started;
};

} // namespace

struct PavScheduler {
  int32_t nbrThreads;
  int32_t done;
  int32_t command;
  int32_t blkPerLin;
  SchedProc proc;
  void *arg;
  SchedIndexSet *curSet;
  pthread_mutex_t mtx;
  pthread_cond_t cnd;
  SchedWorker *workers;
  SchedIndexSet *sets; // SCHED_MAX_SETS + 1 slots, slot 0 unused
  int32_t scratch[2048];
};

namespace {

void *workerLoop(void *p) {
  SchedWorker *w = static_cast<SchedWorker *>(p);
  PavScheduler *s = w->sched;

  pthread_mutex_lock(&s->mtx);
  s->done++;
  pthread_cond_signal(&s->cnd);
  pthread_mutex_unlock(&s->mtx);

  for (;;) {
    pthread_mutex_lock(&w->mtx);
    for (;;) {
      pthread_mutex_lock(&s->mtx);
      const int32_t cmd = s->command;
      pthread_mutex_unlock(&s->mtx);
      if (cmd == CmdStop || w->blk) break;
      pthread_cond_wait(&w->cnd, &w->mtx);
    }
    SchedBlock *blk = w->blk;
    w->blk = nullptr;
    pthread_mutex_unlock(&w->mtx);

    pthread_mutex_lock(&s->mtx);
    const int32_t cmd = s->command;
    SchedProc proc = s->proc;
    void *arg = s->arg;
    const int32_t nbrSml = s->curSet ? s->curSet->nbrSmlBlk : 0;
    pthread_mutex_unlock(&s->mtx);
    if (cmd == CmdStop && !blk) break;

    if (blk) {
      proc(blk->first, blk->last, w->idx, arg);
      pthread_mutex_lock(&s->mtx);
      if (++s->done >= nbrSml) pthread_cond_signal(&s->cnd);
      pthread_mutex_unlock(&s->mtx);
    }
  }
  pthread_mutex_destroy(&w->mtx);
  pthread_cond_destroy(&w->cnd);
  return nullptr;
}

void freeSet(SchedIndexSet *set) {
  free(set->blk);
  free(set->smlBlk);
  *set = SchedIndexSet{};
}

} // namespace

int sched_CoreCount() { return 1; }

int sched_ThreadCount(const PavScheduler *sched) { return sched ? sched->nbrThreads : 0; }

PavScheduler *sched_Create(int nbrThreads) {
  PavScheduler *s = static_cast<PavScheduler *>(calloc(1, sizeof(PavScheduler)));
  if (!s) return nullptr;
  s->nbrThreads =
      nbrThreads < 1 ? 1 : (nbrThreads > SCHED_MAX_THREADS ? SCHED_MAX_THREADS : nbrThreads);
  s->blkPerLin = 2;
  s->command = CmdRunBlocks;
  s->workers = static_cast<SchedWorker *>(calloc(s->nbrThreads, sizeof(SchedWorker)));
  s->sets = static_cast<SchedIndexSet *>(calloc(SCHED_MAX_SETS + 1, sizeof(SchedIndexSet)));
  if (!s->workers || !s->sets) {
    free(s->workers);
    free(s->sets);
    free(s);
    return nullptr;
  }
  pthread_mutex_init(&s->mtx, nullptr);
  pthread_cond_init(&s->cnd, nullptr);

  int started = 0;
  for (int i = 0; i < s->nbrThreads; i++) {
    SchedWorker *w = &s->workers[i];
    w->idx = i;
    w->sched = s;
    pthread_mutex_init(&w->mtx, nullptr);
    pthread_cond_init(&w->cnd, nullptr);
    if (pthread_create(&w->thread, nullptr, workerLoop, w) != 0) {
      pthread_mutex_destroy(&w->mtx);
      pthread_cond_destroy(&w->cnd);
      break;
    }
    w->started = true;
    started++;
  }

  pthread_mutex_lock(&s->mtx);
  while (s->done < started) pthread_cond_wait(&s->cnd, &s->mtx);
  pthread_mutex_unlock(&s->mtx);

  if (started < s->nbrThreads) {
    sched_Destroy(s);
    return nullptr;
  }
  return s;
}

int sched_NewSet(PavScheduler *s, int32_t nbrLin) {
  if (!s || nbrLin < s->nbrThreads || nbrLin < 1) return 0;
  int slot = 0;
  for (int i = 1; i <= SCHED_MAX_SETS; i++)
    if (s->sets[i].nbrLin == 0) {
      slot = i;
      break;
    }
  if (!slot) return 0;

  SchedIndexSet set{};
  set.nbrLin = nbrLin;
  set.maxLin = static_cast<int32_t>(
      (static_cast<int64_t>(nbrLin) * s->blkPerLin > INT32_MAX) ? INT32_MAX : nbrLin * 2LL);

  const int64_t perBlock = 128LL * s->nbrThreads;
  if (perBlock > nbrLin) {
    set.nbrBlk = 1;
    set.blkSiz = nbrLin;
  } else {
    set.blkSiz = static_cast<int32_t>(nbrLin / perBlock);
    set.nbrBlk = nbrLin / set.blkSiz + (nbrLin % set.blkSiz ? 1 : 0);
  }
  set.nbrSmlBlk = s->nbrThreads;
  set.smlBlkSiz = nbrLin / s->nbrThreads;
  set.blk = static_cast<SchedBlock *>(malloc(sizeof(SchedBlock) * set.nbrBlk));
  set.smlBlk = static_cast<SchedBlock *>(malloc(sizeof(SchedBlock) * set.nbrSmlBlk));
  if (!set.blk || !set.smlBlk) {
    freeSet(&set);
    return 0;
  }
  for (int32_t i = 0; i < set.nbrBlk; i++) {
    set.blk[i].first = static_cast<int32_t>(static_cast<int64_t>(i) * set.blkSiz + 1);
    set.blk[i].last = static_cast<int32_t>(static_cast<int64_t>(i + 1) * set.blkSiz);
  }
  set.blk[set.nbrBlk - 1].last = nbrLin;
  for (int32_t k = 0; k < set.nbrSmlBlk; k++) {
    set.smlBlk[k].first = static_cast<int32_t>(static_cast<int64_t>(k) * set.smlBlkSiz + 1);
    set.smlBlk[k].last = static_cast<int32_t>(static_cast<int64_t>(k + 1) * set.smlBlkSiz);
  }
  set.smlBlk[set.nbrSmlBlk - 1].last = nbrLin;
  s->sets[slot] = set;
  return slot;
}

const SchedIndexSet *sched_GetSet(const PavScheduler *s, int set) {
  if (!s || set < 1 || set > SCHED_MAX_SETS || s->sets[set].nbrLin == 0) return nullptr;
  return &s->sets[set];
}

float sched_Run(PavScheduler *s, int set, int secondSet, SchedProc proc, void *arg) {
  if (!s || !proc || set < 1 || set > SCHED_MAX_SETS || secondSet < 0 ||
      secondSet > SCHED_MAX_SETS || set == secondSet)
    return -1.0f;
  // Loops ordered by a second set are not used by this program.
  if (secondSet != 0 || s->sets[set].nbrLin == 0) return -1.0f;

  SchedIndexSet *cur = &s->sets[set];
  pthread_mutex_lock(&s->mtx);
  s->command = CmdRunBlocks;
  s->proc = proc;
  s->arg = arg;
  s->curSet = cur;
  s->done = 0;
  pthread_mutex_unlock(&s->mtx);

  for (int k = 0; k < cur->nbrSmlBlk; k++) {
    SchedWorker *w = &s->workers[k];
    pthread_mutex_lock(&w->mtx);
    w->blk = &cur->smlBlk[k];
    pthread_cond_signal(&w->cnd);
    pthread_mutex_unlock(&w->mtx);
  }

  pthread_mutex_lock(&s->mtx);
  while (s->done < cur->nbrSmlBlk) pthread_cond_wait(&s->cnd, &s->mtx);
  s->curSet = nullptr;
  pthread_mutex_unlock(&s->mtx);
  return static_cast<float>(s->nbrThreads);
}

void sched_Destroy(PavScheduler *s) {
  if (!s) return;
  pthread_mutex_lock(&s->mtx);
  s->command = CmdStop;
  pthread_mutex_unlock(&s->mtx);
  for (int i = 0; i < s->nbrThreads; i++) {
    SchedWorker *w = &s->workers[i];
    if (!w->started) continue;
    pthread_mutex_lock(&w->mtx);
    pthread_cond_signal(&w->cnd);
    pthread_mutex_unlock(&w->mtx);
    pthread_join(w->thread, nullptr);
  }
  pthread_mutex_destroy(&s->mtx);
  pthread_cond_destroy(&s->cnd);
  for (int i = 1; i <= SCHED_MAX_SETS; i++)
    if (s->sets[i].nbrLin) freeSet(&s->sets[i]);
  free(s->workers);
  free(s->sets);
  free(s);
}
