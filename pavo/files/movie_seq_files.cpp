#include "files/movie_seq_files.h"

#include <cctype>
#include <cstdio>

namespace pavo {

const char *const kMovieMissingBoxText =
    "Please specify your sequence of meshes and solution in a file named \"pavo.movie\" ";
const char *const kSequenceMissingBoxText =
    "Please specify your sequence of data in a file named \"pavo.seq\" ";

namespace {

// The lines of a file split into at most maxWords words each, empty lines left out. Lines are
// taken 511 characters at a time, as a 512-byte line buffer reads them.
std::vector<std::vector<std::string>> splitLines(std::FILE *f, size_t maxWords) {
  std::vector<std::vector<std::string>> out;
  char buf[512];
  while (std::fgets(buf, sizeof buf, f)) {
    std::vector<std::string> words;
    const char *p = buf;
    while (words.size() < maxWords) {
      while (*p && std::isspace((unsigned char)*p)) p++;
      if (!*p) break;
      const char *start = p;
      while (*p && !std::isspace((unsigned char)*p)) p++;
      words.emplace_back(start, (size_t)(p - start));
    }
    if (!words.empty()) out.push_back(std::move(words));
  }
  return out;
}

} // namespace

void readMovieLines(std::FILE *file, std::vector<PavMovieLine> &lines) {
  for (const auto &w : splitLines(file, 3)) {
    PavMovieLine l;
    l.mesh = w[0];
    if (w.size() > 1) l.solution = w[1];
    l.image = w.size() == 1 ? w[0] : w.size() == 2 ? w[1] : w[2];
    lines.push_back(std::move(l));
  }
}

void readSequenceLines(std::FILE *file, std::vector<PavSequenceLine> &lines) {
  for (const auto &w : splitLines(file, 2)) lines.push_back({w[0], w.size() > 1 ? w[1] : w[0]});
}

namespace {

// Opens a movie or sequence file; `opened` is printed once it was tried. A file that is refused
// or missing is said (the missing one with the name the user should give it) and gives null.
std::FILE *openFrameList(const char *name, const char *usual, const char *opened,
                         PavFileMessages &messages) {
  std::string why;
  bool missing = false;
  std::FILE *f = pavOpenTextFile(name, why, &missing);
  if (opened) messages.print("%s", opened);
  if (!f && !missing) messages.print("  ## ERROR: %s: %s: not read\n", name, why.c_str());
  if (!f && missing) {
    messages.print("  no file %s found \n", name);
    messages.print("  Please specify your sequence of meshes and solution in a file named "
                   "\"%s\" \n",
                   usual);
  }
  return f;
}

} // namespace

bool readMovieFile(const char *name, std::vector<PavMovieLine> &lines, PavFileMessages &messages) {
  lines.clear();
  if (!name) name = "pavo.movie";
  messages.print("  Launching movie frames generator\n");
  std::FILE *f = openFrameList(name, "pavo.movie", nullptr, messages);
  if (!f) return false;
  readMovieLines(f, lines);
  std::fclose(f);
  return true;
}

bool readSequenceFile(const char *name, std::vector<PavSequenceLine> &lines,
                      PavFileMessages &messages) {
  lines.clear();
  if (!name) name = "pavo.seq";
  messages.print("  opening %s file \n", name);
  std::FILE *f =
      openFrameList(name, "pavo.seq", "  Launching the sequence data generator\n\n", messages);
  if (!f) return false;
  readSequenceLines(f, lines);
  std::fclose(f);
  return true;
}

} // namespace pavo
