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

int64_t openBytes(const std::string &path, const std::string &bytes) {
  pavo_test::writeFile(path, bytes);
  return OvelOpenMesh(path.c_str(), OvelRead, nullptr, nullptr);
}

Bytes header(int version = 2) {
  Bytes b;
  b.i32(1);
  b.i32(version);
  b.i32(OvelDimension);
  version >= 3 ? b.i64(28) : b.i32(20);
  b.i32(3);
  return b;
}

void vertexRecord(Bytes &b, int32_t next) {
  for (int32_t v : {int32_t(OvelVertices), next, 1}) b.i32(v);
  for (double x : {1, 2, 3}) b.f64(x);
  b.i32(4);
}

std::string sampleFile(const std::string &dir, int version, bool ascii) {
  const std::string name = dir + "/sample" + std::to_string(version) + (ascii ? ".mesh" : ".meshb");
  int64_t h = OvelOpenMesh(name.c_str(), OvelWrite, version, 2);
  const int types[2] = {OvelSolScalar, OvelSolVector};
  const double sol[3] = {0.25, 0.5, -1.0};
  OvelSetKwd(h, OvelVertices, 3);
  for (int i = 1; i <= 3; i++) OvelSetLin(h, OvelVertices, 0.5 * i, 1.0 - i, i);
  OvelSetKwd(h, OvelSolAtVertices, 3, 2, types);
  for (int i = 1; i <= 3; i++) OvelSetLin(h, OvelSolAtVertices, sol);
  OvelSetKwd(h, OvelTriangles, 1);
  OvelSetLin(h, OvelTriangles, 1, 2, 3, 1);
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
      for (size_t n = 0; n <= whole.size(); n++) {
        int64_t h = openBytes(cut, whole.substr(0, n));
        if (!h) continue;
        ovel_fuzz::Outcome o = ovel_fuzz::readAll(h);
        if (!ascii || n == whole.size()) {
          EXPECT_EQ(o.lineFailures + o.blockFailures, 0) << version << " cut at " << n;
        }
        EXPECT_TRUE(n < whole.size() || o.keywords == 5)
            << "Vertices, Sol, Triangles, Comments, End";
        EXPECT_EQ(OvelCloseMesh(h), 1);
      }
    }
}

TEST(OvelDamaged, BinaryHeadersRejected) {
  const std::string dir = pavo_test::scratchDir("ovel_bad_binary");
  Bytes good = header();
  vertexRecord(good, 0);
  auto patched = [&](size_t at, int32_t v) {
    Bytes b = good;
    b.patch32(at, v);
    return b;
  };
  Bytes loop = header();
  vertexRecord(loop, int32_t(loop.size() + 44));
  vertexRecord(loop, 20); // points back to the first record
  // Byte order, version, first keyword and dimension: LoadFailures, with their messages.
  const std::pair<Bytes, const char *> cases[] = {
      {patched(28, -1), "negative line count"},
      {patched(24, int32_t(good.size() + 1)), "next position beyond the end"},
      {loop, "a chain looping back"},
  };
  for (const auto &c : cases) EXPECT_EQ(openBytes(dir + "/bad.solb", c.first.b), 0) << c.second;
  Bytes unknown = header();
  unknown.i32(999);
  unknown.i32(int32_t(unknown.size() + 8));
  unknown.i32(0x7fffffff);
  vertexRecord(unknown, 0);
  int64_t h = openBytes(dir + "/unknown.meshb", unknown.b);
  ASSERT_NE(h, 0);
  double xyz[3];
  int r;
  ASSERT_EQ(OvelGotoKwd(h, OvelVertices), 1);
  ASSERT_EQ(OvelGetLin(h, OvelVertices, &xyz[0], &xyz[1], &xyz[2], &r), 1);
  EXPECT_EQ(xyz[2] + r, 7.0);
  OvelCloseMesh(h);
}

TEST(OvelDamaged, AsciiHeadersRejected) {
  const std::string name = pavo_test::scratchDir("ovel_bad_ascii") + "/bad.mesh";
  const std::string head = "MeshVersionFormatted 2\nDimension 3\n";
  for (const std::string &bad :
       {std::string("MeshVersionFormatted 2\nDimension 4\n"),
        std::string("MeshVersionFormatted two\nDimension 3\n"), head + "Vertices -2\n",
        head + "Vertices 99999999999999999999\n",
        head + "Vertices 1000000000000\n0 0 0 1\n",           // more lines than the file
        head + "Triangles 105000009\n1 2 3 4 5 6 0\n",        // the same, read as P2 triangles
        head + "SolAtVertices 1 1001 1\n", head + "Vertices", // header cut by the end of the file
        head + std::string(1 << 21, '7')})                    // a token longer than the buffer
    EXPECT_EQ(openBytes(name, bad), 0) << bad.substr(0, 60);
  int64_t h = openBytes(name, head + "Vertices 2\n0 0 0 1\n0 zero 0 1\n");
  ASSERT_NE(h, 0);
  ovel_fuzz::Outcome o = ovel_fuzz::readAll(h);
  EXPECT_EQ(std::vector<int>({o.lineFailures, o.blockFailures}), std::vector<int>({1, 1}));
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
  std::string tooLong = path + "/" + std::string(1017 - path.size() - 7, 'n') + ".meshb";
  EXPECT_EQ(OvelOpenMesh(tooLong.c_str(), OvelWrite, 2, 3), 0);
  EXPECT_FALSE(std::filesystem::exists(tooLong));
  h = OvelOpenMesh((dir + "/a.meshb").c_str(), OvelWrite, 2, 3);
  EXPECT_EQ(OvelSetKwd(h, 218, 1), 0);
  EXPECT_EQ(OvelSetLin(h, OvelVertices, 1.0, 2.0, 3.0, 4), 0) << "keyword not started";
  ASSERT_EQ(OvelSetKwd(h, OvelVertices, 1), 1);
  ASSERT_EQ(OvelSetLin(h, OvelVertices, 1.0, 2.0, 3.0, 4), 1);
  EXPECT_EQ(OvelSetLin(h, OvelVertices, 1.0, 2.0, 3.0, 6), 0) << "beyond the declared count";
  ASSERT_EQ(OvelSetKwd(h, OvelComments, 1), 1);
  EXPECT_EQ(OvelCloseMesh(h), 0) << "Comments declared one line and got none";
}

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
    auto block = [&](int first, int last, int mapType, int fieldType) {
      return OvelGetBlock(h, OvelVertices, first, last, mapType, mapType ? map : nullptr, nullptr,
                          fieldType, 2, &xy[2], &xy[6], OvelInt, &ref[1], &ref[3]);
    };
    EXPECT_EQ(block(0, 3, 0, OvelDoubleVec), 0) << "range from 0";
    EXPECT_EQ(block(1, 3, 0, OvelIntVec), 0) << "real fields into integers";
    EXPECT_EQ(block(1, 3, 3, OvelDoubleVec), 0) << "a map entry below 1";
    EXPECT_EQ(OvelGetLin(h, OvelVertices, &xy[0], &xy[1], &ref[0]), 0) << "not positioned";
    EXPECT_TRUE(std::all_of(xy, xy + 8, [](double v) { return v == -9.0; }) &&
                std::all_of(ref, ref + 4, [](int v) { return v == -9; }));
    EXPECT_EQ(block(1, 3, 0, OvelDoubleVec), 1);
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

// 64-bit positions: a record placed beyond 4 GiB (in a sparse file) is found and read.
TEST(OvelDamaged, RecordBeyondFourGigabytes) {
  const std::string dir = pavo_test::scratchDir("ovel_large_offset");
  const std::string name = dir + "/far.meshb";
  const int64_t far = (int64_t(5) << 30) + 12;
  Bytes b = header(3);
  b.i32(0); // a record of no keyword, only there to point far away
  b.i64(far);
  pavo_test::writeFile(name, b.b);
  Bytes v;
  v.i32(OvelVertices);
  v.i64(0);
  v.i32(2);
  for (int i = 1; i <= 2; i++) {
    for (double x : {1.0 * i, -1.0 * i, 0.5 * i}) v.f64(x);
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
  EXPECT_EQ(std::vector<double>({xyz[8], double(ref[2]), xyz[4], double(ref[1])}),
            std::vector<double>({1, 8, -1, 7}));
  OvelCloseMesh(h);
  std::filesystem::remove(name);
}
