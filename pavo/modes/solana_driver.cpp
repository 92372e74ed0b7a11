// Analytical solution generator in batch.
#include "cli_texts.h"
#include "modes/mode_drivers.h"

namespace pavo {

int runSolana(int argc, char **) {
  printBanner();
  if (argc < 4) {
    printLine(kMissingArguments);
    printFormatText(ModeFormat::Solana);
    return 0;
  }
  printFormatText(ModeFormat::Solana);
  return reportNotAvailable("solana");
}

} // namespace pavo
