// Every writer made to fail as a disk fails leaves the earlier file byte for byte, and no litter.
#include "load_test_mesh.h"
#include "pav_safe_write.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using load_test::Object;

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
