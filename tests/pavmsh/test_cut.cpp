// Cut detection (both paths), faces and shells of entity sets, and the capping of every first-
// order volume kind and of P2 tetrahedra, checked by geometry: section area, corners on the
// plane, watertight sections under any vertex numbering, parent coordinates mapping back.
#include "mesh_builders.h"
#include "pav_cut.h"
#include "pav_topology.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>
#include <numeric>
#include <random>
#include <vector>

using pavo_test::buildCube;
using pavo_test::CubeSplit;

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
  // The first triangle's records (triangles are numbered from 1).
  const double *tc = nullptr, *ta = nullptr;
  const int *tl = nullptr;
  ~Cap() {
    free(crd);
    free(aux);
    free(lnk);
    free(qc);
    free(qa);
    free(ql);
  }
};

int volumeType(const PavObject *obj) {
  for (int t : {Tetrahedra, Pyramids, Prisms, Hexahedra, TetrahedraP2})
    if (pav_Count(obj, t)) return t;
  return 0;
}

void cap(const PavObject *obj, const double pl[4], int type, Cap &c) {
  Cut cut;
  char status[PAV_STATUS_SIZE];
  ASSERT_EQ(pav_GetCutEntities(obj, pl, type, &cut.n, &cut.lst, status), 0);
  auto fn = type == TetrahedraP2 ? pav_CappingP2Tetrahedra : pav_capping;
  ASSERT_EQ(fn(obj, pl, type, cut.n, cut.lst, &c.nt, &c.crd, &c.aux, &c.lnk, &c.nq, &c.qc, &c.qa,
               &c.ql, status),
            0);
  EXPECT_EQ(c.nq, 0);
  if (c.nt > 0) {
    c.tc = c.crd + 9;
    c.ta = c.aux + 12;
    c.tl = c.lnk + 3;
  }
}

double triArea(const double *t) {
  const double u[3] = {t[3] - t[0], t[4] - t[1], t[5] - t[2]};
  const double v[3] = {t[6] - t[0], t[7] - t[1], t[8] - t[2]};
  const double x = u[1] * v[2] - u[2] * v[1], y = u[2] * v[0] - u[0] * v[2],
               z = u[0] * v[1] - u[1] * v[0];
  return 0.5 * std::sqrt(x * x + y * y + z * z);
}

// Renumbers the vertices by a random permutation, so every rotation of the splits is exercised.
void shuffleVertices(PavObject *obj, unsigned seed) {
  const int nv = obj->ent[Vertices].nbr;
  std::vector<int> perm(nv + 1);
  std::iota(perm.begin(), perm.end(), 0);
  std::mt19937 rng(seed);
  std::shuffle(perm.begin() + 1, perm.end(), rng);
  std::vector<double> crd(obj->crdDbl, obj->crdDbl + 3 * (nv + 1));
  for (int v = 1; v <= nv; v++)
    for (int c = 0; c < 3; c++) obj->crdDbl[3 * perm[v] + c] = crd[3 * v + c];
  for (int t = Edges; t < PAV_NBR_STORED_TYPES; t++) {
    if (!pav_IsElementType(t) || !pav_Count(obj, t)) continue;
    const int64_t n = int64_t(pav_Count(obj, t) + 1) * pav_MshTyp2Siz(t, nullptr);
    for (int64_t k = pav_MshTyp2Siz(t, nullptr); k < n; k++)
      obj->ent[t].idx[k] = perm[obj->ent[t].idx[k]];
  }
}

// Position of a parent-reference point through the first-order map of the element.
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
    const double x = r[0], y = r[1], z = r[2];
    const double f[8] = {
        (1 - x) * (1 - y) * (1 - z), x * (1 - y) * (1 - z), x * y * (1 - z), (1 - x) * y * (1 - z),
        (1 - x) * (1 - y) * z,       x * (1 - y) * z,       x * y * z,       (1 - x) * y * z};
    std::copy(f, f + 8, w);
  }
  }
  std::array<double, 3> p = {0, 0, 0};
  for (int k = 0; k < nv; k++)
    for (int c = 0; c < 3; c++) p[c] += w[k] * obj->crdDbl[3 * g[k] + c];
  return p;
}

TEST(CutEntities, SidesAndBadInput) {
  char status[PAV_STATUS_SIZE];
  PavObject *obj = pavo_test::buildMesh(3, {});
  Cut c;
  const double px[4] = {1, 0, 0, 0};
  // No vertices: empty, success.
  EXPECT_EQ(pav_GetCutEntities(obj, px, Tetrahedra, &c.n, &c.lst, status), 0);
  EXPECT_EQ(c.n, 0);
  pav_DeleteInterface(&obj);
  obj = pavo_test::buildMesh(3, {0, 0, 0, 1, 0, 0, 1, 1, 0, 1, 0, 1, -1, 0, 0}, Tetrahedra,
                             {1, 2, 3, 4, 2, 3, 4, 5, 1, 2, 3, 99});
  // Vertex 1 on the plane counts as non-positive: tetrahedron 1 (one on, three positive) is cut.
  ASSERT_EQ(pav_GetCutEntities(obj, px, Tetrahedra, &c.n, &c.lst, status), 0);
  EXPECT_EQ(std::vector<int>(c.lst, c.lst + c.n), std::vector<int>({1, 2}));
  free(c.lst);
  c.lst = nullptr;
  // A plane missing the mesh, a degenerate plane, a non-finite one: nothing.
  for (const double *pl : {(const double[4]){1, 0, 0, 5}, (const double[4]){0, 0, 0, 0},
                           (const double[4]){std::numeric_limits<double>::quiet_NaN(), 0, 0, 0}}) {
    ASSERT_EQ(pav_GetCutEntities(obj, pl, Tetrahedra, &c.n, &c.lst, status), 0);
    EXPECT_EQ(c.n, 0);
    EXPECT_EQ(c.lst, nullptr);
  }
  const std::pair<std::function<int()>, const char *> nulls[] = {
      {[&] { return pav_GetCutEntities(nullptr, px, Tetrahedra, &c.n, &c.lst, status); },
       "NULL (PavObject)    parameter on input\n"},
      {[&] { return pav_GetCutEntities(obj, px, Tetrahedra, nullptr, &c.lst, status); },
       "NULL (nbrCutEnt)    parameter on input\n"},
      {[&] { return pav_GetCutEntities(obj, px, Tetrahedra, &c.n, nullptr, status); },
       "NULL (lstCutEnt)    parameter on input\n"}};
  for (const auto &n : nulls) {
    EXPECT_EQ(n.first(), PAV_FAILURE);
    EXPECT_STREQ(status, n.second);
  }
  pav_DeleteInterface(&obj);
}

// Entities straddling x = c by the extent of their nodes, high-order nodes included.
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
  pavo_test::ObjectPtr p2(buildCube(CubeSplit::Prisms, 3, 2));
  Cut c2;
  ASSERT_EQ(pav_GetCutEntities(p2.get(), pl, PrismsP2, &c2.n, &c2.lst, status), 0);
  EXPECT_EQ(std::vector<int>(c2.lst, c2.lst + c2.n), straddling(p2.get(), PrismsP2, 0.4));
  // Above a million entities the worker pool runs the scan.
  PavObject *big = buildCube(CubeSplit::Tetrahedra, 56, 1);
  ASSERT_GT(pav_Count(big, Tetrahedra), PAV_CUT_PARALLEL_THRESHOLD);
  Cut c, plain;
  ASSERT_EQ(pav_GetCutEntities(big, pl, Tetrahedra, &c.n, &c.lst, status), 0);
  EXPECT_EQ(std::vector<int>(c.lst, c.lst + c.n), straddling(big, Tetrahedra, 0.4));
  ASSERT_EQ(pav_GetCutEntitiesPlain(big, pl, Tetrahedra, &plain.n, &plain.lst, status), 0);
  EXPECT_EQ(plain.n, c.n);
  // An element with a bad node number is skipped by the checked form.
  big->ent[Tetrahedra].idx[4 * c.lst[0]] = -3;
  Cut bad;
  ASSERT_EQ(pav_GetCutEntities(big, pl, Tetrahedra, &bad.n, &bad.lst, status), 0);
  EXPECT_EQ(bad.n, c.n - 1);
  pav_DeleteInterface(&big);
}

TEST(FacesOfEntities, AllFacesAndShell) {
  PavObject *obj = buildCube(CubeSplit::Tetrahedra, 2, 2);
  const int n = pav_Count(obj, TetrahedraP2);
  std::vector<int> all(n);
  std::iota(all.begin(), all.end(), 1);
  char status[PAV_STATUS_SIZE];
  int nt, nq, pt, pq, *tn, *tl, *qn, *ql;
  ASSERT_EQ(pav_GetFacesOfEntities(obj, TetrahedraP2, n, all.data(), &nt, &tn, &tl, &pt, &nq, &qn,
                                   &ql, &pq, status),
            0);
  EXPECT_EQ(std::vector<int>({nt, pt, nq}), std::vector<int>({4 * n, 6, 0}));
  free(tn);
  free(tl);
  // The shell of the whole mesh is its boundary: 2 triangles per cell side, 6 sides of 2 x 2.
  testing::internal::CaptureStdout();
  ASSERT_EQ(pav_GetShellOfEntities(obj, TetrahedraP2, n, all.data(), &nt, &tn, &tl, &pt, &nq, &qn,
                                   &ql, &pq, status),
            0);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(nt, 48);
  // In list order: links never go back.
  for (int j = 1; j < nt; j++) EXPECT_LE(tl[3 * (j - 1) + 1], tl[3 * j + 1]);
  free(tn);
  free(tl);
  // A single element's shell is its four faces; a bad number is reported and skipped.
  const int one[2] = {5, 9999};
  testing::internal::CaptureStdout();
  ASSERT_EQ(pav_GetShellOfEntities(obj, TetrahedraP2, 2, one, &nt, &tn, &tl, &pt, &nq, &qn, &ql,
                                   &pq, status),
            0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "  .... problem id entity 1 iEnt 9999 [0-48] nbrFac 0 \n");
  EXPECT_EQ(nt, 4);
  free(tn);
  free(tl);
  pav_DeleteInterface(&obj);
}

class CappingOnCube : public testing::TestWithParam<std::tuple<int, int>> {};

// x = 0.5 through a 3 x 3 x 3 cube crosses cell interiors (and pyramid apexes); through a 2 x 2 x 2
// cube it runs along cell faces and vertices. Either way the section is the unit square.
TEST_P(CappingOnCube, SectionIsTheUnitSquare) {
  const CubeSplit split = static_cast<CubeSplit>(std::get<0>(GetParam()));
  const int n = std::get<1>(GetParam());
  PavObject *obj = buildCube(split, n, 1);
  shuffleVertices(obj, 17 + n);
  const int type = volumeType(obj);
  const double pl[4] = {2, 0, 0, -1};
  Cap c;
  cap(obj, pl, type, c);
  ASSERT_GT(c.nt, 0);
  double area = 0;
  for (int k = 0; k < c.nt; k++) {
    area += triArea(c.tc + 9 * k);
    ASSERT_EQ(c.tl[3 * k], type);
    const int i = c.tl[3 * k + 1];
    EXPECT_EQ(c.tl[3 * k + 2], obj->ent[type].ref[i]);
    for (int m = 0; m < 3; m++) {
      const double *x = c.tc + 9 * k + 3 * m;
      ASSERT_NEAR(x[0], 0.5, 1e-7);
      const auto p = parentMap(obj, type, i, c.ta + 12 * k + 4 * m);
      for (int q = 0; q < 3; q++) ASSERT_NEAR(p[q], x[q], 1e-7);
    }
  }
  EXPECT_NEAR(area, 1.0, 1e-6);
  pav_DeleteInterface(&obj);
}

INSTANTIATE_TEST_SUITE_P(Kinds, CappingOnCube,
                         testing::Combine(testing::Range(0, 4), testing::Values(2, 3)));

// Away from vertices, every section edge inside the cube is shared by exactly two triangles: a
// split that differed between two neighbours would leave unmatched edges on their common face.
TEST(Capping, SectionsAreWatertight) {
  for (CubeSplit s :
       {CubeSplit::Hexahedra, CubeSplit::Prisms, CubeSplit::Pyramids, CubeSplit::HexPrism}) {
    {
      const unsigned seed = 1;
      PavObject *obj = buildCube(s, 3, 1);
      shuffleVertices(obj, seed);
      const double pl[4] = {1, 0.3, 0.2, -0.61};
      // Crossings are computed with a single-precision parameter from either end of an edge, so
      // points are matched within a tolerance: cluster them first.
      std::vector<std::array<double, 3>> pts;
      std::vector<int> tri;
      for (int type : {Pyramids, Prisms, Hexahedra}) {
        if (!pav_Count(obj, type)) continue;
        Cap c;
        cap(obj, pl, type, c);
        for (int k = 0; k < 3 * c.nt; k++) {
          const double *x = c.tc + 3 * k;
          int id = -1;
          for (size_t q = 0; q < pts.size() && id < 0; q++)
            if (std::fabs(pts[q][0] - x[0]) + std::fabs(pts[q][1] - x[1]) +
                    std::fabs(pts[q][2] - x[2]) <
                1e-6)
              id = static_cast<int>(q);
          if (id < 0) {
            id = static_cast<int>(pts.size());
            pts.push_back({x[0], x[1], x[2]});
          }
          tri.push_back(id);
        }
      }
      std::map<std::pair<int, int>, int> edges;
      for (size_t k = 0; k < tri.size(); k += 3)
        for (int m = 0; m < 3; m++) {
          const int a = tri[k + m], b = tri[k + (m + 1) % 3];
          edges[{std::min(a, b), std::max(a, b)}]++;
        }
      for (const auto &e : edges) {
        const auto &a = pts[e.first.first], &b = pts[e.first.second];
        bool onBoundary = false;
        for (int q = 1; q < 3; q++)
          for (double side : {0.0, 1.0})
            onBoundary =
                onBoundary || (std::fabs(a[q] - side) < 1e-9 && std::fabs(b[q] - side) < 1e-9);
        ASSERT_EQ(e.second, onBoundary ? 1 : 2) << "split " << int(s) << " seed " << seed;
      }
      pav_DeleteInterface(&obj);
    }
  }
}

// The section of P2 hexahedra is not computed: one message per entity.
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
  PavObject *obj = buildCube(CubeSplit::Tetrahedra, 3, 2);
  const double pl[4] = {1, 0, 0, -0.5};
  Cap c;
  cap(obj, pl, TetrahedraP2, c);
  double area = 0;
  for (int k = 0; k < c.nt; k++) area += triArea(c.tc + 9 * k);
  EXPECT_NEAR(area, 1.0, 1e-12);
  pav_DeleteInterface(&obj);
  // Bend one edge node off the straight edge: the crossing follows the parabola, not the chord.
  obj = pavo_test::buildMesh(3, {0,   0,   0, 1, 0,   0, 0, 1, 0,   0,   0, 1,   0.5, 0.2, 0,
                                 0.5, 0.5, 0, 0, 0.5, 0, 0, 0, 0.5, 0.5, 0, 0.5, 0,   0.5, 0.5},
                             TetrahedraP2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  const double quarter[4] = {1, 0, 0, -0.25};
  Cap bent;
  cap(obj, quarter, TetrahedraP2, bent);
  ASSERT_EQ(bent.nt, 1);
  int found = 0; // reference coordinates on the straight reference edge: a quarter of the way
  for (int m = 0; m < 3; m++)
    found += std::fabs(bent.tc[3 * m + 1] - 0.15) < 1e-12 &&
             std::fabs(bent.tc[3 * m] - 0.25) < 1e-12 && bent.tc[3 * m + 2] == 0 &&
             std::fabs(bent.ta[4 * m] - 0.75) < 1e-12 &&
             std::fabs(bent.ta[4 * m + 1] - 0.25) < 1e-12;
  EXPECT_EQ(found, 1);
  pav_DeleteInterface(&obj);
}

// Polygons and polyhedra: two boundary polygons (one crossing x = 0.5), one polyhedron made of
// the crossing polygon's copy among the inner polygons, one inner polygon with a bad vertex.
TEST(CutEntities, PolygonsAndPolyhedra) {
  PavObject *obj = nullptr;
  char status[PAV_STATUS_SIZE];
  pav_NewInterface(&obj);
  obj->dim = 3;
  pav_AllocEntityArrays(obj, Vertices, 6, status);
  const double xs[6] = {0, 1, 1, 0, 0.2, 0.3};
  for (int v = 1; v <= 6; v++) obj->crdDbl[3 * v] = xs[v - 1];
  PavPolygonSet *ps = static_cast<PavPolygonSet *>(calloc(1, sizeof(PavPolygonSet)));
  // Boundary polygons: (1, 2, 3, 4) crosses, (1, 5, 6) does not.
  ps->nbrBndPol = 2;
  ps->nbrBndVer = 7;
  auto ints = [](std::vector<int32_t> v) {
    int32_t *p = static_cast<int32_t *>(calloc(v.size(), sizeof(int32_t)));
    std::copy(v.begin(), v.end(), p);
    return p;
  };
  ps->bndHdr = ints({0, 0, 1, 0, 5, 0});
  ps->bndVer = ints({0, 1, 2, 3, 4, 1, 5, 6});
  // Inner polygons: (5, 6, 1) and (2, 3, 99); polyhedra: {1} (not cut), {-1, 2} (bad vertex).
  ps->nbrInnPol = 2;
  ps->nbrInnVer = 6;
  ps->innHdr = ints({0, 0, 1, 0, 4, 0});
  ps->innVer = ints({0, 5, 6, 1, 2, 3, 99});
  ps->nbrPolyhedra = 2;
  ps->nbrPolyhedraFaces = 3;
  ps->phdHdr = ints({0, 0, 1, 0, 2, 0});
  ps->phdFac = ints({0, 1, -1, 2});
  obj->pol = ps;
  const double pl[4] = {1, 0, 0, -0.5};
  int np = 0, nh = 0, *lp = nullptr, *lh = nullptr;
  ASSERT_EQ(pav_GetCutPolygons(obj, pl, &np, &lp, &nh, &lh, status), 0);
  ASSERT_EQ(np, 1);
  EXPECT_TRUE(lp[0] == 1 && nh == 0);
  free(lp);
  // Fix the bad vertex: polyhedron 2 now spans both sides.
  ps->innVer[6] = 4;
  ASSERT_EQ(pav_GetCutPolygons(obj, pl, &np, &lp, &nh, &lh, status), 0);
  ASSERT_EQ(nh, 1);
  EXPECT_EQ(lh[0], 2);
  free(lp);
  free(lh);
  pav_DeleteInterface(&obj);
}

} // namespace
