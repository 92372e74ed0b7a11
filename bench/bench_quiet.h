// Small helpers of the viewer benchmarks: a wall clock in seconds, and standard output sent to
// /dev/null while a Quiet object lives (the loaders and the viewer print their progress).
#pragma once

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace pavo_bench {

inline double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
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
