// Numbers in block reads against the C library's conversions, at every buffer-end offset;
// integer limits; 64-bit file integers narrowed into int32 arrays.
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
