// The fixed texts of the command line: banner, general usage, the format texts of the batch modes
// and the closing line. The texts are data; the print functions write them to standard output
// unchanged.
#pragma once

#include <string>

namespace pavo {

// Web address of the project, shown by the banner and by the last line of the usage text.
extern const char *const kWebAddress;

// The batch modes that have a format text (the reminder of their arguments).
enum class ModeFormat { CheckSurf, Merge, AddEdges, Seq, Solana, Convert, Extr };

// Banner for the given calendar year: product line, year line with the rights holder, web
// address, surrounded by empty lines.
std::string bannerText(int year);
// Current calendar year from the local clock.
int currentYear();
// Prints bannerText(currentYear()).
void printBanner();

// The general usage text (for -h, -help and "nothing to display"); it ends with a newline.
const std::string &generalUsageText();
void printGeneralUsage();

// Format text of one mode: each line followed by a newline, then a last line of two blanks.
const std::string &formatText(ModeFormat mode);
void printFormatText(ModeFormat mode);

// "\n  Thank you for using PAVO 4\n".
extern const char *const kThankYouText;
void printThankYou();

// "\n\n\nNothing to display !\n\n\n".
extern const char *const kNothingToDisplayText;

// Launch lines printed before a batch mode starts; printLine adds the newline.
extern const char *const kLaunchCheckSurf;  // "  Launching the surface reconstruction mode "
extern const char *const kLaunchSeq;        // "  Launching the data sequences mode "
extern const char *const kLaunchConvert;    // "  Launching the convert mode "
extern const char *const kLaunchExtr;       // "  Launching the surface extraction mode "
extern const char *const kLaunchMerge;      // "  Launching the merge of vertices "
extern const char *const kLaunchAddEdges;   // "  Launching the addition of edges "
extern const char *const kMissingArguments; // "  ERROR: missing arguments"

// Prints text as it stands (no newline added).
void printText(const char *text);
// Prints text followed by a newline.
void printLine(const char *text);

} // namespace pavo
