// The reference index lives in the object's hash table: node (t, [ref]) lists the entities of type
// t with reference ref; node (Reference, [0]) lists the references met while building.
#include "pav_reference_index.h"

#include "pav_hash.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int64_t kIndexSize = 3000000;

int buildOne(PavObject *obj, int t, char *status) {
  const PavEntitySet &es = obj->ent[t];
  if (es.nbr < 1 || !es.ref) return PAV_SUCCESS;
  PavHashTable *tab = obj->refIdx;
  const int32_t zero = 0;
  PavHashNode *refs = pav_HashFind(tab, Reference, 1, &zero);
  if (refs) {
    pav_FreeIntList(refs->dat);
    refs->dat = nullptr;
    pav_HashRemoveType(tab, t);
  } else {
    refs = pav_HashAdd(tab, Reference, 1, 1, &zero);
    if (!refs) return pav_Fail(status, "Reference index: hash table full\n");
  }
  PavHashNode *last = nullptr;
  for (int32_t i = 1; i <= es.nbr; i++) {
    const int32_t r = es.ref[i];
    // Consecutive entities usually share their reference: skip the lookup then.
    PavHashNode *node = (last && last->key[0] == r) ? last : pav_HashFind(tab, t, 1, &r);
    if (!node) {
      node = pav_HashAdd(tab, t, 1, 1, &r);
      if (!node) return pav_Fail(status, "Reference index: hash table full\n");
      pav_HashNodeAppend(refs, r);
    }
    pav_HashNodeAppend(node, i);
    last = node;
  }
  return PAV_SUCCESS;
}

} // namespace

void pav_FreeReferenceIndex(PavObject *obj) {
  if (!obj || !obj->refIdx) return;
  pav_FreeHashTable(obj->refIdx);
  obj->refIdx = nullptr;
}

int pav_BuildReferenceIndex(PavObject *obj, int t, char *status) {
  if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
  if (t < 0 || t >= PAV_NBR_STORED_TYPES)
    return pav_Fail(status, " pav_BuildReferenceIndex is undefined for Typ %d !\n", t);
  if (!obj->refIdx) {
    obj->refIdx = pav_NewHashTable(kIndexSize, kIndexSize);
    if (!obj->refIdx) return pav_Fail(status, "Allocation failed for reference index\n");
  }
  if (t != 0) return buildOne(obj, t, status);
  // Every type: the reference list gathers the references of all of them.
  const int32_t zero = 0;
  PavHashNode *refs = pav_HashFind(obj->refIdx, Reference, 1, &zero);
  if (refs) {
    pav_FreeIntList(refs->dat);
    refs->dat = nullptr;
  }
  PavIntList *all = nullptr;
  for (int type = 1; type < PAV_NBR_STORED_TYPES; type++) {
    if (!pav_IsStoredType(type) || obj->ent[type].nbr < 1) continue;
    if (buildOne(obj, type, status) != PAV_SUCCESS) {
      pav_FreeIntList(all);
      return PAV_FAILURE;
    }
    refs = pav_HashFind(obj->refIdx, Reference, 1, &zero);
    int32_t n = 0;
    int32_t *r = pav_IntListToArray(refs->dat, &n);
    for (int32_t k = 0; k < n; k++) all = pav_AddToIntList(all, r[k]);
    free(r);
  }
  refs = pav_HashFind(obj->refIdx, Reference, 1, &zero);
  if (refs) {
    pav_FreeIntList(refs->dat);
    refs->dat = all;
  } else {
    pav_FreeIntList(all);
  }
  return PAV_SUCCESS;
}

int pav_GetReferences(PavObject *obj, int t, int *count, int **refs, char *status) {
  if (count) *count = 0;
  if (refs) *refs = nullptr;
  if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
  if (!count || !refs) return pav_Fail(status, "NULL (count)   parameter on input\n");
  if (t != 0 && pav_Count(obj, t) < 1) return PAV_SUCCESS;
  if (pav_BuildReferenceIndex(obj, t, status) != PAV_SUCCESS) return PAV_FAILURE;
  const int32_t zero = 0;
  PavHashNode *node = pav_HashFind(obj->refIdx, Reference, 1, &zero);
  if (!node) return PAV_SUCCESS;
  int32_t n = 0;
  int32_t *r = pav_IntListToArray(node->dat, &n);
  std::sort(r, r + n);
  n = static_cast<int32_t>(std::unique(r, r + n) - r);
  *count = n;
  *refs = r;
  return PAV_SUCCESS;
}

int pav_GetEntitiesOfReference(PavObject *obj, int ref, int t, int *count, int **ents,
                               char *status) {
  if (count) *count = 0;
  if (ents) *ents = nullptr;
  if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
  if (!count || !ents) return pav_Fail(status, "NULL (count)   parameter on input\n");
  if (!pav_IsStoredType(t) || pav_Count(obj, t) < 1) return PAV_SUCCESS;
  if (pav_BuildReferenceIndex(obj, t, status) != PAV_SUCCESS) return PAV_FAILURE;
  const int32_t key = ref;
  PavHashNode *node = pav_HashFind(obj->refIdx, t, 1, &key);
  if (!node) return PAV_SUCCESS;
  int32_t n = 0;
  *ents = pav_IntListToArray(node->dat, &n); // appended in increasing entity order
  *count = n;
  return PAV_SUCCESS;
}
