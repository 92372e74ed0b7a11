// Scene building from the mesh object: draw objects per entity type and reference, the boundary
// surface of volume elements, and the vertices of a mesh without elements.
#include "app_messages.h"
#include "scene/mesh_viewer.h"

#include "files/param_file.h"
#include "pav_split_reference.h"
#include "pavmsh.h"
#include "render/buffer_packing.h"
#include "render/scene_marks.h"
#include "scene/closed_surface.h"
#include "scene/mesh_viewer_tables.h"
#include "scene/vertex_labels.h"
#include "scene/view_state_io.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <system_error>
#include <thread>

namespace pavo {

namespace {

// Frees malloc'ed outputs of the core library when leaving a scope.
struct FreeList {
  std::vector<void *> ptrs;
  ~FreeList() {
    for (void *p : ptrs) free(p);
  }
};

} // namespace

void PavMeshViewer::clearMeshScene() {
  clearScene();
  meshScene.sets.clear();
  meshScene.cuts.clear();
  meshScene.indexBuilt();
  meshScene.surfaceBuilt = meshScene.volumeBuilt = meshScene.vectorBuilt = false;
  meshScene.shown.clear();
  meshScene.arrowVertices.clear();
  for (auto &l : meshScene.triLnk) l.clear();
  for (auto &l : meshScene.quaLnk) l.clear();
}

void PavMeshViewer::removeSets(std::vector<PavBuiltSet> &list) {
  for (PavBuiltSet &set : list)
    for (PavBuiltObject &bo : set.objects)
      if (bo.object) removeObject(bo.object);
  list.clear();
}

int PavMeshViewer::closedSideOf(const PavDrawObject *o, const QMatrix4x4 &mvp) const {
  const PavBuiltSet *set = nullptr;
  if (!builtOf(o, &set) || !set || set->closedSide == 0 ||
      !boxBeyondNearPlane(set->closedBox, mvp, view))
    return 0;
  // A hidden reference or element opens the surface: what lies behind shows through. Looked at
  // once a frame for the whole set, not for each of its objects.
  const uint64_t frame = frameNumber();
  if (set->shownFrame != frame) {
    set->shownFrame = frame;
    set->allShown = true;
    for (const PavBuiltObject &bo : set->objects) {
      if (!bo.object || bo.object->id == -1) continue;
      const std::vector<float> &c = bo.object->eltColors;
      set->allShown = set->allShown && bo.object->visible;
      for (size_t i = 3; set->allShown && i < c.size(); i += 4) set->allShown = c[i] == 1.0f;
    }
  }
  return set->allShown ? set->closedSide : 0;
}

void PavMeshViewer::buildSet(PavBuiltSet &set, const int32_t *idx, const int32_t *ref, bool packed,
                             const char *filterPrefix) {
  char status[PAV_STATUS_SIZE] = "";
  const int k = pav_MshTyp2Siz(set.mshType, nullptr);
  const int32_t n = set.nbrEnt, nbrVer = meshScene.mesh->ent[Vertices].nbr;
  if (n < 1 || k < 1 || !idx || !ref) return;
  const int32_t *firstIdx = packed ? idx : idx + k, *firstRef = packed ? ref : ref + 1;
  int32_t nbrGroups = 0, *sorted = nullptr;
  PavRefGroup *groups = pav_SplitEntitiesByReference(
      set.mshType, nbrVer, n, firstIdx, firstIdx + (int64_t)(n - 1) * k, firstRef,
      firstRef + (n - 1), &nbrGroups, &sorted, status);
  if (!groups) {
    if (status[0]) appMessage("%s", status);
    return;
  }
  const char *name = pavDrawType2String(set.drawType);
  appMessage("  Type %s: number of references list created: %d [%d, %d]\n", name, nbrGroups,
             nbrGroups > 0 ? sorted[0] : 0, nbrGroups > 0 ? sorted[nbrGroups - 1] : 0);
  int64_t filtered = pav_CountFilteredEntities(groups, nbrGroups);
  if (filtered > 0)
    appMessage(" %s%s: %d topologically invalid entities are filtered !\n", filterPrefix, name,
               (int)filtered);

  // Local vertex numbering per object: a stamp per mesh vertex tells whether the current object
  // has numbered it yet, so each object costs the size of its own entities.
  std::vector<int32_t> stamp((size_t)nbrVer + 1, -1), local((size_t)nbrVer + 1, 0);
  int32_t current = 0;
  std::vector<float> xyz;
  std::vector<int> elt;
  std::vector<int32_t> parents;
  auto addOne = [&](int32_t id, const int32_t *ents, int64_t m) {
    if (m < 1) return;
    PavBuiltObject bo;
    bo.entities.assign(ents, ents + m);
    xyz.clear();
    elt.resize((size_t)(m * k));
    for (int64_t i = 0; i < m; i++) {
      const int32_t e = ents[i];
      const int32_t *nodes = packed ? idx + (int64_t)(e - 1) * k : idx + (int64_t)e * k;
      for (int j = 0; j < k; j++) {
        const int32_t v = nodes[j];
        if (stamp[v] != current) {
          stamp[v] = current;
          local[v] = (int32_t)bo.vertices.size();
          bo.vertices.push_back(v);
          for (int c = 0; c < 3; c++)
            xyz.push_back((float)meshScene.mesh->crdDbl[3 * (size_t)v + c]);
        }
        elt[(size_t)(i * k + j)] = local[v];
      }
    }
    current++;
    // Curved entities are drawn from their Bezier control points.
    bezierGeometry(set.drawType, (int64_t)bo.vertices.size(), xyz.data(), m, elt.data());
    PavDrawObject *o =
        addObject(std::unique_ptr<PavDrawObject>(createDrawObject(set.drawType, id)));
    if (!o) return;
    attachData(o, (int)bo.vertices.size(), xyz.data(), (int)m, elt.data());
    // Picking maps each drawn element back to its mesh entity (or the volume element of a face).
    parents.resize((size_t)m);
    for (int64_t i = 0; i < m; i++)
      parents[(size_t)i] =
          set.source == PavSetSource::MeshType ? ents[i] : set.lnk[3 * (size_t)(ents[i] - 1) + 1];
    o->setParentElt(parents.data());
    if (set.source != PavSetSource::MeshType) {
      o->volSurf = true;
      for (int64_t i = 0; i < m; i++) parents[(size_t)i] = set.lnk[3 * (size_t)(ents[i] - 1) + 2];
      o->setParentFace(parents.data());
    }
    bo.object = o;
    set.objects.push_back(std::move(bo));
  };
  std::vector<int32_t> all;
  all.reserve((size_t)n);
  for (int32_t g = 0; g < nbrGroups; g++) {
    addOne(groups[g].ref, groups[g].kept, groups[g].nbrKept);
    all.insert(all.end(), groups[g].kept, groups[g].kept + groups[g].nbrKept);
  }
  // The object -1 holds every kept entity; the per-reference objects are what is seen.
  std::sort(all.begin(), all.end());
  if (set.drawType == DrawSrfTriangle ||
      (set.drawType == DrawTriangle && set.source == PavSetSource::MeshType)) {
    std::vector<const int32_t *> drawn(all.size());
    for (size_t i = 0; i < all.size(); i++)
      drawn[i] = packed ? idx + (int64_t)(all[i] - 1) * k : idx + (int64_t)all[i] * k;
    set.closedSide = closedSurfaceSide(drawn, nbrVer, meshScene.mesh->crdDbl);
    double *box = set.closedBox;
    for (int c = 0; set.closedSide != 0 && c < 3; c++)
      box[2 * c] = box[2 * c + 1] = meshScene.mesh->crdDbl[3 * (size_t)drawn[0][0] + c];
    for (size_t i = 0; set.closedSide != 0 && i < drawn.size(); i++)
      for (int j = 0; j < 3; j++)
        for (int c = 0; c < 3; c++) {
          const double x = meshScene.mesh->crdDbl[3 * (size_t)drawn[i][j] + c];
          box[2 * c] = std::min(box[2 * c], x);
          box[2 * c + 1] = std::max(box[2 * c + 1], x);
        }
  }
  addOne(-1, all.data(), (int64_t)all.size());
  if (!set.objects.empty() && set.objects.back().object && set.objects.back().object->id == -1)
    set.objects.back().object->visible = false;
  pav_FreeRefGroups(groups);
  free(sorted);
}

void PavMeshViewer::buildPointsOnly() {
  const int32_t nbrVer = meshScene.mesh->ent[Vertices].nbr;
  if (nbrVer < 1) return;
  std::vector<float> xyz((size_t)nbrVer * 3);
  std::vector<int> elt((size_t)nbrVer);
  for (int32_t v = 1; v <= nbrVer; v++) {
    for (int c = 0; c < 3; c++)
      xyz[3 * (size_t)(v - 1) + c] = (float)meshScene.mesh->crdDbl[3 * (size_t)v + c];
    elt[(size_t)(v - 1)] = v - 1;
  }
  PavBuiltSet set;
  set.mshType = Vertices;
  set.drawType = DrawVertex;
  set.nbrEnt = nbrVer;
  PavDrawObject *o = addObject(std::unique_ptr<PavDrawObject>(createDrawObject(DrawVertex, -1)));
  if (!o) return;
  attachData(o, nbrVer, xyz.data(), nbrVer, elt.data());
  o->first = 1; // a picked point is vertex first + local index
  PavBuiltObject bo;
  bo.object = o;
  bo.entities.resize((size_t)nbrVer);
  for (int32_t v = 1; v <= nbrVer; v++) bo.entities[(size_t)(v - 1)] = v;
  bo.vertices = bo.entities;
  set.objects.push_back(std::move(bo));
  meshScene.sets.push_back(std::move(set));
}

void PavMeshViewer::buildBoundarySurface() {
  bool volumes = false;
  for (int d = 1; d <= 4; d++)
    for (int vt : volumeTypesOfDegree(d)) volumes = volumes || pav_Count(meshScene.mesh, vt) > 0;
  if (!volumes || meshScene.surfaceBuilt) return;
  meshScene.surfaceBuilt = true;
  appMessage("  Surface reconstruction in progress\n");
  QElapsedTimer clock;
  clock.start();
  for (int d = 1; d <= 4; d++) {
    int tt = pav_ElementType(PavKindTriangle, d), qt = pav_ElementType(PavKindQuadrilateral, d);
    meshScene.triLnk[d].assign(6 * ((size_t)pav_Count(meshScene.mesh, tt) + 1), 0);
    meshScene.quaLnk[d].assign(6 * ((size_t)pav_Count(meshScene.mesh, qt) + 1), 0);
  }
  // The first extraction runs on a worker thread while this thread compiles the face programs
  // the first frame needs (both take long on big meshes); the others follow in order, so the
  // messages keep their order.
  bool first = true;
  for (int d = 1; d <= 4; d++) {
    for (int vt : volumeTypesOfDegree(d)) {
      if (pav_Count(meshScene.mesh, vt) < 1) continue;
      char status[PAV_STATUS_SIZE] = "";
      int nbrTri = 0, nbrQua = 0, nodTri = 0, nodQua = 0;
      int *triNod = nullptr, *triL = nullptr, *quaNod = nullptr, *quaL = nullptr;
      int rc = 2;
      auto extract = [&] {
        rc = pav_BuildBoundarySurface(meshScene.mesh, vt, &nbrTri, &triNod, &triL,
                                      meshScene.triLnk[d].data(), &nodTri, &nbrQua, &quaNod, &quaL,
                                      meshScene.quaLnk[d].data(), &nodQua, status);
      };
      std::thread worker;
      if (first) {
        try {
          worker = std::thread(extract);
        } catch (const std::system_error &) {
        }
      }
      if (worker.joinable()) {
        prebuildFacePrograms();
        worker.join();
      } else {
        extract();
      }
      first = false;
      FreeList owned{{triNod, triL, quaNod, quaL}};
      if (rc != 0) {
        appMessage("%s", status);
        continue;
      }
      const int faceTypes[2] = {pav_ElementType(PavKindTriangle, d),
                                pav_ElementType(PavKindQuadrilateral, d)};
      const int counts[2] = {nbrTri, nbrQua}, nodes[2] = {nodTri, nodQua};
      const int *nods[2] = {triNod, quaNod}, *lnks[2] = {triL, quaL};
      const uint32_t draws[2] = {DrawSrfTriangle + (uint32_t)d - 1, DrawSrfQuad + (uint32_t)d - 1};
      for (int f = 0; f < 2; f++) {
        if (counts[f] < 1 || !nods[f] || !lnks[f]) continue;
        PavBuiltSet set;
        set.source = PavSetSource::BoundaryFaces;
        set.mshType = faceTypes[f];
        set.volType = vt;
        set.drawType = draws[f];
        set.nbrEnt = counts[f];
        set.nod.assign(nods[f], nods[f] + (size_t)counts[f] * nodes[f]);
        set.lnk.assign(lnks[f], lnks[f] + 3 * (size_t)counts[f]);
        std::vector<int32_t> refs((size_t)counts[f]);
        for (int i = 0; i < counts[f]; i++)
          refs[(size_t)i] = meshScene.mesh->ent[vt].ref[lnks[f][3 * i + 1]];
        buildSet(set, set.nod.data(), refs.data(), true, "");
        meshScene.sets.push_back(std::move(set));
      }
    }
  }
  appMessage("  Surface reconstruction done in %5.2f s\n", (double)clock.elapsed() / 1000.0);
}

void PavMeshViewer::prebuildFacePrograms() {
  // Programs are built for the fields attached now (none yet): only worth it when none will be.
  if (view.fieldMode != 0 || !meshScene.mesh) return;
  std::vector<uint32_t> types;
  for (const PavBuiltSet &set : meshScene.sets) types.push_back(set.drawType);
  for (int d = 1; d <= 4; d++) {
    bool tri = false, qua = false;
    for (int vt : volumeTypesOfDegree(d)) {
      if (pav_Count(meshScene.mesh, vt) < 1) continue;
      const PavElementKind k = pav_ElementKind(vt);
      tri = tri || k != PavKindHexahedron;
      qua = qua || k == PavKindHexahedron || k == PavKindPyramid || k == PavKindPrism;
    }
    if (tri) types.push_back(DrawSrfTriangle + (uint32_t)d - 1);
    if (qua) types.push_back(DrawSrfQuad + (uint32_t)d - 1);
  }
  for (uint32_t t : types) useProgram(programNameForType(t));
}

bool PavMeshViewer::bendingSurface() const {
  if (!meshScene.mesh || meshScene.mesh->dim == 2) return false;
  bool faces = false;
  for (int t : surfaceAndEdgeTypes()) {
    const PavElementKind k = pav_ElementKind(t);
    faces = faces || ((k == PavKindTriangle || k == PavKindQuadrilateral) &&
                      pav_Count(meshScene.mesh, t) > 0);
  }
  const double size[3] = {meshScene.bbox[1] - meshScene.bbox[0],
                          meshScene.bbox[3] - meshScene.bbox[2],
                          meshScene.bbox[5] - meshScene.bbox[4]};
  const double most = std::max({size[0], size[1], size[2]});
  return faces && most > 0 && std::min({size[0], size[1], size[2]}) > 1e-3 * most;
}

void PavMeshViewer::displayObject(const std::function<void()> &beforeBuild) {
  if (!meshScene.mesh) return;
  warnNonFiniteSolutions(meshScene.mesh);
  clearMeshScene();
  switches.dimension = meshScene.mesh->dim == 2 ? 2 : 3;
  double paramBox[6];
  const bool boxGiven = readParameters(paramBox);
  const int32_t nbrVer = meshScene.mesh->ent[Vertices].nbr;
  if (nbrVer > 0 && meshScene.mesh->crdDbl) {
    double box[6] = {
        std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    for (int32_t v = 1; v <= nbrVer; v++)
      for (int c = 0; c < 3; c++) {
        double x = meshScene.mesh->crdDbl[3 * (size_t)v + c];
        box[2 * c] = std::min(box[2 * c], x);
        box[2 * c + 1] = std::max(box[2 * c + 1], x);
      }
    std::copy(box, box + 6, meshScene.bbox);
  }
  if (boxGiven) std::copy(paramBox, paramBox + 6, meshScene.bbox);
  fitBoundingBox(meshScene.bbox);
  if (nbrVer < 1 || !meshScene.mesh->crdDbl) {
    renderLater();
    return;
  }
  // A field is shown by default: vertex solutions when there are any, else element solutions.
  if (view.fieldMode == 0) {
    if (pav_GetNumberOfVertexSolutions(meshScene.mesh) > 0)
      view.fieldMode = 1;
    else if (pav_GetMaxNumberOfElementSolutions(meshScene.mesh) > 0)
      view.fieldMode = 2;
  }
  // A surface that bends in 3-D shows little of its shape under one light: its edges are drawn
  // from the first picture on (Y hides them; a view-state file may say otherwise). Flat meshes
  // show their outline. Volume meshes draw the boundary faces they build with lines anyway, but
  // files often hold that boundary as surface elements, which then need the switch as well.
  const bool surfaceLines = bendingSurface();
  if (surfaceLines)
    view.options.LineSurfOn = true;
  else if (meshScene.surfaceLinesByDefault)
    view.options.LineSurfOn = false;
  meshScene.surfaceLinesByDefault = surfaceLines;
  if (beforeBuild) beforeBuild();
  PavBusyScope busy(*this, "Building the scene ...");
  meshScene.solMin = std::numeric_limits<double>::infinity();
  meshScene.solMax = -std::numeric_limits<double>::infinity();
  for (int t : surfaceAndEdgeTypes()) {
    if (pav_Count(meshScene.mesh, t) < 1) continue;
    PavBuiltSet set;
    set.mshType = t;
    set.drawType = drawTypeOfMeshType(t);
    set.nbrEnt = pav_Count(meshScene.mesh, t);
    buildSet(set, meshScene.mesh->ent[t].idx, meshScene.mesh->ent[t].ref, false, "");
    meshScene.sets.push_back(std::move(set));
  }
  buildBoundarySurface();
  if (meshScene.mesh->pol && meshScene.mesh->pol->nbrBndPol > 0) addTessellatedPolygon(DrawPolygon);
  if (meshScene.mesh->pol && meshScene.mesh->pol->nbrPolyhedra > 0)
    addTessellatedPolygon(DrawPolyhedra);
  if (meshScene.sets.empty()) buildPointsOnly();
  meshScene.indexBuilt();
  // The marks of a mesh follow the mesh now shown.
  cornerPoints = switches.showCorners ? cornerPositions(meshScene.mesh) : std::vector<float>();
  setVertexLabels(*this, meshScene.mesh, switches.showPointNumbers);
  applyHiddenReferences();
  if (view.cutActive())
    updateCut(); // rebuilds the fields too
  else
    rebuildFields();
  if (prefs.renumbering) pav_PrintNumberingQuality(meshScene.mesh);
  renderLater();
}

bool PavMeshViewer::readParameters(double box[6]) {
  PavParameters params;
  PavFileMessages messages;
  if (!readParameterFile(meshScene.meshFile.toLocal8Bit().constData(), params, messages))
    return false;
  applyParameters(params, view);
  applyParameterPalettes(params, meshScene.solutionPalette, meshScene.jacobianPalette);
  applyParameterColours(params, referenceColours);
  if (params.scrolling) prefs.scrolling = *params.scrolling != 0;
  // The surface reconstruction adds the missing boundary faces to the mesh itself (with their
  // solutions), so that they are drawn, picked and written like the file's own faces.
  if (params.checkSurf && *params.checkSurf != 0)
    checksurfMesh(0, meshScene.mesh, nullptr, nullptr);
  if (!params.boundingBox) return false;
  std::copy(params.boundingBox->begin(), params.boundingBox->end(), box);
  return true;
}

void PavMeshViewer::applyHiddenReferences() {
  const std::vector<PavHiddenRef> &hidden = view.hiddenReferences;
  for (PavBuiltSet &set : meshScene.sets)
    for (PavBuiltObject &bo : set.objects) {
      if (!bo.object || bo.object->id == -1) continue;
      const PavHiddenRef h{bo.object->type, bo.object->id};
      bo.object->visible = std::find(hidden.begin(), hidden.end(), h) == hidden.end();
    }
}

} // namespace pavo
