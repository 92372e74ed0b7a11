#include "scene/vertex_labels.h"

#include "app_messages.h"

#include "pav_object.h"
#include "scene/scene_window.h"

#include <cstdio>
#include <string>

namespace pavo {

int64_t setVertexLabels(PavSceneWindow &window, const PavObject *mesh, bool on) {
  window.labels.clear();
  char status[1024] = "";
  int count = 0;
  if (!on || !mesh || pav_GetNumberOfVertices(mesh, &count, status) != 0 || count < 1) return 0;
  if (count > kVertexLabelCap) {
    appMessage("  Too many vertices (%d) to show their numbers (at most %lld)\n", count,
               (long long)kVertexLabelCap);
    fflush(stdout);
    return 0;
  }
  window.labels.reserve((size_t)count);
  for (int i = 1; i <= count; i++) {
    int nbrCrd = 0, ref = 0;
    double crd[3] = {0, 0, 0};
    if (pav_GetVertex(mesh, i, &nbrCrd, crd, &ref, status) != 0) continue;
    window.labels.push_back(
        {QVector3D((float)crd[0], (float)crd[1], (float)crd[2]), std::to_string(i)});
  }
  return (int64_t)window.labels.size();
}

} // namespace pavo
