// The numbering-quality report of the viewer.
#include "load_test_mesh.h"
#include "test_paths.h"

#include <gtest/gtest.h>

using namespace load_test;

namespace {

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
