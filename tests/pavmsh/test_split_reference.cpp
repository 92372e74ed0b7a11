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

// Groups triangles stored as the object stores them: 3 nodes per entity and entry 0 unused.
void splitTriangles(Split &s, int32_t nbrVer, const std::vector<int32_t> &idx,
                    const std::vector<int32_t> &ref) {
  const int32_t n = int32_t(ref.size()) - 1;
  s.g = pav_SplitEntitiesByReference(Triangles, nbrVer, n, idx.data() + 3, idx.data() + 3 * n,
                                     ref.data() + 1, ref.data() + n, &s.n, &s.refs, s.status);
}

} // namespace

TEST(SplitReference, GroupsFilteringStrideAndOracle) {
  { // References 1, 1, 2: groups 1 and 2; the second node of triangle 2 exceeds the vertices.
    Split s;
    splitTriangles(s, 4, {0, 0, 0, 1, 2, 3, 1, 5, 3, 2, 3, 4}, {0, 1, 1, 2});
    ASSERT_EQ(s.n, 2) << s.status;
    EXPECT_EQ(std::vector<int32_t>(s.refs, s.refs + 2), (std::vector<int32_t>{1, 2}));
    auto counts = [](const PavRefGroup &g) {
      return std::make_tuple(g.ref, g.nbrKept, g.nbrFiltered);
    };
    EXPECT_EQ(counts(s.g[0]), std::make_tuple(1, 1, 1));
    EXPECT_EQ(counts(s.g[1]), std::make_tuple(2, 1, 0));
    EXPECT_EQ(std::make_tuple(s.g[0].kept[0], s.g[0].filtered[0], s.g[1].kept[0]),
              std::make_tuple(1, 2, 3));
    EXPECT_EQ(pav_CountFilteredEntities(s.g, s.n), 1);
  }
  { // No entities: nothing, no failure.
    Split s;
    s.g = pav_SplitEntitiesByReference(Triangles, 4, 0, nullptr, nullptr, nullptr, nullptr, &s.n,
                                       &s.refs, s.status);
    EXPECT_EQ(s.g, nullptr);
    EXPECT_EQ(s.n, 0);
    EXPECT_STREQ(s.status, "");
  }
  { // Interleaved records (n0, n1, n2, ref): both strides are 4; a single entity needs none.
    const std::vector<int32_t> rec = {1, 2, 3, 7, 2, 3, 9, 5, 3, 4, 1, 7};
    Split s;
    s.g = pav_SplitEntitiesByReference(Triangles, 4, 3, &rec[0], &rec[8], &rec[3], &rec[11], &s.n,
                                       &s.refs, s.status);
    ASSERT_EQ(s.n, 2) << s.status;
    EXPECT_EQ(s.g[0].ref, 5);
    EXPECT_EQ(s.g[0].nbrKept, 0);
    EXPECT_EQ(s.g[0].nbrFiltered, 1); // node 9 > 4 vertices
    EXPECT_EQ(s.g[1].ref, 7);
    EXPECT_EQ(s.g[1].nbrKept, 2);
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
        }
      }
    }
    EXPECT_EQ(std::count(seen.begin() + 1, seen.end(), 1), nbrEnt);
  }
}
