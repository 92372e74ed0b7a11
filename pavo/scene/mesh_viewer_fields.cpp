// Fields of the scene: the displayed vertex or element solution made scalar (vector component or
// length, matrix determinant), spread onto the elements of every draw object, one palette over
// the whole scene; stepping through solutions; solution extrema.
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

// A scalar record over the values of another (the core evaluators read only its first value).
PavSolution scalarRecord(const PavSolution &r, std::vector<double> &values) {
  PavSolution s = r;
  s.owned = 0;
  s.kind = PavSolScalar;
  s.data = values.data();
  s.next = nullptr;
  return s;
}

struct PendingField {
  PavDrawObject *object;
  std::vector<float> values;
  int nbrNod;
};

} // namespace

void PavMeshViewer::rebuildFields() {
  if (!mesh) return;
  const int mode = view.fieldMode;
  const int32_t nbrVer = mesh->ent[Vertices].nbr;
  const int dim = mesh->dim == 2 ? 2 : 3;
  std::vector<PavBuiltSet *> all;
  for (auto *list : {&sets, &cuts})
    for (PavBuiltSet &s : *list) all.push_back(&s);
  auto detachAll = [&] {
    for (PavBuiltSet *s : all)
      for (PavBuiltObject &bo : s->objects)
        if (bo.object) detachField(PavFieldKind::Solution, bo.object);
  };
  std::vector<double> verScalar; // mode 1: one value per vertex, from 1
  const PavSolution *verRecord = nullptr;
  if (mode == 1) {
    verRecord = recordAt(mesh->ent[Vertices].sol, view.vertexSolution);
    if (!verRecord) {
      printf("error\n");
      detachAll();
      return;
    }
    if (verRecord->nbrEnt != nbrVer) {
      printf("error invalid number of solution: %d != %d \n", verRecord->nbrEnt, nbrVer);
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

  std::vector<PendingField> pending;
  for (PavBuiltSet *set : all) {
    if (set->source == PavSetSource::MeshType && set->mshType == Vertices) continue;
    // Element mode: the record of the type the elements come from.
    const int srcType = set->source == PavSetSource::MeshType ? set->mshType : set->volType;
    std::vector<double> rows; // per entity of the set, nbrNod values, from 1
    int nbrNod = 0;
    bool perVertex = false;
    if (mode == 1 && set->source != PavSetSource::CapTriangles) {
      perVertex = true;
    } else {
      const PavSolution *rec = nullptr;
      std::vector<double> scal;
      if (mode == 1) {
        rec = verRecord;
        scal = verScalar;
      } else {
        int solTyp = pav_EntTyp2SolTyp(srcType, nullptr);
        rec = recordAt(mesh->ent[srcType].sol, view.elementSolution);
        if (!rec) continue;
        if (rec->nbrEnt != pav_Count(mesh, srcType)) {
          printf("error invalid number of solution: %d != %d \n", rec->nbrEnt,
                 pav_Count(mesh, srcType));
          continue;
        }
        scal = scalarOf(rec, dim, view.vectorMode);
        if (scal.empty()) continue;
        if (set->source == PavSetSource::BoundaryFaces || set->source == PavSetSource::ClipFaces) {
          char status[PAV_STATUS_SIZE] = "";
          double *faces = pav_GetCreatedSurfaceSolutionFromVolumeSolution(
              rec->degree, solTyp, scal.data(), 1, set->mshType, set->nbrEnt, set->lnk.data(),
              status);
          if (!faces) continue;
          nbrNod = pav_KindNbrNod(pav_ElementKind(set->mshType), rec->degree);
          rows.assign(faces, faces + ((size_t)set->nbrEnt + 1) * (size_t)nbrNod);
          free(faces);
        } else if (set->source == PavSetSource::MeshType) {
          nbrNod = rec->nbrNod;
          rows = std::move(scal);
        }
      }
      if (set->source == PavSetSource::CapTriangles) {
        PavSolution tmp = scalarRecord(*rec, scal);
        double *triVal = nullptr, *quaVal = nullptr;
        char status[PAV_STATUS_SIZE] = "";
        if (pav_EvaluateSolutionOnCutFaces(mesh, &tmp, mode == 1, set->nbrEnt, set->lnk.data(),
                                           set->aux.data(), 0, nullptr, nullptr, 1, &triVal,
                                           &quaVal, status) != 0) {
          printf("%s", status);
          free(triVal);
          free(quaVal);
          continue;
        }
        nbrNod = 3;
        rows.assign(triVal, triVal + ((size_t)set->nbrEnt + 1) * 3);
        free(triVal);
        free(quaVal);
      }
      if (rows.empty() || nbrNod < 1) continue;
    }
    for (PavBuiltObject &bo : set->objects) {
      if (!bo.object) continue;
      const PavSceneEntry *e = sceneModel().entry(bo.object);
      if (!e) continue;
      PendingField f{bo.object, {}, 0};
      if (perVertex) {
        // Values at the object's own nodes, through the connectivity kept on the CPU.
        f.nbrNod = PavDrawTyp2Siz(bo.object->type);
        if (f.nbrNod < 1 || bo.vertices.empty()) continue;
        f.values.resize(e->elt.size());
        for (size_t i = 0; i < e->elt.size(); i++)
          f.values[i] = (float)verScalar[(size_t)bo.vertices[(size_t)e->elt[i]]];
      } else {
        f.nbrNod = nbrNod;
        f.values.resize(bo.entities.size() * (size_t)nbrNod);
        for (size_t i = 0; i < bo.entities.size(); i++)
          for (int j = 0; j < nbrNod; j++)
            f.values[i * (size_t)nbrNod + (size_t)j] =
                (float)rows[(size_t)bo.entities[i] * (size_t)nbrNod + (size_t)j];
      }
      pending.push_back(std::move(f));
    }
  }
  // One palette over the whole scene, so that equal values look the same everywhere.
  float lo = std::numeric_limits<float>::infinity(), hi = -lo;
  for (const PendingField &f : pending)
    for (float v : f.values)
      if (std::isfinite(v)) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
      }
  detachAll();
  if (pending.empty() || !(lo <= hi)) return;
  solMin = std::min(solMin, (double)lo);
  solMax = std::max(solMax, (double)hi);
  const float pal[5] = {lo, lo + 0.25f * (hi - lo), lo + 0.5f * (hi - lo), lo + 0.75f * (hi - lo),
                        hi};
  for (PendingField &f : pending) {
    auto sol = std::make_unique<PavDrawSolution>(f.object->id);
    sol->setPalette(pal);
    if (view.colormap >= 0) sol->colormap = view.colormap;
    int64_t nbrEnt = f.nbrNod > 0 ? (int64_t)(f.values.size() / (size_t)f.nbrNod) : 0;
    attachData(std::move(sol), f.object, f.values.data(), nbrEnt, f.nbrNod);
  }
  renderLater();
}

bool PavMeshViewer::stepSolution(int step) {
  if (!mesh) return false;
  int count = 0, *index = nullptr;
  if (view.fieldMode == 1) {
    count = pav_GetNumberOfVertexSolutions(mesh);
    index = &view.vertexSolution;
  } else if (view.fieldMode == 2) {
    count = pav_GetMaxNumberOfElementSolutions(mesh);
    index = &view.elementSolution;
  } else {
    return false;
  }
  const int next = *index + step;
  if (next < 1 || next > count) return false;
  *index = next;
  emit solutionStepped(view.fieldMode, next);
  solMin = std::numeric_limits<double>::infinity();
  solMax = -std::numeric_limits<double>::infinity();
  rebuildFields();
  return true;
}

void PavMeshViewer::computeSolutionExtrema() {
  if (!mesh) return;
  const int32_t nbrVer = mesh->ent[Vertices].nbr;
  if (view.fieldMode == 1) {
    const PavSolution *r = recordAt(mesh->ent[Vertices].sol, view.vertexSolution);
    if (!r || r->nbrEnt != nbrVer || !r->data) {
      printf("error\n");
      return;
    }
    const size_t width =
        r->nbrEnt > 0 ? (size_t)r->nbrNod * (size_t)pav_SolKindSize(mesh->dim, r->kind) : 0;
    for (int32_t v = 1; v <= nbrVer; v++)
      for (size_t c = 0; c < width; c++) {
        double x = r->data[(size_t)v * width + c];
        if (x < solMin) {
          solMin = x;
          solMinAt = v;
        }
        if (x > solMax) {
          solMax = x;
          solMaxAt = v;
        }
      }
    printf("  Extrema Solution %d : [%f, %f]\n", view.vertexSolution, solMin, solMax);
    printf("  Min at vertex %d, Max at vertex %d\n", solMinAt, solMaxAt);
    return;
  }
  if (view.fieldMode != 2) return;
  // Scalar element records of the volume types; the scan stops at the first other kind.
  auto scan = [&] {
    for (int d = 1; d <= 4; d++)
      for (int vt : volumeTypesOfDegree(d)) {
        const PavSolution *r = recordAt(mesh->ent[vt].sol, view.elementSolution);
        if (!r || !r->data) continue;
        if (r->kind != PavSolScalar) {
          printf("case not scalar for elements not implemented yet \n");
          return;
        }
        for (size_t i = (size_t)r->nbrNod; i < ((size_t)r->nbrEnt + 1) * (size_t)r->nbrNod; i++) {
          solMin = std::min(solMin, r->data[i]);
          solMax = std::max(solMax, r->data[i]);
        }
      }
  };
  scan();
  printf("  Extrema Solution %d : [%f, %f]\n", view.elementSolution, solMin, solMax);
}

} // namespace pavo
