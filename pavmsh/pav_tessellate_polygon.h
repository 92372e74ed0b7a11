// Triangulation of the polygons and polyhedron faces of a mesh object for display.
//
// Modes: PAV_TESS_BOUNDARY (1) works on the boundary polygons of the object's polygon set,
// PAV_TESS_POLYHEDRA (2) on the faces of its polyhedra (inner polygons, oriented as the polyhedron
// lists them: a negative face number reverses the face).
#pragma once

#include "pav_object.h"

#include <cstdint>

constexpr int PAV_TESS_BOUNDARY = 1;
constexpr int PAV_TESS_POLYHEDRA = 2;

// Distance under which a vertex of a polygon counts as a repetition of an earlier one.
constexpr double PAV_TESS_DUPLICATE = 1e-14;

// Triangulates one planar (or nearly planar) simple polygon of nbrVer vertices, crd holding
// 3 doubles per vertex in order. A vertex closer than PAV_TESS_DUPLICATE to an earlier vertex is
// dropped; with n kept vertices (n >= 3) the result is n - 2 triangles written to tri as triples
// of vertex positions (from 0, into the input order), each triangle turning like the polygon
// (its normal has a dot product with the polygon's normal of at least -1e-8 once both are
// normalised; degenerate triangles of collinear vertices have no normal and pass). Non-convex
// polygons are cut ear by ear. tri must hold 3 * (nbrVer - 2) integers. Returns the number of
// triangles (0 with fewer than 3 kept vertices). An unknown mode prints
// "  Warning in pav_TessellatePolygon: unknown mode %d \n" and gives 0.
int pav_TessellatePolygon(int mode, int nbrVer, const double *crd, int *tri);

// Triangulates the boundary polygons (mode 1) or the faces of the polyhedra (mode 2) of the
// object's polygon set: the nbrSel items listed in sel (polygon numbers in mode 1, polyhedron
// numbers in mode 2, from 1), or all of them when sel is null or nbrSel < 1.
// Outputs, per triangle k (from 0), in new malloc'ed arrays the caller frees (null when no
// triangle):
//   triCrd[9k .. 9k+8]  the coordinates of its three vertices (3 doubles each);
//   triLnk[3k .. 3k+2]  mode 1: polygon number, polygon number, polygon reference;
//                       mode 2: face (inner polygon) number, polyhedron number, its reference;
//   triEdg[3k .. 3k+2]  (optional, may be null) 1 when side j (vertex j to vertex j+1 mod 3) is an
//                       edge of the polygon, 0 for a diagonal added by the triangulation.
// Prints "\n  Triangles for Tessellation:  %12d \n" with the total. Items with a vertex (or face)
// number out of range are skipped; a polygon number out of range in a mode 1 selection is skipped.
// A selected polyhedron number above the number of polyhedra prints
// "Problem in pav_createTessellationPolygons: iPolyhedron %d > pol->NmbVolHdr %d\n" and ends the
// process with status 1. An unknown mode prints
// "  Error in pav_createTessellationPolygons: unknown mode %d \n" and fails with it in status.
// An object without polygon set succeeds with no triangle.
int pav_createTessellationPolygons(const PavObject *obj, int mode, int nbrSel, const int *sel,
                                   int *nbrTri, double **triCrd, int **triLnk,
                                   unsigned char **triEdg, char *status);
