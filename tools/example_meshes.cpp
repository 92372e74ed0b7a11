#include "example_meshes.h"

#include "ho_lattice.h"
#include "pav_io.h"
#include "pav_solution.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

namespace pavo_examples {
namespace {

struct Point {
  double x, y, z;
};

// Vertices numbered in order of first use, keyed by a lattice index.
struct VertexTable {
  std::vector<int> number;
  std::vector<Point> points;
  explicit VertexTable(size_t lattice) : number(lattice, 0) {}
  int get(size_t key, const Point &p) {
    if (!number[key]) {
      points.push_back(p);
      number[key] = int(points.size());
    }
    return number[key];
  }
};

PavObject *newObject(int dim) {
  PavObject *obj = nullptr;
  pav_NewInterface(&obj);
  obj->dim = dim;
  return obj;
}

void storeVertices(PavObject *obj, const VertexTable &table) {
  char status[PAV_STATUS_SIZE];
  const int n = int(table.points.size());
  pav_AllocEntityArrays(obj, Vertices, n, status);
  for (int i = 1; i <= n; i++) {
    obj->crdDbl[3 * i] = table.points[i - 1].x;
    obj->crdDbl[3 * i + 1] = table.points[i - 1].y;
    obj->crdDbl[3 * i + 2] = table.points[i - 1].z;
  }
}

void storeElements(PavObject *obj, int type, const std::vector<int> &nodes,
                   const std::vector<int> &refs) {
  char status[PAV_STATUS_SIZE];
  const int s = pav_MshTyp2Siz(type, nullptr);
  const int n = int(refs.size());
  pav_AllocEntityArrays(obj, type, n, status);
  for (int i = 1; i <= n; i++) {
    for (int k = 0; k < s; k++) obj->ent[type].idx[s * i + k] = nodes[size_t(s) * (i - 1) + k];
    obj->ent[type].ref[i] = refs[i - 1];
  }
}

PavSolution *pushRecord(PavObject *obj, int list, int kind, int degree, const char *name) {
  char status[PAV_STATUS_SIZE];
  const int n =
      list == SolAtVertices ? obj->ent[Vertices].nbr : obj->ent[pav_SolTyp2ListTyp(list)].nbr;
  const int m = list == SolAtVertices ? 1 : pav_SolTyp2NbrNod(list, degree);
  PavSolution *rec = pav_NewSolutionRecord(obj->dim, kind, n, degree, m, status);
  std::snprintf(rec->name, PAV_NAME_SIZE, "%s", name);
  pav_PushSolution(obj, list, rec, status);
  return rec;
}

bool writeBoth(PavObject *obj, const std::string &dir, const std::string &base) {
  char status[PAV_IO_STATUS_SIZE];
  bool ok = pav_WriteMesh(obj, (dir + "/" + base + ".mesh").c_str(), status) == PAV_SUCCESS &&
            pav_WriteSolution(obj, (dir + "/" + base + ".sol").c_str(), -1, status) == PAV_SUCCESS;
  if (!ok) std::printf("%s", status);
  pav_DeleteInterface(&obj);
  return ok;
}

// ---- A quarter of a thick cylinder, P2 tetrahedra with their P2 boundary triangles ----
//
// The box [0, NR] x [0, NT] x [0, NZ] of unit cubes, each split into the six tetrahedra around
// its main diagonal, is bent by (i, j, k) -> r = 1 + i / NR, angle pi/2 j / NT, z = k / (2 NZ).
// Every P2 node is the midpoint of two cube corners, a point of the half-step lattice, which
// numbers the vertices; placing them on the bent shape makes the elements curved.
constexpr int NR = 3, NT = 6, NZ = 2;

Point bend(double i, double j, double k) {
  const double r = 1 + i / NR, a = M_PI / 2 * j / NT;
  return {r * std::cos(a), r * std::sin(a), k / (2.0 * NZ)};
}

double temperature(const Point &p) { return std::sin(2 * p.x) * std::cos(p.y) + p.z; }
double pressure(const Point &p) { return p.x * p.y * (1 + p.z) - 0.5 * std::hypot(p.x, p.y); }

bool writeAnnulus(const std::string &dir) {
  const int A = 2 * NR + 1, B = 2 * NT + 1, C = 2 * NZ + 1;
  VertexTable table(size_t(A) * B * C);
  auto vertex = [&](int a, int b, int c) {
    return table.get((size_t(a) * B + b) * C + c, bend(a / 2.0, b / 2.0, c / 2.0));
  };
  struct Half {
    int a, b, c;
  };
  const int paths[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  const int edges[6][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
  const int faces[4][3] = {{0, 1, 2}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}};
  std::vector<int> tetNodes, tetRefs, triNodes, triRefs;
  std::vector<std::vector<Half>> tets;
  for (int i = 0; i < NR; i++)
    for (int j = 0; j < NT; j++)
      for (int k = 0; k < NZ; k++)
        for (const int *path : paths) {
          int p[3] = {i, j, k};
          Half v[4];
          v[0] = {2 * p[0], 2 * p[1], 2 * p[2]};
          for (int s = 0; s < 3; s++) {
            p[path[s]]++;
            v[s + 1] = {2 * p[0], 2 * p[1], 2 * p[2]};
          }
          // Positive volume in the box, hence in the bent shape too.
          const double e[3][3] = {
              {double(v[1].a - v[0].a), double(v[1].b - v[0].b), double(v[1].c - v[0].c)},
              {double(v[2].a - v[0].a), double(v[2].b - v[0].b), double(v[2].c - v[0].c)},
              {double(v[3].a - v[0].a), double(v[3].b - v[0].b), double(v[3].c - v[0].c)}};
          const double det = e[0][0] * (e[1][1] * e[2][2] - e[1][2] * e[2][1]) -
                             e[0][1] * (e[1][0] * e[2][2] - e[1][2] * e[2][0]) +
                             e[0][2] * (e[1][0] * e[2][1] - e[1][1] * e[2][0]);
          if (det < 0) std::swap(v[1], v[2]);
          tets.push_back({v[0], v[1], v[2], v[3]});
          for (const Half &h : v) tetNodes.push_back(vertex(h.a, h.b, h.c));
          for (const int *ed : edges)
            tetNodes.push_back(vertex((v[ed[0]].a + v[ed[1]].a) / 2, (v[ed[0]].b + v[ed[1]].b) / 2,
                                      (v[ed[0]].c + v[ed[1]].c) / 2));
          tetRefs.push_back(1);
          // A face lying in a side of the box is a boundary triangle; its reference names the
          // side (1, 2 inner and outer wall, 3, 4 the cuts, 5, 6 bottom and top).
          for (const int *f : faces) {
            const Half &x = v[f[0]], &y = v[f[1]], &z = v[f[2]];
            int side = 0;
            if (x.a == y.a && y.a == z.a && (x.a == 0 || x.a == 2 * NR)) side = x.a ? 2 : 1;
            if (x.b == y.b && y.b == z.b && (x.b == 0 || x.b == 2 * NT)) side = x.b ? 4 : 3;
            if (x.c == y.c && y.c == z.c && (x.c == 0 || x.c == 2 * NZ)) side = x.c ? 6 : 5;
            if (!side) continue;
            const Half t[3] = {x, y, z};
            for (const Half &h : t) triNodes.push_back(vertex(h.a, h.b, h.c));
            for (int s = 0; s < 3; s++) {
              const Half &h0 = t[s], &h1 = t[(s + 1) % 3];
              triNodes.push_back(vertex((h0.a + h1.a) / 2, (h0.b + h1.b) / 2, (h0.c + h1.c) / 2));
            }
            triRefs.push_back(side);
          }
        }
  PavObject *obj = newObject(3);
  storeVertices(obj, table);
  storeElements(obj, TetrahedraP2, tetNodes, tetRefs);
  storeElements(obj, TrianglesP2, triNodes, triRefs);

  PavSolution *t = pushRecord(obj, SolAtVertices, PavSolScalar, 1, "Temperature");
  for (int i = 1; i <= obj->ent[Vertices].nbr; i++) t->data[i] = temperature(table.points[i - 1]);
  // A cubic field on the P2 tetrahedra, at the degree-3 nodes of each element.
  PavSolution *p = pushRecord(obj, SolAtTetrahedraP2, PavSolScalar, 3, "Pressure");
  const double *bary = hoNodeRefCoords(HoTetrahedron, 3);
  for (size_t e = 0; e < tets.size(); e++)
    for (int k = 0; k < 20; k++) {
      double h[3] = {0, 0, 0};
      for (int v = 0; v < 4; v++) {
        h[0] += bary[4 * k + v] * tets[e][v].a / 2.0;
        h[1] += bary[4 * k + v] * tets[e][v].b / 2.0;
        h[2] += bary[4 * k + v] * tets[e][v].c / 2.0;
      }
      p->data[(e + 1) * 20 + k] = pressure(bend(h[0], h[1], h[2]));
    }
  return writeBoth(obj, dir, "annulus_p2");
}

// ---- An eighth of the unit sphere, P3 triangles ----
//
// The face x + y + z = 1 of the first octant, cut into N x N triangles whose P3 nodes lie on the
// lattice of step 1 / (3 N), projected onto the sphere.
constexpr int N = 3;

Point onSphere(double p, double q) {
  const double L = 3.0 * N;
  const double x = (L - p - q) / L, y = p / L, z = q / L;
  const double r = std::sqrt(x * x + y * y + z * z);
  return {x / r, y / r, z / r};
}

double height(const Point &p) { return p.z; }
double wave(const Point &p) { return std::cos(3 * p.x) * p.y + p.z * p.z; }

bool writeSphere(const std::string &dir) {
  const int L = 3 * N;
  VertexTable table(size_t(L + 1) * (L + 1));
  auto vertex = [&](int p, int q) { return table.get(size_t(p) * (L + 1) + q, onSphere(p, q)); };
  std::vector<int> nodes, refs;
  std::vector<std::array<int, 6>> corners; // fine-lattice corners of each triangle
  auto add = [&](int p0, int q0, int p1, int q1, int p2, int q2) {
    const int P[3] = {p0, p1, p2}, Q[3] = {q0, q1, q2};
    for (int s = 0; s < 3; s++) nodes.push_back(vertex(P[s], Q[s]));
    for (int s = 0; s < 3; s++) {
      const int t = (s + 1) % 3;
      for (int w = 1; w <= 2; w++)
        nodes.push_back(vertex(P[s] + w * (P[t] - P[s]) / 3, Q[s] + w * (Q[t] - Q[s]) / 3));
    }
    nodes.push_back(vertex((P[0] + P[1] + P[2]) / 3, (Q[0] + Q[1] + Q[2]) / 3));
    refs.push_back(1);
    corners.push_back({p0, q0, p1, q1, p2, q2});
  };
  for (int a = 0; a < N; a++)
    for (int b = 0; a + b < N; b++) {
      add(3 * a, 3 * b, 3 * a + 3, 3 * b, 3 * a, 3 * b + 3);
      if (a + b + 2 <= N) add(3 * a + 3, 3 * b, 3 * a + 3, 3 * b + 3, 3 * a, 3 * b + 3);
    }
  PavObject *obj = newObject(3);
  storeVertices(obj, table);
  storeElements(obj, TrianglesP3, nodes, refs);

  PavSolution *h = pushRecord(obj, SolAtVertices, PavSolScalar, 1, "Height");
  for (int i = 1; i <= obj->ent[Vertices].nbr; i++) h->data[i] = height(table.points[i - 1]);
  PavSolution *w = pushRecord(obj, SolAtTrianglesP3, PavSolScalar, 3, "Wave");
  const double *bary = hoNodeRefCoords(HoTriangle, 3);
  for (size_t e = 0; e < corners.size(); e++)
    for (int k = 0; k < 10; k++) {
      double p = 0, q = 0;
      for (int v = 0; v < 3; v++) {
        p += bary[3 * k + v] * corners[e][2 * v];
        q += bary[3 * k + v] * corners[e][2 * v + 1];
      }
      w->data[(e + 1) * 10 + k] = wave(onSphere(p, q));
    }
  return writeBoth(obj, dir, "sphere_p3");
}

} // namespace

std::vector<std::string> exampleFiles() {
  return {"annulus_p2.mesh", "annulus_p2.sol", "sphere_p3.mesh", "sphere_p3.sol"};
}

bool writeExamples(const std::string &dir) { return writeAnnulus(dir) && writeSphere(dir); }

} // namespace pavo_examples
