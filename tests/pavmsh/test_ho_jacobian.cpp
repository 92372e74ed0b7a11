// Jacobians of the interpolant of a polynomial map F against central differences of F, and the
// normalisation against the Gauss-quadrature average of that determinant.
#include "ho_jacobian.h"
#include "ho_lattice.h"
#include "ho_reference.h"
#include "mesh_builders.h"
#include "pav_quality.h"
#include "pav_solution.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

struct Case {
  int type;
  HoKind kind;
  int degree, jacDegree;
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
    std::copy(&a[0][0], &a[0][0] + 12, &lin[0][0]);
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
        if (c.kind == HoTriangle || c.kind == HoPrism) xi[1] = b * (1. - a), w *= 1. - a;
        if (c.kind == HoTetrahedron) {
          xi[1] = b * (1. - a);
          xi[2] = e * (1. - a) * (1. - b);
          w *= (1. - a) * (1. - a) * (1. - b);
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

class JacobianKinds : public ::testing::TestWithParam<Case> {};

TEST_P(JacobianKinds, MatchesTheExactDeterminant) {
  const Case c = GetParam();
  EXPECT_EQ(pav_JacobianDegree(c.type), c.jacDegree);
  const PolyMap f(c.degree, 0.15, 1);
  const std::vector<double> crd = elementNodes(c, f);
  HoJacobian jac(c.type);
  EXPECT_EQ(jac.storedDegree(), std::min(c.jacDegree, 10));
  std::vector<double> val(jac.nbrValues());
  const double mn = jac.compute(crd.data(), val.data());
  const double norm = jac.normalisation();
  EXPECT_NEAR(norm / (c.kind == HoPyramid ? 3. : 1.), averageJacobian(c, f), 1e-8);
  const double *ref = hoNodeRefCoords(c.kind, jac.storedDegree());
  const int w = hoRefWidth(c.kind);
  for (int s = 0; s < jac.nbrValues(); s++)
    EXPECT_NEAR(val[s] * norm, exactJacobian(c, f, ref + s * w), 1e-7) << "node " << s;
  EXPECT_EQ(mn, *std::min_element(val.begin(), val.end()));
}

INSTANTIATE_TEST_SUITE_P(AllKinds, JacobianKinds, ::testing::ValuesIn(allCases()));

// Types without a Jacobian say so; a barycentric point off the simplex ends the process.
TEST(JacobianDegree, TypesWithoutJacobianAndBadPoints) {
  EXPECT_EQ(pavo_test::captured([&] { EXPECT_EQ(pav_JacobianDegree(Edges), -1); }),
            std::string(pav_EntityTypeName(Edges)) + " : no jacobian for this type of entity !\n");
  const double coef[10] = {1., 1., 1., 1., 1., 1., 1., 1., 1., 1.};
  EXPECT_EXIT(pav_EvaluateJacOnTriangle(coef, 2, 0.5, 0.5, 0.5), ::testing::ExitedWithCode(1), "");
}

using pavo_test::ObjectPtr;

ObjectPtr singleElement(int type, const std::vector<double> &crd, int dim, int copies = 1) {
  const int n = static_cast<int>(crd.size() / 3), per = pav_MshTyp2Siz(type, nullptr);
  std::vector<int> nodes;
  for (int k = 0; k < copies * per; k++) nodes.push_back(k % per % n + 1);
  return ObjectPtr(pavo_test::buildMesh(dim, crd, type, nodes));
}

TEST(MeshJacobians, FoldedP2TriangleIsNegative) {
  const std::vector<double> crd = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0.5, 0, 0, -0.3, -0.3, 0, 0, 0.5, 0};
  ObjectPtr obj1 = singleElement(TrianglesP2, crd, 2), obj2 = singleElement(TrianglesP2, crd, 2);
  int maxDeg = 0;
  EXPECT_EQ(pav_ComputeSurfaceJacobians(obj1.get(), 1, &maxDeg), 1);
  EXPECT_EQ(pav_ComputeSurfaceJacobians(obj2.get(), 2, nullptr), 1);
  const PavSolution *r1 = obj1->ent[TrianglesP2].jac, *r2 = obj2->ent[TrianglesP2].jac;
  ASSERT_TRUE(r1 && r2);
  EXPECT_EQ(std::vector<int>({maxDeg, r1->degree, r1->nbrNod, r2->nbrNod}),
            std::vector<int>({2, 2, 6, 1}));
  EXPECT_LT(r2->data[1], 0.);
  EXPECT_DOUBLE_EQ(*std::min_element(r1->data + 6, r1->data + 12), r2->data[1]);
}

TEST(MeshJacobians, Q4HexahedraAreProjectedOnceAndNotRecomputed) {
  const Case c = {HexahedraQ4, HoHexahedron, 4, 11};
  ObjectPtr obj = singleElement(HexahedraQ4, elementNodes(c, PolyMap(2, 0.1, 4)), 3, 2);
  int maxDeg = 0;
  EXPECT_EQ(
      pavo_test::captured([&] { EXPECT_EQ(pav_ComputeVolumeJacobians(obj.get(), 1, &maxDeg), 1); }),
      "  Warning: Jacobian of  Q4 Hexahedra     (degree 11) is projected onto a solution of "
      "degree 10\n");
  const PavSolution *rec = obj->ent[HexahedraQ4].jac;
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(std::vector<int>({maxDeg, rec->degree, rec->nbrNod, rec->dim, rec->nbrEnt}),
            std::vector<int>({10, 10, 1331, 3, 2}));
  EXPECT_EQ(pav_ComputeVolumeJacobians(obj.get(), 1, &maxDeg), 0); // already attached
  EXPECT_TRUE(obj->ent[HexahedraQ4].jac == rec && rec->next == nullptr);
}

// Positively oriented: ((P1-P0) x (P2-P0)) . (P3-P0) > 0.
const std::vector<double> kRegular = {1, 1, 1, -1, 1, -1, 1, -1, -1, -1, -1, 1};

std::string quality(PavObject *obj, int expected = PAV_SUCCESS) {
  return pavo_test::captured([&] { EXPECT_EQ(pav_ComputeTetrahedraQuality(obj), expected); });
}

TEST(TetrahedraQuality, RegularFlatAndInverted) {
  std::vector<double> crd = kRegular;
  crd.insert(crd.end(), {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0});
  ObjectPtr obj(pavo_test::buildMesh(3, crd, Tetrahedra, {1, 2, 3, 4, 5, 6, 7, 8, 2, 1, 3, 4}));
  EXPECT_EQ(quality(obj.get()),
            "  There is no metric, lengths, areas and volumes are used to compute the quality\n"
            "volume almost zero, need to set a quality \n"
            "volume almost zero, need to set a quality \n");
  const double *q = obj->ent[Tetrahedra].val;
  ASSERT_NE(q, nullptr);
  EXPECT_NEAR(q[1], 1., 1e-14);
  EXPECT_EQ(std::vector<double>(q + 2, q + 4), std::vector<double>(2, 0.)) << "flat, inverted";
}

// A = [[2, 1, 0], [0, 1, 0.5], [0, 0, 4]]: A^-1 times a regular tetrahedron is regular in A^T A.
TEST(TetrahedraQuality, MetricSpaceRegularity) {
  const double ainv[3][3] = {{0.5, -0.5, 0.0625}, {0., 1., -0.125}, {0., 0., 0.25}};
  const double metric[6] = {4., 2., 0., 2., 0.5, 16.25}; // M, upper triangle
  std::vector<double> crd(12);
  for (int v = 0; v < 4; v++)
    for (int i = 0; i < 3; i++)
      for (int j = 0; j < 3; j++) crd[3 * v + i] += ainv[i][j] * kRegular[3 * v + j];
  ObjectPtr obj = singleElement(Tetrahedra, crd, 3);
  char status[PAV_STATUS_SIZE];
  quality(obj.get());
  EXPECT_GT(obj->ent[Tetrahedra].val[1], 1.5);
  std::vector<double> elt(6 * 4 * 2);
  for (int k = 0; k < 4; k++) std::copy(metric, metric + 6, &elt[6 * (4 + k)]);
  ASSERT_EQ(pav_AddSolution(obj.get(), Tetrahedra, PavSolSymMatrix, 1, 1, 4, 24, 0, 0., elt.data(),
                            status),
            0);
  EXPECT_EQ(quality(obj.get()), "  The metric is used to compute the quality \n");
  EXPECT_NEAR(obj->ent[Tetrahedra].val[1], 1., 1e-13);
}

} // namespace
