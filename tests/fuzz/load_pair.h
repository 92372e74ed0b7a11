// Runs one fuzz input as a mesh and solution file pair through the loading layer: pav_OpenMesh,
// pav_OpenSolution (ReferenceStrings, orderings, NodesPositions included), then the writers on
// whatever was loaded. An input is a 4-byte little-endian length n, the mesh file's first n bytes
// (n is cut to what is there), then the solution file.
#pragma once

#include "pav_io.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace load_fuzz {

inline std::string scratchBase() {
  return std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/pav_load_fuzz_" +
         std::to_string(getpid());
}

inline bool writeFile(const std::string &path, const uint8_t *data, size_t size) {
  FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

inline int runPair(const uint8_t *data, size_t size, bool binary) {
  struct Names {
    std::string mesh, sol, meshOut, solOut;
    ~Names() {
      for (const std::string *n : {&mesh, &sol, &meshOut, &solOut}) unlink(n->c_str());
    }
  };
  static const Names names = [binary] {
    const std::string base = scratchBase();
    const char *m = binary ? ".meshb" : ".mesh";
    const char *s = binary ? ".solb" : ".sol";
    return Names{base + m, base + s, base + "_out" + m, base + "_out" + s};
  }();
  uint32_t meshBytes = 0;
  if (size >= 4) {
    meshBytes = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                uint32_t(data[3]) << 24;
    data += 4;
    size -= 4;
  }
  if (meshBytes > size) meshBytes = uint32_t(size);
  if (!writeFile(names.mesh, data, meshBytes) ||
      !writeFile(names.sol, data + meshBytes, size - meshBytes))
    return 0;
  PavObject *obj = nullptr;
  if (pav_NewInterface(&obj) != PAV_SUCCESS) return 0;
  char status[2 * PAV_STATUS_SIZE];
  if (pav_OpenMesh(obj, names.mesh.c_str(), status) == PAV_SUCCESS) {
    const bool sol = pav_OpenSolution(obj, names.sol.c_str(), status) == PAV_SUCCESS;
    pav_WriteMesh(obj, names.meshOut.c_str(), status);
    if (sol) pav_WriteSolution(obj, names.solOut.c_str(), -1, status);
  }
  pav_DeleteInterface(&obj);
  return 0;
}

// The loaders print per-file messages; the fuzzer's own output stays readable without them.
inline void silenceStdout() {
  if (!std::freopen("/dev/null", "w", stdout)) return;
}

} // namespace load_fuzz
