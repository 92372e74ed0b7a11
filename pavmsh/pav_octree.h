// Nearest-item locator over the vertices of a mesh: a regular grid of 2^L cells per axis over
// the bounding box, searched outward cell by cell from the query point.
//
// Items are numbered from 1 in the caller's array; the coordinates are read, not copied, and must
// stay valid and unchanged while the locator lives. Several threads may query at once, each with
// its own thread index in 0..threads-1 (own queue and visit stamps); the item lists are read only.
// Allocation failures are fatal (pav_Fatal).
#pragma once

#include <cstdint>

struct PavOctree;

// Item kinds a locator answers for; only vertices are stored.
constexpr int PAV_OCTREE_VERTEX = 1;

// A candidate filter: true keeps the item.
typedef bool (*PavOctreeFilter)(int32_t item, void *arg);

// Builds the locator over nbrVer vertices whose coordinates (3 doubles each) start at firstCrd
// (vertex 1) and end at lastCrd (vertex nbrVer): the stride is (lastCrd - firstCrd) / (nbrVer - 1)
// doubles, at least 3. nbrThreads (clamped to 1..64) threads may query it at the same time.
// A locator without vertices answers 0 to every query.
PavOctree *pav_NewOctree(int32_t nbrVer, const double *firstCrd, const double *lastCrd,
                         int nbrThreads);
// The item of the kind nearest to p whose squared distance is below maxDist^2 (no limit when
// maxDist <= 0) and that the filter (when given) keeps; *dist (when not null) receives its
// distance. 0 when none, for an unknown kind, or a thread index outside 0..threads-1.
int32_t pav_OctreeNearest(PavOctree *oct, int kind, const double p[3], double *dist, double maxDist,
                          PavOctreeFilter filter, void *filterArg, int thread);
// Releases the locator; null accepted.
void pav_FreeOctree(PavOctree *oct);
