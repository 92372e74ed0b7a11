// Fuzz input written to a scratch file of a given ending (the readers recognise some formats by
// the file name) and opened through pav_OpenMesh, then pav_OpenSolution on success.
#pragma once
#include "pav_io.h"

#include <cstdio>
#include <string>
#include <unistd.h>

inline void openAsFile(const uint8_t *data, size_t size, const char *ending) {
  struct Scratch {
    std::string path;
    ~Scratch() { unlink(path.c_str()); }
  };
  static const Scratch scratch{std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                               "/pavo_fuzz_" + std::to_string(getpid()) + ending};
  FILE *file = std::fopen(scratch.path.c_str(), "wb");
  if (!file) return;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  PavObject *obj = nullptr;
  if (pav_NewInterface(&obj) != PAV_SUCCESS) return;
  char status[PAV_IO_STATUS_SIZE];
  if (pav_OpenMesh(obj, scratch.path.c_str(), status) == PAV_SUCCESS)
    pav_OpenSolution(obj, scratch.path.c_str(), status);
  pav_DeleteInterface(&obj);
}
