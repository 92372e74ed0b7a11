// A scene as one input, shared by the scene fuzz target and the viewer smoke: a flag byte (bit 0:
// binary mesh and solution files), then four parts, mesh, solution, view state and parameters,
// each but the last after a 4-byte little-endian length (cut to what is there); the parameter
// file is the rest. The parts are written side by side under one base name and loaded the way
// the viewer loads them: the mesh with its solution (the parameter file is found by the mesh's
// name), then the view state applied and the scene built again with it.
#pragma once

#include "scene/mesh_viewer.h"
#include "scene/view_state_io.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace scene_input {

inline bool writePart(const std::string &path, const uint8_t *&data, size_t &size, bool last) {
  size_t n = size;
  if (!last) {
    uint32_t len = 0;
    for (int i = 0; i < 4 && size > 0; i++, data++, size--) len |= uint32_t(*data) << (8 * i);
    n = len < size ? len : size;
  }
  FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(data, 1, n, f) == n;
  data += n;
  size -= n;
  return std::fclose(f) == 0 && ok;
}

// Loads the input into the viewer; false when the files could not be written or the mesh not
// opened.
inline bool load(pavo::PavMeshViewer &viewer, const uint8_t *data, size_t size,
                 const std::string &base) {
  if (size < 1) return false;
  const bool binary = data[0] & 1;
  data++, size--;
  const std::string mesh = base + (binary ? ".meshb" : ".mesh");
  const std::string sol = base + (binary ? ".solb" : ".sol");
  if (!writePart(mesh, data, size, false) || !writePart(sol, data, size, false) ||
      !writePart(base + ".data", data, size, false) || !writePart(base + ".pavo", data, size, true))
    return false;
  if (viewer.displayMesh(mesh.c_str(), sol.c_str()) != 0 || !viewer.meshObject()) return false;
  pavo::applyViewState(&viewer, base + ".data", nullptr);
  viewer.displayObject();
  return true;
}

} // namespace scene_input
