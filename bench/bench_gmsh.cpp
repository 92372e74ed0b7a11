// Opening a large tetrahedral mesh stored as Gmsh MSH 4.1 (binary and ASCII) against the same mesh
// stored as .meshb (as it opens, and with one converting thread), the contenders alternating in
// one benchmark; Gmsh's own reading of the ASCII file (python3-gmsh's gmsh.open, timed as a
// subprocess, with the time its script measures around the open alone) against ours; and the
// peak resident memory of each open against the arrays the object holds, measured in a child
// process per open.
//
// Size: a cube of PAVO_BENCH_N cells per axis, six tetrahedra per cell (default 120: 10.4
// million tetrahedra, 1.8 million vertices; PAVO_BENCH_N=20 for a quick run). The files are
// written once in PAVO_BENCH_DIR (default /tmp) and kept for later runs.
#include "bench_cube.h"
#include "bench_io.h"
#include "ovel_internal.h"
#include "pav_io.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::string benchDir() {
  const char *env = std::getenv("PAVO_BENCH_DIR");
  return env ? env : "/tmp";
}

bool exists(const std::string &path) { return access(path.c_str(), R_OK) == 0; }

// Buffered output of MSH text and binary records.
struct Out {
  FILE *f;
  std::vector<char> buf;
  explicit Out(const std::string &path) : f(std::fopen(path.c_str(), "wb")) {
    buf.reserve(1 << 22);
  }
  ~Out() {
    flush();
    std::fclose(f);
  }
  void flush() {
    std::fwrite(buf.data(), 1, buf.size(), f);
    buf.clear();
  }
  void room() {
    if (buf.size() > (1 << 22) - 256) flush();
  }
  Out &text(const char *s) {
    room();
    buf.insert(buf.end(), s, s + std::strlen(s));
    return *this;
  }
  template <typename T> Out &num(T v, char after = ' ') {
    room();
    char s[40];
    const auto r = std::to_chars(s, s + sizeof s, v);
    buf.insert(buf.end(), s, r.ptr);
    buf.push_back(after);
    return *this;
  }
  template <typename T> Out &raw(T v) {
    room();
    const char *b = reinterpret_cast<const char *>(&v);
    buf.insert(buf.end(), b, b + sizeof v);
    return *this;
  }
};

// The cube as MSH 4.1: one volume entity (tag 1, physical group 9), one node block and one
// block of 4-node tetrahedra (type 4), node and element tags from 1.
void writeMsh(const PavObject *obj, const std::string &path, bool binary) {
  const uint64_t nv = uint64_t(obj->ent[Vertices].nbr), nt = uint64_t(obj->ent[Tetrahedra].nbr);
  Out o(path);
  o.text(binary ? "$MeshFormat\n4.1 1 8\n" : "$MeshFormat\n4.1 0 8\n");
  if (binary) o.raw(int32_t(1)).text("\n");
  o.text("$EndMeshFormat\n$Entities\n");
  if (binary) {
    o.raw(uint64_t(0)).raw(uint64_t(0)).raw(uint64_t(0)).raw(uint64_t(1)).raw(int32_t(1));
    for (double b : {0., 0., 0., 1., 1., 1.}) o.raw(b);
    o.raw(uint64_t(1)).raw(int32_t(9)).raw(uint64_t(0)).text("\n");
  } else
    o.text("0 0 0 1\n1 0 0 0 1 1 1 1 9 0\n");
  o.text("$EndEntities\n$Nodes\n");
  if (binary) {
    o.raw(uint64_t(1)).raw(nv).raw(uint64_t(1)).raw(nv);
    o.raw(int32_t(3)).raw(int32_t(1)).raw(int32_t(0)).raw(nv);
    for (uint64_t v = 1; v <= nv; v++) o.raw(v);
    for (uint64_t v = 1; v <= nv; v++)
      for (int k = 0; k < 3; k++) o.raw(obj->crdDbl[3 * v + k]);
    o.text("\n");
  } else {
    o.num(1).num(nv).num(1).num(nv, '\n').num(3).num(1).num(0).num(nv, '\n');
    for (uint64_t v = 1; v <= nv; v++) o.num(v, '\n');
    for (uint64_t v = 1; v <= nv; v++)
      o.num(obj->crdDbl[3 * v]).num(obj->crdDbl[3 * v + 1]).num(obj->crdDbl[3 * v + 2], '\n');
  }
  o.text("$EndNodes\n$Elements\n");
  const int32_t *idx = obj->ent[Tetrahedra].idx;
  if (binary) {
    o.raw(uint64_t(1)).raw(nt).raw(uint64_t(1)).raw(nt);
    o.raw(int32_t(3)).raw(int32_t(1)).raw(int32_t(4)).raw(nt);
    for (uint64_t e = 1; e <= nt; e++) {
      o.raw(e);
      for (int k = 0; k < 4; k++) o.raw(uint64_t(idx[4 * e + k]));
    }
    o.text("\n");
  } else {
    o.num(1).num(nt).num(1).num(nt, '\n').num(3).num(1).num(4).num(nt, '\n');
    for (uint64_t e = 1; e <= nt; e++)
      o.num(e).num(idx[4 * e]).num(idx[4 * e + 1]).num(idx[4 * e + 2]).num(idx[4 * e + 3], '\n');
  }
  o.text("$EndElements\n");
}

// <base>.meshb, <base>.msh (binary 4.1) and <base>_ascii.msh, unless present.
const std::string &files() {
  static const std::string base = [] {
    const int n = pavo_bench::cellsPerAxis(120);
    const std::string b = benchDir() + "/pavo_bench_gmsh_" + std::to_string(n);
    if (exists(b + ".meshb") && exists(b + ".msh") && exists(b + "_ascii.msh")) return b;
    PavObject *obj = pavo_bench::tetCube(n);
    char status[PAV_IO_STATUS_SIZE];
    pav_WriteMesh(obj, (b + ".meshb").c_str(), status);
    writeMsh(obj, b + ".msh", true);
    writeMsh(obj, b + "_ascii.msh", false);
    pav_DeleteInterface(&obj);
    return b;
  }();
  return base;
}

double seconds(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// One open, timed; the object is deleted outside the time.
double openOnce(benchmark::State &state, const std::string &path) {
  PavObject *obj = nullptr;
  char status[PAV_IO_STATUS_SIZE];
  pav_NewInterface(&obj);
  const auto t0 = std::chrono::steady_clock::now();
  if (pav_OpenMesh(obj, path.c_str(), status) != PAV_SUCCESS) state.SkipWithError(status);
  const double s = seconds(t0);
  state.counters["tets"] = obj->ent[Tetrahedra].nbr;
  pav_DeleteInterface(&obj);
  return s;
}

// The contenders alternate, so that all see the same state of the machine and of the file cache;
// the fastest of the iterations is kept for each (on a shared machine a slow one says more about
// the neighbours than about the reader).
void BM_OpenMshAgainstMeshb(benchmark::State &state) {
  const std::string b = files();
  double meshb = 1e30, meshbOne = 1e30, binary = 1e30, ascii = 1e30;
  for (auto _ : state) {
    meshb = std::min(meshb, openOnce(state, b + ".meshb"));
    ovel::blockWorkers = 1; // the keyword reader's conversion on one thread
    meshbOne = std::min(meshbOne, openOnce(state, b + ".meshb"));
    ovel::blockWorkers = 0;
    binary = std::min(binary, openOnce(state, b + ".msh"));
    ascii = std::min(ascii, openOnce(state, b + "_ascii.msh"));
  }
  state.counters["meshb_s"] = meshb;
  state.counters["meshb_one_thread_s"] = meshbOne;
  state.counters["msh_binary_s"] = binary;
  state.counters["msh_ascii_s"] = ascii;
  state.counters["binary_over_meshb"] = binary / meshb;
  state.counters["ascii_MB_per_s"] =
      double(pavo_bench::fileSize(b + "_ascii.msh")) / 1048576 / ascii;
}
BENCHMARK(BM_OpenMshAgainstMeshb)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

// Gmsh reading the ASCII file against our open of it: the whole subprocess is timed, and the
// script prints the seconds of gmsh.open alone and the element count it found.
void BM_GmshOpenAscii(benchmark::State &state) {
  const std::string path = files() + "_ascii.msh", out = files() + "_gmsh.txt";
  const std::string cmd =
      "/usr/bin/python3 -c \"import gmsh, time; gmsh.initialize(['', '-nt', '1']); "
      "gmsh.option.setNumber('General.Terminal', 0); t = time.perf_counter(); gmsh.open('" +
      path +
      "'); t = time.perf_counter() - t; print(t, len(gmsh.model.mesh.getElementsByType(4)"
      "[0]))\" > " +
      out;
  double inner = 1e30, ours = 1e30, whole = 1e30;
  long long tets = 0;
  for (auto _ : state) {
    ours = std::min(ours, openOnce(state, path));
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("python3-gmsh failed");
    FILE *f = std::fopen(out.c_str(), "r");
    double in = 0;
    if (!f || std::fscanf(f, "%lf %lld", &in, &tets) != 2) state.SkipWithError("no output");
    inner = std::min(inner, in);
    if (f) std::fclose(f);
    whole = std::min(whole, seconds(t0));
  }
  state.counters["gmsh_s"] = whole;
  state.counters["gmsh_open_s"] = inner;
  state.counters["msh_ascii_s"] = ours;
  state.counters["gmsh_over_ours"] = whole / ours;
  state.counters["gmsh_open_over_ours"] = inner / ours;
  state.counters["gmsh_tets"] = double(tets);
}
BENCHMARK(BM_GmshOpenAscii)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The peak resident memory of one open in a child process (the peak reset before the open) over
// the bytes of the vertex and tetrahedron arrays.
void peak(benchmark::State &state, const std::string &path) {
  for (auto _ : state) {
    int fds[2];
    if (pipe(fds) != 0) state.SkipWithError("pipe");
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
      double r[3] = {0, 0, 0};
      {
        std::FILE *c = std::fopen("/proc/self/clear_refs", "w");
        if (c) std::fputs("5", c), std::fclose(c);
      }
      const double before = double(pavo_bench::procStatus("VmRSS:"));
      PavObject *obj = nullptr;
      char status[PAV_IO_STATUS_SIZE];
      pav_NewInterface(&obj);
      if (pav_OpenMesh(obj, path.c_str(), status) == PAV_SUCCESS) {
        const double nv = obj->ent[Vertices].nbr + 1.0, nt = obj->ent[Tetrahedra].nbr + 1.0;
        r[0] = double(pavo_bench::procStatus("VmHWM:")) - before;
        r[1] = nv * (3 * 8 + 4) + nt * (4 * 4 + 4);
        r[2] = nt - 1;
      }
      if (write(fds[1], r, sizeof r) != sizeof r) _exit(1);
      _exit(0);
    }
    close(fds[1]);
    double r[3] = {0, 0, 0};
    if (read(fds[0], r, sizeof r) != sizeof r || r[1] == 0) state.SkipWithError("open failed");
    close(fds[0]);
    waitpid(child, nullptr, 0);
    state.counters["peak_MB"] = r[0] / 1048576.0;
    state.counters["arrays_MB"] = r[1] / 1048576.0;
    state.counters["peak_over_arrays"] = r[0] / r[1];
    state.counters["tets"] = r[2];
  }
}

void BM_PeakMeshb(benchmark::State &state) { peak(state, files() + ".meshb"); }
BENCHMARK(BM_PeakMeshb)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PeakMshBinary(benchmark::State &state) { peak(state, files() + ".msh"); }
BENCHMARK(BM_PeakMshBinary)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PeakMshAscii(benchmark::State &state) { peak(state, files() + "_ascii.msh"); }
BENCHMARK(BM_PeakMshAscii)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv) { return pavo_bench::runWithFreshPages(argc, argv); }
