// Local faces, boundary extraction against a counting oracle, links, the non-conformal form and
// the volume-to-surface transfers.
#include "ho_lattice.h"
#include "mesh_builders.h"
#include "pav_solution.h"
#include "pav_topology.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <tuple>

using pavo_test::buildCube;
using pavo_test::CubeSplit;

namespace {

using Key = std::vector<int>;

const int kVolKinds[4] = {PavKindTetrahedron, PavKindPyramid, PavKindPrism, PavKindHexahedron};
const CubeSplit kPure[4] = {CubeSplit::Tetrahedra, CubeSplit::Hexahedra, CubeSplit::Prisms,
                            CubeSplit::Pyramids};

Key sorted(const int *p, int n) {
  Key k(p, p + n);
  std::sort(k.begin(), k.end());
  return k;
}

int volType(int k, int d) { return pav_ElementType(static_cast<PavElementKind>(k), d); }

struct Boundary {
  int nbrTri = 0, nbrQua = 0, nodTri = 0, nodQua = 0;
  int *triNod = nullptr, *triLnk = nullptr, *quaNod = nullptr, *quaLnk = nullptr;
  std::string out;
  ~Boundary() {
    for (int *p : {triNod, triLnk, quaNod, quaLnk}) free(p);
  }
};

void extract(PavObject *obj, int type, Boundary &b, int *triLnk = nullptr, int *quaLnk = nullptr) {
  char status[PAV_STATUS_SIZE] = "";
  testing::internal::CaptureStdout();
  const int rc =
      pav_BuildBoundarySurface(obj, type, &b.nbrTri, &b.triNod, &b.triLnk, triLnk, &b.nodTri,
                               &b.nbrQua, &b.quaNod, &b.quaLnk, quaLnk, &b.nodQua, status);
  b.out = testing::internal::GetCapturedStdout();
  ASSERT_EQ(rc, PAV_SUCCESS) << status;
}

std::map<Key, int> countFaces(const PavObject *obj, int degree) {
  std::map<Key, int> count;
  for (int k : kVolKinds) {
    const int t = volType(k, degree);
    for (int i = 1; i <= pav_Count(obj, t); i++) {
      int nf = 0, siz[6], ver[6][4];
      EXPECT_EQ(GetEntityFaces(obj, i, t, &nf, siz, ver, nullptr), 0);
      for (int f = 0; f < nf; f++) count[sorted(ver[f], siz[f])]++;
    }
  }
  return count;
}

std::array<double, 3> crd(const PavObject *obj, int v) {
  return {obj->crdDbl[3 * v], obj->crdDbl[3 * v + 1], obj->crdDbl[3 * v + 2]};
}

std::array<double, 3> cross(const PavObject *obj, int a, int b, int c) {
  const auto p = crd(obj, a), q = crd(obj, b), r = crd(obj, c);
  const double u[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
  const double w[3] = {r[0] - p[0], r[1] - p[1], r[2] - p[2]};
  return {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
}

// A boundary face of the unit cube: all its nodes on one side, normal outward; returns its area.
double onCubeBoundary(const PavObject *obj, const int *nod, int n, int nbrVer) {
  int axis = -1;
  double side = 0;
  for (int a = 0; a < 3 && axis < 0; a++) {
    const double v = crd(obj, nod[0])[a];
    bool all = v == 0.0 || v == 1.0;
    for (int m = 0; m < n; m++) all = all && crd(obj, nod[m])[a] == v;
    if (all) axis = a, side = v;
  }
  EXPECT_GE(axis, 0) << "face not on the cube boundary";
  if (axis < 0) return 0;
  const auto nrm = cross(obj, nod[0], nod[1], nod[nbrVer - 1]);
  EXPECT_GT(nrm[axis] * (side == 1.0 ? 1 : -1), 0) << "face normal points inward";
  double area = std::fabs(nrm[axis]) / 2;
  if (nbrVer == 4) area += std::fabs(cross(obj, nod[0], nod[2], nod[3])[axis]) / 2;
  return area;
}

TEST(LocalTables, FacesOfEveryKindAndDegree) {
  int n = 0;
  for (int k : kVolKinds) {
    const PavElementKind kind = static_cast<PavElementKind>(k);
    for (int d = 1; d <= 10; d++) {
      const int nbrVol = pav_KindNbrNod(kind, d);
      std::vector<int> onFace(nbrVol, 0);
      for (int fi = 0; fi < pav_KindNbrFaces(kind); fi++) {
        const int *ids = pav_LocalFace(kind, d, fi, &n);
        int n1 = 0;
        const int *v1 = pav_LocalFace(kind, 1, fi, &n1);
        ASSERT_EQ(n, pav_KindNbrNod(n1 == 3 ? PavKindTriangle : PavKindQuadrilateral, d));
        EXPECT_EQ(std::set<int>(ids, ids + n).size(), size_t(n));
        EXPECT_TRUE(std::equal(v1, v1 + n1, ids));
        for (int m = 0; m < n; m++) {
          ASSERT_TRUE(ids[m] >= 0 && ids[m] < nbrVol);
          onFace[ids[m]]++;
        }
      }
      const int surface = nbrVol - std::count(onFace.begin(), onFace.end(), 0);
      const int m = d - 1, t = d - 3,
                interior[4] = {d >= 4 ? pav_KindNbrNod(kind, d - 4) : 0,
                               d >= 3 ? pav_KindNbrNod(kind, d - 3) : 0,
                               d >= 3 ? m * (t + 1) * (t + 2) / 2 : 0, m * m * m};
      const int idx = std::find(kVolKinds, kVolKinds + 4, k) - kVolKinds;
      EXPECT_EQ(nbrVol - surface, interior[idx]) << k << " " << d;
    }
  }
  int ids[128];
  char status[PAV_STATUS_SIZE] = "";
  EXPECT_EQ(pav_GetIthEntityTypLocalId(Triangles, 0, &n, ids, status), PAV_FAILURE);
  EXPECT_STREQ(status, "Type 4 is not handled in pav_GetIthEntityTypLocalId ! \n");
}

class BoundaryOnCube : public testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(BoundaryOnCube, MatchesCountingOracle) {
  const CubeSplit split = static_cast<CubeSplit>(std::get<0>(GetParam()));
  const int d = std::get<1>(GetParam());
  pavo_test::ObjectPtr obj(buildCube(split, d == 1 ? 9 : 2, d));
  ASSERT_NE(obj, nullptr);
  pavo_test::shuffleVertices(obj.get(), 7);
  std::multiset<Key> expected, got;
  for (const auto &kv : countFaces(obj.get(), d))
    if (kv.second == 1) expected.insert(kv.first);
  double area = 0;
  for (int k : kVolKinds) {
    const int t = volType(k, d);
    if (pav_Count(obj.get(), t) == 0) continue;
    Boundary b, split;
    extract(obj.get(), t, b);
    // Rows matched by three threads give the same bytes.
    pav_BoundarySetThreadsForTests(3);
    extract(obj.get(), t, split);
    pav_BoundarySetThreadsForTests(0);
    ASSERT_EQ(std::tie(split.nbrTri, split.nbrQua, split.out), std::tie(b.nbrTri, b.nbrQua, b.out));
    const size_t nt = size_t(b.nbrTri) * b.nodTri, nq = size_t(b.nbrQua) * b.nodQua;
    EXPECT_TRUE(std::equal(b.triNod, b.triNod + nt, split.triNod) &&
                std::equal(b.quaNod, b.quaNod + nq, split.quaNod) &&
                std::equal(b.triLnk, b.triLnk + 3 * b.nbrTri, split.triLnk) &&
                std::equal(b.quaLnk, b.quaLnk + 3 * b.nbrQua, split.quaLnk));
    for (int q = 0; q < 2; q++) {
      const int nbr = q ? b.nbrQua : b.nbrTri, nv = q ? 4 : 3;
      const int per = pav_KindNbrNod(q ? PavKindQuadrilateral : PavKindTriangle, d);
      EXPECT_EQ(q ? b.nodQua : b.nodTri, nbr ? per : 0);
      for (int j = 0; j < nbr; j++) {
        const int *nod = (q ? b.quaNod : b.triNod) + j * per;
        const int *l = (q ? b.quaLnk : b.triLnk) + 3 * j;
        got.insert(sorted(nod, nv));
        area += onCubeBoundary(obj.get(), nod, per, nv);
        int nn = 0, fn[PAV_FACE_SLOTS];
        ASSERT_EQ(l[0], t);
        ASSERT_EQ(pav_GetIthEntityFace(obj.get(), l[1], t, l[2], &nn, fn, nullptr), 0);
        ASSERT_TRUE(nn == per && std::equal(fn, fn + nn, nod));
      }
    }
  }
  EXPECT_EQ(got, expected);
  EXPECT_NEAR(area, 6.0, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(AllKinds, BoundaryOnCube,
                         testing::Combine(testing::Range(0, 6), testing::Range(1, 5)));

TEST(Boundary, SmallTetrahedraMeshes) {
  char status[PAV_STATUS_SIZE];
  pavo_test::ObjectPtr obj(pavo_test::buildMesh(
      3, {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2}, Tetrahedra, {1, 2, 3, 4}));
  auto nbrTri = [&](int type, const char *out = nullptr) {
    Boundary b;
    extract(obj.get(), type, b);
    EXPECT_EQ(b.out, out ? out : b.out);
    return b.nbrTri + b.nbrQua;
  };
  EXPECT_EQ(nbrTri(Tetrahedra, "  Creation of 4 new surface triangles from the volume mesh\n"), 4);
  pav_AllocEntityArrays(obj.get(), Tetrahedra, 3, status);
  const int t3[12] = {1, 2, 3, 4, 2, 5, 3, 4, 2, 3, 4, 6};
  std::copy(t3, t3 + 12, obj->ent[Tetrahedra].idx + 4);
  EXPECT_EQ(nbrTri(Tetrahedra), 10);
  obj->ent[Tetrahedra].idx[13] = 99; // out of the vertex range: ignored, never followed
  EXPECT_EQ(pav_CountInvalidEntities(obj.get(), Tetrahedra), 1);
  EXPECT_EQ(nbrTri(Tetrahedra), 6);
  // A fan of m tetrahedra around the edge 1-2 (vertex 1 starts thousands of faces): its boundary
  // is the two faces at each end plus two faces per tetrahedron.
  const int m = 900;
  std::vector<double> xyz(3 * (m + 3), 0.0);
  std::vector<int> fan;
  for (int k = 0; k < m; k++) fan.insert(fan.end(), {k % 2 ? 1 : 2, k % 2 ? 2 : 1, k + 3, k + 4});
  obj.reset(pavo_test::buildMesh(3, xyz, Tetrahedra, fan));
  EXPECT_EQ(nbrTri(Tetrahedra), 2 * m + 2);
}

std::vector<int> permuteFace(const int *nod, int d, bool tri, int start, bool reverse) {
  const HoKind k = tri ? HoTriangle : HoQuadrilateral;
  const int nv = tri ? 3 : 4, w = hoOrderWidth(k);
  const int64_t n = hoNodeCount(k, d);
  const int *ord = hoNodeOrder(k, d);
  static const int corner[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  auto perm = [&](int q) { return reverse ? (start - q + nv) % nv : (start + q) % nv; };
  std::vector<int> out(n);
  for (int64_t m = 0; m < n; m++) {
    int old[3] = {0, 0, 0};
    if (tri) {
      for (int q = 0; q < 3; q++) old[perm(q)] = ord[m * w + q];
    } else {
      const int i = ord[m * w], j = ord[m * w + 1];
      for (int c = 0; c < 2; c++)
        old[c] = d * corner[perm(0)][c] + i * (corner[perm(1)][c] - corner[perm(0)][c]) +
                 j * (corner[perm(3)][c] - corner[perm(0)][c]);
    }
    for (int64_t o = 0; o < n; o++)
      if (std::equal(old, old + w, ord + o * w)) out[m] = nod[o];
  }
  return out;
}

TEST(Boundary, PartialSurfaceLinksAndTransfers) {
  for (CubeSplit s : kPure) {
    for (int d = 1; d <= 3; d++) {
      pavo_test::ObjectPtr obj(buildCube(s, 2, d));
      PavObject *o = obj.get();
      int vt = 0;
      for (int k : kVolKinds) vt = pav_Count(o, volType(k, d)) ? volType(k, d) : vt;
      Boundary all;
      extract(o, vt, all);
      const int types[2] = {pav_ElementType(PavKindQuadrilateral, d),
                            pav_ElementType(PavKindTriangle, d)};
      char status[PAV_STATUS_SIZE];
      for (int tri = 0; tri < 2; tri++) { // every other face kept, with varied orientations
        const int per = tri ? all.nodTri : all.nodQua,
                  keep = ((tri ? all.nbrTri : all.nbrQua) + 1) / 2;
        if (!keep) continue;
        pav_AllocEntityArrays(o, types[tri], keep, status);
        for (int e = 1; e <= keep; e++) {
          const auto p = permuteFace((tri ? all.triNod : all.quaNod) + 2 * (e - 1) * per, d, tri,
                                     e % (tri ? 3 : 4), e % 2);
          std::copy(p.begin(), p.end(), o->ent[types[tri]].idx + e * per);
        }
      }
      std::vector<int> lnk[2] = {std::vector<int>(6 * (pav_Count(o, types[0]) + 1)),
                                 std::vector<int>(6 * (pav_Count(o, types[1]) + 1))};
      Boundary rest;
      pav_BoundarySetThreadsForTests(3);
      extract(o, vt, rest, lnk[1].data(), lnk[0].data());
      pav_BoundarySetThreadsForTests(0);
      EXPECT_EQ(rest.out.find("Non Conformal"), std::string::npos);
      EXPECT_EQ(rest.nbrTri, all.nbrTri - pav_Count(o, types[1]));
      EXPECT_EQ(rest.nbrQua, all.nbrQua - pav_Count(o, types[0]));
      const int volSol = pav_EntTyp2SolTyp(vt, nullptr);
      const int nbrNodVol = pav_KindNbrNod(pav_ElementKind(vt), d);
      auto f = [&](int v) {
        const auto p = crd(o, v);
        return p[0] + 2 * p[1] + 3 * p[2] + p[0] * p[1];
      };
      std::vector<double> vol((pav_Count(o, vt) + 1) * nbrNodVol);
      for (size_t m = nbrNodVol; m < vol.size(); m++) vol[m] = f(o->ent[vt].idx[m]);
      for (int tri = 0; tri < 2; tri++) {
        const int type = types[tri], cnt = pav_Count(o, type);
        if (!cnt) continue;
        const int per = pav_MshTyp2Siz(type, nullptr);
        int unlinked = -1;
        double *val = pav_GetSurfaceSolutionFromVolumeSolution(
            d, volSol, vol.data(), 1, type, cnt, lnk[tri].data(), nullptr, &unlinked, status);
        ASSERT_NE(val, nullptr);
        EXPECT_EQ(unlinked, 0);
        for (int m = per; m < (cnt + 1) * per; m++)
          ASSERT_DOUBLE_EQ(val[m], f(o->ent[type].idx[m])) << int(s) << " " << d << " " << m;
        free(val);
        const int nNew = tri ? rest.nbrTri : rest.nbrQua;
        const int *newNod = tri ? rest.triNod : rest.quaNod;
        double *cv = pav_GetCreatedSurfaceSolutionFromVolumeSolution(
            d, volSol, vol.data(), 1, type, nNew, tri ? rest.triLnk : rest.quaLnk, status);
        ASSERT_NE(cv, nullptr);
        for (int m = 0; m < nNew * per; m++) ASSERT_DOUBLE_EQ(cv[per + m], f(newNod[m]));
        free(cv);
      }
    }
  }
}

TEST(Boundary, InternalSurfaceSwitchesToNonConformal) {
  pavo_test::ObjectPtr obj(buildCube(CubeSplit::Tetrahedra, 2, 1));
  Boundary ref;
  extract(obj.get(), Tetrahedra, ref);
  char status[PAV_STATUS_SIZE];
  int nn = 0, fn[PAV_FACE_SLOTS], inner = -1;
  const auto count = countFaces(obj.get(), 1);
  for (int f = 0; f < 4 && inner < 0; f++) {
    pav_GetIthEntityFace(obj.get(), 1, Tetrahedra, f, &nn, fn, nullptr);
    if (count.at(sorted(fn, 3)) == 2) inner = f;
  }
  ASSERT_GE(inner, 0); // fn holds that interior face: add it, rotated, as a surface triangle
  pav_AllocEntityArrays(obj.get(), Triangles, 1, status);
  const int tri[3] = {fn[1], fn[2], fn[0]};
  std::copy(tri, tri + 3, obj->ent[Triangles].idx + 3);
  std::vector<int> tl(12, 0);
  Boundary b;
  extract(obj.get(), Tetrahedra, b, tl.data());
  EXPECT_EQ(b.out.rfind("  Non Conformal reconstruction is used\n", 0), 0u);
  EXPECT_EQ(b.nbrTri, ref.nbrTri);
  EXPECT_EQ(tl[6], Tetrahedra);
  ASSERT_EQ(pav_GetIthEntityFace(obj.get(), tl[7], Tetrahedra, tl[8], &nn, fn, nullptr), 0);
  for (int m = 0; m < 3; m++) EXPECT_EQ(fn[m], tri[tl[9 + m]]);
}

TEST(Boundary, TransferOfBadDegree) {
  double vol[40] = {0, 7.5};
  const int lnk[3] = {Tetrahedra, 1, 0};
  testing::internal::CaptureStdout();
  EXPECT_EQ(pav_GetCreatedSurfaceSolutionFromVolumeSolution(11, SolAtTetrahedraP1, vol, 1,
                                                            Triangles, 1, lnk, nullptr),
            nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "wrong degree in input\n");
}

} // namespace
