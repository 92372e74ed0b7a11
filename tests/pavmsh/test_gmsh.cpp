// Files written by Gmsh itself (python3-gmsh, run here) in MSH 4.1 and 2.2, ASCII and binary, read
// through pav_OpenMesh and pav_OpenSolution: every version gives the same object, straight
// elements have their nodes where the corners' map sends the canonical lattice (an order read
// wrong moves a node off it), references come from the physical groups, and a node field keeps
// the value Gmsh wrote at each vertex.
#include "ho_lattice.h"
#include "mesh_builders.h"
#include "pav_io.h"
#include "pav_solution.h"
#include "test_paths.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const char *kPython = "/usr/bin/python3"; // the system Python, which has the gmsh module

// Writes DIR/<case>_<version>.msh for every case and version, with the node field f = x + 2y + 3z
// stored with each mesh's nodes, and Gmsh's own keyword file DIR/<case>.mesh (curved elements
// under the first-order keywords, in Gmsh's node order).
const char *kScript = R"(import gmsh, sys
d = sys.argv[1]
gmsh.initialize(["", "-nt", "1"])
gmsh.option.setNumber("General.Terminal", 0)
def disk():
    gmsh.model.occ.addDisk(0, 0, 0, 1, 1); gmsh.model.occ.synchronize()
    gmsh.model.addPhysicalGroup(2, [1], 7); gmsh.model.addPhysicalGroup(1, [1], 3)
    gmsh.option.setNumber("Mesh.MeshSizeMax", 0.3); return 2
def quads():
    gmsh.option.setNumber("Mesh.RecombineAll", 1); return disk()
def ball():
    gmsh.model.occ.addSphere(0, 0, 0, 1); gmsh.model.occ.synchronize()
    gmsh.model.addPhysicalGroup(3, [1], 9); gmsh.model.addPhysicalGroup(2, [1], 5)
    gmsh.option.setNumber("Mesh.MeshSizeMax", 0.5); return 3
def box():
    gmsh.model.occ.addBox(-0.5, -0.5, -0.5, 1, 1, 1); gmsh.model.occ.synchronize()
    gmsh.model.mesh.setTransfiniteAutomatic(); gmsh.option.setNumber("Mesh.RecombineAll", 1)
    gmsh.model.addPhysicalGroup(3, [1], 4); return 3
for name, make, order in (("p2disk", disk, 2), ("p3disk", disk, 3), ("q2disk", quads, 2),
                          ("p2ball", ball, 2), ("q2box", box, 2)):
    gmsh.clear(); gmsh.option.setNumber("Mesh.RecombineAll", 0)
    dim = make(); gmsh.model.mesh.generate(dim); gmsh.model.mesh.setOrder(order)
    tags, xyz, _ = gmsh.model.mesh.getNodes()
    view = gmsh.view.add("f")
    gmsh.view.addHomogeneousModelData(view, 0, "", "NodeData", tags,
        [xyz[3*i] + 2*xyz[3*i+1] + 3*xyz[3*i+2] for i in range(len(tags))])
    for v, b, s in ((4.1, 0, "41"), (4.1, 1, "41b"), (2.2, 0, "22"), (2.2, 1, "22b")):
        gmsh.option.setNumber("Mesh.MshFileVersion", v); gmsh.option.setNumber("Mesh.Binary", b)
        gmsh.option.setNumber("PostProcessing.SaveMesh", 1)
        gmsh.view.write(view, "%s/%s_%s.msh" % (d, name, s))
    gmsh.option.setNumber("Mesh.Binary", 0); gmsh.write("%s/%s.mesh" % (d, name))
gmsh.finalize()
)";

struct Case {
  const char *name;
  int type, ref;     // the curved type of the mesh's own dimension and its physical group
  bool curvedBorder; // elements touching the unit circle or sphere are curved
};
const Case kCases[] = {{"p2disk", TrianglesP2, 7, true},
                       {"p3disk", TrianglesP3, 7, true},
                       {"q2disk", QuadrilateralsQ2, 7, true},
                       {"p2ball", TetrahedraP2, 9, true},
                       {"q2box", HexahedraQ2, 4, false}};
const char *kVersions[] = {"41", "41b", "22", "22b"};

const std::string &gmshFiles() {
  static const std::string dir = [] {
    const std::string d = pavo_test::scratchDir("gmsh_files");
    std::ofstream(d + "/make.py") << kScript;
    const std::string cmd = std::string(kPython) + " " + d + "/make.py " + d;
    return std::system(cmd.c_str()) == 0 ? d : std::string();
  }();
  return dir;
}

using Object = pavo_test::Reader;

class GmshFile : public ::testing::TestWithParam<Case> {};

} // namespace

TEST_P(GmshFile, EveryVersionReadsTheSameStraightOrderedMeshAndItsField) {
  ASSERT_FALSE(gmshFiles().empty()) << "python3-gmsh could not write the files";
  const Case c = GetParam();
  HoKind kind;
  int d = 0;
  ASSERT_TRUE(hoKindOfType(c.type, &kind, &d));
  const int k = (int)hoNodeCount(kind, d), corners = (int)hoNodeCount(kind, 1);
  const double *ref = hoNodeRefCoords(kind, d);
  std::vector<double> first; // node coordinates of every element, from the first version
  for (const char *version : kVersions) {
    SCOPED_TRACE(version);
    Object o;
    const std::string file = gmshFiles() + "/" + c.name + "_" + version + ".msh";
    ASSERT_EQ(o.open(file), 0) << o.status;
    const PavEntitySet &set = o.obj->ent[c.type];
    ASSERT_GT(set.nbr, 10);
    std::vector<double> nodes;
    int straight = 0;
    for (int e = 1; e <= set.nbr; e++) {
      EXPECT_EQ(set.ref[e], c.ref);
      const int32_t *idx = set.idx + (int64_t)e * k;
      bool border = false;
      for (int j = 0; j < k; j++) {
        const double *p = o.vertex(idx[j]);
        nodes.insert(nodes.end(), p, p + 3);
        border |= std::hypot(p[0], p[1], p[2]) > 0.999;
      }
      if (c.curvedBorder && border) continue;
      straight++;
      // Node j of a straight element sits at the corners' first-order map of its reference point.
      for (int j = corners; j < k; j++) {
        std::vector<double> phi(corners);
        hoBernsteinBasis(kind, 1, ref + (int64_t)j * hoRefWidth(kind), phi.data());
        double at[3] = {0, 0, 0};
        for (int m = 0; m < corners; m++)
          for (int x = 0; x < 3; x++) at[x] += phi[m] * o.vertex(idx[m])[x];
        const double *p = o.vertex(idx[j]);
        ASSERT_NEAR(std::hypot(p[0] - at[0], p[1] - at[1], p[2] - at[2]), 0, 1e-9)
            << "element " << e << " node " << j;
      }
    }
    EXPECT_GT(straight, 0);
    // Gmsh's ASCII files round coordinates to 16 digits; the binary ones keep every bit.
    if (first.empty()) first = nodes;
    ASSERT_EQ(nodes.size(), first.size());
    double apart = 0;
    for (size_t i = 0; i < nodes.size(); i++)
      apart = std::max(apart, std::abs(nodes[i] - first[i]));
    EXPECT_LT(apart, 1e-14);
    // The field Gmsh stored at the nodes: f = x + 2y + 3z at every vertex.
    ASSERT_EQ(o.openSolution(file), 0) << o.status;
    const PavSolution *s = o.obj->ent[Vertices].sol;
    ASSERT_TRUE(s);
    ASSERT_EQ(s->nbrEnt, o.obj->ent[Vertices].nbr);
    for (int v = 1; v <= s->nbrEnt; v++) {
      const double *p = o.vertex(v);
      ASSERT_NEAR(s->data[v], p[0] + 2 * p[1] + 3 * p[2], 1e-9) << "vertex " << v;
    }
  }
}

// Gmsh's keyword file: read as the curved type, with the nodes of the MSH file in canonical order.
TEST_P(GmshFile, GmshKeywordFileReadsAsTheCurvedTypeWithItsNodes) {
  ASSERT_FALSE(gmshFiles().empty()) << "python3-gmsh could not write the files";
  const Case c = GetParam();
  Object msh, mesh;
  const std::string base = gmshFiles() + "/" + c.name;
  ASSERT_EQ(msh.open(base + "_41b.msh"), 0) << msh.status;
  ASSERT_EQ(mesh.open(base + ".mesh"), 0) << mesh.status;
  const PavEntitySet &a = msh.obj->ent[c.type], &b = mesh.obj->ent[c.type];
  ASSERT_EQ(a.nbr, b.nbr);
  const int k = pav_MshTyp2Siz(c.type, msh.status);
  double apart = 0;
  for (int64_t i = k; i < int64_t(a.nbr + 1) * k; i++)
    for (int x = 0; x < 3; x++)
      apart = std::max(apart, std::abs(msh.vertex(a.idx[i])[x] - mesh.vertex(b.idx[i])[x]));
  EXPECT_LT(apart, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(KindsAndVersions, GmshFile, ::testing::ValuesIn(kCases),
                         [](const auto &info) { return std::string(info.param.name); });

namespace {

// One damage done to a file Gmsh wrote: token `at` after `anchor` replaced by `value` (width 0),
// or `value` written as a 4- or 8-byte integer `at` bytes after it, or the file cut there (-1), or
// the anchor removed (-2). The message must name `section`, a byte inside the file, and `reason`.
struct Damage {
  const char *version, *anchor;
  int at, width;
  long long value;
  const char *section, *reason;
};

std::string damaged(std::string s, const Damage &d) {
  size_t p = s.find(d.anchor) + std::strlen(d.anchor);
  if (d.width == -1) return s.substr(0, p + d.at);
  if (d.width == -2) return s.erase(p - std::strlen(d.anchor), std::strlen(d.anchor));
  if (d.width) return s.replace(p + d.at, d.width, (const char *)&d.value, d.width);
  for (int k = 0; k <= d.at; k++) p = s.find_first_of(" \n", s.find_first_not_of(" \n", p));
  const size_t from = s.find_last_of(" \n", p - 1) + 1;
  return s.replace(from, p - from, std::to_string(d.value));
}

} // namespace

TEST(GmshDamagedFile, NamesTheSectionAndTheByteAndLeavesTheObjectEmpty) {
  ASSERT_FALSE(gmshFiles().empty()) << "python3-gmsh could not write the files";
  const char *N = "$Nodes\n", *E = "$Elements\n", *F = "$MeshFormat\n", *more = "more than the";
  const Damage table[] = {
      {"41", N, 200, -1, 0, "$Nodes", more},
      {"41", E, 300, -1, 0, "$Elements", more},
      {"41", E, 9, 0, 999999, "$Elements", "node tag 999999 of no node"},
      {"41", N, 16, 0, 1, "$Nodes", "repeated node tag 1"},
      {"41", N, 8, 0, 999999, "$Nodes", "node tag 999999 out of range"},
      {"41", E, 1, 0, 100000000, "$Elements", more},
      {"41", E, 6, 0, 255, "$Elements", "unknown element type 255"},
      {"41", "$EndNodes\n", 0, -2, 0, "$Nodes", "missing $EndNodes"},
      {"41b", N, 200, -1, 0, "$Nodes", more},
      {"41b", E, 300, -1, 0, "$Elements", more},
      {"41b", E, 60, 8, 999999, "$Elements", "node tag 999999 of no node"},
      {"41b", N, 104, 8, 1, "$Nodes", "repeated node tag 1"},
      {"41b", E, 8, 8, 100000000, "$Elements", more},
      {"41b", E, 40, 4, 255, "$Elements", "unknown element type 255"},
      {"41b", F, 2, 0, 5, "$MeshFormat", "wrong data size 5"},
      {"41b", "4.1 1 8\n", 0, 4, 2, "$MeshFormat", "byte-order marker"},
      {"41b", "$EndNodes\n", 0, -2, 0, "$Nodes", "missing $EndNodes"},
      {"22", E, 2, 0, 255, "$Elements", "unknown element type 255"},
      {"22", E, 6, 0, 999999, "$Elements", "node tag 999999 of no node"},
      {"22", N, 5, 0, 1, "$Nodes", "repeated node tag 1"},
      {"22", E, 0, 0, 100000000, "$Elements", more},
      {"22", "$EndNodes\n", 0, -2, 0, "$Nodes", "missing $EndNodes"},
      {"22b", F, 2, 0, 4, "$MeshFormat", "wrong data size 4"},
      {"22b", E, 100, -1, 0, "$Elements", more},
  };
  const std::string dir = pavo_test::scratchDir("gmsh_damage");
  for (const Damage &d : table) {
    const std::string file = dir + "/bad.msh",
                      bytes = damaged(
                          pavo_test::readFile(gmshFiles() + "/p2disk_" + d.version + ".msh"), d);
    pavo_test::writeFile(file, bytes);
    Object o;
    pavo_test::captured([&] { EXPECT_NE(o.open(file), 0); });
    const std::string text = o.status;
    SCOPED_TRACE(std::string(d.version) + " " + d.reason + ": " + text);
    const size_t at = text.find(std::string(" in ") + d.section + " at byte ");
    ASSERT_NE(at, std::string::npos);
    const long long byte = std::atoll(text.c_str() + text.find("byte ", at) + 5);
    EXPECT_GE(byte, (long long)bytes.find(d.section));
    EXPECT_LE(byte, (long long)bytes.size());
    EXPECT_NE(text.find(d.reason), std::string::npos);
    for (int t = 0; t < PAV_NBR_STORED_TYPES; t++) EXPECT_EQ(o.obj->ent[t].nbr, 0) << t;
  }
  // A keyword block whose lines fit no degree of its kind names the keyword and the line.
  Object o;
  pavo_test::writeFile(dir + "/bad.mesh",
                       "MeshVersionFormatted 2\nDimension 2\nVertices\n3\n0 0 0\n1 0 "
                       "0\n0 1 0\nTriangles\n1\n1 2 3 1 1\nEnd\n");
  pavo_test::captured([&] { pav_OpenMesh(o.obj, (dir + "/bad.mesh").c_str(), o.status); });
  EXPECT_NE(std::string(o.status).find("Triangles holds 5 numbers on line 10"), std::string::npos)
      << o.status;
}
