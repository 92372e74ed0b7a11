// The drivers that open viewer windows from the command line.
#include "cli_texts.h"
#include "modes/mode_drivers.h"

namespace pavo {

int runEmptyWindow() { return reportNotAvailable("empty window"); }

int runViewer(int, char **) { return reportNotAvailable("viewer"); }

// The texts come out whether or not a window can be shown, so that a mistyped command line run
// without a display still gets the usage.
int runNothingToDisplay() {
  printText(kNothingToDisplayText);
  printGeneralUsage();
  printThankYou();
  return 0;
}

} // namespace pavo
