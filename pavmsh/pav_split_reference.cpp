// Grouping by reference: one hash pass assigns each entity the index of its reference (in order
// of first appearance), the references are sorted, and a counting pass places every entity number
// in one shared block: group after group, kept numbers then filtered numbers.
#include "pav_split_reference.h"

#include "pav_hash.h"
#include "pav_object.h"
#include "pav_status.h"
#include "pav_types.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <numeric>
#include <vector>

namespace {

// Key type of the references in the hash table.
constexpr int kRefKey = 1;

// Stride in integers between the records of entities 1 and n; -1 when it does not divide.
int64_t strideOf(const int32_t *first, const int32_t *last, int32_t n) {
  if (n < 2) return 0;
  const int64_t span = last - first;
  if (span < 0 || span % (n - 1) != 0) return -1;
  return span / (n - 1);
}

} // namespace

PavRefGroup *pav_SplitEntitiesByReference(int type, int32_t nbrVer, int32_t nbrEnt,
                                          const int32_t *firstIdx, const int32_t *lastIdx,
                                          const int32_t *firstRef, const int32_t *lastRef,
                                          int32_t *nbrGroups, int32_t **sortedRefs, char *status) {
  if (status) status[0] = '\0';
  if (nbrGroups) *nbrGroups = 0;
  if (sortedRefs) *sortedRefs = nullptr;
  if (nbrEnt < 1) return nullptr;
  if (!nbrGroups || !sortedRefs) {
    pav_SetStatus(status, "NULL (nbrGroups) parameter on input\n");
    return nullptr;
  }
  const int nbrNod =
      type >= Corners && type < PAV_NBR_STORED_TYPES ? pav_MshTyp2Siz(type, nullptr) : 0;
  if (nbrNod < 1) {
    pav_SetStatus(status, " pav_SplitEntitiesByReference is undefined for Typ %d !\n", type);
    return nullptr;
  }
  if (!firstIdx || !lastIdx || !firstRef || !lastRef) {
    pav_SetStatus(status, "NULL (entity arrays) parameter on input\n");
    return nullptr;
  }
  const int64_t idxStride = strideOf(firstIdx, lastIdx, nbrEnt);
  const int64_t refStride = strideOf(firstRef, lastRef, nbrEnt);
  if (idxStride < 0 || refStride < 0) {
    pav_SetStatus(status, "pav_SplitEntitiesByReference: entries do not match %d entities\n",
                  nbrEnt);
    return nullptr;
  }

  // Group index of every entity, in order of first appearance of its reference.
  std::vector<int32_t> groupOf;
  std::vector<int32_t> refs;
  PavHashTable *tab = pav_NewHashTable(nbrEnt, nbrEnt);
  if (!tab) {
    pav_SetStatus(status, "Allocation failed for hash-arrays, size %lg Mb\n",
                  pav_BytesToMb(sizeof(PavHashNode) * static_cast<size_t>(nbrEnt)));
    return nullptr;
  }
  bool ok = true;
  try {
    groupOf.resize(static_cast<size_t>(nbrEnt));
    for (int64_t i = 0; i < nbrEnt && ok; i++) {
      int32_t key[2] = {firstRef[i * refStride], 0};
      PavHashNode *node = pav_HashFind(tab, kRefKey, 1, key);
      if (!node) {
        key[1] = static_cast<int32_t>(refs.size());
        node = pav_HashAdd(tab, kRefKey, 2, 1, key);
        if (!node) {
          ok = false;
          break;
        }
        refs.push_back(key[0]);
      }
      groupOf[static_cast<size_t>(i)] = node->key[1];
    }
  } catch (const std::bad_alloc &) {
    ok = false;
  }
  pav_FreeHashTable(tab);
  if (!ok) {
    pav_SetStatus(status,
                  "pav_SplitEntitiesByReference: cannot index the references of %d "
                  "entities\n",
                  nbrEnt);
    return nullptr;
  }

  const int32_t n = static_cast<int32_t>(refs.size());
  std::vector<int32_t> order(static_cast<size_t>(n)); // sorted rank -> first-appearance index
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) { return refs[a] < refs[b]; });
  std::vector<int32_t> rank(static_cast<size_t>(n));
  for (int32_t r = 0; r < n; r++) rank[static_cast<size_t>(order[r])] = r;

  auto *groups =
      static_cast<PavRefGroup *>(std::calloc(static_cast<size_t>(n), sizeof(PavRefGroup)));
  auto *block = static_cast<int32_t *>(std::malloc(sizeof(int32_t) * static_cast<size_t>(nbrEnt)));
  auto *sorted = static_cast<int32_t *>(std::malloc(sizeof(int32_t) * static_cast<size_t>(n)));
  if (!groups || !block || !sorted) {
    std::free(groups);
    std::free(block);
    std::free(sorted);
    pav_SetStatus(status, "Allocation failed for reference-arrays, size %lg Mb\n",
                  pav_BytesToMb(sizeof(int32_t) * static_cast<size_t>(nbrEnt)));
    return nullptr;
  }

  // Filtered flag per entity is recomputed in both passes rather than stored.
  auto invalid = [&](int64_t i) {
    const int32_t *nod = firstIdx + i * idxStride;
    for (int k = 0; k < nbrNod; k++)
      if (nod[k] < 1 || nod[k] > nbrVer) return true;
    return false;
  };
  for (int32_t r = 0; r < n; r++) groups[r].ref = sorted[r] = refs[order[r]];
  for (int64_t i = 0; i < nbrEnt; i++) {
    PavRefGroup &g = groups[rank[groupOf[i]]];
    (invalid(i) ? g.nbrFiltered : g.nbrKept)++;
  }
  int32_t *p = block;
  for (int32_t r = 0; r < n; r++) {
    groups[r].kept = p;
    groups[r].filtered = p + groups[r].nbrKept;
    p += groups[r].nbrKept + groups[r].nbrFiltered;
    groups[r].nbrKept = groups[r].nbrFiltered = 0;
  }
  for (int64_t i = 0; i < nbrEnt; i++) {
    PavRefGroup &g = groups[rank[groupOf[i]]];
    const int32_t num = static_cast<int32_t>(i + 1);
    if (invalid(i))
      g.filtered[g.nbrFiltered++] = num;
    else
      g.kept[g.nbrKept++] = num;
  }
  *nbrGroups = n;
  *sortedRefs = sorted;
  return groups;
}

void pav_FreeRefGroups(PavRefGroup *groups) {
  if (!groups) return;
  std::free(groups[0].kept); // start of the shared block
  std::free(groups);
}

int64_t pav_CountFilteredEntities(const PavRefGroup *groups, int32_t nbrGroups) {
  int64_t sum = 0;
  for (int32_t r = 0; groups && r < nbrGroups; r++) sum += groups[r].nbrFiltered;
  return sum;
}
