// Merging of vertices and addition of edges in batch; the two modes read their arguments alike.
#include "app_messages.h"
#include "cli_texts.h"
#include "modes/batch_work.h"
#include "modes/mode_drivers.h"
#include "pav_modify.h"

#include <cstdio>
#include <string>

namespace pavo {

namespace {

int runModification(int argc, char **argv, bool merge) {
  printBanner();
  printLine(merge ? kLaunchMerge : kLaunchAddEdges);
  printFormatText(merge ? ModeFormat::Merge : ModeFormat::AddEdges);
  int in = optionValue(argc, argv, "-in");
  if (in == 0) in = 2;
  const int out = optionValue(argc, argv, "-out");
  const bool ascii = hasFlag(argc, argv, "-ascii");
  if (in >= argc) {
    printLine("  ERROR: -in is missing");
    return 0;
  }
  const std::string input = argv[in];
  const std::string base = out > 0 && out < argc
                               ? cutAt(argv[out], ".mesh")
                               : cutAt(input, ".mesh") + (merge ? ".merge" : ".e");
  const std::string outName = base + (ascii ? ".mesh" : ".meshb");
  PavObject *obj = nullptr;
  if (const int st = pav_NewInterface(&obj)) {
    appMessage(" pav_NewInterface  status %d \n", st);
    return 0;
  }
  int exitStatus = 0;
  if (openMeshVerbose(obj, input.c_str()) != PAV_SUCCESS) {
    reportSkippedAfterFailedLoad(false);
    exitStatus = 1;
  } else {
    WriteWatch watch;
    char status[PAV_STATUS_SIZE] = "";
    const int rc = merge ? pav_MergeVertices(obj, outName.c_str(), status)
                         : pav_AddBoundaryEdges(obj, outName.c_str(), status);
    if (rc != PAV_SUCCESS) appMessage("%s", status);
    if (rc != PAV_SUCCESS || watch.failures()) exitStatus = 1;
  }
  printLine(merge ? "  Thank you for using the merge of vertices of Pavo"
                  : "  Thank you for using the addition of edges of Pavo");
  pav_DeleteInterface(&obj);
  return exitStatus;
}

} // namespace

int runMerge(int argc, char **argv) { return runModification(argc, argv, true); }

int runAddEdges(int argc, char **argv) { return runModification(argc, argv, false); }

} // namespace pavo
