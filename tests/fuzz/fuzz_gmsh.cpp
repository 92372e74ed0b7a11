// Fuzz target: Gmsh MSH files (4.1 and 2.2, ASCII and binary) through pav_OpenMesh and
// pav_OpenSolution, with their node and element fields.
#include "open_as_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  openAsFile(data, size, ".msh");
  return 0;
}
