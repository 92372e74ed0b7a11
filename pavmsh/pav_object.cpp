#include "pav_object.h"

#include "pav_solution.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>

namespace {

int checkObject(const PavObject *obj, char *status) {
  if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
  if (!status) return pav_Fail(status, PAV_MSG_NULL_STATUS);
  return PAV_SUCCESS;
}

void releaseEntitySet(PavEntitySet &set) {
  std::free(set.idx);
  std::free(set.ref);
  std::free(set.val);
  pav_FreeSolutionList(set.sol);
  pav_FreeSolutionList(set.jac);
  set = PavEntitySet{};
}

void releaseAll(PavObject *obj) {
  obj->dim = 0;
  for (PavEntitySet &set : obj->ent) releaseEntitySet(set);
  std::free(obj->crdFlt);
  std::free(obj->crdDbl);
  std::free(obj->nor);
  pav_FreeReferenceIndex(obj);
  pav_FreePolygonSet(obj->pol);
  pav_FreeMetricVertices(obj);
  *obj = PavObject{};
}

// Types in the order of the mesh summary.
constexpr int kSummaryOrder[] = {
    Vertices,         Corners,          Edges,       EdgesP2,      EdgesP3,        EdgesP4,
    Triangles,        TrianglesP2,      TrianglesP3, TrianglesP4,  Quadrilaterals, QuadrilateralsQ2,
    QuadrilateralsQ3, QuadrilateralsQ4, Tetrahedra,  TetrahedraP2, TetrahedraP3,   TetrahedraP4,
    Prisms,           PrismsP2,         PrismsP3,    PrismsP4,     Hexahedra,      HexahedraQ2,
    HexahedraQ3,      HexahedraQ4,      Pyramids,    PyramidsP2,   PyramidsP3,     PyramidsP4,
};

} // namespace

void pav_FreePolygonSet(PavPolygonSet *set) {
  if (!set) return;
  std::free(set->bndHdr);
  std::free(set->bndVer);
  std::free(set->innHdr);
  std::free(set->innVer);
  std::free(set->phdHdr);
  std::free(set->phdFac);
  std::free(set);
}

void pav_FreeMetricVertices(PavObject *obj) {
  if (!obj) return;
  std::free(obj->metVer);
  obj->metVer = nullptr;
  obj->nbrMetVer = 0;
}

// ---- Life cycle ----

int pav_NewInterface(PavObject **handle) {
  if (!handle) return PAV_FAILURE;
  *handle = static_cast<PavObject *>(std::calloc(1, sizeof(PavObject)));
  return *handle ? PAV_SUCCESS : PAV_FAILURE;
}

int pav_DeleteInterface(PavObject **handle) {
  if (!handle || !*handle) return PAV_FAILURE;
  releaseAll(*handle);
  std::free(*handle);
  *handle = nullptr;
  return PAV_SUCCESS;
}

int pav_ResetObject(PavObject *obj) {
  if (!obj) return 1;
  releaseAll(obj);
  return PAV_SUCCESS;
}

int pav_FreeSolutions(PavObject *obj) {
  if (!obj) return 1;
  for (PavEntitySet &set : obj->ent) {
    pav_FreeSolutionList(set.sol);
    set.sol = nullptr;
  }
  return PAV_SUCCESS;
}

// ---- Sizing arrays ----

std::size_t pav_ArrayBytes(int32_t count, int32_t perEntity, std::size_t itemSize) {
  if (count < 0 || perEntity < 1) return 0;
  // (INT32_MAX + 1) * 125 * 8 is about 2^41: far inside 64 bits.
  return (static_cast<std::size_t>(count) + 1) * static_cast<std::size_t>(perEntity) * itemSize;
}

double pav_BytesToMb(std::size_t bytes) { return double(bytes) * 9.5367431640625e-7; }

void pav_AdviseHugePages(void *mem, std::size_t bytes) {
  constexpr std::uintptr_t huge = std::uintptr_t(2) << 20;
  if (!mem || bytes < 2 * huge) return;
  const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(mem) + huge - 1) & ~(huge - 1);
  const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(mem) + bytes) & ~(huge - 1);
  // Refused where the system has no transparent huge pages: the memory then stays as it is.
  if (end > begin) (void)madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
}

void *pav_AllocBytes(std::size_t bytes, bool zero, const char *name, char *status) {
  // calloc of a large block maps fresh zero pages without touching them, so counts that promise
  // more than the file holds cost address space, not memory, until the reader fails.
  void *mem = zero ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
  if (!mem)
    pav_SetStatus(status, "Allocation failed for %s-arrays, size %lg Mb\n", name ? name : "",
                  pav_BytesToMb(bytes));
  else if (bytes >= (std::size_t(4) << 20))
    pav_AdviseHugePages(mem, bytes);
  return mem;
}

int pav_AllocEntityArrays(PavObject *obj, int type, int32_t count, char *status) {
  if (int rc = checkObject(obj, status)) return rc;
  const char *name = pav_TypeAllocName(type);
  if (!name) return pav_Fail(status, " pav_AllocEntityArrays is undefined for Typ %d !\n", type);
  if (count < 0) return pav_Fail(status, "Invalid number of %s-entities %d\n", name, count);

  if (type == Normals) {
    std::free(obj->nor);
    obj->nor = nullptr;
    obj->nbrNor = 0;
    obj->nor = static_cast<float *>(
        pav_AllocBytes(pav_ArrayBytes(count, 3, sizeof(float)), true, name, status));
    if (!obj->nor) return PAV_FAILURE;
    obj->nbrNor = count;
    return PAV_SUCCESS;
  }

  PavEntitySet &set = obj->ent[type];
  std::free(set.idx);
  std::free(set.ref);
  set.idx = set.ref = nullptr;
  set.nbr = set.nbrMax = 0;
  void *first = nullptr;
  if (type == Vertices) {
    std::free(obj->crdFlt);
    std::free(obj->crdDbl);
    obj->crdFlt = nullptr;
    obj->crdDbl = static_cast<double *>(
        pav_AllocBytes(pav_ArrayBytes(count, 3, sizeof(double)), true, name, status));
    first = obj->crdDbl;
  } else {
    const int perEntity = type == Corners ? 1 : pav_MshTyp2Siz(type, nullptr);
    set.idx = static_cast<int32_t *>(
        pav_AllocBytes(pav_ArrayBytes(count, perEntity, sizeof(int32_t)), true, name, status));
    first = set.idx;
  }
  if (!first) return PAV_FAILURE;
  set.ref = static_cast<int32_t *>(
      pav_AllocBytes(pav_ArrayBytes(count, 1, sizeof(int32_t)), true, name, status));
  if (!set.ref) {
    if (type == Vertices) {
      std::free(obj->crdDbl);
      obj->crdDbl = nullptr;
    } else {
      std::free(set.idx);
      set.idx = nullptr;
    }
    return PAV_FAILURE;
  }
  set.nbr = set.nbrMax = count;
  return PAV_SUCCESS;
}

// ---- Queries ----

int pav_GetDimension(const PavObject *obj, int *dim, char *status) {
  if (int rc = checkObject(obj, status)) return rc;
  if (!dim) return pav_Fail(status, "NULL (dim)   parameter on input\n");
  *dim = obj->dim;
  return PAV_SUCCESS;
}

static int countOf(const PavObject *obj, int type, int *nbrEnt, char *status) {
  if (int rc = checkObject(obj, status)) return rc;
  if (!nbrEnt) return pav_Fail(status, "NULL (nbrEnt)   parameter on input\n");
  *nbrEnt = obj->ent[type].nbr;
  return PAV_SUCCESS;
}

int pav_GetNumberOfEntities(const PavObject *obj, int type, int *nbrEnt, char *status) {
  if (nbrEnt) *nbrEnt = 0;
  if (type == Any) {
    if (int rc = checkObject(obj, status)) return rc;
    return PAV_SUCCESS;
  }
  if (!pav_IsStoredType(type)) {
    if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
    return pav_Fail(status, "pav_GetNumberOfEntities is undefined for Typ %d !\n", type);
  }
  return countOf(obj, type, nbrEnt, status);
}

#define PAV_COUNT_FUNCTION(Name, code)                                                             \
  int pav_GetNumberOf##Name(const PavObject *obj, int *nbrEnt, char *status) {                     \
    return countOf(obj, code, nbrEnt, status);                                                     \
  }
PAV_COUNT_FUNCTION(Vertices, Vertices)
PAV_COUNT_FUNCTION(Corners, Corners)
PAV_COUNT_FUNCTION(Edges, Edges)
PAV_COUNT_FUNCTION(EdgesP2, EdgesP2)
PAV_COUNT_FUNCTION(EdgesP3, EdgesP3)
PAV_COUNT_FUNCTION(EdgesP4, EdgesP4)
PAV_COUNT_FUNCTION(Triangles, Triangles)
PAV_COUNT_FUNCTION(TrianglesP2, TrianglesP2)
PAV_COUNT_FUNCTION(TrianglesP3, TrianglesP3)
PAV_COUNT_FUNCTION(TrianglesP4, TrianglesP4)
PAV_COUNT_FUNCTION(Quadrilaterals, Quadrilaterals)
PAV_COUNT_FUNCTION(QuadrilateralsQ2, QuadrilateralsQ2)
PAV_COUNT_FUNCTION(QuadrilateralsQ3, QuadrilateralsQ3)
PAV_COUNT_FUNCTION(QuadrilateralsQ4, QuadrilateralsQ4)
PAV_COUNT_FUNCTION(Tetrahedra, Tetrahedra)
PAV_COUNT_FUNCTION(TetrahedraP2, TetrahedraP2)
PAV_COUNT_FUNCTION(TetrahedraP3, TetrahedraP3)
PAV_COUNT_FUNCTION(TetrahedraP4, TetrahedraP4)
PAV_COUNT_FUNCTION(Pyramids, Pyramids)
PAV_COUNT_FUNCTION(PyramidsP2, PyramidsP2)
PAV_COUNT_FUNCTION(PyramidsP3, PyramidsP3)
PAV_COUNT_FUNCTION(PyramidsP4, PyramidsP4)
PAV_COUNT_FUNCTION(Prisms, Prisms)
PAV_COUNT_FUNCTION(PrismsP2, PrismsP2)
PAV_COUNT_FUNCTION(PrismsP3, PrismsP3)
PAV_COUNT_FUNCTION(PrismsP4, PrismsP4)
PAV_COUNT_FUNCTION(Hexahedra, Hexahedra)
PAV_COUNT_FUNCTION(HexahedraQ2, HexahedraQ2)
PAV_COUNT_FUNCTION(HexahedraQ3, HexahedraQ3)
PAV_COUNT_FUNCTION(HexahedraQ4, HexahedraQ4)
#undef PAV_COUNT_FUNCTION

int pav_GetBoundingBox(const PavObject *obj, double bbox[6], char *status) {
  if (int rc = checkObject(obj, status)) return rc;
  if (!bbox) return pav_Fail(status, "NULL (bbox)   parameter on input\n");
  std::fill(bbox, bbox + 6, 0.0);
  const int32_t nbrVer = obj->ent[Vertices].nbr;
  if (nbrVer < 1 || (!obj->crdDbl && !obj->crdFlt)) return PAV_SUCCESS;
  auto coordinate = [obj](int32_t v, int c) {
    return obj->crdDbl ? obj->crdDbl[3 * std::size_t(v) + c]
                       : double(obj->crdFlt[3 * std::size_t(v) + c]);
  };
  for (int c = 0; c < 3; c++) bbox[2 * c] = bbox[2 * c + 1] = coordinate(1, c);
  for (int32_t v = 2; v <= nbrVer; v++) {
    for (int c = 0; c < 3; c++) {
      const double x = coordinate(v, c);
      bbox[2 * c] = std::min(bbox[2 * c], x);
      bbox[2 * c + 1] = std::max(bbox[2 * c + 1], x);
    }
  }
  return PAV_SUCCESS;
}

void *pav_GetIndicesArray(const PavObject *obj, int type, int *nbrEnt, int *nbrNod, char *status) {
  if (nbrEnt) *nbrEnt = 0;
  if (nbrNod) *nbrNod = 0;
  if (type == Any) return nullptr;
  if (checkObject(obj, status)) return nullptr;
  int count = 0, perEntity = 1;
  void *array = nullptr;
  if (type == Vertices) {
    count = obj->ent[Vertices].nbr;
    array = obj->crdDbl ? static_cast<void *>(obj->crdDbl) : static_cast<void *>(obj->crdFlt);
  } else if (type == Corners) {
    count = obj->ent[Corners].nbr;
    array = obj->ent[Corners].idx;
  } else if (type == Normals) {
    count = obj->nbrNor;
    array = obj->nor;
  } else if (pav_IsElementType(type)) {
    count = obj->ent[type].nbr;
    perEntity = pav_MshTyp2Siz(type, nullptr);
    array = obj->ent[type].idx;
  } else {
    pav_SetStatus(status, " pav_GetIndicesArray is undefined for Typ %d !\n", type);
    return nullptr;
  }
  if (nbrEnt) *nbrEnt = count;
  if (nbrNod) *nbrNod = perEntity;
  return array;
}

int32_t *pav_GetReferenceArray(const PavObject *obj, int type, char *status) {
  if (type == Any) return nullptr;
  if (checkObject(obj, status)) return nullptr;
  if (!pav_IsStoredType(type)) {
    pav_SetStatus(status, " pav_GetReferenceArray is undefined for Typ %d !\n", type);
    return nullptr;
  }
  return obj->ent[type].ref;
}

static int maxReferenceOf(const PavEntitySet &set) {
  int maxRef = 0;
  if (!set.ref) return 0;
  for (int32_t i = 1; i <= set.nbr; i++) maxRef = std::max(maxRef, int(set.ref[i]));
  return maxRef;
}

int pav_GetMaxReference(const PavObject *obj, int type, int *maxRef, char *status) {
  if (maxRef) *maxRef = 0;
  if (int rc = checkObject(obj, status)) return rc;
  if (!maxRef) return pav_Fail(status, "NULL (maxRef)   parameter on input\n");
  if (type == Any) {
    for (int t = 1; t < PAV_NBR_STORED_TYPES; t++)
      if (pav_IsStoredType(t)) *maxRef = std::max(*maxRef, maxReferenceOf(obj->ent[t]));
    return PAV_SUCCESS;
  }
  if (!pav_IsStoredType(type))
    return pav_Fail(status, " pav_GetMaxReference is undefined for Typ %d !\n", type);
  *maxRef = maxReferenceOf(obj->ent[type]);
  return PAV_SUCCESS;
}

int pav_PrintMeshInfo(const PavObject *obj, char *status) {
  if (int rc = checkObject(obj, status)) return rc;
  std::printf("  Dimension %d  \n", obj->dim);
  for (int type : kSummaryOrder)
    if (obj->ent[type].nbr > 0)
      std::printf("  Number Of %-19s%12d \n", pav_TypeCountLabel(type), obj->ent[type].nbr);
  if (const PavPolygonSet *pol = obj->pol) {
    if (pol->nbrBndPol > 0)
      std::printf("  Number Of %-19s%12d \n", "Boundary-Polygons", pol->nbrBndPol);
    if (pol->nbrInnPol > 0)
      std::printf("  Number Of %-19s%12d \n", "Inner-Polygons", pol->nbrInnPol);
    if (pol->nbrPolyhedra > 0)
      std::printf("  Number Of %-19s%12d \n", "Polyhedra", pol->nbrPolyhedra);
  }
  std::printf("\n");
  return PAV_SUCCESS;
}

int pav_GetNumberOfNonP1SimplexEntities(const PavObject *obj, char *status) {
  if (checkObject(obj, status)) return 0;
  int64_t sum = 0;
  for (int type = Edges; type < PAV_NBR_STORED_TYPES; type++) {
    if (!pav_IsElementType(type) || type == Edges || type == Triangles || type == Tetrahedra)
      continue;
    sum += std::max(0, int(obj->ent[type].nbr));
  }
  return int(std::min<int64_t>(sum, INT32_MAX));
}

// ---- Accessors ----

int pav_GetVertex(const PavObject *obj, int i, int *nbrCrd, double crd[3], int *ref, char *status) {
  if (nbrCrd) *nbrCrd = 0;
  if (ref) *ref = 0;
  if (int rc = checkObject(obj, status)) return rc;
  const PavEntitySet &set = obj->ent[Vertices];
  if (i < 1 || i > set.nbr)
    return pav_Fail(status, "Index-out-of-bound for vertex %d, must be in [%d %d]\n", i, 1,
                    set.nbr);
  if ((!obj->crdDbl && !obj->crdFlt) || !set.ref)
    return pav_Fail(status, "Vertex arrays are wrongly allocated, cannot access %d\n", i);
  if (crd) {
    for (int c = 0; c < 3; c++)
      crd[c] = obj->crdDbl ? obj->crdDbl[3 * std::size_t(i) + c]
                           : double(obj->crdFlt[3 * std::size_t(i) + c]);
  }
  if (nbrCrd) *nbrCrd = 3;
  if (ref) *ref = set.ref[i];
  return PAV_SUCCESS;
}

int pav_GetVertices(const PavObject *obj, int n, const int *list, int *nbrOut, double *crd,
                    int *refs, char *status) {
  if (nbrOut) *nbrOut = 0;
  if (int rc = checkObject(obj, status)) return rc;
  if (n < 1) return PAV_SUCCESS;
  if (!list) return pav_Fail(status, "NULL (list)   parameter on input\n");
  for (int k = 0; k < n; k++) {
    int nbrCrd = 0, ref = 0;
    double xyz[3];
    if (int rc = pav_GetVertex(obj, list[k], &nbrCrd, xyz, &ref, status)) return rc;
    if (crd) std::copy(xyz, xyz + 3, crd + 3 * std::size_t(k));
    if (refs) refs[k] = ref;
    if (nbrOut) *nbrOut += 3;
  }
  return PAV_SUCCESS;
}

int pav_GetElement(const PavObject *obj, int type, int i, int *nbrNod, int *nodes, int *ref,
                   char *status) {
  if (nbrNod) *nbrNod = 0;
  if (ref) *ref = 0;
  if (int rc = checkObject(obj, status)) return rc;
  if (!pav_IsElementType(type))
    return pav_Fail(status, "pav_GetEntityData is undefined for Typ %d !\n", type);
  const PavEntitySet &set = obj->ent[type];
  if (i < 1 || i > set.nbr)
    return pav_Fail(status, "Index-out-of-bound for %s %d, must be in [%d %d]\n",
                    pav_TypeIndexLabel(type), i, 1, set.nbr);
  if (!set.idx || !set.ref)
    return pav_Fail(status, "%s arrays are wrongly allocated, cannot access %d\n",
                    pav_TypeArraysName(type), i);
  const int perEntity = pav_MshTyp2Siz(type, nullptr);
  if (nodes) {
    const int32_t *first = set.idx + std::size_t(perEntity) * std::size_t(i);
    std::copy(first, first + perEntity, nodes);
  }
  if (nbrNod) *nbrNod = perEntity;
  if (ref) *ref = set.ref[i];
  return PAV_SUCCESS;
}

#define PAV_ELEMENT_ACCESSOR(Name, code)                                                           \
  int pav_Get##Name(const PavObject *obj, int i, int *nbrNod, int *nodes, int *ref,                \
                    char *status) {                                                                \
    return pav_GetElement(obj, code, i, nbrNod, nodes, ref, status);                               \
  }
PAV_ELEMENT_ACCESSOR(Edge, Edges)
PAV_ELEMENT_ACCESSOR(EdgeP2, EdgesP2)
PAV_ELEMENT_ACCESSOR(EdgeP3, EdgesP3)
PAV_ELEMENT_ACCESSOR(EdgeP4, EdgesP4)
PAV_ELEMENT_ACCESSOR(Triangle, Triangles)
PAV_ELEMENT_ACCESSOR(TriangleP2, TrianglesP2)
PAV_ELEMENT_ACCESSOR(TriangleP3, TrianglesP3)
PAV_ELEMENT_ACCESSOR(TriangleP4, TrianglesP4)
PAV_ELEMENT_ACCESSOR(Quadrilateral, Quadrilaterals)
PAV_ELEMENT_ACCESSOR(QuadrilateralQ2, QuadrilateralsQ2)
PAV_ELEMENT_ACCESSOR(QuadrilateralQ3, QuadrilateralsQ3)
PAV_ELEMENT_ACCESSOR(QuadrilateralQ4, QuadrilateralsQ4)
PAV_ELEMENT_ACCESSOR(Tetrahedron, Tetrahedra)
PAV_ELEMENT_ACCESSOR(TetrahedronP2, TetrahedraP2)
PAV_ELEMENT_ACCESSOR(TetrahedronP3, TetrahedraP3)
PAV_ELEMENT_ACCESSOR(TetrahedronP4, TetrahedraP4)
PAV_ELEMENT_ACCESSOR(Pyramid, Pyramids)
PAV_ELEMENT_ACCESSOR(PyramidP2, PyramidsP2)
PAV_ELEMENT_ACCESSOR(PyramidP3, PyramidsP3)
PAV_ELEMENT_ACCESSOR(PyramidP4, PyramidsP4)
PAV_ELEMENT_ACCESSOR(Prism, Prisms)
PAV_ELEMENT_ACCESSOR(PrismP2, PrismsP2)
PAV_ELEMENT_ACCESSOR(PrismP3, PrismsP3)
PAV_ELEMENT_ACCESSOR(PrismP4, PrismsP4)
PAV_ELEMENT_ACCESSOR(Hexahedron, Hexahedra)
PAV_ELEMENT_ACCESSOR(HexahedronQ2, HexahedraQ2)
PAV_ELEMENT_ACCESSOR(HexahedronQ3, HexahedraQ3)
PAV_ELEMENT_ACCESSOR(HexahedronQ4, HexahedraQ4)
#undef PAV_ELEMENT_ACCESSOR

int pav_GetEntityData(const PavObject *obj, int type, int i, int *nbrNod, int *nodes, int *ref,
                      char *status) {
  if (nbrNod) *nbrNod = 0;
  if (ref) *ref = 0;
  if (type == Any) return PAV_SUCCESS;
  if (type == Vertices)
    return pav_Fail(status, "Vertex type is not allowed for generic function Pav_GetEntityData \n");
  if (type == Corners)
    return pav_Fail(status, "Corner type is not allowed for generic function Pav_GetEntityData \n");
  if (!pav_IsElementType(type))
    return pav_Fail(status, "pav_GetEntityData is undefined for Typ %d !\n", type);
  return pav_GetElement(obj, type, i, nbrNod, nodes, ref, status);
}
