// The work of the batch modes and the argument helpers their drivers share. No window is needed:
// everything here runs on a mesh object loaded from files and writes files.
#pragma once

#include "files/viewer_args.h"
#include "pav_object.h"

#include <string>

namespace pavo {

// Index of the value of option `name` (the argument after its last occurrence), or 0 when the
// option is absent. A value index may equal argc when the option is the last argument.
int optionValue(int argc, char **argv, const char *name);
// True when `name` occurs among argv[2..argc-1].
bool hasFlag(int argc, char **argv, const char *name);

// Loads a mesh with the drivers' messages (" pav_OpenMesh failed error %3d : %s" or
// "  %% <name> OPENED") and prints the mesh summary; returns the status of the load.
int openMeshVerbose(PavObject *obj, const char *name);
// Loads the solutions with the drivers' messages; failPrefix is the text before "pav_OpenSolution
// failed" (two blanks in most modes, one in -convert). Prints the solution summary.
int openSolutionVerbose(PavObject *obj, const char *name, const char *failPrefix);

// Batch modes never write the output of a failed load: this says on standard output which steps
// are skipped because the mesh could not be loaded ("  Solution skipped: ..." when `solution`,
// then "  Nothing written: ...").
void reportSkippedAfterFailedLoad(bool solution);

// Counts the mesh and solution writes that fail while it lives, including those made inside the
// mesh modifications (their writers are routed through it with pav_SetMeshWriters). One at a time.
class WriteWatch {
public:
  WriteWatch();
  ~WriteWatch();
  WriteWatch(const WriteWatch &) = delete;
  WriteWatch &operator=(const WriteWatch &) = delete;
  int failures() const;
};

// Completes the surface of a volume mesh and writes it (solution too when solOut is given).
void launchSurfaceReconstruction(PavObject *obj, const char *meshOut, const char *solOut);
// Writes the test field cos(2 pi x / a) exp(-r^2 / a^2) at the vertices to outName.
int generateAnalyticalSolution(PavObject *obj, const char *outName, const char *keyword,
                               int intParam, double realParam, char *status);
// Cuts the surface triangles by the fixed table of 21 sections and writes "edges.mesh" and
// "A-002_cpcf.dat" in the working directory. Returns 0, or 1 when the data file cannot be written.
int extractSurfaceSections(PavObject *obj, const char *outName);

} // namespace pavo
