// Fuzz target: binary files through the whole reading path.
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  return ovel_fuzz::runInput(data, size, ".meshb");
}
