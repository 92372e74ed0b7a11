#include "scene/element_filter.h"

#include "app_messages.h"

#include "pavmsh.h"
#include "render/buffer_packing.h"
#include "scene/mesh_viewer.h"

#include <QObject>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>

namespace pavo {

namespace {

// The masks of a viewer, kept in a child object so that they die with it.
class PavElementMasks : public QObject {
public:
  explicit PavElementMasks(QObject *parent) : QObject(parent) { setObjectName("pavElementMasks"); }
  std::unordered_map<const PavDrawObject *, std::vector<uint8_t>> masks;
  // The range applied and the values of the volume elements, for the cut display.
  std::vector<PavObjectValues> volumes;
  double range[2] = {0, 0};
};

bool isVolumeType(int type) {
  const PavElementKind k = pav_ElementKind(type);
  return k == PavKindTetrahedron || k == PavKindPyramid || k == PavKindPrism ||
         k == PavKindHexahedron;
}

PavElementMasks &masksOf(PavMeshViewer &viewer) {
  auto *m = viewer.findChild<PavElementMasks *>("pavElementMasks", Qt::FindDirectChildrenOnly);
  return m ? *m : *new PavElementMasks(&viewer);
}

void rowExtrema(const double *row, int n, double *lo, double *hi) {
  *lo = HUGE_VAL;
  *hi = -HUGE_VAL;
  for (int j = 0; j < n; j++)
    if (row[j] == row[j]) *lo = std::min(*lo, row[j]), *hi = std::max(*hi, row[j]);
  if (*lo > *hi) *lo = *hi = NAN;
}

// Record `index` (from 1) of a solution list, or null.
const PavSolution *recordAt(const PavSolution *head, int index) {
  for (int i = 1; head && i < index; i++) head = head->next;
  return index >= 1 ? head : nullptr;
}

// The scalar shown for a record (as the fields show it), rows from 1; empty when not scalar-able.
std::vector<double> shownScalar(const PavSolution *r, int dim, int vectorMode) {
  std::vector<double> out;
  if (!r || !r->data || r->nbrEnt < 0 || r->nbrNod < 1) return out;
  const size_t n = ((size_t)r->nbrEnt + 1) * (size_t)r->nbrNod;
  double *made = nullptr;
  if (r->kind == PavSolScalar) return std::vector<double>(r->data, r->data + n);
  if (r->kind == PavSolVector)
    made = pav_ExtractComponent(dim, vectorMode, r->data, r->nbrEnt, r->nbrNod);
  else if (r->kind == PavSolSymMatrix || r->kind == PavSolMatrix)
    made = pav_SolutionDeterminant(dim, r->data, r->nbrEnt, r->nbrNod, r->kind);
  if (made) out.assign(made, made + n);
  free(made);
  return out;
}

} // namespace

void addEntityValues(const PavMeshViewer &viewer, int type, const double *rows, int32_t nbrEnt,
                     int nbrNod, PavFilterValues &out) {
  using Source = PavMeshViewer::PavSetSource;
  if (!rows || nbrEnt < 1 || nbrNod < 1) return;
  if (isVolumeType(type)) {
    PavObjectValues v{nullptr, false, {}, {}, type};
    v.low.assign((size_t)nbrEnt + 1, NAN);
    v.high.assign((size_t)nbrEnt + 1, NAN);
    for (int64_t e = 1; e <= nbrEnt; e++)
      rowExtrema(rows + e * nbrNod, nbrNod, &v.low[e], &v.high[e]);
    out.push_back(std::move(v));
  }
  for (const PavMeshViewer::PavBuiltSet &set : viewer.builtSets()) {
    const bool own = set.source == Source::MeshType && set.mshType == type;
    const bool faces = set.source == Source::BoundaryFaces && set.volType == type;
    if (!own && !faces) continue;
    for (const PavMeshViewer::PavBuiltObject &bo : set.objects) {
      if (!bo.object) continue;
      PavObjectValues v{bo.object, bo.object->id != -1, {}, {}};
      v.low.assign(bo.entities.size(), NAN);
      v.high.assign(bo.entities.size(), NAN);
      for (size_t i = 0; i < bo.entities.size(); i++) {
        int64_t e = bo.entities[i];
        if (faces) {
          const size_t at = 3 * (size_t)(e - 1) + 1;
          e = e >= 1 && at < set.lnk.size() ? set.lnk[at] : 0;
        }
        if (e < 1 || e > nbrEnt) continue;
        rowExtrema(rows + e * nbrNod, nbrNod, &v.low[i], &v.high[i]);
      }
      out.push_back(std::move(v));
    }
  }
}

PavFilterValues qualityValues(PavMeshViewer &viewer) {
  PavFilterValues out;
  PavObject *mesh = viewer.meshObject();
  if (!mesh || pav_Count(mesh, Tetrahedra) < 1) {
    appMessage("  ## ERROR: the quality is computed on tetrahedra: none is loaded\n");
    return out;
  }
  if (pav_ComputeTetrahedraQuality(mesh) != 0) return out;
  char status[PAV_STATUS_SIZE] = "";
  const double *q = pav_GetValuesArrray(mesh, Tetrahedra, status);
  addEntityValues(viewer, Tetrahedra, q, pav_Count(mesh, Tetrahedra), 1, out);
  return out;
}

PavFilterValues jacobianValues(PavMeshViewer &viewer) {
  PavFilterValues out;
  PavObject *mesh = viewer.meshObject();
  if (!mesh) return out;
  bool volumes = false;
  for (const PavMeshViewer::PavBuiltSet &s : viewer.builtSets())
    volumes |= s.source == PavMeshViewer::PavSetSource::BoundaryFaces;
  if (volumes)
    viewer.add3DJacobian(2);
  else
    viewer.add2DJacobian(2);
  for (int t = 0; t < PAV_NBR_STORED_TYPES; t++) {
    if (pav_Count(mesh, t) < 1) continue;
    int nbrEnt = 0, kind = 0, it = 0, deg = 0, nbrNod = 0;
    double time = 0;
    char status[PAV_STATUS_SIZE] = "";
    const double *data =
        pav_GetJacobiansArray(mesh, t, 1, &nbrEnt, &kind, &it, &time, &deg, &nbrNod, status);
    if (data) addEntityValues(viewer, t, data, nbrEnt, nbrNod, out);
  }
  return out;
}

PavFilterValues solutionValues(PavMeshViewer &viewer) {
  PavFilterValues out;
  PavObject *mesh = viewer.meshObject();
  if (!mesh) return out;
  const PavViewState &view = viewer.view;
  const int dim = mesh->dim == 2 ? 2 : 3;
  if (view.fieldMode == 2) {
    for (int t = 0; t < PAV_NBR_STORED_TYPES; t++) {
      if (t == Vertices || pav_Count(mesh, t) < 1) continue;
      const int solTyp = pav_EntTyp2SolTyp(t, nullptr);
      const PavSolution *rec = recordAt(pav_SolutionList(mesh, solTyp), view.elementSolution);
      if (!rec || rec->nbrEnt != pav_Count(mesh, t)) continue;
      const std::vector<double> rows = shownScalar(rec, dim, view.vectorMode);
      if (!rows.empty()) addEntityValues(viewer, t, rows.data(), rec->nbrEnt, rec->nbrNod, out);
    }
    return out;
  }
  if (view.fieldMode != 1) return out;
  const PavSolution *rec = recordAt(mesh->ent[Vertices].sol, view.vertexSolution);
  if (!rec || rec->nbrEnt != mesh->ent[Vertices].nbr) return out;
  const std::vector<double> ver = shownScalar(rec, dim, view.vectorMode);
  if (ver.empty()) return out;
  const size_t nbrVal = ver.size() / (size_t)rec->nbrNod;
  // Volume elements (for the cut): the values at their nodes.
  for (int t = 0; t < PAV_NBR_STORED_TYPES; t++) {
    const int32_t n = pav_Count(mesh, t);
    const int k = isVolumeType(t) && n > 0 ? pav_MshTyp2Siz(t, nullptr) : 0;
    if (k < 1 || !mesh->ent[t].idx) continue;
    PavObjectValues v{nullptr, false, {}, {}, t};
    v.low.assign((size_t)n + 1, NAN);
    v.high.assign((size_t)n + 1, NAN);
    std::vector<double> row((size_t)k);
    for (int64_t e = 1; e <= n; e++) {
      for (int j = 0; j < k; j++) {
        const int64_t g = mesh->ent[t].idx[e * k + j];
        row[(size_t)j] = g >= 1 && (size_t)g < nbrVal ? ver[(size_t)g * rec->nbrNod] : NAN;
      }
      rowExtrema(row.data(), k, &v.low[e], &v.high[e]);
    }
    out.push_back(std::move(v));
  }
  // Every drawn element: the values at its own nodes (first value of each vertex row).
  for (const PavMeshViewer::PavBuiltSet &set : viewer.builtSets())
    for (const PavMeshViewer::PavBuiltObject &bo : set.objects) {
      const PavSceneEntry *e = bo.object ? viewer.sceneModel().entry(bo.object) : nullptr;
      const int k = bo.object ? PavDrawTyp2Siz(bo.object->type) : 0;
      if (!e || k < 1 || bo.vertices.empty() || set.mshType == Vertices) continue;
      PavObjectValues v{bo.object, bo.object->id != -1, {}, {}};
      const size_t n = e->elt.size() / (size_t)k;
      v.low.assign(n, HUGE_VAL);
      v.high.assign(n, -HUGE_VAL);
      for (size_t i = 0; i < n * (size_t)k; i++) {
        const int local = e->elt[i];
        const int64_t g = local >= 0 && (size_t)local < bo.vertices.size() ? bo.vertices[local] : 0;
        const double x = g >= 1 && (size_t)g < nbrVal ? ver[(size_t)g * rec->nbrNod] : NAN;
        double &lo = v.low[i / k], &hi = v.high[i / k];
        if (x != x) lo = hi = NAN;
        if (lo != lo) continue;
        lo = std::min(lo, x), hi = std::max(hi, x);
      }
      out.push_back(std::move(v));
    }
  return out;
}

bool filterExtrema(const PavFilterValues &values, double *low, double *high, int64_t *count) {
  *low = HUGE_VAL;
  *high = -HUGE_VAL;
  *count = 0;
  for (const PavObjectValues &v : values) {
    if (!v.counted) continue;
    *count += (int64_t)v.low.size();
    for (size_t i = 0; i < v.low.size(); i++)
      if (v.low[i] == v.low[i]) *low = std::min(*low, v.low[i]), *high = std::max(*high, v.high[i]);
  }
  return *low <= *high;
}

void maskElementColours(PavDrawObject &object, const std::vector<uint8_t> &shown) {
  const size_t n = object.count > 0 ? (size_t)object.count : 0;
  const bool all = std::find(shown.begin(), shown.end(), 0) == shown.end();
  if (object.eltColors.empty() && all) return;
  std::vector<float> c = packElementColors((int64_t)n, object.eltColors, object.params.color);
  bool own = true;
  for (size_t i = 0; i < n; i++) {
    c[4 * i + 3] = i < shown.size() && !shown[i] ? 0.0f : 1.0f;
    for (int j = 0; j < 3; j++) own &= c[4 * i + (size_t)j] == object.params.color[j];
  }
  if (all && own) c.clear();
  object.eltColors = std::move(c);
}

int64_t applyElementFilter(PavMeshViewer &viewer, const PavFilterValues &values,
                           const double *range) {
  PavElementMasks &m = masksOf(viewer);
  int64_t shownCount = 0;
  // Objects masked before and not now show everything again.
  for (auto &kv : m.masks) std::fill(kv.second.begin(), kv.second.end(), 1);
  for (const PavObjectValues &v : values) {
    if (!viewer.contains(v.object)) continue;
    std::vector<uint8_t> &mask = m.masks[v.object];
    mask.assign(v.low.size(), 1);
    for (size_t i = 0; range && i < v.low.size(); i++)
      mask[i] = v.low[i] >= range[0] && v.high[i] <= range[1];
    if (v.counted) shownCount += std::count(mask.begin(), mask.end(), 1);
  }
  m.volumes.clear();
  for (const PavObjectValues &v : values)
    if (range && v.volumeType != 0) m.volumes.push_back(v);
  if (range) std::copy(range, range + 2, m.range);
  viewer.updateCutIfFacesChanged(); // hidden cut elements uncover the faces of their neighbours
  refreshElementVisibility(viewer);
  if (!range) m.masks.clear();
  return shownCount;
}

namespace {

// Masks of the cut objects from the values of the volume elements they come from.
void maskCut(PavMeshViewer &viewer, PavElementMasks &m) {
  for (const PavMeshViewer::PavBuiltSet &set : viewer.cutSets()) {
    const PavObjectValues *values = nullptr;
    for (const PavObjectValues &v : m.volumes)
      if (v.volumeType == set.volType) values = &v;
    if (!values) continue;
    for (const PavMeshViewer::PavBuiltObject &bo : set.objects) {
      const PavSceneEntry *e = bo.object ? viewer.sceneModel().entry(bo.object) : nullptr;
      const int k = bo.object ? PavDrawTyp2Siz(bo.object->type) : 0;
      const int32_t *parent = bo.object ? bo.object->getParentElt() : nullptr;
      if (!e || k < 1 || !parent) continue;
      std::vector<uint8_t> &mask = m.masks[bo.object];
      mask.assign(e->elt.size() / (size_t)k, 1);
      for (size_t i = 0; i < mask.size(); i++) {
        const int64_t p = parent[i];
        if (p >= 1 && (size_t)p < values->low.size())
          mask[i] = values->low[p] >= m.range[0] && values->high[p] <= m.range[1];
      }
    }
  }
}

} // namespace

bool cutElementsFiltered(const PavMeshViewer &viewer) {
  const auto *m =
      viewer.findChild<const PavElementMasks *>("pavElementMasks", Qt::FindDirectChildrenOnly);
  return m && !m->volumes.empty();
}

void refreshElementVisibility(PavMeshViewer &viewer) {
  PavElementMasks &m = masksOf(viewer);
  maskCut(viewer, m);
  for (auto it = m.masks.begin(); it != m.masks.end();) {
    if (!viewer.contains(it->first)) {
      it = m.masks.erase(it);
      continue;
    }
    maskElementColours(*const_cast<PavDrawObject *>(it->first), it->second);
    ++it;
  }
}

} // namespace pavo
