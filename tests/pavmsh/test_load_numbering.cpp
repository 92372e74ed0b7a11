// The numbering-quality report of the viewer.
#include "load_test_mesh.h"

#include <gtest/gtest.h>

using namespace load_test;

namespace {

// Four copies of one tetrahedron: the first visits miss, the other 12 of 16 hit (75 %); one
// hexahedron of distinct vertices never hits and earns the hint. 2-D types are not measured in
// 3-D.
TEST(NumberingQuality, ReportLinesAndHint) {
  Object obj = makeMesh(3, 8, 0, {});
  char status[PAV_STATUS_SIZE];
  ASSERT_EQ(pav_AllocEntityArrays(obj.get(), Tetrahedra, 4, status), PAV_SUCCESS);
  for (int i = 1; i <= 4; i++)
    for (int k = 0; k < 4; k++) obj->ent[Tetrahedra].idx[4 * i + k] = k + 1;
  ASSERT_EQ(pav_AllocEntityArrays(obj.get(), Hexahedra, 1, status), PAV_SUCCESS);
  for (int k = 0; k < 8; k++) obj->ent[Hexahedra].idx[8 + k] = k + 1;
  ASSERT_EQ(pav_AllocEntityArrays(obj.get(), Triangles, 1, status), PAV_SUCCESS);
  for (int k = 0; k < 3; k++) obj->ent[Triangles].idx[3 + k] = k + 1;
  testing::internal::CaptureStdout();
  EXPECT_EQ(pav_PrintNumberingQuality(obj.get()), 2);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "  Quality of numbering of Tetrahedra     : 75.000000 \n"
            "  Quality of numbering of Hexahedra      : 0.000000 \n"
            "    A renumbering (ex. Hilbert) could be useful! \n");

  obj->dim = 2;
  testing::internal::CaptureStdout();
  EXPECT_EQ(pav_PrintNumberingQuality(obj.get()), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "  Quality of numbering of Triangles      : 0.000000 \n"
            "    A renumbering (ex. Hilbert) could be useful! \n");
}

} // namespace
