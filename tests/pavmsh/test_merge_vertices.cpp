// Merging coincident vertices against sort-and-count, on the bulk and the locator paths.
#include "mesh_builders.h"
#include "pav_io.h"
#include "pav_modify.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

struct CloudCase {
  const char *name;
  double scale;   // coordinates in [-scale, scale]
  bool oddValues; // -0, NaN and infinity among the coordinates
};

class MergeCloud : public testing::TestWithParam<CloudCase> {};

TEST_P(MergeCloud, PartitionMatchesSortAndCount) {
  const CloudCase c = GetParam();
  const int unique = 3000, n = 5000;
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> u(-c.scale, c.scale);
  std::uniform_int_distribution<int> pick(1, unique);
  std::vector<std::array<double, 3>> p(n + 1);
  for (int v = 1; v <= unique; v++)
    for (double &x : p[v]) x = rng() % 4 == 0 ? 0.0 : u(rng);
  for (int v = unique + 1; v <= n; v++) p[v] = p[pick(rng)];
  if (c.oddValues) {
    p[7] = {-0.0, 0.0, 0.0};
    p[8] = {0.0, -0.0, 0.0};
    p[9] = p[10] = {std::nan(""), 1, 2};
    p[11] = p[12] = {std::numeric_limits<double>::infinity(), 1, 2};
  }

  std::vector<double> xyz;
  std::vector<int> ends;
  for (int v = 1; v <= n; v++) {
    xyz.insert(xyz.end(), p[v].begin(), p[v].end());
    ends.insert(ends.end(), {v, n + 1 - v});
  }
  pavo_test::ObjectPtr obj(pavo_test::buildMesh(3, xyz, Edges, ends));
  char status[PAV_STATUS_SIZE];
  testing::internal::CaptureStdout();
  ASSERT_EQ(pav_MergeVertices(obj.get(), nullptr, status), PAV_SUCCESS);
  testing::internal::GetCapturedStdout();

  // Oracle: distinct positions by sorting (-0 equals 0, each non-finite vertex apart).
  std::vector<std::array<double, 3>> finite;
  int apart = 0;
  for (int v = 1; v <= n; v++) {
    if (std::isfinite(p[v][0]) && std::isfinite(p[v][1]) && std::isfinite(p[v][2])) {
      std::array<double, 3> q = p[v];
      for (double &x : q) x += 0.0;
      finite.push_back(q);
    } else {
      apart++;
    }
  }
  std::sort(finite.begin(), finite.end());
  const int distinct = int(std::unique(finite.begin(), finite.end()) - finite.begin()) + apart;
  EXPECT_EQ(obj->ent[Vertices].nbr, distinct);

  // Every edge end keeps its position, and new numbers follow first occurrences.
  int expectNext = 0;
  std::vector<int> seen(size_t(distinct) + 1, 0);
  for (int v = 1; v <= n; v++) {
    const int w = obj->ent[Edges].idx[2 * v];
    ASSERT_GE(w, 1);
    ASSERT_LE(w, distinct);
    if (!seen[w]) {
      seen[w] = 1;
      EXPECT_EQ(w, ++expectNext);
    }
    for (int k = 0; k < 3; k++) {
      const double a = obj->crdDbl[3 * w + k], b = p[v][k];
      if (std::isnan(b))
        EXPECT_TRUE(std::isnan(a));
      else
        EXPECT_EQ(a, b) << v;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Clouds, MergeCloud,
                         testing::Values(CloudCase{"Unit", 1.0, false},
                                         CloudCase{"OddValues", 1e6, true},
                                         CloudCase{"LocatorScale", 1e-150, false}),
                         [](const testing::TestParamInfo<CloudCase> &i) { return i.param.name; });

// A squared distance underflowing to 0 merges; 1e-40 apart does not.
TEST(MergeVertices, UnderflowingDistancesGoThroughTheLocator) {
  pavo_test::ObjectPtr obj(pavo_test::buildMesh(3, {0, 0, 0, 1e-170, 0, 0, 1e-40, 0, 0, 1, 1, 1}));
  char status[PAV_STATUS_SIZE];
  testing::internal::CaptureStdout();
  ASSERT_EQ(pav_MergeVertices(obj.get(), nullptr, status), PAV_SUCCESS);
  EXPECT_EQ(testing::internal::GetCapturedStdout().rfind(
                "  Merge vertices: 1 vertices need to be removed \n \n", 0),
            0u);
  EXPECT_EQ(obj->ent[Vertices].nbr, 3);
  EXPECT_EQ(obj->crdDbl[3 * 2], 1e-40);
}

} // namespace
