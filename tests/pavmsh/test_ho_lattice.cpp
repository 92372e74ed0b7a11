// Node lattices and canonical orders, storage positions, reference coordinates and weights; type
// codes and size tables against the lattice count and the numbering rule written out here.
#include "ho_lattice.h"
#include "pav_status.h"
#include "pav_types.h"
#include "test_paths.h"

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

namespace {

enum Kind { Edge, Tri, Quad, Tet, Pyr, Prism, Hex };

// Counts the nodes of the complete Lagrange space of degree d by walking its lattice.
int latticeNodes(Kind kind, int d) {
  int n = 0;
  for (int i = 0; i <= d; i++)
    for (int j = 0; j <= d; j++)
      for (int k = 0; k <= d; k++) {
        // Pyramids: square layers shrinking to the apex; prisms: triangle times segment.
        const bool in[] = {j == 0 && k == 0,         k == 0 && i + j <= d, k == 0, i + j + k <= d,
                           i <= d - k && j <= d - k, i + j <= d,           true};
        n += in[kind];
      }
  return n;
}

struct Code {
  int code;
  Kind kind;
  int degree;
};

// Degree 1 has its own codes; degrees 2..10 take blocks of 7 (edge, triangle, quadrilateral,
// tetrahedron, hexahedron, pyramid, prism), skipping 39.
std::vector<Code> allElementCodes() {
  std::vector<Code> codes = {{3, Edge, 1}, {4, Tri, 1},   {6, Quad, 1}, {7, Tet, 1},
                             {8, Pyr, 1},  {9, Prism, 1}, {10, Hex, 1}};
  const Kind blockOrder[7] = {Edge, Tri, Quad, Tet, Hex, Pyr, Prism};
  int next = 11;
  for (int degree = 2; degree <= 10; degree++)
    for (Kind kind : blockOrder) {
      if (next == 39) next++;
      codes.push_back({next++, kind, degree});
    }
  EXPECT_EQ(next, 75);
  return codes;
}

int corners(Kind kind) {
  const int n[] = {2, 3, 4, 4, 5, 6, 8};
  return n[kind];
}

} // namespace

TEST(EntityTypes, SizesAndCodesOfEveryCode) {
  const int width[] = {2, 3, 2, 4, 3, 4, 3};
  for (const Code &c : allElementCodes()) {
    SCOPED_TRACE("code " + std::to_string(c.code));
    EXPECT_EQ(pav_MshTyp2Siz(c.code, nullptr), latticeNodes(c.kind, c.degree));
    EXPECT_EQ(pav_MshTyp2SizElt(c.code, nullptr), corners(c.kind));
    EXPECT_EQ(pav_GetDegree(c.code), c.code <= 31 ? c.degree : 0);
    EXPECT_EQ(pav_ElementDegree(c.code), c.degree);
    EXPECT_EQ(pav_Typ2NbrBezCoe(c.code, nullptr), width[c.kind]);
    if (c.degree <= 4) { // solution codes: blocks of 7 per degree, edge to hexahedron
      EXPECT_EQ(pav_EntTyp2SolTyp(c.code, nullptr), 100 + 7 * (c.degree - 1) + c.kind);
    }
  }
  EXPECT_EQ(pav_MshTyp2Siz(Corners, nullptr) + pav_MshTyp2Siz(Normals, nullptr), 2);
}

TEST(EntityTypes, UnlistedCodesAreRefusedWithTheirMessage) {
  char status[PAV_STATUS_SIZE];
  struct Refusal {
    int (*fn)(int, char *);
    const char *name;
    std::vector<int> codes;
  };
  const Refusal refusals[] = {
      {pav_MshTyp2Siz, "pav_MshTyp2Siz", {5, 39, 75}},
      {pav_MshTyp2SizElt, "pav_MshTyp2SizElt", {1}},
      {pav_Typ2NbrBezCoe, "pav_Typ2NbrBezCoe", {128}},
      {pav_EntTyp2SolTyp, "pav_EntTyp2SolTyp", {32}},
  };
  for (const Refusal &r : refusals)
    for (int code : r.codes) {
      status[0] = '\0';
      EXPECT_EQ(r.fn(code, status), 0) << r.name << " " << code;
      EXPECT_EQ(std::string(status), " " + std::string(r.name) + " is undefined for Typ " +
                                         std::to_string(code) + " !\n");
    }
}

TEST(EntityTypes, DisplayNames) {
  EXPECT_STREQ(pav_EntityTypeName(QuadrilateralsQ2), " Q2 Quadrilateral ");
  for (int code : {5, 32, -1}) EXPECT_STREQ(pav_EntityTypeName(code), "unknown type") << code;
  for (int code = 0; code <= 31; code++)
    if (code != 2 && code != 5) {
      EXPECT_EQ(std::string(pav_EntityTypeName(code)).size(), 18u);
    }
}

TEST(SolutionTypes, ElementCodeOfAKindAtAnyDegree) {
  for (int degree : {0, 11}) EXPECT_EQ(pav_SolTyp2EntTyp(101, degree), 0);
  for (int code : {99, 128}) EXPECT_EQ(pav_SolTyp2EntTyp(code, 2), 0);

  for (int solTyp = 100; solTyp <= 127; solTyp++) {
    const int listDegree = (solTyp - 100) / 7 + 1;
    const int listType = pav_SolTyp2EntTyp(solTyp, listDegree);
    EXPECT_EQ(pav_EntTyp2SolTyp(listType, nullptr), solTyp);
    EXPECT_EQ(pav_SolTyp2ListTyp(solTyp), listType);
    for (int degree = 1; degree <= 10; degree++) {
      const int type = pav_SolTyp2EntTyp(solTyp, degree);
      EXPECT_EQ(pav_SolTyp2NbrNod(solTyp, degree), pav_MshTyp2Siz(type, nullptr));
      EXPECT_EQ(pav_SolTyp2NodTyp(solTyp, degree), type);
    }
    EXPECT_EQ(pav_SolTyp2NbrNod(solTyp, 0), 1) << "degree 0 is one value per element";
    EXPECT_EQ(pav_SolTyp2NodTyp(solTyp, 0), 0);
  }
  EXPECT_EQ(pav_SolTyp2NbrNod(99, 1), 0);
  EXPECT_EQ(pav_SolTyp2NbrNod(101, 11), 0);
  EXPECT_EQ(pav_SolTyp2ListTyp(SolAtVertices), Vertices);
}

TEST(SolutionTypes, KindSizes) {
  const int expected[4][2] = {{1, 1}, {2, 3}, {3, 6}, {4, 9}};
  for (int kind = 1; kind <= 4; kind++) {
    EXPECT_EQ(pav_SolKindSize(2, kind), expected[kind - 1][0]);
    EXPECT_EQ(pav_SolKindSize(3, kind), expected[kind - 1][1]);
    EXPECT_EQ(pav_SolKindSize(3, kind, 10), 10 * expected[kind - 1][1]);
  }
  EXPECT_EQ(pavo_test::captured([&] { EXPECT_EQ(pav_SolKindSize(3, 5), 0); }),
            "Warning: the following solution type is unkown   5 \n");
}
