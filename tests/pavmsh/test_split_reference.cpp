// Grouping entities by reference: the groups are checked against a sort-and-count oracle, the
// filtering of bad node numbers, and strided (interleaved) layouts.
#include "pav_split_reference.h"
#include "pav_status.h"
#include "pav_types.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>
#include <tuple>
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
};

} // namespace

TEST(SplitReference, GroupsFilteringStrideAndOracle) {
  { // No entities: nothing, no failure.
    Split s;
    s.g = pav_SplitEntitiesByReference(Triangles, 4, 0, nullptr, nullptr, nullptr, nullptr, &s.n,
                                       &s.refs, s.status);
    EXPECT_TRUE(s.g == nullptr && s.n == 0 && s.status[0] == 0);
  }
  { // Interleaved records (n0, n1, n2, ref): both strides are 4; a single entity needs none.
    const std::vector<int32_t> rec = {1, 2, 3, 7, 2, 3, 9, 5, 3, 4, 1, 7};
    Split s;
    s.g = pav_SplitEntitiesByReference(Triangles, 4, 3, &rec[0], &rec[8], &rec[3], &rec[11], &s.n,
                                       &s.refs, s.status);
    ASSERT_EQ(s.n, 2) << s.status;
    auto counts = [](const PavRefGroup &g) {
      return std::make_tuple(g.ref, g.nbrKept, g.nbrFiltered);
    };
    EXPECT_EQ(counts(s.g[0]), std::make_tuple(5, 0, 1)); // node 9 > 4 vertices
    EXPECT_EQ(counts(s.g[1]), std::make_tuple(7, 2, 0));
    EXPECT_EQ(s.g[1].kept[1], 3);
    Split one;
    one.g = pav_SplitEntitiesByReference(Triangles, 4, 1, &rec[0], &rec[0], &rec[3], &rec[3],
                                         &one.n, &one.refs, one.status);
    ASSERT_EQ(one.n, 1);
    EXPECT_EQ(one.g[0].nbrKept, 1);
    // Entries that do not divide into equal records fail with a message.
    Split bad;
    EXPECT_EQ(pav_SplitEntitiesByReference(Triangles, 4, 3, &rec[0], &rec[7], &rec[3], &rec[11],
                                           &bad.n, &bad.refs, bad.status),
              nullptr);
    EXPECT_STRNE(bad.status, "");
  }
  // Random tetrahedra: every entity appears once, in its reference's group, in increasing order,
  // kept exactly when its nodes are valid (sort-and-count oracle).
  std::mt19937 rng(7);
  for (int32_t nbrEnt : {1, 50, 5000}) {
    const int32_t nbrVer = 100;
    std::uniform_int_distribution<int32_t> node(-2, nbrVer + 3), refd(-5, 40);
    std::vector<int32_t> idx(size_t(4 * (nbrEnt + 1))), ref(size_t(nbrEnt + 1));
    for (int32_t i = 1; i <= nbrEnt; i++) {
      ref[size_t(i)] = refd(rng);
      for (int k = 0; k < 4; k++)
        idx[size_t(4 * i + k)] = rng() % 20 ? 1 + int32_t(rng() % nbrVer) : node(rng);
    }
    Split s;
    s.g =
        pav_SplitEntitiesByReference(Tetrahedra, nbrVer, nbrEnt, &idx[4], &idx[size_t(4 * nbrEnt)],
                                     &ref[1], &ref[size_t(nbrEnt)], &s.n, &s.refs, s.status);
    std::vector<int32_t> sorted(ref.begin() + 1, ref.end());
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
          EXPECT_EQ(ref[size_t(e)], g.ref);
          bool valid = true;
          for (int m = 0; m < 4; m++)
            valid = valid && idx[size_t(4 * e + m)] >= 1 && idx[size_t(4 * e + m)] <= nbrVer;
          EXPECT_EQ(valid, kept) << "entity " << e;
          filtered += !valid;
        }
      }
    }
    EXPECT_EQ(std::count(seen.begin() + 1, seen.end(), 1), nbrEnt);
    EXPECT_EQ(pav_CountFilteredEntities(s.g, s.n), filtered);
  }
}
