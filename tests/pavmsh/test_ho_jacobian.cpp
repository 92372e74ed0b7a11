// Jacobians checked against an independent computation: the geometry is the interpolant of a
// known polynomial map F (exactly reproduced by elements of high enough degree), whose Jacobian
// determinant is taken by central differences of F; the normalisation is checked against the
// average of that determinant by Gauss quadrature over the reference element.
#include "ho_jacobian.h"
#include "ho_lattice.h"
#include "ho_reference.h"
#include "mesh_builders.h"
#include "pav_solution.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

struct Case {
  int type;
  HoKind kind;
  int degree;
  int jacDegree;
};

// Per kind: the types of degrees 1 to 4, then their Jacobian degrees.
const int kTable[6][9] = {
    {HoTriangle, Triangles, TrianglesP2, TrianglesP3, TrianglesP4, 0, 2, 4, 6},
    {HoQuadrilateral, Quadrilaterals, QuadrilateralsQ2, QuadrilateralsQ3, QuadrilateralsQ4, 1, 3, 5,
     7},
    {HoTetrahedron, Tetrahedra, TetrahedraP2, TetrahedraP3, TetrahedraP4, 0, 3, 6, 9},
    {HoPrism, Prisms, PrismsP2, PrismsP3, PrismsP4, 2, 5, 8, 11},
    {HoPyramid, Pyramids, PyramidsP2, PyramidsP3, PyramidsP4, 2, 5, 8, 11},
    {HoHexahedron, Hexahedra, HexahedraQ2, HexahedraQ3, HexahedraQ4, 2, 5, 8, 11}};

std::vector<Case> allCases() {
  std::vector<Case> cases;
  for (const auto &row : kTable)
    for (int d = 1; d <= 4; d++) cases.push_back({row[d], HoKind(row[0]), d, row[4 + d]});
  return cases;
}

bool isSurface(HoKind k) { return k == HoTriangle || k == HoQuadrilateral; }

using pavo_test::hoCartesian;

// A polynomial map of total degree <= deg: an affine part plus eps times random monomials.
struct PolyMap {
  int deg;
  double lin[3][4];
  std::vector<std::array<int, 3>> mono;
  std::vector<std::array<double, 3>> coef;

  PolyMap(int d, double eps, unsigned seed) : deg(d) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-1., 1.);
    const double a[3][4] = {{1.3, 0.2, -0.1, 0.5}, {-0.3, 0.9, 0.25, -1.}, {0.1, -0.2, 1.1, 2.}};
    for (int i = 0; i < 3; i++)
      for (int j = 0; j < 4; j++) lin[i][j] = a[i][j];
    for (int p = 0; p <= d; p++)
      for (int q = 0; p + q <= d; q++)
        for (int r = 0; p + q + r <= d; r++) {
          if (p + q + r < 2) continue;
          mono.push_back({p, q, r});
          coef.push_back({eps * u(rng), eps * u(rng), eps * u(rng)});
        }
  }
  void eval(const double *x, double *y) const {
    for (int i = 0; i < 3; i++)
      y[i] = lin[i][0] * x[0] + lin[i][1] * x[1] + lin[i][2] * x[2] + lin[i][3];
    for (std::size_t m = 0; m < mono.size(); m++) {
      const double v =
          std::pow(x[0], mono[m][0]) * std::pow(x[1], mono[m][1]) * std::pow(x[2], mono[m][2]);
      for (int i = 0; i < 3; i++) y[i] += coef[m][i] * v;
    }
  }
  // det of the Jacobian of F (2x2 of x, y when dim = 2) by central differences.
  double jacobian(const double *x, int dim) const {
    const double h = 1e-5;
    double g[3][3];
    for (int c = 0; c < dim; c++) {
      double xp[3] = {x[0], x[1], x[2]}, xm[3] = {x[0], x[1], x[2]}, yp[3], ym[3];
      xp[c] += h;
      xm[c] -= h;
      eval(xp, yp);
      eval(xm, ym);
      for (int i = 0; i < 3; i++) g[c][i] = (yp[i] - ym[i]) / (2. * h);
    }
    if (dim == 2) return g[0][0] * g[1][1] - g[0][1] * g[1][0];
    return g[0][0] * (g[1][1] * g[2][2] - g[1][2] * g[2][1]) -
           g[0][1] * (g[1][0] * g[2][2] - g[1][2] * g[2][0]) +
           g[0][2] * (g[1][0] * g[2][1] - g[1][1] * g[2][0]);
  }
};

// The element's nodes: F at the reference nodes.
std::vector<double> elementNodes(const Case &c, const PolyMap &f) {
  const int n = static_cast<int>(hoNodeCount(c.kind, c.degree)), w = hoRefWidth(c.kind);
  const double *ref = hoNodeRefCoords(c.kind, c.degree);
  std::vector<double> crd(3 * n);
  for (int k = 0; k < n; k++) {
    double xi[3];
    hoCartesian(c.kind, ref + k * w, xi);
    f.eval(xi, &crd[3 * k]);
  }
  return crd;
}

// Exact Jacobian of the kind's reference variables at a reference point; for pyramids the
// collapsed form (1-z)^2 det(grad F).
double exactJacobian(const Case &c, const PolyMap &f, const double *ref) {
  double xi[3];
  hoCartesian(c.kind, ref, xi);
  const double j = f.jacobian(xi, isSurface(c.kind) ? 2 : 3);
  return c.kind == HoPyramid ? (1. - xi[2]) * (1. - xi[2]) * j : j;
}

// Average of the exact Jacobian over the reference element (the collapsed cube for pyramids),
// by Gauss-Legendre quadrature on Duffy-collapsed cubes.
double averageJacobian(const Case &c, const PolyMap &f) {
  static const double gx[8] = {-0.9602898564975363, -0.7966664774136267, -0.5255324099163290,
                               -0.1834346424956498, 0.1834346424956498,  0.5255324099163290,
                               0.7966664774136267,  0.9602898564975363};
  static const double gw[8] = {0.1012285362903763, 0.2223810344533745, 0.3137066458778873,
                               0.3626837833783620, 0.3626837833783620, 0.3137066458778873,
                               0.2223810344533745, 0.1012285362903763};
  const bool surf = isSurface(c.kind);
  double sum = 0., vol = 0.;
  for (int i = 0; i < 8; i++)
    for (int j = 0; j < 8; j++)
      for (int k = 0; k < (surf ? 1 : 8); k++) {
        const double a = 0.5 * (gx[i] + 1.), b = 0.5 * (gx[j] + 1.), e = 0.5 * (gx[k] + 1.);
        double w = gw[i] * gw[j] * (surf ? 2. : gw[k]) / 8.;
        double xi[3] = {a, b, surf ? 0. : e};
        switch (c.kind) {
        case HoTriangle:
          xi[1] = b * (1. - a);
          w *= 1. - a;
          break;
        case HoPrism:
          xi[1] = b * (1. - a);
          w *= 1. - a;
          break;
        case HoTetrahedron:
          xi[1] = b * (1. - a);
          xi[2] = e * (1. - a) * (1. - b);
          w *= (1. - a) * (1. - a) * (1. - b);
          break;
        default:
          break;
        }
        double jac = f.jacobian(xi, surf ? 2 : 3);
        if (c.kind == HoPyramid) {
          // The cube point (s, t, z) is the pyramid point (s (1-z), t (1-z), z).
          const double p[3] = {a * (1. - e), b * (1. - e), e};
          jac = (1. - e) * (1. - e) * f.jacobian(p, 3);
        }
        sum += w * jac;
        vol += w;
      }
  return sum / vol;
}

double evaluateCoefficients(const Case &c, const double *coef, int deg, const double *ref) {
  switch (c.kind) {
  case HoTriangle:
    return pav_EvaluateJacOnTriangle(coef, deg, ref[0], ref[1], ref[2]);
  case HoQuadrilateral:
    return pav_EvaluateJacOnQuadrilateral(coef, deg, ref[0], ref[1]);
  case HoTetrahedron:
    return pav_EvaluateJacOnTetrahedra(coef, deg, ref[0], ref[1], ref[2], ref[3]);
  case HoPrism:
    return pav_EvaluateJacOnPrism(coef, deg, ref[0], ref[1], ref[2], ref[3]);
  case HoHexahedron:
    return pav_EvaluateJacOnHexahedra(coef, deg, ref[0], ref[1], ref[2]);
  case HoPyramid: {
    const double z = ref[2];
    return pav_EvaluateJacOnHexahedra(coef, deg, ref[0] / (1. - z), ref[1] / (1. - z), z);
  }
  default:
    return 0.;
  }
}

class JacobianKinds : public ::testing::TestWithParam<Case> {};

TEST_P(JacobianKinds, AffineElementsAreConstant) {
  const Case c = GetParam();
  const PolyMap f(1, 0., 1);
  const std::vector<double> crd = elementNodes(c, f);
  EXPECT_EQ(pav_JacobianDegree(c.type), c.jacDegree);
  HoJacobian jac(c.type);
  EXPECT_EQ(jac.storedDegree(), std::min(c.jacDegree, 10));
  std::vector<double> val(jac.nbrValues());
  jac.compute(crd.data(), val.data());
  const double *ref = hoNodeRefCoords(c.kind, jac.storedDegree());
  const int w = hoRefWidth(c.kind);
  for (int s = 0; s < jac.nbrValues(); s++) {
    // The collapsed pyramid carries (1-z)^2.
    const double z = c.kind == HoPyramid ? ref[s * w + 2] : 0.;
    const double expected = (1. - z) * (1. - z);
    EXPECT_NEAR(val[s], expected, 1e-11) << "node " << s;
  }
}

TEST_P(JacobianKinds, CurvedElementsMatchTheExactDeterminant) {
  const Case c = GetParam();
  for (unsigned seed = 1; seed <= 3; seed++) {
    SCOPED_TRACE(seed);
    const PolyMap f(c.degree, 0.15, seed);
    const std::vector<double> crd = elementNodes(c, f);
    HoJacobian jac(c.type);
    std::vector<double> val(jac.nbrValues());
    const double mn = jac.compute(crd.data(), val.data());
    const double norm = jac.normalisation();
    const double factor = c.kind == HoPyramid ? 3. : 1.;

    // The normaliser is the mean Bezier coefficient, that is the average determinant.
    EXPECT_NEAR(norm / factor, averageJacobian(c, f), 1e-8);

    // Node values, and the Bezier coefficients at random interior points.
    const double *ref = hoNodeRefCoords(c.kind, jac.storedDegree());
    const int w = hoRefWidth(c.kind);
    double lowest = 1e300;
    for (int s = 0; s < jac.nbrValues(); s++) {
      EXPECT_NEAR(val[s] * norm, exactJacobian(c, f, ref + s * w), 1e-7) << "node " << s;
      lowest = std::min(lowest, val[s]);
    }
    EXPECT_EQ(mn, lowest);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.05, 0.3);
    for (int t = 0; t < 5; t++) {
      double p[4];
      const double a = u(rng), b = u(rng), e = u(rng);
      switch (c.kind) {
      case HoTriangle:
        p[0] = 1. - a - b, p[1] = a, p[2] = b;
        break;
      case HoTetrahedron:
        p[0] = 1. - a - b - e, p[1] = a, p[2] = b, p[3] = e;
        break;
      case HoPrism:
        p[0] = 1. - a - b, p[1] = a, p[2] = b, p[3] = 3. * e;
        break;
      default:
        p[0] = 3. * a, p[1] = 2. * b, p[2] = e;
        break;
      }
      EXPECT_NEAR(evaluateCoefficients(c, jac.coefficients(), c.jacDegree, p) * norm,
                  exactJacobian(c, f, p), 1e-7)
          << "point " << t;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllKinds, JacobianKinds, ::testing::ValuesIn(allCases()),
                         [](const ::testing::TestParamInfo<Case> &i) {
                           return "type" + std::to_string(i.param.type);
                         });

TEST(JacobianDegree, TypesWithoutJacobian) {
  for (int type : {0, 1, 2, 3, 5, 11, 18, 25, 32, 39}) {
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(pav_JacobianDegree(type), -1) << type;
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(out,
              std::string(pav_EntityTypeName(type)) + " : no jacobian for this type of entity !\n");
  }
}

TEST(Pyr2Hex, CollapsedHexahedronIsThePyramid) {
  std::mt19937 rng(2);
  std::uniform_real_distribution<double> u(-1., 1.);
  for (int d = 1; d <= 4; d++) {
    const int np = static_cast<int>(hoNodeCount(HoPyramid, d));
    std::vector<double> pyr(2 * np), hex(2 * (d + 1) * (d + 1) * (d + 1));
    for (double &x : pyr) x = u(rng);
    Pyr2Hex(d, 2, pyr.data(), hex.data());
    // The pyramid polynomial through its Bernstein basis in canonical order.
    const int *pos = hoNodeToPos(HoPyramid, d);
    std::vector<double> phi(np), h0((d + 1) * (d + 1) * (d + 1)), h1(h0.size());
    for (std::size_t k = 0; k < h0.size(); k++) h0[k] = hex[2 * k], h1[k] = hex[2 * k + 1];
    for (int t = 0; t < 10; t++) {
      const double z = 0.9 * std::fabs(u(rng)), s = std::fabs(u(rng)), r = std::fabs(u(rng));
      const double ref[3] = {s * (1. - z), r * (1. - z), z};
      hoBernsteinBasis(HoPyramid, d, ref, phi.data());
      double v0 = 0., v1 = 0.;
      for (int k = 0; k < np; k++)
        v0 += phi[k] * pyr[2 * pos[k]], v1 += phi[k] * pyr[2 * pos[k] + 1];
      EXPECT_NEAR(pav_EvaluateJacOnHexahedra(h0.data(), d, s, r, z), v0, 1e-12);
      EXPECT_NEAR(pav_EvaluateJacOnHexahedra(h1.data(), d, s, r, z), v1, 1e-12);
    }
    // The top face of the hexahedron is the apex.
    const double apex = pyr[2 * posPyr(d, 0, 0, d)];
    for (int i = 0; i <= d; i++)
      for (int j = 0; j <= d; j++) EXPECT_NEAR(hex[2 * posHex(d, i, j, d)], apex, 1e-14);
  }
  ::testing::internal::CaptureStderr();
  double buf[8];
  Pyr2Hex(1, 1, nullptr, buf);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "#ERROR Pyr2Hex : please provide already allocated arrays\n");
}

TEST(JacobianEvaluators, BarycentricChecksEndTheProcess) {
  const double coef[10] = {1., 1., 1., 1., 1., 1., 1., 1., 1., 1.};
  EXPECT_NEAR(pav_EvaluateJacOnTriangle(coef, 2, 0.5, 0.25, 0.25005), 1., 2e-4);
  EXPECT_EXIT(pav_EvaluateJacOnTriangle(coef, 2, 0.5, 0.5, 0.5), ::testing::ExitedWithCode(1), "");
  EXPECT_EXIT(pav_EvaluateJacOnTetrahedra(coef, 1, 0.5, 0.5, 0.5, 0.), ::testing::ExitedWithCode(1),
              "");
  EXPECT_EXIT(pav_EvaluateJacOnPrism(coef, 1, 0.1, 0.1, 0.1, 0.5), ::testing::ExitedWithCode(1),
              "");
  EXPECT_EXIT(pav_EvaluateJacOnHexahedra(coef, 12, 0., 0., 0.), ::testing::ExitedWithCode(1), "");
}

// ---------------------------------------------------------------------------------------------
// Whole meshes.

using pavo_test::ObjectPtr;

// An object holding copies of one element of a type whose nodes are given, vertices in order.
ObjectPtr singleElement(int type, const std::vector<double> &crd, int dim, int copies = 1) {
  const int n = static_cast<int>(crd.size() / 3), per = pav_MshTyp2Siz(type, nullptr);
  std::vector<int> nodes;
  for (int k = 0; k < copies * per; k++) nodes.push_back(k % per % n + 1);
  return ObjectPtr(pavo_test::buildMesh(dim, crd, type, nodes));
}

TEST(MeshJacobians, FoldedP2TriangleIsNegative) {
  // Straight P2 triangle, then its edge node (1,2) pushed across the opposite vertex 0.
  std::vector<double> crd = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0.5, 0, 0, 0.5, 0.5, 0, 0, 0.5, 0};
  {
    ObjectPtr obj = singleElement(TrianglesP2, crd, 2);
    int maxDeg = 0;
    EXPECT_EQ(pav_ComputeSurfaceJacobians(obj.get(), 1, &maxDeg), 1);
    EXPECT_EQ(maxDeg, 2);
    const PavSolution *rec = obj->ent[TrianglesP2].jac;
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->degree, 2);
    EXPECT_EQ(rec->nbrNod, 6);
    for (int s = 0; s < 6; s++) EXPECT_DOUBLE_EQ(rec->data[6 + s], 1.);
  }
  crd[12] = -0.3, crd[13] = -0.3;
  ObjectPtr obj = singleElement(TrianglesP2, crd, 2);
  EXPECT_EQ(pav_ComputeSurfaceJacobians(obj.get(), 2, nullptr), 1);
  const PavSolution *rec = obj->ent[TrianglesP2].jac;
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(rec->nbrNod, 1);
  EXPECT_LT(rec->data[1], 0.);
  // Mode 1 on a fresh object: some node values negative, the same minimum.
  ObjectPtr obj1 = singleElement(TrianglesP2, crd, 2);
  pav_ComputeSurfaceJacobians(obj1.get(), 1, nullptr);
  double mn = 1e300;
  for (int s = 0; s < 6; s++) mn = std::min(mn, obj1->ent[TrianglesP2].jac->data[6 + s]);
  EXPECT_DOUBLE_EQ(mn, rec->data[1]);
}

TEST(MeshJacobians, Q4HexahedraAreProjectedOnceAndNotRecomputed) {
  const Case c = {HexahedraQ4, HoHexahedron, 4, 11};
  const std::vector<double> crd = elementNodes(c, PolyMap(2, 0.1, 4));
  ObjectPtr obj = singleElement(HexahedraQ4, crd, 3, 2);
  int maxDeg = 0;
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(pav_ComputeVolumeJacobians(obj.get(), 1, &maxDeg), 1);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "  Warning: Jacobian of  Q4 Hexahedra     (degree 11) is projected onto a solution of "
            "degree 10\n");
  EXPECT_EQ(maxDeg, 10);
  const PavSolution *rec = obj->ent[HexahedraQ4].jac;
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(rec->degree, 10);
  EXPECT_EQ(rec->nbrNod, 1331);
  EXPECT_EQ(rec->dim, 3);
  EXPECT_EQ(rec->nbrEnt, 2);
  // Both copies of the element agree.
  for (int s = 0; s < 1331; s++) EXPECT_EQ(rec->data[1331 + s], rec->data[2662 + s]);

  // A second request leaves the attached record alone.
  EXPECT_EQ(pav_ComputeVolumeJacobians(obj.get(), 1, &maxDeg), 0);
  EXPECT_EQ(obj->ent[HexahedraQ4].jac, rec);
  EXPECT_EQ(rec->next, nullptr);
  EXPECT_EQ(pav_ComputeVolumeJacobians(nullptr, 1, &maxDeg), 2);
  EXPECT_EQ(pav_ComputeSurfaceJacobians(nullptr, 1, &maxDeg), 2);
}

TEST(MeshJacobians, BadVertexNumbersGiveZeroWithoutCrash) {
  ObjectPtr obj = singleElement(Tetrahedra, {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1}, 3);
  obj->ent[Tetrahedra].idx[5] = 99;
  EXPECT_EQ(pav_ComputeVolumeJacobians(obj.get(), 2, nullptr), 1);
  EXPECT_EQ(obj->ent[Tetrahedra].jac->data[1], 0.);
}

// ---------------------------------------------------------------------------------------------
// Tetrahedron quality.

// Positively oriented: ((P1-P0) x (P2-P0)) . (P3-P0) > 0.
const std::vector<double> kRegular = {1, 1, 1, -1, 1, -1, 1, -1, -1, -1, -1, 1};

// A tetrahedron that is regular in the metric M = A^T A is A^-1 times a regular one; A is
// upper triangular so A^-1 is easy: here A = [[2, 1, 0], [0, 1, 0.5], [0, 0, 4]].
const double kStretchMetric[6] = {4., 2., 0., 2., 0.5, 16.25}; // M, upper triangle
std::vector<double> stretchedRegular() {
  const double ainv[3][3] = {{0.5, -0.5, 0.0625}, {0., 1., -0.125}, {0., 0., 0.25}};
  std::vector<double> crd(12);
  for (int v = 0; v < 4; v++)
    for (int i = 0; i < 3; i++)
      crd[3 * v + i] = ainv[i][0] * kRegular[3 * v] + ainv[i][1] * kRegular[3 * v + 1] +
                       ainv[i][2] * kRegular[3 * v + 2];
  return crd;
}

// Runs the quality computation, returning what it printed.
std::string quality(PavObject *obj, int expected = PAV_SUCCESS) {
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(pav_ComputeTetrahedraQuality(obj), expected);
  return ::testing::internal::GetCapturedStdout();
}

TEST(TetrahedraQuality, RegularFlatAndInverted) {
  std::vector<double> crd = kRegular;
  // Second element: flat (vertex 3 in the plane of the others); third: inverted.
  crd.insert(crd.end(), {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0});
  ObjectPtr obj = singleElement(Tetrahedra, crd, 3, 1);
  char status[PAV_STATUS_SIZE];
  ASSERT_EQ(pav_AllocEntityArrays(obj.get(), Tetrahedra, 3, status), 0);
  const int idx[3][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {2, 1, 3, 4}};
  for (int t = 0; t < 3; t++)
    for (int k = 0; k < 4; k++) obj->ent[Tetrahedra].idx[4 * (t + 1) + k] = idx[t][k];
  EXPECT_EQ(quality(obj.get()),
            "  There is no metric, lengths, areas and volumes are used to compute the quality\n"
            "volume almost zero, need to set a quality \n"
            "volume almost zero, need to set a quality \n");
  const double *q = obj->ent[Tetrahedra].val;
  ASSERT_NE(q, nullptr);
  EXPECT_NEAR(q[1], 1., 1e-14);
  EXPECT_EQ(q[2], 0.);
  EXPECT_EQ(q[3], 0.);
  // A degraded element scores more than 1.
  obj->crdDbl[3 * 4 + 2] = 3.;
  quality(obj.get());
  EXPECT_GT(obj->ent[Tetrahedra].val[1], 1.2);
}

TEST(TetrahedraQuality, MetricSpaceRegularity) {
  const std::vector<double> crd = stretchedRegular();
  for (int scaled = 0; scaled < 2; scaled++) {
    ObjectPtr obj = singleElement(Tetrahedra, scaled ? kRegular : crd, 3);
    char status[PAV_STATUS_SIZE];
    std::vector<double> data(6 * 5);
    for (int v = 1; v <= 4; v++)
      for (int c = 0; c < 6; c++)
        data[6 * v + c] = scaled ? (c == 0 || c == 3 || c == 5 ? 7.5 : 0.) : kStretchMetric[c];
    ASSERT_EQ(pav_AddSolution(obj.get(), Vertices, PavSolSymMatrix, 4, 1, 1, 6, 0, 0., data.data(),
                              status),
              0)
        << status;
    EXPECT_EQ(quality(obj.get()), "  The metric is used to compute the quality \n");
    EXPECT_NEAR(obj->ent[Tetrahedra].val[1], 1., 1e-13) << "isotropic " << scaled;
    // Without the metric the stretched element is far from regular.
    if (!scaled) {
      pav_FreeSolutions(obj.get());
      quality(obj.get());
      EXPECT_GT(obj->ent[Tetrahedra].val[1], 1.5);
    }
  }
}

TEST(TetrahedraQuality, ElementMetricAndVertexPrecedence) {
  // The element field holds the stretching metric at the four vertices of the tetrahedron that is
  // regular in it; a vertex field, when present, is used instead.
  ObjectPtr obj = singleElement(Tetrahedra, stretchedRegular(), 3);
  char status[PAV_STATUS_SIZE];
  std::vector<double> elt(6 * 4 * 2), ver(6 * 5, 0.);
  for (int k = 0; k < 4; k++)
    for (int c = 0; c < 6; c++) elt[6 * (4 + k) + c] = kStretchMetric[c];
  ASSERT_EQ(pav_AddSolution(obj.get(), Tetrahedra, PavSolSymMatrix, 1, 1, 4, 24, 0, 0., elt.data(),
                            status),
            0)
      << status;
  EXPECT_EQ(quality(obj.get()), "  The metric is used to compute the quality \n");
  EXPECT_NEAR(obj->ent[Tetrahedra].val[1], 1., 1e-13);

  // An identity metric at the vertices takes over: the Euclidean (poor) quality comes back.
  for (int v = 1; v <= 4; v++) ver[6 * v] = ver[6 * v + 3] = ver[6 * v + 5] = 1.;
  ASSERT_EQ(
      pav_AddSolution(obj.get(), Vertices, PavSolSymMatrix, 4, 1, 1, 6, 0, 0., ver.data(), status),
      0);
  quality(obj.get());
  const double withVertexMetric = obj->ent[Tetrahedra].val[1];
  pav_FreeSolutions(obj.get());
  quality(obj.get());
  EXPECT_GT(withVertexMetric, 1.5);
  EXPECT_NEAR(withVertexMetric, obj->ent[Tetrahedra].val[1], 1e-13);
}

TEST(TetrahedraQuality, EmptyMeshAndNullObject) {
  PavObject *obj = nullptr;
  ASSERT_EQ(pav_NewInterface(&obj), 0);
  quality(obj);
  EXPECT_NE(obj->ent[Tetrahedra].val, nullptr);
  pav_DeleteInterface(&obj);
  EXPECT_EQ(pav_ComputeTetrahedraQuality(nullptr), PAV_FAILURE);
}

} // namespace
