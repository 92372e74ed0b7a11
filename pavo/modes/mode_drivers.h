// The drivers of the modes selected on the command line. Each takes the command line as main
// received it (after Qt removed its own options) and returns the process exit status.
//
// Drivers that open windows expect the caller to have checked the display (prepareDrawing);
// batch drivers need no display.
#pragma once

namespace pavo {

// Hands the batch modes that a viewer window's menus run (movie, sequence, surface
// reconstruction) to the interface; once, before any window opens.
void installWindowModes();

// Window drivers.
int runEmptyWindow();                 // no argument: an empty viewer window
int runViewer(int argc, char **argv); // -in: one viewer window per mesh
int runNothingToDisplay();            // an argument that selects no mode

// Demonstration scenes; the dispatch prints their launch lines.
enum class DemoScene { Plain, Full, Polygons };
int runDemo(DemoScene scene);

// Batch drivers (argc >= 3, except -movie which also runs alone).
int runMovie(int argc, char **argv);
int runSeq(int argc, char **argv);
int runCheckSurf(int argc, char **argv);
int runExtr(int argc, char **argv);
int runMerge(int argc, char **argv);
int runAddEdges(int argc, char **argv);
int runConvert(int argc, char **argv);
int runSolana(int argc, char **argv);

// Says on standard output that `mode` is not part of this build, and returns 0.
int reportNotAvailable(const char *mode);

} // namespace pavo
