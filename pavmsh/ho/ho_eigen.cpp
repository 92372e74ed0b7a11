// Symmetric 2 x 2 and 3 x 3 eigen-solvers.
//
// Eigen2d works on the matrix divided by its largest entry so that no square over- or underflows.
// Eigen3d uses a Householder reduction to tridiagonal form followed by the QL algorithm with
// implicit shifts, which is backward stable whatever the spread of the eigenvalues; a matrix whose
// determinant is exactly zero goes instead through the roots of its characteristic polynomial,
// which then has the known root 0 and gives exact zero directions.
#include "ho_eigen.h"

#include "pav_status.h"

#include <cmath>
#include <cstdio>

namespace {

// ---------------------------------------------------------------------------------------------
// Small 3-vector helpers.

void cross(const double *a, const double *b, double *c) {
  c[0] = a[1] * b[2] - a[2] * b[1];
  c[1] = a[2] * b[0] - a[0] * b[2];
  c[2] = a[0] * b[1] - a[1] * b[0];
}

double dot(const double *a, const double *b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Expands the upper triangle into a full row-major matrix scaled by sca.
void fullMatrix(const double *met, double sca, double m[3][3]) {
  m[0][0] = met[0] * sca;
  m[0][1] = m[1][0] = met[1] * sca;
  m[0][2] = m[2][0] = met[2] * sca;
  m[1][1] = met[3] * sca;
  m[1][2] = m[2][1] = met[4] * sca;
  m[2][2] = met[5] * sca;
}

double det3(const double m[3][3]) {
  return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
         m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// ---------------------------------------------------------------------------------------------
// Direct method: Householder tridiagonalisation and implicit QL. q[i][k] is component i of
// eigenvector k.

int eigenDirect(const double m[3][3], double d[3], double q[3][3]) {
  double e[3] = {0., 0., 0.};
  for (int i = 0; i < 3; i++)
    for (int k = 0; k < 3; k++) q[i][k] = (i == k) ? 1. : 0.;

  // One reflection P = I - omega u u^T with u = (0, m12 - g, m13) sends (m12, m13) to (g, 0); g
  // takes the sign opposite to m12 so that m12 - g does not cancel.
  const double h = m[0][1] * m[0][1] + m[0][2] * m[0][2];
  const double g = (m[0][1] > 0.) ? -std::sqrt(h) : std::sqrt(h);
  e[0] = g;
  const double omega0 = h - g * m[0][1];
  const double u[3] = {0., m[0][1] - g, m[0][2]};
  if (omega0 > 0.) {
    const double omega = 1. / omega0;
    double p[3] = {0., 0., 0.}, kk = 0.;
    for (int i = 1; i < 3; i++) {
      const double f = m[1][i] * u[1] + m[i][2] * u[2];
      p[i] = omega * f;
      kk += u[i] * f;
    }
    kk *= 0.5 * omega * omega;
    for (int i = 1; i < 3; i++) p[i] -= kk * u[i];
    d[0] = m[0][0];
    d[1] = m[1][1] - 2. * p[1] * u[1];
    d[2] = m[2][2] - 2. * p[2] * u[2];
    for (int i = 1; i < 3; i++)
      for (int k = 1; k < 3; k++) q[i][k] -= omega * u[i] * u[k];
    e[1] = m[1][2] - p[1] * u[2] - u[1] * p[2];
  } else {
    for (int i = 0; i < 3; i++) d[i] = m[i][i];
    e[1] = m[1][2];
  }

  for (int l = 0; l < 2; l++) {
    int nbrIte = 0;
    for (;;) {
      // An off-diagonal entry is negligible when it does not change the sum of its neighbours.
      int mm;
      for (mm = l; mm < 2; mm++) {
        const double gg = std::fabs(d[mm]) + std::fabs(d[mm + 1]);
        if (std::fabs(e[mm]) + gg == gg) break;
      }
      if (mm == l) break;
      if (nbrIte++ >= 30) return -1;

      double gg = (d[l + 1] - d[l]) / (e[l] + e[l]);
      double r = std::hypot(gg, 1.);
      gg = d[mm] - d[l] + e[l] / (gg > 0. ? gg + r : gg - r);
      double s = 1., c = 1., p = 0.;
      for (int i = mm - 1; i >= l; i--) {
        const double f = s * e[i], b = c * e[i];
        if (std::fabs(f) > std::fabs(gg)) {
          c = gg / f;
          r = std::hypot(c, 1.);
          e[i + 1] = f * r;
          s = 1. / r;
          c *= s;
        } else {
          s = f / gg;
          r = std::hypot(s, 1.);
          e[i + 1] = gg * r;
          c = 1. / r;
          s *= c;
        }
        gg = d[i + 1] - p;
        r = (d[i] - gg) * s + 2. * c * b;
        p = s * r;
        d[i + 1] = gg + p;
        gg = c * r - b;
        for (int k = 0; k < 3; k++) {
          const double t = q[k][i + 1];
          q[k][i + 1] = s * q[k][i] + c * t;
          q[k][i] = c * q[k][i] - s * t;
        }
      }
      d[l] -= p;
      e[l] = gg;
      e[mm] = 0.;
    }
  }
  return 1;
}

// ---------------------------------------------------------------------------------------------
// Characteristic-polynomial method, on a matrix scaled to a largest entry of 1.

double poly(double a, double b, double c, double x) { return ((x + a) * x + b) * x + c; }

// Finds the real roots of X^3 + aX^2 + bX + c (all real for a symmetric matrix). Writes the
// distinct roots into root[] and returns their number (1, 2 or 3), or 0 on failure. mult[] receives
// the multiplicity of each distinct root.
int cubicRoots(double a, double b, double c, double root[3], int mult[3]) {
  const double dlt = 4. * a * a - 12. * b;
  double r[3];

  if (dlt <= 1e-10 * 4. * a * a) {
    // P' has (almost) a double root: for a symmetric matrix this means the three eigenvalues
    // agree to about 1e-5 of their size.
    const double x = -a / 3.;
    const double px = poly(a, b, c, x);
    if (std::fabs(px) > 1e-10) {
      if (dlt < -1e-10 * (4. * a * a + 1.)) {
        pav_Message(true, "\n  ## WARNING Newton : No real roots !\n");
        pav_Message(true, "\t P'(X) = %12.8e*X^2 + %12.8e*X + %12.8e\n", 3., 2. * a, b);
        pav_Message(true, "\t delta = %12.8e\n", dlt);
      } else {
        pav_Message(true, "\n  ## WARNING Newton : Problem with triple root !\n");
        pav_Message(true, "\t X     = %12.8e\n", x);
        pav_Message(true, "\t P'(X) = %12.8e*X^2 + %12.8e*X + %12.8e => %12.8e\n", 3., 2. * a, b,
                    (3. * x + 2. * a) * x + b);
        pav_Message(true, "\t P(X)  =  X^3 + %12.8e*X^2 + %12.8e*X + %12.8e => %12.8e\n", a, b, c,
                    px);
      }
      return 0;
    }
    root[0] = x;
    mult[0] = 3;
    return 1;
  }

  // A critical point where P vanishes is a double root.
  const double sq = std::sqrt(dlt);
  const double crt[2] = {(-2. * a - sq) / 6., (-2. * a + sq) / 6.};
  for (int k = 0; k < 2; k++) {
    if (std::fabs(poly(a, b, c, crt[k])) < 1e-15) {
      r[0] = r[1] = crt[k];
      r[2] = -a - 2. * crt[k];
      if (std::fabs(poly(a, b, c, r[2])) > 1e-10) {
        pav_Message(true, "\n  ## WARNING Newton : Problem with double root !\n");
        pav_Message(true, "\t X     = %12.8e(d) %12.8e\n", crt[k], r[2]);
        pav_Message(true, "\t P'(X) = %12.8e*X^2 + %12.8e*X + %12.8e => %12.8e(d) %12.8e\n", 3.,
                    2. * a, b, (3. * crt[k] + 2. * a) * crt[k] + b,
                    (3. * r[2] + 2. * a) * r[2] + b);
        pav_Message(true, "\t P(X)  =  X^3 + %12.8e*X^2 + %12.8e*X + %12.8e => %12.8e(d) %12.8e\n",
                    a, b, c, poly(a, b, c, crt[k]), poly(a, b, c, r[2]));
        return 0;
      }
      goto merge;
    }
  }

  {
    // Newton from above the Cauchy bound descends monotonically onto the largest root, since P
    // is increasing and convex beyond its largest critical point.
    double x = 1. + std::fmax(std::fabs(a), std::fmax(std::fabs(b), std::fabs(c)));
    double best = x, bestVal = std::fabs(poly(a, b, c, x));
    bool converged = false;
    for (int ite = 0; ite < 100; ite++) {
      const double px = poly(a, b, c, x);
      const double dpx = (3. * x + 2. * a) * x + b;
      if (std::fabs(px) < bestVal) {
        best = x;
        bestVal = std::fabs(px);
      }
      if (px == 0. || dpx == 0.) {
        converged = (px == 0.);
        break;
      }
      const double dx = px / dpx;
      x -= dx;
      // In exact arithmetic the iterates decrease; a step that does not, or one at rounding
      // level, means the root is reached.
      if (dx <= 0. || std::fabs(dx) <= 1e-14 * std::fmax(1., std::fabs(x))) {
        converged = true;
        if (std::fabs(poly(a, b, c, x)) <= bestVal) {
          best = x;
          bestVal = std::fabs(poly(a, b, c, x));
        }
        break;
      }
    }
    if (!converged) {
      pav_Message(true, "\n  ## WARNING Newton : we haven't converged in 100 iterations !\n");
      pav_Message(true, "\t     Best root = %12.8e\n", best);
      pav_Message(true, "\t     P(X)  =  X^3 + %12.8e*X^2 + %12.8e*X + %12.8e => %12.8e\n", a, b, c,
                  poly(a, b, c, best));
    }
    if (bestVal > 1e-10) {
      pav_Message(true, "\n  ## WARNING Newton : we haven't found a root !\n");
      pav_Message(true, "\t Best root = %12.8e\n", best);
      pav_Message(true, "\t P(X)  =  X^3 + %12.8e*X^2 + %12.8e*X + %12.8e => %12.8e\n", a, b, c,
                  poly(a, b, c, best));
      pav_Message(true, "\t dist = %12.8e\n", bestVal);
      return 0;
    }

    // Deflate to X^2 + pX + q.
    r[0] = best;
    const double p = a + best, q = b + best * p;
    double dq = p * p - 4. * q;
    const double eps = 1e-10 * std::fmax(1., std::fmax(p * p, std::fabs(q)));
    if (dq < -eps) {
      pav_Message(true, "\n  ## WARNING Newton : Only one real root !\n");
      pav_Message(true, "\t Root 1   = %12.8e\n", best);
      pav_Message(true, "\t P(X)\t  = X^3 + %12.8e*X^2 + %12.8e*X + %12.8e\n", a, b, c);
      pav_Message(true, "\t P2(X)    = X^2 + %12.8e*X + %12.8e\n", p, q);
      pav_Message(true, "\t delta P2 = %12.8e  for eps = %12.8e\n", dq, eps);
      return 0;
    }
    if (dq < 0.) dq = 0.;
    // The root of larger magnitude first, the other from the product q, to avoid cancellation.
    const double big = -0.5 * (p + (p >= 0. ? std::sqrt(dq) : -std::sqrt(dq)));
    r[1] = big;
    r[2] = (big != 0.) ? q / big : 0.;
    for (int k = 0; k < 3; k++) {
      if (std::fabs(poly(a, b, c, r[k])) > 1e-8) {
        pav_Message(true, "\n  ## WARNING Newton : Problem with obtained roots !\n");
        pav_Message(true, "\t Roots   = %12.8e %12.8e %12.8e\n", r[0], r[1], r[2]);
        pav_Message(true, "\t P(Root) = %12.8e %12.8e %12.8e\n", poly(a, b, c, r[0]),
                    poly(a, b, c, r[1]), poly(a, b, c, r[2]));
        pav_Message(true, "\t P(X)    = X^3 + %12.8e*X^2 + %12.8e*X + %12.8e\n", a, b, c);
        return 0;
      }
    }
  }

merge:
  // Roots closer than 1e-5 of the largest root are one eigenvalue. The scaled matrix has a
  // largest entry of 1, so its largest root is at least 1 in magnitude.
  {
    const double size =
        std::fmax(1., std::fmax(std::fabs(r[0]), std::fmax(std::fabs(r[1]), std::fabs(r[2]))));
    int nbr = 0;
    for (int k = 0; k < 3; k++) {
      int j;
      for (j = 0; j < nbr; j++)
        if (std::fabs(root[j] - r[k]) <= 1e-5 * size) break;
      if (j < nbr) {
        mult[j]++;
      } else {
        root[nbr] = r[k];
        mult[nbr] = 1;
        nbr++;
      }
    }
    return nbr;
  }
}

// Unit vector of the largest cross product of two rows of m - lambda I: a vector orthogonal to the
// rows, hence in the kernel when lambda is a simple eigenvalue. Returns the squared norm before
// normalisation.
double kernelVector(const double m[3][3], double lambda, double v[3]) {
  double a[3][3];
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) a[i][j] = m[i][j] - (i == j ? lambda : 0.);
  double c[3][3];
  cross(a[0], a[1], c[0]);
  cross(a[0], a[2], c[1]);
  cross(a[1], a[2], c[2]);
  int best = 0;
  double nrm[3];
  for (int k = 0; k < 3; k++) nrm[k] = dot(c[k], c[k]);
  for (int k = 1; k < 3; k++)
    if (nrm[k] > nrm[best]) best = k;
  const double n = std::sqrt(nrm[best]);
  for (int k = 0; k < 3; k++) v[k] = (n > 0.) ? c[best][k] / n : (k == 0 ? 1. : 0.);
  return nrm[best];
}

// Completes the unit vector v0 into an orthonormal basis (v0, v1, v2): v1 is the largest cross
// product of v0 with a unit axis, normalised, and v2 = v0 x v1.
void completeBasis(const double v0[3], double v1[3], double v2[3]) {
  static const double axes[3][3] = {{1., 0., 0.}, {0., 1., 0.}, {0., 0., 1.}};
  double best = -1.;
  for (int k = 0; k < 3; k++) {
    double c[3];
    cross(v0, axes[k], c);
    const double n = dot(c, c);
    if (n > best) {
      best = n;
      for (int i = 0; i < 3; i++) v1[i] = c[i];
    }
  }
  const double n = std::sqrt(best);
  for (int i = 0; i < 3; i++) v1[i] /= n;
  cross(v0, v1, v2);
}

int eigenCharacteristic(const double *met, double *eigVal, double *eigVec) {
  double nrm = 0.;
  for (int k = 0; k < 6; k++) nrm = std::fmax(nrm, std::fabs(met[k]));
  double m[3][3];
  fullMatrix(met, 1. / nrm, m);

  const double a = -(m[0][0] + m[1][1] + m[2][2]);
  const double b = m[0][0] * m[1][1] + m[0][0] * m[2][2] + m[1][1] * m[2][2] - m[0][1] * m[0][1] -
                   m[0][2] * m[0][2] - m[1][2] * m[1][2];
  const double c = -det3(m);

  double root[3];
  int mult[3];
  const int nbr = cubicRoots(a, b, c, root, mult);

  if (nbr == 0) {
    pav_Message(false, " MET  %le %le %le %le %le %le\n", met[0], met[1], met[2], met[3], met[4],
                met[5]);
    pav_Message(false, " NRM  %le\n", nrm);
    pav_Message(false, " MAT  %le %le %le %le %le %le\n", m[0][0], m[0][1], m[0][2], m[1][1],
                m[1][2], m[2][2]);
    return 0;
  }
  if (nbr < 1 || nbr > 3) pav_Fatal("  ## ERROR: WRONG TYPE OF EIGENVALUES.\n");

  if (nbr == 1) {
    for (int k = 0; k < 3; k++) {
      eigVal[k] = root[0] * nrm;
      for (int i = 0; i < 3; i++) eigVec[3 * k + i] = (i == k) ? 1. : 0.;
    }
    return 1;
  }

  // The simple eigenvalue farthest from the others gives the best conditioned kernel vector.
  int simple = 0;
  if (nbr == 2) {
    simple = (mult[0] == 1) ? 0 : 1;
  } else {
    double gap = -1.;
    for (int k = 0; k < 3; k++) {
      const double g =
          std::fmin(std::fabs(root[k] - root[(k + 1) % 3]), std::fabs(root[k] - root[(k + 2) % 3]));
      if (g > gap) {
        gap = g;
        simple = k;
      }
    }
  }
  double v0[3], v1[3], v2[3];
  kernelVector(m, root[simple], v0);
  completeBasis(v0, v1, v2);

  // In the plane (v1, v2) the matrix is a symmetric 2 x 2 block; one Jacobi rotation
  // diagonalises it exactly, which also separates two close (merged or not) eigenvalues.
  double mv1[3], mv2[3];
  for (int i = 0; i < 3; i++) {
    mv1[i] = dot(m[i], v1);
    mv2[i] = dot(m[i], v2);
  }
  const double b11 = dot(v1, mv1), b12 = dot(v1, mv2), b22 = dot(v2, mv2);
  double cs = 1., sn = 0.;
  if (b12 != 0.) {
    const double theta = 0.5 * std::atan2(2. * b12, b22 - b11);
    cs = std::cos(theta);
    sn = std::sin(theta);
  }
  double w1[3], w2[3];
  for (int i = 0; i < 3; i++) {
    w1[i] = cs * v1[i] - sn * v2[i];
    w2[i] = sn * v1[i] + cs * v2[i];
  }
  const double *vec[3] = {v0, w1, w2};
  for (int k = 0; k < 3; k++) {
    double mv[3];
    for (int i = 0; i < 3; i++) mv[i] = dot(m[i], vec[k]);
    eigVal[k] = dot(vec[k], mv) * nrm;
    for (int i = 0; i < 3; i++) eigVec[3 * k + i] = vec[k][i];
  }
  return 1;
}

// A 2-D metric that is a multiple of the identity: both eigenvalues are `value`, the axes the
// eigenvectors.
void isotropic2d(double value, double *eigVal, double *eigVec) {
  eigVal[0] = eigVal[1] = value;
  eigVec[0] = 1.;
  eigVec[1] = 0.;
  eigVec[2] = 0.;
  eigVec[3] = 1.;
}

} // namespace

int Eigen2d(const double *met, double *eigVal, double *eigVec) {
  if (!met || !eigVal || !eigVec) return 0;

  double s = met[0];
  for (int k = 1; k < 3; k++)
    if (std::fabs(met[k]) > std::fabs(s)) s = met[k];
  if (std::fabs(s) < 1e-300) {
    isotropic2d(0., eigVal, eigVec);
    return 2;
  }

  const double a = met[0] / s, b = met[1] / s, c = met[2] / s;
  const double dd = 4. * b * b + (a - c) * (a - c);
  if (std::fabs(dd) < 1e-24) {
    isotropic2d(s, eigVal, eigVec);
    return 1;
  }

  const double r = std::sqrt(dd);
  const double bigL = 0.5 * (a + c + r), smallL = 0.5 * (a + c - r);

  // (-b, a - L) and (L - c, b) are both eigenvectors of L; one of them is non-zero unless the
  // matrix is a multiple of the identity, which the dd test above has already filtered.
  double v[2] = {-b, a - bigL};
  double nrm = v[0] * v[0] + v[1] * v[1];
  if (nrm < 1e-30) {
    const double w[2] = {bigL - c, b};
    const double nrmW = w[0] * w[0] + w[1] * w[1];
    if (nrmW < 1e-30) {
      if (std::fabs(smallL - 1.) < 1e-12 && std::fabs(bigL - 1.) < 1e-12) {
        pav_Message(false,
                    "  ## INFO Eigen2d: two identical eigen values have not been filtered !!\n");
        pav_Message(false, "     M = [%12.8e %12.8e %12.8e]  with eig %le %le  and dd = %le\n", a,
                    b, c, smallL, bigL, dd);
        pav_Message(false, " vec = %le %le or %le %le with nrm = %le or %le\n", v[0], v[1], w[0],
                    w[1], nrm, nrmW);
        isotropic2d(s, eigVal, eigVec);
        return 1;
      }
      pav_Message(true, "\n  ## ERROR Eigen2d: A nul metric is obtained !\n");
      pav_Message(true, "     M = [%12.8e %12.8e %12.8e]\n", a, b, c);
      return 0;
    }
    v[0] = w[0];
    v[1] = w[1];
    nrm = nrmW;
  }
  nrm = std::sqrt(nrm);
  v[0] /= nrm;
  v[1] /= nrm;

  if (std::fabs(bigL) > std::fabs(smallL)) {
    eigVal[0] = smallL * s;
    eigVal[1] = bigL * s;
    eigVec[0] = -v[1];
    eigVec[1] = v[0];
    eigVec[2] = v[0];
    eigVec[3] = v[1];
  } else {
    eigVal[0] = bigL * s;
    eigVal[1] = smallL * s;
    eigVec[0] = v[0];
    eigVec[1] = v[1];
    eigVec[2] = -v[1];
    eigVec[3] = v[0];
  }
  return 1;
}

int Eigen3d(const double *met, double *eigVal, double *eigVec) {
  if (!met || !eigVal || !eigVec) return 0;

  double nrm = 0.;
  for (int k = 0; k < 6; k++) nrm = std::fmax(nrm, std::fabs(met[k]));
  if (nrm < 1e-100) {
    for (int k = 0; k < 3; k++) {
      eigVal[k] = 0.;
      for (int i = 0; i < 3; i++) eigVec[3 * k + i] = (i == k) ? 1. : 0.;
    }
    return 1;
  }

  double m[3][3];
  fullMatrix(met, 1., m);
  if (det3(m) == 0.) return eigenCharacteristic(met, eigVal, eigVec);

  // The direct method works on the matrix scaled to a largest entry of 1, which keeps the
  // squares of the rotations away from over- and underflow.
  fullMatrix(met, 1. / nrm, m);
  double d[3], q[3][3];
  if (eigenDirect(m, d, q) != 1) return -1;
  for (int k = 0; k < 3; k++) {
    eigVal[k] = d[k] * nrm;
    for (int i = 0; i < 3; i++) eigVec[3 * k + i] = q[i][k];
  }
  return 1;
}
