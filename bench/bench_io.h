// What the file benchmarks measure themselves against: the file's size, fresh memory, read() and
// write() of the raw bytes, the peak resident memory of an open, and a main() that makes large
// arrays come fresh from the system for every contender alike.
#pragma once

#include "pav_io.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <malloc.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pavo_bench {

// The size of a file in bytes, 0 when it cannot be read.
inline int64_t fileSize(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

// Fresh malloc'ed memory, with transparent huge pages asked for over its 2 MiB-aligned part.
template <typename T> struct Fresh {
  T *p = nullptr;
  Fresh(size_t count, bool huge) {
    const size_t bytes = count * sizeof(T);
    p = static_cast<T *>(std::malloc(bytes ? bytes : 1));
    const uintptr_t page = uintptr_t(2) << 20;
    const uintptr_t b = (reinterpret_cast<uintptr_t>(p) + page - 1) & ~(page - 1);
    const uintptr_t e = (reinterpret_cast<uintptr_t>(p) + bytes) & ~(page - 1);
    if (huge && e > b) madvise(reinterpret_cast<void *>(b), e - b, MADV_HUGEPAGE);
  }
  ~Fresh() { std::free(p); }
  Fresh(const Fresh &) = delete;
  Fresh &operator=(const Fresh &) = delete;
};

// The read baseline: the whole file read() into fresh memory (huge pages asked for or not).
// False when the file cannot be opened or not all its bytes came.
inline bool rawRead(const std::string &path, bool hugePages) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  struct stat st;
  fstat(fd, &st);
  const size_t bytes = size_t(st.st_size);
  Fresh<char> buffer(bytes, hugePages);
  size_t done = 0;
  while (done < bytes) {
    const ssize_t n = ::read(fd, buffer.p + done, bytes - done);
    if (n <= 0) break;
    done += size_t(n);
  }
  ::close(fd);
  benchmark::DoNotOptimize(buffer.p[bytes / 2]);
  return done == bytes;
}

// The write baseline: bytes already in memory written with write() to a new file.
inline bool rawWrite(const std::string &path, const std::vector<char> &bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += size_t(n);
  }
  ::close(fd);
  return done == bytes.size();
}

// Resident set size or its high-water mark, in bytes, from /proc/self/status.
inline int64_t procStatus(const char *key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const size_t len = std::strlen(key);
  while (std::getline(in, line))
    if (line.compare(0, len, key) == 0) return std::atoll(line.c_str() + len) * 1024;
  return 0;
}

// The peak resident memory of pav_OpenMesh on a tetrahedral mesh against the arrays the object
// holds. The peak is reset (clear_refs 5) before the open, so that it measures the open alone.
inline void openPeakMemory(benchmark::State &state, const std::string &path) {
  for (auto _ : state) {
    std::ofstream("/proc/self/clear_refs") << "5";
    const int64_t before = procStatus("VmRSS:");
    PavObject *obj = nullptr;
    char status[PAV_IO_STATUS_SIZE];
    pav_NewInterface(&obj);
    if (pav_OpenMesh(obj, path.c_str(), status) != PAV_SUCCESS) state.SkipWithError(status);
    const int64_t peak = procStatus("VmHWM:");
    const double nv = obj->ent[Vertices].nbr + 1.0, nt = obj->ent[Tetrahedra].nbr + 1.0;
    const double arrays = nv * (3 * 8 + 4) + nt * (4 * 4 + 4);
    pav_DeleteInterface(&obj);
    state.counters["arrays_MB"] = arrays / 1048576.0;
    state.counters["peak_MB"] = double(peak - before) / 1048576.0;
    state.counters["peak_over_arrays"] = double(peak - before) / arrays;
  }
}

// Runs the registered benchmarks with a fixed mmap threshold: every large block then comes fresh
// from the system, as it does for a viewer opening one file, where a raised dynamic threshold
// would recycle the previous iteration's pages for one of the contenders only.
inline int runWithFreshPages(int argc, char **argv) {
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

} // namespace pavo_bench
