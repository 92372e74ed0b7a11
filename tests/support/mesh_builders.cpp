// Nodes on an integer grid of 2d units per cell, numbered on first use: shared nodes are one
// vertex.
#include "mesh_builders.h"

#include "ho_lattice.h"
#include "pav_io.h"
#include "pav_solution.h"
#include "pav_types.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <random>
#include <vector>

namespace pavo_test {

namespace {

struct P {
  int x, y, z;
};

struct Builder {
  int n, d, D, res;
  std::vector<int32_t> vid; // fine grid point -> vertex number (0: unused)
  std::vector<P> ver;       // vertex number - 1 -> fine point
  std::vector<int32_t> nodes[PAV_NBR_STORED_TYPES];
  std::vector<int32_t> refs[PAV_NBR_STORED_TYPES];

  int32_t vertex(int x, int y, int z) {
    int32_t &v = vid[(static_cast<int64_t>(x) * (res + 1) + y) * (res + 1) + z];
    if (!v) {
      ver.push_back({x, y, z});
      v = static_cast<int32_t>(ver.size());
    }
    return v;
  }

  static int64_t det(const P &a, const P &b, const P &c) {
    return int64_t(a.x) * (int64_t(b.y) * c.z - int64_t(b.z) * c.y) -
           int64_t(a.y) * (int64_t(b.x) * c.z - int64_t(b.z) * c.x) +
           int64_t(a.z) * (int64_t(b.x) * c.y - int64_t(b.y) * c.x);
  }
  static P sub(const P &a, const P &b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

  // Vertex weights of reference point r (pyramids: affine on a parallelogram base, no V2 term).
  static void weights(HoKind k, const double *r, double *w) {
    switch (k) {
    case HoTetrahedron:
      std::copy(r, r + 4, w);
      break;
    case HoPrism:
      for (int i = 0; i < 3; i++) w[i] = r[i] * (1 - r[3]), w[i + 3] = r[i] * r[3];
      break;
    case HoPyramid:
      w[0] = 1 - r[0] - r[1] - r[2], w[1] = r[0], w[2] = 0, w[3] = r[1], w[4] = r[2];
      break;
    default:
      for (int i = 0; i < 8; i++)
        w[i] = ((i + 1) % 4 < 2 ? 1 - r[0] : r[0]) * (i % 4 < 2 ? 1 - r[1] : r[1]) *
               (i < 4 ? 1 - r[2] : r[2]);
    }
  }

  void element(HoKind k, std::vector<P> v, int32_t ref) {
    // Orient positively: the first three edges out of vertex 0 form a right-handed frame.
    auto flip = [&](int a, int b) { std::swap(v[a], v[b]); };
    switch (k) {
    case HoTetrahedron:
      if (det(sub(v[1], v[0]), sub(v[2], v[0]), sub(v[3], v[0])) < 0) flip(1, 2);
      break;
    case HoPrism:
      if (det(sub(v[1], v[0]), sub(v[2], v[0]), sub(v[3], v[0])) < 0) flip(1, 2), flip(4, 5);
      break;
    case HoPyramid:
      if (det(sub(v[1], v[0]), sub(v[3], v[0]), sub(v[4], v[0])) < 0) flip(1, 3);
      break;
    default:
      if (det(sub(v[1], v[0]), sub(v[3], v[0]), sub(v[4], v[0])) < 0) flip(1, 3), flip(5, 7);
    }
    const int type = pav_ElementType(static_cast<PavElementKind>(k), d);
    const int64_t nbr = hoNodeCount(k, d), rw = hoRefWidth(k);
    const double *rc = hoNodeRefCoords(k, d);
    double w[8];
    for (int64_t m = 0; m < nbr; m++) {
      weights(k, rc + m * rw, w);
      double x = 0, y = 0, z = 0;
      for (size_t i = 0; i < v.size(); i++)
        x += w[i] * v[i].x, y += w[i] * v[i].y, z += w[i] * v[i].z;
      nodes[type].push_back(vertex(int(std::lround(x)), int(std::lround(y)), int(std::lround(z))));
    }
    refs[type].push_back(ref);
  }
};

} // namespace

PavObject *buildCube(CubeSplit split, int n, int degree) {
  if (n < 1 || degree < 1 || degree > 4) return nullptr;
  Builder b{n, degree, 2 * degree, 2 * degree * n, {}, {}, {}, {}};
  b.vid.assign(static_cast<size_t>(b.res + 1) * (b.res + 1) * (b.res + 1), 0);
  for (int ci = 0; ci < n; ci++)
    for (int cj = 0; cj < n; cj++)
      for (int ck = 0; ck < n; ck++) {
        const int D = b.D, X = ci * D, Y = cj * D, Z = ck * D;
        const P c[8] = {{X, Y, Z},     {X + D, Y, Z},     {X + D, Y + D, Z},     {X, Y + D, Z},
                        {X, Y, Z + D}, {X + D, Y, Z + D}, {X + D, Y + D, Z + D}, {X, Y + D, Z + D}};
        const P mid = {X + D / 2, Y + D / 2, Z + D / 2};
        const int32_t ref = 1 + ((ci * n + cj) * n + ck) % 3;
        auto hex = [&] {
          b.element(HoHexahedron, {c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]}, ref);
        };
        auto prisms = [&] {
          b.element(HoPrism, {c[0], c[1], c[2], c[4], c[5], c[6]}, ref);
          b.element(HoPrism, {c[0], c[2], c[3], c[4], c[6], c[7]}, ref);
        };
        const int faces[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                 {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
        switch (split) {
        case CubeSplit::Hexahedra:
          hex();
          break;
        case CubeSplit::Tetrahedra: {
          const int t[6][4] = {{0, 1, 2, 6}, {0, 2, 3, 6}, {0, 3, 7, 6},
                               {0, 7, 4, 6}, {0, 4, 5, 6}, {0, 5, 1, 6}};
          for (const auto &q : t)
            b.element(HoTetrahedron, {c[q[0]], c[q[1]], c[q[2]], c[q[3]]}, ref);
          break;
        }
        case CubeSplit::Prisms:
          prisms();
          break;
        case CubeSplit::Pyramids:
          for (const auto &f : faces)
            b.element(HoPyramid, {c[f[0]], c[f[1]], c[f[2]], c[f[3]], mid}, ref);
          break;
        case CubeSplit::HexPrism:
          2 * ci < n ? hex() : prisms();
          break;
        case CubeSplit::TetPyramid:
          for (int f = 0; f < 6; f++) {
            const int *q = faces[f];
            if (f >= 2) {
              b.element(HoPyramid, {c[q[0]], c[q[1]], c[q[2]], c[q[3]], mid}, ref);
            } else {
              // Bottom and top split along the diagonal through corner (X, Y), as the neighbour.
              b.element(HoTetrahedron, {c[f ? 4 : 0], c[f ? 5 : 1], c[f ? 6 : 2], mid}, ref);
              b.element(HoTetrahedron, {c[f ? 4 : 0], c[f ? 6 : 2], c[f ? 7 : 3], mid}, ref);
            }
          }
          break;
        }
      }

  PavObject *obj = nullptr;
  char status[PAV_STATUS_SIZE];
  if (pav_NewInterface(&obj) != 0) return nullptr;
  obj->dim = 3;
  const int32_t nv = static_cast<int32_t>(b.ver.size());
  pav_AllocEntityArrays(obj, Vertices, nv, status);
  for (int32_t i = 1; i <= nv; i++) {
    const P &p = b.ver[i - 1];
    for (int c = 0; c < 3; c++)
      obj->crdDbl[3 * i + c] = double(c == 0 ? p.x : c == 1 ? p.y : p.z) / b.res;
  }
  for (int t = 0; t < PAV_NBR_STORED_TYPES; t++) {
    const int32_t cnt = static_cast<int32_t>(b.refs[t].size());
    if (!cnt) continue;
    pav_AllocEntityArrays(obj, t, cnt, status);
    const int64_t siz = static_cast<int64_t>(b.nodes[t].size()) / cnt;
    std::copy(b.nodes[t].begin(), b.nodes[t].end(), obj->ent[t].idx + siz);
    std::copy(b.refs[t].begin(), b.refs[t].end(), obj->ent[t].ref + 1);
  }
  return obj;
}

PavObject *buildMesh(int dim, const std::vector<double> &xyz, int type,
                     const std::vector<int> &nodes) {
  PavObject *obj = nullptr;
  char status[PAV_STATUS_SIZE];
  if (pav_NewInterface(&obj) != 0) return nullptr;
  obj->dim = dim;
  pav_AllocEntityArrays(obj, Vertices, int(xyz.size() / 3), status);
  std::copy(xyz.begin(), xyz.end(), obj->crdDbl + 3);
  if (type) {
    const int s = pav_MshTyp2Siz(type, nullptr);
    pav_AllocEntityArrays(obj, type, int(nodes.size()) / s, status);
    std::copy(nodes.begin(), nodes.end(), obj->ent[type].idx + s);
  }
  return obj;
}

PavPolygonSet *attachPolygons(PavObject *obj, const std::vector<int32_t> &bndHdr,
                              const std::vector<int32_t> &bndVer,
                              const std::vector<int32_t> &innHdr,
                              const std::vector<int32_t> &innVer,
                              const std::vector<int32_t> &phdHdr,
                              const std::vector<int32_t> &phdFac) {
  auto table = [](const std::vector<int32_t> &t, int32_t &count, int per) {
    count = t.empty() ? 0 : int32_t(t.size()) / per - 1;
    if (t.empty()) return static_cast<int32_t *>(nullptr);
    auto *p = static_cast<int32_t *>(std::calloc(t.size() + 1, sizeof(int32_t)));
    std::copy(t.begin(), t.end(), p);
    return p;
  };
  auto *ps = static_cast<PavPolygonSet *>(std::calloc(1, sizeof(PavPolygonSet)));
  ps->bndHdr = table(bndHdr, ps->nbrBndPol, 2), ps->bndVer = table(bndVer, ps->nbrBndVer, 1);
  ps->innHdr = table(innHdr, ps->nbrInnPol, 2), ps->innVer = table(innVer, ps->nbrInnVer, 1);
  ps->phdHdr = table(phdHdr, ps->nbrPolyhedra, 2);
  ps->phdFac = table(phdFac, ps->nbrPolyhedraFaces, 1);
  return obj->pol = ps;
}

void shuffleVertices(PavObject *obj, unsigned seed) {
  const int nv = obj->ent[Vertices].nbr;
  std::vector<int> perm(nv + 1);
  std::iota(perm.begin(), perm.end(), 0);
  std::shuffle(perm.begin() + 1, perm.end(), std::mt19937(seed));
  const std::vector<double> crd(obj->crdDbl, obj->crdDbl + 3 * (nv + 1));
  for (int v = 1; v <= nv; v++)
    for (int c = 0; c < 3; c++) obj->crdDbl[3 * perm[v] + c] = crd[3 * v + c];
  for (int t = Edges; t < PAV_NBR_STORED_TYPES; t++) {
    if (!pav_IsElementType(t) || !pav_Count(obj, t)) continue;
    const int64_t s = pav_MshTyp2Siz(t, nullptr), n = (pav_Count(obj, t) + 1) * s;
    for (int64_t k = s; k < n; k++) obj->ent[t].idx[k] = perm[obj->ent[t].idx[k]];
  }
}

PavSolution *pushVertexField(PavObject *obj, const std::function<double(double, double, double)> &f,
                             int nbrEnt) {
  char status[PAV_STATUS_SIZE];
  const int nv = obj->ent[Vertices].nbr, n = nbrEnt < 0 ? nv : nbrEnt;
  PavSolution *r = pav_NewSolutionRecord(3, PavSolScalar, n, 1, 1, status);
  EXPECT_NE(r, nullptr) << status;
  for (int v = 1; r && v <= std::min(nv, n); v++) {
    const double *p = obj->crdDbl + 3 * v;
    r->data[v] = f(p[0], p[1], p[2]);
  }
  EXPECT_EQ(pav_PushSolution(obj, SolAtVertices, r, status), 0) << status;
  return r;
}

std::string writeFieldCube(const std::string &dir, int fields) {
  ObjectPtr cube(buildCube(CubeSplit::Tetrahedra, 3, 1));
  char status[PAV_IO_STATUS_SIZE] = "";
  for (int c = 0; c < fields; c++)
    pushVertexField(cube.get(),
                    [c](double x, double y, double z) { return c ? c > 1 ? z : y : x; });
  const std::string mesh = dir + "/box.meshb";
  EXPECT_EQ(pav_WriteMesh(cube.get(), mesh.c_str(), status), 0) << status;
  EXPECT_EQ(pav_WriteSolution(cube.get(), (dir + "/box.solb").c_str(), -2, status), 0) << status;
  return mesh;
}

double triangleArea(const double *a, const double *b, const double *c) {
  const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]},
               v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  return 0.5 *
         std::sqrt(std::pow(u[1] * v[2] - u[2] * v[1], 2) + std::pow(u[2] * v[0] - u[0] * v[2], 2) +
                   std::pow(u[0] * v[1] - u[1] * v[0], 2));
}

} // namespace pavo_test
