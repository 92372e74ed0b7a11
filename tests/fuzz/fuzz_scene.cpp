// Fuzz target over the viewer's scene building: a mesh, its solution, a view-state file and a
// parameter file are written side by side and loaded into a mesh viewer that is never shown (no
// GL context: the draw data are prepared, nothing is uploaded), then the view state is applied
// and the scene built again with it (cut, fields, hidden references).
//
// An input is a flag byte (bit 0: binary mesh and solution files), then four parts, mesh,
// solution, view state and parameters, each but the last after a 4-byte little-endian length
// (cut to what is there); the parameter file is the rest.
#include "modes/frame_files.h"
#include "scene/mesh_viewer.h"

#include <QGuiApplication>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

bool writePart(const std::string &path, const uint8_t *&data, size_t &size, bool last) {
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

struct Names {
  std::string base;
  ~Names() {
    for (const char *e : {".mesh", ".meshb", ".sol", ".solb", ".data", ".pavo"})
      unlink((base + e).c_str());
  }
};

} // namespace

// Qt and its offscreen platform keep a few objects of their start-up where the leak checker
// cannot see them: those libraries only, never the project's code.
extern "C" const char *__lsan_default_suppressions() {
  return "leak:libQt5Core.so\nleak:libQt5Gui.so\nleak:libqoffscreen.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  // A window system is needed for the window objects, never a display: the offscreen platform.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(*argc, *argv);
  // The viewer reports every load on standard output; libFuzzer writes to standard error.
  if (!std::freopen("/dev/null", "w", stdout)) return 0;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const Names names{std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                           "/pavo_scene_fuzz_" + std::to_string(getpid())};
  if (size < 1) return 0;
  const bool binary = data[0] & 1;
  data++, size--;
  const std::string mesh = names.base + (binary ? ".meshb" : ".mesh");
  const std::string sol = names.base + (binary ? ".solb" : ".sol");
  if (!writePart(mesh, data, size, false) || !writePart(sol, data, size, false) ||
      !writePart(names.base + ".data", data, size, false) ||
      !writePart(names.base + ".pavo", data, size, true))
    return 0;
  auto viewer = std::make_unique<pavo::PavMeshViewer>();
  if (viewer->displayMesh(mesh.c_str(), sol.c_str()) == 0 && viewer->meshObject()) {
    pavo::applyViewState(viewer.get(), names.base + ".data", nullptr);
    viewer->displayObject();
  }
  return 0;
}
