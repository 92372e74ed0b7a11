#include "cli_texts.h"

#include "app_messages.h"

#include <cstdio>
#include <ctime>
#include <iterator>

namespace pavo {

const char *const kWebAddress = "https://pavo4.org";

const char *const kThankYouText = "\n  Thank you for using PAVO 4\n";
const char *const kNothingToDisplayText = "\n\n\nNothing to display !\n\n\n";

const char *const kLaunchCheckSurf = "  Launching the surface reconstruction mode ";
const char *const kLaunchSeq = "  Launching the data sequences mode ";
const char *const kLaunchConvert = "  Launching the convert mode ";
const char *const kLaunchExtr = "  Launching the surface extraction mode ";
const char *const kLaunchMerge = "  Launching the merge of vertices ";
const char *const kLaunchAddEdges = "  Launching the addition of edges ";
const char *const kMissingArguments = "  ERROR: missing arguments";

namespace {

// Each entry carries its own line ends, as printed.
const char *const kUsageLines[] = {
    "** Required input \n",
    " -in       file       : name of the input mesh file, format .mesh[b] \n",
    "\n** Optional \n",
    " -sol      file       : name of the input solution file, format .sol[b]  \n",
    "\n** Usage example \n",
    " pavo4 -in xxx.mesh[b] (-sol xxx.sol[b]) \n",
    "\n** Other modes (instead of -in) \n",
    " -h                   : print this message \n",
    " -movie               : launch the movie generator (a pavo.movie file is needed) \n",
    " -checksurf           : launch the surface reconstruction mode \n",
    " -seq                 : launch the data sequences mode \n",
    "\n** Keywords in DEFAULT.pavo \n",
    "  palette             : 5 reals to define the range of the palette \n",
    "  colormap            : a string to define the colormap \n",
    "  cutplane            : the number of planes, and then for each plane, a point of the plane "
    "and one normal\n",
    "  cutplaneequation    : the number of planes, and then for each plane, 4 reals to define the "
    "plane \n",
    "  capplane            : the number of planes, and then for each plane, a point of the plane "
    "and one normal (capping mode)\n",
    "  capplaneequation    : the number of planes, and then for each plane, 4 reals to define the "
    "plane (capping mode)\n",
    "  numberofsubisolines : an integer to define the number of subisolines\n",
    "  isolines            : an integer to define the number of isolines, and then the lists of "
    "isolines\n",
    "  displayfield        : an integer to define which field is displayed\n",
    "  checksurf           : an integer to able/disable the surface reconstruction\n",
};

// Lines shared by several format texts (without their newline).
#define PAVO_IN_LINE "  where -in  is required to define the input mesh files"
#define PAVO_SOL_LINE "        -sol is optional to define the input solution files"
#define PAVO_ASCII_LINE                                                                            \
  "        -ascii is optional to define ascii output (binary by default otherwise)"

const char *const kCheckSurfLines[] = {
    "  The format is pavo4 -checksurf -in xxx.mesh[b] (-sol xxx.sol[b] -out xxx -ascii)",
    PAVO_IN_LINE,
    PAVO_SOL_LINE,
    "        -out is optional to define the output mesh/sol files",
    PAVO_ASCII_LINE,
};
const char *const kMergeLines[] = {
    "  The format is pavo4 -merge xxx.mesh[b] (-out xxx -ascii)",
    "  where xxx.mesh[b] is the input mesh files",
    "        -out is optional to define the output mesh file",
    PAVO_ASCII_LINE,
};
const char *const kAddEdgesLines[] = {
    "  The format is pavo4 -addedges xxx.mesh[b] (-out xxx -ascii)",
    "  where xxx.mesh[b] is the input mesh files",
    "        -out is optional to define the output mesh file",
    PAVO_ASCII_LINE,
};
const char *const kSeqLines[] = {
    "  The format is pavo4 -seq -in xxx.mesh[b] (-sol xxx.sol[b] -nameseq xxx)",
    PAVO_IN_LINE,
    PAVO_SOL_LINE,
    ("        -nameseq is optional to define the data sequences file name (otherwise looking for "
     "pavo.seq) "),
};
const char *const kSolanaLines[] = {
    "  The format is pavo4 -solana -in xxx.mesh[b] ('-keyword par_1 ... par_n' -out xxx)",
    PAVO_IN_LINE,
    "        '-keyword' is required to define the keyword of the analytical solution",
    "        'par_1 ... par_n' are parameters associated to the keyword",
    "        -out is optional to define the solution output file name",
};
const char *const kConvertLines[] = {
    "  The format is pavo4 -convert xxx.cgns (-ascii) (-checksurf)",
    "  no -in needed",
    "  several cgns files can be provided",
    "  -ascii is optional to define ascii output (binary by default otherwise)",
    ("  -checksurf is optional to launch the surface reconstruction  (not used by default "
     "otherwise)"),
};
const char *const kExtrLines[] = {
    "  The format is pavo4 -extr -in xxx.mesh[b] (-sol xxx.sol[b] -out xxx)",
    PAVO_IN_LINE,
    PAVO_SOL_LINE,
    "        -out is optional to define the output file",
};

#undef PAVO_IN_LINE
#undef PAVO_SOL_LINE
#undef PAVO_ASCII_LINE

template <std::size_t N> std::string joinFormatLines(const char *const (&lines)[N]) {
  std::string text;
  for (const char *line : lines) {
    text += line;
    text += '\n';
  }
  text += "  \n";
  return text;
}

std::string buildUsage() {
  std::string text;
  for (const char *line : kUsageLines) text += line;
  text += "\n** See the user guide on ";
  text += kWebAddress;
  text += " for more information \n";
  return text;
}

} // namespace

std::string bannerText(int year) {
  char yearLine[96];
  std::snprintf(yearLine, sizeof yearLine, "  Copyright (c) %d PAVO 4 developers\n", year);
  std::string text = "\n  PAVO 4, viewer of high-order meshes and solutions\n";
  text += yearLine;
  text += "  ";
  text += kWebAddress;
  text += "\n\n";
  return text;
}

int currentYear() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return local.tm_year + 1900;
}

void printBanner() { appText(bannerText(currentYear())); }

const std::string &generalUsageText() {
  static const std::string text = buildUsage();
  return text;
}

void printGeneralUsage() { appText(generalUsageText()); }

const std::string &formatText(ModeFormat mode) {
  static const std::string texts[] = {
      joinFormatLines(kCheckSurfLines), joinFormatLines(kMergeLines),
      joinFormatLines(kAddEdgesLines),  joinFormatLines(kSeqLines),
      joinFormatLines(kSolanaLines),    joinFormatLines(kConvertLines),
      joinFormatLines(kExtrLines),
  };
  static_assert(std::size(texts) == static_cast<std::size_t>(ModeFormat::Extr) + 1,
                "one format text per mode");
  return texts[static_cast<int>(mode)];
}

void printFormatText(ModeFormat mode) { appText(formatText(mode)); }

void printThankYou() { appText(kThankYouText); }

void printText(const char *text) { appText(text); }

void printLine(const char *text) { appText(std::string(text) + "\n"); }

} // namespace pavo
