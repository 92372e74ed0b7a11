// Jacobians and tetrahedron quality on the scene: computed by the core library into the mesh
// object, then shown on the face objects (the faces of volume elements take the value of their
// element).
#include "app_messages.h"
#include "scene/mesh_viewer.h"

#include "ho_jacobian.h"
#include "pavmsh.h"
#include "scene/mesh_viewer_tables.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace pavo {

namespace {

// Smallest and largest value of a record (entities 1..nbrEnt) and the entity of the smallest.
void recordExtrema(const double *data, int nbrEnt, int nbrNod, double *lo, double *hi, int *loAt) {
  for (int e = 1; e <= nbrEnt; e++)
    for (int j = 0; j < nbrNod; j++) {
      const double v = data[(size_t)e * (size_t)nbrNod + (size_t)j];
      if (v < *lo) {
        *lo = v;
        *loAt = e;
      }
      *hi = std::max(*hi, v);
    }
}

} // namespace

void PavMeshViewer::add2DJacobian(int mode) {
  if (!meshScene.mesh) return;
  meshScene.minimalJacobian = mode == 2;
  appMessage("  Computation Jacobian of the elements. This may take a while in 3D ....\n");
  QElapsedTimer clock;
  clock.start();
  pav_ComputeSurfaceJacobians(meshScene.mesh, mode, nullptr);
  appMessage("  Computation Jacobian done in %5.2f s \n", (double)clock.elapsed() / 1000.0);
  std::vector<PavPendingField> pending;
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  int loAt = 0;
  for (int t : surfaceAndEdgeTypes()) {
    const PavElementKind k = pav_ElementKind(t);
    if (k != PavKindTriangle && k != PavKindQuadrilateral) continue;
    int nbrEnt = 0, kind = 0, it = 0, deg = 0, nbrNod = 0;
    double time = 0;
    char status[PAV_STATUS_SIZE] = "";
    const double *data = pav_GetJacobiansArray(meshScene.mesh, t, 1, &nbrEnt, &kind, &it, &time,
                                               &deg, &nbrNod, status);
    if (!data || nbrEnt < 1 || nbrNod < 1) continue;
    auto set =
        std::find_if(meshScene.sets.begin(), meshScene.sets.end(), [&](const PavBuiltSet &s) {
          return s.source == PavSetSource::MeshType && s.mshType == t;
        });
    if (set == meshScene.sets.end()) {
      appMessage("Warning:add2DJacobian PavDrawObject should exist ? \n");
      return;
    }
    recordExtrema(data, nbrEnt, nbrNod, &lo, &hi, &loAt);
    gatherRows(*set, std::vector<double>(data, data + ((size_t)nbrEnt + 1) * nbrNod), nbrNod,
               pending);
  }
  if (pending.empty()) return;
  appMessage("  Jacobian extrema: [%15.7e %15.7e] \n", lo, hi);
  appMessage("  Jacobian minimal computed on element number: %d \n", loAt);
  float range[2];
  attachPending(PavFieldKind::Jacobian, pending, range);
}

void PavMeshViewer::add3DJacobian(int mode) {
  if (!meshScene.mesh) return;
  meshScene.minimalJacobian = mode == 2;
  appMessage("  Computation Jacobian of the elements. This may take a while in 3D ....\n");
  QElapsedTimer clock;
  clock.start();
  pav_ComputeVolumeJacobians(meshScene.mesh, mode, nullptr);
  appMessage("  Computation Jacobian done in %5.2f s \n", (double)clock.elapsed() / 1000.0);
  std::vector<PavPendingField> pending;
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  int loAt = 0;
  bool any = false;
  for (PavBuiltSet &set : meshScene.sets) {
    if (set.source == PavSetSource::MeshType) {
      // Faces the file holds take the Jacobian of the volume element they cover.
      std::vector<double> rows;
      const int n = volumeValuesOnFaces(
          set,
          [&](int vt, int *degree) -> const double * {
            int nbrEnt = 0, kind = 0, it = 0, nbrNod = 0;
            double time = 0;
            char status[PAV_STATUS_SIZE] = "";
            const double *data = pav_GetJacobiansArray(meshScene.mesh, vt, 1, &nbrEnt, &kind, &it,
                                                       &time, degree, &nbrNod, status);
            if (!data || nbrEnt < 1) return nullptr;
            any = true;
            recordExtrema(data, nbrEnt, nbrNod, &lo, &hi, &loAt);
            return data;
          },
          rows);
      if (n > 0) gatherRows(set, rows, n, pending);
      continue;
    }
    if (set.source != PavSetSource::BoundaryFaces) continue;
    int nbrEnt = 0, kind = 0, it = 0, deg = 0, nbrNod = 0;
    double time = 0;
    char status[PAV_STATUS_SIZE] = "";
    double *data = pav_GetJacobiansArray(meshScene.mesh, set.volType, 1, &nbrEnt, &kind, &it, &time,
                                         &deg, &nbrNod, status);
    if (!data || nbrEnt < 1) continue;
    any = true;
    recordExtrema(data, nbrEnt, nbrNod, &lo, &hi, &loAt);
    double *faces = pav_GetCreatedSurfaceSolutionFromVolumeSolution(
        deg, pav_EntTyp2SolTyp(set.volType, nullptr), data, 1, set.mshType, set.nbrEnt,
        set.lnk.data(), status);
    if (!faces) continue;
    const int n = pav_KindNbrNod(pav_ElementKind(set.mshType), deg);
    gatherRows(set, std::vector<double>(faces, faces + ((size_t)set.nbrEnt + 1) * n), n, pending);
    free(faces);
  }
  int64_t volumes = 0;
  for (int d = 1; d <= 4; d++)
    for (int vt : volumeTypesOfDegree(d)) volumes += vt > 0 ? pav_Count(meshScene.mesh, vt) : 0;
  if (!any && volumes == 0) {
    // A surface in space: the Jacobians of its faces.
    add2DJacobian(mode);
    return;
  }
  if (!any) {
    appMessage("Warning:add3DJacobian PavDrawObject should exist ? \n");
    return;
  }
  appMessage("  Jacobian extrema: [%15.7e %15.7e] \n", lo, hi);
  appMessage("  Jacobian minimal computed on element number: %d \n", loAt);
  float range[2];
  attachPending(PavFieldKind::Jacobian, pending, range);
}

void PavMeshViewer::performQuality() {
  if (!meshScene.mesh) return;
  QElapsedTimer clock;
  clock.start();
  if (pav_ComputeTetrahedraQuality(meshScene.mesh) != 0) {
    appMessage(" performQuality failed as %s\n", "no quality could be computed");
    return;
  }
  appMessage("  Time to compute quality for tetrahedra %5.2f s \n",
             (double)clock.elapsed() / 1000.0);
  char status[PAV_STATUS_SIZE] = "";
  const double *q = pav_GetValuesArrray(meshScene.mesh, Tetrahedra, status);
  const int32_t nbrTet = pav_Count(meshScene.mesh, Tetrahedra);
  if (!q || nbrTet < 1) return;
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  int loAt = 0;
  recordExtrema(q, nbrTet, 1, &lo, &hi, &loAt);
  appMessage("  Quality extrema: [%15.7e %15.7e] \n", lo, hi);
  // Each face of the tetrahedra shows the quality of its element, one value per face.
  std::vector<PavPendingField> pending;
  for (PavBuiltSet &set : meshScene.sets) {
    if (set.source != PavSetSource::BoundaryFaces || set.volType != Tetrahedra) continue;
    std::vector<double> rows((size_t)set.nbrEnt + 1, 0.0);
    for (int32_t f = 1; f <= set.nbrEnt; f++) {
      const int32_t e = set.lnk[3 * (size_t)(f - 1) + 1];
      rows[(size_t)f] = e >= 1 && e <= nbrTet ? q[e] : 0.0;
    }
    gatherRows(set, rows, 1, pending);
  }
  if (pending.empty()) {
    appMessage("Warning:add3DJacobian PavDrawObject should exist ? \n");
    return;
  }
  float range[2];
  attachPending(PavFieldKind::Value, pending, range);
}

} // namespace pavo
