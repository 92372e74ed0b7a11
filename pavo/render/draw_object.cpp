#include "render/draw_object.h"

#include "app_messages.h"

#include <cstdio>
#include <cstring>

namespace pavo {

PavDrawObject::PavDrawObject(uint32_t t, int32_t i) : type(t), id(i) {}
PavDrawObject::~PavDrawObject() = default;

const int32_t *PavDrawObject::getParentElt() const { return nullptr; }
void PavDrawObject::setParentElt(const int32_t *) {}
const int32_t *PavDrawObject::getParentFace() const { return nullptr; }
const int32_t *PavDrawObject::getParentVer() const { return nullptr; }
void PavDrawObject::setParentFace(const int32_t *) {}
void PavDrawObject::setParentVer(const int32_t *) {}
int32_t PavDrawObject::getNbrParts() const { return 0; }
PavDrawObject *const *PavDrawObject::getParts() const { return nullptr; }
void PavDrawObject::setParts(int32_t, PavDrawObject *const *) {}
void PavDrawObject::setParents(const int32_t *) {}
void PavDrawObject::getParents(const int32_t **elt, const int32_t **face,
                               const int32_t **ver) const {
  if (elt) *elt = nullptr;
  if (face) *face = nullptr;
  if (ver) *ver = nullptr;
}
void PavDrawObject::getParent(int64_t, int32_t *elt, int32_t *face, int32_t *ver) const {
  if (elt) *elt = 0;
  if (face) *face = 0;
  if (ver) *ver = 0;
}
void PavDrawObject::setParentsFromPairs(const int32_t *) {}
int PavDrawObject::getPolygonParent(int64_t, int32_t *parent) const {
  if (parent) *parent = 0;
  return 1;
}
void PavDrawObject::setNormals(const float *) {}
const float *PavDrawObject::getNormals() const {
  appMessage(" getNormals: no normals for object of type %s\n", pavDrawType2String(type));
  return nullptr;
}

// Parent arrays have one entry per drawn face; a negative count is treated as empty.
static void copyCounted(std::vector<int32_t> &dst, const int32_t *src, int32_t n) {
  if (!src || n <= 0) {
    dst.clear();
    return;
  }
  dst.assign(src, src + n);
}

const int32_t *PavDrawObjectWithPalette::getParentElt() const {
  return parentElt.empty() ? nullptr : parentElt.data();
}
void PavDrawObjectWithPalette::setParentElt(const int32_t *p) { copyCounted(parentElt, p, count); }
const int32_t *PavDrawObjectWithPalette::getParentFace() const {
  return parentFace.empty() ? nullptr : parentFace.data();
}
const int32_t *PavDrawObjectWithPalette::getParentVer() const {
  return parentVer.empty() ? nullptr : parentVer.data();
}
void PavDrawObjectWithPalette::setParentFace(const int32_t *p) {
  copyCounted(parentFace, p, count);
}
void PavDrawObjectWithPalette::setParentVer(const int32_t *p) { copyCounted(parentVer, p, count); }

void PavDrawObjectWithPalette::setParents(const int32_t *triples) {
  if (!triples || count <= 0) return;
  size_t n = (size_t)count, base = 3 * (size_t)(first > 0 ? first : 0);
  parentElt.resize(n);
  parentFace.resize(n);
  parentVer.resize(n);
  for (size_t i = 0; i < n; i++) {
    parentElt[i] = triples[base + 3 * i];
    parentFace[i] = triples[base + 3 * i + 1];
    parentVer[i] = triples[base + 3 * i + 2];
  }
}

void PavDrawObjectWithPalette::getParents(const int32_t **elt, const int32_t **face,
                                          const int32_t **ver) const {
  if (elt) *elt = getParentElt();
  if (face) *face = getParentFace();
  if (ver) *ver = getParentVer();
}

void PavDrawObjectWithPalette::getParent(int64_t i, int32_t *elt, int32_t *face,
                                         int32_t *ver) const {
  auto at = [i](const std::vector<int32_t> &v) {
    return i >= 0 && (size_t)i < v.size() ? v[(size_t)i] : 0;
  };
  if (elt) *elt = at(parentElt);
  if (face) *face = at(parentFace);
  if (ver) *ver = at(parentVer);
}

void PavDrawObjectWithPalette::setParentsFromPairs(const int32_t *pairs) {
  if (!pairs || count <= 0) return;
  size_t n = (size_t)count, base = 2 * (size_t)(first > 0 ? first : 0);
  parentElt.resize(n);
  for (size_t i = 0; i < n; i++) parentElt[i] = pairs[base + 2 * i];
}

int PavDrawObjectWithPalette::getPolygonParent(int64_t i, int32_t *parent) const {
  if (parent) *parent = 0;
  if (i > count) {
    appMessage("getPolygonParent: Error value asked %d greater than number of elements %d \n",
               (int)i, count);
    return 1;
  }
  if (i < 0 || (size_t)i >= polygonParents.size()) return 1;
  if (parent) *parent = polygonParents[(size_t)i];
  return 0;
}

void PavDrawObjectWithPalette::setNormals(const float *n) {
  if (!n || count <= 0) {
    normals.clear();
    return;
  }
  normals.assign(n, n + 3 * (size_t)count);
}

const float *PavDrawObjectWithPalette::getNormals() const {
  return normals.empty() ? nullptr : normals.data();
}

void PavDrawComposite::setObjectsList(int32_t n, PavDrawObject *const *list) {
  appMessage("PavDrawComposite: setObjectsList \n");
  appMessage("nbrObj = %d \n", n);
  objs.clear();
  nbrObj = 0;
  if (n <= 0 || !list) return;
  nbrObj = n;
  appMessage("PavDrawComposite: setObjectsList OK nbr\n");
  objs.assign(list, list + n);
  appMessage("PavDrawComposite: setObjectsList OK Lst\n");
}

int64_t PavDrawComposite::totalCount() const {
  int64_t n = 0;
  for (const PavDrawObject *o : objs)
    if (o) n += o->count;
  return n;
}

PavDrawObject *createDrawObject(uint32_t type, int32_t id) {
  if (pavHasParents(type)) return new PavDrawObjectWithPalette(type, id);
  switch (pavDrawFamily(type)) {
  case PavDrawFamily::Point:
  case PavDrawFamily::Edge:
  case PavDrawFamily::Patch:
  case PavDrawFamily::CutPlane:
    return new PavDrawObject(type, id);
  case PavDrawFamily::Solution:
    return new PavDrawSolution(id);
  default:
    appMessage("Warning no PavDrawObject created !\n");
    return nullptr;
  }
}

PavRenderModeUniforms renderModeUniforms(int mode, bool whiteLines, const float refColour[3]) {
  PavRenderModeUniforms u;
  switch (mode) {
  case 0:
  case 1: {
    u.faceOff = mode == 0 ? 1 : 0;
    // Surface faces are never discarded here (a surface mesh would vanish in the default mode);
    // the scene's own HideSurfOn switch hides them on demand.
    u.setLine = true;
    float c = whiteLines ? 1.0f : 0.0f;
    u.lineColor[0] = u.lineColor[1] = u.lineColor[2] = c;
    u.lineColor[3] = 1.0f;
    u.kd[0] = u.kd[1] = u.kd[2] = 1.0f - c;
    u.usePhong = 3;
    break;
  }
  case 2:
    for (int k = 0; k < 3; k++) u.kd[k] = refColour ? refColour[k] : 0.85f;
    break;
  default:
    u.kd[0] = u.kd[1] = u.kd[2] = 0.84f;
    break;
  }
  return u;
}

int checkFieldAttach(PavFieldKind kind, const PavDrawObject *field, const PavDrawObject *target,
                     int64_t nbrEnt, int nbrNod) {
  const char *cls = kind == PavFieldKind::Solution   ? "PavDrawSolution"
                    : kind == PavFieldKind::Jacobian ? "PavDrawJacobian"
                                                     : "PavDrawValue";
  const char *word = kind == PavFieldKind::Solution   ? "solution"
                     : kind == PavFieldKind::Jacobian ? "jacobian"
                                                      : "value";
  if (!field || !target) {
    appMessage("please provide a PavDrawObject and a %s\n", cls);
    // The solution text has one blank, the two others two, as users have always seen them.
    if (!field) {
      if (kind == PavFieldKind::Solution)
        appMessage("please provide a %s\n", cls);
      else
        appMessage("please provide  a %s\n", cls);
    }
    if (!target) appMessage("please provide a PavDrawObject\n");
    return -1;
  }
  if (nbrEnt == 0) return -2;
  if (kind == PavFieldKind::Solution) {
    if (field->type != DrawSolution) {
      appMessage(" warning : attachData: solution object %p is of type %s : this is not a solution "
                 "type\n",
                 (const void *)field, pavDrawType2String(field->type));
      return -1;
    }
  } else if (field->type != DrawSolution && target->type == DrawSolution) {
    appMessage(" warning : attachData: %s object %p is of type %s and object %p is of type %s : "
               "these types are not compatible or not in the right order\n",
               word, (const void *)field, pavDrawType2String(field->type), (const void *)target,
               pavDrawType2String(target->type));
    return -1;
  }
  if (nbrEnt != target->count) {
    appMessage(" Invalid number of entities for %s object %lld != %d\n", word, (long long)nbrEnt,
               target->count);
    return -1;
  }
  int deg = PavSolDeg(target->type, nbrNod);
  if (deg < 0) {
    appMessage(" Invalid number of nodes for %s object\n", word);
    return -1;
  }
  return deg;
}

} // namespace pavo
