// The command lines of the modes that open viewer windows (-in, -movie, -seq): option scanning,
// the number of windows and the view-state file name. Pure functions of argv.
#pragma once

#include <string>

namespace pavo {

struct ViewerArgs {
  // Indices in argv of the values of -in, -sol and -data (0 when absent, or when the option is
  // the last argument and so has no value). `first` is the index of the first solution name:
  // sol when -sol was given, else in.
  int in = 0, sol = 0, data = 0, first = 0;
  // Number of windows: the consecutive arguments from argv[2] on that do not begin with '-'.
  int count = 0;
};

// Scans argv[1..argc-1] once, the last occurrence of an option winning.
ViewerArgs scanViewerArgs(int argc, char **argv);

// The view-state file of the viewer windows: the -data value cut at the first ".mesh", then
// ".meshb", then ".data", or else argv[in] cut at the first ".mesh"; with ".data" appended.
// Empty when neither is given.
std::string viewerViewStateName(int argc, char **argv, const ViewerArgs &args);

// The view-state file of the movie mode: the -data value cut as above followed by ".data", or
// "pavo.data" without -data.
std::string movieViewStateName(int argc, char **argv);

// name cut at the first occurrence of suffix (name unchanged when it does not occur).
std::string cutAt(const std::string &name, const char *suffix);

// The last '/'-separated component of a file name.
std::string baseName(const std::string &path);

// Title of viewer window `index` showing `meshName`: "[%d] %s" with the base name.
std::string windowTitle(int index, const std::string &meshName);

// Horizontal screen position of window `index` (from 1) of `count`: (index - 1) * 800 /
// (count - 1); -1 with a single window (its placement is left to the window manager).
int windowX(int index, int count);

// Union of two bounding boxes (min x, max x, min y, max y, min z, max z) into `box`.
void unionBox(double box[6], const double other[6]);

} // namespace pavo
