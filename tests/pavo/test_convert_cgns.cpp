// pavo4 -convert on a CGNS file: the mesh and its named solutions come out as keyword files.
#include "pav_io.h"
#include "pav_solution.h"
#include "pavo_process.h"
#include "test_paths.h"

#include <cgnslib.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A prism with a boundary triangle and a vertex density.
void writePrism(const std::string &name) {
  int fn = 0, B = 0, Z = 0, C = 0, S = 0, BC = 0, F = 0;
  ASSERT_EQ(cg_open(name.c_str(), CG_MODE_WRITE, &fn), 0);
  cg_base_write(fn, "Base", 3, 3, &B);
  cgsize_t size[3] = {6, 1, 0};
  cg_zone_write(fn, B, "wing", size, Unstructured, &Z);
  const double x[] = {0, 1, 0, 0, 1, 0}, y[] = {0, 0, 1, 0, 0, 1}, z[] = {0, 0, 0, 1, 1, 1};
  cg_coord_write(fn, B, Z, RealDouble, "CoordinateX", x, &C);
  cg_coord_write(fn, B, Z, RealDouble, "CoordinateY", y, &C);
  cg_coord_write(fn, B, Z, RealDouble, "CoordinateZ", z, &C);
  const cgsize_t prism[] = {1, 2, 3, 4, 5, 6}, tri[] = {1, 3, 2}, range[] = {2, 2};
  cg_section_write(fn, B, Z, "cells", PENTA_6, 1, 1, 0, prism, &S);
  cg_section_write(fn, B, Z, "bottom", TRI_3, 2, 2, 0, tri, &S);
  cg_boco_write(fn, B, Z, "wall", BCWall, ElementRange, 2, range, &BC);
  const double rho[] = {1, 2, 3, 4, 5, 6};
  cg_sol_write(fn, B, Z, "Flow", Vertex, &S);
  cg_field_write(fn, B, Z, S, RealDouble, "Density", rho, &F);
  cg_close(fn);
}

pavo_test::ProcessResult convert(const std::string &dir, const std::vector<std::string> &args) {
  pavo_test::ProcessResult r = pavo_test::runPavo(dir, args, {}, true);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return r;
}

TEST(ConvertCgns, WritesMeshAndNamedSolutionsThenCompletesTheSurface) {
  const std::string dir = pavo_test::scratchDir("convert_cgns");
  writePrism(dir + "/wing.cgns");
  auto r = convert(dir, {"-convert", "wing.cgns"});
  EXPECT_NE(r.out.find("  %% Mesh written in wing.meshb\n"), std::string::npos) << r.out;
  PavObject *obj = nullptr;
  char status[PAV_IO_STATUS_SIZE];
  pav_NewInterface(&obj);
  ASSERT_EQ(pav_OpenMesh(obj, (dir + "/wing.meshb").c_str(), status), PAV_SUCCESS) << status;
  EXPECT_TRUE(obj->ent[Vertices].nbr == 6 && obj->ent[Prisms].nbr == 1);
  ASSERT_EQ(obj->ent[Triangles].nbr, 1);
  ASSERT_EQ(pav_OpenSolution(obj, (dir + "/wing.solb").c_str(), status), PAV_SUCCESS) << status;
  const PavSolution *rho = pav_SolutionList(obj, SolAtVertices);
  ASSERT_NE(rho, nullptr);
  EXPECT_STREQ(rho->name, "Density");
  EXPECT_EQ(rho->data[6], 6.0);
  // -checksurf closes the boundary of the prism: two triangles and three quadrilaterals.
  convert(dir, {"-convert", "wing.cgns", "-checksurf", "-ascii"});
  ASSERT_EQ(pav_OpenMesh(obj, (dir + "/wing.mesh").c_str(), status), PAV_SUCCESS) << status;
  EXPECT_EQ(obj->ent[Triangles].nbr + obj->ent[Quadrilaterals].nbr, 5);
  pav_DeleteInterface(&obj);
}

} // namespace
