// The description files of the movie mode ("pavo.movie": mesh, solution and image per line) and
// of the data-sequence mode (view-state file and image per line). Pure parsing; the drivers
// render the lines.
#pragma once

#include "files/file_tokens.h"

#include <cstdio>
#include <string>
#include <vector>

namespace pavo {

// One frame of a movie: the mesh, its solution (empty: looked for under the mesh's name, as
// the loading does when no solution is given) and the image name.
struct PavMovieLine {
  std::string mesh, solution, image;
  bool operator==(const PavMovieLine &o) const {
    return mesh == o.mesh && solution == o.solution && image == o.image;
  }
};

// One image of a sequence: the view-state file and the image name.
struct PavSequenceLine {
  std::string viewState, image;
  bool operator==(const PavSequenceLine &o) const {
    return viewState == o.viewState && image == o.image;
  }
};

// Texts of the message boxes the drivers show when the file is missing.
extern const char *const kMovieMissingBoxText; // "Please specify your sequence of meshes and ..."
extern const char *const kSequenceMissingBoxText;

// Reads a movie file (normally "pavo.movie"). Prints "  Launching movie frames generator\n",
// then, when the file cannot be opened, "  no file pavo.movie found \n" and the line asking for
// the file, and returns false. Lines are read 511 characters at a time (a longer line goes on
// as the next one) and split at blanks into at most three words; lines without a word are
// skipped. One word: the image is named after the mesh; two: after the solution.
bool readMovieFile(const char *name, std::vector<PavMovieLine> &lines, PavFileMessages &messages);

// Reads a sequence file. Prints "  opening %s file \n", "  Launching the sequence data
// generator\n" and an empty line; a file that cannot be opened then prints "  no file %s found \n"
// and the line asking for "pavo.seq", and returns false. Lines as in readMovieFile, at most two
// words; with one word the image takes the view-state file's name.
bool readSequenceFile(const char *name, std::vector<PavSequenceLine> &lines,
                      PavFileMessages &messages);

// The line splitting of both readers on an open file, appending to `lines` (not cleared).
void readMovieLines(std::FILE *file, std::vector<PavMovieLine> &lines);
void readSequenceLines(std::FILE *file, std::vector<PavSequenceLine> &lines);

} // namespace pavo
