// Surface reconstruction in batch.
#include "app_messages.h"
#include "cli_texts.h"
#include "modes/batch_work.h"
#include "modes/mode_drivers.h"

#include <cstdio>
#include <string>

namespace pavo {

int runCheckSurf(int argc, char **argv) {
  printBanner();
  printLine(kLaunchCheckSurf);
  if (argc < 4) {
    printLine(kMissingArguments);
    printFormatText(ModeFormat::CheckSurf);
    return 0;
  }
  printFormatText(ModeFormat::CheckSurf);
  const int in = optionValue(argc, argv, "-in"), sol = optionValue(argc, argv, "-sol"),
            out = optionValue(argc, argv, "-out");
  const bool ascii = hasFlag(argc, argv, "-ascii");
  if (in == 0 || in >= argc) {
    printLine("  ERROR: -in is missing");
    return 0;
  }
  const std::string meshName = argv[in];
  const std::string solName = sol > 0 && sol < argc ? argv[sol] : argv[in];
  std::string meshBase, solBase;
  if (out > 0 && out < argc) {
    meshBase = solBase = cutAt(argv[out], ".mesh");
  } else {
    meshBase = cutAt(meshName, ".mesh") + ".surfOK";
    solBase = (solName.find(".mesh") != std::string::npos ? cutAt(solName, ".mesh")
                                                          : cutAt(solName, ".sol")) +
              ".surfOK";
  }
  const std::string meshOut = meshBase + (ascii ? ".mesh" : ".meshb");
  const std::string solOut = solBase + (ascii ? ".sol" : ".solb");

  PavObject *obj = nullptr;
  if (const int st = pav_NewInterface(&obj)) {
    appMessage(" pav_NewInterface  status %d \n", st);
    return 0;
  }
  // Unlike the viewer, a batch mode never writes the output of a failed load, and its exit
  // status says whether its files were written.
  int exitStatus = 0;
  if (openMeshVerbose(obj, meshName.c_str()) != PAV_SUCCESS) {
    reportSkippedAfterFailedLoad(true);
    exitStatus = 1;
  } else {
    const bool solRead = openSolutionVerbose(obj, solName.c_str(), "  ") == PAV_SUCCESS;
    WriteWatch watch;
    launchSurfaceReconstruction(obj, meshOut.c_str(), solRead ? solOut.c_str() : nullptr);
    if (watch.failures()) exitStatus = 1;
  }
  printLine("  Thank you for using the surface reconstruction mode of Pavo");
  pav_DeleteInterface(&obj);
  return exitStatus;
}

} // namespace pavo
