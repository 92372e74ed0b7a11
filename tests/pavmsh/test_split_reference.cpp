// Grouping entities by reference against sort-and-count, bad nodes filtered, strided layouts.
#include "pav_split_reference.h"
#include "pav_status.h"
#include "pav_types.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

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
