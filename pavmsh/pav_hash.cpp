// Nodes are taken from the free list first, then from the unused tail of the newest chunk, so a
// fresh chunk is touched only as far as it is used. A recycled node keeps its key storage and
// reuses it when the new key fits, which keeps toggling (insert, remove, insert, ...) from
// draining the key pools.
#include "pav_hash.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

struct PavHashNodeChunk {
  PavHashNodeChunk *next;
  int64_t size;
  int64_t used;
  PavHashNode nodes[1];
};

struct PavHashKeyPool {
  PavHashKeyPool *next;
  int64_t used;
  int64_t remaining;
  int32_t keys[1];
};

namespace {

constexpr int64_t kGrowStep = 200000;

PavHashNodeChunk *newChunk(int64_t size) {
  const size_t bytes = sizeof(PavHashNodeChunk) + sizeof(PavHashNode) * static_cast<size_t>(size);
  PavHashNodeChunk *c = static_cast<PavHashNodeChunk *>(malloc(bytes));
  if (!c) return nullptr;
  c->next = nullptr;
  c->size = size;
  c->used = 0;
  return c;
}

PavHashKeyPool *newPool(int64_t size) {
  const size_t bytes = sizeof(PavHashKeyPool) + sizeof(int32_t) * static_cast<size_t>(size);
  PavHashKeyPool *p = static_cast<PavHashKeyPool *>(malloc(bytes));
  if (!p) return nullptr;
  p->next = nullptr;
  p->used = 0;
  p->remaining = size;
  return p;
}

inline uint32_t hashKey(const int32_t *k, int m) {
  uint32_t h = 4u * static_cast<uint32_t>(k[0]);
  for (int i = 1; i < m; i++) h += static_cast<uint32_t>(k[i]);
  return h;
}

// Mostly for tests: lets a test make growth fail without exhausting memory.
int64_t gGrowthLimit = -1;

PavHashNode *takeNode(PavHashTable *tab) {
  if (PavHashNode *n = tab->freeNodes) {
    tab->freeNodes = n->nxt;
    return n;
  }
  PavHashNodeChunk *c = tab->chunks;
  if (!c || c->used >= c->size) {
    const int32_t newFactor = tab->nodFactor * 2;
    const int64_t size = static_cast<int64_t>(tab->nodFactor) * kGrowStep + 1;
    PavHashNodeChunk *nc = (gGrowthLimit >= 0 && size > gGrowthLimit) ? nullptr : newChunk(size);
    if (!nc) {
      fprintf(stderr, "  ## HASHTABLE FATAL ERROR: FULL HASH TABLE NCALL %d SIZE %d \n", newFactor,
              static_cast<int>(size));
      return nullptr;
    }
    tab->nodFactor = newFactor;
    nc->next = c;
    tab->chunks = c = nc;
    tab->nbrChunks++;
  }
  PavHashNode *n = &c->nodes[c->used++];
  n->cap = 0;
  n->key = nullptr;
  return n;
}

int32_t *takeKeys(PavHashTable *tab, int siz) {
  PavHashKeyPool *p = tab->pools;
  if (!p || p->remaining < siz) {
    const int32_t newFactor = tab->keyFactor * 2;
    int64_t size = static_cast<int64_t>(tab->keyFactor) * kGrowStep;
    if (size < siz) size = siz;
    PavHashKeyPool *np = (gGrowthLimit >= 0 && size > gGrowthLimit) ? nullptr : newPool(size);
    if (!np) {
      fprintf(stderr, "  ## HASHTABLE FATAL ERROR: FULL HASH TABLE NCALL %d SIZE %d \n", newFactor,
              static_cast<int>(size));
      return nullptr;
    }
    tab->keyFactor = newFactor;
    np->next = p;
    tab->pools = p = np;
  }
  int32_t *k = p->keys + p->used;
  p->used += siz;
  p->remaining -= siz;
  return k;
}

void releaseNode(PavHashTable *tab, PavHashNode *n) {
  pav_FreeIntList(n->dat);
  n->dat = nullptr;
  n->nxt = tab->freeNodes;
  tab->freeNodes = n;
  tab->nbrObj--;
}

PavHashNode *insert(PavHashTable *tab, int typ, int siz, int m, int offset, const int32_t *key) {
  PavHashNode *n = takeNode(tab);
  if (!n) return nullptr;
  if (n->cap < siz) {
    int32_t *k = takeKeys(tab, siz);
    if (!k) {
      n->nxt = tab->freeNodes;
      tab->freeNodes = n;
      return nullptr;
    }
    n->key = k;
    n->cap = static_cast<uint8_t>(siz);
  }
  n->typ = static_cast<uint8_t>(typ);
  n->m = static_cast<uint8_t>(m);
  n->siz = static_cast<uint8_t>(siz);
  memcpy(n->key, key, sizeof(int32_t) * siz);
  n->dat = nullptr;
  const uint32_t b = hashKey(key + offset, m) & static_cast<uint32_t>(tab->nbrBuckets - 1);
  n->nxt = tab->buckets[b];
  tab->buckets[b] = n;
  tab->nbrObj++;
  return n;
}

inline bool matches(const PavHashNode *n, int typ, int m, int offset, const int32_t *key) {
  if (typ >= 1 && n->typ != typ) return false;
  if (n->m != m || n->siz < offset + m) return false;
  const int32_t *s = n->key + offset;
  const int32_t *k = key + offset;
  for (int i = 0; i < m; i++)
    if (s[i] != k[i]) return false;
  return true;
}

bool validLengths(int typ, int siz, int m, int offset) {
  return typ >= 0 && typ <= 255 && m >= 1 && offset >= 0 && siz <= 255 && offset + m <= siz;
}

} // namespace

// Test hook: growth requests above this many nodes or integers fail (negative: no limit).
void pav_HashSetGrowthLimitForTests(int64_t limit) { gGrowthLimit = limit; }

PavHashTable *pav_NewHashTable(int64_t sizeHint, int64_t poolSize) {
  if (sizeHint < 1) return nullptr;
  int64_t nbrBuckets = 1;
  while (nbrBuckets * 2 <= sizeHint && nbrBuckets < (int64_t(1) << 30)) nbrBuckets *= 2;
  PavHashTable *tab = static_cast<PavHashTable *>(calloc(1, sizeof(PavHashTable)));
  if (!tab) return nullptr;
  tab->nbrBuckets = static_cast<int32_t>(nbrBuckets);
  tab->keyFactor = 1;
  tab->nodFactor = 1;
  tab->buckets = static_cast<PavHashNode **>(calloc(nbrBuckets, sizeof(PavHashNode *)));
  const int64_t nodes = poolSize < 1 ? 1001 : poolSize + 1;
  const int64_t keys = poolSize < 1 ? 1000 : poolSize;
  tab->chunks = newChunk(nodes);
  tab->pools = newPool(keys);
  if (!tab->buckets || !tab->chunks || !tab->pools) {
    pav_FreeHashTable(tab);
    return nullptr;
  }
  tab->nbrChunks = 1;
  return tab;
}

void pav_FreeHashTable(PavHashTable *tab) {
  if (!tab) return;
  for (PavHashNodeChunk *c = tab->chunks; c;) {
    for (int64_t i = 0; i < c->used; i++) pav_FreeIntList(c->nodes[i].dat);
    PavHashNodeChunk *next = c->next;
    free(c);
    c = next;
  }
  for (PavHashKeyPool *p = tab->pools; p;) {
    PavHashKeyPool *next = p->next;
    free(p);
    p = next;
  }
  free(tab->buckets);
  free(tab);
}

PavHashNode *pav_HashAdd(PavHashTable *tab, int typ, int siz, int m, const int32_t *key) {
  if (!tab || !key || !validLengths(typ, siz, m, 0)) return nullptr;
  return insert(tab, typ, siz, m, 0, key);
}

PavHashNode *pav_HashFindOffset(const PavHashTable *tab, int typ, int m, int offset,
                                const int32_t *key) {
  if (!tab || !key || m < 1 || offset < 0 || offset + m > 255) return nullptr;
  const uint32_t b = hashKey(key + offset, m) & static_cast<uint32_t>(tab->nbrBuckets - 1);
  for (PavHashNode *n = tab->buckets[b]; n; n = n->nxt)
    if (matches(n, typ, m, offset, key)) return n;
  return nullptr;
}

PavHashNode *pav_HashFind(const PavHashTable *tab, int typ, int m, const int32_t *key) {
  return pav_HashFindOffset(tab, typ, m, 0, key);
}

PavHashNode *pav_HashToggle(PavHashTable *tab, int typ, int siz, int m, int offset,
                            const int32_t *key) {
  if (!tab || !key || !validLengths(typ, siz, m, offset)) return nullptr;
  const uint32_t b = hashKey(key + offset, m) & static_cast<uint32_t>(tab->nbrBuckets - 1);
  PavHashNode **link = &tab->buckets[b];
  for (PavHashNode *n = *link; n; link = &n->nxt, n = n->nxt) {
    if (matches(n, typ, m, offset, key)) {
      *link = n->nxt;
      releaseNode(tab, n);
      return nullptr;
    }
  }
  return insert(tab, typ, siz, m, offset, key);
}

int pav_HashRemoveType(PavHashTable *tab, int typ) {
  if (!tab) return 0;
  int removed = 0;
  for (int32_t b = 0; b < tab->nbrBuckets; b++) {
    PavHashNode **link = &tab->buckets[b];
    while (PavHashNode *n = *link) {
      if (n->typ == typ) {
        *link = n->nxt;
        releaseNode(tab, n);
        removed++;
      } else {
        link = &n->nxt;
      }
    }
  }
  return removed;
}

void pav_HashStatistics(const PavHashTable *tab) {
  if (!tab) return;
  int64_t collisions = 0, empty = 0, crowded = 0, maxChain = 0;
  for (int32_t b = 0; b < tab->nbrBuckets; b++) {
    int64_t len = 0;
    for (const PavHashNode *n = tab->buckets[b]; n; n = n->nxt) len++;
    if (len == 0) {
      empty++;
      continue;
    }
    collisions += len - 1;
    if (len > 1) crowded++;
    if (len - 1 > maxChain) maxChain = len - 1;
  }
  printf("    Number of objects    %d Table size %d\n", tab->nbrObj, tab->nbrBuckets);
  printf("    Number of collisions %d\n", static_cast<int>(collisions));
  printf("    Number of empty box  %d\n", static_cast<int>(empty));
  printf("    Maximum number of collisons for a key %d\n", static_cast<int>(maxChain));
  printf("    Mean    number of collisons for a key %2.2lf\n",
         crowded ? static_cast<double>(collisions) / static_cast<double>(crowded) : 0.0);
}
