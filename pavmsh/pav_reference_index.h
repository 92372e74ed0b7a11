// The reference index of a PavObject: for each entity type and reference, the entities carrying
// it, and under the pseudo-type Reference (39) the distinct references met. Built on request
// into obj->refIdx (a PavHashTable) and released with the object (pav_FreeReferenceIndex).
#pragma once

#include "pav_object.h"

// (Re)builds the index of type t (codes 1..31 with entities; t = 0: every such code). The nodes
// of t are replaced and the reference list is emptied first, so the reference list afterwards
// holds the references of the last type built (of all types for t = 0). 2 with a message for a
// null object, a failed table allocation, or a code out of 0..31.
int pav_BuildReferenceIndex(PavObject *obj, int t, char *status);
// The distinct references of type t (0: all types), ascending, in a new malloc'ed array the
// caller frees; *count their number. Count 0 and null array when the type has no entities.
int pav_GetReferences(PavObject *obj, int t, int *count, int **refs, char *status);
// The entities (numbers from 1, ascending) of type t carrying reference ref, in a new malloc'ed
// array; count 0 and null when none or when the type has no entities.
int pav_GetEntitiesOfReference(PavObject *obj, int ref, int t, int *count, int **ents,
                               char *status);
