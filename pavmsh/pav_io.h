// Mesh and solution files to the mesh object and back.
//
// The loaders and writers take a status buffer of PAV_IO_STATUS_SIZE characters: the first
// PAV_STATUS_SIZE receive one message on failure, the second half the name of the file actually
// opened (formatting bounded to PAV_STATUS_SIZE), written as soon as the file is open. They return
// PAV_SUCCESS (0) or PAV_FAILURE (2). A null object fails with PAV_MSG_NULL_OBJECT, a null status
// with the message lost.
//
// Everything read lands in the object's 1-based arrays (pav_object.h): coordinates as three
// doubles per vertex (z = 0 in 2-D), element nodes in the canonical node order of their kind
// (ho_lattice.h) whatever order the file declares, solutions as owned records (pav_solution.h).
#pragma once

#include "pav_object.h"

#include <cstdint>

// Size of the status buffer of the loaders and writers: message, then the opened file's name.
constexpr std::size_t PAV_IO_STATUS_SIZE = 2 * PAV_STATUS_SIZE;

// ---- Reading ----

// Opens name (or name.meshb, then name.mesh when name holds no ".mesh"), resets the object and
// fills it: dimension, vertices, corners (their references taken from their vertices), every
// element type of degrees 1 to 4 (node orderings declared in the file applied; an ordering that
// is no permutation prints its error and leaves that kind in file order), polygons and
// polyhedra. Null name: "NULL (MshFile)   parameter on input\n". An element node outside
// 1..number of vertices fails with "Invalid vertex %d in <keyword> %lld of mesh file %s\n" (the
// corners alone may name any vertex). On failure the types read before stay filled and the
// later ones are empty.
int pav_OpenMesh(PavObject *obj, const char *name, char *status);

// Opens the solution file of name (cut at ".mesh"; else name.solb, then name.sol), checks its
// dimension against the object's and pushes one owned record per field of every solution keyword
// onto the list of the entity type it belongs to, the first field of a keyword ending at the head.
// High-order values given with NodesPositions are converted to the uniform nodes of their degree.
// Names come from ReferenceStrings. Null name: "NULL (Solution Name) parameter on input\n". A
// keyword whose count differs from its entities ends the load with 2 (records read before stay);
// a keyword whose sizes do not fit its field types is skipped with a message on standard output.
int pav_OpenSolution(PavObject *obj, const char *name, char *status);

// Names the solutions of the object from the ReferenceStrings keyword of a file opened for
// reading with OvelOpenMesh (version as returned there). Each line holds a keyword code, a count
// and "name list": every solution number of the list gets the name. Problems are printed on
// standard output and the line is skipped. Returns the number of names given.
int pav_ReadSolutionsStrings(int64_t file, PavObject *obj, int version);

// Names solution number k (from 1, counted from the head) of the list a file keyword code
// belongs to (SolAtVertices, SolAt<Kind>, HOSolAt<Kind><Degree>; SolAt<Kind> and HOSolAt<Kind>P1
// share the list of the degree-1 elements). Messages on standard output; 0 or 2.
int pav_SetSolutionName(PavObject *obj, int keyword, int k, const char *name);

// ---- Writing ----

// Writes the mesh in version 3 (binary for .meshb, ASCII for .mesh): Vertices and Corners always,
// then each non-empty element type followed by the ordering keyword of its canonical node order.
int pav_WriteMesh(const PavObject *obj, const char *name, char *status);

// Writes solutions in version 3: selection -2 the vertex solutions; -1 every solution; 0 the
// vertex and the degree-0 element solutions; d >= 1 the element solutions of degree d. Records of
// one list and one degree go into one keyword (one field per record, in list order), then
// Iterations and Time (the largest of the written records, when not 0) and the names of named
// records as ReferenceStrings. A 3-D metric goes back to the file's lower-triangle order, so that
// reading what was written gives the same records.
int pav_WriteSolution(const PavObject *obj, const char *name, int selection, char *status);

// ---- Numbering quality ----

// Prints, for each present degree-1 element type of the dimension (2-D triangles and
// quadrilaterals; 3-D tetrahedra, pyramids, prisms, hexahedra), the cache-hit percentage of its
// vertex table, with a renumbering hint below 50. Returns the number of lines of values printed.
int pav_PrintNumberingQuality(const PavObject *obj);

// ---- Conversion of high-order values between node sets ----

// Number of reals of one NodesPositions line of a kind: 2 edge (barycentric pair, the second
// weight belonging to the second vertex) and quadrilateral (x, y), 3 triangle (barycentric),
// pyramid and hexahedron (x, y, z), 4 tetrahedron (barycentric) and prism (3 barycentric and the
// height). kind is a PavElementKind.
int pav_NodesPositionsWidth(int kind);

// Converts the records read from one high-order keyword (count records of the kind's degree,
// nbrNod = m nodes each, pav_SolKindSize(dim, kind) reals per node) from their values at the m
// given positions (m rows of pav_NodesPositionsWidth reals) to their values at the canonical
// uniform nodes of the degree (a rational polynomial for pyramids). Positions that are the
// uniform nodes in another order, within 1e-7, permute the values exactly; other positions are
// solved through one LU factorisation (relative residual of the solved values at most 1e-8).
// PAV_SUCCESS, or PAV_FAILURE with a message in status and every record as it was when the
// positions do not determine the values (singular or near-singular interpolation) or the
// arguments are out of range.
int pav_ConvertNodesPositions(int kind, int degree, const double *positions,
                              PavSolution *const *recs, int count, int dim, char *status);

// Exchanges the third and fourth value of every node of a 3-D symmetric-matrix record: the file
// order (lower triangle by rows) becomes the record order (upper triangle by rows) and back.
void pav_SwapMetricOrder(double *data, int64_t nodes);
