// The viewer under a storm of input on every kind of scene (2-D P2 triangles with fields, P2
// tetrahedra with a cut, quadrilaterals, polygons and polyhedra, a mesh without solution, an
// empty window): every key of the key table, then random keys, clicks, drags, wheel turns and
// resizes from a fixed seed, a screenshot and a close. The run is bounded in events. Built with
// the sanitizers (build-asan-app) it is the memory and undefined-behaviour check of the whole
// window; here it checks that the window survives.
#include "../fuzz/scene_input.h"
#include "gl_viewer_events.h"
#include "scene/key_bindings.h"
#include "scene/mesh_viewer_input.h"

#include <QCoreApplication>
#include <QDir>
#include <QMouseEvent>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

using namespace pavo;
using namespace pavo_test;

namespace {

// Each kind of scene is a seed of the scene fuzz target (scene_input.h), loaded from files.
const char *const kinds[] = {"p2_triangles_fields", "p2_tetrahedra_cut", "quadrilaterals",
                             "polygons_polyhedra",  "prisms_pyramids",   ""};

void load(PavMeshViewer &v, const std::string &kind, const std::string &dir) {
  if (kind.empty()) return; // the empty window
  const std::string bytes = readFile(sourceDir() + "/tests/fuzz/corpus/fuzz_scene/" + kind);
  captured([&] {
    EXPECT_TRUE(scene_input::load(v, reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(),
                                  dir + "/" + kind));
  });
}

bool quits(const PavKeyBinding &b) { return b.qtKey == Qt::Key_Q || b.qtKey == Qt::Key_Escape; }

void press(PavMeshViewer &v, const PavKeyBinding &b) {
  key(v, b.qtKey, b.text ? std::string(1, b.text).c_str() : "");
}

void randomEvent(PavMeshViewer &v, std::mt19937 &rng, const std::vector<PavKeyBinding> &table) {
  const QPoint at(int(rng() % 700) - 50, int(rng() % 700) - 50);
  const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
  const Qt::KeyboardModifiers mods[] = {Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier,
                                        Qt::AltModifier};
  switch (rng() % 5) {
  case 0:
  case 1: {
    const PavKeyBinding &b = table[rng() % table.size()];
    if (!quits(b)) press(v, b);
    break;
  }
  case 2:
    click(v, at, mods[rng() % 4], buttons[rng() % 3]);
    break;
  case 3: {
    QMouseEvent press(QEvent::MouseButtonPress, at, buttons[rng() % 3], Qt::LeftButton,
                      mods[rng() % 4]);
    QCoreApplication::sendEvent(&v, &press);
    QMouseEvent move(QEvent::MouseMove, at + QPoint(int(rng() % 80), 40), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&v, &move);
    QWheelEvent wheel(at, at, QPoint(), QPoint(0, int(rng() % 961) - 480), Qt::NoButton,
                      mods[rng() % 4], Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&v, &wheel);
    break;
  }
  default:
    v.resize(1 + int(rng() % 400), 1 + int(rng() % 300));
  }
  QCoreApplication::processEvents();
}

} // namespace

TEST(ViewerSmoke, EveryKeyAndARandomStormOnEverySceneKindThenScreenshotAndClose) {
  const std::string dir = scratchDir("viewer_smoke");
  const QString home = QDir::currentPath();
  QDir::setCurrent(QString::fromStdString(dir)); // Space and w write into the working folder
  const std::vector<PavKeyBinding> &table = keyBindings();
  std::mt19937 rng(20261207);
  for (const char *kind : kinds) {
    SCOPED_TRACE(kind);
    std::unique_ptr<PavMeshViewer> v = shownViewer(200);
    if (!v) GTEST_SKIP() << "no display";
    PavViewerInput *input = PavViewerInput::of(v.get());
    int closed = 0;
    input->quitApplication = [&] { closed++; };
    load(*v, kind, dir);
    captured([&] {
      for (const PavKeyBinding &b : table)
        if (!quits(b)) press(*v, b), v->renderNow();
      // The table turned the animation on (A): off for the storm, on again for the close.
      key(*v, 0, "A");
      for (int i = 0; i < 120; i++) {
        randomEvent(*v, rng, table);
        if (i % 8 == 0) v->renderNow();
      }
      v->resize(320, 240);
      if (!input->switches().animation) key(*v, 0, "A");
      QCoreApplication::processEvents();
      EXPECT_TRUE(v->screenshot((dir + "/smoke.png").c_str()));
      key(*v, Qt::Key_Q);
    });
    struct stat st {};
    EXPECT_TRUE(stat((dir + "/smoke.png").c_str(), &st) == 0 && st.st_size > 0);
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(v->isVisible());
  }
  QDir::setCurrent(home);
#ifdef __SANITIZE_ADDRESS__
  // Every window of the storm is gone: what is still unreachable now leaked. Checked here, while
  // the system libraries are loaded and can be named, not at exit when the GL driver is unloaded.
  __lsan_do_leak_check();
#endif
}
