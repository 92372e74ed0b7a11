// The demonstration scenes, built in code without reading a file.
//
// Non-interactive use (tests, documentation images): with PAVO4_DEMO_SCREENSHOT set to a file
// name, the driver renders one frame, writes it as a screenshot to that file (format from the
// name, as the screenshot command does) and returns 0 instead of running the event loop.
#include "app_messages.h"
#include "modes/mode_drivers.h"
#include "scene/mesh_viewer.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

namespace pavo {

int runDemo(DemoScene scene) {
  QElapsedTimer clock;
  clock.start();
  PavDemoKind kind = scene == DemoScene::Full       ? PavDemoKind::Full
                     : scene == DemoScene::Polygons ? PavDemoKind::Polygons
                                                    : PavDemoKind::Plain;
  PavMeshViewer viewer;
  viewer.setTitle(scene == DemoScene::Polygons ? "pavo4 polygons" : "pavo4 demo");
  viewer.resize(1024, 768);
  viewer.show();
  viewer.showDemo(kind);
  if (scene == DemoScene::Plain)
    appMessage("  Total time to launch the demo %5.2f s \n", (double)clock.elapsed() / 1000.0);
  const char *shot = std::getenv("PAVO4_DEMO_SCREENSHOT");
  if (shot && *shot) {
    viewer.waitForInit(); // the frame can be read once the window is up
    viewer.renderNowNoSwap();
    viewer.screenshot(shot);
    return 0;
  }
  return QGuiApplication::exec();
}

} // namespace pavo
