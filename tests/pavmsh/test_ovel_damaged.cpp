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
    b.i64(28);
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

// Bad binary headers and record chains are refused at opening.
TEST(OvelDamaged, BinaryHeadersRejected) {
  const std::string dir = pavo_test::scratchDir("ovel_bad_binary");
  Bytes good = header();
  vertexRecord(good, 0);
  auto patched = [&](size_t at, int32_t v) {
    Bytes b = good;
    b.patch32(at, v);
    return b;
  };
  auto solution = [](int kwd, std::vector<int32_t> ints) {
    Bytes b = header();
    b.i32(kwd);
    b.i32(0);
    for (int32_t v : ints) b.i32(v);
    return b;
  };
  Bytes loop = header(), self = header(), huge = header(4);
  vertexRecord(loop, int32_t(loop.size() + 44));
  vertexRecord(loop, 20); // points back to the first record
  vertexRecord(self, 20);
  huge.i32(OvelTetrahedra); // a count whose byte size overflows 64 bits
  huge.i64(0);
  huge.i64(int64_t(1) << 62);
  huge.i64(1);
  std::vector<int32_t> fields = {1, OVEL_MAX_FIELDS + 1}, letters = {0, OVEL_MAX_FIELDS};
  fields.resize(fields.size() + OVEL_MAX_FIELDS + 1, 1);
  letters.resize(letters.size() + OVEL_MAX_FIELDS, OvelSolMat); // 9000 reals per node
  letters.insert(letters.end(), {2, 2});
  const std::pair<Bytes, const char *> cases[] = {
      {patched(0, 2), "byte-order code"},
      {patched(4, 5), "version 5"},
      {patched(8, OvelVertices), "first keyword is not Dimension"},
      {header(2, 4), "dimension 4"},
      {patched(28, -1), "negative line count"},
      {patched(24, int32_t(good.size() + 1)), "next position beyond the end"},
      {loop, "a chain looping back"},
      {self, "a record pointing at itself"},
      {huge, "byte size beyond 64 bits"},
      {solution(OvelSolAtVertices, fields), "more than 1000 fields"},
      {solution(OvelHOSolAtTrianglesP2, {0, 1, 1, 2, 0}), "an hr keyword with no nodes"},
      {solution(OvelHOSolAtTrianglesP2, letters), "a format beyond 9000 letters"},
  };
  for (const auto &c : cases) EXPECT_EQ(openBytes(dir + "/bad.solb", c.first.b), 0) << c.second;
  // The reference file opens; an unknown code is skipped and the chain continues.
  int64_t h = openBytes(dir + "/good.meshb", good.b);
  ASSERT_NE(h, 0);
  EXPECT_EQ(OvelStatKwd(h, OvelVertices), 1);
  OvelCloseMesh(h);
  Bytes unknown = header();
  unknown.i32(999);
  unknown.i32(int32_t(unknown.size() + 8));
  unknown.i32(0x7fffffff);
  vertexRecord(unknown, 0);
  h = openBytes(dir + "/unknown.meshb", unknown.b);
  ASSERT_NE(h, 0);
  double xyz[3];
  int r;
  ASSERT_EQ(OvelGotoKwd(h, OvelVertices), 1);
  ASSERT_EQ(OvelGetLin(h, OvelVertices, &xyz[0], &xyz[1], &xyz[2], &r), 1);
  EXPECT_EQ(xyz[2] + r, 7.0);
  OvelCloseMesh(h);
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
  for (const std::string &bad :
       {std::string("MeshVersionFormatted 2\nDimension 4\n"),
        std::string("MeshVersionFormatted 0\nDimension 3\n"),
        std::string("MeshVersionFormatted two\nDimension 3\n"), head + "Vertices -2\n",
        head + "Vertices abc\n", head + "Vertices 99999999999999999999\n",
        head + "Vertices 1000000000000\n0 0 0 1\n", // more lines than the file
        head + "SolAtVertices 1 1001 1\n", head + "HOSolAtTrianglesP2 1 1 1 2 0\n",
        head + "Vertices",                 // header cut by the end of the file
        head + std::string(1 << 21, '7')}) // a token longer than the buffer
    EXPECT_EQ(open(bad), 0) << bad.substr(0, 60);

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
