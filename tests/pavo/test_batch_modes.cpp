// The batch modes: generated mesh files in a scratch folder, the mode drivers called in process
// (one pavo4 process run end to end), then the printed lines and the files written, read back.
#include "mesh_builders.h"
#include "modes/mode_drivers.h"
#include "pav_io.h"
#include "pav_solution.h"
#include "pav_topology.h"
#include "pavo_process.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace {

using pavo_test::buildCube;
using pavo_test::CubeSplit;

std::string scratch() {
  const auto *t = ::testing::UnitTest::GetInstance()->current_test_info();
  return pavo_test::scratchDir(std::string("batch_") + t->test_suite_name() + "_" + t->name());
}

// Calls a mode driver with "pavo4" and args as its command line; its status and printed text.
std::pair<int, std::string> call(int (*driver)(int, char **), std::vector<std::string> args) {
  args.insert(args.begin(), "pavo4");
  std::vector<char *> argv;
  for (std::string &a : args) argv.push_back(a.data());
  testing::internal::CaptureStdout();
  const int status = driver((int)argv.size(), argv.data());
  return {status, testing::internal::GetCapturedStdout()};
}

void write(const PavObject *obj, const std::string &name) {
  char status[1024];
  ASSERT_EQ(pav_WriteMesh(obj, name.c_str(), status), 0) << status;
}

int countIn(const std::string &name, int t) {
  pavo_test::Reader r;
  EXPECT_EQ(r.open(name), 0) << r.status;
  return r.obj->ent[t].nbr;
}

void writeSurface(const std::string &name, const std::vector<double> &xyz,
                  const std::vector<int> &triangles, int ref) {
  PavObject *obj = pavo_test::buildMesh(3, xyz, Triangles, triangles);
  for (int e = 1; e <= obj->ent[Triangles].nbr; e++) obj->ent[Triangles].ref[e] = ref;
  write(obj, name);
  pav_DeleteInterface(&obj);
}

TEST(BatchModes, CheckSurfMergeAddEdgesAndSolanaWriteTheirFiles) {
  const std::string dir = scratch();
  // A tetrahedral cube without its boundary (completing a partial one is the core's test).
  PavObject *obj = buildCube(CubeSplit::Tetrahedra, 2, 1);
  char status[PAV_IO_STATUS_SIZE];
  write(obj, dir + "/cube.meshb");
  pav_DeleteInterface(&obj);
  EXPECT_EQ(call(pavo::runCheckSurf, {"-checksurf", "-in", dir + "/cube.meshb"}).first, 0);
  EXPECT_EQ(countIn(dir + "/cube.surfOK.meshb", Triangles), 48);

  writeSurface(dir + "/x.meshb", {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0},
               {1, 2, 3, 4, 5, 6}, 0);
  EXPECT_EQ(call(pavo::runMerge, {"-merge", dir + "/x.meshb"}).first, 0);
  EXPECT_EQ(countIn(dir + "/x.merge.meshb", Vertices), 4);
  call(pavo::runAddEdges, {"-addedges", dir + "/x.merge.meshb", "-ascii"});
  EXPECT_EQ(countIn(dir + "/x.merge.e.mesh", Edges), 4);

  obj = buildCube(CubeSplit::Hexahedra, 2, 1);
  write(obj, dir + "/h.meshb");
  const std::string test = std::filesystem::current_path() / "test.sol";
  EXPECT_EQ(call(pavo::runSolana, {"-solana", "-in", dir + "/h.meshb", "-test"}).first, 0);
  ASSERT_EQ(pav_OpenSolution(obj, test.c_str(), status), 0) << status;
  std::filesystem::remove(test);
  int centre = 0; // (0.5, 0.5, 0): cos(pi) * exp(0)
  for (int v = 1; v <= obj->ent[Vertices].nbr; v++)
    if (std::vector<double>(obj->crdDbl + 3 * v, obj->crdDbl + 3 * v + 3) ==
        std::vector<double>{0.5, 0.5, 0})
      centre = v;
  ASSERT_GT(centre, 0);
  EXPECT_NEAR(obj->ent[Vertices].sol->data[centre], -1.0, 1e-12);
  pav_DeleteInterface(&obj);
}

// End to end as a process: a tube along y (radius 10, y from 0 to 600) as the wing surface,
// every wing section a closed ring of 32 crossings.
TEST(BatchModes, ExtrProcessWritesTheSections) {
  const std::string dir = scratch();
  const int around = 16, along = 60;
  std::vector<double> xyz;
  for (int j = 0; j <= along; j++)
    for (int a = 0; a < around; a++)
      for (double c :
           {10 * std::cos(2 * M_PI * a / around), 10.0 * j, 10 * std::sin(2 * M_PI * a / around)})
        xyz.push_back(c);
  auto id = [&](int a, int j) { return j * around + (a % around) + 1; };
  std::vector<int> triangles;
  for (int j = 0; j < along; j++)
    for (int a = 0; a < around; a++)
      for (int v :
           {id(a, j), id(a + 1, j), id(a + 1, j + 1), id(a, j), id(a + 1, j + 1), id(a, j + 1)})
        triangles.push_back(v);
  writeSurface(dir + "/wing.meshb", xyz, triangles, 2);
  const auto r =
      pavo_test::runPavo(dir, {"-extr", "-in", "wing.meshb", "-out", "res.dat"}, {}, true);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  const std::string dat = pavo_test::readFile(dir + "/A-002_cpcf.dat");
  const std::string zone = "ZONE T=\"E-mesh wing-A case1b A-002 a7.05 freeair FT\"\n";
  const size_t at = dat.find(zone);
  ASSERT_NE(at, std::string::npos);
  // 32 ring points and the first one again, each on a line, at y = 62.5 and radius about 10.
  int lines = 0;
  for (size_t p = at + zone.size(); p < dat.find("  \n", at); p = dat.find('\n', p) + 1) {
    double x, y, z;
    ASSERT_EQ(std::sscanf(dat.c_str() + p, " %lf %lf %lf", &x, &y, &z), 3);
    EXPECT_NEAR(std::hypot(x, y - 62.5, z), 10.0, 0.3);
    lines++;
  }
  EXPECT_EQ(lines, 33);
}

// A damaged input next to an earlier output: status 1, the skipped write said, the earlier
// output unchanged. A good input whose output cannot be written: status 1 as well.
TEST(BatchModes, FailedLoadOrWriteExitsNonZeroAndKeepsEarlierFiles) {
  const std::string dir = scratch();
  writeSurface(dir + "/good.meshb", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {1, 2, 3}, 0);
  const std::string good = pavo_test::readFile(dir + "/good.meshb");
  std::ofstream(dir + "/d.meshb", std::ios::binary) << good.substr(0, good.size() / 2);
  std::ofstream(dir + "/out.meshb", std::ios::binary) << good;
  const auto r =
      call(pavo::runCheckSurf, {"-checksurf", "-in", dir + "/d.meshb", "-out", dir + "/out"});
  EXPECT_EQ(r.first, 1);
  EXPECT_NE(r.second.find("  Nothing written: the mesh could not be loaded\n"), std::string::npos)
      << r.second;
  EXPECT_EQ(pavo_test::readFile(dir + "/out.meshb"), good);
  // The output's folder is a regular file, so nothing can be created under it.
  std::ofstream(dir + "/blocker") << "x";
  const auto w = call(pavo::runCheckSurf,
                      {"-checksurf", "-in", dir + "/good.meshb", "-out", dir + "/blocker/out"});
  EXPECT_EQ(w.first, 1) << w.second;
}

} // namespace
