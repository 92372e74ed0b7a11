// Subdivision of Bezier edges, triangles and quadrilaterals by de Casteljau's algorithm, and the
// refinement of an element's value range by recursive subdivision.
//
// Control values are single precision: an edge of degree d holds d + 1 values in lattice order,
// a triangle (d + 1)(d + 2) / 2 values in posTri order, a quadrilateral (d + 1)^2 values in posQua
// order (ho_lattice.h). The corners of a triangle in storage order, V0, V1, V2, are the
// coefficients at positions 0, d and (d + 1)(d + 2) / 2 - 1; barycentric weights (u, v, w) given
// to the triangle functions refer to V0, V1, V2 in that order.
#pragma once

// Edge split at parameter b from the first end (weights a + b = 1): *result is a new float array
// (new[], owned by the caller) of 2 (d + 1) values, the left piece then the right piece. For
// d < 1 prints "no subdivision\n" and sets *result to null.
void pav_SplitEdge(const float *ctrl, float **result, int degree, double a, double b);

// Quadrilateral split in four: rows (second index) at parameter 1 - b, columns (first index) at
// 1 - a, so a = b = 0.5 splits in the middle. *result holds 4 (d + 1)^2 values: the pieces
// (first half, first half), (second, first), (second, second), (first, second) along (i, j), each
// in posQua order. For d < 1: "no subdivision\n" and a null result.
void pav_SplitQuadrilateral(const float *ctrl, float **result, int degree, double a, double b);

// Triangle split into n = 3 or 4 pieces around the interior point P of weights (u, v, w), each of
// them in [1e-6, 0.999999]. n = 3: the pieces (V0, V1, P), (P, V1, V2), (V0, P, V2). n = 4, with
// E01, E12, E02 the points where the lines from the opposite vertices through P meet the edges:
// (V0, E01, E02), (E01, V1, E12), (E02, E12, V2), (E01, E12, E02). Each piece keeps the parent's
// orientation and is stored in posTri order with its corners listed first to last as above.
// *result holds n (d + 1)(d + 2) / 2 values, or is null after "no subdivision\n" (d < 1),
// " unproper input arguments u, v, w for triangle subdivision" or
// " subdvision in %d of a HO triangle not implemented\n".
void pav_SplitTriangle(int n, const float *ctrl, float **result, int degree, double u, double v,
                       double w);

// Bounds refinement: bounds = {lo, hi}, read and widened in place with exact values of the
// polynomial (corner values of sub-pieces), descending at most depth levels (clamped to 40) and
// only into pieces whose control values leave the bounds found so far. The result is an inner
// estimate of the range that approaches it as the depth grows. No heap allocation.
void pav_RefineBoundsOnEdge(const float *ctrl, int degree, double a, double b, float *bounds,
                            int depth);
void pav_RefineBoundsOnTriangle(const float *ctrl, int degree, int n, double u, double v, double w,
                                float *bounds, int depth);
// A negative degree is fatal (" #ERROR :posQua wrong coefficients in input\n").
void pav_RefineBoundsOnQuadrilateral(const float *ctrl, int degree, double a, double b,
                                     float *bounds, int depth);
