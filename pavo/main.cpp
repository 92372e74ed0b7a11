// Entry point of pavo4: start-up of the process, then dispatch on the command line.
//
// Only the number of arguments and exact, case-sensitive equality of argv[1] select the mode;
// each mode reads the rest of the command line in its own driver.
#include "app_messages.h"
#include "app_startup.h"
#include "cli_texts.h"
#include "modes/mode_drivers.h"

#include <QApplication>
#include <QSurfaceFormat>
#include <clocale>
#include <cstring>

namespace {

bool is(const char *arg, const char *name) { return std::strcmp(arg, name) == 0; }

// A mode that needs more arguments, called alone: banner, launch line (if any), the error and
// the mode's format text.
int missingArguments(const char *launchLine, pavo::ModeFormat mode) {
  pavo::printBanner();
  if (launchLine) pavo::printLine(launchLine);
  pavo::printLine(pavo::kMissingArguments);
  pavo::printFormatText(mode);
  return 0;
}

int runDemo(const char *launchLine, pavo::DemoScene scene) {
  if (!pavo::prepareDrawing()) return pavo::kNoDisplayStatus;
  pavo::printLine(launchLine);
  return pavo::runDemo(scene);
}

int dispatchOne(int argc, char **argv) {
  using pavo::ModeFormat;
  const char *mode = argv[1];
  if (is(mode, "-help") || is(mode, "-h")) {
    pavo::printBanner();
    pavo::printGeneralUsage();
    pavo::printThankYou();
    return 0;
  }
  if (is(mode, "-movie")) {
    if (!pavo::prepareDrawing()) return pavo::kNoDisplayStatus;
    return pavo::runMovie(argc, argv);
  }
  if (is(mode, "-demo")) return runDemo("  Launching demo version !", pavo::DemoScene::Plain);
  if (is(mode, "-demofull"))
    return runDemo("  Launching demo full version !", pavo::DemoScene::Full);
  if (is(mode, "-poly"))
    return runDemo("  Launching Polygons version !", pavo::DemoScene::Polygons);
  if (is(mode, "-checksurf"))
    return missingArguments(pavo::kLaunchCheckSurf, ModeFormat::CheckSurf);
  if (is(mode, "-solana")) return missingArguments(nullptr, ModeFormat::Solana);
  if (is(mode, "-seq")) return missingArguments(pavo::kLaunchSeq, ModeFormat::Seq);
  if (is(mode, "-convert")) return missingArguments(pavo::kLaunchConvert, ModeFormat::Convert);
  if (is(mode, "-extr")) return missingArguments(pavo::kLaunchExtr, ModeFormat::Extr);
  return pavo::runNothingToDisplay();
}

int dispatchMany(int argc, char **argv) {
  const char *mode = argv[1];
  if (is(mode, "-in") || is(mode, "-movie") || is(mode, "-seq")) {
    if (!pavo::prepareDrawing()) return pavo::kNoDisplayStatus;
    if (is(mode, "-in")) return pavo::runViewer(argc, argv);
    if (is(mode, "-movie")) return pavo::runMovie(argc, argv);
    return pavo::runSeq(argc, argv);
  }
  if (is(mode, "-checksurf")) return pavo::runCheckSurf(argc, argv);
  if (is(mode, "-extr")) return pavo::runExtr(argc, argv);
  if (is(mode, "-merge")) return pavo::runMerge(argc, argv);
  if (is(mode, "-addedges")) return pavo::runAddEdges(argc, argv);
  if (is(mode, "-convert")) return pavo::runConvert(argc, argv);
  if (is(mode, "-solana")) return pavo::runSolana(argc, argv);
  return pavo::runNothingToDisplay();
}

int dispatch(int argc, char **argv) {
  if (argc <= 1) {
    if (!pavo::prepareDrawing()) return pavo::kNoDisplayStatus;
    return pavo::runEmptyWindow();
  }
  if (argc == 2) return dispatchOne(argc, argv);
  return dispatchMany(argc, argv);
}

} // namespace

int main(int argc, char **argv) {
  pavo::lineBufferStandardOutput(); // messages reach a pipe as they are printed
  pavo::routeCoreMessages();
  // Without a display the default platform plugin would abort inside the QApplication
  // constructor, so the platform is chosen first.
  pavo::selectQtPlatform();
  QApplication app(argc, argv);
  // The settings store's place: preferences and recent files under the program's own name.
  QCoreApplication::setOrganizationName("PAVO");
  QCoreApplication::setApplicationName("pavo4");
  std::setlocale(LC_ALL, "C");
  pavo::attachParentConsole();
  pavo::refuseSpecialSettingsFiles();
  QSurfaceFormat::setDefaultFormat(pavo::defaultSurfaceFormat());
  pavo::installWindowModes();
  return dispatch(argc, argv);
}
