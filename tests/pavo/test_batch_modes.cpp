// The batch modes end to end: generated mesh files in a scratch folder, pavo4 run as a process
// without a display, then the printed lines and the files it wrote, read back with the loader.
#include "mesh_builders.h"
#include "pav_io.h"
#include "pav_solution.h"
#include "pav_topology.h"
#include "run_process.h"
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

pavo_test::ProcessResult run(const std::string &dir, const std::vector<std::string> &args) {
  pavo_test::ProcessOptions o;
  o.unset = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  o.workDir = dir;
  o.timeoutSeconds = 60;
  pavo_test::ProcessResult r = pavo_test::runProcess(PAVO4_EXE, args, o);
  EXPECT_TRUE(r.started);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.signal, 0) << r.err;
  return r;
}

void write(const PavObject *obj, const std::string &name) {
  char status[1024];
  ASSERT_EQ(pav_WriteMesh(obj, name.c_str(), status), 0) << status;
}

PavObject *read(const std::string &name) {
  PavObject *obj = nullptr;
  pav_NewInterface(&obj);
  char status[1024];
  EXPECT_EQ(pav_OpenMesh(obj, name.c_str(), status), 0) << status;
  return obj;
}

// Writes a surface mesh: vertices as (x, y, z) triples, triangles as vertex numbers from 1.
void writeSurface(const std::string &name, const std::vector<double> &xyz,
                  const std::vector<int> &triangles, int ref) {
  PavObject *obj = pavo_test::buildMesh(3, xyz, Triangles, triangles);
  for (int e = 1; e <= obj->ent[Triangles].nbr; e++) obj->ent[Triangles].ref[e] = ref;
  write(obj, name);
  pav_DeleteInterface(&obj);
}

// Every text appears in the output.
void expectLines(const std::string &out, std::initializer_list<std::string> texts) {
  for (const std::string &text : texts)
    EXPECT_NE(out.find(text), std::string::npos) << text << "\n" << out;
}

// A tetrahedral cube with a third of its boundary present: the rest is added.
TEST(BatchCheckSurf, CompletesTheBoundaryUnderDerivedNames) {
  const std::string dir = scratch();
  PavObject *obj = buildCube(CubeSplit::Tetrahedra, 2, 1);
  int nt, nq, pt, pq, *tn, *tl, *qn, *ql;
  char status[PAV_STATUS_SIZE];
  testing::internal::CaptureStdout();
  pav_BuildBoundarySurface(obj, Tetrahedra, &nt, &tn, &tl, nullptr, &pt, &nq, &qn, &ql, nullptr,
                           &pq, status);
  testing::internal::GetCapturedStdout();
  pav_AllocEntityArrays(obj, Triangles, 16, status);
  std::copy(tn, tn + 48, obj->ent[Triangles].idx + 3);
  free(tn);
  free(tl);
  write(obj, dir + "/cube.meshb");
  pav_DeleteInterface(&obj);

  auto r = run(dir, {"-checksurf", "-in", "cube.meshb"});
  EXPECT_EQ(r.exitCode, 0);
  expectLines(r.out, {"32 missing triangles faces are added \n \n",
                      "  %% Mesh written in cube.surfOK.meshb\n"});
  PavObject *back = read(dir + "/cube.surfOK.meshb");
  EXPECT_EQ(back->ent[Triangles].nbr, 48);
  pav_DeleteInterface(&back);
}

TEST(BatchMerge, MergesAndAddsEdges) {
  const std::string dir = scratch();
  // Two triangles of a square, each with its own copies of the diagonal's vertices.
  writeSurface(dir + "/x.meshb", {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0},
               {1, 2, 3, 4, 5, 6}, 0);

  auto r = run(dir, {"-merge", "x.meshb"});
  EXPECT_EQ(r.exitCode, 0);
  expectLines(r.out, {"  Merge vertices: 2 vertices need to be removed \n \n"});
  PavObject *merged = read(dir + "/x.merge.meshb");
  EXPECT_EQ(merged->ent[Vertices].nbr, 4);
  pav_DeleteInterface(&merged);

  r = run(dir, {"-addedges", "x.merge.meshb", "-ascii"});
  expectLines(r.out, {" 4 new edges will be added [1 refs]\n \n"});
  PavObject *edged = read(dir + "/x.merge.e.mesh");
  EXPECT_EQ(edged->ent[Edges].nbr, 4);
  pav_DeleteInterface(&edged);
}

TEST(BatchSolana, WritesTheTestField) {
  const std::string dir = scratch();
  PavObject *obj = buildCube(CubeSplit::Hexahedra, 2, 1);
  write(obj, dir + "/h.meshb");
  pav_DeleteInterface(&obj);
  auto r = run(dir, {"-solana", "-in", "h.meshb", "-test"});
  EXPECT_EQ(r.exitCode, 0);
  expectLines(r.out, {"nbrVer = 27 \n"});
  obj = read(dir + "/h.meshb");
  char status[1024];
  ASSERT_EQ(pav_OpenSolution(obj, (dir + "/test.sol").c_str(), status), 0) << status;
  int centre = 0;
  for (int v = 1; v <= obj->ent[Vertices].nbr; v++) {
    const double *x = obj->crdDbl + 3 * v;
    if (x[0] == 0.5 && x[1] == 0.5 && x[2] == 0) centre = v;
  }
  ASSERT_TRUE(centre > 0 && obj->ent[Vertices].sol);
  EXPECT_NEAR(obj->ent[Vertices].sol->data[centre], -1.0, 1e-12); // cos(pi) * exp(0)
  pav_DeleteInterface(&obj);
}

// A tube along y (radius 10, y from 0 to 600) as the wing surface: every wing section is a
// closed ring of 32 crossings; the slat and flap sections cut nothing.
TEST(BatchExtr, WritesTheSections) {
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
  auto r = run(dir, {"-extr", "-in", "wing.meshb", "-out", "res.dat"});
  EXPECT_EQ(r.exitCode, 0);
  expectLines(r.out, {" For Plane 2, number of surface entites cut = 32 \n",
                      " For Plane 1, number of surface entites cut = 0 \n"});
  const std::string dat = pavo_test::readFile(dir + "/A-002_cpcf.dat");
  const std::string zone = "ZONE T=\"E-mesh wing-A case1b A-002 a7.05 freeair FT\"\n";
  const size_t at = dat.find(zone);
  ASSERT_NE(at, std::string::npos);
  // 32 ring points and the first one again, each on a line, at y = 62.5 and radius about 10.
  const size_t end = dat.find("  \n", at);
  int lines = 0;
  for (size_t p = at + zone.size(); p < end; p = dat.find('\n', p) + 1) {
    double x, y, z;
    ASSERT_EQ(std::sscanf(dat.c_str() + p, " %lf %lf %lf", &x, &y, &z), 3);
    EXPECT_NEAR(y, 62.5, 1e-6);
    EXPECT_NEAR(std::hypot(x, z), 10.0, 0.3);
    lines++;
  }
  EXPECT_EQ(lines, 33);
}

// A damaged input next to an earlier output: status 1, the skipped write said, the earlier
// output unchanged (or none created); an output name taken by a folder: status 1 and the reason.
TEST(BatchFailures, FailedLoadOrWriteExitsNonZeroAndKeepsEarlierFiles) {
  const std::string dir = scratch();
  writeSurface(dir + "/good.meshb", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {1, 2, 3}, 0);
  const std::string good = pavo_test::readFile(dir + "/good.meshb");
  const std::string damaged = good.substr(0, good.size() / 2);
  std::ofstream(dir + "/d.cgns.meshb", std::ios::binary) << damaged;
  std::ofstream(dir + "/d.meshb", std::ios::binary) << damaged;
  std::ofstream(dir + "/out.meshb", std::ios::binary) << good;
  const struct {
    std::vector<std::string> args;
    std::string output, earlier; // the file the mode would write, its earlier text
  } cases[] = {{{"-convert", "d.cgns"}, "d.meshb", damaged},
               {{"-checksurf", "-in", "d.meshb", "-out", "out"}, "out.meshb", good}};
  for (const auto &c : cases) {
    const auto r = run(dir, c.args);
    EXPECT_EQ(r.exitCode, 1) << c.args[0] << r.out;
    expectLines(r.out, {"  Nothing written: the mesh could not be loaded\n"});
    EXPECT_EQ(pavo_test::readFile(dir + "/" + c.output), c.earlier) << c.args[0];
  }
  std::ofstream(dir + "/m.cgns.meshb", std::ios::binary) << good;
  std::filesystem::create_directory(dir + "/m.meshb");
  const auto r = run(dir, {"-convert", "m.cgns"});
  EXPECT_EQ(r.exitCode, 1) << r.out;
  expectLines(r.out, {" pav_WriteMesh failed error   2 : Cannot open mesh file m.meshb\n  "
                      "Reason: not a regular file\n"});
}

} // namespace
