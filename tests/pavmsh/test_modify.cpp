// Vertex merging (against sort-and-count on the bulk and locator paths, and an exploded cube
// restored), boundary edges and surface completion, with their messages and writing.
#include "mesh_builders.h"
#include "pav_io.h"
#include "pav_modify.h"
#include "pav_solution.h"
#include "pav_topology.h"
#include "test_paths.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <random>
#include <set>

using pavo_test::buildCube;
using pavo_test::CubeSplit;

namespace {

int failingWriter(const PavObject *, const char *, char *status) {
  return pav_Fail(status, "Cannot open mesh file %s\n", "x.meshb");
}

int failingSolutionWriter(const PavObject *, const char *, int, char *status) {
  return pav_Fail(status, "Cannot open solution file %s\n", "x.solb");
}

PavObject *surfaceMesh(const std::vector<std::array<double, 3>> &ver,
                       const std::vector<std::vector<int>> &tri) {
  std::vector<double> xyz;
  std::vector<int> nodes;
  for (const auto &v : ver) xyz.insert(xyz.end(), v.begin(), v.end());
  for (const auto &t : tri) nodes.insert(nodes.end(), t.begin(), t.end());
  return pavo_test::buildMesh(3, xyz, Triangles, nodes);
}

double field(const PavObject *obj, int v) {
  const double *x = obj->crdDbl + 3 * v;
  return 1 + x[0] - 2 * x[1] + 3 * x[2] * x[0];
}

// A cube whose elements got private vertex copies merges back: count, vertex field, written file.
TEST(MergeVertices, RestoresAnExplodedCube) {
  PavObject *obj = buildCube(CubeSplit::Prisms, 3, 2);
  const int nv = obj->ent[Vertices].nbr;
  const int n = obj->ent[PrismsP2].nbr, siz = 18;
  std::vector<double> crd(obj->crdDbl, obj->crdDbl + 3 * (nv + 1));
  char status[PAV_STATUS_SIZE];
  pav_AllocEntityArrays(obj, Vertices, n * siz, status);
  for (int i = 1; i <= n; i++)
    for (int m = 0; m < siz; m++) {
      const int v = obj->ent[PrismsP2].idx[i * siz + m], w = (i - 1) * siz + m + 1;
      for (int c = 0; c < 3; c++) obj->crdDbl[3 * w + c] = crd[3 * v + c];
      obj->ent[PrismsP2].idx[i * siz + m] = w;
    }
  PavSolution *rec = pav_NewSolutionRecord(3, PavSolScalar, n * siz, 1, 1, nullptr);
  for (int v = 1; v <= n * siz; v++) rec->data[v] = field(obj, v);
  pav_PushSolution(obj, SolAtVertices, rec, status);
  const std::string name = pavo_test::scratchDir("merge_write") + "/m.merge.meshb";
  const std::string out =
      pavo_test::captured([&] { EXPECT_EQ(pav_MergeVertices(obj, name.c_str(), status), 0); });
  EXPECT_EQ(out.rfind("  Merge vertices: " + std::to_string(n * siz - nv) +
                          " vertices need to be removed \n \n  %% Mesh written in " + name + "\n",
                      0),
            0u)
      << out;
  ASSERT_EQ(obj->ent[Vertices].nbr, nv);
  ASSERT_EQ(rec->nbrEnt, nv);
  for (int v = 1; v <= nv; v++) ASSERT_EQ(rec->data[v], field(obj, v)) << v;
  pav_DeleteInterface(&obj);
}

std::vector<std::array<int, 3>> edgesOf(const PavObject *obj) {
  std::vector<std::array<int, 3>> e;
  for (int i = 1; i <= obj->ent[Edges].nbr; i++)
    e.push_back(
        {obj->ent[Edges].idx[2 * i], obj->ent[Edges].idx[2 * i + 1], obj->ent[Edges].ref[i]});
  return e;
}

TEST(AddBoundaryEdges, CurvesGetOneReferenceEach) {
  char status[PAV_STATUS_SIZE];
  // A square with a hole, the outer curve met in several pieces: still two curves.
  std::vector<std::array<double, 3>> v;
  for (int j = 0; j < 4; j++)
    for (int i = 0; i < 4; i++) v.push_back({double(i), double(j), 0});
  std::vector<std::vector<int>> tris;
  for (int j = 0; j < 3; j++)
    for (int i = 0; i < 3; i++) {
      if (i == 1 && j == 1) continue; // the hole
      const int a = j * 4 + i + 1, b = a + 1, c = a + 5, d = a + 4;
      tris.push_back({a, b, c});
      tris.push_back({a, c, d});
    }
  std::rotate(tris.begin(), tris.begin() + 7, tris.end());
  PavObject *ring = surfaceMesh(v, tris);
  EXPECT_EQ(pavo_test::captured([&] { pav_AddBoundaryEdges(ring, nullptr, status); }),
            pavo_test::expectedText("add_edges_ring.txt"));
  std::map<int, int> perRef;
  for (const auto &e : edgesOf(ring)) perRef[e[2]]++;
  EXPECT_EQ(
      std::multiset<int>({perRef.begin()->second, perRef.rbegin()->second, int(perRef.size())}),
      (std::multiset<int>{4, 12, 2}));
  pav_DeleteInterface(&ring);

  // Three triangles on one edge: three non-manifold occurrences.
  PavObject *fan = surfaceMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}},
                               {{1, 2, 3}, {2, 1, 4}, {1, 2, 5}});
  EXPECT_EQ(pavo_test::captured([&] {
              pav_AddBoundaryEdges(fan, nullptr, status);
            }).rfind(" 3 non-manifold edges detected \n", 0),
            0u);
  pav_DeleteInterface(&fan);
}

TEST(CheckSurf, CompletesFacesAndSolutions) {
  PavObject *obj = buildCube(CubeSplit::Tetrahedra, 2, 2);
  char status[PAV_STATUS_SIZE];
  // Half the boundary exists already, without a solution.
  int nt, nq, pt, pq, *tn, *tl, *qn, *ql;
  testing::internal::CaptureStdout();
  pav_BuildBoundarySurface(obj, TetrahedraP2, &nt, &tn, &tl, nullptr, &pt, &nq, &qn, &ql, nullptr,
                           &pq, status);
  testing::internal::GetCapturedStdout();
  ASSERT_EQ(nt, 48);
  pav_AllocEntityArrays(obj, TrianglesP2, 20, status);
  std::copy(tn, tn + 20 * 6, obj->ent[TrianglesP2].idx + 6);
  for (int e = 1; e <= 20; e++) obj->ent[TrianglesP2].ref[e] = 50;
  free(tn);
  free(tl);
  const int n = obj->ent[TetrahedraP2].nbr;
  PavSolution *rec = pav_NewSolutionRecord(3, PavSolScalar, n, 2, 10, status);
  for (int i = 1; i <= n; i++)
    for (int m = 0; m < 10; m++)
      rec->data[i * 10 + m] = field(obj, obj->ent[TetrahedraP2].idx[i * 10 + m]);
  pav_PushSolution(obj, SolAtTetrahedraP2, rec, status);

  const std::string out =
      pavo_test::captured([&] { EXPECT_EQ(checksurfMesh(0, obj, nullptr, nullptr), 0); });
  EXPECT_NE(out.find("28 missing P2-triangles faces are added \n \n"), std::string::npos) << out;
  ASSERT_EQ(obj->ent[TrianglesP2].nbr, 48);
  EXPECT_EQ(obj->ent[TrianglesP2].ref[20], 50);
  PavSolution *s = obj->ent[TrianglesP2].sol;
  ASSERT_TRUE(s && s->nbrEnt == 48 && s->nbrNod == 6);
  for (int e = 1; e <= 48; e++)
    for (int m = 0; m < 6; m++)
      ASSERT_NEAR(s->data[e * 6 + m], field(obj, obj->ent[TrianglesP2].idx[e * 6 + m]), 1e-12)
          << e << " " << m;
  pav_DeleteInterface(&obj);
}

// Faces between a tetrahedron and a pyramid, or a hexahedron and a prism, are interior.
TEST(CheckSurf, HybridMeshesGetOnlyTheirBoundary) {
  for (CubeSplit s : {CubeSplit::TetPyramid, CubeSplit::HexPrism}) {
    PavObject *obj = buildCube(s, 2, 1);
    pavo_test::captured([&] { checksurfMesh(0, obj, nullptr, nullptr); });
    double area = 0;
    for (int t : {Triangles, Quadrilaterals}) {
      const int per = t == Triangles ? 3 : 4;
      for (int e = 1; e <= obj->ent[t].nbr; e++) {
        const int *v = obj->ent[t].idx + e * per;
        for (int k = 1; k + 1 < per; k++) // the fan of triangles from the first vertex
          area += pavo_test::triangleArea(obj->crdDbl + 3 * v[0], obj->crdDbl + 3 * v[k],
                                          obj->crdDbl + 3 * v[k + 1]);
      }
    }
    EXPECT_NEAR(area, 6.0, 1e-12) << int(s);
    pav_DeleteInterface(&obj);
  }
}

TEST(CheckSurf, BadInputAndWriting) {
  PavObject *obj = nullptr;
  pav_NewInterface(&obj);
  EXPECT_EQ(pavo_test::captured(
                [&] { EXPECT_EQ(checksurfMesh(1, obj, "a.meshb", nullptr), PAV_FAILURE); }),
            "checksurfMesh : Mesh with no vertices\n");
  pav_DeleteInterface(&obj);

  obj = buildCube(CubeSplit::Hexahedra, 1, 1);
  obj->ent[Hexahedra].idx[8] = 77; // points past the vertices
  pav_SetMeshWriters(failingWriter, failingSolutionWriter);
  const std::string out = pavo_test::captured([&] { checksurfMesh(1, obj, "a.meshb", "a.solb"); });
  EXPECT_NE(out.find(" 1 topologically invalid entities are filtered !\n"), std::string::npos);
  EXPECT_NE(out.find(" pav_WriteMeshOvelFileb failed error   2 : Cannot open mesh file x.meshb\n"),
            std::string::npos);
  pav_SetMeshWriters(nullptr, nullptr);
  pav_DeleteInterface(&obj);
}

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
