// Chunked lists across block boundaries and the parser of integer ranges.
#include "pav_list.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

std::vector<int32_t> parse(const char *text) {
  int32_t n = -1;
  int32_t *v = pav_ParseIntList(text, &n);
  std::vector<int32_t> out(v, v + n);
  if (n == 0) {
    EXPECT_EQ(v, nullptr);
  }
  free(v);
  return out;
}

TEST(IntList, KeepsInsertionOrderAcrossBlocks) {
  int32_t n = -1;
  EXPECT_EQ(pav_IntListToArray(nullptr, &n), nullptr);
  PavIntList *empty = pav_NewIntList();
  EXPECT_EQ(pav_IntListToArray(empty, &n), nullptr);
  pav_FreeIntList(empty);

  PavIntList *list = nullptr;
  const int total = 3 * PAV_LIST_BLOCK + 17;
  for (int i = 0; i < total; i++) list = pav_AddToIntList(list, i * 7 - 3);
  EXPECT_EQ(pav_IntListLength(list), total);
  EXPECT_EQ(list->nbr, 17); // the head is the newest, partly filled block
  int32_t *a = pav_IntListToArray(list, &n);
  ASSERT_EQ(n, total);
  for (int i = 0; i < total; i++) ASSERT_EQ(a[i], i * 7 - 3) << i;
  free(a);
  pav_FreeIntList(list);
}

TEST(DblList, CopiesNewestBlockFirst) {
  PavDblList *list = nullptr;
  for (int i = 0; i < PAV_LIST_BLOCK + 2; i++) list = pav_AddToDblList(list, i);
  int32_t n = 0;
  double *a = pav_DblListToArray(list, &n);
  ASSERT_EQ(n, PAV_LIST_BLOCK + 2);
  EXPECT_EQ(std::vector<double>({a[0], a[1], a[2], a[n - 1]}),
            std::vector<double>({PAV_LIST_BLOCK, PAV_LIST_BLOCK + 1, 0, PAV_LIST_BLOCK - 1}));
  free(a);
  pav_FreeDblList(list);

  PavDblList *small = pav_AddToDblList(pav_AddToDblList(nullptr, 1.5), -2);
  EXPECT_EQ(pavo_test::captured([&] { pav_PrintDblList(small); }), " 1.5  -2 \n");
  pav_FreeDblList(small);
}

TEST(ParseIntList, ExpandsRangesAndSkipsTheRest) {
  EXPECT_EQ(parse("1,3-5 7"), (std::vector<int32_t>{1, 3, 4, 5, 7}));
  EXPECT_EQ(parse("2-4,7"), (std::vector<int32_t>{2, 3, 4, 7}));
  EXPECT_TRUE(parse("4-2").empty());
  EXPECT_TRUE(parse(nullptr).empty());
  EXPECT_EQ(parse("  12\t, x 5-5 abc 9-"), (std::vector<int32_t>{12, 5}));
  EXPECT_EQ(parse("99999999999 3"), (std::vector<int32_t>{3}));
  // A range too large to expand is skipped rather than exhausting memory.
  EXPECT_EQ(parse("1-2000000000 6"), (std::vector<int32_t>{6}));
}

} // namespace
