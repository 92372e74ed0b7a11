// Solutions, jacobians and per-element values attached to the entities of a PavObject.
//
// Each solution code has one list (a PavSolution chain, see pav_object.h): SolAtVertices hangs on
// the vertices (obj->ent[Vertices].sol); SolAt<Kind><Degree> (100..127) on the element type of
// that kind and geometric degree 1..4 (pav_SolTyp2ListTyp). The field's own degree (up to 10)
// is in each record and is independent of the list. A new record is pushed at the head; solution
// number i (from 1) is the i-th record from the head. Jacobian lists and value arrays exist for
// the 24 face and volume types only.
//
// Kind sizes are always taken with the object's dimension, never with a record's dim field.
// Functions follow the status convention of pav_object.h.
#pragma once

#include "pav_object.h"

// ---- Records ----

// Allocates a record owning a zeroed data array of (nbrEnt + 1) * nbrNod * pav_SolKindSize(dim,
// kind) doubles (sizes in 64 bits); owned = 1, name empty, iteration 0, time 0, next null. Null on
// failure with "Allocation failed for solution-arrays, size %lg Mb\n" (or the kind warning of
// pav_SolKindSize and "Invalid solution sizes\n" for a bad kind or a negative count).
PavSolution *pav_NewSolutionRecord(int dim, int kind, int32_t nbrEnt, int degree, int nbrNod,
                                   char *status);
// Releases a list record by record; data is freed where the record owns it. Null is accepted.
void pav_FreeSolutionList(PavSolution *head);
// Pushes a record (owned or not) at the head of the list of a solution code (99 or 100..127); the
// object owns the record from then on. Other codes: " pav_PushSolution is undefined for Typ %d !\n"
// and the record stays the caller's.
int pav_PushSolution(PavObject *obj, int solTyp, PavSolution *rec, char *status);
// The head of the list of a solution code (99, 100..127); null for others or an empty list.
PavSolution *pav_SolutionList(const PavObject *obj, int solTyp);

// Attaches caller-owned data (not copied, never freed by the object) as a new head record of the
// list of an entity type: owned = 0, dim = 0, name empty. Checks in order: object, data
// ("NULL (solArray) parameter on input\n"), status (message lost); a type with fewer than 1
// entity succeeds without attaching; width must be pav_SolKindSize(object dim, kind) * nbrNod
// (" Invalid solutions size (width) \n"), nbrEnt the type's count
// (" Invalid solutions size (height) \n"); types other than vertices, the P1 and the degree-2 and
// degree-3 face and volume types fail with "solution creation not implemented \n".
int pav_AddSolution(PavObject *obj, int type, int kind, int nbrEnt, int degree, int nbrNod,
                    int width, int iteration, double time, double *data, char *status);

// ---- Fetching ----

// The data of solution i (from 1) of a solution code, with its fields (nbrEnt, kind, time, degree
// and nbrNod zeroed first; null outputs skipped). Served: 99, and the face and volume codes
// 101..106, 108..113, 115..120, 122..127; code 0 gives null silently; others (edge codes
// included) " pav_GetSolutionArray is undefined for Typ %d !\n". An empty list, or one that ends
// before record i, writes "Invalid request to get a solution\n" (the second case first prints
// " warning : unsucessfully attempting to access to solution %d\n").
double *pav_GetSolutionArray(const PavObject *obj, int solTyp, int i, int *nbrEnt, int *kind,
                             int *iteration, double *time, int *degree, int *nbrNod, char *status);
// The same on the jacobian list of one of the 24 face and volume types; types 0 and 1 give null
// silently; others " pav_GetJacobiansArray is undefined for Typ %d !\n".
double *pav_GetJacobiansArray(const PavObject *obj, int type, int i, int *nbrEnt, int *kind,
                              int *iteration, double *time, int *degree, int *nbrNod, char *status);
// Stores the head of the jacobian list of a face or volume type, replacing the stored head (the
// caller releases an earlier list with pav_FreeSolutionList); the object owns the new list. Other
// types: " pav_SetJacobian is undefined for Typ %d !\n".
int pav_SetJacobian(PavObject *obj, int type, PavSolution *head, char *status);
// Stores the value array (malloc'ed, one double per entity, from 1) of a face or volume type; the
// object owns it from then on and frees the array it replaces. Other types:
// " pav_SetValues is undefined for Typ %d !\n".
int pav_SetValues(PavObject *obj, int type, double *values, char *status);
// The value array of the tetrahedra (not a copy; null when none is set). Other types:
// " pav_GetValuesArrray is undefined for Typ %d !\n" and null.
double *pav_GetValuesArrray(const PavObject *obj, int type, char *status);

// ---- Counting and naming ----

// Records of the list of a code 100..127; other codes print
// "Warining: pav_GetNumberOfFields: case not considered" and give 0.
int pav_GetNumberOfSolutions(const PavObject *obj, int solTyp);
// Doubles per node of all the fields of that list together; same message and 0 for other codes.
int pav_GetNumberOfFields(const PavObject *obj, int solTyp);
// Largest degree among the element solution records (0 when none).
int pav_GetMaxSolutionDegree(const PavObject *obj);
// Length of the vertex list.
int pav_GetNumberOfVertexSolutions(const PavObject *obj);
// Length of the longest element list.
int pav_GetMaxNumberOfElementSolutions(const PavObject *obj);
// Copies the name of vertex record k (from 1) into names[k]; names[0] is not touched. The caller's
// array has pav_GetNumberOfVertexSolutions + 1 slots.
void pav_GetVertexSolutionNames(const PavObject *obj, char (*names)[PAV_NAME_SIZE]);
// For each element list in the order edges P1..P4, triangles, quadrilaterals, tetrahedra,
// pyramids, prisms, hexahedra, copies the name of its k-th record into names[k] while that slot is
// still empty: slot k shows the first non-empty name among the k-th records. The caller clears the
// pav_GetMaxNumberOfElementSolutions + 1 slots first. A null array does nothing.
void pav_GetElementSolutionNames(const PavObject *obj, char (*names)[PAV_NAME_SIZE]);
// Prints "  Isoparametric SolAtVertices\n" when vertex solutions exist, then the degree of the
// head record of each non-empty element list, then an empty line.
int pav_PrintSolutionInfo(const PavObject *obj, char *status);

// ---- Field transformations for display ----
// Each returns a new malloc'ed array numbered from 1 (entity i, node j at i*n + j, the first n
// entries zero) that the caller frees; null when allocation fails. n is the nodes per entity.

// Per node of a vector field of the dimension's width (2 or 3): mode 1 x, 2 y, 3 z (0 in 2-D),
// any other mode the Euclidean length.
double *pav_ExtractComponent(int dim, int mode, const double *data, int nbrEnt, int n);
// Per node, the determinant of a symmetric (kind 3) or full (kind 4) matrix field; null for other
// kinds.
double *pav_SolutionDeterminant(int dim, const double *data, int nbrEnt, int n, int kind);
// Row k (1..count) of the result is row list[k - 1] of data, stride doubles per row.
double *pav_GatherSolution(const double *data, int stride, int count, const int *list);
// Expands a vertex field to elements: for element i (1..nbrElt) and local node j, the s values of
// vertex v = idx[i*n + j] go to (i*n + j)*s of the result (s = pav_SolKindSize(dim, kind)). A
// vertex outside 1..nbrVer is skipped (its values stay 0) after printing
// "error: impossible to get solution of index %d of entity %d: invalid vertex %d / %d \n".
double *pav_VertexToElementSolution(int dim, const double *verData, int nbrVer, int kind,
                                    const int *idx, int n, int nbrElt);
// The same from a packed index list whose element i (from 1) starts at idx[(i - 1)*n]; a bad
// vertex prints "error". The result is laid out as above.
double *pav_VertexToElementSolutionPacked(int dim, const double *verData, int nbrVer, int kind,
                                          const int *idx, int n, int nbrElt);
