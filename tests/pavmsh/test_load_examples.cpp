// The shipped examples (what the generator writes, opening with their solutions) and the
// numbering-quality report of the viewer.
#include "example_meshes.h"
#include "load_test_mesh.h"
#include "test_paths.h"

#include <gtest/gtest.h>

using namespace load_test;

namespace {

TEST(Examples, FilesAreTheGeneratorOutput) {
  const std::string examples = pavo_test::sourceDir() + "/examples";
  const std::string dir = pavo_test::scratchDir("examples");
  ASSERT_TRUE(pavo_examples::writeExamples(dir));
  for (const std::string &name : pavo_examples::exampleFiles()) {
    const std::string fresh = pavo_test::readFile(dir + "/" + name);
    EXPECT_FALSE(fresh.empty()) << name;
    EXPECT_TRUE(fresh == pavo_test::readFile(examples + "/" + name))
        << name
        << " differs from the generator's output (build/tools/make_examples examples rewrites it)";
  }
}

struct ExampleCase {
  const char *base;
  int type, count, list, degree;
};

TEST(Examples, OpenWithTheirSolutions) {
  const ExampleCase cases[] = {{"annulus_p2", TetrahedraP2, 216, SolAtTetrahedraP2, 3},
                               {"sphere_p3", TrianglesP3, 9, SolAtTrianglesP3, 3}};
  for (const ExampleCase &c : cases) {
    SCOPED_TRACE(c.base);
    const std::string base = pavo_test::sourceDir() + "/examples/" + c.base;
    Object obj = newObject();
    char status[PAV_IO_STATUS_SIZE];
    ASSERT_EQ(pav_OpenMesh(obj.get(), base.c_str(), status), PAV_SUCCESS) << status;
    EXPECT_EQ(obj->ent[c.type].nbr, c.count);
    ASSERT_EQ(pav_OpenSolution(obj.get(), base.c_str(), status), PAV_SUCCESS) << status;
    EXPECT_EQ(pav_GetNumberOfVertexSolutions(obj.get()), 1);
    const PavSolution *rec = pav_SolutionList(obj.get(), c.list);
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->degree, c.degree);
    EXPECT_NE(rec->name[0], 0);
    EXPECT_NE(pav_SolutionList(obj.get(), SolAtVertices)->name[0], 0);
  }
}

// Four copies of one tetrahedron: the first visits miss, the other 12 of 16 hit (75 %); one
// hexahedron of distinct vertices never hits and earns the hint. 2-D types are not measured in
// 3-D.
TEST(NumberingQuality, ReportLinesAndHint) {
  Object obj = makeMesh(3, 8, 0, {});
  char status[PAV_STATUS_SIZE];
  const std::pair<int, int> counts[] = {{Tetrahedra, 4}, {Hexahedra, 1}, {Triangles, 1}};
  for (const auto &c : counts) {
    ASSERT_EQ(pav_AllocEntityArrays(obj.get(), c.first, c.second, status), PAV_SUCCESS);
    const int n = pav_MshTyp2Siz(c.first, nullptr); // every element on vertices 1..n
    for (int k = n; k < n * (c.second + 1); k++) obj->ent[c.first].idx[k] = k % n + 1;
  }
  EXPECT_EQ(pavo_test::captured([&] { EXPECT_EQ(pav_PrintNumberingQuality(obj.get()), 2); }),
            "  Quality of numbering of Tetrahedra     : 75.000000 \n"
            "  Quality of numbering of Hexahedra      : 0.000000 \n"
            "    A renumbering (ex. Hilbert) could be useful! \n");

  obj->dim = 2;
  EXPECT_EQ(pavo_test::captured([&] { EXPECT_EQ(pav_PrintNumberingQuality(obj.get()), 1); }),
            "  Quality of numbering of Triangles      : 0.000000 \n"
            "    A renumbering (ex. Hilbert) could be useful! \n");
}

} // namespace
