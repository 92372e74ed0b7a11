// Mesh file transfer speed against the raw system calls on the same bytes: binary block reads
// and writes (versions 2 and 4) against read() and write(), ASCII reads and writes in MB/s.
// Reads go into fresh memory on every iteration, as an application opening a file has it: the
// read() baseline into a fresh buffer and the block reads into fresh arrays, each with 4 KiB pages
// (second argument 0) or with transparent huge pages asked for (1).
// OVEL_BENCH_TETS sets the number of tetrahedra (default 10 million); OVEL_BENCH_DIR the folder
// of the generated files (default /tmp). The CPU column counts every thread of the process (the
// asynchronous reads run on a helper thread); on a busy machine it is the figure to compare.
#include "bench_io.h"
#include "ovel.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using pavo_bench::fileSize;
using pavo_bench::Fresh;
using pavo_bench::rawRead;
using pavo_bench::rawWrite;

// A cube of n^3 vertices cut into 6 (n-1)^3 tetrahedra, in 1-based arrays.
struct Mesh {
  int64_t nv = 0, nt = 0;
  std::vector<double> xyz;
  std::vector<int> vref, tet, tref;
};

const Mesh &mesh() {
  static const Mesh m = [] {
    Mesh m;
    const char *env = std::getenv("OVEL_BENCH_TETS");
    const double want = env ? std::atof(env) : 1e7;
    const int n = std::max(2, int(std::cbrt(want / 6.0)) + 1);
    m.nv = int64_t(n) * n * n;
    m.nt = 6 * int64_t(n - 1) * (n - 1) * (n - 1);
    m.xyz.resize(3 * (m.nv + 1));
    m.vref.resize(m.nv + 1);
    auto id = [n](int i, int j, int k) { return 1 + i + n * (j + n * k); };
    for (int k = 0; k < n; k++)
      for (int j = 0; j < n; j++)
        for (int i = 0; i < n; i++) {
          int v = id(i, j, k);
          m.xyz[3 * v] = i / double(n - 1);
          m.xyz[3 * v + 1] = j / double(n - 1) + 1e-3 * i;
          m.xyz[3 * v + 2] = k / double(n - 1);
          m.vref[v] = (i + j + k) % 7;
        }
    m.tet.resize(4 * (m.nt + 1));
    m.tref.resize(m.nt + 1);
    static const int cut[6][4] = {{0, 1, 3, 7}, {0, 1, 5, 7}, {0, 2, 3, 7},
                                  {0, 2, 6, 7}, {0, 4, 5, 7}, {0, 4, 6, 7}};
    int64_t e = 1;
    for (int k = 0; k + 1 < n; k++)
      for (int j = 0; j + 1 < n; j++)
        for (int i = 0; i + 1 < n; i++) {
          int c[8];
          for (int b = 0; b < 8; b++) c[b] = id(i + (b & 1), j + (b >> 1 & 1), k + (b >> 2));
          for (auto &t : cut) {
            for (int q = 0; q < 4; q++) m.tet[4 * e + q] = c[t[q]];
            m.tref[e] = k;
            e++;
          }
        }
    return m;
  }();
  return m;
}

std::string path(const std::string &name) {
  const char *dir = std::getenv("OVEL_BENCH_DIR");
  return std::string(dir ? dir : "/tmp") + "/ovel_bench_" + name;
}

bool writeMesh(const std::string &name, int version) {
  const Mesh &m = mesh();
  int64_t h = OvelOpenMesh(name.c_str(), OvelWrite, version, 3);
  if (!h) return false;
  OvelSetKwd(h, OvelVertices, m.nv);
  OvelSetBlock(h, OvelVertices, 1, m.nv, 0, nullptr, nullptr, OvelDoubleVec, 3, &m.xyz[3],
               &m.xyz[3 * m.nv], OvelInt, &m.vref[1], &m.vref[m.nv]);
  OvelSetKwd(h, OvelTetrahedra, m.nt);
  OvelSetBlock(h, OvelTetrahedra, 1, m.nt, 0, nullptr, nullptr, OvelIntVec, 4, &m.tet[4],
               &m.tet[4 * m.nt], OvelInt, &m.tref[1], &m.tref[m.nt]);
  return OvelCloseMesh(h) == 1;
}

// Reads the vertices and tetrahedra into fresh arrays.
bool readMesh(const std::string &name, bool huge) {
  int version, dim;
  int64_t h = OvelOpenMesh(name.c_str(), OvelRead, &version, &dim);
  if (!h) return false;
  const int64_t nv = OvelStatKwd(h, OvelVertices), nt = OvelStatKwd(h, OvelTetrahedra);
  Fresh<double> xyz(3 * (nv + 1), huge);
  Fresh<int> vref(nv + 1, huge), tet(4 * (nt + 1), huge), tref(nt + 1, huge);
  bool ok = OvelGetBlock(h, OvelVertices, 1, nv, 0, nullptr, nullptr, OvelDoubleVec, 3, &xyz.p[3],
                         &xyz.p[3 * nv], OvelInt, &vref.p[1], &vref.p[nv]) &&
            OvelGetBlock(h, OvelTetrahedra, 1, nt, 0, nullptr, nullptr, OvelIntVec, 4, &tet.p[4],
                         &tet.p[4 * nt], OvelInt, &tref.p[1], &tref.p[nt]);
  OvelCloseMesh(h);
  benchmark::DoNotOptimize(tet.p[4 * nt]);
  return ok;
}

// The file of a version and form, written once per run.
const std::string &sample(int version, bool ascii) {
  static std::string names[2][5];
  std::string &name = names[ascii][version];
  if (name.empty()) {
    name = path("v" + std::to_string(version) + (ascii ? ".mesh" : ".meshb"));
    if (!writeMesh(name, version)) name = "";
  }
  return name;
}

void report(benchmark::State &state, int64_t bytes) {
  state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
  state.counters["MB"] = double(bytes) / 1e6;
}

void BM_RawRead(benchmark::State &state) {
  const std::string &name = sample(int(state.range(0)), false);
  for (auto _ : state)
    if (!rawRead(name, state.range(1) != 0)) state.SkipWithError("read failed");
  report(state, fileSize(name));
}

void BM_BinaryRead(benchmark::State &state) {
  const std::string &name = sample(int(state.range(0)), false);
  readMesh(name, false); // warms the page cache outside the timing
  for (auto _ : state)
    if (!readMesh(name, state.range(1) != 0)) state.SkipWithError("read failed");
  report(state, fileSize(name));
}

void BM_RawWrite(benchmark::State &state) {
  const int64_t size = fileSize(sample(int(state.range(0)), false));
  const std::string name = path("raw.bin");
  const std::vector<char> buffer(size_t(size), 1);
  for (auto _ : state)
    if (!rawWrite(name, buffer)) state.SkipWithError("raw write failed");
  unlink(name.c_str());
  report(state, size);
}

void BM_BinaryWrite(benchmark::State &state) {
  const int version = int(state.range(0));
  const std::string name = path("w.meshb");
  for (auto _ : state)
    if (!writeMesh(name, version)) state.SkipWithError("write failed");
  report(state, fileSize(name));
  unlink(name.c_str());
}

void BM_AsciiRead(benchmark::State &state) {
  const std::string &name = sample(int(state.range(0)), true);
  readMesh(name, false); // warms the page cache outside the timing
  for (auto _ : state)
    if (!readMesh(name, true)) state.SkipWithError("read failed");
  report(state, fileSize(name));
}

void BM_AsciiWrite(benchmark::State &state) {
  const std::string name = path("w.mesh");
  for (auto _ : state)
    if (!writeMesh(name, int(state.range(0)))) state.SkipWithError("write failed");
  report(state, fileSize(name));
  unlink(name.c_str());
}

BENCHMARK(BM_RawRead)
    ->ArgsProduct({{2, 4}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_BinaryRead)
    ->ArgsProduct({{2, 4}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_RawWrite)
    ->Arg(2)
    ->Arg(4)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_BinaryWrite)
    ->Arg(2)
    ->Arg(4)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_AsciiRead)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_AsciiWrite)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

} // namespace

int main(int argc, char **argv) { return pavo_bench::runWithFreshPages(argc, argv); }
