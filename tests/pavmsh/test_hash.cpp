// The tuple hash table (toggling against a counting oracle, pools growing past their first chunk,
// growth failures), the reference index of the mesh object, grouping entities by reference against
// sort-and-count (bad nodes filtered, strided layouts), chunked lists across block boundaries and
// the parser of integer ranges.
#include "mesh_builders.h"
#include "pav_hash.h"
#include "pav_list.h"
#include "pav_reference_index.h"
#include "pav_split_reference.h"
#include "pav_status.h"
#include "pav_types.h"
#include "test_paths.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <random>

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

struct Split {
  PavRefGroup *g = nullptr;
  int32_t n = 0;
  int32_t *refs = nullptr;
  char status[PAV_STATUS_SIZE] = "";
  ~Split() {
    pav_FreeRefGroups(g);
    std::free(refs);
  }
  PavRefGroup *split(int32_t nbrEnt, const int32_t *idx0, const int32_t *idx1, const int32_t *ref0,
                     const int32_t *ref1) {
    return g = pav_SplitEntitiesByReference(Tetrahedra, 100, nbrEnt, idx0, idx1, ref0, ref1, &n,
                                            &refs, status);
  }
};

} // namespace

// Separate or interleaved references: each entity once, in its group, in order, kept iff valid.
TEST(SplitReference, GroupsMatchASortAndCountOracle) {
  std::mt19937 rng(7);
  for (const bool interleaved : {false, true})
    for (int32_t nbrEnt : {1, 50, 5000}) {
      SCOPED_TRACE(testing::Message() << "interleaved " << interleaved << ", " << nbrEnt);
      const size_t w = interleaved ? 5 : 4;
      std::vector<int32_t> idx(w * size_t(nbrEnt + 1)), refs(size_t(nbrEnt + 1));
      auto node = [&](int32_t e, int k) -> int32_t & { return idx[w * size_t(e) + size_t(k)]; };
      auto ref = [&](int32_t e) -> int32_t & { return interleaved ? node(e, 4) : refs[size_t(e)]; };
      std::uniform_int_distribution<int32_t> bad(-2, 103), refd(-5, 40);
      for (int32_t e = 1; e <= nbrEnt; e++) {
        ref(e) = refd(rng);
        for (int k = 0; k < 4; k++) node(e, k) = rng() % 20 ? 1 + int32_t(rng() % 100) : bad(rng);
      }
      Split s;
      s.split(nbrEnt, &node(1, 0), &node(nbrEnt, 0), &ref(1), &ref(nbrEnt));
      std::vector<int32_t> sorted;
      for (int32_t e = 1; e <= nbrEnt; e++) sorted.push_back(ref(e));
      std::sort(sorted.begin(), sorted.end());
      sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
      ASSERT_EQ(std::vector<int32_t>(s.refs, s.refs + s.n), sorted);
      std::vector<int> seen(size_t(nbrEnt + 1), 0);
      int64_t filtered = 0;
      for (int32_t r = 0; r < s.n; r++) {
        const PavRefGroup &g = s.g[r];
        EXPECT_EQ(g.ref, sorted[size_t(r)]);
        for (bool kept : {true, false}) {
          const int32_t *num = kept ? g.kept : g.filtered;
          const int32_t cnt = kept ? g.nbrKept : g.nbrFiltered;
          EXPECT_TRUE(std::is_sorted(num, num + cnt));
          for (int32_t k = 0; k < cnt; k++) {
            const int32_t e = num[k];
            seen[size_t(e)]++;
            EXPECT_EQ(ref(e), g.ref);
            bool valid = true;
            for (int m = 0; m < 4; m++) valid = valid && node(e, m) >= 1 && node(e, m) <= 100;
            EXPECT_EQ(valid, kept) << "entity " << e;
            filtered += !valid;
          }
        }
      }
      EXPECT_EQ(std::count(seen.begin() + 1, seen.end(), 1), nbrEnt);
      EXPECT_EQ(pav_CountFilteredEntities(s.g, s.n), filtered);
    }
}

// No entities: nothing and no failure; records that do not divide into equal strides: a message.
TEST(SplitReference, EmptyInputAndUnequalStrides) {
  Split s, bad;
  EXPECT_EQ(s.split(0, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_TRUE(s.n == 0 && s.status[0] == 0);
  const std::vector<int32_t> rec(15, 1);
  EXPECT_EQ(bad.split(3, &rec[0], &rec[9], &rec[4], &rec[14]), nullptr);
  EXPECT_STRNE(bad.status, "");
}
