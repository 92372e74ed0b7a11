// Fuzz target: CGNS files through pav_OpenMesh and pav_OpenSolution (the CGNS library reads them).
#include "pav_io.h"

#include <cstdio>
#include <string>
#include <unistd.h>

// The HDF5 and CGNS libraries keep some memory on their own error paths: suppressed by name.
extern "C" const char *__lsan_default_suppressions() {
  return "leak:libhdf5_serial.so\nleak:libcgns.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  struct Scratch {
    std::string path;
    ~Scratch() { unlink(path.c_str()); }
  };
  static const Scratch scratch{std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                               "/cgns_fuzz_" + std::to_string(getpid()) + ".cgns"};
  FILE *file = std::fopen(scratch.path.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  PavObject *obj = nullptr;
  if (pav_NewInterface(&obj) != PAV_SUCCESS) return 0;
  char status[PAV_IO_STATUS_SIZE];
  if (pav_OpenMesh(obj, scratch.path.c_str(), status) == PAV_SUCCESS)
    pav_OpenSolution(obj, scratch.path.c_str(), status);
  pav_DeleteInterface(&obj);
  return 0;
}
