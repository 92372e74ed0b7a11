// Fuzz target over the viewer's scene building: a mesh, its solution, a view-state file and a
// parameter file (one input as scene_input.h reads it) loaded into a mesh viewer that is never
// shown (no GL context: the whole scene is built and its uploads recorded; none is carried out).
#include "scene_input.h"

#include <QGuiApplication>
#include <memory>
#include <unistd.h>

namespace {

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
  auto viewer = std::make_unique<pavo::PavMeshViewer>();
  scene_input::load(*viewer, data, size, names.base);
  return 0;
}
