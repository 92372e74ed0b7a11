// The file layout: byte-exact ASCII text, ASCII reading rules, kinds from names, polygons,
// numbering; numbers in block reads against the C library's conversions at every buffer-end
// offset, integer limits, 64-bit file integers narrowed into int32 arrays.
#include "ovel.h"
#include "ovel_internal.h"
#include "test_paths.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
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

struct SmallReadBuffer {
  size_t saved = ovel::readBufferBytes;
  SmallReadBuffer() { ovel::readBufferBytes = 4096; }
  ~SmallReadBuffer() { ovel::readBufferBytes = saved; }
};

std::vector<std::string> words(const std::string &text) {
  std::istringstream in(text);
  return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

const std::vector<std::string> kReals =
    words("0 -0 +1 1.5 -2.25e-3 +6.02E23 1e308 4.9e-324 2.2250738585072014e-308 0.1 -.5 +.5e+1 3. "
          "123456789012345678901234567890 1.7976931348623157e308 -1E-5 0.30000000000000004 7e0 "
          "1.0000000000000002 -9.999999999999999e-301");
const std::vector<std::string> kInts32 =
    words("0 -0 +7 2147483647 -2147483648 +2147483647 -1 123456789 00000000000000000000000000042 "
          "+0000000000000000000001");
const std::vector<std::string> kInts64 =
    words("9223372036854775807 -9223372036854775808 +9223372036854775807 1000000000000000000 -17");

// Vertices lines cycling through the numbers above, shifted by `pad` bytes of comment.
std::string numbersText(int version, int lines, size_t pad, const std::vector<std::string> &ints) {
  std::string t = "MeshVersionFormatted " + std::to_string(version) + "\n#" +
                  std::string(pad, 'x') + "\nDimension 3\nVertices\n" + std::to_string(lines) +
                  "\n";
  static const char *const blanks[] = {" ", "\t", "  ", " \t "};
  for (int l = 0; l < lines; l++) {
    for (int k = 0; k < 3; k++) {
      t += kReals[(3 * size_t(l) + k) % kReals.size()];
      t += blanks[(size_t(l) + k) % 4];
    }
    t += ints[size_t(l) % ints.size()];
    t += l % 3 == 0 ? "\r\n" : "\n";
  }
  return t + "End\n";
}

TEST(OvelNumbers, AsciiNumbersMatchTheCLibraryAcrossBufferEnds) {
  SmallReadBuffer small;
  const std::string name = pavo_test::scratchDir("ovel_numbers") + "/numbers.mesh";
  const int lines = 400; // about 25 KB: several refills of the 4 KiB buffer
  const size_t nreals = kReals.size(), nints = kInts32.size();
  for (int version : {1, 2})
    for (size_t pad = 0; pad < 70; pad += 3) {
      std::ofstream(name, std::ios::binary) << numbersText(version, lines, pad, kInts32);
      int64_t h = OvelOpenMesh(name.c_str(), OvelRead, nullptr, nullptr);
      ASSERT_NE(h, 0) << version << " " << pad;
      ASSERT_EQ(OvelStatKwd(h, OvelVertices), lines);
      std::vector<double> xyz(3 * lines);
      std::vector<int> ref(lines);
      ASSERT_EQ(OvelGetBlock(h, OvelVertices, 1, lines, 0, nullptr, nullptr, OvelDoubleVec, 3,
                             &xyz[0], &xyz[3 * (lines - 1)], OvelInt, &ref[0], &ref[lines - 1]),
                1)
          << version << " " << pad;
      for (int l = 0; l < lines; l++) {
        for (int k = 0; k < 3; k++) {
          const char *s = kReals[(3 * size_t(l) + k) % nreals].c_str();
          const double want =
              version == 1 ? double(std::strtof(s, nullptr)) : std::strtod(s, nullptr);
          ASSERT_EQ(std::memcmp(&xyz[3 * l + k], &want, 8), 0) << s << " pad " << pad;
        }
        const long long want = std::strtoll(kInts32[size_t(l) % nints].c_str(), nullptr, 10);
        ASSERT_EQ(ref[l], want) << kInts32[size_t(l) % nints] << " pad " << pad;
      }
      OvelCloseMesh(h);
    }
}

bool readVertex(const std::string &name, int version, const std::string &line, int64_t &out,
                bool into64) {
  std::ofstream(name, std::ios::binary)
      << "MeshVersionFormatted " << version << "\nDimension 2\nVertices\n1\n"
      << line << "\nEnd\n";
  int64_t h = OvelOpenMesh(name.c_str(), OvelRead, nullptr, nullptr);
  if (!h) return false;
  double x, y;
  int r32 = 0;
  int ok = into64 ? OvelGetBlock(h, OvelVertices, 1, 1, 0, nullptr, nullptr, OvelDouble, &x, &x,
                                 OvelDouble, &y, &y, OvelLong, &out, &out)
                  : OvelGetBlock(h, OvelVertices, 1, 1, 0, nullptr, nullptr, OvelDouble, &x, &x,
                                 OvelDouble, &y, &y, OvelInt, &r32, &r32);
  if (!into64) out = r32;
  OvelCloseMesh(h);
  return ok == 1;
}

TEST(OvelNumbers, AsciiIntegerLimitsAndMalformedTokens) {
  const std::string name = pavo_test::scratchDir("ovel_numbers") + "/limits.mesh";
  int64_t v = 0;
  auto ref = [&](int version, const std::string &text, bool into64) {
    return readVertex(name, version, "0 0 " + text, v, into64);
  };
  // 32-bit files: the int32 range, whatever the destination width.
  EXPECT_TRUE(ref(2, "-2147483648", false) && v == INT32_MIN);
  EXPECT_FALSE(ref(2, "2147483648", true));
  // 64-bit files: the int64 range; int32 destinations refuse rather than truncate.
  for (const std::string &text : kInts64)
    EXPECT_TRUE(ref(4, text, true) && v == std::strtoll(text.c_str(), nullptr, 10)) << text;
  EXPECT_FALSE(ref(4, "9223372036854775808", true));
  EXPECT_FALSE(ref(4, "4294967296", false));
  for (const char *bad : {"1-2", "--1", "+", "12x", "1.5", "0x10", "+-3"})
    EXPECT_FALSE(ref(2, bad, false)) << bad;
  for (const char *bad : {"1e", "1.5.2", "e5", "1e+", "+-1"})
    EXPECT_FALSE(readVertex(name, 2, std::string(bad) + " 0 1", v, false)) << bad;
}

// Version-4 tetrahedra into int32 arrays, four nodes plus a reference.
TEST(OvelNumbers, BinaryNarrowingLayoutsAndRange) {
  struct SmallBlocks {
    int64_t saved = ovel::blockFloorBytes;
    SmallBlocks() { ovel::blockFloorBytes = 0; }
    ~SmallBlocks() { ovel::blockFloorBytes = saved; }
  } smallBlocks;
  const std::string name = pavo_test::scratchDir("ovel_numbers") + "/narrow.meshb";
  const int n = 25003;
  std::vector<int64_t> tet(5 * size_t(n));
  for (size_t i = 0; i < tet.size(); i++)
    tet[i] = (i % 7 == 0) ? INT32_MIN + int64_t(i) : INT32_MAX - int64_t(i);
  auto write = [&] {
    int64_t h = OvelOpenMesh(name.c_str(), OvelWrite, 4, 3);
    ASSERT_NE(h, 0);
    ASSERT_EQ(OvelSetKwd(h, OvelTetrahedra, n), 1);
    ASSERT_EQ(OvelSetBlock(h, OvelTetrahedra, 1, n, 0, nullptr, nullptr, OvelLongVec, 5, &tet[0],
                           &tet[5 * size_t(n - 1)]),
              1);
    ASSERT_EQ(OvelCloseMesh(h), 1);
  };
  std::vector<int> nodes(4 * size_t(n)), ref(n);
  auto read = [&] { // writes the file, then reads it back into int32 arrays
    write();
    int64_t h = OvelOpenMesh(name.c_str(), OvelRead, nullptr, nullptr);
    if (!h) return -1;
    const int rc =
        OvelGetBlock(h, OvelTetrahedra, 1, n, 0, nullptr, nullptr, OvelIntVec, 4, &nodes[0],
                     &nodes[4 * size_t(n - 1)], OvelInt, &ref[0], &ref[n - 1]);
    OvelCloseMesh(h);
    return rc;
  };
  ASSERT_EQ(read(), 1);
  for (int l = 0; l < n; l++)
    for (int k = 0; k < 5; k++) {
      const int64_t want = tet[5 * size_t(l) + k];
      ASSERT_EQ(k < 4 ? nodes[4 * size_t(l) + k] : ref[l], want) << l << " " << k;
    }
  // One node beyond the int32 range, in the last block: refused rather than truncated.
  tet[5 * size_t(n - 2) + 2] = int64_t(INT32_MAX) + 1;
  EXPECT_EQ(read(), 0);
}

} // namespace
