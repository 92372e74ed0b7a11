// Surface extraction in batch.
#include "cli_texts.h"
#include "modes/mode_drivers.h"

namespace pavo {

int runExtr(int, char **) {
  printBanner();
  printLine(kLaunchExtr);
  printFormatText(ModeFormat::Extr);
  return reportNotAvailable("extr");
}

} // namespace pavo
