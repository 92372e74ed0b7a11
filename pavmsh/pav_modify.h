// Mesh repairs run by the batch modes: merging coincident vertices, adding the boundary curves of
// a surface mesh as edges, and completing a volume mesh with its missing boundary faces and their
// solutions. Each changes the object in place, then, when an output name is given, writes the mesh
// through the registered writer ("  %% Mesh written in <name>" or
// " pav_WriteMeshOvelFileb failed error <code> : <status>") and prints the mesh summary.
#pragma once

#include "pav_object.h"

// The writers used for meshes and solutions: pav_WriteMesh and pav_WriteSolution (pav_io.h) unless
// others are set (tests use this to fail a write); null restores the default.
typedef int (*PavWriteMeshFn)(const PavObject *obj, const char *name, char *status);
typedef int (*PavWriteSolutionFn)(const PavObject *obj, const char *name, int selection,
                                  char *status);
void pav_SetMeshWriters(PavWriteMeshFn mesh, PavWriteSolutionFn solution);

// Merges vertices at identical positions: every element keeps its shape with the first vertex of
// each group; vertex solutions are compacted the same way. Prints
// "  Merge vertices: %d vertices need to be removed \n \n" and writes the mesh to outName (null:
// no writing), or prints "  Merge vertices: No vertex needs to be removed " and changes nothing.
// Node numbers outside the vertex range are left as they are. 0, or 2 with a message.
int pav_MergeVertices(PavObject *obj, const char *outName, char *status);

// Replaces the first-order edges by the boundary edges of the triangles and quadrilaterals (of
// every degree, through their vertices): edges met once, in element order and direction, one
// reference per connected boundary curve (1, 2, ... in the order of each curve's first edge).
// Prints the non-manifold count, the removed and added counts, writes to outName when given.
int pav_AddBoundaryEdges(PavObject *obj, const char *outName, char *status);

// Appends to each degree's triangles and quadrilaterals the boundary faces of the volume elements
// that the surface lacks (reference of their volume element) and completes the surface solution
// lists from the volume solutions; then, with write set, writes the mesh to meshName and the
// solutions (all of them) to solName when given. 0, or 2 ("checksurfMesh : Mesh with no vertices"
// printed for a mesh without vertices).
int checksurfMesh(int write, PavObject *obj, const char *meshName, const char *solName);
