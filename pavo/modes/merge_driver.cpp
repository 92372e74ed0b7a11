// Merging of vertices and addition of edges in batch; the two modes read their arguments alike.
#include "cli_texts.h"
#include "modes/mode_drivers.h"

namespace pavo {

int runMerge(int, char **) {
  printBanner();
  printLine(kLaunchMerge);
  printFormatText(ModeFormat::Merge);
  return reportNotAvailable("merge");
}

int runAddEdges(int, char **) {
  printBanner();
  printLine(kLaunchAddEdges);
  printFormatText(ModeFormat::AddEdges);
  return reportNotAvailable("addedges");
}

} // namespace pavo
