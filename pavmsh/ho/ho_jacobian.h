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

#include <memory>

// Degree of the Jacobian determinant of an entity type code (rule above: 0 for P1 triangles and
// tetrahedra, ..., 11 for Q4 hexahedra, P4 pyramids and P4 prisms); -1 for any other type. The
// mesh-level functions (pav_JacobianDegree and the computations over a mesh object) are in
// pav_quality.h.
int hoJacobianDegree(int type);

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
  // A type without a Jacobian is fatal (a programming error: callers check hoJacobianDegree).
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
