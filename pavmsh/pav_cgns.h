// CGNS files (read through the CGNS library) into the mesh object.
//
// pav_OpenMesh and pav_OpenSolution hand a file to these readers when pav_IsCgnsFile says so; the
// status buffer follows pav_io.h (message in the first half, opened name in the second).
#pragma once

#include "pav_object.h"

// True when the file can be opened and its name ends in ".cgns" or ".hdf", or it starts with the
// HDF5 signature (at offset 0, 512, 1024 or 2048). A name that cannot be opened is left to the
// keyword loader, which tries it with its extensions appended.
bool pav_IsCgnsFile(const char *name);

// Resets the object and fills it from every unstructured zone of the first base: coordinates (x,
// y, z; z = 0 for a 2-D base), element sections of every complete Lagrange kind of degree 1 to 4
// (BAR, TRI, QUAD, TETRA, PYRA, PENTA, HEXA and their high-order variants, alone or in MIXED
// sections) in canonical node order, NGON_n faces and NFACE_n cells as polygons and polyhedra.
// Zones are appended one after the other; their vertices are kept apart. References: the faces
// named by boundary condition b (1-based, counted over the zones) get b; every other element gets
// the number of boundary conditions plus the number of its section (counted over the zones). The
// names behind the references are printed on standard output. Structured zones and element kinds
// without storage (NODE, serendipity kinds) are skipped with one line each. On failure the object
// is left empty and status holds the reason.
int pav_OpenCgnsMesh(PavObject *obj, const char *name, char *status);

// Reads the FlowSolution nodes of the zones pav_OpenCgnsMesh read (the object must hold that
// mesh): Vertex fields become vertex solutions, CellCenter fields degree-0 solutions of the cell
// types (elements of the base's cell dimension, in element-number order). Fields ending in X, Y
// (and Z in 3-D) that share their prefix become one vector field named by the prefix; the others
// are scalars, named after the field. Iteration and time come from the last step of the base's
// iterative data, when present. The first field of the file is solution 1 of its list. On failure
// nothing is attached and status holds the reason.
int pav_OpenCgnsSolution(PavObject *obj, const char *name, char *status);

// Position, in the canonical node order, of each node of a CGNS element of an entity type (codes
// 3, 4, 6..31): canonical[table[c]] = cgns[c]. Null for other codes. Built once, never freed.
const int *pav_CgnsToCanonical(int type);
