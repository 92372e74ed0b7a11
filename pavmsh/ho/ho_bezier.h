// Bezier (Bernstein) form of high-order element data: the Lagrange-to-Bezier conversion of
// node-based fields, pointwise evaluation of one element's Bezier coefficients, and the crossing
// of a curved edge with a plane.
//
// A Bezier coefficient array of one element holds one value per node, in canonical node order
// (ho_lattice.h): the coefficient stored at a node belongs to the Bernstein polynomial whose
// multi-index is the node's lattice point (hoBernsteinBasis). Vertex coefficients equal the values
// at the vertices, and the polynomial on an edge or face depends only on that edge's or face's
// coefficients.
#pragma once

#include <cstdint>

#include "ho_lattice.h"

// Whether a conversion kernel exists: every kind at degrees 2 to 6, edges, triangles and
// quadrilaterals up to degree 10. Degrees 0 and 1 need none (the conversion is the identity).
bool hoHasKernel(HoKind kind, int degree);

// Converts the Lagrange values of one element and one component (lagrange[node], canonical order)
// into its Bezier coefficients (bezier[node]); the arrays must not overlap. Degrees 0 and 1 copy.
// Returns false, writing nothing, where hoHasKernel is false. Allocates nothing; thread-safe.
bool hoLagrangeToBezier(HoKind kind, int degree, const double *lagrange, double *bezier);

// Converts a node-based field in place from Lagrange values to Bezier coefficients.
// values: nbrNod x ncomp floats, node-major (the ncomp components of node 0, then node 1, ...).
// elementNodes: nbrElt x npe node indices numbered from 0, npe nodes per element in canonical
// order; the kind is recognised from (degree, npe). A node shared by several elements is
// converted by the first element holding it, which is exact since shared edges and faces only
// depend on their own nodes; the elements must share whole edges or faces in matching places (a
// conforming mesh), else the shared coefficients are not meaningful. Nodes used by no element
// keep their values. Elements with a node index outside 0..nbrNod-1 are skipped. Allocates one
// bit per node; no copy of the field. Degree 1 returns at once; a degree above 10 or an npe
// that is no kind's node count is fatal; volume kinds at degrees 7 to 10 have no kernel: a warning
// is printed and the values are left unchanged.
void LagrangeToBezier(int64_t nbrNod, int degree, float *values, int ncomp, int64_t nbrElt,
                      const int32_t *elementNodes, int npe);

// Value at one reference point of the polynomial whose Bezier coefficients (one scalar component,
// canonical node order, degree 0..10) are coef. Arguments as in hoBernsteinBasis: the edge at u in
// [0, 1], the triangle and tetrahedron at barycentric coordinates, the quadrilateral and
// hexahedron at (u, v[, w]) in the unit square or cube, the prism at barycentric (u1, u2, u3) and
// height h, the pyramid at (u, v, w), w the height and u, v in [0, 1 - w]. Computed in double on
// a stack array; a degree out of range is fatal, as are tetrahedron or prism barycentric
// coordinates whose sum differs from 1 by more than 1e-4.
double pav_EvaluateValueOnEdge(const float *coef, int degree, double u);
double pav_EvaluateValueOnTriangle(const float *coef, int degree, double u, double v, double w);
double pav_EvaluateValueOnQuadrilateral(const float *coef, int degree, double u, double v);
double pav_EvaluateValueOnTetrahedra(const float *coef, int degree, double u, double v, double w,
                                     double t);
double pav_EvaluateValueOnPrism(const float *coef, int degree, double u1, double u2, double u3,
                                double h);
double pav_EvaluateValueOnPyramid(const float *coef, int degree, double u, double v, double w);
double pav_EvaluateValueOnHexahedra(const float *coef, int degree, double u, double v, double w);
// The evaluator of the kind, at ref = the hoRefWidth(kind) coordinates listed above in order.
double hoEvaluateValue(HoKind kind, const float *coef, int degree, const double *ref);

// Crossing of a curved edge with the plane a x + b y + c z + e = 0 (plane = {a, b, c, e}).
// control: degree + 1 Bezier control points of 3 doubles each, in lattice order (position i),
// degree 1..10 (above is fatal). The control polygon is halved by de Casteljau until the crossing
// lies in one half only and is located to within a squared distance of 0.001.
// Returns 0 with *count = 0 when no half crosses the plane; 0 with *count = the number of sign
// changes of the last polygon, *point = a newly allocated array of 3 doubles (new[], owned by the
// caller) holding the crossing, param[0..1] narrowed to the parameter interval of the last half
// and param[2] the crossing's position along that half's control polygon; 2 when both halves
// cross (no point is computed).
int pav_EvaluateInterEdge(const double *control, int degree, const double *plane, int *count,
                          double **point, double *param);

struct PavObject;
struct PavSolution;

// Values of a solution at the nodes of the faces cut out of volume elements by a plane, as a
// triangle (quadrilateral) field of degree outDegree (0..10, canonical node order of that face).
// Cut-face records, numbered from 1 (entry 0 unused), as the capping code delivers them:
//   triLnk[3 i .. 3 i + 2] = (parent volume type code, parent entity number from 1, reference);
//   triAux[12 i + 4 c .. 12 i + 4 c + 3] = reference coordinates of corner c (0..2) in the parent
//   (tetrahedron: 4 barycentric; pyramid, hexahedron: 3; prism: 3 barycentric and the height);
// quadrilaterals alike with quaAux holding 16 doubles (4 corners) per face.
// sol is the solution: with onVertices != 0 a vertex field (value of vertex v at data[v * s],
// s = doubles per node of its kind), else a field of the parent type (its nbrNod values of degree
// sol->degree per entity). Only the first component is evaluated. The parent types are volume
// codes of tetrahedra, pyramids, prisms or hexahedra of degree 1 to 4; any other is fatal.
// Fields of degree 2 or more are converted to Bezier form per parent (no heap allocation per
// face). Parents or vertices out of range give 0.
// *triVal receives (nbrCutTri + 1) * n doubles and *quaVal (nbrCutQua + 1) * m doubles (n, m the
// node counts of the output faces; the first n or m unused), both allocated with malloc and owned
// by the caller (free); a count of 0 still gives the unused first block. Returns 0, or 2 with a
// message in status (null object, solution or outputs; allocation failure).
int pav_EvaluateSolutionOnCutFaces(const PavObject *obj, const PavSolution *sol, int onVertices,
                                   int32_t nbrCutTri, const int32_t *triLnk, const double *triAux,
                                   int32_t nbrCutQua, const int32_t *quaLnk, const double *quaAux,
                                   int outDegree, double **triVal, double **quaVal, char *status);
