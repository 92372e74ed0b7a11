// Gmsh MSH files (versions 4.1 and 2.2, ASCII and binary, either byte order) into the mesh
// object, read natively.
//
// pav_OpenMesh and pav_OpenSolution hand a file to these readers when pav_IsGmshFile says so; the
// status buffer follows pav_io.h (message in the first half, opened name in the second).
#pragma once

#include "pav_object.h"

// True when the file can be opened as a regular file and its name ends in ".msh", or it starts
// with "$MeshFormat".
bool pav_IsGmshFile(const char *name);

// Resets the object and fills it from $Nodes and $Elements: vertices in the order of the file
// (node tags of any range, sparse or not), the complete Lagrange elements of degree 1 to 4 of
// every kind in canonical node order, point elements as corners. The reference of an element is
// the first physical group of its entity (4.1) or its physical tag (2.2), else its elementary
// tag. $PhysicalNames are printed. Incomplete (serendipity) kinds and degrees above 4 are skipped
// with one line per kind giving their count. The dimension is 2 when every z is 0 and no volume
// element is present, else 3. On failure the object is left empty and status names the section
// and the byte offset where reading stopped.
int pav_OpenGmshMesh(PavObject *obj, const char *name, char *status);

// Reads the $NodeData, $ElementData and $ElementNodeData sections of a .msh file into solutions
// of the object (which must hold the mesh): node data become vertex solutions, element data
// degree-0 solutions of the element types, element-node data solutions of the element's degree
// in canonical node order. 1 component is a scalar, 3 a vector, 9 a full matrix (in 2-D the
// first 2 or 2 x 2 are kept). Each section is one record per type it covers, named by the view's
// name, with its time and time step; the first section of the file is solution 1. Tags are those
// of the $Nodes and $Elements of the same file; a file without them gives node data by vertex
// number. On failure nothing is attached and status says why.
int pav_OpenGmshSolution(PavObject *obj, const char *name, char *status);

// Position, in the canonical node order, of each node of a Gmsh element of an entity type
// (codes 3, 4, 6..31): canonical[table[g]] = gmsh[g]. Null for other codes. Built once.
const int *pav_GmshToCanonical(int type);

// The entity type (codes 2 for points, 3, 4, 6..31) of a Gmsh element type number, 0 for a kind
// without storage; *nodes receives its node count (0 for a number Gmsh does not define),
// *skipped a short description of a known kind that is not stored ("serendipity",
// "degree above 4"), else null.
int pav_GmshElementType(int gmshType, int *nodes, const char **skipped);
