// The viewer's loading sequence: mesh and solution files into the window's mesh object, then the
// scene built from it. Timings, summaries and errors go to standard output; the short texts meant
// for the window's terminal panel go out through terminalLine.
#include "scene/mesh_viewer.h"

#include "app_messages.h"
#include "pavmsh.h"
#include "scene/key_bindings.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

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

// Whether a solution file the loader would try for a mesh exists (its name without ".mesh...",
// with ".solb" or ".sol").
bool solutionFileBeside(const char *meshName) {
  std::string base = meshName ? meshName : "";
  if (base.find(".cgns") != std::string::npos) return true; // the mesh file holds its solutions
  const size_t cut = base.find(".mesh");
  if (cut != std::string::npos) base.resize(cut);
  for (const char *ext : {".solb", ".sol"})
    if (QFileInfo::exists(QString::fromLocal8Bit((base + ext).c_str()))) return true;
  return false;
}

} // namespace

void warnNonFiniteSolutions(const PavObject *mesh) {
  if (!mesh) return;
  int64_t bad = 0;
  for (const PavEntitySet &set : mesh->ent)
    for (const PavSolution *s = set.sol; s; s = s->next) {
      const int size = pav_SolKindSize(s->dim > 0 ? s->dim : mesh->dim, s->kind);
      if (!s->data || size <= 0 || s->nbrNod <= 0 || s->nbrEnt <= 0) continue;
      const int64_t row = (int64_t)s->nbrNod * size, end = ((int64_t)s->nbrEnt + 1) * row;
      for (int64_t i = row; i < end; i++) bad += !std::isfinite(s->data[i]);
    }
  if (bad > 0)
    appMessage("  %%%% Warning: %lld solution values are not finite (NaN or infinite): the palette "
               "is made of the finite values, the others are drawn in grey\n",
               (long long)bad);
}

int PavMeshViewer::displayMesh(const char *meshName, const char *solName,
                               const std::function<void()> &beforeBuild) {
  if (isInitDone()) updateContext(); // the uploads of the scene building go to this context
  // A new load replaces everything the previous one left; the field shown is chosen anew.
  adoptMesh(nullptr);
  meshScene.meshFile.clear();
  meshScene.solFile.clear();
  view.fieldMode = 0;
  view.vertexSolution = view.elementSolution = 1;

  const int created = pav_NewInterface(&meshScene.mesh);
  if (created != 0 || !meshScene.mesh) {
    appMessage(" pav_NewInterface  status %d \n", created);
    fflush(stdout);
    return created != 0 ? created : 2;
  }

  QElapsedTimer clock;
  clock.start();
  char status[kStatusSize] = {};
  const int opened = pav_OpenMesh(meshScene.mesh, meshName, status);
  appMessage("  Open mesh done in    %5.2f s \n", seconds(clock));
  if (opened == 0) {
    const char *name = status + kOpenedName;
    appMessage("  %%%% %s OPENED\n", name);
    emit terminalLine(QString::asprintf("Mesh File %s OPENED", name));
    meshScene.meshFile = QString::fromLocal8Bit(name);
  } else {
    appMessage(" pav_OpenMesh failed error %3d : %s\n", opened, status);
    // What a failed read left behind is not shown: the window stays empty and usable.
    pav_DeleteInterface(&meshScene.mesh);
    appMessage("  Total time to render %5.2f s \n", seconds(clock));
    fflush(stdout);
    renderLater();
    return opened;
  }

  char message[kStatusSize] = {};
  pav_PrintMeshInfo(meshScene.mesh, message);
  if (windowCount == 1 &&
      pav_GetNumberOfNonP1SimplexEntities(meshScene.mesh, message) <= kFewCurvedEntities)
    view.options.tessLevel = kFineTessLevel;

  if (pav_Count(meshScene.mesh, Vertices) >= 1) {
    clock.restart();
    char solStatus[kStatusSize] = {};
    // Without a solution name the loader looks for one under the mesh's name.
    const int solOpened = pav_OpenSolution(meshScene.mesh, solName ? solName : meshName, solStatus);
    if (solOpened == 0) {
      const char *name = solStatus + kOpenedName;
      appMessage("  Open solution in     %5.2f s \n", seconds(clock));
      appMessage("  %%%% %s OPENED\n", name);
      emit terminalLine(QString::asprintf("Sol. File %s OPENED", name));
      meshScene.solFile = QString::fromLocal8Bit(name);
    } else if ((!solName || std::strcmp(solName, meshName) == 0) && !solutionFileBeside(meshName)) {
      appMessage("  No solution file beside the mesh\n"); // nothing was asked for: not an error
    } else {
      appMessage("  pav_OpenSolution failed error %3d : %s", solOpened, solStatus);
    }
    pav_PrintSolutionInfo(meshScene.mesh, message);
    // The scene building takes the solution degree from the object, picks the field shown,
    // computes the bounding box and fits and centres the view on it. A new mesh is seen from the
    // initial view (a volume shows its shape, a plane stays flat), unless the caller's view
    // replaces it before the build.
    displayObject([&] {
      setInitialView(view, switches.dimension, view.sceneCentre);
      if (beforeBuild) beforeBuild();
    });
  } else {
    appMessage(" displayMesh : Mesh with no vertices\n");
  }
  appMessage("  Total time to render %5.2f s \n", seconds(clock));
  fflush(stdout);
  renderLater();
  return 0;
}

int PavMeshViewer::openSolution(const char *solName) {
  if (!meshScene.mesh) {
    appMessage("  pav_OpenSolution failed error %3d : %s\n", 2, "no mesh loaded\n");
    fflush(stdout);
    return 2;
  }
  if (isInitDone()) updateContext();
  QElapsedTimer clock;
  clock.start();
  char status[kStatusSize] = {};
  const int opened = pav_OpenSolution(meshScene.mesh, solName, status);
  if (opened == 0) {
    const char *name = status + kOpenedName;
    appMessage("  Open solution in     %5.2f s \n", seconds(clock));
    appMessage("  %%%% %s OPENED\n", name);
    emit terminalLine(QString::asprintf("Solution File %s OPENED", name));
    meshScene.solFile = QString::fromLocal8Bit(name);
  } else {
    appMessage("  pav_OpenSolution failed error %3d : %s\n", opened, status);
  }
  char message[kStatusSize] = {};
  pav_PrintSolutionInfo(meshScene.mesh, message);
  warnNonFiniteSolutions(meshScene.mesh);
  // Vertex solutions are shown when there are any, else element solutions; an index beyond the
  // solutions now held goes back to the first.
  const int nbrVerSol = pav_GetNumberOfVertexSolutions(meshScene.mesh);
  const int nbrEltSol = pav_GetMaxNumberOfElementSolutions(meshScene.mesh);
  view.fieldMode = nbrVerSol > 0 ? 1 : (nbrEltSol > 0 ? 2 : 0);
  if (view.vertexSolution < 1 || view.vertexSolution > nbrVerSol) view.vertexSolution = 1;
  if (view.elementSolution < 1 || view.elementSolution > nbrEltSol) view.elementSolution = 1;
  rebuildFields();
  fflush(stdout);
  renderLater();
  emit solutionsChanged();
  return opened;
}

} // namespace pavo
