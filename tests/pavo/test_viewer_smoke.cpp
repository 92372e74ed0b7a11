// The viewer under a storm of input on every kind of scene: every key of the key table, then
// random keys, clicks, drags, wheel turns and resizes from a fixed seed, a screenshot and a
// close. The run is bounded in events. Built with the sanitizers (build-asan-app) it is the
// memory and undefined-behaviour check of the whole window; here it checks the window survives.
#include "gl_viewer_events.h"
#include "mesh_builders.h"
#include "pavmsh.h"
#include "scene/key_bindings.h"
#include "scene/mesh_viewer_input.h"

#include <QCoreApplication>
#include <QDir>
#include <QMouseEvent>
#include <QWheelEvent>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

using namespace pavo;
using namespace pavo_test;

namespace {

// A scalar field f(x, y, z) = x + 2 y - z at the vertices of obj.
PavObject *withField(PavObject *obj) {
  char st[PAV_STATUS_SIZE];
  PavSolution *f = pav_NewSolutionRecord(3, PavSolScalar, obj->ent[Vertices].nbr, 1, 1, st);
  for (int v = 1; v <= obj->ent[Vertices].nbr; v++) {
    const double *p = obj->crdDbl + 3 * v;
    f->data[v] = p[0] + 2 * p[1] - p[2];
  }
  pav_PushSolution(obj, SolAtVertices, f, st);
  return obj;
}

// A 3 x 3 grid of unit quadrilaterals in z = 0, references 1..3.
PavObject *quadrilaterals() {
  std::vector<double> xyz;
  for (int j = 0; j < 4; j++)
    for (int i = 0; i < 4; i++) xyz.insert(xyz.end(), {double(i), double(j), 0});
  std::vector<int> nodes, refs;
  for (int j = 0; j < 3; j++)
    for (int i = 0; i < 3; i++) {
      const int a = 4 * j + i + 1;
      nodes.insert(nodes.end(), {a, a + 1, a + 5, a + 4});
      refs.push_back(1 + (i + j) % 3);
    }
  return meshOf(xyz, Quadrilaterals, nodes, refs);
}

// The unit cube as one polyhedron of six faces, and an L-shaped boundary hexagon below it.
PavObject *polygonsAndPolyhedra() {
  PavObject *obj =
      buildMesh(3, {0, 0, 0, 1, 0, 0,  1, 1, 0,  0, 1, 0,  0, 0, 1,  1, 0, 1,  1, 1, 1,
                    0, 1, 1, 0, 0, -1, 2, 0, -1, 2, 1, -1, 1, 1, -1, 1, 2, -1, 0, 2, -1});
  attachPolygons(obj, {0, 0, 1, 5}, {0, 9, 10, 11, 12, 13, 14},
                 {0, 0, 1, 1, 5, 1, 9, 1, 13, 1, 17, 1, 21, 1},
                 {0, 1, 4, 3, 2, 5, 6, 7, 8, 1, 2, 6, 5, 2, 3, 7, 6, 3, 4, 8, 7, 4, 1, 5, 8},
                 {0, 0, 1, 7}, {0, 1, 2, 3, 4, 5, -6});
  return obj;
}

struct SceneKind {
  const char *name;
  std::function<void(PavMeshViewer &)> load;
};

const std::string examples = sourceDir() + "/examples/";

const SceneKind kinds[] = {
    {"P2 triangles with fields",
     [](PavMeshViewer &v) {
       captured([&] {
         v.displayMesh((examples + "annulus_p2.mesh").c_str(),
                       (examples + "annulus_p2.sol").c_str());
       });
     }},
    {"P2 tetrahedra with a cut",
     [](PavMeshViewer &v) {
       v.view.options.CutOn = v.view.hasCutPlane = true;
       const double plane[4] = {1, 0.3, 0, -0.5};
       std::copy(plane, plane + 4, v.view.cutPlane);
       showMesh(v, withField(buildCube(CubeSplit::Tetrahedra, 2, 2)));
     }},
    {"quadrilaterals", [](PavMeshViewer &v) { showMesh(v, withField(quadrilaterals())); }},
    {"polygons and polyhedra", [](PavMeshViewer &v) { showMesh(v, polygonsAndPolyhedra()); }},
    {"empty window", [](PavMeshViewer &) {}},
    {"mesh without solution",
     [](PavMeshViewer &v) {
       captured([&] { v.displayMesh((examples + "sphere_p3.mesh").c_str(), nullptr); });
     }},
};

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
  for (const SceneKind &kind : kinds) {
    SCOPED_TRACE(kind.name);
    std::unique_ptr<PavMeshViewer> v = shownViewer(200);
    if (!v) GTEST_SKIP() << "no display";
    PavViewerInput *input = PavViewerInput::of(v.get());
    int closed = 0;
    input->quitApplication = [&] { closed++; };
    kind.load(*v);
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
