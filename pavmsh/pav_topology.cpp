// Local tables are generated from the canonical node order: a face node of the face element's
// lattice is mapped to the volume lattice through the face's vertices (barycentric for triangles,
// bilinear for quadrilaterals, exact in integers since vertex coordinates are 0 or d), then looked
// up in the volume's order. Only the first-order faces and edges are typed in.
#include "pav_topology.h"

#include "ho_lattice.h"
#include "pav_hash.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// ---- First-order axioms ----

struct P1Faces {
  int nbr;
  int siz[PAV_MAX_FACES];
  int ver[PAV_MAX_FACES][4];
};

const P1Faces kTetFaces = {4, {3, 3, 3, 3}, {{1, 2, 3}, {3, 2, 0}, {3, 0, 1}, {1, 0, 2}}};
const P1Faces kPyrFaces = {
    5, {3, 3, 3, 3, 4}, {{0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {0, 4, 3}, {0, 3, 2, 1}}};
const P1Faces kPriFaces = {
    5, {3, 3, 4, 4, 4}, {{0, 2, 1}, {3, 4, 5}, {0, 1, 4, 3}, {1, 2, 5, 4}, {0, 3, 5, 2}}};
const P1Faces kHexFaces = {
    6,
    {4, 4, 4, 4, 4, 4},
    {{0, 3, 2, 1}, {0, 1, 5, 4}, {0, 4, 7, 3}, {6, 2, 3, 7}, {6, 5, 1, 2}, {6, 7, 4, 5}}};

struct P1Edges {
  int nbr;
  int ver[PAV_MAX_EDGES][2];
};

const P1Edges kEdgEdges = {1, {{0, 1}}};
const P1Edges kTriEdges = {3, {{0, 1}, {1, 2}, {2, 0}}};
const P1Edges kQuaEdges = {4, {{0, 1}, {1, 2}, {2, 3}, {3, 0}}};
const P1Edges kTetEdges = {6, {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}}};
const P1Edges kPyrEdges = {8, {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 0}, {4, 1}, {4, 2}, {4, 3}}};
const P1Edges kPriEdges = {
    9, {{0, 1}, {1, 2}, {2, 0}, {3, 4}, {4, 5}, {5, 3}, {0, 3}, {1, 4}, {2, 5}}};
const P1Edges kHexEdges = {12,
                           {{0, 1},
                            {1, 2},
                            {2, 3},
                            {3, 0},
                            {4, 5},
                            {5, 6},
                            {6, 7},
                            {7, 4},
                            {0, 4},
                            {1, 5},
                            {2, 6},
                            {3, 7}}};

const P1Faces *p1Faces(PavElementKind k) {
  switch (k) {
  case PavKindTetrahedron:
    return &kTetFaces;
  case PavKindPyramid:
    return &kPyrFaces;
  case PavKindPrism:
    return &kPriFaces;
  case PavKindHexahedron:
    return &kHexFaces;
  default:
    return nullptr;
  }
}

const P1Edges *p1Edges(PavElementKind k) {
  switch (k) {
  case PavKindEdge:
    return &kEdgEdges;
  case PavKindTriangle:
    return &kTriEdges;
  case PavKindQuadrilateral:
    return &kQuaEdges;
  case PavKindTetrahedron:
    return &kTetEdges;
  case PavKindPyramid:
    return &kPyrEdges;
  case PavKindPrism:
    return &kPriEdges;
  case PavKindHexahedron:
    return &kHexEdges;
  default:
    return nullptr;
  }
}

// ---- Generated tables ----

struct KindTables {
  int nbrFac = 0;
  int facSiz[PAV_MAX_FACES] = {};
  std::vector<int> fac[PAV_MAX_FACES];
  int nbrEdg = 0;
  std::vector<int> edg[PAV_MAX_EDGES];
};

KindTables gTables[PavKindCount][PAV_MAX_DEGREE + 1];
std::once_flag gTablesOnce;

struct Lattice {
  int width;
  int degree;
  const int *order;
  int64_t nbr;
  std::vector<int> index; // lattice point (base d + 1) -> canonical node

  int code(const int *p) const {
    int c = 0;
    for (int k = 0; k < width; k++) c = c * (degree + 1) + p[k];
    return c;
  }
  int find(const int *p) const {
    for (int k = 0; k < width; k++)
      if (p[k] < 0 || p[k] > degree) return -1;
    return index[code(p)];
  }
};

Lattice makeLattice(HoKind kind, int d) {
  Lattice l;
  l.width = hoOrderWidth(kind);
  l.degree = d;
  l.order = hoNodeOrder(kind, d);
  l.nbr = hoNodeCount(kind, d);
  int64_t size = 1;
  for (int k = 0; k < l.width; k++) size *= d + 1;
  l.index.assign(size, -1);
  for (int64_t n = 0; n < l.nbr; n++) l.index[l.code(l.order + n * l.width)] = static_cast<int>(n);
  return l;
}

[[noreturn]] void tableFail(const char *what, int kind, int d) {
  pav_Fatal("Local %s table of kind %d degree %d could not be generated\n", what, kind, d);
}

void buildTables() {
  for (int k = 0; k < PavKindCount; k++) {
    const PavElementKind kind = static_cast<PavElementKind>(k);
    const HoKind ho = static_cast<HoKind>(k);
    for (int d = 1; d <= PAV_MAX_DEGREE; d++) {
      KindTables &t = gTables[k][d];
      const Lattice vol = makeLattice(ho, d);
      const int w = vol.width;
      auto vertex = [&](int v) { return vol.order + v * w; };
      int p[4];
      if (const P1Faces *f1 = p1Faces(kind)) {
        t.nbrFac = f1->nbr;
        for (int f = 0; f < f1->nbr; f++) {
          const int *v = f1->ver[f];
          if (f1->siz[f] == 3) {
            const int *tri = hoNodeOrder(HoTriangle, d);
            const int64_t n = hoNodeCount(HoTriangle, d);
            for (int64_t m = 0; m < n; m++) {
              const int *abc = tri + 3 * m;
              for (int c = 0; c < w; c++)
                p[c] = (abc[0] * vertex(v[0])[c] + abc[1] * vertex(v[1])[c] +
                        abc[2] * vertex(v[2])[c]) /
                       d;
              const int id = vol.find(p);
              if (id < 0) tableFail("face", k, d);
              t.fac[f].push_back(id);
            }
          } else {
            const int *qua = hoNodeOrder(HoQuadrilateral, d);
            const int64_t n = hoNodeCount(HoQuadrilateral, d);
            for (int64_t m = 0; m < n; m++) {
              const int i = qua[2 * m], j = qua[2 * m + 1];
              for (int c = 0; c < w; c++)
                p[c] = vertex(v[0])[c] + (i * (vertex(v[1])[c] - vertex(v[0])[c]) +
                                          j * (vertex(v[3])[c] - vertex(v[0])[c])) /
                                             d;
              const int id = vol.find(p);
              if (id < 0) tableFail("face", k, d);
              t.fac[f].push_back(id);
            }
          }
          t.facSiz[f] = static_cast<int>(t.fac[f].size());
        }
      }
      const P1Edges *e1 = p1Edges(kind);
      t.nbrEdg = e1->nbr;
      for (int e = 0; e < e1->nbr; e++) {
        const int a = e1->ver[e][0], b = e1->ver[e][1];
        t.edg[e].push_back(a);
        t.edg[e].push_back(b);
        for (int s = 1; s < d; s++) {
          for (int c = 0; c < w; c++) p[c] = vertex(a)[c] + s * (vertex(b)[c] - vertex(a)[c]) / d;
          const int id = vol.find(p);
          if (id < 0) tableFail("edge", k, d);
          t.edg[e].push_back(id);
        }
      }
    }
  }
}

const KindTables *tables(PavElementKind kind, int degree) {
  if (kind < 0 || kind >= PavKindCount || degree < 1 || degree > PAV_MAX_DEGREE) return nullptr;
  std::call_once(gTablesOnce, buildTables);
  return &gTables[kind][degree];
}

bool isVolumeKind(PavElementKind k) {
  return k == PavKindTetrahedron || k == PavKindPyramid || k == PavKindPrism ||
         k == PavKindHexahedron;
}

// Volume kind and degree of a stored volume type (7..10, 14..17, 21..24, 28..31).
bool storedVolume(int type, PavElementKind *kind, int *degree) {
  if (!pav_IsElementType(type)) return false;
  *kind = pav_ElementKind(type);
  *degree = pav_ElementDegree(type);
  return isVolumeKind(*kind);
}

inline void sortPair(int32_t &a, int32_t &b) {
  const int32_t lo = std::min(a, b), hi = std::max(a, b);
  a = lo;
  b = hi;
}

inline void sortSmall(int32_t *v, int n) {
  // Three or four values: a sorting network of conditional moves (face keys come in every
  // order, so compare-and-branch sorts mispredict about every other step).
  if (n == 3) {
    sortPair(v[0], v[1]);
    sortPair(v[1], v[2]);
    sortPair(v[0], v[1]);
  } else if (n == 4) {
    sortPair(v[0], v[1]);
    sortPair(v[2], v[3]);
    sortPair(v[0], v[2]);
    sortPair(v[1], v[3]);
    sortPair(v[1], v[2]);
  } else {
    for (int i = 1; i < n; i++) {
      const int32_t x = v[i];
      int j = i - 1;
      while (j >= 0 && v[j] > x) {
        v[j + 1] = v[j];
        j--;
      }
      v[j + 1] = x;
    }
  }
}
inline bool validNodes(const int32_t *nod, int n, int32_t nbrVer) {
  // One unsigned comparison per node (0 and negative numbers wrap above the range), no branch.
  bool ok = true;
  for (int k = 0; k < n; k++)
    ok &= static_cast<uint32_t>(nod[k]) - 1u < static_cast<uint32_t>(nbrVer);
  return ok;
}

} // namespace

int pav_KindNbrFaces(PavElementKind kind) {
  const P1Faces *f = p1Faces(kind);
  return f ? f->nbr : 0;
}

int pav_KindNbrEdges(PavElementKind kind) {
  const P1Edges *e = p1Edges(kind);
  return e ? e->nbr : 0;
}

const int *pav_LocalFace(PavElementKind kind, int degree, int f, int *nbrNod) {
  if (nbrNod) *nbrNod = 0;
  const KindTables *t = tables(kind, degree);
  if (!t || f < 0 || f >= t->nbrFac) return nullptr;
  if (nbrNod) *nbrNod = t->facSiz[f];
  return t->fac[f].data();
}

const int *pav_LocalEdge(PavElementKind kind, int degree, int e, int *nbrNod) {
  if (nbrNod) *nbrNod = 0;
  const KindTables *t = tables(kind, degree);
  if (!t || e < 0 || e >= t->nbrEdg) return nullptr;
  if (nbrNod) *nbrNod = static_cast<int>(t->edg[e].size());
  return t->edg[e].data();
}

// ---- Faces and edges of entities ----

namespace {

// The index array of element i of a type, or null when the array is missing or i out of range.
const int32_t *elementNodes(const PavObject *obj, int type, int i) {
  const PavEntitySet &es = obj->ent[type];
  if (!es.idx || i < 1 || i > es.nbr) return nullptr;
  const int64_t siz = pav_KindNbrNod(pav_ElementKind(type), pav_ElementDegree(type));
  return es.idx + static_cast<int64_t>(i) * siz;
}

// The checks every face query makes: the object, a stored volume type (else "Type %d is not handled
// in <caller> ! "), and entity i in range. The entity's nodes with its kind and degree, or null
// (status holds the message of the first two failures; an index out of range fails silently).
const int32_t *volumeEntityNodes(const PavObject *obj, int type, int i, const char *caller,
                                 PavElementKind *kind, int *d, char *status) {
  if (!obj) {
    pav_SetStatus(status, PAV_MSG_NULL_OBJECT);
    return nullptr;
  }
  if (!storedVolume(type, kind, d)) {
    pav_SetStatus(status, "Type %d is not handled in %s ! \n", type, caller);
    return nullptr;
  }
  return elementNodes(obj, type, i);
}

} // namespace

int GetEntityFaces(const PavObject *obj, int i, int type, int *nbrFac, int *facSiz, int *facNod,
                   char *status) {
  if (nbrFac) *nbrFac = 0;
  PavElementKind kind;
  int d;
  const int32_t *nod = volumeEntityNodes(obj, type, i, "GetEntityFaces", &kind, &d, status);
  if (!nod) return PAV_FAILURE;
  const KindTables *t = tables(kind, d);
  for (int f = 0; f < t->nbrFac; f++) {
    if (facSiz) facSiz[f] = t->facSiz[f];
    if (facNod)
      for (int m = 0; m < t->facSiz[f]; m++) facNod[f * PAV_FACE_SLOTS + m] = nod[t->fac[f][m]];
  }
  if (nbrFac) *nbrFac = t->nbrFac;
  return PAV_SUCCESS;
}

int GetEntityFaces(const PavObject *obj, int i, int type, int *nbrFac, int *facSiz,
                   int (*facVer)[4], char *status) {
  if (nbrFac) *nbrFac = 0;
  PavElementKind kind;
  int d;
  const int32_t *nod = volumeEntityNodes(obj, type, i, "GetEntityFaces", &kind, &d, status);
  if (!nod) return PAV_FAILURE;
  const P1Faces *f1 = p1Faces(kind);
  for (int f = 0; f < f1->nbr; f++) {
    if (facSiz) facSiz[f] = f1->siz[f];
    if (facVer)
      for (int m = 0; m < f1->siz[f]; m++) facVer[f][m] = nod[f1->ver[f][m]];
  }
  if (nbrFac) *nbrFac = f1->nbr;
  return PAV_SUCCESS;
}

int pav_GetIthEntityFace(const PavObject *obj, int i, int type, int f, int *nbrNod, int *nodes,
                         char *status) {
  if (nbrNod) *nbrNod = 0;
  PavElementKind kind;
  int d;
  const int32_t *nod = volumeEntityNodes(obj, type, i, "pav_GetIthEntityFace", &kind, &d, status);
  if (!nod) return PAV_FAILURE;
  const KindTables *t = tables(kind, d);
  if (f < 0 || f >= t->nbrFac) return PAV_FAILURE;
  for (int m = 0; m < t->facSiz[f]; m++)
    if (nodes) nodes[m] = nod[t->fac[f][m]];
  if (nbrNod) *nbrNod = t->facSiz[f];
  return PAV_SUCCESS;
}

int pav_GetEntityEdges(const PavObject *obj, int i, int type, int *nbrEdg, int *edgNod,
                       char *status) {
  if (nbrEdg) *nbrEdg = 0;
  if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
  const PavElementKind kind = pav_ElementKind(type);
  if (!pav_IsFaceOrVolumeType(type))
    return pav_Fail(status, "Type %d is not handled in pav_GetEntityEdges ! \n", type);
  const int32_t *nod = elementNodes(obj, type, i);
  if (!nod) return PAV_FAILURE;
  const KindTables *t = tables(kind, pav_ElementDegree(type));
  for (int e = 0; e < t->nbrEdg; e++)
    for (size_t m = 0; m < t->edg[e].size(); m++)
      if (edgNod) edgNod[e * PAV_EDGE_SLOTS + m] = nod[t->edg[e][m]];
  if (nbrEdg) *nbrEdg = t->nbrEdg;
  return PAV_SUCCESS;
}

int pav_GetIthEntityTypLocalId(int type, int f, int *nbrNod, int *localIds, char *status) {
  if (nbrNod) *nbrNod = 0;
  const PavElementKind kind = pav_ElementKind(type);
  if (type < Tetrahedra || type > PAV_MAX_SIZED_TYPE || !isVolumeKind(kind))
    return pav_Fail(status, "Type %d is not handled in pav_GetIthEntityTypLocalId ! \n", type);
  const KindTables *t = tables(kind, pav_ElementDegree(type));
  if (!t || f < 0 || f >= t->nbrFac) return PAV_FAILURE;
  if (localIds) memcpy(localIds, t->fac[f].data(), sizeof(int) * t->facSiz[f]);
  if (nbrNod) *nbrNod = t->facSiz[f];
  return PAV_SUCCESS;
}

int32_t pav_CountInvalidEntities(const PavObject *obj, int type) {
  if (!obj || !pav_IsElementType(type)) return 0;
  const PavEntitySet &es = obj->ent[type];
  if (!es.idx || es.nbr < 1) return 0;
  const int64_t siz = pav_KindNbrNod(pav_ElementKind(type), pav_ElementDegree(type));
  const int32_t nbrVer = obj->ent[Vertices].nbr;
  int32_t bad = 0;
  for (int32_t i = 1; i <= es.nbr; i++)
    bad += !validNodes(es.idx + i * siz, static_cast<int>(siz), nbrVer);
  return bad;
}

// ---- Boundary surface ----

namespace {

struct Extraction {
  PavObject *obj;
  int volType;
  PavElementKind kind;
  int degree;
  int triType, quaType;
  int32_t nbrVer;
  std::vector<int> triNod, quaNod, triLnk, quaLnk;
  int nbrTri = 0, nbrQua = 0;
};

// The volume types sharing the surface types of a degree.
int volumeTypesOfDegree(int d, int types[4]) {
  types[0] = pav_ElementType(PavKindTetrahedron, d);
  types[1] = pav_ElementType(PavKindPyramid, d);
  types[2] = pav_ElementType(PavKindPrism, d);
  types[3] = pav_ElementType(PavKindHexahedron, d);
  return 4;
}

void appendNewFace(Extraction &x, int32_t i, int f) {
  const KindTables *t = tables(x.kind, x.degree);
  const int64_t siz = pav_KindNbrNod(x.kind, x.degree);
  const int32_t *nod = x.obj->ent[x.volType].idx + i * siz;
  const bool tri = t->facSiz[f] == pav_KindNbrNod(PavKindTriangle, x.degree);
  std::vector<int> &out = tri ? x.triNod : x.quaNod;
  for (int m = 0; m < t->facSiz[f]; m++) out.push_back(nod[t->fac[f][m]]);
  std::vector<int> &lnk = tri ? x.triLnk : x.quaLnk;
  lnk.push_back(x.volType);
  lnk.push_back(i);
  lnk.push_back(f);
  (tri ? x.nbrTri : x.nbrQua)++;
}

[[noreturn]] void orderingFail() { pav_Fatal("Warning: ordering of the face not found \n"); }

// Writes the link of existing surface element e (n = 3 or 4 vertices) to face f of element i.
void writeLink(Extraction &x, int n, int32_t e, int32_t i, int f, int *triLnk, int *quaLnk) {
  int *lnk = n == 3 ? triLnk : quaLnk;
  if (!lnk) return;
  const int surfType = n == 3 ? x.triType : x.quaType;
  const int64_t ssiz = pav_KindNbrNod(n == 3 ? PavKindTriangle : PavKindQuadrilateral, x.degree);
  const int32_t *sur = x.obj->ent[surfType].idx + e * ssiz;
  const int64_t vsiz = pav_KindNbrNod(x.kind, x.degree);
  const int32_t *vol = x.obj->ent[x.volType].idx + i * vsiz;
  const P1Faces *f1 = p1Faces(x.kind);
  int pos[4];
  for (int m = 0; m < n; m++) {
    pos[m] = -1;
    for (int q = 0; q < n; q++)
      if (sur[q] == vol[f1->ver[f][m]]) pos[m] = q;
    if (pos[m] < 0) orderingFail();
  }
  int *l = lnk + 6 * static_cast<int64_t>(e);
  l[0] = x.volType;
  l[1] = i;
  l[2] = f;
  if (n == 3) {
    l[3] = pos[0];
    l[4] = pos[1];
    l[5] = pos[2];
  } else {
    const int k = pos[0];
    if (pos[1] == (k + 1) % 4) {
      l[3] = 0;
      l[4] = 1;
    } else if (pos[1] == (k + 3) % 4) {
      l[3] = 1;
      l[4] = 0;
    } else {
      orderingFail();
    }
    l[5] = k;
  }
}

int finish(Extraction &x, int *nbrNewTri, int **newTriNod, int **newTriLnk, int *nodPerTri,
           int *nbrNewQua, int **newQuaNod, int **newQuaLnk, int *nodPerQua, char *status) {
  if (x.nbrTri || x.nbrQua) {
    printf("  Creation of");
    if (x.nbrTri) printf(" %d new surface triangles", x.nbrTri);
    if (x.nbrTri && x.nbrQua) printf(" and");
    if (x.nbrQua) printf(" %d new surface quadrilaterals", x.nbrQua);
    printf(" from the volume mesh\n");
  }
  if (x.triLnk.size() != 3 * static_cast<size_t>(x.nbrTri))
    printf("error with triangular faces link array\n");
  if (x.quaLnk.size() != 3 * static_cast<size_t>(x.nbrQua))
    printf("error with quadrilateral faces link array\n");
  auto copy = [&](const std::vector<int> &v, int **out) -> bool {
    if (!out) return true;
    *out = nullptr;
    if (v.empty()) return true;
    *out = static_cast<int *>(malloc(sizeof(int) * v.size()));
    if (!*out) return false;
    memcpy(*out, v.data(), sizeof(int) * v.size());
    return true;
  };
  if (!copy(x.triNod, newTriNod) || !copy(x.triLnk, newTriLnk) || !copy(x.quaNod, newQuaNod) ||
      !copy(x.quaLnk, newQuaLnk)) {
    for (int **p : {newTriNod, newTriLnk, newQuaNod, newQuaLnk})
      if (p) {
        free(*p);
        *p = nullptr;
      }
    return pav_Fail(status, "Allocation failed for boundary-arrays, size %lg Mb\n",
                    pav_BytesToMb(sizeof(int) * (x.triNod.size() + x.quaNod.size())));
  }
  if (nbrNewTri) *nbrNewTri = x.nbrTri;
  if (nbrNewQua) *nbrNewQua = x.nbrQua;
  if (nodPerTri) *nodPerTri = x.nbrTri ? static_cast<int>(x.triNod.size() / x.nbrTri) : 0;
  if (nodPerQua) *nodPerQua = x.nbrQua ? static_cast<int>(x.quaNod.size() / x.nbrQua) : 0;
  return PAV_SUCCESS;
}

// Faces counted instead of cancelled: key (sorted vertices, count, 4 surface nodes).
int nonConformal(Extraction &x, int *triLnk, int *quaLnk) {
  PavObject *obj = x.obj;
  int types[4];
  volumeTypesOfDegree(x.degree, types);
  int64_t total = 0;
  for (int t : types) total += pav_Count(obj, t);
  PavHashTable *tab = pav_NewHashTable(6 * total + 1, 4 * total + 1);
  if (!tab) return PAV_FAILURE;
  int32_t key[9] = {};
  for (int t : types) {
    const PavEntitySet &es = obj->ent[t];
    if (es.nbr < 1 || !es.idx) continue;
    const P1Faces *f1 = p1Faces(pav_ElementKind(t));
    const int64_t siz = pav_KindNbrNod(pav_ElementKind(t), x.degree);
    for (int32_t i = 1; i <= es.nbr; i++) {
      const int32_t *nod = es.idx + i * siz;
      if (!validNodes(nod, static_cast<int>(siz), x.nbrVer)) continue;
      for (int f = 0; f < f1->nbr; f++) {
        const int n = f1->siz[f];
        for (int m = 0; m < n; m++) key[m] = nod[f1->ver[f][m]];
        sortSmall(key, n);
        if (PavHashNode *h = pav_HashFind(tab, n, n, key)) {
          h->key[n]++;
        } else {
          key[n] = 1;
          pav_HashAdd(tab, n, n + 5, n, key);
        }
      }
    }
  }
  for (int n = 3; n <= 4; n++) {
    const int st = n == 3 ? x.triType : x.quaType;
    const PavEntitySet &ss = obj->ent[st];
    if (ss.nbr < 1 || !ss.idx) continue;
    const int64_t ssiz = pav_KindNbrNod(n == 3 ? PavKindTriangle : PavKindQuadrilateral, x.degree);
    for (int32_t e = 1; e <= ss.nbr; e++) {
      const int32_t *sur = ss.idx + e * ssiz;
      for (int m = 0; m < n; m++) key[m] = sur[m];
      sortSmall(key, n);
      if (PavHashNode *h = pav_HashFind(tab, n, n, key)) {
        h->key[n] = -e;
        for (int m = 0; m < 4; m++) h->key[n + 1 + m] = m < n ? sur[m] : 0;
      }
    }
  }
  const PavEntitySet &es = obj->ent[x.volType];
  const P1Faces *f1 = p1Faces(x.kind);
  const int64_t siz = pav_KindNbrNod(x.kind, x.degree);
  for (int32_t i = 1; i <= es.nbr; i++) {
    const int32_t *nod = es.idx + i * siz;
    if (!validNodes(nod, static_cast<int>(siz), x.nbrVer)) continue;
    for (int f = 0; f < f1->nbr; f++) {
      const int n = f1->siz[f];
      for (int m = 0; m < n; m++) key[m] = nod[f1->ver[f][m]];
      sortSmall(key, n);
      PavHashNode *h = pav_HashFind(tab, n, n, key);
      if (!h) continue;
      if (h->key[n] == 1)
        appendNewFace(x, i, f);
      else if (h->key[n] < 0)
        writeLink(x, n, -h->key[n], i, f, triLnk, quaLnk);
    }
  }
  pav_FreeHashTable(tab);
  return PAV_SUCCESS;
}

struct Survivor {
  int32_t a;
  int32_t v[3];
  int32_t elem;
  int32_t code;
  int32_t mark; // 1: new face, -e: covered by existing surface element e
};

// The volume elements of every kind of one degree, numbered in one sequence from 0 in generation
// order (kind by kind, then element by element): element g is element g - first[ti] + 1 of kind ti.
struct VolumeSequence {
  int32_t nbrVer = 0;
  const int32_t *idx[4] = {};
  int64_t siz[4] = {};
  const P1Faces *faces[4] = {};
  int64_t first[5] = {};
};

VolumeSequence volumeSequence(const Extraction &x, const int types[4]) {
  VolumeSequence s;
  s.nbrVer = x.nbrVer;
  for (int ti = 0; ti < 4; ti++) {
    const PavEntitySet &vs = x.obj->ent[types[ti]];
    const PavElementKind k = pav_ElementKind(types[ti]);
    const bool some = vs.nbr > 0 && vs.idx;
    s.idx[ti] = some ? vs.idx : nullptr;
    s.siz[ti] = pav_KindNbrNod(k, x.degree);
    s.faces[ti] = p1Faces(k);
    s.first[ti + 1] = s.first[ti] + (some ? vs.nbr : 0);
  }
  return s;
}

// Calls file(a, g, note) once for each distinct smallest vertex a among the faces of every element
// g whose nodes all lie in 1..number of vertices. For a tetrahedron, note says which faces start
// at a: kFirst plus the local number of its smallest vertex (the first of equal ones) when a is
// that vertex (the three faces that keep it), the local number alone when a is the second
// smallest (the face opposite the smallest). Other kinds note 0. Only elements g0 <= g < g1 are
// visited.
constexpr int kFirst = 4;
constexpr int kNoteBits = 3;

template <class File>
void forEachFaceMinimum(const VolumeSequence &s, int64_t g0, int64_t g1, File file) {
  for (int ti = 0; ti < 4; ti++) {
    if (!s.idx[ti]) continue;
    const int64_t siz = s.siz[ti];
    const int64_t i0 = std::max(g0, s.first[ti]) - s.first[ti] + 1;
    const int64_t i1 = std::min(g1, s.first[ti + 1]) - s.first[ti];
    const P1Faces *f1 = s.faces[ti];
    const bool tet = f1 == &kTetFaces;
    for (int64_t i = i0; i <= i1; i++) {
      const int32_t *nod = s.idx[ti] + i * siz;
      if (!validNodes(nod, static_cast<int>(siz), s.nbrVer)) continue;
      const int64_t g = s.first[ti] + i - 1;
      if (tet) {
        int p = 0;
        int32_t m0 = nod[0];
        for (int q = 1; q < 4; q++) {
          const bool lower = nod[q] < m0;
          p = lower ? q : p;
          m0 = lower ? nod[q] : m0;
        }
        const int32_t lo01 = std::min(nod[0], nod[1]), hi01 = std::max(nod[0], nod[1]);
        const int32_t lo23 = std::min(nod[2], nod[3]), hi23 = std::max(nod[2], nod[3]);
        const int32_t m1 = std::min(std::max(lo01, lo23), std::min(hi01, hi23));
        file(m0, g, kFirst | p);
        if (m1 != m0) file(m1, g, p);
        continue;
      }
      int32_t seen[PAV_MAX_FACES];
      int nbrSeen = 0;
      for (int f = 0; f < f1->nbr; f++) {
        int32_t m = nod[f1->ver[f][0]];
        for (int q = 1; q < f1->siz[f]; q++) m = std::min(m, nod[f1->ver[f][q]]);
        if (std::find(seen, seen + nbrSeen, m) != seen + nbrSeen) continue;
        seen[nbrSeen++] = m;
        file(m, g, 0);
      }
    }
  }
}

inline void sortKey(uint64_t &p, uint64_t &q) {
  const uint64_t lo = std::min(p, q), hi = std::max(p, q);
  p = lo;
  q = hi;
}

inline uint64_t packPair(int32_t hi, int32_t lo) {
  return static_cast<uint64_t>(static_cast<uint32_t>(hi)) << 32 | static_cast<uint32_t>(lo);
}

// The faces that start at one vertex a, met an odd number of times. Each face is toggled in a
// small open-addressing table reused from vertex to vertex (a slot is live while its stamp is the
// current vertex, so nothing is cleared between vertices); a slot is written whether the face is
// new or met again, without a branch on which, since about half the faces are each. Faces come in
// generation order, so the occurrence a slot keeps is the last. The hot loop works on a cursor, a
// plain value the compiler keeps in registers; the table's storage is held apart and grows when
// a vertex has many faces.
constexpr uint64_t kOdd = uint64_t(1) << 63;

struct RowSlot {
  uint64_t bc;  // second and third vertices
  uint64_t gen; // last occurrence (kind << 34 | element << 3 | face), kOdd when met oddly often
  int32_t d;    // fourth vertex of a quadrilateral, else 0
  int32_t stamp;
};

class RowTable;

struct RowCursor {
  RowTable *table;
  RowSlot *slot;
  uint32_t *used; // slots taken by the current vertex
  size_t mask, nbrUsed;
  int64_t nbrOdd;
  int32_t a;

  static size_t home(uint64_t bc, int32_t d, size_t mask) {
    const uint64_t hash =
        (bc ^ static_cast<uint64_t>(static_cast<uint32_t>(d)) << 16) * 0x9E3779B97F4A7C15ull;
    return (hash >> 40) & mask;
  }
  inline void toggle(uint64_t bc, int32_t d, uint64_t gen);
  // Appends the faces met oddly often, sorted by their vertices.
  void take(std::vector<Survivor> &out) const {
    if (!nbrOdd) return; // the usual case inside a mesh
    const size_t from = out.size();
    for (size_t u = 0; u < nbrUsed; u++) {
      const RowSlot &s = slot[used[u]];
      if (!(s.gen & kOdd)) continue;
      const int32_t ti = static_cast<int32_t>(s.gen >> 34 & 3);
      out.push_back({a,
                     {static_cast<int32_t>(s.bc >> 32), static_cast<int32_t>(s.bc), s.d},
                     static_cast<int32_t>(s.gen >> 3 & 0x7fffffff),
                     8 * ti + static_cast<int32_t>(s.gen & 7),
                     1});
    }
    std::sort(out.begin() + from, out.end(), [](const Survivor &p, const Survivor &q) {
      if (p.v[0] != q.v[0]) return p.v[0] < q.v[0];
      if (p.v[1] != q.v[1]) return p.v[1] < q.v[1];
      return p.v[2] < q.v[2];
    });
  }
};

class RowTable {
public:
  RowCursor start(int32_t a) {
    if (slot_.empty()) resize(256);
    return {this, slot_.data(), used_.data(), slot_.size() - 1, 0, 0, a};
  }
  // The cursor c on a table of twice the size, holding the same faces (at most half full after).
  RowCursor grown(RowCursor c) {
    std::vector<RowSlot> live(c.nbrUsed);
    for (size_t u = 0; u < c.nbrUsed; u++) live[u] = c.slot[c.used[u]];
    resize(2 * slot_.size());
    c.slot = slot_.data();
    c.used = used_.data();
    c.mask = slot_.size() - 1;
    for (size_t u = 0; u < c.nbrUsed; u++) {
      size_t h = RowCursor::home(live[u].bc, live[u].d, c.mask);
      while (c.slot[h].stamp) h = (h + 1) & c.mask;
      c.slot[h] = live[u];
      c.used[u] = static_cast<uint32_t>(h);
    }
    return c;
  }

private:
  void resize(size_t cap) {
    if (cap > UINT32_MAX) throw std::bad_alloc();
    slot_.assign(cap, RowSlot{0, 0, 0, 0});
    used_.resize(cap);
  }
  std::vector<RowSlot> slot_;
  std::vector<uint32_t> used_;
};

void RowCursor::toggle(uint64_t bc, int32_t d, uint64_t gen) {
  size_t h = home(bc, d, mask);
  for (;;) {
    RowSlot &s = slot[h];
    const bool live = s.stamp == a;
    const bool same = s.bc == bc && s.d == d;
    if (live && !same) {
      h = (h + 1) & mask;
      continue;
    }
    used[nbrUsed] = static_cast<uint32_t>(h);
    nbrUsed += !live;
    const uint64_t odd = live ? (~s.gen & kOdd) : kOdd;
    nbrOdd += odd ? 1 : -1;
    s = {bc, gen | odd, d, a};
    break;
  }
  if (2 * nbrUsed > mask) *this = table->grown(*this);
}

// Runs work(0), ..., work(n - 1): work(0) on the calling thread, the others on threads of their
// own (on the calling thread too, after work(0), when a thread cannot start). Throws bad_alloc
// when one of them ran out of memory.
template <class Work> void runSplit(int n, Work work) {
  std::atomic<bool> failed{false};
  auto guarded = [&](int t) {
    try {
      work(t);
    } catch (...) {
      failed = true;
    }
  };
  std::vector<std::thread> threads;
  threads.reserve(static_cast<size_t>(n));
  int started = 1;
  try {
    for (; started < n; started++) threads.emplace_back(guarded, started);
  } catch (...) { // the work of threads that did not start is done below
  }
  guarded(0);
  for (int t = started; t < n; t++) guarded(t);
  for (std::thread &th : threads) th.join();
  if (failed) throw std::bad_alloc();
}

// The faces that start at vertices from <= a < to, appended to out in the order of a. end[a] is
// the end of vertex a's row in rec, which starts at end[a - 1].
template <class Rec>
void matchRows(const VolumeSequence &s, const int64_t *end, const Rec *rec, int32_t from,
               int32_t to, std::vector<Survivor> &out) {
  static const int kOthers[4][3] = {{1, 2, 3}, {0, 2, 3}, {0, 1, 3}, {0, 1, 2}};
  constexpr int64_t kAhead = 16;
  const int64_t last = end[to - 1];
  RowTable table;
  for (int32_t a = from; a < to; a++) {
    RowCursor tab = table.start(a);
    for (int64_t r = end[a - 1]; r < end[a]; r++) {
      if (r + kAhead < last) {
        // A row's elements may lie anywhere in the index arrays: fetch ahead.
        const int64_t h = static_cast<int64_t>(rec[r + kAhead] >> kNoteBits);
        int th = 0;
        while (h >= s.first[th + 1]) th++;
        __builtin_prefetch(s.idx[th] + (h - s.first[th] + 1) * s.siz[th]);
      }
      const int64_t g = static_cast<int64_t>(rec[r] >> kNoteBits);
      const int note = static_cast<int>(rec[r] & ((1 << kNoteBits) - 1));
      int ti = 0;
      while (g >= s.first[ti + 1]) ti++;
      const int64_t i = g - s.first[ti] + 1;
      const int32_t *nod = s.idx[ti] + i * s.siz[ti];
      const uint64_t gen0 = static_cast<uint64_t>(ti) << 34 | static_cast<uint64_t>(i) << 3;
      const P1Faces *f1 = s.faces[ti];
      if (f1 == &kTetFaces) {
        // Face f of a tetrahedron holds the three vertices other than f. The vertices other than
        // the smallest one, p, are sorted with their local numbers by conditional moves; when a
        // is at p, the faces that start at a drop one of them, else only the face dropping p
        // does. Faces of one element must come in local order when two of them are equal, which
        // needs two equal vertices: that rare case goes by the general loop below.
        const int p = note & 3;
        const int *o = kOthers[p];
        uint64_t k[3];
        for (int q = 0; q < 3; q++)
          k[q] = static_cast<uint64_t>(static_cast<uint32_t>(nod[o[q]])) << 2 |
                 static_cast<uint64_t>(o[q]);
        sortKey(k[0], k[1]);
        sortKey(k[1], k[2]);
        sortKey(k[0], k[1]);
        const uint64_t w0 = k[0] >> 2, w1 = k[1] >> 2, w2 = k[2] >> 2;
        if (w0 != static_cast<uint64_t>(static_cast<uint32_t>(nod[p])) && w0 != w1 && w1 != w2) {
          if (note & kFirst) {
            tab.toggle(w1 << 32 | w2, 0, gen0 | (k[0] & 3));
            tab.toggle(w0 << 32 | w2, 0, gen0 | (k[1] & 3));
            tab.toggle(w0 << 32 | w1, 0, gen0 | (k[2] & 3));
          } else {
            tab.toggle(w1 << 32 | w2, 0, gen0 | static_cast<uint64_t>(p));
          }
          continue;
        }
      }
      int32_t key[4];
      for (int f = 0; f < f1->nbr; f++) {
        const int n = f1->siz[f];
        for (int m = 0; m < n; m++) key[m] = nod[f1->ver[f][m]];
        sortSmall(key, n);
        if (key[0] == a)
          tab.toggle(packPair(key[1], key[2]), n == 4 ? key[3] : 0,
                     gen0 | static_cast<uint64_t>(f));
      }
    }
    tab.take(out);
  }
}

// The number of threads the extraction of a mesh of nbrElt volume elements uses: one per core, at
// most 4, on meshes large enough to pay for starting them (or as many as tests ask for).
int gBoundaryThreads = 0;
int boundaryThreads(int64_t nbrElt) {
  if (gBoundaryThreads > 0) return std::min(gBoundaryThreads, 64);
  if (nbrElt < 100000) return 1;
  return static_cast<int>(std::min(std::max(std::thread::hardware_concurrency(), 1u), 4u));
}

// Faces met an odd number of times, each with its last occurrence in generation order, sorted by
// (smallest vertex, other vertices). Every element is filed (as its sequence number, of type Rec)
// under each distinct smallest vertex of its faces, in compressed rows; then vertex by vertex, the
// faces of the row's elements that start at that vertex cancel in pairs. With several threads,
// thread t counts and files a contiguous range of elements, its cursors starting after those of
// threads before it in every row so that rows keep generation order; rows are then matched in
// contiguous ranges of vertices holding about as many records each, and the ranges' faces joined
// in vertex order. The result is the same whatever the number of threads.
template <class Rec> void oddFacesByMinimum(const VolumeSequence &s, std::vector<Survivor> &out) {
  const int nbrThr = boundaryThreads(s.first[4]);
  const size_t nbrRow = static_cast<size_t>(s.nbrVer) + 1;
  // cur[t][a]: the count, then the filing cursor, of thread t in vertex a's row. Once filed, the
  // last thread's cursors are the rows' ends.
  std::vector<std::vector<int64_t>> cur(static_cast<size_t>(nbrThr));
  for (std::vector<int64_t> &c : cur) c.assign(nbrRow, 0);
  auto elements = [&](int t, int64_t &g0, int64_t &g1) {
    g0 = s.first[4] * t / nbrThr;
    g1 = s.first[4] * (t + 1) / nbrThr;
  };
  runSplit(nbrThr, [&](int t) {
    int64_t g0, g1;
    elements(t, g0, g1);
    int64_t *cnt = cur[t].data();
    forEachFaceMinimum(s, g0, g1, [cnt](int32_t a, int64_t, int) { cnt[a]++; });
  });
  int64_t sum = 0;
  for (size_t a = 1; a < nbrRow; a++)
    for (std::vector<int64_t> &c : cur) {
      const int64_t n = c[a];
      c[a] = sum;
      sum += n;
    }
  std::unique_ptr<Rec[]> rec(new Rec[static_cast<size_t>(sum)]); // every entry is written below
  runSplit(nbrThr, [&](int t) {
    int64_t g0, g1;
    elements(t, g0, g1);
    int64_t *at = cur[t].data();
    Rec *r = rec.get();
    forEachFaceMinimum(s, g0, g1, [at, r](int32_t a, int64_t g, int note) {
      r[at[a]++] = static_cast<Rec>(g) << kNoteBits | static_cast<Rec>(note);
    });
  });
  std::vector<int64_t> end = std::move(cur.back());
  std::vector<std::vector<int64_t>>().swap(cur);

  // Thread t matches the rows of vertices lim[t] <= a < lim[t + 1].
  std::vector<int32_t> lim(static_cast<size_t>(nbrThr) + 1);
  lim[0] = 1;
  lim[nbrThr] = s.nbrVer + 1;
  for (int t = 1; t < nbrThr; t++) {
    const int64_t share = sum * t / nbrThr;
    lim[t] = static_cast<int32_t>(std::lower_bound(end.begin() + lim[t - 1], end.end(), share) -
                                  end.begin());
    lim[t] = std::min(lim[t], s.nbrVer + 1);
  }
  std::vector<std::vector<Survivor>> part(static_cast<size_t>(nbrThr));
  runSplit(nbrThr, [&](int t) {
    matchRows(s, end.data(), rec.get(), lim[t], lim[t + 1], t ? part[t] : out);
  });
  size_t nbrOut = out.size();
  for (const std::vector<Survivor> &p : part) nbrOut += p.size();
  out.reserve(nbrOut);
  for (const std::vector<Survivor> &p : part) out.insert(out.end(), p.begin(), p.end());
}

// Faces met an odd number of times over every volume kind of the degree, with their last
// occurrence, sorted by (smallest vertex, other vertices). False when memory runs out.
bool oddFaces(const Extraction &x, const int types[4], std::vector<Survivor> &out) {
  const VolumeSequence s = volumeSequence(x, types);
  try {
    if (s.first[4] <= static_cast<int64_t>(UINT32_MAX >> kNoteBits))
      oddFacesByMinimum<uint32_t>(s, out);
    else
      oddFacesByMinimum<uint64_t>(s, out);
  } catch (const std::bad_alloc &) {
    return false;
  }
  return true;
}

inline bool survivorLess(const Survivor &s, const int32_t k[4]) {
  if (s.a != k[0]) return s.a < k[0];
  if (s.v[0] != k[1]) return s.v[0] < k[1];
  if (s.v[1] != k[2]) return s.v[1] < k[2];
  return s.v[2] < k[3];
}

} // namespace

void pav_BoundarySetThreadsForTests(int nbrThreads) { gBoundaryThreads = nbrThreads; }

int pav_BuildBoundarySurface(PavObject *obj, int volType, int *nbrNewTri, int **newTriNod,
                             int **newTriLnk, int *triLnk, int *nodPerTri, int *nbrNewQua,
                             int **newQuaNod, int **newQuaLnk, int *quaLnk, int *nodPerQua,
                             char *status) {
  for (int *p : {nbrNewTri, nodPerTri, nbrNewQua, nodPerQua})
    if (p) *p = 0;
  for (int **p : {newTriNod, newTriLnk, newQuaNod, newQuaLnk})
    if (p) *p = nullptr;
  if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
  Extraction x;
  x.obj = obj;
  x.volType = volType;
  if (!storedVolume(volType, &x.kind, &x.degree) || x.degree > 4) return PAV_SUCCESS;
  const PavEntitySet &es = obj->ent[volType];
  if (es.nbr < 1 || !es.idx) return PAV_SUCCESS;
  x.triType = pav_ElementType(PavKindTriangle, x.degree);
  x.quaType = pav_ElementType(PavKindQuadrilateral, x.degree);
  x.nbrVer = obj->ent[Vertices].nbr;

  int types[4];
  volumeTypesOfDegree(x.degree, types);
  int64_t total = 0;
  for (int t : types) total += pav_Count(obj, t);

  // Faces of every volume kind of the degree cancel in pairs: in a hybrid mesh a triangle
  // between a tetrahedron and a pyramid is interior although each kind meets it once.
  std::vector<Survivor> odd;
  if (!oddFaces(x, types, odd))
    return pav_Fail(status, "Allocation failed for hash-arrays, size %lg Mb\n",
                    pav_BytesToMb(static_cast<size_t>(total) * 6 * sizeof(Survivor)));

  // Existing surface elements mark the face they cover; one that covers no boundary face means
  // the surface holds internal interfaces.
  for (int n = 3; n <= 4; n++) {
    const int st = n == 3 ? x.triType : x.quaType;
    const PavEntitySet &ss = obj->ent[st];
    if (ss.nbr < 1 || !ss.idx) continue;
    const int64_t ssiz = pav_KindNbrNod(n == 3 ? PavKindTriangle : PavKindQuadrilateral, x.degree);
    int32_t key[4];
    for (int32_t e = 1; e <= ss.nbr; e++) {
      const int32_t *sur = ss.idx + e * ssiz;
      for (int m = 0; m < n; m++) key[m] = sur[m];
      sortSmall(key, n);
      if (n == 3) key[3] = 0;
      auto it = std::lower_bound(odd.begin(), odd.end(), key, survivorLess);
      if (it == odd.end() || it->a != key[0] || it->v[0] != key[1] || it->v[1] != key[2] ||
          it->v[2] != key[3]) {
        printf("  Non Conformal reconstruction is used\n");
        std::vector<Survivor>().swap(odd);
        const int rc = nonConformal(x, triLnk, quaLnk);
        if (rc != PAV_SUCCESS)
          return pav_Fail(status, "Allocation failed for hash-arrays, size %lg Mb\n",
                          pav_BytesToMb(static_cast<size_t>(total) * 6 * sizeof(void *)));
        return finish(x, nbrNewTri, newTriNod, newTriLnk, nodPerTri, nbrNewQua, newQuaNod,
                      newQuaLnk, nodPerQua, status);
      }
      it->mark = -e;
    }
  }

  // Faces come out in the order callers have always seen: by the bucket a chained hash table of
  // 6 * total buckets files them in (4 * smallest vertex + the others), newest first within one.
  int64_t nbrBuckets = 1;
  while (nbrBuckets * 2 <= 6 * total && nbrBuckets < (int64_t(1) << 30)) nbrBuckets *= 2;
  const uint32_t mask = static_cast<uint32_t>(nbrBuckets - 1);
  int ti = 0;
  while (types[ti] != volType) ti++;
  auto bucketOf = [mask](const Survivor &s) {
    return (4u * static_cast<uint32_t>(s.a) + static_cast<uint32_t>(s.v[0]) +
            static_cast<uint32_t>(s.v[1]) + static_cast<uint32_t>(s.v[2])) &
           mask;
  };
  std::vector<Survivor> mine;
  try {
    for (const Survivor &s : odd)
      if (s.code >> 3 == ti) mine.push_back(s);
  } catch (const std::bad_alloc &) {
    return pav_Fail(status, "Allocation failed for boundary-arrays, size %lg Mb\n",
                    pav_BytesToMb(sizeof(Survivor) * odd.size()));
  }
  std::vector<Survivor>().swap(odd);
  std::sort(mine.begin(), mine.end(), [&](const Survivor &p, const Survivor &q) {
    const uint32_t bp = bucketOf(p), bq = bucketOf(q);
    if (bp != bq) return bp < bq;
    if (p.elem != q.elem) return p.elem > q.elem;
    return (p.code & 7) > (q.code & 7);
  });
  for (const Survivor &s : mine) {
    if (s.mark > 0)
      appendNewFace(x, s.elem, s.code & 7);
    else
      writeLink(x, s.v[2] ? 4 : 3, -s.mark, s.elem, s.code & 7, triLnk, quaLnk);
  }
  return finish(x, nbrNewTri, newTriNod, newTriLnk, nodPerTri, nbrNewQua, newQuaNod, newQuaLnk,
                nodPerQua, status);
}

// ---- Volume to surface solutions ----

namespace {

struct Transfer {
  PavElementKind volKind;
  int volEntTyp; // code of the volume kind at the field degree (7..74)
  int nbrNodVol;
  int nbrNodFac;
  bool tri;
};

bool setUpTransfer(const char *fn, int deg, int volSolTyp, int surfType, Transfer *t) {
  if (deg < 0 || deg > PAV_MAX_DEGREE) {
    printf("wrong degree in input\n");
    return false;
  }
  if (volSolTyp < PAV_FIRST_ELEMENT_SOLTYP || volSolTyp > PAV_LAST_ELEMENT_SOLTYP) return false;
  t->volKind = static_cast<PavElementKind>((volSolTyp - PAV_FIRST_ELEMENT_SOLTYP) % 7);
  if (!isVolumeKind(t->volKind)) return false;
  const PavElementKind sk = pav_ElementKind(surfType);
  if (sk != PavKindTriangle && sk != PavKindQuadrilateral) return false;
  t->tri = sk == PavKindTriangle;
  t->nbrNodVol = pav_KindNbrNod(t->volKind, deg);
  t->nbrNodFac = pav_KindNbrNod(sk, deg);
  t->volEntTyp = deg > 0 ? pav_SolTyp2EntTyp(volSolTyp, deg) : 0;
  (void)fn;
  return true;
}

// Local ids of face f at the field degree (degree 0: the element's single value).
bool faceIds(const Transfer &t, int deg, int f, int *ids, int *n) {
  if (deg == 0) {
    ids[0] = 0;
    *n = 1;
    return f >= 0 && f < pav_KindNbrFaces(t.volKind);
  }
  return pav_GetIthEntityTypLocalId(t.volEntTyp, f, n, ids, nullptr) == PAV_SUCCESS;
}

double *allocValues(int64_t nbr, int64_t nodes, int sizSol) {
  return static_cast<double *>(
      calloc(static_cast<size_t>((nbr + 1) * nodes * sizSol), sizeof(double)));
}

} // namespace

double *pav_GetCreatedSurfaceSolutionFromVolumeSolution(int deg, int volSolTyp, const double *vol,
                                                        int sizSol, int surfType, int nbrNewFac,
                                                        const int *lnk, char *status) {
  Transfer t;
  if (!setUpTransfer("created", deg, volSolTyp, surfType, &t) || !vol || sizSol < 1 ||
      nbrNewFac < 0 || (nbrNewFac > 0 && !lnk)) {
    pav_SetStatus(status, "Invalid surface solution request\n");
    return nullptr;
  }
  double *out = allocValues(nbrNewFac, t.nbrNodFac, sizSol);
  if (!out) {
    pav_SetStatus(status, "Allocation failed for solution-arrays, size %lg Mb\n",
                  pav_BytesToMb(sizeof(double) * (nbrNewFac + 1) * t.nbrNodFac * sizSol));
    return nullptr;
  }
  int ids[128];
  for (int32_t k = 1; k <= nbrNewFac; k++) {
    const int *l = lnk + 3 * static_cast<int64_t>(k - 1);
    if (pav_ElementKind(l[0]) != t.volKind) continue;
    int n = 0;
    if (!faceIds(t, deg, l[2], ids, &n)) continue;
    if (deg > 0 && n != t.nbrNodFac) {
      fprintf(stderr,
              "pav_GetCreatedSurfaceSolutionFromVolumeSolution : incompatibility between surface "
              "(sizFac = %d) and volume entities (nbrNod = %d)\n",
              t.nbrNodFac, n);
      free(out);
      return nullptr;
    }
    const double *src = vol + static_cast<int64_t>(l[1]) * t.nbrNodVol * sizSol;
    double *dst = out + static_cast<int64_t>(k) * t.nbrNodFac * sizSol;
    for (int m = 0; m < t.nbrNodFac; m++)
      for (int c = 0; c < sizSol; c++) dst[m * sizSol + c] = src[ids[m] * sizSol + c];
  }
  return out;
}

double *pav_GetSurfaceSolutionFromVolumeSolution(int deg, int volSolTyp, const double *vol,
                                                 int sizSol, int surfType, int nbrSurf,
                                                 const int *lnk, double *out, int *nbrUnlinked,
                                                 char *status) {
  if (nbrUnlinked) *nbrUnlinked = 0;
  Transfer t;
  if (!setUpTransfer("existing", deg, volSolTyp, surfType, &t) || !vol || sizSol < 1 ||
      nbrSurf < 0 || (nbrSurf > 0 && !lnk)) {
    pav_SetStatus(status, "Invalid surface solution request\n");
    return nullptr;
  }
  if (!out) out = allocValues(nbrSurf, t.nbrNodFac, sizSol);
  if (!out) {
    pav_SetStatus(status, "Allocation failed for solution-arrays, size %lg Mb\n",
                  pav_BytesToMb(sizeof(double) * (nbrSurf + 1) * t.nbrNodFac * sizSol));
    return nullptr;
  }
  // Target node of each face node, per orientation: face lattice point -> surface lattice point.
  const HoKind sk = t.tri ? HoTriangle : HoQuadrilateral;
  const int *faceOrder = hoNodeOrder(sk, deg);
  const int *posToNode = hoPosToNode(sk, deg);
  int ids[128];
  int unlinked = 0;
  for (int32_t e = 1; e <= nbrSurf; e++) {
    const int *l = lnk + 6 * static_cast<int64_t>(e);
    if (l[0] == 0) {
      unlinked++;
      continue;
    }
    if (pav_ElementKind(l[0]) != t.volKind) continue;
    int n = 0;
    if (!faceIds(t, deg, l[2], ids, &n)) continue;
    if (deg > 0 && n != t.nbrNodFac) {
      fprintf(stderr,
              "pav_GetSurfaceSolutionFromVolumeSolution: incompatibility between surface and "
              "volume entities sizFac %d nbrNod %d because deg is %d\n",
              t.nbrNodFac, n, deg);
      if (!nbrUnlinked) free(out);
      return nullptr;
    }
    const double *src = vol + static_cast<int64_t>(l[1]) * t.nbrNodVol * sizSol;
    double *dst = out + static_cast<int64_t>(e) * t.nbrNodFac * sizSol;
    for (int m = 0; m < t.nbrNodFac; m++) {
      int target = 0;
      if (deg > 0) {
        if (t.tri) {
          const int *abc = faceOrder + 3 * m;
          int w[3];
          w[l[3]] = abc[0];
          w[l[4]] = abc[1];
          w[l[5]] = abc[2];
          target = posToNode[posTri(deg, w[0], w[1], w[2])];
        } else {
          // Face vertex q sits at quadrilateral vertex k + q (same direction) or k - q.
          static const int corner[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
          const int dir = l[3] == 0 ? 1 : 3;
          const int q0 = l[5], q1 = (l[5] + dir) % 4, q3 = (l[5] + 3 * dir) % 4;
          const int i = faceOrder[2 * m], j = faceOrder[2 * m + 1];
          int p[2];
          for (int c = 0; c < 2; c++)
            p[c] = deg * corner[q0][c] + i * (corner[q1][c] - corner[q0][c]) +
                   j * (corner[q3][c] - corner[q0][c]);
          target = posToNode[posQua(deg, p[0], p[1])];
        }
      }
      for (int c = 0; c < sizSol; c++) dst[target * sizSol + c] = src[ids[m] * sizSol + c];
    }
  }
  if (nbrUnlinked)
    *nbrUnlinked = unlinked;
  else if (unlinked)
    printf("\n  Warning: For %d surfaces, no volume found, values set to zero \n \n", unlinked);
  return out;
}
