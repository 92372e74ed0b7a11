// Conversion of files in batch.
#include "cli_texts.h"
#include "modes/mode_drivers.h"

namespace pavo {

int runConvert(int, char **) {
  printBanner();
  printLine(kLaunchConvert);
  printFormatText(ModeFormat::Convert);
  return reportNotAvailable("convert");
}

} // namespace pavo
