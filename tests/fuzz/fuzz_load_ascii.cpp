// Fuzz target: ascii mesh and solution file pairs through the loading layer and the writers.
#include "load_pair.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  load_fuzz::silenceStdout();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  return load_fuzz::runPair(data, size, false);
}
