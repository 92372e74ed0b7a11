// pavo4 -convert on a Gmsh file with node, element and element-node fields (scalar and vector,
// two time steps each), written by python3-gmsh: the keyword files (one a step and degree) hold the
// values Gmsh itself reads back from the same file, and a damaged copy writes nothing; on a CGNS
// file: the mesh and its named solutions come out as keyword files.
#include "pav_io.h"
#include "pav_solution.h"
#include "pavo_process.h"
#include "test_paths.h"

#include <algorithm>
#include <cgnslib.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

// A P2 ball with six views, then what Gmsh reads back from the file, one line a value record:
// vertex or tetrahedron number (their order in the file), the element's vertices in Gmsh's node
// order (element-node data only), the values.
const char *kScript = R"(import gmsh, math, sys
d = sys.argv[1]; gmsh.initialize(["", "-nt", "1"]); gmsh.option.setNumber("General.Terminal", 0)
gmsh.model.occ.addSphere(0, 0, 0, 1); gmsh.model.occ.synchronize()
gmsh.model.addPhysicalGroup(3, [1], 9); gmsh.option.setNumber("Mesh.MeshSizeMax", 0.8)
gmsh.model.mesh.generate(3); gmsh.model.mesh.setOrder(2)
nodes, tets = gmsh.model.mesh.getNodes()[0], gmsh.model.mesh.getElementsByType(11)[0]
for i, (kind, tags, per) in enumerate((("NodeData", nodes, 1), ("ElementData", tets, 1),
                                      ("ElementNodeData", tets, 10)) * 2):
    comps = 1 if i < 3 else 3; v = gmsh.view.add("%s%d" % (kind, comps))
    for step in (0, 1):
        gmsh.view.addHomogeneousModelData(v, step, "", kind, tags,
            [math.sin(0.1 * k + step) for k in range(len(tags) * per * comps)], 0.5 + step, comps)
    gmsh.option.setNumber("PostProcessing.SaveMesh", i == 0); gmsh.view.write(v, d + "/ball.msh", i > 0)
gmsh.clear(); gmsh.open(d + "/ball.msh"); out = open(d + "/gmsh.txt", "w")
node = {t: k + 1 for k, t in enumerate(gmsh.model.mesh.getNodes()[0])}
tet = {t: k + 1 for k, t in enumerate(gmsh.model.mesh.getElementsByType(11)[0])}
for v in gmsh.view.getTags():
    i = gmsh.view.getIndex(v)
    for step in range(int(gmsh.option.getNumber("View[%d].NbTimeStep" % i))):
        kind, tags, data, time, comps = gmsh.view.getModelData(v, step)
        out.write("%s %d %r %d %d\n" % (gmsh.option.getString("View[%d].Name" % i), step, time,
                                        comps, len(tags)))
        for t, vals in zip(tags, data):
            at = [node[n] for n in gmsh.model.mesh.getElement(t)[1]] if kind[7] == "N" else []
            out.write(" ".join(map(repr, [(tet if kind[0] == "E" else node)[t], len(at)] + at
                                   + list(vals))) + "\n")
out.close(); gmsh.finalize()
)";

TEST(ConvertGmsh, FieldsComeOutAsGmshReadsThemAndADamagedFileWritesNothing) {
  const std::string dir = pavo_test::scratchDir("convert_gmsh");
  pavo_test::writeFile(dir + "/make.py", kScript);
  ASSERT_EQ(std::system(("/usr/bin/python3 " + dir + "/make.py " + dir).c_str()), 0);
  auto r = pavo_test::runPavo(dir, {"-convert", "ball.msh"}, {}, true);
  ASSERT_EQ(r.exitCode, 0) << r.out;
  PavObject *obj = nullptr;
  char status[PAV_IO_STATUS_SIZE];
  pav_NewInterface(&obj);
  ASSERT_EQ(pav_OpenMesh(obj, (dir + "/ball.meshb").c_str(), status), PAV_SUCCESS) << status;
  // One file a time step and degree (the element field and the field at the nodes of the curved
  // tetrahedra would share a keyword).
  for (int k = 1; k <= 4; k++) {
    const std::string sol = dir + "/ball." + std::to_string(k) + ".solb";
    ASSERT_EQ(pav_OpenSolution(obj, sol.c_str(), status), PAV_SUCCESS) << status;
  }
  std::map<std::pair<std::string, int>, const PavSolution *> sols;
  for (int t = SolAtVertices; t <= SolAtHexahedraQ4; t++)
    for (const PavSolution *s = pav_SolutionList(obj, t); s; s = s->next)
      sols[{s->name, s->iteration}] = s;
  EXPECT_EQ(sols.size(), 12u);
  const int32_t *tets = obj->ent[TetrahedraP2].idx;
  std::ifstream in(dir + "/gmsh.txt");
  std::string name;
  int step = 0, comps = 0, count = 0, records = 0;
  double time = 0;
  while (in >> name >> step >> time >> comps >> count) {
    SCOPED_TRACE(name + " step " + std::to_string(step));
    records++;
    const PavSolution *s = sols[{name, step}];
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->time, time);
    ASSERT_EQ(pav_SolKindSize(3, s->kind), comps);
    for (int i = 0; i < count; i++) {
      int at = 0, nn = 0;
      in >> at >> nn;
      std::vector<int> nodes(nn);
      for (int &v : nodes) in >> v;
      for (int g = 0; g < std::max(nn, 1); g++) {
        // The value node of Gmsh's node g: where the tetrahedron holds that vertex.
        const int j =
            nn ? int(std::find(tets + 10 * at, tets + 10 * at + 10, nodes[g]) - (tets + 10 * at))
               : 0;
        ASSERT_LT(j, s->nbrNod) << "element " << at;
        for (int c = 0; c < comps; c++) {
          double v = 0;
          in >> v;
          ASSERT_DOUBLE_EQ(s->data[(int64_t(at) * s->nbrNod + j) * comps + c], v) << at;
        }
      }
    }
  }
  EXPECT_EQ(records, 12);
  pav_DeleteInterface(&obj);

  // Cut in its elements: the load fails, naming them, and the outputs are left as they were.
  const std::string bytes = pavo_test::readFile(dir + "/ball.msh");
  pavo_test::writeFile(dir + "/cut.msh", bytes.substr(0, bytes.find("$EndElements") - 100));
  pavo_test::writeFile(dir + "/cut.meshb", "kept");
  r = pavo_test::runPavo(dir, {"-convert", "cut.msh"}, {}, true);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(pavo_test::has(r.out, "in $Elements at byte ")) << r.out;
  EXPECT_EQ(pavo_test::readFile(dir + "/cut.meshb"), "kept");
  EXPECT_FALSE(std::filesystem::exists(dir + "/cut.solb"));
}

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
