// Small helpers of the viewer benchmarks: a wall clock in seconds, and standard output sent to
// /dev/null while a Quiet object lives, and the process CPU clock (the loaders and the viewer print
// their progress).
#pragma once

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace pavo_bench {

inline double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// CPU seconds of the whole process (every thread, the rasteriser's included): steadier than the
// wall clock on a loaded machine.
inline double processCpu() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return (double)t.tv_sec + 1e-9 * (double)t.tv_nsec;
}

struct Quiet {
  int saved;
  Quiet() {
    fflush(stdout);
    saved = dup(1);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    close(null);
  }
  ~Quiet() {
    fflush(stdout);
    dup2(saved, 1);
    close(saved);
  }
  Quiet(const Quiet &) = delete;
  Quiet &operator=(const Quiet &) = delete;
};

} // namespace pavo_bench
