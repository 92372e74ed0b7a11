// Local faces and edges, boundary extraction against a counting oracle on structured cubes of
// every kind and degree, links, the non-conformal form and the volume-to-surface transfers.
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
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using pavo_test::buildCube;
using pavo_test::CubeSplit;

namespace {

using Key = std::vector<int>;

const int kVolKinds[4] = {PavKindTetrahedron, PavKindPyramid, PavKindPrism, PavKindHexahedron};

struct Boundary {
  int nbrTri = 0, nbrQua = 0, nodTri = 0, nodQua = 0;
  int *triNod = nullptr, *triLnk = nullptr, *quaNod = nullptr, *quaLnk = nullptr;
  std::string out;
  ~Boundary() {
    free(triNod);
    free(triLnk);
    free(quaNod);
    free(quaLnk);
  }
};

void extract(PavObject *obj, int volType, Boundary &b, int *triLnk = nullptr,
             int *quaLnk = nullptr) {
  char status[PAV_STATUS_SIZE] = "";
  testing::internal::CaptureStdout();
  const int rc =
      pav_BuildBoundarySurface(obj, volType, &b.nbrTri, &b.triNod, &b.triLnk, triLnk, &b.nodTri,
                               &b.nbrQua, &b.quaNod, &b.quaLnk, quaLnk, &b.nodQua, status);
  b.out = testing::internal::GetCapturedStdout();
  ASSERT_EQ(rc, PAV_SUCCESS) << status;
}

// Oracle: every face of every volume element by its sorted vertices, counted.
std::map<Key, int> countFaces(const PavObject *obj, int degree) {
  std::map<Key, int> count;
  for (int k : kVolKinds) {
    const int t = pav_ElementType(static_cast<PavElementKind>(k), degree);
    for (int i = 1; i <= pav_Count(obj, t); i++) {
      int nf = 0, siz[6], ver[6][4];
      EXPECT_EQ(GetEntityFaces(obj, i, t, &nf, siz, ver, nullptr), 0);
      for (int f = 0; f < nf; f++) {
        Key key(ver[f], ver[f] + siz[f]);
        std::sort(key.begin(), key.end());
        count[key]++;
      }
    }
  }
  return count;
}

std::array<double, 3> crd(const PavObject *obj, int v) {
  return {obj->crdDbl[3 * v], obj->crdDbl[3 * v + 1], obj->crdDbl[3 * v + 2]};
}

// A boundary face of the unit cube: all its nodes on one side of the cube, normal outward.
void expectOnCubeBoundary(const PavObject *obj, const int *nod, int n, int nbrVer) {
  int axis = -1;
  double side = 0;
  for (int a = 0; a < 3 && axis < 0; a++) {
    const double v = crd(obj, nod[0])[a];
    if (v != 0.0 && v != 1.0) continue;
    bool all = true;
    for (int m = 0; m < n; m++) all = all && crd(obj, nod[m])[a] == v;
    if (all) axis = a, side = v;
  }
  ASSERT_GE(axis, 0) << "face not on the cube boundary";
  const auto p0 = crd(obj, nod[0]), p1 = crd(obj, nod[1]), p2 = crd(obj, nod[nbrVer - 1]);
  const double u[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
  const double v[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
  const double nrm[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                         u[0] * v[1] - u[1] * v[0]};
  EXPECT_GT(nrm[axis] * (side == 1.0 ? 1 : -1), 0) << "face normal points inward";
}

// Area of a planar triangle, or of a planar quadrilateral as two triangles.
double faceArea(const PavObject *obj, const int *v, int n) {
  auto tri = [&](int a, int b, int c) {
    const auto p = crd(obj, v[a]), q = crd(obj, v[b]), r = crd(obj, v[c]);
    const double u[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
    const double w[3] = {r[0] - p[0], r[1] - p[1], r[2] - p[2]};
    const double x = u[1] * w[2] - u[2] * w[1], y = u[2] * w[0] - u[0] * w[2],
                 z = u[0] * w[1] - u[1] * w[0];
    return 0.5 * std::sqrt(x * x + y * y + z * z);
  };
  return n == 3 ? tri(0, 1, 2) : tri(0, 1, 2) + tri(0, 2, 3);
}

TEST(LocalTables, FirstOrderAndGeneratedEdges) {
  int n = 0;
  const int *f = pav_LocalFace(PavKindTetrahedron, 1, 1, &n);
  EXPECT_EQ(std::vector<int>(f, f + n), std::vector<int>({3, 2, 0}));
  const int expect[3][3] = {{0, 1, 3}, {1, 2, 4}, {2, 0, 5}};
  for (int e = 0; e < 3; e++) {
    const int *ed = pav_LocalEdge(PavKindTriangle, 2, e, &n);
    ASSERT_EQ(n, 3);
    for (int m = 0; m < 3; m++) EXPECT_EQ(ed[m], expect[e][m]);
  }
  // Every face of every kind and degree: the face node count, distinct ids, vertices first.
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
        std::set<int> distinct(ids, ids + n);
        EXPECT_EQ(static_cast<int>(distinct.size()), n);
        for (int m = 0; m < n1; m++) EXPECT_EQ(ids[m], v1[m]);
        for (int m = 0; m < n; m++) {
          ASSERT_GE(ids[m], 0);
          ASSERT_LT(ids[m], nbrVol);
          onFace[ids[m]]++;
        }
      }
      // Nodes on no face are the element's interior: count them independently.
      int surface = 0;
      for (int c : onFace) surface += c > 0;
      const int m = d - 1, t = d - 3;
      int interior = 0;
      if (kind == PavKindTetrahedron) interior = d >= 4 ? pav_KindNbrNod(kind, d - 4) : 0;
      if (kind == PavKindPyramid) interior = d >= 3 ? pav_KindNbrNod(kind, d - 3) : 0;
      if (kind == PavKindPrism) interior = d >= 3 ? m * (t + 1) * (t + 2) / 2 : 0;
      if (kind == PavKindHexahedron) interior = m * m * m;
      EXPECT_EQ(nbrVol - surface, interior) << k << " " << d;
    }
  }
  int ids[128];
  EXPECT_EQ(pav_GetIthEntityTypLocalId(TetrahedraP2, 0, &n, ids, nullptr), 0);
  EXPECT_EQ(n, 6);
  char status[PAV_STATUS_SIZE] = "";
  EXPECT_EQ(pav_GetIthEntityTypLocalId(Triangles, 0, &n, ids, status), PAV_FAILURE);
  EXPECT_STREQ(status, "Type 4 is not handled in pav_GetIthEntityTypLocalId ! \n");
  EXPECT_EQ(pav_GetIthEntityTypLocalId(Tetrahedra, 4, &n, ids, status), PAV_FAILURE);
  EXPECT_EQ(pav_GetIthEntityTypLocalId(72, 5, &n, ids, nullptr), 0); // hexahedron degree 10
  EXPECT_EQ(n, 121);
}

// Neighbouring elements must see the same nodes on the face they share, at every degree: a wrong
// lattice map shows as two node sets that differ.
TEST(LocalTables, SharedFacesAgreeOnStructuredCubes) {
  for (CubeSplit s : {CubeSplit::Tetrahedra, CubeSplit::Pyramids, CubeSplit::Prisms,
                      CubeSplit::Hexahedra, CubeSplit::TetPyramid, CubeSplit::HexPrism}) {
    for (int d = 1; d <= 4; d++) {
      PavObject *obj = buildCube(s, 2, d);
      ASSERT_NE(obj, nullptr);
      std::map<Key, std::vector<Key>> full;
      for (int k : kVolKinds) {
        const int t = pav_ElementType(static_cast<PavElementKind>(k), d);
        for (int i = 1; i <= pav_Count(obj, t); i++) {
          int nf = 0, siz[6], nod[6 * PAV_FACE_SLOTS];
          ASSERT_EQ(GetEntityFaces(obj, i, t, &nf, siz, nod, nullptr), 0);
          for (int f = 0; f < nf; f++) {
            Key all(nod + f * PAV_FACE_SLOTS, nod + f * PAV_FACE_SLOTS + siz[f]);
            Key ver(all.begin(),
                    all.begin() + (siz[f] == pav_KindNbrNod(PavKindTriangle, d) ? 3 : 4));
            std::sort(ver.begin(), ver.end());
            std::sort(all.begin(), all.end());
            full[ver].push_back(all);
          }
        }
      }
      for (const auto &kv : full) {
        ASSERT_LE(kv.second.size(), 2u);
        if (kv.second.size() == 2) {
          ASSERT_EQ(kv.second[0], kv.second[1]) << "degree " << d;
        }
      }
      pav_DeleteInterface(&obj);
    }
  }
}

struct CubeCase {
  CubeSplit split;
  int degree;
};

class BoundaryOnCube : public testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(BoundaryOnCube, MatchesCountingOracle) {
  const CubeSplit split = static_cast<CubeSplit>(std::get<0>(GetParam()));
  const int d = std::get<1>(GetParam());
  PavObject *obj = buildCube(split, 2, d);
  ASSERT_NE(obj, nullptr);
  const auto count = countFaces(obj, d);
  std::multiset<Key> expected, got;
  for (const auto &kv : count) {
    ASSERT_LE(kv.second, 2);
    if (kv.second == 1) expected.insert(kv.first);
  }
  const int triNod = pav_KindNbrNod(PavKindTriangle, d),
            quaNod = pav_KindNbrNod(PavKindQuadrilateral, d);
  double area = 0;
  for (int k : kVolKinds) {
    const int t = pav_ElementType(static_cast<PavElementKind>(k), d);
    if (pav_Count(obj, t) == 0) continue;
    Boundary b;
    extract(obj, t, b);
    EXPECT_EQ(b.nodTri, b.nbrTri ? triNod : 0);
    EXPECT_EQ(b.nodQua, b.nbrQua ? quaNod : 0);
    for (int j = 0; j < b.nbrTri; j++) {
      const int *nod = b.triNod + j * triNod;
      Key key(nod, nod + 3);
      std::sort(key.begin(), key.end());
      got.insert(key);
      expectOnCubeBoundary(obj, nod, triNod, 3);
      area += faceArea(obj, nod, 3);
      // The link names this type and a face whose nodes are exactly the new face's.
      const int *l = b.triLnk + 3 * j;
      ASSERT_EQ(l[0], t);
      int nn = 0, fn[PAV_FACE_SLOTS];
      ASSERT_EQ(pav_GetIthEntityFace(obj, l[1], t, l[2], &nn, fn, nullptr), 0);
      ASSERT_TRUE(std::equal(fn, fn + nn, nod));
    }
    for (int j = 0; j < b.nbrQua; j++) {
      const int *nod = b.quaNod + j * quaNod;
      Key key(nod, nod + 4);
      std::sort(key.begin(), key.end());
      got.insert(key);
      expectOnCubeBoundary(obj, nod, quaNod, 4);
      area += faceArea(obj, nod, 4);
    }
  }
  EXPECT_EQ(got, expected);
  EXPECT_NEAR(area, 6.0, 1e-12) << "the created faces tile the six sides of the cube";
  pav_DeleteInterface(&obj);
}

INSTANTIATE_TEST_SUITE_P(AllKinds, BoundaryOnCube,
                         testing::Combine(testing::Range(0, 6), testing::Range(1, 5)));

TEST(Boundary, SingleAndTwoTetrahedra) {
  char status[PAV_STATUS_SIZE];
  PavObject *obj = pavo_test::buildMesh(3, {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1},
                                        Tetrahedra, {1, 2, 3, 4});
  {
    Boundary b;
    extract(obj, Tetrahedra, b);
    EXPECT_EQ(b.nbrTri, 4);
    EXPECT_EQ(b.out, "  Creation of 4 new surface triangles from the volume mesh\n");
    std::set<int> faces;
    for (int j = 0; j < 4; j++) {
      EXPECT_EQ(b.triLnk[3 * j], Tetrahedra);
      EXPECT_EQ(b.triLnk[3 * j + 1], 1);
      faces.insert(b.triLnk[3 * j + 2]);
    }
    EXPECT_EQ(faces, (std::set<int>{0, 1, 2, 3}));
  }
  pav_AllocEntityArrays(obj, Tetrahedra, 2, status);
  const int t2[8] = {1, 2, 3, 4, 2, 5, 3, 4}; // share face (2, 3, 4)
  std::copy(t2, t2 + 8, obj->ent[Tetrahedra].idx + 4);
  {
    Boundary b;
    extract(obj, Tetrahedra, b);
    EXPECT_EQ(b.nbrTri, 6);
  }
  // An element pointing outside the vertex range is ignored, never followed.
  obj->ent[Tetrahedra].idx[9] = 99;
  EXPECT_EQ(pav_CountInvalidEntities(obj, Tetrahedra), 1);
  {
    Boundary b;
    extract(obj, Tetrahedra, b);
    EXPECT_EQ(b.nbrTri, 4);
  }
  // Types of degree above 4 or without entities give nothing.
  Boundary none;
  extract(obj, Hexahedra, none);
  EXPECT_EQ(none.nbrQua, 0);
  EXPECT_EQ(none.out, "");
  int nf = 0, siz[6], nod[150];
  EXPECT_EQ(GetEntityFaces(obj, 1, Triangles, &nf, siz, nod, status), PAV_FAILURE);
  EXPECT_STREQ(status, "Type 4 is not handled in GetEntityFaces ! \n");
  status[0] = 0;
  EXPECT_EQ(GetEntityFaces(obj, 3, Tetrahedra, &nf, siz, nod, status), PAV_FAILURE);
  EXPECT_STREQ(status, "");
  pav_DeleteInterface(&obj);
}

// Vertices renumbered at random scatter the faces met so far over the whole mesh instead of a thin
// front: the face table grows, wraps round and shifts entries back on removal, and must still
// keep exactly the faces met once, each linked to an element face with its nodes.
TEST(Boundary, ScrambledNumberingMatchesCountingOracle) {
  for (CubeSplit s :
       {CubeSplit::Tetrahedra, CubeSplit::Hexahedra, CubeSplit::Prisms, CubeSplit::Pyramids}) {
    PavObject *obj = buildCube(s, 9, 1);
    ASSERT_NE(obj, nullptr);
    const int nv = obj->ent[Vertices].nbr;
    std::vector<int> perm(nv + 1);
    std::iota(perm.begin(), perm.end(), 0);
    std::shuffle(perm.begin() + 1, perm.end(), std::mt19937(7));
    for (int k : kVolKinds) {
      const int t = pav_ElementType(static_cast<PavElementKind>(k), 1);
      const int64_t siz = pav_KindNbrNod(static_cast<PavElementKind>(k), 1);
      for (int64_t m = siz; m <= pav_Count(obj, t) * siz + siz - 1; m++)
        obj->ent[t].idx[m] = perm[obj->ent[t].idx[m]];
    }
    std::multiset<Key> expected, got;
    for (const auto &kv : countFaces(obj, 1))
      if (kv.second == 1) expected.insert(kv.first);
    for (int k : kVolKinds) {
      const int t = pav_ElementType(static_cast<PavElementKind>(k), 1);
      if (pav_Count(obj, t) == 0) continue;
      Boundary b;
      extract(obj, t, b);
      for (int q = 0; q < 2; q++) {
        const int n = q ? 4 : 3, nbr = q ? b.nbrQua : b.nbrTri;
        for (int j = 0; j < nbr; j++) {
          const int *nod = (q ? b.quaNod : b.triNod) + j * n;
          const int *l = (q ? b.quaLnk : b.triLnk) + 3 * j;
          int nn = 0, fn[PAV_FACE_SLOTS];
          ASSERT_EQ(l[0], t);
          ASSERT_EQ(pav_GetIthEntityFace(obj, l[1], t, l[2], &nn, fn, nullptr), 0);
          ASSERT_TRUE(nn == n && std::equal(fn, fn + nn, nod));
          Key key(nod, nod + n);
          std::sort(key.begin(), key.end());
          got.insert(key);
        }
      }
    }
    EXPECT_EQ(got, expected) << "split " << int(s);
    pav_DeleteInterface(&obj);
  }
}

// A face shared by three tetrahedra is met an odd number of times: it stays, once.
TEST(Boundary, FaceMetThreeTimesStaysOnce) {
  PavObject *obj = pavo_test::buildMesh(3, std::vector<double>(18, 0.0), Tetrahedra,
                                        {1, 2, 3, 4, 1, 3, 2, 5, 1, 2, 3, 6});
  Boundary b;
  extract(obj, Tetrahedra, b);
  ASSERT_EQ(b.nbrTri, 10);
  int shared = 0;
  for (int j = 0; j < b.nbrTri; j++) {
    Key key(b.triNod + 3 * j, b.triNod + 3 * j + 3);
    std::sort(key.begin(), key.end());
    shared += key == Key{1, 2, 3};
  }
  EXPECT_EQ(shared, 1);
  pav_DeleteInterface(&obj);
}

// A face's nodes listed from another starting vertex or in the other direction: each node's
// lattice point is re-expressed in the permuted vertex frame.
std::vector<int> permuteFace(const int *nod, int d, bool tri, int start, bool reverse) {
  const HoKind k = tri ? HoTriangle : HoQuadrilateral;
  const int nv = tri ? 3 : 4, w = hoOrderWidth(k);
  const int64_t n = hoNodeCount(k, d);
  const int *ord = hoNodeOrder(k, d);
  static const int corner[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  std::vector<int> out(n);
  for (int64_t m = 0; m < n; m++) {
    // New vertex q is old vertex perm(q); find the old node at the new node's position.
    auto perm = [&](int q) { return reverse ? (start - q + nv) % nv : (start + q) % nv; };
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

// Partial existing surfaces, rotated and reflected: the rest is created, every existing element
// is linked to the face it covers, and a field given by its value at node positions comes back
// on the surface nodes unchanged, whatever the orientation.
TEST(Boundary, PartialSurfaceLinksAndTransfers) {
  for (CubeSplit s :
       {CubeSplit::Tetrahedra, CubeSplit::Hexahedra, CubeSplit::Prisms, CubeSplit::Pyramids}) {
    for (int d = 1; d <= 3; d++) {
      PavObject *obj = buildCube(s, 2, d);
      int volType = 0;
      for (int k : kVolKinds) {
        const int t = pav_ElementType(static_cast<PavElementKind>(k), d);
        if (pav_Count(obj, t)) volType = t;
      }
      Boundary all;
      extract(obj, volType, all);
      const int triType = pav_ElementType(PavKindTriangle, d);
      const int quaType = pav_ElementType(PavKindQuadrilateral, d);
      char status[PAV_STATUS_SIZE];
      // Keep every other face as an existing surface element, with varied orientations.
      for (int tri = 0; tri < 2; tri++) {
        const int cnt = tri ? all.nbrTri : all.nbrQua;
        const int per = tri ? all.nodTri : all.nodQua;
        const int *src = tri ? all.triNod : all.quaNod;
        const int keep = (cnt + 1) / 2;
        const int type = tri ? triType : quaType;
        if (!keep) continue;
        pav_AllocEntityArrays(obj, type, keep, status);
        for (int e = 1; e <= keep; e++) {
          const auto p = permuteFace(src + (2 * (e - 1)) * per, d, tri, e % (tri ? 3 : 4), e % 2);
          std::copy(p.begin(), p.end(), obj->ent[type].idx + e * per);
        }
      }
      const int nbrT = pav_Count(obj, triType), nbrQ = pav_Count(obj, quaType);
      std::vector<int> tl(6 * (nbrT + 1), 0), ql(6 * (nbrQ + 1), 0);
      Boundary rest;
      extract(obj, volType, rest, tl.data(), ql.data());
      EXPECT_EQ(rest.nbrTri, all.nbrTri - nbrT);
      EXPECT_EQ(rest.nbrQua, all.nbrQua - nbrQ);

      // A field of the volume nodes: f = x + 2y + 3z + xy, so wrong nodes give wrong values.
      const int volSol = pav_EntTyp2SolTyp(volType, nullptr);
      const int nbrNodVol = pav_KindNbrNod(pav_ElementKind(volType), d);
      std::vector<double> vol((pav_Count(obj, volType) + 1) * nbrNodVol);
      auto f = [&](int v) {
        const auto p = crd(obj, v);
        return p[0] + 2 * p[1] + 3 * p[2] + p[0] * p[1];
      };
      for (int i = 1; i <= pav_Count(obj, volType); i++)
        for (int m = 0; m < nbrNodVol; m++)
          vol[i * nbrNodVol + m] = f(obj->ent[volType].idx[i * nbrNodVol + m]);
      for (int tri = 0; tri < 2; tri++) {
        const int type = tri ? triType : quaType;
        const int cnt = pav_Count(obj, type);
        if (!cnt) continue;
        const int per = pav_MshTyp2Siz(type, nullptr);
        const std::vector<int> &lnk = tri ? tl : ql;
        for (int e = 1; e <= cnt; e++) {
          const int *l = &lnk[6 * e];
          ASSERT_EQ(l[0], volType);
          int nn = 0, fn[PAV_FACE_SLOTS];
          ASSERT_EQ(pav_GetIthEntityFace(obj, l[1], volType, l[2], &nn, fn, nullptr), 0);
          const int *sur = obj->ent[type].idx + e * per;
          std::vector<int> a(fn, fn + nn), b(sur, sur + per);
          std::sort(a.begin(), a.end());
          std::sort(b.begin(), b.end());
          ASSERT_EQ(a, b);
        }
        int unlinked = -1;
        double *val = pav_GetSurfaceSolutionFromVolumeSolution(
            d, volSol, vol.data(), 1, type, cnt, lnk.data(), nullptr, &unlinked, status);
        ASSERT_NE(val, nullptr);
        EXPECT_EQ(unlinked, 0);
        for (int e = 1; e <= cnt; e++)
          for (int m = 0; m < per; m++)
            ASSERT_DOUBLE_EQ(val[e * per + m], f(obj->ent[type].idx[e * per + m]))
                << "split " << int(s) << " degree " << d << " element " << e << " node " << m;
        free(val);
        // Created faces take the values at their own nodes.
        const int nNew = tri ? rest.nbrTri : rest.nbrQua;
        const int *newNod = tri ? rest.triNod : rest.quaNod;
        double *cv = pav_GetCreatedSurfaceSolutionFromVolumeSolution(
            d, volSol, vol.data(), 1, type, nNew, tri ? rest.triLnk : rest.quaLnk, status);
        ASSERT_NE(cv, nullptr);
        for (int k = 1; k <= nNew; k++)
          for (int m = 0; m < per; m++)
            ASSERT_DOUBLE_EQ(cv[k * per + m], f(newNod[(k - 1) * per + m]));
        free(cv);
      }
      pav_DeleteInterface(&obj);
    }
  }
}

TEST(Boundary, InternalSurfaceSwitchesToNonConformal) {
  PavObject *obj = buildCube(CubeSplit::Tetrahedra, 2, 1);
  Boundary ref;
  extract(obj, Tetrahedra, ref);
  // Add an interior face of element 1 (face 0) as a surface triangle.
  char status[PAV_STATUS_SIZE];
  int nn = 0, fn[PAV_FACE_SLOTS];
  int inner = -1;
  const auto count = countFaces(obj, 1);
  for (int f = 0; f < 4 && inner < 0; f++) {
    pav_GetIthEntityFace(obj, 1, Tetrahedra, f, &nn, fn, nullptr);
    Key k(fn, fn + 3);
    std::sort(k.begin(), k.end());
    if (count.at(k) == 2) inner = f;
  }
  ASSERT_GE(inner, 0); // fn holds that face
  pav_AllocEntityArrays(obj, Triangles, 1, status);
  obj->ent[Triangles].idx[3] = fn[1];
  obj->ent[Triangles].idx[4] = fn[2];
  obj->ent[Triangles].idx[5] = fn[0];
  std::vector<int> tl(12, 0);
  Boundary b;
  extract(obj, Tetrahedra, b, tl.data());
  EXPECT_EQ(b.out.rfind("  Non Conformal reconstruction is used\n", 0), 0u);
  EXPECT_EQ(b.nbrTri, ref.nbrTri);
  // Element order: the links never go back to an earlier element.
  for (int j = 1; j < b.nbrTri; j++) EXPECT_LE(b.triLnk[3 * (j - 1) + 1], b.triLnk[3 * j + 1]);
  // Linked to one of the two elements sharing the face, vertex positions consistent.
  EXPECT_EQ(tl[6], Tetrahedra);
  ASSERT_EQ(pav_GetIthEntityFace(obj, tl[7], Tetrahedra, tl[8], &nn, fn, nullptr), 0);
  for (int m = 0; m < 3; m++) EXPECT_EQ(fn[m], obj->ent[Triangles].idx[3 + tl[9 + m]]);
  pav_DeleteInterface(&obj);
}

TEST(Boundary, TransferRefusesBadDegrees) {
  const double vol[40] = {};
  const int lnk[3] = {Tetrahedra, 1, 0};
  testing::internal::CaptureStdout();
  EXPECT_EQ(pav_GetCreatedSurfaceSolutionFromVolumeSolution(11, SolAtTetrahedraP1, vol, 1,
                                                            Triangles, 1, lnk, nullptr),
            nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "wrong degree in input\n");
  // Degree 0: the element value on every face.
  double v0[2] = {0, 7.5};
  double *r = pav_GetCreatedSurfaceSolutionFromVolumeSolution(0, SolAtTetrahedraP1, v0, 1,
                                                              Triangles, 1, lnk, nullptr);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r[1], 7.5);
  free(r);
}

} // namespace
