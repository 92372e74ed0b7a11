// The demonstration scenes, built in code without reading a file.
#include "modes/mode_drivers.h"

namespace pavo {

int runDemo(DemoScene scene) {
  switch (scene) {
  case DemoScene::Plain:
    return reportNotAvailable("demo");
  case DemoScene::Full:
    return reportNotAvailable("demofull");
  case DemoScene::Polygons:
    return reportNotAvailable("poly");
  }
  return 0;
}

} // namespace pavo
