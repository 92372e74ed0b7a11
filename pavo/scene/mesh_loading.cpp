// The viewer's loading sequence: mesh and solution files into the window's mesh object.
#include "scene/mesh_viewer.h"

namespace pavo {

// Placeholders until the loading sequence lands.
int PavMeshViewer::displayMesh(const char *, const char *) { return 2; }

int PavMeshViewer::openSolution(const char *) { return 2; }

} // namespace pavo
