// Type codes and size tables against the lattice count and the numbering rule written out here.
#include "pav_status.h"
#include "pav_types.h"
#include "test_paths.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

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
