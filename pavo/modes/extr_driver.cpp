// Surface extraction in batch.
#include "app_messages.h"
#include "cli_texts.h"
#include "modes/batch_work.h"
#include "modes/mode_drivers.h"

#include <cstdio>
#include <string>

namespace pavo {

int runExtr(int argc, char **argv) {
  printBanner();
  printLine(kLaunchExtr);
  printFormatText(ModeFormat::Extr);
  const int in = optionValue(argc, argv, "-in"), sol = optionValue(argc, argv, "-sol"),
            out = optionValue(argc, argv, "-out"), dat = optionValue(argc, argv, "-dat");
  if (in == 0) {
    printLine("  ERROR: -in is missing");
    return 0;
  }
  const int solIdx = sol ? sol : in;
  if (in >= argc || out >= argc || dat >= argc || solIdx >= argc) {
    appMessage("Argument missing, please check your command \n");
    return 0;
  }
  const std::string meshName = argv[in], solName = argv[solIdx];
  const std::string outName = (out ? cutAt(argv[out], ".dat") : cutAt(meshName, ".mesh")) + ".dat";
  PavObject *obj = nullptr;
  if (const int st = pav_NewInterface(&obj)) {
    appMessage(" pav_NewInterface  status %d \n", st);
    return 0;
  }
  if (openMeshVerbose(obj, meshName.c_str()) != PAV_SUCCESS) {
    reportSkippedAfterFailedLoad(true);
    pav_DeleteInterface(&obj);
    return 1;
  }
  openSolutionVerbose(obj, solName.c_str(), "  ");
  const int rc = extractSurfaceSections(obj, outName.c_str());
  pav_DeleteInterface(&obj);
  if (rc != 0) return rc;
  printLine("  Thank you for using the surface extraction mode of Pavo");
  return 0;
}

} // namespace pavo
