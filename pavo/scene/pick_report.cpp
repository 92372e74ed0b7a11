#include "scene/pick_report.h"

#include "files/draw_types.h"
#include "ho_eigen.h"
#include "pav_solution.h"
#include "pav_topology.h"
#include "pav_types.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace pavo {

namespace {

// Appends printf-formatted text (the pieces are short; longer ones are cut at the buffer).
void add(std::string &out, const char *fmt, ...) {
  char buf[1024];
  va_list ap;
  va_start(ap, fmt);
  const int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  if (n > 0) out.append(buf, std::min<size_t>((size_t)n, sizeof buf - 1));
}

// Name of the draw type that shows a volume code (7..31), "Unknown " when none does.
const char *volumeName(int volumeType) {
  for (uint32_t t = DrawTetrahedron; t <= DrawPyramidP4; t++)
    if (PavDrawTypetoPavMshType(t) == volumeType) return pavDrawType2String(t);
  return pavDrawType2String(PAV_NBR_DRAW_TYPES);
}

const char *kindLabel(int kind) {
  switch (kind) {
  case PavSolScalar:
    return " (Scalar):";
  case PavSolVector:
    return " (Vector):";
  case PavSolSymMatrix:
    return " (Metric):";
  default:
    return " (Matrix):";
  }
}

// Eigen decomposition of one metric (s = 3 in 2-D, 6 in 3-D).
void addEigen(std::string &out, int dim, const double *met, int field) {
  double val[3] = {0, 0, 0}, vec[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
  if (dim == 2) {
    Eigen2d(met, val, vec);
    add(out, " EigenValues   (Metric Field %d)   %le   %le \n", field, val[0], val[1]);
    for (int k = 0; k < 2; k++)
      add(out, " EigenVector %d (Metric Field %d)   %le   %le \n", k + 1, field, vec[2 * k],
          vec[2 * k + 1]);
    return;
  }
  Eigen3d(met, val, vec);
  add(out, " EigenValues   (Metric Field %d)   %le   %le   %le \n", field, val[0], val[1], val[2]);
  for (int k = 0; k < 3; k++)
    add(out, " EigenVector %d (Metric Field %d)   %le   %le   %le \n", k + 1, field, vec[3 * k],
        vec[3 * k + 1], vec[3 * k + 2]);
}

// The line of one field (number `field`) with the values of the listed rows (row r holds s
// doubles at data[row * s]; rows outside 0..maxRow are skipped), then the eigen decomposition of
// each row of a metric field.
void addField(std::string &out, const PavObject *mesh, const PavSolution *sol, int field,
              const int64_t *rows, int nbrRows, int64_t maxRow, bool eigen) {
  const int s = pav_SolKindSize(mesh->dim, sol->kind);
  if (s < 1 || !sol->data) return;
  add(out, " Solution %d", field);
  out += kindLabel(sol->kind);
  for (int r = 0; r < nbrRows; r++) {
    if (rows[r] < 0 || rows[r] > maxRow) continue;
    for (int m = 0; m < s; m++) add(out, "   %le", sol->data[rows[r] * s + m]);
  }
  out += "\n";
  if (!eigen || sol->kind != PavSolSymMatrix || (mesh->dim != 2 && mesh->dim != 3)) return;
  for (int r = 0; r < nbrRows; r++)
    if (rows[r] >= 0 && rows[r] <= maxRow) addEigen(out, mesh->dim, sol->data + rows[r] * s, field);
}

// Vertex fields at the given vertices, then the fields of element i of an element type (each at
// its own value nodes: element fields have their own degree).
void addSolutions(std::string &out, const PavObject *mesh, const int *vertices, int nbrVer,
                  int type, int32_t i, bool eigen) {
  int64_t rows[125];
  const int n = std::min(nbrVer, 125);
  for (int k = 0; k < n; k++) rows[k] = vertices[k] >= 1 ? vertices[k] : -1;
  int field = 0;
  for (const PavSolution *sol = mesh->ent[Vertices].sol; sol; sol = sol->next)
    addField(out, mesh, sol, ++field, rows, n, mesh->ent[Vertices].nbr, eigen);
  if (type < Edges || !pav_IsStoredType(type) || i < 1 || i > mesh->ent[type].nbr) return;
  field = 0;
  std::vector<int64_t> eltRows;
  for (const PavSolution *sol = mesh->ent[type].sol; sol; sol = sol->next) {
    eltRows.resize((size_t)std::max(sol->nbrNod, 0));
    for (int j = 0; j < sol->nbrNod; j++) eltRows[j] = (int64_t)i * sol->nbrNod + j;
    addField(out, mesh, sol, ++field, eltRows.data(), (int)eltRows.size(),
             ((int64_t)sol->nbrEnt + 1) * sol->nbrNod - 1, eigen);
  }
}

// Jacobian range and quality of element i of a face or volume type, when computed.
void addJacobianAndQuality(std::string &out, const PavObject *mesh, const PavPickedEntity &e,
                           int type, int32_t i) {
  if (!pav_IsStoredType(type) || i < 1 || i > mesh->ent[type].nbr) return;
  const bool fromVolume = e.volumeType != 0;
  const PavSolution *jac = mesh->ent[type].jac;
  if (e.jacobians && jac && jac->data && jac->nbrNod > 0 && i <= jac->nbrEnt) {
    const int s = std::max(1, pav_SolKindSize(mesh->dim, jac->kind));
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (int j = 0; j < jac->nbrNod; j++) {
      const double v = jac->data[((int64_t)i * jac->nbrNod + j) * s];
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
    if (fromVolume)
      add(out, " Jacobian (Volume Elt %s %9d) [%15.7e %15.7e] \n", volumeName(type), i, lo, hi);
    else
      add(out, " Jacobian (Elt %d) [%f %f] \n", i, lo, hi);
  }
  const double *val = mesh->ent[type].val;
  if (e.qualities && val) {
    if (fromVolume)
      add(out, " Quality (Volume Elt %s %9d) : %15.7e \n", volumeName(type), i, val[i]);
    else
      add(out, " Quality  (Elt %d) : %f \n", i, val[i]);
  }
}

void addVertexList(std::string &out, const int *list, int n, int corners) {
  for (int k = 0; k < n && k < corners; k++) add(out, k == 0 ? " : [%9d" : " %9d", list[k]);
  if (n > corners) {
    add(out, "  \n %29s", "");
    for (int k = corners; k < n; k++) add(out, " %9d", list[k]);
  }
  out += "]";
}

// One table of a polygon set: item i (from 1) has its first entry at hdr[2 i] and its reference
// at hdr[2 i + 1]; the next item's first entry (or the end of the entries) ends it.
struct PolygonTable {
  const int32_t *hdr;
  int32_t nbrItems, nbrEntries;
  const int32_t *entries;

  // Item i's first entry and count; false when the table does not hold it whole.
  bool item(int32_t i, int32_t *first, int32_t *n) const {
    if (!hdr || i < 1 || i > nbrItems) return false;
    *first = hdr[2 * i];
    const int32_t end = i < nbrItems ? hdr[2 * i + 2] : nbrEntries + 1;
    *n = end - *first;
    return *first >= 1 && *n >= 0 && end - 1 <= nbrEntries;
  }
};

// Reports item i of a table: `head` (with the entry count and i), the entries and, when `ref`,
// the reference. A missing item gives the warning "Warning: no <noun> i in the mesh" and false.
bool reportItem(std::string &out, std::string &warnings, const PolygonTable &table, int32_t i,
                const char *noun, const char *head, bool ref, int32_t *first, int32_t *n) {
  if (!table.item(i, first, n)) {
    add(warnings, "Warning: no %s %d in the mesh\n", noun, i);
    return false;
  }
  add(out, head, *n, i);
  addVertexList(out, table.entries + *first, *n, *n);
  if (ref) add(out, "   Ref %d", table.hdr[2 * i + 1]);
  out += "\n";
  return true;
}

void reportPolygons(std::string &out, std::string &warnings, const PavObject *mesh,
                    const PavPickedEntity &e) {
  const PavPolygonSet none{};
  const PavPolygonSet &pol = mesh->pol ? *mesh->pol : none;
  int32_t first = 0, n = 0;
  if (e.drawType != DrawPolyhedra) {
    reportItem(out, warnings, {pol.bndHdr, pol.nbrBndPol, pol.nbrBndVer, pol.bndVer}, e.number,
               "polygon", " Polygon (%d-sides) %9d", !e.patch, &first, &n);
    return;
  }
  if (!reportItem(out, warnings, {pol.phdHdr, pol.nbrPolyhedra, pol.nbrPolyhedraFaces, pol.phdFac},
                  e.number, "polyhedron", " Polyhedron (%d-faces) %9d", !e.patch, &first, &n))
    return;
  const PolygonTable faces{pol.innHdr, pol.nbrInnPol, pol.nbrInnVer, pol.innVer};
  for (int32_t k = 0; k < n; k++) {
    int32_t ff = 0, fn = 0;
    // The magnitude in 64 bits (that of the smallest 32-bit entry does not fit in 32), kept
    // past the last face when out of range so that the report says it is.
    const int64_t face = std::min<int64_t>(std::abs((int64_t)pol.phdFac[first + k]), INT32_MAX);
    reportItem(out, warnings, faces, (int32_t)face, "face", "       Face (%d-sides) %9d", false,
               &ff, &fn);
  }
}

void reportVertex(std::string &out, const PavObject *mesh, const PavPickedEntity &e) {
  int32_t v = e.number;
  if (e.drawType == DrawCorner)
    v = (e.number >= 1 && e.number <= mesh->ent[Corners].nbr && mesh->ent[Corners].idx)
            ? mesh->ent[Corners].idx[e.number]
            : 0;
  const char *name = pavDrawType2String(e.drawType);
  if (v < 1 || v > mesh->ent[Vertices].nbr || !mesh->crdDbl) {
    add(out, " %s number %d", name, e.number);
    out += " picked\n";
    return;
  }
  add(out, " %-16s %9d", name, e.number);
  const int dim = mesh->dim == 2 ? 2 : 3;
  for (int k = 0; k < dim; k++) add(out, k == 0 ? " : [%9f" : " %9f", mesh->crdDbl[3 * v + k]);
  out += "]\n";
  if (e.solutions) addSolutions(out, mesh, &v, 1, 0, 0, e.metric);
}

// The angles at the corners of a face (3 or 4 corners) and the coordinates of its corners, as
// the preferences ask. Corners outside the vertices are skipped.
void addCorners(std::string &out, const PavObject *mesh, const PavPickedEntity &e, const int *nodes,
                int corners) {
  const int32_t nv = mesh->ent[Vertices].nbr;
  for (int k = 0; k < corners; k++)
    if (nodes[k] < 1 || nodes[k] > nv || !mesh->crdDbl) return;
  auto at = [&](int k) { return mesh->crdDbl + 3 * (size_t)nodes[(k + corners) % corners]; };
  const PavDrawFamily family = pavDrawFamily(e.drawType);
  if (e.angles && (family == PavDrawFamily::Triangle || family == PavDrawFamily::Quadrilateral)) {
    out += " Angles (degrees)";
    for (int k = 0; k < corners; k++) {
      const double *p = at(k), *a = at(k - 1), *b = at(k + 1);
      double u[3], v[3], uv = 0, uu = 0, vv = 0;
      for (int c = 0; c < 3; c++) {
        u[c] = a[c] - p[c], v[c] = b[c] - p[c];
        uv += u[c] * v[c], uu += u[c] * u[c], vv += v[c] * v[c];
      }
      const double cosine = uu > 0 && vv > 0 ? uv / std::sqrt(uu * vv) : 1.0;
      add(out, "   %f", std::acos(std::clamp(cosine, -1.0, 1.0)) * 180.0 / std::acos(-1.0));
    }
    out += "\n";
  }
  if (!e.vertexCoordinates) return;
  const int dim = mesh->dim == 2 ? 2 : 3;
  for (int k = 0; k < corners; k++) {
    add(out, " Vertex %9d", nodes[k]);
    for (int c = 0; c < dim; c++) add(out, c == 0 ? " : [%9f" : " %9f", at(k)[c]);
    out += "]\n";
  }
}

} // namespace

PavPickedEntity pickedEntityOf(const PavDrawObject &object, int32_t local, int volumeType) {
  PavPickedEntity e;
  e.drawType = object.type;
  e.patch = object.type == DrawPatch;
  e.number = object.first + local;
  if (pavDrawFamily(object.type) == PavDrawFamily::Polygon) {
    int32_t polygon = 0;
    if (object.getPolygonParent(local, &polygon) == 0) e.number = polygon;
    return e;
  }
  int32_t elt = 0, face = 0;
  object.getParent(local, &elt, &face, nullptr);
  if (volumeType != 0) {
    e.volumeType = volumeType;
    e.volumeElement = elt;
    e.volumeFace = face;
    e.number = local + 1;
  } else if (object.getParentElt()) {
    e.number = elt;
  }
  return e;
}

int cornersOfDrawType(uint32_t drawType, std::string *warnings) {
  switch (pavDrawFamily(drawType)) {
  case PavDrawFamily::Point:
    return 1;
  case PavDrawFamily::Edge:
    return 2;
  case PavDrawFamily::Triangle:
    return 3;
  case PavDrawFamily::Quadrilateral:
  case PavDrawFamily::Tetrahedron:
    return 4;
  case PavDrawFamily::Polygon:
    if (warnings)
      add(*warnings, "Warning PavDrawTyp2SizElt case not defined for type %s \n",
          pavDrawType2String(drawType));
    return -1;
  default:
    break;
  }
  if (drawType >= DrawTetrahedron && drawType <= DrawPyramidP4)
    return pav_MshTyp2SizElt(PavDrawTypetoPavMshType(drawType), nullptr);
  if (warnings)
    add(*warnings, "Warning: unknown element size for element %s\n", pavDrawType2String(drawType));
  return -1;
}

PavPickReport pickReport(const PavObject *mesh, const PavPickedEntity &e) {
  PavPickReport r;
  if (!mesh) {
    r.warnings = PAV_MSG_NULL_OBJECT;
    return r;
  }
  if (pavDrawFamily(e.drawType) == PavDrawFamily::Polygon) {
    reportPolygons(r.text, r.warnings, mesh, e);
    return r;
  }
  if (e.drawType == DrawVertex || e.drawType == DrawCorner) {
    reportVertex(r.text, mesh, e);
    return r;
  }
  const int corners = cornersOfDrawType(e.drawType, &r.warnings);
  if (corners < 1) return r;

  // The nodes and reference: of the face of a volume element, or of the entity itself.
  int nodes[125] = {0};
  int nbrNod = 0, ref = 0;
  int fieldType = pavDrawTypeEntity(e.drawType);
  int32_t fieldElt = e.number;
  char status[PAV_STATUS_SIZE] = "";
  if (e.volumeType != 0) {
    int volNodes[125], volNbr = 0;
    if (pav_GetIthEntityFace(mesh, e.volumeElement, e.volumeType, e.volumeFace, &nbrNod, nodes,
                             status) != PAV_SUCCESS ||
        pav_GetEntityData(mesh, e.volumeType, e.volumeElement, &volNbr, volNodes, &ref, status) !=
            PAV_SUCCESS) {
      r.warnings += "error with a surface element deduced from volume\n";
      return r;
    }
    fieldType = e.volumeType;
    fieldElt = e.volumeElement;
  } else if (fieldType < Edges || pav_GetEntityData(mesh, fieldType, e.number, &nbrNod, nodes, &ref,
                                                    status) != PAV_SUCCESS) {
    r.warnings += status[0] ? status : "Warning: no mesh entity for the picked element\n";
    return r;
  }

  add(r.text, " %-16s %9d", pavDrawType2String(e.drawType), e.number);
  addVertexList(r.text, nodes, nbrNod, corners);
  if (!e.patch) add(r.text, "   Ref %d", ref);
  if (corners == 2 && nbrNod >= 2 && mesh->crdDbl) {
    const int32_t nv = mesh->ent[Vertices].nbr;
    if (nodes[0] >= 1 && nodes[0] <= nv && nodes[1] >= 1 && nodes[1] <= nv) {
      const double *a = mesh->crdDbl + 3 * nodes[0], *b = mesh->crdDbl + 3 * nodes[1];
      add(r.text, "     Length %f",
          std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                    (a[2] - b[2]) * (a[2] - b[2])));
    }
  }
  r.text += "\n";
  // The face of a volume element has its own corners: 3 or 4 by the face's node count.
  const int d = e.volumeType == 0 ? 1 : pav_ElementDegree(e.volumeType);
  const int faceCorners = e.volumeType == 0 ? corners : (nbrNod == (d + 1) * (d + 2) / 2 ? 3 : 4);
  addCorners(r.text, mesh, e, nodes, std::min(faceCorners, nbrNod));
  if (e.solutions) addSolutions(r.text, mesh, nodes, nbrNod, fieldType, fieldElt, e.metric);
  addJacobianAndQuality(r.text, mesh, e, fieldType, fieldElt);
  return r;
}

} // namespace pavo
