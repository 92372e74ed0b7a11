// The viewer's frame of a curved surface at 1600 x 1200 and the default settings: a sphere of
// 8 n^2 P2 triangles (n = 158 by default, 199 712 triangles; PAVO_BENCH_N=k sets n), its nodes on
// the exact sphere, against the same corner triangles as a P1 mesh in the viewer and against a
// pass-through program drawing those triangles. Needs an X server (xvfb-run).
#include "bench_cube.h"
#include "bench_quiet.h"
#include "bench_viewer.h"
#include "pavmsh.h"
#include "scene/mesh_viewer.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions_4_0_Core>
#include <QOpenGLShaderProgram>
#include <benchmark/benchmark.h>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

using namespace pavo;
using namespace pavo_bench;

namespace {

// Each octant of the unit sphere as a lattice of (2n + 1)(2n + 2) / 2 nodes projected onto the
// sphere (octants do not share nodes), cut into n^2 triangles of degree 2 or their corners.
PavObject *sphere(int n, bool p2, std::vector<float> &xyz, std::vector<unsigned> &tri) {
  PavObject *obj = nullptr;
  char status[PAV_STATUS_SIZE];
  pav_NewInterface(&obj);
  obj->dim = 3;
  const int m = 2 * n, perOctant = (m + 1) * (m + 2) / 2;
  pav_AllocEntityArrays(obj, Vertices, 8 * perOctant, status);
  auto id = [&](int o, int i, int j) {
    return o * perOctant + i * (m + 1) - i * (i - 1) / 2 + j + 1;
  };
  for (int o = 0; o < 8; o++)
    for (int i = 0; i <= m; i++)
      for (int j = 0; j <= m - i; j++) {
        const double a = double(m - i - j) / m, b = double(i) / m, c = double(j) / m;
        double p[3] = {o & 1 ? -a : a, o & 2 ? -b : b, o & 4 ? -c : c};
        const double len = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        for (int k = 0; k < 3; k++) obj->crdDbl[3 * id(o, i, j) + k] = p[k] / len;
      }
  const int type = p2 ? TrianglesP2 : Triangles, k = p2 ? 6 : 3;
  pav_AllocEntityArrays(obj, type, 8 * n * n, status);
  int32_t *idx = obj->ent[type].idx + k;
  for (int o = 0; o < 8; o++)
    for (int i = 0; i < n; i++)
      for (int j = 0; j < n - i; j++)
        for (int up = 0; up < (j < n - i - 1 ? 2 : 1); up++) {
          // Corners in lattice steps of 2, mid-side nodes between them.
          const int c[3][2] = {{2 * i, 2 * j}, {2 * i + 2, 2 * j}, {2 * i, 2 * j + 2}},
                    d[3][2] = {{2 * i + 2, 2 * j + 2}, {2 * i, 2 * j + 2}, {2 * i + 2, 2 * j}};
          const int(*q)[2] = up ? d : c;
          for (int v = 0; v < 3; v++) *idx++ = id(o, q[v][0], q[v][1]);
          for (int v = 0; p2 && v < 3; v++)
            *idx++ = id(o, (q[v][0] + q[(v + 1) % 3][0]) / 2, (q[v][1] + q[(v + 1) % 3][1]) / 2);
          for (int v = 0; v < 3; v++) tri.push_back((unsigned)id(o, q[v][0], q[v][1]) - 1);
        }
  for (int i = 1; i <= 8 * n * n; i++) obj->ent[type].ref[i] = 1;
  for (int v = 1; v <= obj->ent[Vertices].nbr; v++)
    for (int c = 0; c < 3; c++) xyz.push_back((float)obj->crdDbl[3 * v + c]);
  return obj;
}

using Shown = ShownTriangles;
std::map<bool, Shown> shown;

Shown &shownSphere(bool p2) {
  Shown &s = shown[p2];
  if (s.viewer) return s;
  PavObject *obj = sphere(cellsPerAxis(158), p2, s.xyz, s.tri);
  s.viewer = newViewer();
  Quiet q;
  s.viewer->adoptMesh(obj);
  s.viewer->displayObject();
  s.viewer->renderNowNoSwap(); // compiles the programs
  finish(*s.viewer);
  return s;
}

// The viewer's frame (range 1: the P2 sphere, 0: its corners as P1 triangles).
void BM_SphereViewer(benchmark::State &state) {
  Shown &s = shownSphere(state.range(0) != 0);
  for (auto _ : state) {
    s.viewer->renderNowNoSwap();
    finish(*s.viewer);
  }
  state.counters["triangles"] = (double)(s.tri.size() / 3);
}

// The corner triangles drawn by a program that only transforms and fills.
void BM_SpherePassThrough(benchmark::State &state) {
  Shown &s = shownSphere(true);
  PassThrough pass(*s.viewer, s.xyz, s.tri);
  for (auto _ : state) pass.frame();
  state.counters["triangles"] = (double)(s.tri.size() / 3);
}

} // namespace

BENCHMARK(BM_SpherePassThrough)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SphereViewer)->Arg(0)->Arg(1)->Iterations(10)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
  return runViewerBenchmarks(argc, argv, [] { shown.clear(); });
}
