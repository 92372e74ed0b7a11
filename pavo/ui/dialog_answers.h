// What the answers of the main window's dialogs mean: the window size typed by the user, the
// names under which meshes, solutions and view-state files are written, and the checks that a
// chosen file can be read or written, with the messages shown when it cannot.
#pragma once

#include <QString>

namespace pavo {

// "W x H" with blanks allowed on either side of the x (the whole answer must match
// "([0-9]+) *x *([0-9]+)"). False, leaving w and h alone, for any other text and for sizes of 0
// or above 32767, which no window can take.
bool parseWindowSize(const QString &answer, int *w, int *h);

// Output names: a name without ".mesh" gets ".meshb" (binary by default), without ".sol" gets
// ".solb", without ".data" gets ".data". Only the file's own name counts, not its folders.
QString meshOutputName(const QString &name);
QString solutionOutputName(const QString &name);
QString dataOutputName(const QString &name);
// The solution written beside a mesh: the last ".mesh" of the name becomes ".sol" (so ".meshb"
// becomes ".solb"); a name without ".mesh" gets ".solb".
QString solutionBesideMesh(const QString &meshName);

// Empty when `path` names a readable regular file, else the message to print
// ("  ## ERROR: <path> does not exist\n", "... is a folder, not a file\n", "... cannot be read\n").
QString inputFileProblem(const QString &path);
// Empty when a file can be written at `path` (its folder exists and is writable and the path is
// not a folder), else the message to print.
QString outputFileProblem(const QString &path);

} // namespace pavo
