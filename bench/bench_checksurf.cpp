// The whole surface reconstruction of a file (open, complete the boundary, write the result)
// against opening the same file alone. The mesh is a structured cube of tetrahedra whose boundary
// surface is missing, written once as a binary file (PAVO_BENCH_N cells per axis, default 100:
// six million tetrahedra; PAVO_BENCH_DIR for the folder, default /tmp).
#include "bench_cube.h"
#include "pav_io.h"
#include "pav_modify.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string benchDir() {
  const char *dir = std::getenv("PAVO_BENCH_DIR");
  return dir && *dir ? dir : "/tmp";
}

const std::string &inputFile() {
  static const std::string name = [] {
    const std::string file = benchDir() + "/pavo_bench_checksurf.meshb";
    PavObject *obj = pavo_bench::tetCube(pavo_bench::cellsPerAxis(100));
    char status[1024];
    if (pav_WriteMesh(obj, file.c_str(), status) != 0) {
      std::fprintf(stderr, "cannot write %s: %s\n", file.c_str(), status);
      std::exit(1);
    }
    pav_DeleteInterface(&obj);
    return file;
  }();
  return name;
}

PavObject *open(const std::string &file) {
  PavObject *obj = nullptr;
  char status[1024];
  pav_NewInterface(&obj);
  if (pav_OpenMesh(obj, file.c_str(), status) != 0) {
    std::fprintf(stderr, "cannot open %s: %s\n", file.c_str(), status);
    std::exit(1);
  }
  return obj;
}

void BM_OpenMesh(benchmark::State &state) {
  const std::string &file = inputFile();
  for (auto _ : state) {
    PavObject *obj = open(file);
    benchmark::DoNotOptimize(obj);
    pav_DeleteInterface(&obj);
  }
}

void BM_CheckSurf(benchmark::State &state) {
  const std::string &file = inputFile();
  const std::string out = benchDir() + "/pavo_bench_checksurf_closed.meshb";
  for (auto _ : state) {
    PavObject *obj = open(file);
    checksurfMesh(1, obj, out.c_str(), nullptr);
    pav_DeleteInterface(&obj);
  }
  std::remove(out.c_str());
}

BENCHMARK(BM_OpenMesh)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_CheckSurf)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  std::remove(inputFile().c_str());
  return 0;
}
