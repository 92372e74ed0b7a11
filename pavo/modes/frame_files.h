// What the movie and data-sequence modes read: the lines of "pavo.movie" and "pavo.seq", and the
// view-state file applied to the viewer before a frame is rendered. All the file reading of the
// two modes goes through here.
#pragma once

#include <string>

namespace pavo {

class PavMeshViewer;

// One line of a movie file: mesh, solution, image. With one word the solution is looked for
// under the mesh's name and the image is named after the mesh; with two the image is named after
// the solution.
struct MovieFrame {
  std::string mesh, sol, image;
};
// Splits a line into at most three words; false for a line without a word.
bool parseMovieLine(const char *line, MovieFrame &frame);

// One line of a sequence file: a view-state file and the image name (the view-state file's own
// name when the line has one word).
struct SeqFrame {
  std::string view, image;
};
bool parseSeqLine(const char *line, SeqFrame &frame);

// Longest line of these files, in characters; longer lines are read in pieces.
constexpr int kFrameLineSize = 511;

// True when the view-state file can be opened for reading.
bool viewStateReadable(const std::string &name);
// Reads a view-state file into the viewer.
void applyViewState(PavMeshViewer *viewer, const std::string &name);

} // namespace pavo
