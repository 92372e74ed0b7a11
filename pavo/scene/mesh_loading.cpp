// The viewer's loading sequence: mesh and solution files into the window's mesh object, then the
// scene built from it. Timings, summaries and errors go to standard output; the short texts meant
// for the window's terminal panel go out through terminalLine.
#include "scene/mesh_viewer.h"

#include "pavmsh.h"

#include <QElapsedTimer>
#include <cstdio>

namespace pavo {

namespace {

// Loader status buffers: the error text in the first half, the name of the file actually opened
// in the second.
constexpr int kStatusSize = 1024;
constexpr int kOpenedName = 512;

// A single window showing this few curved (or otherwise non-P1-simplex) entities gets the finest
// tessellation: the cost is negligible and the curvature shows best.
constexpr int kFewCurvedEntities = 99;
constexpr int kFineTessLevel = 125;

double seconds(const QElapsedTimer &clock) { return (double)clock.elapsed() / 1000.0; }

} // namespace

int PavMeshViewer::displayMesh(const char *meshName, const char *solName) {
  if (isInitDone()) updateContext(); // the uploads of the scene building go to this context
  // A new load replaces everything the previous one left.
  clearScene();
  if (mesh) pav_DeleteInterface(&mesh);
  meshFile.clear();
  solFile.clear();
  solDeg = 0;

  const int created = pav_NewInterface(&mesh);
  if (created != 0 || !mesh) {
    printf(" pav_NewInterface  status %d \n", created);
    fflush(stdout);
    return created != 0 ? created : 2;
  }

  QElapsedTimer clock;
  clock.start();
  char status[kStatusSize] = {};
  const int opened = pav_OpenMesh(mesh, meshName, status);
  printf("  Open mesh done in    %5.2f s \n", seconds(clock));
  if (opened == 0) {
    const char *name = status + kOpenedName;
    printf("  %%%% %s OPENED\n", name);
    emit terminalLine(QString::asprintf("Mesh File %s OPENED", name));
    meshFile = QString::fromLocal8Bit(name);
  } else {
    printf(" pav_OpenMesh failed error %3d : %s\n", opened, status);
    // What a failed read left behind is not shown: the window stays empty and usable.
    pav_DeleteInterface(&mesh);
    printf("  Total time to render %5.2f s \n", seconds(clock));
    fflush(stdout);
    renderLater();
    return opened;
  }

  char message[kStatusSize] = {};
  pav_PrintMeshInfo(mesh, message);
  if (windowCount == 1 && pav_GetNumberOfNonP1SimplexEntities(mesh, message) <= kFewCurvedEntities)
    options.tessLevel = kFineTessLevel;

  if (pav_Count(mesh, Vertices) >= 1) {
    clock.restart();
    char solStatus[kStatusSize] = {};
    // Without a solution name the loader looks for one under the mesh's name.
    const int solOpened = pav_OpenSolution(mesh, solName ? solName : meshName, solStatus);
    if (solOpened == 0) {
      const char *name = solStatus + kOpenedName;
      printf("  Open solution in     %5.2f s \n", seconds(clock));
      printf("  %%%% %s OPENED\n", name);
      emit terminalLine(QString::asprintf("Sol. File %s OPENED", name));
      solFile = QString::fromLocal8Bit(name);
    } else {
      printf("  pav_OpenSolution failed error %3d : %s", solOpened, solStatus);
    }
    pav_PrintSolutionInfo(mesh, message);
    solDeg = pav_GetMaxSolutionDegree(mesh);
    // The object's box first, so that the scene building may replace it (parameter file).
    if (pav_GetBoundingBox(mesh, bbox, message) != 0) {
      for (int i = 0; i < 6; i++) bbox[i] = (i % 2) ? 1.0 : 0.0;
    }
    displayObject();
    pav_PrintNumberingQuality(mesh);
    fitBoundingBox(bbox);
  } else {
    printf(" displayMesh : Mesh with no vertices\n");
  }
  printf("  Total time to render %5.2f s \n", seconds(clock));
  fflush(stdout);
  renderLater();
  return 0;
}

int PavMeshViewer::openSolution(const char *solName) {
  if (!mesh) {
    printf("  pav_OpenSolution failed error %3d : %s\n", 2, "no mesh loaded\n");
    fflush(stdout);
    return 2;
  }
  if (isInitDone()) updateContext();
  QElapsedTimer clock;
  clock.start();
  char status[kStatusSize] = {};
  const int opened = pav_OpenSolution(mesh, solName, status);
  if (opened == 0) {
    const char *name = status + kOpenedName;
    printf("  Open solution in     %5.2f s \n", seconds(clock));
    printf("  %%%% %s OPENED\n", name);
    emit terminalLine(QString::asprintf("Solution File %s OPENED", name));
    solFile = QString::fromLocal8Bit(name);
  } else {
    printf("  pav_OpenSolution failed error %3d : %s\n", opened, status);
  }
  char message[kStatusSize] = {};
  pav_PrintSolutionInfo(mesh, message);
  solDeg = pav_GetMaxSolutionDegree(mesh);
  // The scene building picks the displayed solution kind (vertex solutions first, else element
  // solutions) and their names from the object when it rebuilds the fields.
  rebuildFields();
  fflush(stdout);
  renderLater();
  return opened;
}

} // namespace pavo
