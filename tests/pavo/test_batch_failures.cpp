// Batch modes after a failed load or write: a non-zero exit status, the skipped steps said, and
// no output written over a good earlier file.
#include "mesh_builders.h"
#include "pav_io.h"
#include "run_process.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

pavo_test::ProcessResult run(const std::string &dir, const std::vector<std::string> &args) {
  pavo_test::ProcessOptions o;
  o.unset = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  o.workDir = dir;
  o.timeoutSeconds = 60;
  pavo_test::ProcessResult r = pavo_test::runProcess(PAVO4_EXE, args, o);
  EXPECT_TRUE(r.started);
  EXPECT_FALSE(r.timedOut);
  return r;
}

void writeBytes(const std::string &path, const std::string &bytes) {
  FILE *f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

bool exists(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// A good surface mesh file in binary.
std::string goodMesh(const std::string &dir) {
  PavObject *obj = nullptr;
  char status[2 * PAV_STATUS_SIZE];
  pav_NewInterface(&obj);
  obj->dim = 3;
  pav_AllocEntityArrays(obj, Vertices, 3, status);
  const double xyz[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  std::copy(xyz, xyz + 9, obj->crdDbl + 3);
  pav_AllocEntityArrays(obj, Triangles, 1, status);
  const int tri[3] = {1, 2, 3};
  std::copy(tri, tri + 3, obj->ent[Triangles].idx + 3);
  EXPECT_EQ(pav_WriteMesh(obj, (dir + "/good.meshb").c_str(), status), PAV_SUCCESS) << status;
  pav_DeleteInterface(&obj);
  return pavo_test::readFile(dir + "/good.meshb");
}

// Each mode, given a damaged input next to an earlier output file: exit status 1, the earlier
// output unchanged (or none created), and the skipped steps said.
TEST(BatchFailures, FailedLoadWritesNothingAndExitsNonZero) {
  const std::string dir = pavo_test::scratchDir("batch_failed_load");
  const std::string good = goodMesh(dir);
  const std::string damaged = good.substr(0, good.size() / 2);
  writeBytes(dir + "/d.cgns.meshb", damaged);
  writeBytes(dir + "/d.meshb", damaged);
  writeBytes(dir + "/out.meshb", good);
  const struct {
    std::vector<std::string> args;
    std::string output; // the file the mode would write
    bool earlier;       // whether a good earlier output exists
  } cases[] = {
      {{"-convert", "d.cgns"}, "d.meshb", true},
      {{"-checksurf", "-in", "d.meshb", "-out", "out"}, "out.meshb", true},
      {{"-merge", "d.meshb"}, "d.merge.meshb", false},
      {{"-addedges", "d.meshb", "-out", "out.meshb"}, "out.meshb", true},
      {{"-solana", "-in", "d.meshb", "-test"}, "test.sol", false},
  };
  for (const auto &c : cases) {
    const pavo_test::ProcessResult r = run(dir, c.args);
    EXPECT_EQ(r.exitCode, 1) << c.args[0] << r.out;
    EXPECT_NE(r.out.find("  Nothing written: the mesh could not be loaded\n"), std::string::npos)
        << c.args[0] << r.out;
    if (c.earlier)
      EXPECT_EQ(pavo_test::readFile(dir + "/" + c.output), c.output == "d.meshb" ? damaged : good)
          << c.args[0];
    else
      EXPECT_FALSE(exists(dir + "/" + c.output)) << c.args[0];
  }
}

// A write that cannot be made (a folder stands at the output name): exit status 1 and the reason
// printed; a good run exits with 0.
TEST(BatchFailures, FailedWriteExitsNonZero) {
  const std::string dir = pavo_test::scratchDir("batch_failed_write");
  const std::string good = goodMesh(dir);
  writeBytes(dir + "/m.cgns.meshb", good);
  ASSERT_EQ(mkdir((dir + "/m.meshb").c_str(), 0700), 0);
  pavo_test::ProcessResult r = run(dir, {"-convert", "m.cgns"});
  EXPECT_EQ(r.exitCode, 1) << r.out;
  EXPECT_NE(r.out.find(" pav_WriteMesh failed error   2 : Cannot open mesh file m.meshb\n  "
                       "Reason: not a regular file\n"),
            std::string::npos)
      << r.out;
  ASSERT_EQ(rmdir((dir + "/m.meshb").c_str()), 0);
  r = run(dir, {"-convert", "m.cgns"});
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(pavo_test::readFile(dir + "/m.meshb"), good);
}

} // namespace
