// Picking on a large scene against the frame of the same scene: a cube of 6 n^3 first-order
// tetrahedra with a vertex field, shown by its boundary surface and a capped cut at x = 0.5, in a
// 1600 x 1200 window. One iteration draws a frame (the baseline) and answers a Shift-click on
// the kept half of the cube (id pass, read-back, resolution, picked colours, report); the ratio
// is expected at most 2. Then the keys that only change a uniform (m, o, r) are pressed and the
// buffer uploads they cause are counted (expected 0). n defaults to 119 (10 million
// tetrahedra); PAVO_BENCH_N=k shrinks it. Needs an X server (xvfb-run).
#include "bench_cube.h"
#include "bench_quiet.h"
#include "bench_viewer.h"
#include "pavmsh.h"
#include "render/buffer_object.h"
#include "scene/mesh_viewer.h"
#include "scene/mesh_viewer_input.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QOpenGLFunctions_4_0_Core>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

using namespace pavo;
using namespace pavo_bench;

namespace {

std::unique_ptr<PavMeshViewer> cutCube(int n) {
  const double plane[4] = {1, 0, 0, -0.5};
  std::unique_ptr<PavMeshViewer> v = fieldCube(n, plane);
  Quiet q;
  v->view.options.CutOn = true;
  v->view.capping = true;
  v->updateCut();
  v->renderNowNoSwap();
  finish(*v);
  return v;
}

void BM_PickAgainstFrame(benchmark::State &state) {
  const int n = pavo_bench::cellsPerAxis(119);
  const double t0 = now();
  std::unique_ptr<PavMeshViewer> v = cutCube(n);
  const double setup = now() - t0;
  PavViewerInput *input = PavViewerInput::of(v.get());
  double frame = 0, pick = 0;
  int picked = 0;
  for (auto _ : state) {
    double a = now();
    v->renderNowNoSwap();
    finish(*v);
    double b = now();
    {
      Quiet q;
      picked += input->pickAt(kWidth / 2 - 100, kHeight / 2, 1) ? 1 : 0;
    }
    finish(*v);
    double c = now();
    frame += b - a;
    pick += c - b;
    state.SetIterationTime(c - b);
  }
  // The picked colours reach the GPU with the next frame; after it, uniform keys upload nothing.
  v->renderNowNoSwap();
  finish(*v);
  const int64_t before = pavBufferUploadCount();
  {
    Quiet q;
    for (const char *k : {"m", "o", "r", "m", "o", "r"}) {
      input->handleKey(0, k);
      v->renderNowNoSwap();
    }
    finish(*v);
  }
  const double iters = (double)state.iterations();
  double cutElements = 0, boundaryFaces = 0;
  for (const auto &set : v->cutSets()) cutElements += set.nbrEnt;
  for (const auto &set : v->builtSets())
    if (set.source == PavMeshViewer::PavSetSource::BoundaryFaces) boundaryFaces += set.nbrEnt;
  state.counters["tets"] = 6.0 * n * n * n;
  state.counters["boundary_faces"] = boundaryFaces;
  state.counters["cut_faces"] = cutElements;
  state.counters["setup_s"] = setup;
  state.counters["frame_ms"] = 1e3 * frame / iters;
  state.counters["pick_ms"] = 1e3 * pick / iters;
  state.counters["pick_vs_frame"] = frame > 0 ? pick / frame : 0;
  state.counters["picks_hit"] = picked;
  state.counters["uploads_after_uniform_keys"] = (double)(pavBufferUploadCount() - before);
}
BENCHMARK(BM_PickAgainstFrame)->Iterations(6)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) { return runViewerBenchmarks(argc, argv); }
