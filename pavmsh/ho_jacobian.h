// Jacobian determinants of curved elements and the shape quality of tetrahedra.
//
// The Jacobian determinant of an element of geometric degree d is a polynomial of degree
// 2(d-1) (triangle), 2d-1 (quadrilateral, in each variable), 3(d-1) (tetrahedron) or 3d-1
// (prism, pyramid and hexahedron, in each variable; the pyramid in its collapsed-hexahedron
// form). It is computed exactly in Bezier form, normalised by the mean of its Bezier coefficients
// (a valid element then has values near 1 and a folded one negative values) and sampled at the
// canonical nodes of the element kind at the stored degree min(degree, 10).
//
// Reference variables: triangles and tetrahedra use their barycentric coordinates 1, 2 (, 3)
// against coordinate 0; quadrilaterals and hexahedra the lattice axes i, j (, k) divided by the
// degree; prisms the triangle coordinates 1, 2 and the height; pyramids the collapsed coordinates
// (x/(1-z), y/(1-z), z). The sign of a raw determinant depends on this choice; the normalised
// values do not.
#pragma once

#include "pav_object.h"

#include <memory>

// Degree of the Jacobian determinant of an entity type (rule above: 0 for P1 triangles and
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

// Copies the Bezier coefficients of a pyramid of degree d (posPyr order, nbrCmp doubles per
// coefficient) into those of a hexahedron of degree d (posHex order) whose top face is collapsed
// onto the apex: the hexahedral polynomial at (s, t, w) equals the pyramid's at
// (s (1-w), t (1-w), w). Both arrays are the caller's; a null one writes "#ERROR Pyr2Hex : please
// provide already allocated arrays\n" to standard error and copies nothing.
void Pyr2Hex(int degree, int nbrCmp, const double *pyr, double *hex);

// de Casteljau evaluation of double-precision Bezier coefficients in storage order (posTri,
// posQua, posTet, posPri, posHex at the given degree, 0..11). The simplex and prism evaluators end
// the process (status 1) after their messages when their barycentric arguments do not sum to 1
// within 1e-4.
double pav_EvaluateJacOnTriangle(const double *coef, int degree, double u, double v, double w);
double pav_EvaluateJacOnQuadrilateral(const double *coef, int degree, double u, double v);
double pav_EvaluateJacOnTetrahedra(const double *coef, int degree, double u, double v, double w,
                                   double t);
double pav_EvaluateJacOnPrism(const double *coef, int degree, double u1, double u2, double u3,
                              double h);
double pav_EvaluateJacOnHexahedra(const double *coef, int degree, double u, double v, double w);

// The Jacobian of one element at a time, for one entity type (2-D: triangles, quadrilaterals;
// 3-D: tetrahedra, pyramids, prisms, hexahedra; degrees 1 to 4). Construction builds the type's
// tables once per process (thread-safe) and this object's work arrays; compute() then allocates
// nothing, so one object serves a whole loop. Not to be shared between threads.
class HoJacobian {
public:
  // A type without a Jacobian is fatal (a programming error: callers check pav_JacobianDegree).
  explicit HoJacobian(int type);
  ~HoJacobian();
  HoJacobian(const HoJacobian &) = delete;
  HoJacobian &operator=(const HoJacobian &) = delete;

  int nbrGeometryNodes() const; // nodes of the element (canonical order)
  int nbrValues() const;        // nodes of the kind at the stored degree
  int nbrCoefficients() const;  // Bezier coefficients of the Jacobian
  int jacobianDegree() const;
  int storedDegree() const;

  // crd: the element's nodes in canonical order, 3 doubles each (z is ignored for 2-D kinds).
  // values: nbrValues() doubles, the normalised Jacobian at the canonical nodes of the stored
  // degree. Returns the smallest of them.
  double compute(const double *crd, double *values);

  // Normalised Bezier coefficients of the last compute(): storage order posTri (degree 2d-2),
  // posQua (2d-1), posTet (3d-3), posMultiDegPri (3d-1, 3d-1) or posHex (3d-1; pyramids in their
  // collapsed-hexahedron form, carrying the factor (1-w)^2).
  const double *coefficients() const;
  // The divisor applied to the raw determinant coefficients by the last compute() (1 when none).
  double normalisation() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
