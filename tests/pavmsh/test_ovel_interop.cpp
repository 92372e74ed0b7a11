// Files exchanged with other tools: meshio reads the files written here (files Gmsh writes are
// test_gmsh.cpp's).
#include "ovel.h"
#include "test_paths.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

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
