// Analytical solution generator in batch.
#include "app_messages.h"
#include "cli_texts.h"
#include "modes/batch_work.h"
#include "modes/mode_drivers.h"
#include "pav_io.h"

#include <cstdio>

namespace pavo {

int runSolana(int argc, char **argv) {
  printBanner();
  if (argc < 4) {
    printLine(kMissingArguments);
    printFormatText(ModeFormat::Solana);
    return 0;
  }
  printFormatText(ModeFormat::Solana);
  const int in = optionValue(argc, argv, "-in");
  const bool test = hasFlag(argc, argv, "-test");
  if (in == 0 || in >= argc) {
    printLine("  ERROR: -in is missing");
    return 0;
  }
  PavObject *obj = nullptr;
  pav_NewInterface(&obj);
  char status[2 * PAV_STATUS_SIZE] = "";
  if (pav_OpenMesh(obj, argv[in], status) == PAV_FAILURE) {
    appMessage("Error while opening the mesh \n");
    reportSkippedAfterFailedLoad(false);
    pav_DeleteInterface(&obj);
    return 1;
  }
  int exitStatus = 0;
  if (test && generateAnalyticalSolution(obj, "test.sol", "test", 3, 1.0, status) != PAV_SUCCESS)
    exitStatus = 1;
  printLine("  Thank you for using the solution generator mode of Pavo");
  pav_DeleteInterface(&obj);
  return exitStatus;
}

} // namespace pavo
