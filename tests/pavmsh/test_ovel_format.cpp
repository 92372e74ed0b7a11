// The file layout: byte-exact ASCII text, ASCII reading rules, kinds from names, polygons,
// numbering.
#include "ovel.h"
#include "test_paths.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

TEST(OvelFormat, AsciiLayoutIsExact) {
  const std::string dir = pavo_test::scratchDir("ovel_ascii_layout");
  const std::string name = dir + "/two.mesh";
  int64_t h = OvelOpenMesh(name.c_str(), OvelWrite, 2, 3);
  ASSERT_NE(h, 0);
  ASSERT_EQ(OvelSetKwd(h, OvelVertices, 2), 1);
  ASSERT_EQ(OvelSetLin(h, OvelVertices, 0.0, 0.1, -2.5e-300, 1), 1);
  ASSERT_EQ(OvelSetLin(h, OvelVertices, 1.0, 1e21, 3.0, -7), 1);
  ASSERT_EQ(OvelSetKwd(h, OvelTriangles, 1), 1);
  ASSERT_EQ(OvelSetLin(h, OvelTriangles, 1, 2, 3, 7), 1);
  const int types[2] = {OvelSolScalar, OvelSolVector};
  ASSERT_EQ(OvelSetKwd(h, OvelHOSolAtEdgesP1, 1, 2, types, 1, 2), 1);
  const double sol[8] = {1, 2, 3, 4, 5, 6, 7, 0.5};
  ASSERT_EQ(OvelSetLin(h, OvelHOSolAtEdgesP1, sol), 1);
  ASSERT_EQ(OvelSetKwd(h, OvelTime, 0), 1);
  ASSERT_EQ(OvelSetLin(h, OvelTime, 1.0 / 3.0), 1);
  ASSERT_EQ(OvelCloseMesh(h), 1);
  EXPECT_EQ(pavo_test::readFile(name), pavo_test::expectedText("ovel_ascii_v2.mesh.txt"));
}

TEST(OvelFormat, AsciiReadingRules) {
  const std::string dir = pavo_test::scratchDir("ovel_ascii_rules");
  const std::string name = dir + "/rules.mesh";
  pavo_test::writeFile(name, "# MeshVersionFormatted 9 in a comment\n"
                             "junk Vertices 3 MeshVersionFormatted 2\n"
                             "Triangles 1 1 2 3 4\n"
                             "Dimension\n2\n"
                             "Reserved Foo 17\n"
                             "Vertices # Triangles 5 in a comment\n3\n"
                             "0 0 1\n"
                             "1.5e0 +2 2   # trailing comment\n"
                             "-1 .5 3\n"
                             "Comments 1\n   Vertices inside a string   \n"
                             "End");
  int version = 0, dim = 0;
  int64_t h = OvelOpenMesh(name.c_str(), OvelRead, &version, &dim);
  ASSERT_NE(h, 0);
  EXPECT_EQ(version, 2);
  EXPECT_EQ(dim, 2);
  EXPECT_EQ(OvelStatKwd(h, OvelTriangles), 0) << "keywords before Dimension are not seen";
  ASSERT_EQ(OvelStatKwd(h, OvelVertices), 3);
  double x[4], y[4];
  int r[4];
  ASSERT_EQ(OvelGetBlock(h, OvelVertices, 1, 3, 0, nullptr, nullptr, OvelDouble, &x[1], &x[3],
                         OvelDouble, &y[1], &y[3], OvelInt, &r[1], &r[3]),
            1);
  EXPECT_EQ(std::vector<double>({x[2], y[2], y[3], double(r[3])}),
            std::vector<double>({1.5, 2.0, 0.5, 3}));
  char text[OVEL_STRING_SIZE];
  ASSERT_EQ(OvelGotoKwd(h, OvelComments), 1);
  ASSERT_EQ(OvelGetLin(h, OvelComments, text), 1);
  EXPECT_STREQ(text, "Vertices inside a string");
  EXPECT_EQ(OvelStatKwd(h, OvelEnd), 1);
  EXPECT_EQ(OvelCloseMesh(h), 1);

  pavo_test::writeFile(name, "MeshVersionFormatted 2\nVertices 0\n");
  EXPECT_EQ(OvelOpenMesh(name.c_str(), OvelRead, &version, &dim), 0) << "no Dimension";
}

TEST(OvelFormat, KindFromName) {
  const std::string dir = pavo_test::scratchDir("ovel_kind");
  const std::string both = dir + "/case.meshb.sol";
  int64_t h = OvelOpenMesh(both.c_str(), OvelWrite, 2, 3);
  ASSERT_NE(h, 0);
  ASSERT_EQ(OvelCloseMesh(h), 1);
  int32_t code = 0;
  std::memcpy(&code, pavo_test::readFile(both).data(), 4);
  EXPECT_EQ(code, 1) << "\".meshb\" is found first: binary (native byte-order code)";
  EXPECT_EQ(OvelOpenMesh((dir + "/f.txt").c_str(), OvelWrite, 2, 3), 0);
}

// Every name maps back to its code.
TEST(OvelFormat, KeywordTable) {
  for (int c = 1; c <= OVEL_MAX_KEYWORD; c++) {
    const OvelKeywordInfo *k = OvelKeywordEntry(c);
    ASSERT_NE(k, nullptr);
    EXPECT_TRUE(!std::strcmp(k->name, "Reserved") || OvelKeywordCode(k->name) == c) << k->name;
  }
}

// A 2-D matrix holds 4 reals, an unknown type none; too many fields are refused.
TEST(OvelFormat, SolutionSizes) {
  const std::string name = pavo_test::scratchDir("ovel_solsize") + "/s.solb";
  int64_t h = OvelOpenMesh(name.c_str(), OvelWrite, 2, 2);
  const int types[3] = {OvelSolScalar, OvelSolMat, 9}, many[OVEL_MAX_FIELDS + 1] = {};
  ASSERT_EQ(OvelSetKwd(h, OvelSolAtTriangles, 1, 3, types), 1);
  EXPECT_EQ(OvelSetKwd(h, OvelSolAtEdges, 1, OVEL_MAX_FIELDS + 1, many), 0);
  int fields, size, got[OVEL_MAX_FIELDS];
  ASSERT_EQ(OvelStatKwd(h, OvelSolAtTriangles, &fields, &size, got), 1);
  EXPECT_EQ(std::vector<int>({fields, size, got[2]}), std::vector<int>({3, 5, 9}));
  OvelCloseMesh(h);
}

TEST(OvelPolygons, RunsReversedAndCut) {
  const std::string dir = pavo_test::scratchDir("ovel_polygons");
  const std::string name = dir + "/poly.mesh";
  int64_t h = OvelOpenMesh(name.c_str(), OvelWrite, 2, 3);
  ASSERT_EQ(OvelSetKwd(h, OvelBoundaryPolygonHeaders, 3), 1);
  for (int first : {1, 4, 8}) OvelSetLin(h, OvelBoundaryPolygonHeaders, first, 10 * first);
  const int big = 300;
  ASSERT_EQ(OvelSetKwd(h, OvelBoundaryPolygonVertices, 7 + big), 1);
  for (int v = 1; v <= 7 + big; v++) OvelSetLin(h, OvelBoundaryPolygonVertices, v);
  ASSERT_EQ(OvelSetKwd(h, OvelInnerPolygonHeaders, 2), 1);
  for (int first : {1, 3}) OvelSetLin(h, OvelInnerPolygonHeaders, first, 0);
  ASSERT_EQ(OvelSetKwd(h, OvelInnerPolygonVertices, 5), 1);
  for (int v = 11; v <= 15; v++) OvelSetLin(h, OvelInnerPolygonVertices, v);
  ASSERT_EQ(OvelSetKwd(h, OvelPolyhedraHeaders, 1), 1);
  OvelSetLin(h, OvelPolyhedraHeaders, 1, 5);
  ASSERT_EQ(OvelSetKwd(h, OvelPolyhedraFaces, 3), 1);
  for (int f : {1, -2, 5}) OvelSetLin(h, OvelPolyhedraFaces, f);
  ASSERT_EQ(OvelCloseMesh(h), 1);

  h = OvelOpenMesh(name.c_str(), OvelRead, nullptr, nullptr);
  OvelPolygonSet *s = OvelReadPolygonSet(h);
  ASSERT_NE(s, nullptr);
  int out[OVEL_POLYGON_MAX];
  auto list = [&](int n) { return std::vector<int>(out, out + n); };
  EXPECT_EQ(list(OvelGetBoundaryPolygon(s, 1, out)), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(list(OvelGetBoundaryPolygon(s, 2, out)), (std::vector<int>{4, 5, 6, 7}));
  EXPECT_EQ(OvelGetBoundaryPolygon(s, 3, out), OVEL_POLYGON_MAX) << "cut to 257 entries";
  EXPECT_EQ(out[OVEL_POLYGON_MAX - 1], 8 + OVEL_POLYGON_MAX - 1);
  EXPECT_EQ(list(OvelGetInnerPolygon(s, -2, out)), (std::vector<int>{15, 14, 13}));
  EXPECT_EQ(list(OvelGetPolyhedron(s, 1, out)), (std::vector<int>{1, -2, 5}));
  OvelFreePolygonSet(s);
  OvelCloseMesh(h);
}

TEST(OvelNumbering, DirectMappedCacheHits) {
  // Records of 3 vertices and a reference: the stride skips the reference.
  const int rec[2][4] = {{1, 2, 3, 99}, {1, 2, 257, 99}};
  // Line 1 misses thrice; line 2 hits 1 and 2, and 257 evicts 1 (same low 8 bits).
  EXPECT_FLOAT_EQ(OvelEvaluateNumbering(2, 3, rec[0], rec[1]), 200.0f / 6.0f);
}

// Tokens cut by the end of the 1 MiB read buffer are read whole.
TEST(OvelFormat, AsciiTokensAcrossTheReadBuffer) {
  const std::string dir = pavo_test::scratchDir("ovel_buffer_edge");
  const std::string name = dir + "/edge.mesh";
  const size_t edge = size_t(1) << 20;
  // The junk token "0Corners" starts at edge - 9 .. edge + 1: cut right after its "0", a reader
  // that lost the cut token's start would see the keyword Corners.
  for (int delta = -9; delta <= 1; delta++) {
    std::string text = "MeshVersionFormatted 2\nDimension 2\n";
    while (text.size() + 6 < edge + delta) text += "12345 ";
    while (text.size() < edge + delta) text += " ";
    text += "0Corners Triangles 1\n1 2 3 4\nCorners 2 17 \n";
    pavo_test::writeFile(name, text);
    int64_t h = OvelOpenMesh(name.c_str(), OvelRead, nullptr, nullptr);
    ASSERT_NE(h, 0) << delta;
    ASSERT_EQ(OvelStatKwd(h, OvelTriangles), 1) << delta;
    ASSERT_EQ(OvelStatKwd(h, OvelCorners), 2) << delta;
    int t[4] = {};
    ASSERT_EQ(OvelGetBlock(h, OvelTriangles, 1, 1, 0, nullptr, nullptr, OvelIntVec, 4, t, t), 1);
    EXPECT_EQ(t[3], 4);
    OvelCloseMesh(h);
  }
}

} // namespace
