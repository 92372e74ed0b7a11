// The mesh object: one mesh with its solutions, jacobians and per-element values.
//
// A PavObject is a plain structure with public fields. Everything else in the program reaches the
// mesh through it and the pav_ functions below.
//
// Conventions every function and field follows:
// - Entity arrays are numbered from 1: an array for n entities has n + 1 entries and entry 0 is
//   never used. Entity i of a type with s nodes per entity has its vertex numbers (1..number of
//   vertices) at positions s*i .. s*i + s - 1 of the index array.
// - Counts, indices and references are 32-bit signed integers; byte sizes are computed in size_t.
// - Every array the object points to is allocated with malloc/calloc and released with free, by
//   the object (exceptions: solution data attached without ownership, see pav_solution.h).
//   Arrays handed to the object (pav_SetJacobian, pav_SetValues) must therefore come from malloc.
// - Status convention: functions take a caller-owned buffer of at least PAV_STATUS_SIZE characters
//   last, return PAV_SUCCESS (0) or PAV_FAILURE (2) (null for pointer results) and format one
//   message into the buffer on failure. A null object writes PAV_MSG_NULL_OBJECT; a null status
//   fails with the message lost. Outputs are set to 0 at entry and stay 0 on failure.
#pragma once

#include "pav_status.h"
#include "pav_types.h"

#include <cstddef>
#include <cstdint>

// Size of the name of a solution record, terminating zero included.
constexpr int PAV_NAME_SIZE = 2048;

// One field attached to the entities of one type: a node of a singly linked list whose head is
// stored in the object. Layout of data, with s = pav_SolKindSize(object dimension, kind) doubles
// per node and n = nbrNod nodes per entity: the values of entity i (from 1), node j, component m
// are at (i*n + j)*s + m; the array holds (nbrEnt + 1)*n*s doubles and the first n*s are unused.
// Vectors are x, y(, z); symmetric matrices their upper triangle row by row ((a11, a12, a22) in
// 2-D, (a11, a12, a13, a22, a23, a33) in 3-D); full matrices row by row.
struct PavSolution {
  int32_t owned;            // 1: data is freed with the record; 0: data belongs to the caller
  int32_t dim;              // mesh dimension of a field read from a file; 0 when attached
  int32_t nbrEnt;           // entities of the type the list hangs on
  int32_t kind;             // PavSolutionKind: 1 scalar, 2 vector, 3 symmetric, 4 full matrix
  char name[PAV_NAME_SIZE]; // empty by default
  double *data;             // layout above
  int32_t iteration;        // iteration of the field; 0 when none is given
  int32_t degree;           // polynomial degree of the field, 0..10; 1 for vertex fields
  int32_t nbrNod;           // value nodes per entity: 1 for vertex fields, else pav_SolTyp2NbrNod
  double time;              // physical time; 0 when none
  PavSolution *next;        // next record of the same list; null at the end
};

// The polygons and polyhedra of a mesh file, kept as read. Headers are pairs of integers per item
// (numbered from 1, entries 0 and 1 unused): hdr[2*i] is the position of item i's first entry in
// its entry table and hdr[2*i + 1] its reference. Item i runs from its first entry to the first
// entry of item i + 1 minus one (to the last entry for the last item). Entry tables are numbered
// from 1: vertex numbers for polygons, inner-polygon numbers (negative: reversed) for the faces
// of polyhedra. Every pointer is owned by the set and may be null when its count is 0.
struct PavPolygonSet {
  int32_t nbrBndPol; // boundary polygons
  int32_t nbrBndVer; // entries of the boundary vertex table
  int32_t *bndHdr;   // 2 * (nbrBndPol + 1)
  int32_t *bndVer;   // nbrBndVer + 1
  int32_t nbrInnPol; // inner polygons (faces of polyhedra)
  int32_t nbrInnVer; // entries of the inner vertex table
  int32_t *innHdr;   // 2 * (nbrInnPol + 1)
  int32_t *innVer;   // nbrInnVer + 1
  int32_t nbrPolyhedra;
  int32_t nbrPolyhedraFaces; // entries of the face table
  int32_t *phdHdr;           // 2 * (nbrPolyhedra + 1)
  int32_t *phdFac;           // nbrPolyhedraFaces + 1
};

// Releases every table of the set and the set itself (calloc'ed). Null is accepted.
void pav_FreePolygonSet(PavPolygonSet *set);

// The hash table of the topology code (declared there); the object only holds and releases it.
struct PavHashTable;

// Storage of one entity type. The object keeps one per code 0..31, indexed by the code itself
// (obj->ent[TrianglesP2]); entries 0 and 5 are unused.
// - Vertices: nbrMax, nbr, ref and sol are used; coordinates live in the object (crdDbl, crdFlt).
// - Corners: idx holds the vertex of each corner (1 per entity), ref its reference.
// - Element types 3..31: idx holds pav_MshTyp2Siz(type) vertex numbers per entity.
// - jac and val exist only for the 24 face and volume types (always null for vertices, corners
//   and edges).
struct PavEntitySet {
  int32_t nbrMax;   // entities the arrays were sized for (equal to nbr after loading)
  int32_t nbr;      // number of entities
  int32_t *idx;     // (nbrMax + 1) * nodes per entity
  int32_t *ref;     // nbrMax + 1
  PavSolution *sol; // head of the solution list (SolAt... of this type)
  PavSolution *jac; // head of the jacobian list
  double *val;      // per-entity values (e.g. quality), nbrMax + 1, one per entity
};

struct PavObject {
  int32_t dim; // 2 or 3; 0 after a reset

  PavEntitySet ent[PAV_NBR_STORED_TYPES];

  // Vertices (counts in ent[Vertices]).
  float *crdFlt;  // 3 floats per vertex, optional; readers prefer crdDbl when both exist
  double *crdDbl; // 3 doubles per vertex; the third is 0 in dimension 2
  int32_t nbrNor; // number of normals
  float *nor;     // 3 floats per normal, numbered from 1

  PavHashTable *refIdx; // reference index: built on first request by the topology code
  PavPolygonSet *pol;   // polygons and polyhedra of the mesh file; null when it had none

  int32_t nbrMetVer; // metric-vertex selection of the viewer
  int32_t *metVer;   // vertex numbers, entries 1..nbrMetVer
};

// Counts of a stored type (0 for codes without storage).
inline int32_t pav_Count(const PavObject *obj, int type) {
  return obj && pav_IsStoredType(type) ? obj->ent[type].nbr : 0;
}

// ---- Life cycle ----

// Allocates an empty object (every count and pointer 0) into *handle; 0, or 2 when the handle is
// null or allocation fails.
int pav_NewInterface(PavObject **handle);
// Releases everything the object owns, then the object, and nulls *handle. 2 for a null handle or
// object, else 0.
int pav_DeleteInterface(PavObject **handle);
// Releases everything the object owns and zeroes it, keeping the object (loaders call it before
// filling). 1 for a null object, else 0.
int pav_ResetObject(PavObject *obj);
// Releases the vertex solution list and the solution lists of every element type (owned data
// included), leaving mesh arrays, jacobians and values. 1 for a null object, else 0.
int pav_FreeSolutions(PavObject *obj);
// Releases the reference index and nulls the pointer. Null object or index accepted. The topology
// code that builds the index owns this function's body.
void pav_FreeReferenceIndex(PavObject *obj);
// Releases the metric-vertex selection and sets its count to 0.
void pav_FreeMetricVertices(PavObject *obj);

// ---- Sizing arrays (used by the loaders) ----

// Bytes of an array of count + 1 entries of perEntity items of itemSize bytes, computed in 64 bits
// so that counts up to INT32_MAX times any node count do not overflow; 0 for a negative count or
// a perEntity below 1.
std::size_t pav_ArrayBytes(int32_t count, int32_t perEntity, std::size_t itemSize);
// Bytes in megabytes as the allocation messages print them (bytes * 9.5367431640625e-7).
double pav_BytesToMb(std::size_t bytes);
// malloc(bytes) (zeroed when zero is true), released with free(); on failure null and
// "Allocation failed for <name>-arrays, size %lg Mb\n" in status. Blocks of 4 MiB or more are
// given transparent huge pages where the system offers them (pav_AdviseHugePages).
void *pav_AllocBytes(std::size_t bytes, bool zero, const char *name, char *status);
// Asks for transparent huge pages (2 MiB) over the whole 2 MiB-aligned part of a block: one page
// fault per 2 MiB instead of per 4 KiB when the block is first written. Does nothing where the
// system refuses or the block is below 4 MiB.
void pav_AdviseHugePages(void *mem, std::size_t bytes);
// Frees the arrays of a type and allocates count + 1 zeroed entries, then sets the count and the
// allocated count to count. Vertices: crdDbl (3 doubles) and ref, crdFlt freed; corners: idx (1)
// and ref; element types: idx (pav_MshTyp2Siz) and ref; Normals (128): nor (3 floats), nbrNor.
// Solution, jacobian and value lists are left alone. On failure the type is left empty (count 0,
// arrays null) and status holds the allocation message of the type (pav_TypeAllocName) with the
// size of the request that failed. Negative counts and codes without storage fail.
int pav_AllocEntityArrays(PavObject *obj, int type, int32_t count, char *status);

// ---- Queries ----

// "NULL (dim)   parameter on input\n" for a null output.
int pav_GetDimension(const PavObject *obj, int *dim, char *status);
// Sets *nbrEnt to 0, then: type 0 succeeds with 0; codes 1..31 except 5 give their count; other
// codes fail with "pav_GetNumberOfEntities is undefined for Typ %d !\n".
int pav_GetNumberOfEntities(const PavObject *obj, int type, int *nbrEnt, char *status);
// One count function per stored type; each fails with "NULL (nbrEnt)   parameter on input\n" on a
// null output.
int pav_GetNumberOfVertices(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfCorners(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfEdges(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfEdgesP2(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfEdgesP3(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfEdgesP4(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfTriangles(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfTrianglesP2(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfTrianglesP3(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfTrianglesP4(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfQuadrilaterals(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfQuadrilateralsQ2(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfQuadrilateralsQ3(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfQuadrilateralsQ4(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfTetrahedra(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfTetrahedraP2(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfTetrahedraP3(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfTetrahedraP4(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfPyramids(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfPyramidsP2(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfPyramidsP3(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfPyramidsP4(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfPrisms(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfPrismsP2(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfPrismsP3(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfPrismsP4(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfHexahedra(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfHexahedraQ2(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfHexahedraQ3(const PavObject *obj, int *nbrEnt, char *status);
int pav_GetNumberOfHexahedraQ4(const PavObject *obj, int *nbrEnt, char *status);

// bbox = xmin, xmax, ymin, ymax, zmin, zmax over vertices 1..count, from the double coordinates
// (the float ones when there are none); six zeros without vertices. Null bbox:
// "NULL (bbox)   parameter on input\n".
int pav_GetBoundingBox(const PavObject *obj, double bbox[6], char *status);

// The object's own index array of a type (not a copy; do not free), with its count and nodes per
// entity. Type 0: null without message. Type 1: the coordinates (double*, or float* when only
// single-precision ones exist) with 1 "node" per entity; type 2: the corner vertices (int32_t*,
// 1 per entity); type 128: the normals (float*, count = nbrNor, 1 per entity); codes 3..31 except
// 5: the int32_t index array. Others: " pav_GetIndicesArray is undefined for Typ %d !\n".
void *pav_GetIndicesArray(const PavObject *obj, int type, int *nbrEnt, int *nbrNod, char *status);
// The object's reference array of codes 1..31 except 5 (not a copy). Type 0: null silently.
// Others: " pav_GetReferenceArray is undefined for Typ %d !\n".
int32_t *pav_GetReferenceArray(const PavObject *obj, int type, char *status);
// Largest reference of a type, never below 0 (0 without entities or references); type 0: over
// every stored type. Other codes: " pav_GetMaxReference is undefined for Typ %d !\n".
int pav_GetMaxReference(const PavObject *obj, int type, int *maxRef, char *status);
// Prints the dimension and the count of every non-empty type, then the polygon counts, then an
// empty line, on standard output.
int pav_PrintMeshInfo(const PavObject *obj, char *status);
// Sum of the counts of every stored type except vertices, corners, P1 edges, P1 triangles and P1
// tetrahedra (0 for a null object, with the message).
int pav_GetNumberOfNonP1SimplexEntities(const PavObject *obj, char *status);

// ---- Accessors (i numbered from 1) ----
// Every accessor checks, in this order: object, status, 1 <= i <= count (else
// "Index-out-of-bound for <label> %d, must be in [%d %d]\n" with i, 1, count), arrays present (else
// "<Name> arrays are wrongly allocated, cannot access %d\n" with i). Null outputs are skipped.

// nbrCrd = 3, crd = the three coordinates (third 0 in 2-D), ref = the vertex reference.
int pav_GetVertex(const PavObject *obj, int i, int *nbrCrd, double crd[3], int *ref, char *status);
// Copies the 3 coordinates and the reference of n listed vertices (list[0..n-1], numbers from 1)
// in list order into crd (3*n) and refs (n); nbrOut counts the coordinates written. n < 1
// succeeds with nothing written; the first number out of range stops the copy with the vertex
// index message (what was copied before stays).
int pav_GetVertices(const PavObject *obj, int n, const int *list, int *nbrOut, double *crd,
                    int *refs, char *status);

// Element accessors: nbrNod = nodes per entity, nodes[0..nbrNod-1] = vertex numbers (the caller's
// buffer holds at least pav_MshTyp2Siz(type) entries, 125 at most), ref = the reference.
int pav_GetElement(const PavObject *obj, int type, int i, int *nbrNod, int *nodes, int *ref,
                   char *status);
int pav_GetEdge(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref, char *status);
int pav_GetEdgeP2(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref, char *status);
int pav_GetEdgeP3(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref, char *status);
int pav_GetEdgeP4(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref, char *status);
int pav_GetTriangle(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref, char *status);
int pav_GetTriangleP2(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref, char *status);
int pav_GetTriangleP3(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref, char *status);
int pav_GetTriangleP4(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref, char *status);
int pav_GetQuadrilateral(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref,
                         char *status);
int pav_GetQuadrilateralQ2(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref,
                           char *status);
int pav_GetQuadrilateralQ3(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref,
                           char *status);
int pav_GetQuadrilateralQ4(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref,
                           char *status);
int pav_GetTetrahedron(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref,
                       char *status);
int pav_GetTetrahedronP2(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref,
                         char *status);
int pav_GetTetrahedronP3(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref,
                         char *status);
int pav_GetTetrahedronP4(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref,
                         char *status);
int pav_GetPyramid(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref, char *status);
int pav_GetPyramidP2(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref, char *status);
int pav_GetPyramidP3(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref, char *status);
int pav_GetPyramidP4(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref, char *status);
int pav_GetPrism(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref, char *status);
int pav_GetPrismP2(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref, char *status);
int pav_GetPrismP3(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref, char *status);
int pav_GetPrismP4(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref, char *status);
int pav_GetHexahedron(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref, char *status);
int pav_GetHexahedronQ2(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref,
                        char *status);
int pav_GetHexahedronQ3(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref,
                        char *status);
int pav_GetHexahedronQ4(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref,
                        char *status);

// Dispatches to the element accessor of a type: type 0 returns 0 at once; type 1 fails with
// "Vertex type is not allowed for generic function Pav_GetEntityData \n", type 2 with
// "Corner type is not allowed for generic function Pav_GetEntityData \n"; codes 3..31 except 5
// are served; others fail with "pav_GetEntityData is undefined for Typ %d !\n".
int pav_GetEntityData(const PavObject *obj, int type, int i, int *nbrNod, int *nodes, int *ref,
                      char *status);
