// The mesh viewer on large tetrahedral meshes: building the scene (displayObject) and the first
// frame against pav_OpenMesh of the same file, the peak memory the building adds against the mesh
// object's arrays, and the redraw of the resulting boundary surface against a pass-through program
// drawing the same triangles. Meshes are cubes of 6 n^3 first-order tetrahedra written to /tmp,
// without and with their boundary triangles in the file. n defaults to 55 and 119 (1 and 10
// million tetrahedra); PAVO_BENCH_N=k runs n = k only. Needs an X server (xvfb-run).
#include "bench_cube.h"
#include "bench_io.h"
#include "bench_quiet.h"
#include "bench_viewer.h"
#include "pavmsh.h"
#include "scene/closed_surface.h"
#include "scene/mesh_viewer.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions_4_0_Core>
#include <QOpenGLShaderProgram>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using namespace pavo;
using namespace pavo_bench;

namespace {

// The cube of n cells per axis written once to /tmp, with or without its boundary triangles.
std::string meshFile(int n, bool boundary) {
  std::string name =
      "/tmp/pavo_bench_viewer_" + std::to_string(n) + (boundary ? "_bnd" : "") + ".meshb";
  if (access(name.c_str(), R_OK) == 0) return name;
  Quiet q;
  PavObject *obj = pavo_bench::tetCube(n);
  char status[1024] = "";
  if (boundary) {
    int nbrTri = 0, nbrQua = 0, nodTri = 0, nodQua = 0;
    int *triNod = nullptr, *triLnk = nullptr, *quaNod = nullptr, *quaLnk = nullptr;
    pav_BuildBoundarySurface(obj, Tetrahedra, &nbrTri, &triNod, &triLnk, nullptr, &nodTri, &nbrQua,
                             &quaNod, &quaLnk, nullptr, &nodQua, status);
    pav_AllocEntityArrays(obj, Triangles, nbrTri, status);
    for (int i = 0; i < 3 * nbrTri; i++) obj->ent[Triangles].idx[3 + i] = triNod[i];
    for (int i = 1; i <= nbrTri; i++) obj->ent[Triangles].ref[i] = 1;
    for (int *p : {triNod, triLnk, quaNod, quaLnk}) free(p);
  }
  pav_WriteMesh(obj, name.c_str(), status);
  pav_DeleteInterface(&obj);
  return name;
}

PavObject *openMesh(const std::string &file) {
  Quiet q;
  PavObject *obj = nullptr;
  char status[1024] = "";
  pav_NewInterface(&obj);
  if (pav_OpenMesh(obj, file.c_str(), status) != 0) pav_DeleteInterface(&obj);
  return obj;
}

double arraysMb(const PavObject *obj) {
  double bytes = 0;
  for (int t = 1; t < PAV_NBR_STORED_TYPES; t++) {
    const int32_t n = obj->ent[t].nbr;
    if (n < 1) continue;
    const int k = t == Vertices ? 0 : pav_MshTyp2Siz(t, nullptr);
    bytes += (double)(n + 1) * (4.0 * k + 4.0) + (t == Vertices ? 24.0 * (n + 1) : 0.0);
  }
  return bytes / (1024.0 * 1024.0);
}

int sizeOf(int64_t arg) { return (int)arg; }

// displayObject and the first frame, against pav_OpenMesh of the same file (same iteration), and
// the peak memory added by them against the object's arrays.
void BM_ViewerOpen(benchmark::State &state) {
  const int n = sizeOf(state.range(0));
  const bool boundary = state.range(1) != 0;
  const std::string file = meshFile(n, boundary);
  double open = 0, build = 0, display = 0, arrays = 0, extra = 0;
  for (auto _ : state) {
    double t0 = now();
    PavObject *obj = openMesh(file);
    double t1 = now();
    if (!obj) {
      state.SkipWithError("cannot open the mesh");
      return;
    }
    auto viewer = newViewer();
    arrays = arraysMb(obj);
    std::ofstream("/proc/self/clear_refs") << "5"; // resets the peak
    const int64_t before = pavo_bench::procStatus("VmRSS:");
    double t2 = now();
    {
      Quiet q;
      viewer->adoptMesh(obj);
      viewer->displayObject();
      display = now() - t2;
      viewer->renderNowNoSwap();
      finish(*viewer);
    }
    double t3 = now();
    extra = (double)(pavo_bench::procStatus("VmHWM:") - before) / 1048576.0;
    open = t1 - t0;
    build = t3 - t2;
    state.SetIterationTime(build);
  }
  state.counters["open_s"] = open;
  state.counters["build_frame_s"] = build;
  state.counters["display_s"] = display;
  state.counters["build_vs_open"] = open > 0 ? build / open : 0;
  state.counters["arrays_MB"] = arrays;
  state.counters["extra_peak_MB"] = extra;
  state.counters["peak_vs_arrays"] = arrays > 0 ? (arrays + extra) / arrays : 0;
  state.counters["tets"] = 6.0 * n * n * n;
}

// One built viewer per size for the redraw comparison.
using Built = ShownTriangles;
std::map<int, Built> built;

Built &builtFor(int n) {
  Built &b = built[n];
  if (b.viewer) return b;
  PavObject *obj = openMesh(meshFile(n, false));
  b.viewer = newViewer();
  {
    Quiet q;
    b.viewer->adoptMesh(obj);
    b.viewer->displayObject();
  }
  // The visible boundary triangles, gathered from the per-reference objects.
  for (const auto &set : b.viewer->builtSets())
    for (const auto &bo : set.objects) {
      if (!bo.object || !bo.object->visible) continue;
      const PavSceneEntry *e = b.viewer->sceneModel().entry(bo.object);
      if (!e) continue;
      const unsigned base = (unsigned)(b.xyz.size() / 3);
      for (int32_t v : bo.vertices)
        for (int c = 0; c < 3; c++) b.xyz.push_back((float)obj->crdDbl[3 * (size_t)v + c]);
      for (int i : e->elt) b.tri.push_back(base + (unsigned)i);
    }
  return b;
}

// The viewer's frame of the boundary surface: faces with their wire lines (the default), or
// without lines (range 1 = 0).
void BM_RedrawBoundary(benchmark::State &state) {
  Built &b = builtFor(sizeOf(state.range(0)));
  PavRenderOption &o = b.viewer->view.options;
  const PavRenderOption saved = o;
  o.LineOn = state.range(1) != 0;
  o.TessOn = false;
  const double cpu = pavo_bench::processCpu();
  for (auto _ : state) {
    b.viewer->renderNowNoSwap();
    finish(*b.viewer);
  }
  state.counters["frame_cpu_ms"] =
      1e3 * (pavo_bench::processCpu() - cpu) / (double)state.iterations();
  o = saved;
  state.counters["triangles"] = (double)(b.tri.size() / 3);
}

// pav_BuildBoundarySurface alone on the same mesh: the core step the scene building waits for.
void BM_CoreBoundarySurface(benchmark::State &state) {
  PavObject *obj = openMesh(meshFile(sizeOf(state.range(0)), false));
  for (auto _ : state) {
    char status[1024] = "";
    int nbrTri = 0, nbrQua = 0, nodTri = 0, nodQua = 0;
    int *triNod = nullptr, *triLnk = nullptr, *quaNod = nullptr, *quaLnk = nullptr;
    {
      Quiet q;
      pav_BuildBoundarySurface(obj, Tetrahedra, &nbrTri, &triNod, &triLnk, nullptr, &nodTri,
                               &nbrQua, &quaNod, &quaLnk, nullptr, &nodQua, status);
    }
    for (int *p : {triNod, triLnk, quaNod, quaLnk}) free(p);
  }
  pav_DeleteInterface(&obj);
}

// The check that the boundary closes up (the scene building's extra step for culling), on the
// triangles pav_BuildBoundarySurface gives.
void BM_ClosedSurfaceCheck(benchmark::State &state) {
  PavObject *obj = openMesh(meshFile(sizeOf(state.range(0)), false));
  char status[1024] = "";
  int nbrTri = 0, nbrQua = 0, nodTri = 0, nodQua = 0;
  int *triNod = nullptr, *triLnk = nullptr, *quaNod = nullptr, *quaLnk = nullptr;
  {
    Quiet q;
    pav_BuildBoundarySurface(obj, Tetrahedra, &nbrTri, &triNod, &triLnk, nullptr, &nodTri, &nbrQua,
                             &quaNod, &quaLnk, nullptr, &nodQua, status);
  }
  std::vector<const int32_t *> rows((size_t)std::max(nbrTri, 0));
  for (size_t i = 0; i < rows.size(); i++) rows[i] = triNod + 3 * i;
  int side = 0;
  for (auto _ : state) side = closedSurfaceSide(rows, obj->ent[Vertices].nbr, obj->crdDbl);
  state.counters["side"] = side;
  state.counters["triangles"] = nbrTri;
  for (int *p : {triNod, triLnk, quaNod, quaLnk}) free(p);
  pav_DeleteInterface(&obj);
}

// The pass-through of the same triangles, all of them, or without those turned away (range 1 =
// 1), which is what the viewer draws of a closed surface seen from outside.
void BM_RedrawPassThrough(benchmark::State &state) {
  Built &b = builtFor(sizeOf(state.range(0)));
  PassThrough pass(*b.viewer, b.xyz, b.tri);
  const bool cull = state.range(1) != 0;
  const double cpu = pavo_bench::processCpu();
  for (auto _ : state) pass.frame(cull);
  state.counters["frame_cpu_ms"] =
      1e3 * (pavo_bench::processCpu() - cpu) / (double)state.iterations();
  state.counters["triangles"] = (double)(b.tri.size() / 3);
}

void sizes(benchmark::internal::Benchmark *b, bool withBoundary) {
  const int forced = pavo_bench::cellsPerAxis(0);
  std::vector<int> ns = forced > 0 ? std::vector<int>{forced} : std::vector<int>{55, 119};
  for (int n : ns) {
    if (withBoundary) {
      b->Args({n, 0});
      b->Args({n, 1});
    } else {
      b->Arg(n);
    }
  }
}

} // namespace

BENCHMARK(BM_ViewerOpen)
    ->Apply([](benchmark::internal::Benchmark *b) { sizes(b, true); })
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CoreBoundarySurface)
    ->Apply([](benchmark::internal::Benchmark *b) { sizes(b, false); })
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClosedSurfaceCheck)
    ->Apply([](benchmark::internal::Benchmark *b) { sizes(b, false); })
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawBoundary)
    ->Apply([](benchmark::internal::Benchmark *b) { sizes(b, true); })
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawPassThrough)
    ->Apply([](benchmark::internal::Benchmark *b) { sizes(b, true); })
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
  return runViewerBenchmarks(argc, argv, [] { built.clear(); });
}
