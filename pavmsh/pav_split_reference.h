// Grouping of the entities of one type by reference, for building one draw object per reference.
#pragma once

#include <cstdint>

// One group: the entities of one reference. Numbers are entity numbers from 1, in increasing
// order. kept and filtered point into one block shared by every group of a split (see
// pav_FreeRefGroups); they are null only when the split had no entities.
struct PavRefGroup {
  int32_t ref;
  int32_t nbrKept;     // entities whose node numbers all lie in 1..number of vertices
  int32_t *kept;       // nbrKept numbers
  int32_t nbrFiltered; // entities with a node number outside 1..number of vertices
  int32_t *filtered;   // nbrFiltered numbers
};

// Groups entities 1..nbrEnt of an entity type (2..31: corners or elements) by reference.
// The index and reference arrays are read with a constant stride: firstIdx points at the first
// node of entity 1 and lastIdx at the first node of entity nbrEnt, firstRef and lastRef at their
// references; the strides are (lastIdx - firstIdx) / (nbrEnt - 1) and (lastRef - firstRef) /
// (nbrEnt - 1) integers, so the object's own arrays (obj->ent[t].idx + s, obj->ent[t].ref + 1)
// and interleaved records (nodes and reference in one record per entity) both work. Each entity
// has pav_MshTyp2Siz(type) nodes.
// Returns one group per distinct reference, sorted by increasing reference, with *nbrGroups their
// number and *sortedRefs a new malloc'ed array of the same references (the caller frees it with
// free). An entity with a node number outside 1..nbrVer goes to the filtered list of its group.
// Every entity appears exactly once, kept or filtered.
// No entities (nbrEnt < 1): null, *nbrGroups = 0, *sortedRefs = null, status empty.
// Failure (bad type, null arrays, strides that do not divide, allocation or hash table failure):
// null with the message in status (at least PAV_STATUS_SIZE characters; may be null).
// Release the result with pav_FreeRefGroups.
PavRefGroup *pav_SplitEntitiesByReference(int type, int32_t nbrVer, int32_t nbrEnt,
                                          const int32_t *firstIdx, const int32_t *lastIdx,
                                          const int32_t *firstRef, const int32_t *lastRef,
                                          int32_t *nbrGroups, int32_t **sortedRefs, char *status);

// Frees the groups of one split and the block of numbers they share; null accepted.
void pav_FreeRefGroups(PavRefGroup *groups);

// Sum of the filtered counts of nbrGroups groups (64 bits).
int64_t pav_CountFilteredEntities(const PavRefGroup *groups, int32_t nbrGroups);
