// The cut of a large tetrahedral cube against the frame without cut, all in one run: a cube of
// 6 n^3 first-order tetrahedra with a vertex field in a 1600 x 1200 window. Measured, each as the
// median of a few repetitions: the frame without cut (the baseline), switching the clipping on
// (cut search, faces, upload and frame), the clipped frame, switching the capping on, the capped
// frame, a plane move with capping (search, section, upload, frame), and a Shift-click pick on the
// capped scene. Through the window's own input, as a user meets them (queued redraws included):
// F1 on, and a middle drag of the clipping plane in cut-plane mode, per mouse move. Beside them:
// the full cut search alone, and the making of the boxes of the runs of entities by which later
// searches skip (once a mesh, on a worker thread). The ratios to the baseline are the counters
// *_vs_frame. n defaults to 55 (1 million tetrahedra); PAVO_BENCH_N=119 gives 10 million. Needs an
// X server (xvfb-run).
#include "bench_cube.h"
#include "bench_quiet.h"
#include "bench_viewer.h"
#include "pavmsh.h"
#include "scene/mesh_viewer.h"
#include "scene/mesh_viewer_input.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

using namespace pavo;
using namespace pavo_bench;

namespace {

std::unique_ptr<PavMeshViewer> cutCube(int n) {
  const double plane[4] = {1, 0.01, 0.02, -0.5003};
  std::unique_ptr<PavMeshViewer> v = fieldCube(n, plane);
  Quiet q;
  v->renderNowNoSwap();
  finish(*v);
  return v;
}

double median(std::vector<double> t) {
  if (t.empty()) return 0;
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

// The median of `reps` runs of `step`, each ended by glFinish, in CPU seconds of the whole
// process (the rasteriser's threads included: steadier than the wall clock on a loaded machine);
// `before` runs untimed ahead of each.
double timed(PavMeshViewer &v, int reps, const std::function<void(int)> &step,
             const std::function<void()> &before = nullptr) {
  std::vector<double> t;
  for (int i = 0; i < reps; i++) {
    if (before) {
      Quiet q;
      before();
      finish(v);
    }
    const double a = processCpu();
    {
      Quiet q;
      step(i);
    }
    finish(v);
    t.push_back(processCpu() - a);
  }
  return median(t);
}

void BM_CutAgainstFrame(benchmark::State &state) {
  const int n = pavo_bench::cellsPerAxis(55);
  const double t0 = now();
  std::unique_ptr<PavMeshViewer> v = cutCube(n);
  const double setup = now() - t0;
  PavViewerInput *input = PavViewerInput::of(v.get());
  PavViewState &view = v->view;
  double plane0[4];
  std::copy(view.cutPlane, view.cutPlane + 4, plane0);
  auto frame = [&](int) { v->renderNowNoSwap(); };
  auto cutOff = [&]() {
    view.options.CutOn = false;
    v->updateCut();
    v->renderNowNoSwap();
  };
  auto cutOn = [&](bool capping) {
    return [&, capping](int) {
      view.options.CutOn = true;
      view.capping = capping;
      v->updateCut();
      v->renderNowNoSwap();
    };
  };
  double base = 0, clipOn = 0, clipped = 0, clippedByPlane = 0, capOn = 0, capped = 0, move = 0,
         pick = 0;
  double keyF1 = 0, search = 0, dragMove = 0, runs = 0;
  double cutElements = 0;
  // Key and mouse events as the window gets them; the redraws they queue run inside the step.
  auto pressKey = [&](int k) {
    input->handleKey(k, QString());
    QCoreApplication::processEvents();
  };
  auto mouse = [&](QEvent::Type type, int y, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(kWidth / 2, y), Qt::MiddleButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(v.get(), &e);
    QCoreApplication::processEvents();
  };
  int picked = 0;
  for (auto _ : state) {
    view.options.CutOn = false;
    v->updateCut();
    base = timed(*v, 5, frame);
    search = timed(*v, 3, [&](int) {
      int nbr = 0, *lst = nullptr;
      char status[PAV_STATUS_SIZE];
      pav_GetCutEntities(v->meshObject(), view.cutPlane, Tetrahedra, &nbr, &lst, status);
      free(lst);
    });
    runs = timed(*v, 1, [&](int) {
      int32_t nbr = 0;
      free(pav_GetCutBlockBoxes(v->meshObject(), Tetrahedra, &nbr));
    });
    keyF1 = timed(
        *v, 3, [&](int) { pressKey(Qt::Key_F1); },
        [&] {
          if (view.options.CutOn) pressKey(Qt::Key_F1);
        });
    if (!view.options.CutOn) pressKey(Qt::Key_F1);
    pressKey(Qt::Key_F2); // cut-plane mode: the mouse moves the plane
    mouse(QEvent::MouseButtonPress, kHeight / 2, Qt::MiddleButton);
    dragMove = timed(*v, 5, [&](int i) {
      mouse(QEvent::MouseMove, kHeight / 2 - 4 * (i + 1), Qt::MiddleButton);
    });
    mouse(QEvent::MouseButtonRelease, kHeight / 2 - 20, Qt::NoButton);
    pressKey(Qt::Key_F2);
    std::copy(plane0, plane0 + 4, view.cutPlane);
    clipOn = timed(*v, 3, cutOn(false), cutOff);
    clipped = timed(*v, 5, frame);
    // The same faces cut by the plane in the programs, as they were drawn before: each straddles
    // the plane, and the rasteriser clips every one of them.
    auto setWhole = [&](bool whole) {
      for (const auto &set : v->cutSets())
        for (const auto &bo : set.objects)
          if (bo.object) bo.object->wholeInCut = whole;
    };
    setWhole(false);
    clippedByPlane = timed(*v, 5, frame);
    setWhole(true);
    capOn = timed(*v, 3, cutOn(true), cutOff);
    capped = timed(*v, 5, frame);
    move = timed(*v, 5, [&](int i) {
      view.cutPlane[3] = -0.5003 + 0.01 * (i + 1);
      v->updateCut();
      v->renderNowNoSwap();
    });
    view.cutPlane[3] = -0.5003;
    v->updateCut();
    pick = timed(*v, 5,
                 [&](int) { picked += input->pickAt(kWidth / 2 - 100, kHeight / 2, 1) ? 1 : 0; });
    for (const auto &set : v->cutSets()) cutElements = set.nbrEnt;
    state.SetIterationTime(capped);
  }
  state.counters["tets"] = 6.0 * n * n * n;
  state.counters["cut_tris"] = cutElements;
  state.counters["setup_s"] = setup;
  state.counters["frame_ms"] = 1e3 * base;
  state.counters["clip_on_ms"] = 1e3 * clipOn;
  state.counters["key_f1_ms"] = 1e3 * keyF1;
  state.counters["search_ms"] = 1e3 * search;
  state.counters["runs_ms"] = 1e3 * runs;
  state.counters["drag_move_ms"] = 1e3 * dragMove;
  state.counters["clipped_frame_ms"] = 1e3 * clipped;
  state.counters["clipped_by_plane_frame_ms"] = 1e3 * clippedByPlane;
  state.counters["capping_on_ms"] = 1e3 * capOn;
  state.counters["capped_frame_ms"] = 1e3 * capped;
  state.counters["plane_move_ms"] = 1e3 * move;
  state.counters["pick_ms"] = 1e3 * pick;
  state.counters["picks_hit"] = picked;
  if (base > 0) {
    state.counters["clipped_vs_frame"] = clipped / base;
    state.counters["capped_vs_frame"] = capped / base;
    state.counters["move_vs_frame"] = move / base;
    state.counters["drag_move_vs_frame"] = dragMove / base;
    state.counters["pick_vs_frame"] = pick / base;
  }
}
BENCHMARK(BM_CutAgainstFrame)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) { return runViewerBenchmarks(argc, argv); }
