// Runs one fuzz input as a file of the given extension: open, index, read every keyword, close.
#pragma once

#include "ovel_read_all.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace ovel_fuzz {

inline int runInput(const uint8_t *data, size_t size, const char *extension) {
  // Memory-backed when available: the fuzzer writes one file per input, removed at exit.
  struct Scratch {
    std::string path;
    ~Scratch() { unlink(path.c_str()); }
  };
  static const Scratch scratch{std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                               "/ovel_fuzz_" + std::to_string(getpid()) + extension};
  const std::string &path = scratch.path;
  FILE *file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  int version = 0, dim = 0;
  int64_t h = OvelOpenMesh(path.c_str(), OvelRead, &version, &dim);
  if (h) {
    readAll(h);
    OvelCloseMesh(h);
  }
  return 0;
}

} // namespace ovel_fuzz
