// Jacobians and shape quality over a mesh object: the numerics of ho_jacobian.h applied to every
// element of the object's types, the results attached as Jacobian records or value arrays.
#pragma once

#include "pav_object.h"

// Degree of the Jacobian determinant of an entity type (ho_jacobian.h: 0 for P1 triangles and
// tetrahedra, ..., 11 for Q4 hexahedra, P4 pyramids and P4 prisms). Any other type prints
// "%s : no jacobian for this type of entity !\n" with the type's display name and gives -1.
int pav_JacobianDegree(int type);

// Stored degree min(pav_JacobianDegree(type), 10); -1 (with the message) for other types.
int pav_JacobianStoredDegree(int type);

// Computes the Jacobians of the triangles and quadrilaterals of degrees 1 to 4 (types 4, 6, 12,
// 13, 19, 20, 26, 27 in that order) from the x and y coordinates. Mode 1 stores, per element, the
// normalised Jacobian at the canonical nodes of the kind at the stored degree (a record of that
// degree with that many nodes); mode 2 stores its smallest node value (a record of degree 0 with
// one node); any other mode counts as mode 1. Records are scalar (kind 1) fields of dimension 2
// here, 3 for volumes, owning their data (entity e from 1 at e * nodes). An element with a vertex
// number out of range gets zeros. Types without entities, and types that already carry a Jacobian
// record, are skipped.
// *maxDeg (may be null) is raised to the largest stored degree met. Returns the number of records
// created and attached with pav_SetJacobian, or 2 when obj is null.
int pav_ComputeSurfaceJacobians(PavObject *obj, int mode, int *maxDeg);

// The same over tetrahedra, prisms, pyramids and hexahedra of degrees 1 to 4 (types 7, 9, 8, 10,
// 14, 17, 16, 15, 21, 24, 23, 22, 28, 31, 30, 29) from x, y and z. A type whose Jacobian degree
// exceeds 10 prints "  Warning: Jacobian of %s(degree %d) is projected onto a solution of degree
// %d\n" and stores the exact Jacobian sampled at the nodes of degree 10.
int pav_ComputeVolumeJacobians(PavObject *obj, int mode, int *maxDeg);

// Shape quality of every tetrahedron, C (sum of squared edge lengths)^(3/2) / (6 volume) with
// C = 1/(12 sqrt 3), measured in the first metric field (kind 3) attached to the vertices or, when
// there is none, to the P1 tetrahedra; Euclidean without a metric. A regular tetrahedron scores 1,
// worse shapes more; flat and inverted ones 0 (one message line each). Attaches the array (nbrTet
// + 1 doubles, entry t for tetrahedron t) with pav_SetValues. Returns PAV_SUCCESS, or PAV_FAILURE
// when obj is null, the array cannot be allocated or the values cannot be attached.
int pav_ComputeTetrahedraQuality(PavObject *obj);
