// Fields of the scene: the displayed vertex or element solution made scalar (vector component or
// length, matrix determinant), spread onto the elements of every draw object, one palette over
// the whole scene; stepping through solutions; solution extrema.
#include "app_messages.h"
#include "scene/mesh_viewer.h"

#include "pavmsh.h"
#include "scene/mesh_viewer_tables.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace pavo {

namespace {

// Record `index` (from 1) of a solution list, or null.
const PavSolution *recordAt(const PavSolution *head, int index) {
  for (int i = 1; head && i < index; i++) head = head->next;
  return index >= 1 ? head : nullptr;
}

// One scalar per node of a record, numbered from 1 (entity i, node j at i * nbrNod + j): scalar
// fields as they are, vectors by the view's component mode, matrices by their determinant.
std::vector<double> scalarOf(const PavSolution *r, int dim, int vectorMode) {
  std::vector<double> out;
  if (!r || !r->data || r->nbrEnt < 0 || r->nbrNod < 1) return out;
  const size_t n = ((size_t)r->nbrEnt + 1) * (size_t)r->nbrNod;
  double *made = nullptr;
  switch (r->kind) {
  case PavSolScalar:
    out.assign(r->data, r->data + n);
    return out;
  case PavSolVector:
    made = pav_ExtractComponent(dim, vectorMode, r->data, r->nbrEnt, r->nbrNod);
    break;
  case PavSolSymMatrix:
  case PavSolMatrix:
    made = pav_SolutionDeterminant(dim, r->data, r->nbrEnt, r->nbrNod, r->kind);
    break;
  default:
    return out;
  }
  if (made) out.assign(made, made + n);
  free(made);
  return out;
}

} // namespace

void PavMeshViewer::rebuildFields() {
  if (!meshScene.mesh) return;
  updateGlyphs();
  const int mode = view.fieldMode;
  // A field number beyond those held (asked for by a parameter or view-state file) falls back to
  // the first field, and says so.
  if (mode == 1 || mode == 2) {
    const int held = mode == 1 ? pav_GetNumberOfVertexSolutions(meshScene.mesh)
                               : pav_GetMaxNumberOfElementSolutions(meshScene.mesh);
    int &index = mode == 1 ? view.vertexSolution : view.elementSolution;
    if (held > 0 && (index < 1 || index > held)) {
      appMessage("  ## ERROR: there is no solution field %d (%d held): field 1 is shown\n", index,
                 held);
      index = 1;
    }
  }
  const int32_t nbrVer = meshScene.mesh->ent[Vertices].nbr;
  const int dim = meshScene.mesh->dim == 2 ? 2 : 3;
  std::vector<PavBuiltSet *> all;
  for (auto *list : {&meshScene.sets, &meshScene.cuts})
    for (PavBuiltSet &s : *list) all.push_back(&s);
  auto detachAll = [&] {
    for (PavBuiltSet *s : all)
      for (PavBuiltObject &bo : s->objects)
        if (bo.object) detachField(PavFieldKind::Solution, bo.object);
  };
  std::vector<double> verScalar; // mode 1: one value per vertex, from 1
  const PavSolution *verRecord = nullptr;
  if (mode == 1) {
    verRecord = recordAt(meshScene.mesh->ent[Vertices].sol, view.vertexSolution);
    if (!verRecord) {
      appMessage("error\n");
      detachAll();
      return;
    }
    if (verRecord->nbrEnt != nbrVer) {
      appMessage("error invalid number of solution: %d != %d \n", verRecord->nbrEnt, nbrVer);
      detachAll();
      return;
    }
    verScalar = scalarOf(verRecord, dim, view.vectorMode);
    if (verScalar.empty()) {
      detachAll();
      return;
    }
  } else if (mode != 2) {
    detachAll();
    return;
  }

  std::vector<PavPendingField> pending;
  for (PavBuiltSet *set : all) {
    if (set->source == PavSetSource::Polygons ||
        (set->source == PavSetSource::MeshType && set->mshType == Vertices))
      continue;
    // Element mode: the record of the type the elements come from.
    const int srcType = set->source == PavSetSource::MeshType ? set->mshType : set->volType;
    std::vector<double> rows; // per entity of the set, nbrNod values, from 1
    int nbrNod = 0;
    bool perVertex = false;
    if (set->source == PavSetSource::ClipFaces || set->source == PavSetSource::CapTriangles) {
      // Cuts carry the field packed with their geometry.
      for (PavBuiltObject &bo : set->objects)
        if (bo.object && set->cutFieldNodes > 0 && !bo.cutField.empty())
          pending.push_back({bo.object, bo.cutField, set->cutFieldNodes});
      continue;
    }
    if (mode == 1) {
      perVertex = true;
    } else {
      int solTyp = pav_EntTyp2SolTyp(srcType, nullptr);
      const PavSolution *rec = recordAt(meshScene.mesh->ent[srcType].sol, view.elementSolution);
      if (!rec && set->source == PavSetSource::MeshType) {
        // Faces of a volume mesh without their own field take the field of the volume element
        // they cover.
        nbrNod = volumeFieldOnFaces(*set, rows);
        if (nbrNod > 0) gatherRows(*set, rows, nbrNod, pending);
        continue;
      }
      if (!rec) continue;
      if (rec->nbrEnt != pav_Count(meshScene.mesh, srcType)) {
        appMessage("error invalid number of solution: %d != %d \n", rec->nbrEnt,
                   pav_Count(meshScene.mesh, srcType));
        continue;
      }
      std::vector<double> scal = scalarOf(rec, dim, view.vectorMode);
      if (scal.empty()) continue;
      if (set->source == PavSetSource::BoundaryFaces) {
        char status[PAV_STATUS_SIZE] = "";
        double *faces = pav_GetCreatedSurfaceSolutionFromVolumeSolution(
            rec->degree, solTyp, scal.data(), 1, set->mshType, set->nbrEnt, set->lnk.data(),
            status);
        if (!faces) continue;
        nbrNod = pav_KindNbrNod(pav_ElementKind(set->mshType), rec->degree);
        rows.assign(faces, faces + ((size_t)set->nbrEnt + 1) * (size_t)nbrNod);
        free(faces);
      } else {
        nbrNod = rec->nbrNod;
        rows = std::move(scal);
      }
      if (rows.empty() || nbrNod < 1) continue;
    }
    if (!perVertex) {
      gatherRows(*set, rows, nbrNod, pending);
      continue;
    }
    for (PavBuiltObject &bo : set->objects) {
      const PavSceneEntry *e = bo.object ? sceneModel().entry(bo.object) : nullptr;
      if (!e) continue;
      // Values at the object's own nodes, through the connectivity kept on the CPU.
      PavPendingField f{bo.object, {}, PavDrawTyp2Siz(bo.object->type)};
      if (f.nbrNod < 1 || bo.vertices.empty()) continue;
      f.values.resize(e->elt.size());
      for (size_t i = 0; i < e->elt.size(); i++)
        f.values[i] = (float)verScalar[(size_t)bo.vertices[(size_t)e->elt[i]]];
      pending.push_back(std::move(f));
    }
  }
  detachAll();
  float range[2];
  if (attachPending(PavFieldKind::Solution, pending, range)) {
    meshScene.solMin = std::min(meshScene.solMin, (double)range[0]);
    meshScene.solMax = std::max(meshScene.solMax, (double)range[1]);
  }
  renderLater();
}

bool PavMeshViewer::attachPending(PavFieldKind kind, std::vector<PavPendingField> &pending,
                                  float range[2]) {
  // One palette over the whole scene, so that equal values look the same everywhere.
  float lo = std::numeric_limits<float>::infinity(), hi = -lo;
  for (const PavPendingField &f : pending)
    for (float v : f.values)
      if (std::isfinite(v)) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
      }
  if (pending.empty() || !(lo <= hi)) return false;
  range[0] = lo;
  range[1] = hi;
  const float pal[5] = {lo, lo + 0.25f * (hi - lo), lo + 0.5f * (hi - lo), lo + 0.75f * (hi - lo),
                        hi};
  // A palette the user gave replaces the range; its isolines go to every field of its kind.
  const PavPalette *user = kind == PavFieldKind::Solution   ? &meshScene.solutionPalette
                           : kind == PavFieldKind::Jacobian ? &meshScene.jacobianPalette
                                                            : nullptr;
  for (PavPendingField &f : pending) {
    std::unique_ptr<PavDrawField> field;
    if (kind == PavFieldKind::Solution) field = std::make_unique<PavDrawSolution>(f.object->id);
    if (kind == PavFieldKind::Jacobian) field = std::make_unique<PavDrawJacobian>(f.object->id);
    if (kind == PavFieldKind::Value) field = std::make_unique<PavDrawValue>(f.object->id);
    field->setPalette(pal);
    if (user && user->paletteFixed) field->setUserPalette(user->palette);
    if (user && (user->nbrIso > 0 || user->nbrUsrIso > 0)) {
      field->nbrIso = user->nbrIso;
      field->nbrUsrIso = user->nbrUsrIso;
      std::copy_n(user->usrIso, 9, field->usrIso);
    }
    if (view.colormap >= 0) field->colormap = view.colormap;
    const int64_t nbrEnt = f.nbrNod > 0 ? (int64_t)(f.values.size() / (size_t)f.nbrNod) : 0;
    attachField(std::move(field), f.object, f.values.data(), nbrEnt, f.nbrNod);
  }
  renderLater();
  return true;
}

void PavMeshViewer::gatherRows(const PavBuiltSet &set, const std::vector<double> &rows, int nbrNod,
                               std::vector<PavPendingField> &pending) const {
  for (const PavBuiltObject &bo : set.objects) {
    if (!bo.object || nbrNod < 1) continue;
    PavPendingField f{bo.object, {}, nbrNod};
    f.values.resize(bo.entities.size() * (size_t)nbrNod);
    for (size_t i = 0; i < bo.entities.size(); i++)
      for (int j = 0; j < nbrNod; j++)
        f.values[i * (size_t)nbrNod + (size_t)j] =
            (float)rows[(size_t)bo.entities[i] * (size_t)nbrNod + (size_t)j];
    pending.push_back(std::move(f));
  }
}

int PavMeshViewer::volumeFieldOnFaces(const PavBuiltSet &set, std::vector<double> &rows) const {
  const int dim = meshScene.mesh->dim == 2 ? 2 : 3;
  std::vector<double> scal;
  return volumeValuesOnFaces(
      set,
      [&](int vt, int *degree) -> const double * {
        const PavSolution *rec = recordAt(meshScene.mesh->ent[vt].sol, view.elementSolution);
        if (!rec || rec->nbrEnt != pav_Count(meshScene.mesh, vt)) return nullptr;
        scal = scalarOf(rec, dim, view.vectorMode);
        *degree = rec->degree;
        return scal.empty() ? nullptr : scal.data();
      },
      rows);
}

int PavMeshViewer::volumeValuesOnFaces(
    const PavBuiltSet &set, const std::function<const double *(int vt, int *degree)> &volume,
    std::vector<double> &rows) const {
  const int d = pav_ElementDegree(set.mshType);
  const PavElementKind kind = pav_ElementKind(set.mshType);
  if (d < 1 || d > 4 || (kind != PavKindTriangle && kind != PavKindQuadrilateral)) return 0;
  const std::vector<int> &links =
      kind == PavKindTriangle ? meshScene.triLnk[d] : meshScene.quaLnk[d];
  if (links.size() < 6 * ((size_t)set.nbrEnt + 1)) return 0;
  int nbrNod = 0, degree = -1;
  for (int vt : volumeTypesOfDegree(d)) {
    int deg = 0;
    const double *values = volume(vt, &deg);
    // Every volume kind must give the faces the same degree to share one array.
    if (!values || (degree >= 0 && deg != degree)) continue;
    const int n = pav_KindNbrNod(kind, deg);
    if (degree < 0) {
      degree = deg;
      nbrNod = n;
      rows.assign(((size_t)set.nbrEnt + 1) * (size_t)n, 0.0);
    }
    char status[PAV_STATUS_SIZE] = "";
    int unlinked = 0;
    pav_GetSurfaceSolutionFromVolumeSolution(deg, pav_EntTyp2SolTyp(vt, nullptr), values, 1,
                                             set.mshType, set.nbrEnt, links.data(), rows.data(),
                                             &unlinked, status);
  }
  return nbrNod;
}

int PavMeshViewer::shownSolution(int *index) const {
  const bool on = view.options.SolOn != 0 || view.options.IsoOn != 0;
  const int mode = view.fieldMode == 1 || view.fieldMode == 2 ? view.fieldMode : 0;
  if (!meshScene.mesh || !on || !mode || !sceneModel().firstField(PavFieldKind::Solution)) {
    if (index) *index = 0;
    return 0;
  }
  if (index) *index = mode == 1 ? view.vertexSolution : view.elementSolution;
  return mode;
}

std::string PavMeshViewer::fieldTitle(const PavDrawField &field) const {
  if (field.fieldKind == PavFieldKind::Jacobian)
    return paletteTitle(field.fieldKind, false, 1, 1, false, meshScene.minimalJacobian);
  if (field.fieldKind != PavFieldKind::Solution || !meshScene.mesh || view.fieldMode < 1)
    return PavSceneWindow::fieldTitle(field);
  const bool atVertices = view.fieldMode == 1;
  const int count = atVertices ? pav_GetNumberOfVertexSolutions(meshScene.mesh)
                               : pav_GetMaxNumberOfElementSolutions(meshScene.mesh);
  const int index = atVertices ? view.vertexSolution : view.elementSolution;
  return paletteTitle(field.fieldKind, atVertices, index, count);
}

bool PavMeshViewer::stepSolution(int step) {
  if (!meshScene.mesh) return false;
  int count = 0, *index = nullptr;
  if (view.fieldMode == 1) {
    count = pav_GetNumberOfVertexSolutions(meshScene.mesh);
    index = &view.vertexSolution;
  } else if (view.fieldMode == 2) {
    count = pav_GetMaxNumberOfElementSolutions(meshScene.mesh);
    index = &view.elementSolution;
  } else {
    return false;
  }
  const int next = *index + step;
  if (next < 1 || next > count) return false;
  *index = next;
  emit solutionStepped(view.fieldMode, next);
  meshScene.solMin = std::numeric_limits<double>::infinity();
  meshScene.solMax = -std::numeric_limits<double>::infinity();
  rebuildShownField();
  return true;
}

void PavMeshViewer::rebuildShownField() {
  // Cuts pack their field with their geometry: they are packed again.
  if (!meshScene.cuts.empty())
    updateCut();
  else
    rebuildFields();
}

void PavMeshViewer::computeSolutionExtrema() {
  if (!meshScene.mesh) return;
  const int32_t nbrVer = meshScene.mesh->ent[Vertices].nbr;
  if (view.fieldMode == 1) {
    const PavSolution *r = recordAt(meshScene.mesh->ent[Vertices].sol, view.vertexSolution);
    if (!r || r->nbrEnt != nbrVer || !r->data) {
      appMessage("error\n");
      return;
    }
    const size_t width =
        r->nbrEnt > 0 ? (size_t)r->nbrNod * (size_t)pav_SolKindSize(meshScene.mesh->dim, r->kind)
                      : 0;
    for (int32_t v = 1; v <= nbrVer; v++)
      for (size_t c = 0; c < width; c++) {
        double x = r->data[(size_t)v * width + c];
        if (x < meshScene.solMin) {
          meshScene.solMin = x;
          meshScene.solMinAt = v;
        }
        if (x > meshScene.solMax) {
          meshScene.solMax = x;
          meshScene.solMaxAt = v;
        }
      }
    appMessage("  Extrema Solution %d : [%f, %f]\n", view.vertexSolution, meshScene.solMin,
               meshScene.solMax);
    appMessage("  Min at vertex %d, Max at vertex %d\n", meshScene.solMinAt, meshScene.solMaxAt);
    return;
  }
  if (view.fieldMode != 2) return;
  // Scalar element records of the volume types; the scan stops at the first other kind.
  auto scan = [&] {
    for (int d = 1; d <= 4; d++)
      for (int vt : volumeTypesOfDegree(d)) {
        const PavSolution *r = recordAt(meshScene.mesh->ent[vt].sol, view.elementSolution);
        if (!r || !r->data) continue;
        if (r->kind != PavSolScalar) {
          appMessage("case not scalar for elements not implemented yet \n");
          return;
        }
        for (size_t i = (size_t)r->nbrNod; i < ((size_t)r->nbrEnt + 1) * (size_t)r->nbrNod; i++) {
          meshScene.solMin = std::min(meshScene.solMin, r->data[i]);
          meshScene.solMax = std::max(meshScene.solMax, r->data[i]);
        }
      }
  };
  scan();
  appMessage("  Extrema Solution %d : [%f, %f]\n", view.elementSolution, meshScene.solMin,
             meshScene.solMax);
}

} // namespace pavo
