// Damaged files, one per failure class: the fixed message, then the reason; survivable damage
// gives one warning line; floods of per-line messages stay bounded. Every writer made to fail as a
// disk fails leaves the earlier file byte for byte, and no litter.
#include "../fuzz/load_pair.h"
#include "load_test_mesh.h"
#include "ovel.h"
#include "pav_safe_write.h"
#include "test_paths.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using load_test::Object;

namespace {

// Writes the bytes to the file and opens it as a mesh: its return code, status and stdout.
struct Opened {
  int rc;
  std::string status, out;
};
Opened openMesh(const std::string &path, const std::string &bytes) {
  pavo_test::writeFile(path, bytes);
  Object obj = load_test::newObject();
  char status[2 * PAV_STATUS_SIZE] = "";
  int rc = 0;
  const std::string out =
      pavo_test::captured([&] { rc = pav_OpenMesh(obj.get(), path.c_str(), status); });
  return {rc, status, out};
}

template <typename T> std::string patched(std::string bytes, size_t at, T value) {
  std::memcpy(&bytes[at], &value, sizeof value);
  return bytes;
}

// Binary version 3, 4 vertices, 1 triangle: Vertices record at 24 (next at 28, count at 36),
// lines of 28 bytes at 40, Corners at 152.
std::string validBinaryMesh(const std::string &dir) {
  Object obj = load_test::makeMesh(3, 4, 1, {Triangles});
  char status[2 * PAV_STATUS_SIZE];
  const std::string path = dir + "/valid.meshb";
  EXPECT_EQ(pav_WriteMesh(obj.get(), path.c_str(), status), PAV_SUCCESS);
  return pavo_test::readFile(path);
}

struct Damage {
  const char *label, *file; // the file name given to the loader
  std::string bytes;        // its contents
  const char *reason;       // what the message must say after "Cannot open mesh file <name>"
};

TEST(LoadFailures, EveryDamagedMeshNamesItsReason) {
  const std::string dir = pavo_test::scratchDir("load_failures");
  const std::string good = validBinaryMesh(dir);
  const std::string ascii = "MeshVersionFormatted 2\nDimension 3\n";
  const std::vector<Damage> table = {
      {"byte order", "order.meshb", patched(good, 0, int32_t(7)), "byte-order code 7 unknown"},
      {"version", "version.meshb", patched(good, 4, int32_t(5)), "version 5 unknown"},
      {"first keyword", "first.meshb", patched(good, 8, int32_t(4)), "4 is not Dimension"},
      {"dimension", "dim.meshb", patched(good, 20, int32_t(4)), "dimension 4 is neither"},
      {"truncated", "cut.meshb", good.substr(0, 30), "truncated at byte 30"},
      {"count", "count.meshb", patched(good, 36, int32_t(100000000)),
       "Vertices: count 100000000 larger than the file can hold"},
      {"chain", "chain.meshb", patched(good, 28, int64_t(1) << 40), "chain position 1099511627776"},
      {"ascii no dimension", "nodim.mesh", "MeshVersionFormatted 2\n", "no Dimension before"},
      {"ascii bad number", "number.mesh", ascii + "Vertices\n2\n0 0 0 0\n0 x 0 0\nEnd\n",
       "unreadable real \"x\""},
      {"ascii header", "header.mesh", ascii + "Vertices\nmany\n", "Vertices: unreadable integer"},
  };
  for (const Damage &d : table) {
    const std::string path = dir + "/" + d.file;
    const Opened o = openMesh(path, d.bytes);
    EXPECT_EQ(o.rc, PAV_FAILURE) << d.label;
    const std::string &text = o.status;
    EXPECT_TRUE(text.rfind("Cannot open mesh file " + path + "\n", 0) == 0 ||
                text.rfind("Error while reading Vertices in mesh file " + path + "\n", 0) == 0)
        << d.label << ": " << text;
    EXPECT_NE(text.find("  Reason: "), std::string::npos) << d.label << ": " << text;
    EXPECT_NE(text.find(d.reason), std::string::npos) << d.label << ": " << text;
  }
}

// Too long, or a FIFO, an endless device or a folder in place of a mesh or solution of any
// format (the open must not wait for a writer nor read for ever): refused before reading, with
// the reason; a dangling link is a missing file.
TEST(LoadFailures, NamesRefusedBeforeReading) {
  namespace fs = std::filesystem;
  const std::string dir = pavo_test::scratchDir("load_names");
  validBinaryMesh(dir);
  Object obj = load_test::newObject();
  char status[2 * PAV_STATUS_SIZE];
  ASSERT_EQ(pav_OpenMesh(obj.get(), (dir + "/valid.meshb").c_str(), status), PAV_SUCCESS);
  for (int kind = 0; kind < 4; kind++)
    for (const char *ending : {".meshb", ".mesh", ".msh", ".cgns", ".solb", ".sol"}) {
      const std::string name = dir + "/special" + ending;
      fs::remove_all(name);
      if (kind == 0) {
        ASSERT_EQ(mkfifo(name.c_str(), 0600), 0);
      }
      if (kind == 1) fs::create_symlink("/dev/zero", name);
      if (kind == 2) fs::create_directory(name);
      if (kind == 3) fs::create_symlink(dir + "/no-such-target", name);
      const bool sol = std::strstr(ending, ".sol") != nullptr;
      Object fresh = load_test::newObject();
      EXPECT_EQ(sol ? pav_OpenSolution(obj.get(), name.c_str(), status)
                    : pav_OpenMesh(fresh.get(), name.c_str(), status),
                PAV_FAILURE)
          << name;
      EXPECT_NE(std::strstr(status, kind < 3 ? "Reason: not a regular file" : "Cannot open "),
                nullptr)
          << kind << " " << name << ": " << status;
    }
  const std::string longName = dir + "/" + std::string(1100, 'a') + ".meshb";
  EXPECT_EQ(pav_OpenMesh(obj.get(), longName.c_str(), status), PAV_FAILURE);
  EXPECT_NE(std::strstr(status, "Reason: name longer than 1016 characters"), nullptr) << status;
}

TEST(LoadFailures, SurvivableDamageIsReportedOnce) {
  const std::string dir = pavo_test::scratchDir("load_warnings");
  const std::string good = validBinaryMesh(dir);
  std::string nan = good;
  const double notANumber = std::nan("");
  std::memcpy(&nan[40 + 28 + 8], &notANumber, 8); // y of vertex 2
  const struct {
    const char *file;
    std::string bytes, warning;
  } table[] = {
      {"nan.meshb", nan, "1 vertices with non-finite coordinates (first: vertex 2)"},
      {"unknown.meshb", patched(good, 152, int32_t(300)),
       "unknown keyword code 300 at byte 152: record dropped"},
      {"early.meshb", patched(good, 28, int64_t(0)),
       "keyword chain ends at byte 24 before End: the last 124 bytes are not read"},
  };
  for (const auto &c : table) {
    const std::string path = dir + "/" + c.file;
    const Opened o = openMesh(path, c.bytes);
    EXPECT_EQ(o.rc, PAV_SUCCESS) << c.file << o.status;
    EXPECT_EQ(o.out, " warning : " + path + ": " + c.warning + "\n") << c.file;
  }
}

// Solution files for the mesh of validBinaryMesh, written through the file library.
struct SolutionFile {
  int64_t h;
  explicit SolutionFile(const std::string &path) {
    h = OvelOpenMesh(path.c_str(), OvelWrite, 3, 3);
    const int scalar = OvelSolScalar;
    OvelSetKwd(h, OvelSolAtVertices, 4, 1, &scalar);
    for (double v : {1.0, 2.0, 3.0, 4.0}) OvelSetLin(h, OvelSolAtVertices, &v);
  }
  ~SolutionFile() { OvelCloseMesh(h); }
};

std::string loadSolution(const std::string &dir, const std::string &path, int expected) {
  validBinaryMesh(dir); // writes valid.meshb
  Object obj = load_test::newObject();
  char status[2 * PAV_STATUS_SIZE] = "";
  EXPECT_EQ(pav_OpenMesh(obj.get(), (dir + "/valid.meshb").c_str(), status), PAV_SUCCESS);
  return pavo_test::captured(
      [&] { EXPECT_EQ(pav_OpenSolution(obj.get(), path.c_str(), status), expected) << status; });
}

// A flood of ReferenceStrings stays bounded, a number beyond 64 bits is refused, an empty
// NodesPositions warned about.
TEST(LoadFailures, MessageFloodsAreBoundedAndNumbersChecked) {
  const std::string dir = pavo_test::scratchDir("load_flood");
  {
    SolutionFile f(dir + "/flood.solb");
    OvelSetKwd(f.h, OvelReferenceStrings, 20);
    for (int i = 0; i < 20; i++) OvelSetLin(f.h, OvelReferenceStrings, 62, 1048577, "p 1-1048577");
  }
  const std::string flood = loadSolution(dir, dir + "/flood.solb", PAV_SUCCESS);
  EXPECT_LE(std::count(flood.begin(), flood.end(), '\n'), 12) << flood.substr(0, 2000);
  EXPECT_NE(flood.find("15 more messages suppressed"), std::string::npos) << flood;
  {
    SolutionFile f(dir + "/big.solb");
    OvelSetKwd(f.h, OvelReferenceStrings, 2);
    OvelSetLin(f.h, OvelReferenceStrings, 62, 1, "p 99999999999999999999");
    OvelSetLin(f.h, OvelReferenceStrings, 62, 2, "q 9223372036854775806-9223372036854775807");
  }
  const std::string big = loadSolution(dir, dir + "/big.solb", PAV_SUCCESS);
  EXPECT_EQ(std::count(big.begin(), big.end(), '\n'), 4) << big;
  EXPECT_NE(big.find("p 99999999999999999999 attached to SolAtVertices.\n Invalid string."),
            std::string::npos)
      << big;
  {
    SolutionFile f(dir + "/empty.solb");
    const int scalar = OvelSolScalar;
    const int kwd = OvelKeywordCode("HOSolAtTrianglesP1");
    OvelSetKwd(f.h, kwd, 1, 1, &scalar, 2, 6);
    const double v[6] = {1, 2, 3, 4, 5, 6};
    OvelSetLin(f.h, kwd, v);
    OvelSetKwd(f.h, OvelKeywordCode("HOSolAtTrianglesP1NodesPositions"), 0);
  }
  EXPECT_EQ(loadSolution(dir, dir + "/empty.solb", PAV_SUCCESS),
            " warning : HOSolAtTrianglesP1NodesPositions holds no node position: the values are "
            "used unconverted\n");
}

} // namespace

// Pairs kept from fuzzing (tests/data/load): both loaders and the writers end cleanly.
TEST(LoadFailures, RegressionPairsReplay) {
  namespace fs = std::filesystem;
  int files = 0;
  for (const auto &entry :
       fs::directory_iterator(fs::path(pavo_test::sourceDir()) / "tests" / "data" / "load")) {
    const std::string bytes = pavo_test::readFile(entry.path().string());
    const bool binary = entry.path().string().find(".binary.") != std::string::npos;
    pavo_test::captured([&] {
      load_fuzz::runPair(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), binary);
    });
    files++;
  }
  EXPECT_GE(files, 10);
}

namespace {

std::vector<std::string> listing(const std::string &dir) {
  std::vector<std::string> names;
  for (const auto &e : std::filesystem::directory_iterator(dir))
    names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// A mesh whose files are far larger than the file-size limit used below, with a vertex solution.
Object bigMesh() {
  Object obj = load_test::makeMesh(3, 3000, 500, {Triangles, Tetrahedra});
  char status[PAV_STATUS_SIZE];
  PavSolution *rec = pav_NewSolutionRecord(3, PavSolScalar, 3000, 0, 1, status);
  for (int i = 1; i <= 3000; i++) rec->data[i] = i * 0.25;
  pav_PushSolution(obj.get(), SolAtVertices, rec, status);
  return obj;
}

struct Writer {
  const char *label;
  const char *extension;
  int (*write)(const PavObject *obj, const std::string &name, char *status);
};

int writeMesh(const PavObject *obj, const std::string &name, char *status) {
  return pav_WriteMesh(obj, name.c_str(), status);
}
int writeSolution(const PavObject *obj, const std::string &name, char *status) {
  return pav_WriteSolution(obj, name.c_str(), -1, status);
}
int writeBytes(const PavObject *, const std::string &name, char *status) {
  const std::string text(200000, 'x');
  return pav_SafeWriteFile(name.c_str(), text.data(), text.size(), status);
}

const Writer kWriters[] = {
    {"binary mesh", ".meshb", writeMesh},        {"ascii mesh", ".mesh", writeMesh},
    {"binary solution", ".solb", writeSolution}, {"ascii solution", ".sol", writeSolution},
    {"plain bytes", ".png", writeBytes},
};

class SafeWrite : public ::testing::TestWithParam<Writer> {};

// The file-size limit (set in a forked child) makes write() fail with EFBIG midway.
TEST_P(SafeWrite, FileSizeLimitLeavesTheEarlierFileIntact) {
  const Writer &w = GetParam();
  const std::string dir = pavo_test::scratchDir(std::string("safe_fsize_") + (w.extension + 1));
  const std::string name = dir + "/out" + w.extension;
  const std::string earlier = "earlier contents that must survive\n";
  pavo_test::writeFile(name, earlier);
  Object obj = bigMesh();
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &lim);
    char status[2 * PAV_STATUS_SIZE] = "";
    const int rc = w.write(obj.get(), name, status);
    const bool said = std::strstr(status, name.c_str()) && std::strstr(status, strerror(EFBIG));
    _exit(rc == PAV_FAILURE && said ? 0 : 1);
  }
  int st = 0;
  waitpid(pid, &st, 0);
  EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << w.label;
  EXPECT_EQ(pavo_test::readFile(name), earlier) << w.label;
  EXPECT_EQ(listing(dir), std::vector<std::string>{"out" + std::string(w.extension)}) << w.label;
}

TEST_P(SafeWrite, UnwritableNamesAreRefusedWithTheirReason) {
  const Writer &w = GetParam();
  const std::string dir = pavo_test::scratchDir(std::string("safe_names_") + (w.extension + 1));
  pavo_test::writeFile(dir + "/plain", "not a folder");
  ASSERT_EQ(mkfifo((dir + "/fifo" + w.extension).c_str(), 0600), 0);
  Object obj = bigMesh();
  const struct {
    std::string name, reason;
  } cases[] = {
      {dir + "/plain/out" + w.extension, strerror(ENOTDIR)},
      {dir + "/fifo" + w.extension, "not a regular file"},
  };
  for (const auto &c : cases) {
    char status[2 * PAV_STATUS_SIZE] = "";
    EXPECT_EQ(w.write(obj.get(), c.name, status), PAV_FAILURE) << c.name;
    EXPECT_NE(std::strstr(status, c.reason.c_str()), nullptr) << status;
  }
  struct stat st;
  ASSERT_EQ(stat((dir + "/fifo" + w.extension).c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(listing(dir).size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Writers, SafeWrite, ::testing::ValuesIn(kWriters),
                         [](const auto &info) { return std::string(info.param.extension + 1); });

// A write failing on its own (disagreeing records) keeps the file; a good one replaces it, keeping
// the permissions.
TEST(SafeWriteOutcome, FailedWriteKeepsAndGoodWriteReplaces) {
  const std::string dir = pavo_test::scratchDir("safe_outcome");
  const std::string name = dir + "/f.solb";
  pavo_test::writeFile(name, "earlier");
  ASSERT_EQ(chmod(name.c_str(), 0640), 0);
  Object obj = load_test::makeMesh(3, 10, 2, {Triangles});
  char status[2 * PAV_STATUS_SIZE];
  PavSolution *a = pav_NewSolutionRecord(3, PavSolScalar, 2, 1, 3, status);
  PavSolution *b = pav_NewSolutionRecord(3, PavSolScalar, 2, 1, 4, status);
  pav_PushSolution(obj.get(), SolAtTrianglesP1, a, status);
  pav_PushSolution(obj.get(), SolAtTrianglesP1, b, status);
  EXPECT_EQ(pav_WriteSolution(obj.get(), name.c_str(), -1, status), PAV_FAILURE);
  EXPECT_EQ(pavo_test::readFile(name), "earlier");
  EXPECT_EQ(listing(dir), std::vector<std::string>{"f.solb"});

  EXPECT_EQ(pav_WriteMesh(obj.get(), (dir + "/f.meshb").c_str(), status), PAV_SUCCESS) << status;
  pavo_test::writeFile(dir + "/g.meshb", "earlier");
  ASSERT_EQ(chmod((dir + "/g.meshb").c_str(), 0640), 0);
  EXPECT_EQ(pav_WriteMesh(obj.get(), (dir + "/g.meshb").c_str(), status), PAV_SUCCESS) << status;
  EXPECT_EQ(pavo_test::readFile(dir + "/g.meshb"), pavo_test::readFile(dir + "/f.meshb"));
  struct stat st;
  ASSERT_EQ(stat((dir + "/g.meshb").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(listing(dir), (std::vector<std::string>{"f.meshb", "f.solb", "g.meshb"}));
}

} // namespace
