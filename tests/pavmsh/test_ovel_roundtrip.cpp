// Round trips of every keyword kind, version, ASCII and both binary byte orders, lines and blocks;
// meshio reads the files written here (files Gmsh writes are test_gmsh.cpp's).
#include "ovel.h"
#include "ovel_internal.h"
#include "test_paths.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

enum Form { Ascii, Binary, BinaryForeign };

struct Case {
  int version;
  Form form;
};

std::string caseName(const testing::TestParamInfo<Case> &info) {
  const char *forms[] = {"Ascii", "Binary", "Foreign"};
  return std::string(forms[info.param.form]) + "V" + std::to_string(info.param.version);
}

std::vector<Case> allCases() {
  std::vector<Case> cases;
  for (int v = 1; v <= 4; v++)
    for (Form f : {Ascii, Binary, BinaryForeign}) cases.push_back({v, f});
  return cases;
}

int64_t openForWriting(const std::string &name, const Case &c, int dim) {
  if (c.form == BinaryForeign) return ovel::openForeignOrder(name.c_str(), c.version, dim);
  return OvelOpenMesh(name.c_str(), OvelWrite, c.version, dim);
}

constexpr int kVertices = 5;
double coord(int i, int k) { return 0.1 * i + (k == 1 ? -1.0 / 3.0 : k == 2 ? 7e-3 * i : 0.0); }
const int kTets[2][5] = {{1, 2, 3, 4, 7}, {2, 3, 4, 5, -8}};
const int kSolTypes[4] = {OvelSolScalar, OvelSolVector, OvelSolSymMat, OvelSolMat};
constexpr int kSolSize = 1 + 3 + 6 + 9;
const int kHoTypes[2] = {OvelSolScalar, OvelSolVector};
constexpr int kHoSize = (1 + 3) * 6;
double solValue(int line, int k) { return line * 100.0 + k / 7.0; }
const char *kComments[2] = {"first comment line", "second"};

template <typename Int> void writeSample(int64_t h) {
  ASSERT_EQ(OvelSetKwd(h, OvelVertices, kVertices), 1);
  for (int i = 1; i <= kVertices; i++)
    ASSERT_EQ(OvelSetLin(h, OvelVertices, coord(i, 0), coord(i, 1), coord(i, 2), Int(i % 3)), 1);
  ASSERT_EQ(OvelSetKwd(h, OvelTetrahedra, 2), 1);
  for (auto &t : kTets)
    ASSERT_EQ(OvelSetLin(h, OvelTetrahedra, Int(t[0]), Int(t[1]), Int(t[2]), Int(t[3]), Int(t[4])),
              1);
  ASSERT_EQ(OvelSetKwd(h, OvelTime, 0), 1);
  ASSERT_EQ(OvelSetLin(h, OvelTime, 0.5), 1);
  ASSERT_EQ(OvelSetKwd(h, OvelComments, 2), 1);
  for (const char *s : kComments) ASSERT_EQ(OvelSetLin(h, OvelComments, s), 1);
  ASSERT_EQ(OvelSetKwd(h, OvelReferenceStrings, 1), 1);
  ASSERT_EQ(OvelSetLin(h, OvelReferenceStrings, Int(62), Int(2), "pressure 1,2"), 1);
}

template <typename Real> void writeSolutions(int64_t h) {
  ASSERT_EQ(OvelSetKwd(h, OvelSolAtVertices, kVertices, 4, kSolTypes), 1);
  Real line[kHoSize];
  for (int i = 1; i <= kVertices; i++) {
    for (int k = 0; k < kSolSize; k++) line[k] = Real(solValue(i, k));
    ASSERT_EQ(OvelSetLin(h, OvelSolAtVertices, line), 1);
  }
  ASSERT_EQ(OvelSetKwd(h, OvelHOSolAtTrianglesP2, 1, 2, kHoTypes, 2, 6), 1);
  for (int k = 0; k < kHoSize; k++) line[k] = Real(solValue(1, k));
  ASSERT_EQ(OvelSetLin(h, OvelHOSolAtTrianglesP2, line), 1);
}

template <typename Int, typename Real> void checkLines(int64_t h) {
  ASSERT_EQ(OvelStatKwd(h, OvelVertices), kVertices);
  ASSERT_EQ(OvelGotoKwd(h, OvelVertices), 1);
  for (int i = 1; i <= kVertices; i++) {
    Real x, y, z;
    Int ref;
    ASSERT_EQ(OvelGetLin(h, OvelVertices, &x, &y, &z, &ref), 1);
    EXPECT_EQ(
        std::vector<Real>({x, y, z, Real(ref)}),
        std::vector<Real>({Real(coord(i, 0)), Real(coord(i, 1)), Real(coord(i, 2)), Real(i % 3)}));
  }
  Real r;
  ASSERT_EQ(OvelStatKwd(h, OvelTetrahedra), 2);
  ASSERT_EQ(OvelGotoKwd(h, OvelTetrahedra), 1);
  for (auto &t : kTets) {
    Int v[5];
    ASSERT_EQ(OvelGetLin(h, OvelTetrahedra, &v[0], &v[1], &v[2], &v[3], &v[4]), 1);
    for (int k = 0; k < 5; k++) EXPECT_EQ(v[k], t[k]);
  }

  ASSERT_EQ(OvelGotoKwd(h, OvelTime), 1);
  ASSERT_EQ(OvelGetLin(h, OvelTime, &r), 1);
  EXPECT_EQ(r, Real(0.5));

  char text[OVEL_STRING_SIZE];
  ASSERT_EQ(OvelGotoKwd(h, OvelComments), 1);
  for (const char *s : kComments) {
    ASSERT_EQ(OvelGetLin(h, OvelComments, text), 1);
    EXPECT_STREQ(text, s);
  }
  Int code, count;
  ASSERT_EQ(OvelGotoKwd(h, OvelReferenceStrings), 1);
  ASSERT_EQ(OvelGetLin(h, OvelReferenceStrings, &code, &count, text), 1);
  EXPECT_TRUE(code == 62 && count == 2);
  EXPECT_STREQ(text, "pressure 1,2");

  int fields = -1, size = -1, types[OVEL_MAX_FIELDS], degree = -1, nodes = -1;
  ASSERT_EQ(OvelStatKwd(h, OvelSolAtVertices, &fields, &size, types), kVertices);
  EXPECT_TRUE(fields == 4 && size == kSolSize);
  EXPECT_EQ(std::vector<int>(types, types + 4), std::vector<int>(kSolTypes, kSolTypes + 4));
  Real line[kHoSize];
  ASSERT_EQ(OvelGotoKwd(h, OvelSolAtVertices), 1);
  for (int i = 1; i <= kVertices; i++) {
    ASSERT_EQ(OvelGetLin(h, OvelSolAtVertices, line), 1);
    for (int k = 0; k < kSolSize; k++) ASSERT_EQ(line[k], Real(solValue(i, k))) << i << " " << k;
  }
  ASSERT_EQ(OvelStatKwd(h, OvelHOSolAtTrianglesP2, &fields, &size, types, &degree, &nodes), 1);
  EXPECT_EQ(std::vector<int>({fields, size, degree, nodes}), std::vector<int>({2, kHoSize, 2, 6}));
  ASSERT_EQ(OvelGotoKwd(h, OvelHOSolAtTrianglesP2), 1);
  ASSERT_EQ(OvelGetLin(h, OvelHOSolAtTrianglesP2, line), 1);
  for (int k = 0; k < kHoSize; k++) EXPECT_EQ(line[k], Real(solValue(1, k)));
}

class OvelRoundTrip : public testing::TestWithParam<Case> {};

TEST_P(OvelRoundTrip, EveryKeywordKindByLines) {
  const Case c = GetParam();
  const std::string dir = pavo_test::scratchDir("ovel_roundtrip");
  const std::string name = dir + (c.form == Ascii ? "/sample.mesh" : "/sample.meshb");
  int64_t h = openForWriting(name, c, 3);
  ASSERT_NE(h, 0);
  c.version == 4 ? writeSample<int64_t>(h) : writeSample<int>(h);
  c.version == 1 ? writeSolutions<float>(h) : writeSolutions<double>(h);
  ASSERT_EQ(OvelCloseMesh(h), 1);
  if (c.form != Ascii) {
    const std::string bytes = pavo_test::readFile(name);
    int32_t order;
    std::memcpy(&order, bytes.data(), 4);
    EXPECT_EQ(order, c.form == Binary ? 1 : 16777216);
  }

  int version = 0, dim = 0;
  h = OvelOpenMesh(name.c_str(), OvelRead, &version, &dim);
  ASSERT_NE(h, 0);
  EXPECT_EQ(version, c.version);
  EXPECT_EQ(dim, 3);
  if (c.version == 1)
    checkLines<int, float>(h);
  else
    c.version == 4 ? checkLines<int64_t, double>(h) : checkLines<int, double>(h);
  EXPECT_EQ(OvelGotoKwd(h, OvelTriangles), 0) << "absent keyword";
  EXPECT_EQ(OvelStatKwd(h, OvelEnd), 1) << "closing ends the file with End";
  EXPECT_EQ(OvelCloseMesh(h), 1);
}

// Blocks written from caller arrays of other widths, through a map table, read back by lines.
TEST_P(OvelRoundTrip, BlocksWithConversionAndMaps) {
  const Case c = GetParam();
  const std::string dir = pavo_test::scratchDir("ovel_roundtrip_blocks");
  const std::string name = dir + (c.form == Ascii ? "/blocks.mesh" : "/blocks.meshb");
  const int n = 25000; // more than two binary blocks of 10000 lines
  struct SmallBlocks {
    int64_t saved = ovel::blockFloorBytes;
    SmallBlocks() { ovel::blockFloorBytes = 0; }
    ~SmallBlocks() { ovel::blockFloorBytes = saved; }
  } smallBlocks;
  std::vector<float> xy(2 * (n + 1));
  std::vector<int64_t> ref(n + 1);
  std::vector<int> map(n + 1);
  std::vector<int> tri(3 * (n + 1));
  for (int i = 1; i <= n; i++) {
    xy[2 * i] = 0.5f * i, xy[2 * i + 1] = -0.25f * i;
    ref[i] = i * 3;
    map[i] = n + 1 - i; // written in reverse order
    for (int k = 0; k < 3; k++) tri[3 * i + k] = i + k;
  }
  int64_t h = openForWriting(name, c, 2);
  ASSERT_NE(h, 0);
  ASSERT_EQ(OvelSetKwd(h, OvelVertices, n), 1);
  ASSERT_EQ(OvelSetBlock(h, OvelVertices, 1, n, 3, map.data(), nullptr, OvelFloatVec, 2, &xy[2],
                         &xy[2 * n], OvelLong, &ref[1], &ref[n]),
            1);
  ASSERT_EQ(OvelSetKwd(h, OvelTriangles, n), 1);
  ASSERT_EQ(OvelSetBlock(h, OvelTriangles, 1, n, 0, nullptr, nullptr, OvelIntVec, 3, &tri[3],
                         &tri[3 * n], OvelInt, &tri[5], &tri[3 * n + 2]),
            1);
  ASSERT_EQ(OvelCloseMesh(h), 1);

  h = OvelOpenMesh(name.c_str(), OvelRead, nullptr, nullptr);
  ASSERT_NE(h, 0);
  ASSERT_EQ(OvelStatKwd(h, OvelVertices), n);
  std::vector<int64_t> back(n + 1);
  for (int i = 1; i <= n; i++) back[i] = n + 1 - i;
  std::vector<double> x(n + 1), y(n + 1);
  std::vector<int> r(n + 1);
  ASSERT_EQ(OvelGetBlock(h, OvelVertices, 1, n, 4, back.data(), nullptr, OvelDouble, &x[1], &x[n],
                         OvelDouble, &y[1], &y[n], OvelInt, &r[1], &r[n]),
            1);
  for (int i = 1; i <= n; i++)
    ASSERT_TRUE(x[i] == 0.5f * i && y[i] == -0.25f * i && r[i] == i * 3) << i;
  std::vector<int> t(3 * (n + 1), 0), tr(n + 1, 0);
  int types[2] = {OvelIntVec, OvelInt}, lengths[2] = {3, 1};
  void *firsts[2] = {&t[3 * 100], &tr[100]}, *lasts[2] = {&t[3 * 20000], &tr[20000]};
  ASSERT_EQ(OvelGetBlock(h, OvelTriangles, 100, 20000, 0, nullptr, nullptr, OvelFieldTables, types,
                         lengths, firsts, lasts),
            1);
  for (int i = 100; i <= 20000; i++)
    ASSERT_TRUE(t[3 * i] == i && t[3 * i + 2] == i + 2 && tr[i] == i + 2) << i;
  EXPECT_EQ(t[3 * 99] + t[3 * 20001], 0);
  EXPECT_EQ(OvelCloseMesh(h), 1);
}

INSTANTIATE_TEST_SUITE_P(AllVersionsAndForms, OvelRoundTrip, testing::ValuesIn(allCases()),
                         caseName);

// The system Python, which has meshio (the one first on PATH may not).
const char *kPython = "/usr/bin/python3";

bool haveMeshio() {
  static const bool ok =
      access(kPython, X_OK) == 0 &&
      std::system((std::string(kPython) + " -c 'import meshio' >/dev/null 2>&1").c_str()) == 0;
  return ok;
}

// Runs a Python script; returns its standard output, or "FAILED" with its log.
std::string runPython(const std::string &dir, const std::string &script,
                      const std::string &argument = "") {
  const std::string py = dir + "/script.py", out = dir + "/script.out";
  std::ofstream(py) << script;
  const std::string cmd = std::string(kPython) + " " + py + " " + argument + " > " + out + " 2>&1";
  const int status = std::system(cmd.c_str());
  const std::string text = pavo_test::readFile(out);
  return status == 0 ? text : "FAILED\n" + text;
}

TEST(OvelInterop, MeshioReadsFilesWrittenHere) {
  if (!haveMeshio()) GTEST_SKIP() << "python3-meshio is not installed for " << kPython;
  const std::string dir = pavo_test::scratchDir("ovel_meshio_out");
  // meshio reads ASCII files of versions 1 and 2 only, binary files of every version.
  std::vector<std::string> names;
  for (int version = 1; version <= 4; version++)
    for (const char *ext : {".mesh", ".meshb"}) {
      if (version > 2 && std::string(ext) == ".mesh") continue;
      const std::string name = dir + "/v" + std::to_string(version) + ext;
      names.push_back(name);
      int64_t h = OvelOpenMesh(name.c_str(), OvelWrite, version, 3);
      ASSERT_NE(h, 0);
      ASSERT_EQ(OvelSetKwd(h, OvelVertices, 6), 1);
      for (int i = 1; i <= 6; i++)
        OvelSetLin(h, OvelVertices, 0.5 * i, -0.25 * i, 1.0 * i * i, 10 + i);
      ASSERT_EQ(OvelSetKwd(h, OvelTetrahedra, 2), 1);
      OvelSetLin(h, OvelTetrahedra, 1, 2, 3, 4, 11);
      OvelSetLin(h, OvelTetrahedra, 3, 4, 5, 6, 12);
      ASSERT_EQ(OvelCloseMesh(h), 1);
    }
  std::string script = "import meshio, sys\n"
                       "for name in sys.argv[1:]:\n"
                       "    m = meshio.read(name)\n"
                       "    key = next(k for k in m.point_data if k.endswith(':ref'))\n"
                       "    print(len(m.points), m.points[5][2], m.points[1][1])\n"
                       "    c = m.cells_dict['tetra']\n"
                       "    print(len(c), *c[1])\n"
                       "    print(*m.cell_data_dict[key]['tetra'])\n"
                       "    print(*m.point_data[key])\n";
  std::string arguments, expected;
  for (const std::string &name : names) {
    arguments += " " + name;
    expected += "6 36.0 -0.5\n2 2 3 4 5\n11 12\n11 12 13 14 15 16\n";
  }
  EXPECT_EQ(runPython(dir, script, arguments), expected);
}

} // namespace
