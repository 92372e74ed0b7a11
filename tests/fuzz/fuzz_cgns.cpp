// Fuzz target: CGNS files through pav_OpenMesh and pav_OpenSolution (the CGNS library reads them).
#include "open_as_file.h"

// The HDF5 and CGNS libraries keep some memory on their own error paths: suppressed by name.
extern "C" const char *__lsan_default_suppressions() {
  return "leak:libhdf5_serial.so\nleak:libcgns.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  openAsFile(data, size, ".cgns");
  return 0;
}
