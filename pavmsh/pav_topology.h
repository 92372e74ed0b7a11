// Local faces and edges of the element kinds, faces and edges of mesh entities, the boundary
// surface of a volume mesh and the restriction of volume solutions to surface elements.
//
// Local node numbers are from 0 and index the element's canonical node order (ho_lattice.h).
// Faces of volume elements are listed with their normal pointing out of the element: a face lists
// its nodes in the canonical order of the face element of the same degree (vertices, edge nodes,
// interior nodes). An edge lists its two end vertices, then its inner nodes from the first end.
// Entity numbers are from 1; packed output arrays are from 0 and newly malloc'ed (caller frees).
// Functions with a status buffer follow the convention of pav_object.h.
#pragma once

#include "pav_object.h"
#include "pav_types.h"

// Slots per face in the full-node face arrays (a Q4 face has 25 nodes).
constexpr int PAV_FACE_SLOTS = 25;
// Slots per edge in the edge arrays (a P4 edge has 5 nodes).
constexpr int PAV_EDGE_SLOTS = 5;
// Most faces of a volume element (hexahedron) and most edges of an element (hexahedron).
constexpr int PAV_MAX_FACES = 6;
constexpr int PAV_MAX_EDGES = 12;

// ---- Local tables (generated once from the canonical node order, read-only, never freed) ----

// Faces of a volume kind (4 tetrahedron, 5 pyramid and prism, 6 hexahedron); 0 for other kinds.
int pav_KindNbrFaces(PavElementKind kind);
// Edges of a face or volume kind (3, 4, 6, 8, 9, 12); 1 for the edge kind; 0 otherwise.
int pav_KindNbrEdges(PavElementKind kind);
// Local node ids of face f of a volume kind at degree 1..10 with *nbrNod their count; null when any
// argument is out of range.
const int *pav_LocalFace(PavElementKind kind, int degree, int f, int *nbrNod);
// Local node ids of edge e of a face or volume kind at degree 1..10 (*nbrNod = degree + 1).
const int *pav_LocalEdge(PavElementKind kind, int degree, int e, int *nbrNod);

// ---- Faces and edges of entities ----

// Faces of volume element i of a volume type (7..10, 14..17, 21..24, 28..31): *nbrFac faces,
// facSiz[f] nodes of face f (3, 6, 10, 15 or 4, 9, 16, 25), the global node numbers of face f at
// facNod[f * PAV_FACE_SLOTS ...]. Other types: "Type %d is not handled in GetEntityFaces ! \n".
// A missing index array or i outside 1..count returns 2 without a message.
int GetEntityFaces(const PavObject *obj, int i, int type, int *nbrFac, int *facSiz, int *facNod,
                   char *status);
// The same with only the 3 or 4 vertices of each face (facVer[f][0..facSiz[f]-1]).
int GetEntityFaces(const PavObject *obj, int i, int type, int *nbrFac, int *facSiz,
                   int (*facVer)[4], char *status);
// Face f (from 0) of volume element i: *nbrNod global node numbers into nodes (25 slots). A face
// index beyond the element's faces returns 2 without a message; other types:
// "Type %d is not handled in pav_GetIthEntityFace ! \n".
int pav_GetIthEntityFace(const PavObject *obj, int i, int type, int f, int *nbrNod, int *nodes,
                         char *status);
// Edges of element i of a face or volume type (4, 6..10, 12..17, 19..24, 26..31): *nbrEdg edges,
// the global node numbers of edge e at edgNod[e * PAV_EDGE_SLOTS ...]. Other types:
// "Type %d is not handled in pav_GetEntityEdges ! \n".
int pav_GetEntityEdges(const PavObject *obj, int i, int type, int *nbrEdg, int *edgNod,
                       char *status);
// Local node ids of face f of the reference volume element of a code 7..74 (volume kinds, degrees
// 1..10), used to restrict volume solutions of any degree. Other codes:
// "Type %d is not handled in pav_GetIthEntityTypLocalId ! \n"; a face index beyond the element's
// faces returns 2. localIds holds at least 121 entries.
int pav_GetIthEntityTypLocalId(int type, int f, int *nbrNod, int *localIds, char *status);

// ---- Boundary surface ----

// Number of elements of a type with a node number outside 1..number of vertices.
int32_t pav_CountInvalidEntities(const PavObject *obj, int type);

// The faces of the volume elements of volType that lie on the boundary and are not covered by an
// existing surface element, and the links of the existing surface elements to the faces they
// cover. The surface types follow from the degree of volType (degree 1: 4 and 6; 2: 12, 13;
// 3: 19, 20; 4: 26, 27). Faces shared by two volume elements of any kind of that degree are
// interior, so hybrid meshes are handled. Elements with a node number outside the vertex range are
// ignored. Outputs:
// - *nbrNewTri new triangles, their nodes packed in *newTriNod (*nodPerTri per triangle), and per
//   new triangle a link (volume type, volume element, local face) in *newTriLnk; the same for
//   quadrilaterals. Arrays are null when the count is 0.
// - triLnk[6e..6e+5] (when triLnk is not null; sized by the caller for count + 1 triangles) the
//   link of existing triangle e: (volume type, element, face, p0, p1, p2) with pm the position
//   (0..2) in triangle e of vertex m of the local face. quaLnk[6e..] for quadrilaterals:
//   (volume type, element, face, r, s, k) with k the position (0..3) in quadrilateral e of face
//   vertex 0 and (r, s) = (0, 1) when face vertex 1 follows it in the quadrilateral's order,
//   (1, 0) when it precedes it. Unlinked entries are left untouched.
// When an existing surface element is not a boundary face (an internal interface) the extraction
// prints "  Non Conformal reconstruction is used" and counts faces instead of cancelling them;
// new faces then come in element order. Prints "  Creation of ... from the volume mesh" when faces
// are created.
int pav_BuildBoundarySurface(PavObject *obj, int volType, int *nbrNewTri, int **newTriNod,
                             int **newTriLnk, int *triLnk, int *nodPerTri, int *nbrNewQua,
                             int **newQuaNod, int **newQuaLnk, int *quaLnk, int *nodPerQua,
                             char *status);
// Makes pav_BuildBoundarySurface use this many threads whatever the mesh's size (0: as many as
// the mesh's size and the cores call for, the default). Lets tests reach the threaded path; the
// result does not depend on it.
void pav_BoundarySetThreadsForTests(int nbrThreads);

// ---- Volume to surface solutions ----
// Volume data: the layout of a PavSolution (value of element i, node j, component c at
// (i * nbrNodVol + j) * sizSol + c) for a field of degree deg (0..10) on the kind of volSolTyp
// (103..106, 110..113, ...). The result holds the face values in the same layout for surface
// element k (from 1): (k * nbrNodFac + m) * sizSol + c, with (nbrSurf + 1) * nbrNodFac * sizSol
// doubles, malloc'ed (caller frees), the first entity unused.

// Values of the new faces of pav_BuildBoundarySurface (links packed, 3 per face, face k at 3(k-1))
// of surface type surfType (any triangle or quadrilateral code; only the kind matters). Faces whose
// link names another volume kind are left zero. Null after "wrong degree in input\n" (degree out
// of 0..10) or the incompatibility message on the error stream.
double *pav_GetCreatedSurfaceSolutionFromVolumeSolution(int deg, int volSolTyp, const double *vol,
                                                        int sizSol, int surfType, int nbrNewFac,
                                                        const int *lnk, char *status);
// Values of existing surface elements 1..nbrSurf from their links (6 per element at 6e, volume
// type 0 when unlinked), turned into the surface element's node order. Elements whose link names
// another volume kind are not written; when out is not null the values go there (sized as the
// result) and out is returned, else a new zeroed array. Elements without any link get zeros: their
// number goes to *nbrUnlinked when it is not null (the caller reports it), else it is printed as
// "\n  Warning: For %d surfaces, no volume found, values set to zero \n \n".
double *pav_GetSurfaceSolutionFromVolumeSolution(int deg, int volSolTyp, const double *vol,
                                                 int sizSol, int surfType, int nbrSurf,
                                                 const int *lnk, double *out, int *nbrUnlinked,
                                                 char *status);
