#include "modes/frame_files.h"

#include "scene/mesh_viewer.h"

#include <cstdio>
#include <sstream>

namespace pavo {

namespace {
// The first `max` whitespace-separated words of a line.
int splitWords(const char *line, std::string *words, int max) {
  std::istringstream in(line ? line : "");
  int n = 0;
  while (n < max && in >> words[n]) n++;
  return n;
}
} // namespace

bool parseMovieLine(const char *line, MovieFrame &frame) {
  std::string w[3];
  const int n = splitWords(line, w, 3);
  if (n == 0) return false;
  frame.mesh = w[0];
  frame.sol = n >= 2 ? w[1] : w[0];
  frame.image = n == 3 ? w[2] : (n == 2 ? w[1] : w[0]);
  return true;
}

bool parseSeqLine(const char *line, SeqFrame &frame) {
  std::string w[2];
  const int n = splitWords(line, w, 2);
  if (n == 0) return false;
  frame.view = w[0];
  frame.image = n == 2 ? w[1] : w[0];
  return true;
}

bool viewStateReadable(const std::string &name) {
  FILE *f = std::fopen(name.c_str(), "r");
  if (!f) return false;
  std::fclose(f);
  return true;
}

// The view-state reader is not wired yet: the view stays as the load fitted it.
void applyViewState(PavMeshViewer *, const std::string &) {}

} // namespace pavo
