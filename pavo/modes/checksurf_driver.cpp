// Surface reconstruction in batch.
#include "cli_texts.h"
#include "modes/mode_drivers.h"

namespace pavo {

int runCheckSurf(int argc, char **) {
  printBanner();
  printLine(kLaunchCheckSurf);
  if (argc < 4) {
    printLine(kMissingArguments);
    printFormatText(ModeFormat::CheckSurf);
    return 0;
  }
  printFormatText(ModeFormat::CheckSurf);
  return reportNotAvailable("checksurf");
}

} // namespace pavo
