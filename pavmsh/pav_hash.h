// A hash table of integer tuples, each stored node carrying a type byte and a list of integers.
//
// Keys: a node stores `siz` integers (its stored length, at most 255) of which the `m` integers
// starting at an offset chosen by the caller are hashed and compared. The hash of k[0..m-1] is
// 4*k[0] + k[1] + ... + k[m-1] in unsigned 32-bit arithmetic, masked by the power-of-two bucket
// count. Nodes and key integers come from pools that grow geometrically (chunks of 200000 times a
// doubling factor), so inserting millions of keys never allocates per node.
//
// Growth failures print "  ## HASHTABLE FATAL ERROR: FULL HASH TABLE NCALL %d SIZE %d \n" on the
// error stream and the insertion is dropped (null result); the table stays usable.
#pragma once

#include "pav_list.h"

#include <cstdint>

struct PavHashNode {
  uint8_t typ;      // type byte of the key (1..255)
  uint8_t m;        // hashed length
  uint8_t siz;      // stored length
  uint8_t cap;      // integers of key storage owned by the node (reused when recycled)
  int32_t *key;     // siz stored integers, in a key pool of the table
  PavIntList *dat;  // data list, null until something is appended
  PavHashNode *nxt; // next node of the bucket chain
};

struct PavHashNodeChunk;
struct PavHashKeyPool;

struct PavHashTable {
  int32_t nbrBuckets;       // power of two
  int32_t nbrChunks;        // node chunks allocated
  int32_t keyFactor;        // key-pool growth factor, starts at 1
  int32_t nodFactor;        // node-pool growth factor, starts at 1
  int32_t nbrObj;           // stored nodes
  PavHashNodeChunk *chunks; // newest first
  PavHashKeyPool *pools;    // newest first
  PavHashNode **buckets;    // nbrBuckets chain heads
  PavHashNode *freeNodes;   // recycled nodes
};

// A table with 2^floor(log2(sizeHint)) buckets; the first node chunk has poolSize + 1 nodes and the
// first key pool poolSize integers (1001 nodes and 1000 integers when poolSize < 1). Null for a
// size hint below 1 or a failed allocation. Release with pav_FreeHashTable.
PavHashTable *pav_NewHashTable(int64_t sizeHint, int64_t poolSize);
// Frees data lists, pools, buckets and the table; null accepted.
void pav_FreeHashTable(PavHashTable *tab);

// Inserts a node of type typ storing key[0..siz-1] and hashing key[0..m-1]; does not look for
// duplicates. Null when the pools cannot grow or the lengths are invalid (m < 1, m > siz,
// siz > 255, typ outside 0..255).
PavHashNode *pav_HashAdd(PavHashTable *tab, int typ, int siz, int m, const int32_t *key);
// The first node of the chain of key[0..m-1] whose type equals typ (typ < 1 matches every type),
// whose hashed length is m and whose first m integers equal the key; null when none.
PavHashNode *pav_HashFind(const PavHashTable *tab, int typ, int m, const int32_t *key);
// The same comparing m integers from position offset, in the caller's key and in the stored
// keys (stored with the same offset), hashing key[offset..offset+m-1].
PavHashNode *pav_HashFindOffset(const PavHashTable *tab, int typ, int m, int offset,
                                const int32_t *key);
// Toggles the key whose m integers from offset are hashed and compared: a matching node is removed
// (its data list freed) and null returned; otherwise a node storing key[0..siz-1] is inserted and
// returned. After toggling every occurrence the table holds the keys met an odd number of times.
// Null also when an insertion fails (message above).
PavHashNode *pav_HashToggle(PavHashTable *tab, int typ, int siz, int m, int offset,
                            const int32_t *key);
// Removes every node of type typ (freeing their data lists); returns their number.
int pav_HashRemoveType(PavHashTable *tab, int typ);
// Prints the five statistics lines of the table on standard output.
void pav_HashStatistics(const PavHashTable *tab);
// Growth requests above this many nodes or key integers fail as an allocation failure would
// (negative: no limit, the default). Lets tests exercise the full-table path.
void pav_HashSetGrowthLimitForTests(int64_t limit);
// Appends value to the data list of a node.
inline void pav_HashNodeAppend(PavHashNode *node, int32_t value) {
  node->dat = pav_AddToIntList(node->dat, value);
}
