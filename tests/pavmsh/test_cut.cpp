// Cut detection, shells of entity sets and capping, checked by geometry; solution values on cut
// faces: a quadratic field on a P2 tetrahedron (vertex field) and on a hexahedron (element field of
// degree 2) recovered exactly at the nodes of the output faces.
#include "ho_bezier.h"
#include "mesh_builders.h"
#include "pav_cut.h"
#include "pav_solution.h"
#include "pav_topology.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <numeric>
#include <unistd.h>

using pavo_test::buildCube;
using pavo_test::CubeSplit;
using pavo_test::shuffleVertices;

namespace {

struct Cut {
  int n = 0;
  int *lst = nullptr;
  ~Cut() { free(lst); }
};

struct Cap {
  int nt = 0, nq = 0;
  double *crd = nullptr, *aux = nullptr, *qc = nullptr, *qa = nullptr;
  int *lnk = nullptr, *ql = nullptr;
  ~Cap() {
    for (void *p : {(void *)crd, (void *)aux, (void *)lnk, (void *)qc, (void *)qa, (void *)ql})
      free(p);
  }
};

void cap(const PavObject *obj, const double pl[4], int type, Cap &c) {
  Cut cut;
  char status[PAV_STATUS_SIZE];
  ASSERT_EQ(pav_GetCutEntities(obj, pl, type, &cut.n, &cut.lst, status), 0);
  auto fn = type == TetrahedraP2 ? pav_CappingP2Tetrahedra : pav_capping;
  ASSERT_EQ(fn(obj, pl, type, cut.n, cut.lst, &c.nt, &c.crd, &c.aux, &c.lnk, &c.nq, &c.qc, &c.qa,
               &c.ql, status),
            0);
  EXPECT_EQ(c.nq, 0);
}

std::array<double, 3> parentMap(const PavObject *obj, int type, int i, const double *r) {
  const int *g = obj->ent[type].idx + int64_t(i) * pav_MshTyp2Siz(type, nullptr);
  double w[8] = {};
  int nv = 4;
  switch (pav_ElementKind(type)) {
  case PavKindTetrahedron:
    for (int k = 0; k < 4; k++) w[k] = r[k];
    break;
  case PavKindPrism:
    nv = 6;
    for (int k = 0; k < 3; k++) w[k] = r[k] * (1 - r[3]), w[k + 3] = r[k] * r[3];
    break;
  case PavKindPyramid: {
    nv = 5;
    const double x = r[0], y = r[1], z = r[2];
    if (z < 1) {
      w[0] = (1 - x - z) * (1 - y - z) / (1 - z);
      w[1] = x * (1 - y - z) / (1 - z);
      w[2] = x * y / (1 - z);
      w[3] = (1 - x - z) * y / (1 - z);
    }
    w[4] = z;
    break;
  }
  default: {
    nv = 8;
    for (int k = 0; k < 8; k++)
      w[k] = ((k + 1) % 4 < 2 ? 1 - r[0] : r[0]) * (k % 4 < 2 ? 1 - r[1] : r[1]) *
             (k < 4 ? 1 - r[2] : r[2]);
  }
  }
  std::array<double, 3> p = {0, 0, 0};
  for (int k = 0; k < nv; k++)
    for (int c = 0; c < 3; c++) p[c] += w[k] * obj->crdDbl[3 * g[k] + c];
  return p;
}

TEST(CutEntities, SidesAndBadInput) {
  char status[PAV_STATUS_SIZE];
  pavo_test::ObjectPtr obj(pavo_test::buildMesh(3, {0, 0, 0, 1, 0, 0, 1, 1, 0, 1, 0, 1, -1, 0, 0},
                                                Tetrahedra, {1, 2, 3, 4, 2, 3, 4, 5, 1, 2, 3, 99}));
  Cut c;
  const double px[4] = {1, 0, 0, 0};
  ASSERT_EQ(pav_GetCutEntities(obj.get(), px, Tetrahedra, &c.n, &c.lst, status), 0);
  EXPECT_EQ(std::vector<int>(c.lst, c.lst + c.n), std::vector<int>({1, 2}));
  Cut none; // the outputs are reset first, so the earlier list must not be passed again
  EXPECT_EQ(pav_GetCutEntities(obj.get(), px, Tetrahedra, nullptr, &none.lst, status), PAV_FAILURE);
  EXPECT_STREQ(status, "NULL (nbrCutEnt)    parameter on input\n");
}

std::vector<int> straddling(const PavObject *obj, int type, double c) {
  std::vector<int> out;
  const int siz = pav_MshTyp2Siz(type, nullptr);
  for (int i = 1; i <= pav_Count(obj, type); i++) {
    double lo = 2, hi = -2;
    for (int m = 0; m < siz; m++) {
      const double x = obj->crdDbl[3 * obj->ent[type].idx[i * siz + m]];
      lo = std::min(lo, x), hi = std::max(hi, x);
    }
    if (lo <= c && hi > c) out.push_back(i);
  }
  return out;
}

TEST(CutEntities, MatchExtentsSequentialAndParallel) {
  char status[PAV_STATUS_SIZE];
  const double pl[4] = {1, 0, 0, -0.4};
  PavObject *big = buildCube(CubeSplit::Tetrahedra, 56, 1);
  ASSERT_GT(pav_Count(big, Tetrahedra), PAV_CUT_PARALLEL_THRESHOLD);
  Cut c;
  ASSERT_EQ(pav_GetCutEntities(big, pl, Tetrahedra, &c.n, &c.lst, status), 0);
  EXPECT_EQ(std::vector<int>(c.lst, c.lst + c.n), straddling(big, Tetrahedra, 0.4));
  big->ent[Tetrahedra].idx[4 * c.lst[0]] = -3;
  Cut bad;
  ASSERT_EQ(pav_GetCutEntities(big, pl, Tetrahedra, &bad.n, &bad.lst, status), 0);
  EXPECT_EQ(bad.n, c.n - 1);
  pav_DeleteInterface(&big);
}

// The search by runs of entities finds what the full search finds: planes through vertices,
// oblique, missing the mesh or degenerate, and a run holding a node out of range.
TEST(CutEntities, SearchByRunsMatchesTheFullSearch) {
  char status[PAV_STATUS_SIZE];
  pavo_test::ObjectPtr obj(buildCube(CubeSplit::Tetrahedra, 7, 1));
  obj->ent[Tetrahedra].idx[4 * 100 + 2] = -3;
  int32_t nbrBlocks = 0;
  double *boxes = pav_GetCutBlockBoxes(obj.get(), Tetrahedra, &nbrBlocks);
  ASSERT_EQ(nbrBlocks, (6 * 343 + PAV_CUT_BLOCK - 1) / PAV_CUT_BLOCK);
  const double planes[][4] = {
      {1, 0, 0, -3.0 / 7}, {1, 1, 1, -1.5}, {0.3, -1, 0.2, 0.1}, {0, 0, 1, -2}, {0, 0, 0, 0}};
  for (const auto &pl : planes) {
    Cut all, runs;
    ASSERT_EQ(pav_GetCutEntities(obj.get(), pl, Tetrahedra, &all.n, &all.lst, status), 0);
    ASSERT_EQ(pav_GetCutEntitiesInBlocks(obj.get(), pl, Tetrahedra, nbrBlocks, boxes, &runs.n,
                                         &runs.lst, status),
              0);
    EXPECT_EQ(std::vector<int>(runs.lst, runs.lst + runs.n),
              std::vector<int>(all.lst, all.lst + all.n));
  }
  free(boxes);
}

// The shell of the whole mesh is its boundary: 2 triangles per cell side, 6 sides of 2 x 2; a
TEST(FacesOfEntities, Shell) {
  pavo_test::ObjectPtr obj(buildCube(CubeSplit::Tetrahedra, 2, 2));
  std::vector<int> all(pav_Count(obj.get(), TetrahedraP2));
  std::iota(all.begin(), all.end(), 1);
  const std::vector<int> one = {5, 9999};
  char status[PAV_STATUS_SIZE];
  for (const auto &list : {all, one}) {
    int nt, nq, pt, pq, *tn, *tl, *qn, *ql;
    testing::internal::CaptureStdout();
    ASSERT_EQ(pav_GetShellOfEntities(obj.get(), TetrahedraP2, int(list.size()), list.data(), &nt,
                                     &tn, &tl, &pt, &nq, &qn, &ql, &pq, status),
              0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              list == one ? "  .... problem id entity 1 iEnt 9999 [0-48] nbrFac 0 \n" : "");
    EXPECT_EQ(nt, list == one ? 4 : 48);
    free(tn);
    free(tl);
  }
}

class CappingOnCube : public testing::TestWithParam<std::tuple<int, int>> {};

// Shuffled vertices; sections are exact in area, on the plane, map back and are watertight.
TEST_P(CappingOnCube, SectionsAreExactAndWatertight) {
  const CubeSplit split = static_cast<CubeSplit>(std::get<0>(GetParam()));
  const int n = std::get<1>(GetParam());
  pavo_test::ObjectPtr obj(buildCube(split, n, 1));
  shuffleVertices(obj.get(), 17 + n);
  const double planes[2][4] = {{2, 0, 0, -1}, {1, 0.3, 0.2, -0.61}};
  for (const double *pl : planes) {
    const bool oblique = pl[1] != 0;
    double area = 0;
    std::vector<std::array<double, 3>> pts;
    std::vector<int> tri;
    for (int type : {Tetrahedra, Pyramids, Prisms, Hexahedra}) {
      if (!pav_Count(obj.get(), type)) continue;
      Cap c;
      cap(obj.get(), pl, type, c);
      for (int k = 1; k <= c.nt; k++) { // capping triangles are numbered from 1
        area += pavo_test::triangleArea(c.crd + 9 * k, c.crd + 9 * k + 3, c.crd + 9 * k + 6);
        ASSERT_EQ(c.lnk[3 * k], type);
        const int i = c.lnk[3 * k + 1];
        EXPECT_EQ(c.lnk[3 * k + 2], obj->ent[type].ref[i]);
        for (int m = 0; m < 3; m++) {
          const double *x = c.crd + 9 * k + 3 * m;
          ASSERT_NEAR(pl[0] * x[0] + pl[1] * x[1] + pl[2] * x[2] + pl[3], 0, 1e-7);
          const auto p = parentMap(obj.get(), type, i, c.aux + 12 * k + 4 * m);
          for (int q = 0; q < 3; q++) ASSERT_NEAR(p[q], x[q], 1e-7);
          size_t id = 0;
          while (id < pts.size() && std::fabs(pts[id][0] - x[0]) + std::fabs(pts[id][1] - x[1]) +
                                            std::fabs(pts[id][2] - x[2]) >=
                                        1e-6)
            id++;
          if (id == pts.size()) pts.push_back({x[0], x[1], x[2]});
          tri.push_back(int(id));
        }
      }
    }
    EXPECT_NEAR(area, oblique ? std::sqrt(1.13) : 1.0, 1e-6);
    if (!oblique) continue;
    std::map<std::pair<int, int>, int> edges;
    for (size_t k = 0; k < tri.size(); k += 3)
      for (int m = 0; m < 3; m++) {
        const int a = tri[k + m], b = tri[k + (m + 1) % 3];
        edges[{std::min(a, b), std::max(a, b)}]++;
      }
    for (const auto &e : edges) {
      const auto &a = pts[e.first.first], &b = pts[e.first.second];
      bool onSide = false;
      for (int q = 1; q < 3; q++)
        for (double side : {0.0, 1.0})
          onSide = onSide || (std::fabs(a[q] - side) < 1e-9 && std::fabs(b[q] - side) < 1e-9);
      ASSERT_EQ(e.second, onSide ? 1 : 2);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, CappingOnCube,
                         testing::Combine(testing::Range(0, 6), testing::Values(2, 3)));

TEST(Capping, P2HexahedraAreRefused) {
  pavo_test::ObjectPtr obj(buildCube(CubeSplit::Hexahedra, 1, 2));
  const double pl[4] = {1, 0, 1, -0.5};
  const int list[2] = {1, 1};
  Cap c;
  char status[PAV_STATUS_SIZE];
  testing::internal::CaptureStdout();
  ASSERT_EQ(pav_capping(obj.get(), pl, HexahedraQ2, 2, list, &c.nt, &c.crd, &c.aux, &c.lnk, &c.nq,
                        &c.qc, &c.qa, &c.ql, status),
            0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            " pav_capping undefined for type 15 \n pav_capping undefined for type 15 \n");
  EXPECT_TRUE(c.nt == 0 && c.crd == nullptr);
}

TEST(Capping, CurvedP2Tetrahedra) {
  // Bend one edge node off the straight edge: the crossing follows the parabola, not the chord.
  pavo_test::ObjectPtr obj(
      pavo_test::buildMesh(3, {0,   0,   0, 1, 0,   0, 0, 1, 0,   0,   0, 1,   0.5, 0.2, 0,
                               0.5, 0.5, 0, 0, 0.5, 0, 0, 0, 0.5, 0.5, 0, 0.5, 0,   0.5, 0.5},
                           TetrahedraP2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  const double quarter[4] = {1, 0, 0, -0.25};
  Cap bent;
  cap(obj.get(), quarter, TetrahedraP2, bent);
  ASSERT_EQ(bent.nt, 1);
  int found = 0; // reference coordinates on the straight reference edge: a quarter of the way
  for (int m = 0; m < 3; m++)
    found += std::fabs(bent.crd[9 + 3 * m + 1] - 0.15) < 1e-12 &&
             std::fabs(bent.crd[9 + 3 * m] - 0.25) < 1e-12 && bent.crd[9 + 3 * m + 2] == 0 &&
             std::fabs(bent.aux[12 + 4 * m] - 0.75) < 1e-12 &&
             std::fabs(bent.aux[12 + 4 * m + 1] - 0.25) < 1e-12;
  EXPECT_EQ(found, 1);
}

// Two boundary polygons (one crossing), two polyhedra (one with a bad vertex, then fixed).
TEST(CutEntities, PolygonsAndPolyhedra) {
  pavo_test::ObjectPtr obj(
      pavo_test::buildMesh(3, {0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0.2, 0, 0, 0.3, 0, 0}));
  char status[PAV_STATUS_SIZE];
  PavPolygonSet *ps = pavo_test::attachPolygons(
      obj.get(), {0, 0, 1, 0, 5, 0}, {0, 1, 2, 3, 4, 1, 5, 6}, {0, 0, 1, 0, 4, 0},
      {0, 5, 6, 1, 2, 3, 99}, {0, 0, 1, 0, 2, 0}, {0, 1, -1, 2});
  const double pl[4] = {1, 0, 0, -0.5};
  int np = 0, nh = 0, *lp = nullptr, *lh = nullptr;
  ASSERT_EQ(pav_GetCutPolygons(obj.get(), pl, &np, &lp, &nh, &lh, status), 0);
  ASSERT_EQ(np, 1);
  EXPECT_TRUE(lp[0] == 1 && nh == 0);
  free(lp);
  ps->innVer[6] = 4;
  ASSERT_EQ(pav_GetCutPolygons(obj.get(), pl, &np, &lp, &nh, &lh, status), 0);
  EXPECT_TRUE(nh == 1 && lh[0] == 2);
  free(lp);
  free(lh);
}

double field(double x, double y, double z) {
  return 1 + 2 * x - y + 0.5 * z + x * y - 3 * z * z + 0.25 * x * x;
}

} // namespace

// A straight P2 tetrahedron with vertices at the origin and the three unit points: the physical
// point of barycentric (a, b, c, e) is (b, c, e).
TEST(HoCutValues, VertexFieldOnCurvedTetrahedra) {
  pavo_test::ObjectPtr g(pavo_test::buildMesh(3, {}));
  PavObject *obj = g.get();
  char status[PAV_STATUS_SIZE] = "";
  ASSERT_EQ(pav_AllocEntityArrays(obj, Vertices, 10, status), 0);
  ASSERT_EQ(pav_AllocEntityArrays(obj, TetrahedraP2, 1, status), 0);
  PavSolution *sol = pav_NewSolutionRecord(3, 1, 10, 1, 1, status);
  ASSERT_NE(sol, nullptr);
  const int *ord = hoNodeOrder(HoTetrahedron, 2);
  // Vertex numbers in reverse so that the node list matters.
  for (int j = 0; j < 10; ++j) {
    const int v = 10 - j;
    obj->ent[TetrahedraP2].idx[10 + j] = v;
    sol->data[v] = field(ord[4 * j + 1] / 2.0, ord[4 * j + 2] / 2.0, ord[4 * j + 3] / 2.0);
  }
  ASSERT_EQ(pav_PushSolution(obj, SolAtVertices, sol, status), 0);

  // One cut triangle through the tetrahedron, corners given by barycentric coordinates.
  const int32_t lnk[6] = {0, 0, 0, TetrahedraP2, 1, 7};
  const double aux[24] = {0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,
                          0.5, 0.5, 0.0, 0.0, 0.5, 0.0, 0.5, 0.0, 0.4, 0.0, 0.0, 0.6};
  double *tri = nullptr, *qua = nullptr;
  ASSERT_EQ(pav_EvaluateSolutionOnCutFaces(obj, sol, 1, 1, lnk, aux, 0, nullptr, nullptr, 3, &tri,
                                           &qua, status),
            0)
      << status;
  const double *w = hoNodeRefCoords(HoTriangle, 3);
  for (int k = 0; k < 10; ++k) {
    double b[4] = {0, 0, 0, 0};
    for (int c = 0; c < 3; ++c)
      for (int m = 0; m < 4; ++m) b[m] += w[3 * k + c] * aux[12 + 4 * c + m];
    EXPECT_NEAR(tri[10 + k], field(b[1], b[2], b[3]), 1e-5) << "node " << k;
  }
  std::free(tri);
  std::free(qua);
}

TEST(HoCutValues, ElementFieldOnHexahedra) {
  pavo_test::ObjectPtr g(pavo_test::buildMesh(3, {}));
  PavObject *obj = g.get();
  char status[PAV_STATUS_SIZE] = "";
  ASSERT_EQ(pav_AllocEntityArrays(obj, Vertices, 8, status), 0);
  ASSERT_EQ(pav_AllocEntityArrays(obj, Hexahedra, 2, status), 0);
  PavSolution *sol = pav_NewSolutionRecord(3, 1, 2, 2, 27, status);
  ASSERT_NE(sol, nullptr);
  const int *ord = hoNodeOrder(HoHexahedron, 2);
  for (int j = 0; j < 27; ++j) // element 2 carries the field, element 1 zeros
    sol->data[2 * 27 + j] = field(ord[3 * j] / 2.0, ord[3 * j + 1] / 2.0, ord[3 * j + 2] / 2.0);
  ASSERT_EQ(pav_PushSolution(obj, SolAtHexahedraQ1, sol, status), 0);

  // A quadrilateral section at z = 0.3, and a second one naming an element that does not exist.
  const int32_t lnk[9] = {0, 0, 0, Hexahedra, 2, 1, Hexahedra, 3, 1};
  double aux[48] = {0};
  const double sq[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int c = 0; c < 4; ++c)
    aux[16 + 4 * c] = sq[c][0], aux[17 + 4 * c] = sq[c][1], aux[18 + 4 * c] = 0.3;
  double *tri = nullptr, *qua = nullptr;
  ASSERT_EQ(pav_EvaluateSolutionOnCutFaces(obj, sol, 0, 0, nullptr, nullptr, 2, lnk, aux, 2, &tri,
                                           &qua, status),
            0);
  const double *r = hoNodeRefCoords(HoQuadrilateral, 2);
  for (int k = 0; k < 9; ++k) {
    EXPECT_NEAR(qua[9 + k], field(r[2 * k], r[2 * k + 1], 0.3), 1e-5) << "node " << k;
    EXPECT_EQ(qua[18 + k], 0.0);
  }
  std::free(tri);
  std::free(qua);
}

static void cutOnUnknownParent() {
  dup2(2, 1);
  PavObject *obj = pavo_test::buildMesh(3, {});
  char status[PAV_STATUS_SIZE];
  PavSolution *sol = pav_NewSolutionRecord(3, 1, 1, 1, 1, status);
  const int32_t lnk[6] = {0, 0, 0, Triangles, 1, 1};
  const double aux[24] = {0};
  double *tri, *qua;
  pav_EvaluateSolutionOnCutFaces(obj, sol, 1, 1, lnk, aux, 0, nullptr, nullptr, 1, &tri, &qua,
                                 status);
}

TEST(HoCutValuesDeathTest, ParentThatIsNoVolumeStops) {
  EXPECT_EXIT(cutOnUnknownParent(), ::testing::ExitedWithCode(1),
              " Triangle, case undefined for type 4");
}
