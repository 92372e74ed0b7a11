// Release of the reference index held by a PavObject.
//
// The index (a PavHashTable of entity numbers per type and reference) is built on first request by
// the topology code, which owns this function: it must free the table here once the table type
// exists. Until then nothing can build an index, so only the null pointer reaches this point.
#include "pav_object.h"

void pav_FreeReferenceIndex(PavObject *obj) {
  if (!obj || !obj->refIdx) return;
  obj->refIdx = nullptr;
}
