// Entities crossed by a plane, the faces around a set of volume entities, and the capping: the
// section of volume elements by a plane as flat triangles with parent reference coordinates.
//
// A plane is four doubles (a, b, c, e) read as a x + b y + c z + e = 0. The side value of a point
// is s = a x + b y + c z + e; s > 0 is the positive side, s <= 0 the other one. A degenerate plane
// (all zero, or not finite) puts every vertex on one side, so nothing is cut.
// Entity numbers are from 1; the lists returned are packed from index 0, newly malloc'ed, and
// freed by the caller. Status convention of pav_object.h, with these null-argument texts:
#pragma once

#include "pav_object.h"

#define PAV_CUT_MSG_NULL_OBJECT "NULL (PavObject)    parameter on input\n"
#define PAV_CUT_MSG_NULL_STATUS "NULL (status)       parameter on input\n"
#define PAV_CUT_MSG_NULL_NBR "NULL (nbrCutEnt)    parameter on input\n"
#define PAV_CUT_MSG_NULL_LST "NULL (lstCutEnt)    parameter on input\n"

// Types with more entities than this are scanned through the worker pool.
constexpr int32_t PAV_CUT_PARALLEL_THRESHOLD = 999999;

// The entities of an element type (3..31) with at least one node (high-order nodes included) on
// each side, in increasing order. An entity with a node number outside 1..number of vertices is
// never cut. No entities or no vertices: count 0, null list, success.
int pav_GetCutEntities(const PavObject *obj, const double plane[4], int type, int *nbrCutEnt,
                       int **lstCutEnt, char *status);
// The same without the node-number check: the caller guarantees valid node numbers.
int pav_GetCutEntitiesPlain(const PavObject *obj, const double plane[4], int type, int *nbrCutEnt,
                            int **lstCutEnt, char *status);
// The boundary polygons and the polyhedra of the object's polygon set with vertices on both
// sides (polyhedra through the vertices of their faces). Counts 0 and null lists without a set.
int pav_GetCutPolygons(const PavObject *obj, const double plane[4], int *nbrCutPol, int **lstCutPol,
                       int *nbrCutPhd, int **lstCutPhd, char *status);

// Runs of consecutive entities for the cut search of large types: run b holds the entities
// 1 + b * PAV_CUT_BLOCK to (b + 1) * PAV_CUT_BLOCK, and a plane that leaves the box of a run's
// nodes on one side cuts none of them. Meshes numbered with any locality skip most runs.
constexpr int32_t PAV_CUT_BLOCK = 64;
// The boxes of the runs of a type: x, y, z minima then maxima of their nodes, 6 doubles a run; a
// run with a node outside 1..number of vertices has NaN bounds (always read). Sets *nbrBlocks;
// null (count 0) without entities, vertices or memory. Freed by the caller.
double *pav_GetCutBlockBoxes(const PavObject *obj, int type, int32_t *nbrBlocks);
// pav_GetCutEntities reading only the entities of the runs whose box the plane may cross. boxes
// must be those of the object as it is; null or a count other than the type's number of runs
// reads every entity.
int pav_GetCutEntitiesInBlocks(const PavObject *obj, const double plane[4], int type,
                               int32_t nbrBlocks, const double *boxes, int *nbrCutEnt,
                               int **lstCutEnt, char *status);

// Every face of the listed volume entities (list[0..number-1], numbers from 1) of a volume type,
// appended to triangle or quadrilateral node lists with per face the link (type, entity, face);
// outputs as the new faces of pav_BuildBoundarySurface (pav_topology.h).
int pav_GetFacesOfEntities(const PavObject *obj, int type, int number, const int *list,
                           int *nbrNewTri, int **newTriNod, int **newTriLnk, int *nodPerTri,
                           int *nbrNewQua, int **newQuaNod, int **newQuaLnk, int *nodPerQua,
                           char *status);
// The same keeping only the faces met once among the listed entities: the envelope of the set,
// in the order of the list and of the local faces.
int pav_GetShellOfEntities(const PavObject *obj, int type, int number, const int *list,
                           int *nbrNewTri, int **newTriNod, int **newTriLnk, int *nodPerTri,
                           int *nbrNewQua, int **newQuaNod, int **newQuaLnk, int *nodPerQua,
                           char *status);

// Capping of the listed cut entities of a first-order volume type (7..10): each entity is split
// into tetrahedra conformingly (every quadrilateral face along the diagonal through its smallest
// global vertex number) and each tetrahedron sliced. Triangles are numbered from 1, like
// entities: triangle k (1..count) has its corners at triCrd[9k..9k+8], the reference coordinates
// of each corner in the parent element (4 doubles per corner: barycentric for tetrahedra,
// (x, y, z, 0) for pyramids and hexahedra, (l1, l2, l3, h) for prisms) at triAux[12k..12k+11],
// and (type, entity, reference) at triLnk[3k..3k+2]; the first record (k = 0) is zero. This is
// the numbering pav_EvaluateSolutionOnCutFaces (ho_bezier.h) reads, so the outputs go to it as
// they are. Arrays hold count + 1 records (malloc, owned by the caller), null when the count is
// 0. The quadrilateral outputs are always empty. Other types print " pav_capping undefined for type
// %d \n" per entity.
int pav_capping(const PavObject *obj, const double plane[4], int type, int nbrCutEnt,
                const int *lstCutEnt, int *nbrCutTri, double **triCrd, double **triAux,
                int **triLnk, int *nbrCutQua, double **quaCrd, double **quaAux, int **quaLnk,
                char *status);
// The same for P2 tetrahedra (type 14), whose edges are intersected as parabolas.
int pav_CappingP2Tetrahedra(const PavObject *obj, const double plane[4], int type, int nbrCutEnt,
                            const int *lstCutEnt, int *nbrCutTri, double **triCrd, double **triAux,
                            int **triLnk, int *nbrCutQua, double **quaCrd, double **quaAux,
                            int **quaLnk, char *status);

// Slices one tetrahedron (4 corners of 3 doubles, 4 aux rows of 4 doubles) by the plane; writes
// up to two triangles (9 coordinates and 12 aux doubles each) and returns their number.
int pav_Cappingtet(const double plane[4], const double crd[4][3], const double aux[4][4],
                   double *triCrd, double *triAux);
