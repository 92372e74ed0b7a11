// Damaged and hostile files: every failure is a clean 0, never an out-of-bounds access, a hang or
// a leak (the sanitizer build runs these too).
#include "../fuzz/ovel_read_all.h"
#include "ovel.h"
#include "test_paths.h"

#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace {

struct Bytes {
  std::string b;
  void i32(int32_t v) { b.append(reinterpret_cast<const char *>(&v), 4); }
  void i64(int64_t v) { b.append(reinterpret_cast<const char *>(&v), 8); }
  void f64(double v) { b.append(reinterpret_cast<const char *>(&v), 8); }
  size_t size() const { return b.size(); }
  void patch32(size_t at, int32_t v) { std::memcpy(&b[at], &v, 4); }
};

void save(const std::string &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

int64_t openBytes(const std::string &path, const std::string &bytes) {
  save(path, bytes);
  return OvelOpenMesh(path.c_str(), OvelRead, nullptr, nullptr);
}

// Version-2 binary header with dimension 3; the Dimension record points right after itself.
Bytes header(int version = 2, int dim = 3) {
  Bytes b;
  b.i32(1);
  b.i32(version);
  b.i32(OvelDimension);
  if (version >= 3)
    b.i64(version >= 3 ? 28 : 20);
  else
    b.i32(20);
  b.i32(dim);
  return b;
}

// A Vertices record of one vertex at the end of b, pointing to `next`.
void vertexRecord(Bytes &b, int32_t next) {
  b.i32(OvelVertices);
  b.i32(next);
  b.i32(1);
  b.f64(1);
  b.f64(2);
  b.f64(3);
  b.i32(4);
}

// A small file of each version and form with several keyword kinds.
std::string sampleFile(const std::string &dir, int version, bool ascii) {
  const std::string name = dir + "/sample" + std::to_string(version) + (ascii ? ".mesh" : ".meshb");
  int64_t h = OvelOpenMesh(name.c_str(), OvelWrite, version, 2);
  std::vector<double> xy = {0, 0, 0, 1, 0, 1, 1, 2};
  std::vector<int> ref = {0, 1, 2, 3}, tri = {0, 0, 0, 1, 2, 3};
  OvelSetKwd(h, OvelVertices, 3);
  OvelSetBlock(h, OvelVertices, 1, 3, 0, nullptr, nullptr, OvelDoubleVec, 2, &xy[2], &xy[6],
               OvelInt, &ref[1], &ref[3]);
  OvelSetKwd(h, OvelTriangles, 1);
  OvelSetBlock(h, OvelTriangles, 1, 1, 0, nullptr, nullptr, OvelIntVec, 3, &tri[3], &tri[3],
               OvelInt, &ref[1], &ref[1]);
  const int types[2] = {OvelSolScalar, OvelSolVector};
  OvelSetKwd(h, OvelSolAtVertices, 3, 2, types);
  std::vector<double> sol(3 * 4, 0.25);
  OvelSetBlock(h, OvelSolAtVertices, 1, 3, 0, nullptr, nullptr, OvelDoubleVec, 3, &sol[3], &sol[9]);
  OvelSetKwd(h, OvelComments, 1);
  if (version == 4)
    OvelSetLin(h, OvelComments, "a comment");
  else
    OvelSetLin(h, OvelComments, "a comment");
  EXPECT_EQ(OvelCloseMesh(h), 1);
  return pavo_test::readFile(name);
}

TEST(OvelDamaged, TruncatedAtEveryOffset) {
  const std::string dir = pavo_test::scratchDir("ovel_truncated");
  for (bool ascii : {false, true})
    for (int version = 1; version <= 4; version++) {
      const std::string whole = sampleFile(dir, version, ascii);
      const std::string cut = dir + (ascii ? "/cut.mesh" : "/cut.meshb");
      for (size_t n = 0; n < whole.size(); n++) {
        int64_t h = openBytes(cut, whole.substr(0, n));
        if (!h) continue;
        ovel_fuzz::Outcome o = ovel_fuzz::readAll(h);
        if (!ascii) {
          // A binary index never admits a keyword whose lines run past the end of the file.
          EXPECT_EQ(o.lineFailures + o.blockFailures, 0)
              << "version " << version << " cut at " << n;
        }
        EXPECT_EQ(OvelCloseMesh(h), 1);
      }
      int64_t h = openBytes(cut, whole);
      ASSERT_NE(h, 0);
      ovel_fuzz::Outcome o = ovel_fuzz::readAll(h);
      EXPECT_EQ(o.keywords, 5) << "Vertices, Triangles, SolAtVertices, Comments, End";
      EXPECT_EQ(o.lineFailures + o.blockFailures, 0);
      OvelCloseMesh(h);
    }
}

TEST(OvelDamaged, BinaryHeadersRejected) {
  const std::string dir = pavo_test::scratchDir("ovel_bad_binary");
  const std::string name = dir + "/bad.meshb";
  Bytes good = header();
  vertexRecord(good, 0);
  int64_t h = openBytes(name, good.b);
  ASSERT_NE(h, 0) << "the reference file opens";
  EXPECT_EQ(OvelStatKwd(h, OvelVertices), 1);
  OvelCloseMesh(h);

  Bytes order = good;
  order.patch32(0, 2);
  EXPECT_EQ(openBytes(name, order.b), 0) << "byte-order code";
  Bytes version = good;
  version.patch32(4, 5);
  EXPECT_EQ(openBytes(name, version.b), 0) << "version 5";
  Bytes first = good;
  first.patch32(8, OvelVertices);
  EXPECT_EQ(openBytes(name, first.b), 0) << "first keyword is not Dimension";
  EXPECT_EQ(openBytes(name, header(2, 4).b), 0) << "dimension 4";
  Bytes negative = good;
  negative.patch32(28, -1);
  EXPECT_EQ(openBytes(name, negative.b), 0) << "negative line count";
  Bytes beyond = good;
  beyond.patch32(24, int32_t(good.size() + 1));
  EXPECT_EQ(openBytes(name, beyond.b), 0) << "next position beyond the end";

  // Two records where the second points back to the first: rejected rather than looping.
  Bytes loop = header();
  vertexRecord(loop, int32_t(loop.size() + 44));
  vertexRecord(loop, 20);
  EXPECT_EQ(openBytes(name, loop.b), 0);
  Bytes self = header();
  vertexRecord(self, 20);
  EXPECT_EQ(openBytes(name, self.b), 0) << "a record pointing at itself";

  // An unknown code is skipped and the chain continues.
  Bytes unknown = header();
  unknown.i32(999);
  unknown.i32(int32_t(unknown.size() + 8));
  unknown.i32(0x7fffffff);
  vertexRecord(unknown, 0);
  h = openBytes(name, unknown.b);
  ASSERT_NE(h, 0);
  double xyz[3];
  int r;
  ASSERT_EQ(OvelGotoKwd(h, OvelVertices), 1);
  ASSERT_EQ(OvelGetLin(h, OvelVertices, &xyz[0], &xyz[1], &xyz[2], &r), 1);
  EXPECT_EQ(xyz[2], 3.0);
  EXPECT_EQ(r, 4);
  OvelCloseMesh(h);

  // Version 4: a count whose byte size overflows 64 bits.
  Bytes huge = header(4);
  huge.i32(OvelTetrahedra);
  huge.i64(0);
  huge.i64(int64_t(1) << 62);
  huge.i64(1);
  EXPECT_EQ(openBytes(name, huge.b), 0);

  // Solution headers: more than 1000 fields, an "hr" keyword with no nodes.
  Bytes fields = header();
  fields.i32(OvelSolAtVertices);
  fields.i32(0);
  fields.i32(1);
  fields.i32(OVEL_MAX_FIELDS + 1);
  for (int k = 0; k <= OVEL_MAX_FIELDS; k++) fields.i32(1);
  EXPECT_EQ(openBytes(dir + "/bad.solb", fields.b), 0);
  Bytes nodes = header();
  nodes.i32(OvelHOSolAtTrianglesP2);
  nodes.i32(0);
  nodes.i32(0);
  nodes.i32(1);
  nodes.i32(1);
  nodes.i32(2);
  nodes.i32(0);
  EXPECT_EQ(openBytes(dir + "/bad.solb", nodes.b), 0);
  // A format beyond OVEL_MAX_FORMAT letters: 1000 full-matrix fields in 3-D (9000 reals) at 2000
  // nodes.
  Bytes letters = header();
  letters.i32(OvelHOSolAtTrianglesP2);
  letters.i32(0);
  letters.i32(0);
  letters.i32(OVEL_MAX_FIELDS);
  for (int k = 0; k < OVEL_MAX_FIELDS; k++) letters.i32(OvelSolMat);
  letters.i32(2);
  letters.i32(2000);
  EXPECT_EQ(openBytes(dir + "/bad.solb", letters.b), 0);
}

TEST(OvelDamaged, StringWithoutTerminator) {
  const std::string dir = pavo_test::scratchDir("ovel_bad_string");
  Bytes b = header();
  b.i32(OvelComments);
  b.i32(0);
  b.i32(1);
  b.b.append(OVEL_STRING_SIZE, 'A');
  int64_t h = openBytes(dir + "/s.meshb", b.b);
  ASSERT_NE(h, 0);
  char text[OVEL_STRING_SIZE + 8];
  std::memset(text, 'z', sizeof text);
  ASSERT_EQ(OvelGotoKwd(h, OvelComments), 1);
  ASSERT_EQ(OvelGetLin(h, OvelComments, text), 1);
  EXPECT_EQ(std::strlen(text), size_t(OVEL_STRING_SIZE - 1));
  EXPECT_EQ(text[OVEL_STRING_SIZE], 'z');
  OvelCloseMesh(h);
}

TEST(OvelDamaged, AsciiHeadersRejected) {
  const std::string dir = pavo_test::scratchDir("ovel_bad_ascii");
  const std::string name = dir + "/bad.mesh";
  auto open = [&](const std::string &text) { return openBytes(name, text); };
  const std::string head = "MeshVersionFormatted 2\nDimension 3\n";
  EXPECT_EQ(open("MeshVersionFormatted 2\nDimension 4\n"), 0);
  EXPECT_EQ(open("MeshVersionFormatted 0\nDimension 3\n"), 0);
  EXPECT_EQ(open("MeshVersionFormatted two\nDimension 3\n"), 0);
  EXPECT_EQ(open(head + "Vertices -2\n"), 0);
  EXPECT_EQ(open(head + "Vertices abc\n"), 0);
  EXPECT_EQ(open(head + "Vertices 99999999999999999999\n"), 0);
  EXPECT_EQ(open(head + "Vertices 1000000000000\n0 0 0 1\n"), 0) << "more lines than the file";
  EXPECT_EQ(open(head + "SolAtVertices 1 1001 1\n"), 0);
  EXPECT_EQ(open(head + "HOSolAtTrianglesP2 1 1 1 2 0\n"), 0);
  EXPECT_EQ(open(head + "Vertices"), 0) << "header cut by the end of the file";
  EXPECT_EQ(open(head + std::string(1 << 21, '7')), 0) << "a token longer than the buffer";

  // Lines that do not parse: the line and block reads fail, nothing more.
  int64_t h = open(head + "Vertices 2\n0 0 0 1\n0 zero 0 1\n");
  ASSERT_NE(h, 0);
  ovel_fuzz::Outcome o = ovel_fuzz::readAll(h);
  EXPECT_EQ(o.lineFailures, 1);
  EXPECT_EQ(o.blockFailures, 1);
  OvelCloseMesh(h);
  h = open(head + "Triangles 1\n1 2 3000000000 1\n");
  ASSERT_NE(h, 0);
  int t[4];
  ASSERT_EQ(OvelGotoKwd(h, OvelTriangles), 1);
  EXPECT_EQ(OvelGetLin(h, OvelTriangles, &t[0], &t[1], &t[2], &t[3]), 0) << "beyond 32 bits";
  OvelCloseMesh(h);
}

TEST(OvelDamaged, NamesAndArguments) {
  const std::string dir = pavo_test::scratchDir("ovel_names");
  // A name of 1016 characters fits (with the 7 a loader may append), 1017 does not.
  std::string path = dir;
  while (path.size() < 1016 - 200) {
    path += "/" + std::string(150, 'd');
    std::filesystem::create_directory(path);
  }
  std::string fits = path + "/" + std::string(1016 - path.size() - 7, 'n') + ".meshb";
  ASSERT_EQ(fits.size(), 1016u);
  int64_t h = OvelOpenMesh(fits.c_str(), OvelWrite, 2, 3);
  ASSERT_NE(h, 0);
  EXPECT_EQ(OvelCloseMesh(h), 1);
  EXPECT_NE(h = OvelOpenMesh(fits.c_str(), OvelRead, nullptr, nullptr), 0);
  OvelCloseMesh(h);
  std::string tooLong = path + "/" + std::string(1017 - path.size() - 7, 'n') + ".meshb";
  EXPECT_EQ(OvelOpenMesh(tooLong.c_str(), OvelWrite, 2, 3), 0);
  EXPECT_FALSE(std::filesystem::exists(tooLong));
  EXPECT_EQ(OvelOpenMesh(nullptr, OvelRead, nullptr, nullptr), 0);
  EXPECT_EQ(OvelOpenMesh((dir + "/x.mesh").c_str(), 3, 2, 3), 0) << "unknown mode";
  EXPECT_EQ(OvelOpenMesh((dir + "/x.mesh").c_str(), OvelWrite, 5, 3), 0);
  EXPECT_EQ(OvelOpenMesh((dir + "/x.mesh").c_str(), OvelWrite, 2, 4), 0);

  const std::string name = dir + "/a.meshb";
  h = OvelOpenMesh(name.c_str(), OvelWrite, 2, 3);
  EXPECT_EQ(OvelSetKwd(h, 0, 1), 0);
  EXPECT_EQ(OvelSetKwd(h, 218, 1), 0);
  EXPECT_EQ(OvelSetKwd(h, OvelVertices, -1), 0);
  EXPECT_EQ(OvelSetLin(h, OvelVertices, 1.0, 2.0, 3.0, 4), 0) << "keyword not started";
  ASSERT_EQ(OvelSetKwd(h, OvelVertices, 2), 1);
  ASSERT_EQ(OvelSetLin(h, OvelVertices, 1.0, 2.0, 3.0, 4), 1);
  ASSERT_EQ(OvelSetLin(h, OvelVertices, 1.0, 2.0, 3.0, 5), 1);
  EXPECT_EQ(OvelSetLin(h, OvelVertices, 1.0, 2.0, 3.0, 6), 0) << "beyond the declared count";
  ASSERT_EQ(OvelSetKwd(h, OvelComments, 1), 1);
  EXPECT_EQ(OvelSetLin(h, OvelComments, static_cast<const char *>(nullptr)), 0);
  EXPECT_EQ(OvelCloseMesh(h), 0) << "Comments declared one line and got none";
  EXPECT_EQ(OvelCloseMesh(h), 0) << "closed twice";
  EXPECT_EQ(OvelCloseMesh(0), 0);
  EXPECT_EQ(OvelStatKwd(0, OvelVertices), 0);
}

// Bad ranges and field lists transfer nothing.
TEST(OvelDamaged, BlockArgumentsValidatedFirst) {
  const std::string dir = pavo_test::scratchDir("ovel_block_args");
  for (const char *ext : {".mesh", ".meshb"}) {
    const std::string name = dir + "/v" + ext;
    int64_t h = OvelOpenMesh(name.c_str(), OvelWrite, 2, 2);
    OvelSetKwd(h, OvelVertices, 3);
    for (int i = 1; i <= 3; i++) OvelSetLin(h, OvelVertices, 1.0 * i, 2.0 * i, i);
    ASSERT_EQ(OvelCloseMesh(h), 1);
    h = OvelOpenMesh(name.c_str(), OvelRead, nullptr, nullptr);
    ASSERT_NE(h, 0);
    double xy[8];
    int ref[4], map[4] = {0, 1, 0, 3};
    std::fill(xy, xy + 8, -9.0);
    std::fill(ref, ref + 4, -9);
    auto untouched = [&] {
      return std::all_of(xy, xy + 8, [](double v) { return v == -9.0; }) &&
             std::all_of(ref, ref + 4, [](int v) { return v == -9; });
    };
    EXPECT_EQ(OvelGetBlock(h, OvelVertices, 0, 3, 0, nullptr, nullptr, OvelDoubleVec, 2, &xy[0],
                           &xy[6], OvelInt, &ref[0], &ref[3]),
              0);
    EXPECT_EQ(OvelGetBlock(h, OvelVertices, 1, 4, 0, nullptr, nullptr, OvelDoubleVec, 2, &xy[2],
                           &xy[8], OvelInt, &ref[1], &ref[4]),
              0);
    EXPECT_EQ(OvelGetBlock(h, OvelVertices, 3, 1, 0, nullptr, nullptr, OvelDoubleVec, 2, &xy[2],
                           &xy[6], OvelInt, &ref[1], &ref[3]),
              0);
    EXPECT_EQ(OvelGetBlock(h, OvelVertices, 1, 3, 0, nullptr, nullptr, OvelIntVec, 2, &xy[2],
                           &xy[6], OvelInt, &ref[1], &ref[3]),
              0)
        << "real fields into integers";
    EXPECT_EQ(
        OvelGetBlock(h, OvelVertices, 1, 3, 0, nullptr, nullptr, OvelDoubleVec, 3, &xy[2], &xy[6]),
        0)
        << "a vector longer than the fields left";
    EXPECT_EQ(OvelGetBlock(h, OvelVertices, 1, 3, 0, nullptr, nullptr, 9, &xy[2], &xy[6]), 0);
    EXPECT_EQ(OvelGetBlock(h, OvelVertices, 1, 3, 0, nullptr, nullptr, OvelDoubleVec, 2, nullptr,
                           &xy[6], OvelInt, &ref[1], &ref[3]),
              0);
    EXPECT_EQ(OvelGetBlock(h, OvelVertices, 1, 3, 3, map, nullptr, OvelDoubleVec, 2, &xy[2], &xy[6],
                           OvelInt, &ref[1], &ref[3]),
              0)
        << "a map entry below 1";
    EXPECT_EQ(OvelGetBlock(h, OvelVertices, 1, 3, 2, map, nullptr, OvelDoubleVec, 2, &xy[2], &xy[6],
                           OvelInt, &ref[1], &ref[3]),
              0)
        << "map type 2";
    EXPECT_EQ(OvelGetBlock(h, OvelEnd, 1, 1, 0, nullptr, nullptr, OvelInt, &ref[1], &ref[1]), 0);
    EXPECT_EQ(OvelGetBlock(h, 300, 1, 1, 0, nullptr, nullptr, OvelInt, &ref[1], &ref[1]), 0);
    EXPECT_TRUE(untouched());
    EXPECT_EQ(OvelGetLin(h, OvelVertices, &xy[0], &xy[1], &ref[0]), 0) << "not positioned";
    ASSERT_EQ(OvelGotoKwd(h, OvelVertices), 1);
    EXPECT_EQ(OvelGetLin(h, OvelVertices, &xy[0], static_cast<double *>(nullptr), &ref[0]), 0);
    EXPECT_TRUE(untouched());
    EXPECT_EQ(OvelGetBlock(h, OvelVertices, 1, 3, 0, nullptr, nullptr, OvelDoubleVec, 2, &xy[2],
                           &xy[6], OvelInt, &ref[1], &ref[3]),
              1);
    EXPECT_EQ(xy[7], 6.0);
    OvelCloseMesh(h);
  }
}

} // namespace

// Hostile files kept from fuzzing and from hand: opening and reading everything must end cleanly.
TEST(OvelDamaged, RegressionFilesReplay) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(pavo_test::sourceDir()) / "tests" / "data" / "ovel";
  int files = 0;
  for (const auto &entry : fs::directory_iterator(dir)) {
    files++;
    int version = 0, dim = 0;
    int64_t h = OvelOpenMesh(entry.path().c_str(), OvelRead, &version, &dim);
    if (!h) continue;
    EXPECT_TRUE(version >= 1 && version <= 4 && (dim == 2 || dim == 3)) << entry.path();
    ovel_fuzz::readAll(h);
    EXPECT_EQ(OvelCloseMesh(h), 1);
  }
  EXPECT_GE(files, 7);
}

// A file cut short after it was indexed: the block reader reports the failed read and returns 0.
TEST(OvelDamaged, BlockReadOfAFileCutAfterOpening) {
  const std::string dir = pavo_test::scratchDir("ovel_cut_after_open");
  const std::string name = dir + "/cut.meshb";
  const int n = 30000;
  std::vector<double> xy(2 * (n + 1), 1.0);
  std::vector<int> ref(n + 1, 1);
  int64_t h = OvelOpenMesh(name.c_str(), OvelWrite, 2, 2);
  OvelSetKwd(h, OvelVertices, n);
  OvelSetBlock(h, OvelVertices, 1, n, 0, nullptr, nullptr, OvelDoubleVec, 2, &xy[2], &xy[2 * n],
               OvelInt, &ref[1], &ref[n]);
  ASSERT_EQ(OvelCloseMesh(h), 1);
  h = OvelOpenMesh(name.c_str(), OvelRead, nullptr, nullptr);
  ASSERT_NE(h, 0);
  std::filesystem::resize_file(name, 1000);
  testing::internal::CaptureStdout();
  EXPECT_EQ(OvelGetBlock(h, OvelVertices, 1, n, 0, nullptr, nullptr, OvelDoubleVec, 2, &xy[2],
                         &xy[2 * n], OvelInt, &ref[1], &ref[n]),
            0);
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_NE(printed.find("block      = 0 / 1\n"), std::string::npos) << printed;
  EXPECT_NE(printed.find("size       = 30000 lines\n"), std::string::npos) << printed;
  EXPECT_NE(printed.find("aio_nbytes = 600000\n"), std::string::npos) << printed;
  EXPECT_EQ(OvelCloseMesh(h), 1);
}

// 64-bit positions: a record placed beyond 4 GiB (in a sparse file) is found and read, by lines
// and by blocks.
TEST(OvelDamaged, RecordBeyondFourGigabytes) {
  const std::string dir = pavo_test::scratchDir("ovel_large_offset");
  const std::string name = dir + "/far.meshb";
  const int64_t far = (int64_t(5) << 30) + 12;
  Bytes b = header(3);
  b.i32(0); // a record of no keyword, only there to point far away
  b.i64(far);
  std::ofstream(name, std::ios::binary) << b.b;
  Bytes v;
  v.i32(OvelVertices);
  v.i64(0);
  v.i32(2);
  for (int i = 1; i <= 2; i++) {
    v.f64(i);
    v.f64(-i);
    v.f64(0.5 * i);
    v.i32(i + 6);
  }
  {
    std::fstream out(name, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(far);
    out.write(v.b.data(), std::streamsize(v.size()));
    if (!out) GTEST_SKIP() << "no sparse file of 5 GiB here";
  }
  int64_t h = OvelOpenMesh(name.c_str(), OvelRead, nullptr, nullptr);
  ASSERT_NE(h, 0);
  ASSERT_EQ(OvelStatKwd(h, OvelVertices), 2);
  double xyz[9];
  int ref[3];
  ASSERT_EQ(OvelGetBlock(h, OvelVertices, 1, 2, 0, nullptr, nullptr, OvelDoubleVec, 3, &xyz[3],
                         &xyz[6], OvelInt, &ref[1], &ref[2]),
            1);
  EXPECT_EQ(xyz[6 + 2], 1.0);
  EXPECT_EQ(ref[2], 8);
  ASSERT_EQ(OvelGotoKwd(h, OvelVertices), 1);
  ASSERT_EQ(OvelGetLin(h, OvelVertices, &xyz[0], &xyz[1], &xyz[2], &ref[0]), 1);
  EXPECT_EQ(xyz[1], -1.0);
  EXPECT_EQ(ref[0], 7);
  OvelCloseMesh(h);
  std::filesystem::remove(name);
}
