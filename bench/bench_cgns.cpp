// Opening a large tetrahedral mesh stored as CGNS against the same mesh stored as .meshb, in the
// same run; and the peak resident memory of the CGNS open against the arrays the object holds.
//
// Size: a cube of PAVO_BENCH_N cells per axis, six tetrahedra per cell (default 120: 10.4
// million tetrahedra, 1.8 million vertices; PAVO_BENCH_N=20 for a quick run). Both files are
// written once in PAVO_BENCH_DIR (default /tmp) and kept for later runs.
#include "bench_cube.h"
#include "bench_io.h"
#include "pav_io.h"

#include <benchmark/benchmark.h>
#include <cgnslib.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string benchDir() {
  const char *env = std::getenv("PAVO_BENCH_DIR");
  return env ? env : "/tmp";
}

bool exists(const std::string &path) { return access(path.c_str(), R_OK) == 0; }

// Writes the cube as <base>.meshb and <base>.cgns (one zone, one TETRA_4 section) unless present.
std::string files() {
  static const std::string base = [] {
    const int n = pavo_bench::cellsPerAxis(120);
    const std::string b = benchDir() + "/pavo_bench_cgns_" + std::to_string(n);
    if (exists(b + ".meshb") && exists(b + ".cgns")) return b;
    PavObject *obj = pavo_bench::tetCube(n);
    char status[PAV_IO_STATUS_SIZE];
    pav_WriteMesh(obj, (b + ".meshb").c_str(), status);
    const int32_t nv = obj->ent[Vertices].nbr, nt = obj->ent[Tetrahedra].nbr;
    std::vector<double> c(static_cast<size_t>(nv));
    int fn = 0, B = 0, Z = 0, C = 0, S = 0;
    cgsize_t size[3] = {nv, nt, 0};
    cg_open((b + ".cgns").c_str(), CG_MODE_WRITE, &fn);
    cg_base_write(fn, "Base", 3, 3, &B);
    cg_zone_write(fn, B, "Cube", size, Unstructured, &Z);
    const char *names[3] = {"CoordinateX", "CoordinateY", "CoordinateZ"};
    for (int k = 0; k < 3; k++) {
      for (int32_t v = 0; v < nv; v++) c[size_t(v)] = obj->crdDbl[3 * (size_t(v) + 1) + k];
      cg_coord_write(fn, B, Z, RealDouble, names[k], c.data(), &C);
    }
    cg_section_write(fn, B, Z, "Tetrahedra", TETRA_4, 1, nt, 0, obj->ent[Tetrahedra].idx + 4, &S);
    cg_close(fn);
    pav_DeleteInterface(&obj);
    return b;
  }();
  return base;
}

void open(benchmark::State &state, const std::string &path) {
  for (auto _ : state) {
    PavObject *obj = nullptr;
    char status[PAV_IO_STATUS_SIZE];
    pav_NewInterface(&obj);
    if (pav_OpenMesh(obj, path.c_str(), status) != PAV_SUCCESS) state.SkipWithError(status);
    state.counters["tets"] = obj->ent[Tetrahedra].nbr;
    state.PauseTiming();
    pav_DeleteInterface(&obj);
    state.ResumeTiming();
  }
}

void BM_OpenMeshb(benchmark::State &state) { open(state, files() + ".meshb"); }
BENCHMARK(BM_OpenMeshb)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenCgns(benchmark::State &state) {
  std::fflush(stdout);
  open(state, files() + ".cgns");
}
BENCHMARK(BM_OpenCgns)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenCgnsPeakMemory(benchmark::State &state) {
  pavo_bench::openPeakMemory(state, files() + ".cgns");
}
BENCHMARK(BM_OpenCgnsPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) { return pavo_bench::runWithFreshPages(argc, argv); }
