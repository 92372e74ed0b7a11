// The tuple hash table (toggling against a counting oracle, pools growing past their first chunk,
// growth failures) and the reference index of the mesh object.
#include "mesh_builders.h"
#include "pav_hash.h"
#include "pav_reference_index.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <vector>

namespace {

TEST(HashTable, FindAddRemoveByType) {
  PavHashTable *t = pav_NewHashTable(64, 0);
  const int32_t a[3] = {5, 6, 7}, b[3] = {5, 6, 8};
  PavHashNode *na = pav_HashAdd(t, 2, 3, 2, a);
  ASSERT_NE(na, nullptr);
  EXPECT_EQ(pav_HashFind(t, 2, 2, b), na); // only the first two integers are hashed and compared
  EXPECT_EQ(pav_HashFind(t, 0, 2, b), na); // type 0 matches any type
  EXPECT_EQ(pav_HashFind(t, 3, 2, b), nullptr);
  EXPECT_EQ(pav_HashFind(t, 2, 3, a), nullptr); // hashed length differs
  PavHashNode *nb = pav_HashAdd(t, 3, 3, 3, b);
  pav_HashNodeAppend(nb, 42);
  EXPECT_EQ(pav_HashRemoveType(t, 3), 1);
  EXPECT_EQ(pav_HashFind(t, 3, 3, b), nullptr);
  EXPECT_EQ(t->nbrObj, 1);
  const int32_t c[4] = {99, 98, 5, 6}, d[4] = {1, 2, 5, 6};
  PavHashTable *o = pav_NewHashTable(64, 0);
  PavHashNode *nc = pav_HashToggle(o, 1, 4, 2, 2, c);
  EXPECT_EQ(pav_HashFindOffset(o, 1, 2, 2, d), nc);
  EXPECT_EQ(nc->key[0], 99);
  pav_FreeHashTable(o);
  pav_FreeHashTable(t);
}

// Toggling through pool growths leaves exactly the keys met an odd number of times.
TEST(HashTable, ToggleKeepsOddOccurrencesThroughGrowth) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int32_t> v(1, 40);
  PavHashTable *t = pav_NewHashTable(4096, 100);
  std::map<std::vector<int32_t>, int> count;
  for (int i = 0; i < 60000; i++) {
    int32_t key[5] = {i, -1, v(rng), v(rng), v(rng)};
    pav_HashToggle(t, 1, 5, 3, 2, key);
    count[{key[2], key[3], key[4]}]++;
  }
  int odd = 0;
  for (const auto &kv : count) {
    int32_t key[5] = {0, 0, kv.first[0], kv.first[1], kv.first[2]};
    const bool present = pav_HashFindOffset(t, 1, 3, 2, key) != nullptr;
    ASSERT_EQ(present, kv.second % 2 == 1);
    odd += kv.second % 2;
  }
  EXPECT_EQ(t->nbrObj, odd);
  EXPECT_GT(t->nodFactor, 1); // the first chunk of 101 nodes was outgrown
  pav_FreeHashTable(t);
}

TEST(HashTable, StatisticsCountChains) {
  PavHashTable *t = pav_NewHashTable(4, 0);
  for (int32_t k = 1; k <= 3; k++) pav_HashAdd(t, 1, 1, 1, &k);
  EXPECT_EQ(pavo_test::captured([&] { pav_HashStatistics(t); }),
            pavo_test::expectedText("hash_statistics.txt"));
  pav_FreeHashTable(t);
}

TEST(HashTable, FullTableReportsAndKeepsWorking) {
  PavHashTable *t = pav_NewHashTable(16, 3);
  pav_HashSetGrowthLimitForTests(10);
  testing::internal::CaptureStderr();
  int added = 0;
  for (int32_t k = 0; k < 10; k++) added += pav_HashAdd(t, 1, 1, 1, &k) != nullptr;
  const std::string err = testing::internal::GetCapturedStderr();
  pav_HashSetGrowthLimitForTests(-1);
  EXPECT_EQ(added, 3);
  EXPECT_NE(err.find("  ## HASHTABLE FATAL ERROR: FULL HASH TABLE NCALL 2 SIZE"),
            std::string::npos);
  const int32_t k1 = 1;
  EXPECT_NE(pav_HashFind(t, 1, 1, &k1), nullptr);
  const int32_t k9 = 9;
  EXPECT_NE(pav_HashAdd(t, 1, 1, 1, &k9), nullptr); // grows once the limit is lifted
  pav_FreeHashTable(t);
}

TEST(ReferenceIndex, ListsReferencesAndEntities) {
  pavo_test::ObjectPtr owner(pavo_test::buildMesh(3, {}));
  PavObject *obj = owner.get(); // its deletion releases the index
  char status[PAV_STATUS_SIZE] = "";
  ASSERT_EQ(pav_AllocEntityArrays(obj, Triangles, 6, status), 0);
  ASSERT_EQ(pav_AllocEntityArrays(obj, Edges, 2, status), 0);
  const int32_t triRef[7] = {0, 7, 3, 7, 7, 3, 12};
  for (int i = 1; i <= 6; i++) obj->ent[Triangles].ref[i] = triRef[i];
  obj->ent[Edges].ref[1] = 40, obj->ent[Edges].ref[2] = 3;

  int n = 0, *a = nullptr;
  const auto listed = [&] { // the last answer as a vector, released
    std::vector<int> v(a, a + n);
    free(a);
    return v;
  };
  ASSERT_EQ(pav_GetReferences(obj, Triangles, &n, &a, status), 0);
  EXPECT_EQ(listed(), (std::vector<int>{3, 7, 12}));
  ASSERT_EQ(pav_GetEntitiesOfReference(obj, 7, Triangles, &n, &a, status), 0);
  EXPECT_EQ(listed(), (std::vector<int>{1, 3, 4}));
  obj->ent[Triangles].ref[6] = 7;
  ASSERT_EQ(pav_GetEntitiesOfReference(obj, 7, Triangles, &n, &a, status), 0);
  EXPECT_EQ(listed(), (std::vector<int>{1, 3, 4, 6}));
  ASSERT_EQ(pav_GetEntitiesOfReference(obj, 12, Triangles, &n, &a, status), 0);
  EXPECT_TRUE(n == 0 && a == nullptr);
  ASSERT_EQ(pav_GetReferences(obj, 0, &n, &a, status), 0);
  EXPECT_EQ(listed(), (std::vector<int>{3, 7, 40}));
}

} // namespace
