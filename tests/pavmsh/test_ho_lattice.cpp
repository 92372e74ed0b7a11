// Node lattices and canonical orders, storage positions, reference coordinates and weights.
#include "ho_lattice.h"

#include <cctype>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <numeric>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Rows = std::vector<std::vector<int>>;

Rows orderRows(HoKind kind, int degree) {
  const int *t = hoNodeOrder(kind, degree);
  const int w = hoOrderWidth(kind);
  Rows rows;
  for (int64_t i = 0; i < hoNodeCount(kind, degree); ++i)
    rows.emplace_back(t + i * w, t + (i + 1) * w);
  return rows;
}

Rows rows(const std::string &text) {
  Rows out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '(') {
      out.emplace_back();
    } else if (std::isdigit(static_cast<unsigned char>(text[i]))) {
      size_t used = 0;
      out.back().push_back(std::stoi(text.substr(i), &used));
      i += used - 1;
    }
  }
  return out;
}

bool onLattice(HoKind kind, int d, const std::vector<int> &p) {
  for (int c : p)
    if (c < 0 || c > d) return false;
  // Simplices: barycentric lattice points; prisms: a triangle point and a height.
  const int sum = std::accumulate(p.begin(), p.end(), 0) - (kind == HoPrism ? p[3] : 0);
  if (kind == HoTriangle || kind == HoTetrahedron || kind == HoPrism) return sum == d;
  if (kind == HoPyramid) return p[0] <= d - p[2] && p[1] <= d - p[2];
  return true;
}

} // namespace

TEST(HoLattice, DegreeTwoOrders) {
  EXPECT_EQ(orderRows(HoEdge, 2), rows("(0) (2) (1)"));
  EXPECT_EQ(orderRows(HoTriangle, 2), rows("(2,0,0) (0,2,0) (0,0,2) (1,1,0) (0,1,1) (1,0,1)"));
  EXPECT_EQ(orderRows(HoQuadrilateral, 2),
            rows("(0,0) (2,0) (2,2) (0,2) (1,0) (2,1) (1,2) (0,1) (1,1)"));
  EXPECT_EQ(orderRows(HoTetrahedron, 2),
            rows("(2,0,0,0) (0,2,0,0) (0,0,2,0) (0,0,0,2) (1,1,0,0) (0,1,1,0) (1,0,1,0) (1,0,0,1) "
                 "(0,1,0,1) (0,0,1,1)"));
  EXPECT_EQ(orderRows(HoPyramid, 2),
            rows("(0,0,0) (2,0,0) (2,2,0) (0,2,0) (0,0,2) (1,0,0) (2,1,0) (1,2,0) (0,1,0) (0,0,1) "
                 "(1,0,1) (1,1,1) (0,1,1) (1,1,0)"));
  EXPECT_EQ(orderRows(HoPrism, 2),
            rows("(2,0,0,0) (0,2,0,0) (0,0,2,0) (2,0,0,2) (0,2,0,2) (0,0,2,2) (1,1,0,0) (0,1,1,0) "
                 "(1,0,1,0) (1,1,0,2) (0,1,1,2) (1,0,1,2) (2,0,0,1) (0,2,0,1) (0,0,2,1) (1,1,0,1) "
                 "(0,1,1,1) (1,0,1,1)"));
  EXPECT_EQ(orderRows(HoHexahedron, 2),
            rows("(0,0,0) (2,0,0) (2,2,0) (0,2,0) (0,0,2) (2,0,2) (2,2,2) (0,2,2) (1,0,0) (2,1,0) "
                 "(1,2,0) (0,1,0) (1,0,2) (2,1,2) (1,2,2) (0,1,2) (0,0,1) (2,0,1) (2,2,1) (0,2,1) "
                 "(1,1,0) (1,1,2) (1,0,1) (2,1,1) (1,2,1) (0,1,1) (1,1,1)"));
}

class HoLatticeSweep : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(HoLatticeSweep, CountsUniqueNodesAndPositions) {
  const HoKind kind = static_cast<HoKind>(std::get<0>(GetParam()));
  const int d = std::get<1>(GetParam());
  const int64_t n = hoNodeCount(kind, d);
  const int w = hoOrderWidth(kind);
  int64_t points = 0;
  for (int code = 0; code < std::pow(d + 1, w); ++code) {
    std::vector<int> p(w);
    for (int c = 0, r = code; c < w; ++c, r /= d + 1) p[c] = r % (d + 1);
    points += onLattice(kind, d, p);
  }
  ASSERT_EQ(n, points);

  const Rows rows = orderRows(kind, d);
  std::set<std::vector<int>> seen;
  for (const auto &r : rows) {
    EXPECT_TRUE(onLattice(kind, d, r)) << "node off the lattice";
    EXPECT_TRUE(seen.insert(r).second) << "node listed twice";
  }
  EXPECT_EQ(static_cast<int64_t>(seen.size()), n);

  if (d >= 1) {
    const Rows p1 = orderRows(kind, 1);
    for (size_t v = 0; v < p1.size(); ++v) {
      std::vector<int> scaled = p1[v];
      for (int &c : scaled) c *= d;
      EXPECT_EQ(rows[v], scaled) << "vertex " << v;
    }
  }

  const int *toPos = hoNodeToPos(kind, d);
  const int *toNode = hoPosToNode(kind, d);
  for (int i = 0; i < n; ++i) {
    ASSERT_GE(toPos[i], 0);
    ASSERT_LT(toPos[i], n);
    EXPECT_EQ(toNode[toPos[i]], i);
  }

  const double *ref = hoNodeRefCoords(kind, d);
  const int rw = hoRefWidth(kind);
  for (int i = 0; i < n && d > 0; ++i)
    for (int c = 0; c < rw; ++c) EXPECT_DOUBLE_EQ(ref[i * rw + c], double(rows[i][c]) / d);
}

INSTANTIATE_TEST_SUITE_P(AllKindsAndDegrees, HoLatticeSweep,
                         ::testing::Combine(::testing::Range(0, HO_KIND_COUNT),
                                            ::testing::Range(0, HO_MAX_DEGREE + 1)));

static void crdNodOnStderr(int type, int degree) {
  dup2(2, 1);
  int dim = 0;
  GetCrdNodByTyp(type, degree, &dim);
}

// A prism of equal degrees stores like posPri; type orderings; bad coefficients, types and
// degrees stop the program or say so.
TEST(HoLatticeDeathTest, PositionsOrderingsAndBadArguments) {
  EXPECT_EQ(posMultiDegPri(3, 3, 1, 1, 1, 2), posPri(3, 1, 1, 1, 2));
  EXPECT_EQ(posMultiDegPri(2, 4, 0, 0, 2, 4), 4 * 6 + 2);
  char status[PAV_STATUS_SIZE] = "";
  EXPECT_EQ(pav_Typ2Ordering(15, status), hoNodeOrder(HoHexahedron, 2));
  EXPECT_EQ(pav_Typ2Ordering(32, status), nullptr);
  EXPECT_STREQ(status, " pav_Typ2Ordering is undefined for Typ 32 !\n");
  EXPECT_EXIT(posTri(2, 1, 1, 1), ::testing::ExitedWithCode(1),
              "posTri wrong coefficients in input\n #ERROR :posTri degree 2, i 1, j 1, k 1");
  EXPECT_EXIT(crdNodOnStderr(7, 11), ::testing::ExitedWithCode(1),
              "GetCrdNodByTyp Typ 7, deg 11 not considered");
}

TEST(HoLattice, VertexWeightsInterpolateVertices) {
  // Types 6..10: quadrilateral, tetrahedron, pyramid, prism, hexahedron.
  const HoKind kinds[5] = {HoQuadrilateral, HoTetrahedron, HoPyramid, HoPrism, HoHexahedron};
  for (int type = 6; type <= 10; ++type) {
    const HoKind kind = kinds[type - 6];
    const double *ref = hoNodeRefCoords(kind, 1);
    const int w = hoRefWidth(kind);
    const int nv = static_cast<int>(hoNodeCount(kind, 1));
    for (int v = 0; v < nv; ++v) {
      int count = 0;
      std::unique_ptr<double[]> phi(GetBasisFunctionsFromCrdNod(type, ref + v * w, &count));
      ASSERT_EQ(count, nv);
      for (int u = 0; u < nv; ++u) EXPECT_DOUBLE_EQ(phi[u], u == v ? 1.0 : 0.0) << type;
    }
  }
}

class HoBernsteinSweep : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(HoBernsteinSweep, PartitionOfUnityAndVertexInterpolation) {
  const HoKind kind = static_cast<HoKind>(std::get<0>(GetParam()));
  const int d = std::get<1>(GetParam());
  const int n = static_cast<int>(hoNodeCount(kind, d));
  std::vector<double> phi(n);
  const double points[4][4] = {
      {0.2, 0.3, 0.5, 0.0}, {0.1, 0.6, 0.3, 0.0}, {0.25, 0.15, 0.35, 0.25}, {0.0, 0.0, 1.0, 0.0}};
  for (const auto &p0 : points) {
    double p[4] = {p0[0], p0[1], p0[2], p0[3]};
    if (kind == HoTetrahedron && p[3] == 0.0) p[3] = 1 - p[0] - p[1] - p[2];
    if (kind == HoTriangle || kind == HoPrism) p[2] = 1 - p[0] - p[1];
    if (kind == HoPrism) p[3] = 0.7;
    if (kind == HoPyramid && p[2] < 1) p[2] = 0.4, p[0] = 0.3 * (1 - p[2]), p[1] = 0.5 * (1 - p[2]);
    hoBernsteinBasis(kind, d, p, phi.data());
    double s = 0;
    for (double v : phi) {
      EXPECT_GE(v, -1e-15);
      s += v;
    }
    EXPECT_NEAR(s, 1.0, 1e-13);
  }
  if (d == 0) return;
  const int nv = static_cast<int>(hoNodeCount(kind, 1));
  const double *ref = hoNodeRefCoords(kind, d);
  const int w = hoRefWidth(kind);
  for (int v = 0; v < nv; ++v) {
    hoBernsteinBasis(kind, d, ref + v * w, phi.data());
    for (int q = 0; q < n; ++q) EXPECT_NEAR(phi[q], q == v ? 1.0 : 0.0, 1e-14);
  }
}

INSTANTIATE_TEST_SUITE_P(AllKindsAndDegrees, HoBernsteinSweep,
                         ::testing::Combine(::testing::Range(0, HO_KIND_COUNT),
                                            ::testing::Range(0, HO_MAX_DEGREE + 1)));
