#include "pav_solution.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int checkObject(const PavObject *obj, char *status) {
  if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
  if (!status) return pav_Fail(status, PAV_MSG_NULL_STATUS);
  return PAV_SUCCESS;
}

bool isElementSolTyp(int solTyp) {
  return solTyp >= PAV_FIRST_ELEMENT_SOLTYP && solTyp <= PAV_LAST_ELEMENT_SOLTYP;
}

// Element solution codes in the order the summaries list them: by kind, then by degree.
template <typename Visit> void forEachElementList(Visit visit) {
  for (int kind = 0; kind < PavKindCount; kind++)
    for (int degree = 1; degree <= 4; degree++)
      visit(PAV_FIRST_ELEMENT_SOLTYP + 7 * (degree - 1) + kind);
}

int listLength(const PavSolution *head) {
  int n = 0;
  for (; head; head = head->next) n++;
  return n;
}

// Record i (from 1) of a list, or null with the messages of an invalid request.
PavSolution *nthRecord(PavSolution *head, int i, char *status) {
  if (!head) {
    pav_SetStatus(status, "Invalid request to get a solution\n");
    return nullptr;
  }
  PavSolution *rec = i >= 1 ? head : nullptr;
  for (int k = 1; k < i && rec; k++) rec = rec->next;
  if (!rec) {
    std::printf(" warning : unsucessfully attempting to access to solution %d\n", i);
    pav_SetStatus(status, "Invalid request to get a solution\n");
  }
  return rec;
}

double *recordFields(PavSolution *rec, int *nbrEnt, int *kind, int *iteration, double *time,
                     int *degree, int *nbrNod) {
  if (!rec) return nullptr;
  if (nbrEnt) *nbrEnt = rec->nbrEnt;
  if (kind) *kind = rec->kind;
  if (iteration) *iteration = rec->iteration;
  if (time) *time = rec->time;
  if (degree) *degree = rec->degree;
  if (nbrNod) *nbrNod = rec->nbrNod;
  return rec->data;
}

void zeroFields(int *nbrEnt, int *kind, double *time, int *degree, int *nbrNod) {
  if (nbrEnt) *nbrEnt = 0;
  if (kind) *kind = 0;
  if (time) *time = 0.0;
  if (degree) *degree = 0;
  if (nbrNod) *nbrNod = 0;
}

bool acceptsAttachedSolutions(int type) {
  if (type == Vertices) return true;
  if (!pav_IsFaceOrVolumeType(type)) return false;
  const int degree = pav_GetDegree(type);
  return degree >= 1 && degree <= 3;
}

double *allocResult(int32_t count, int perEntity) {
  const std::size_t bytes = pav_ArrayBytes(count, perEntity, sizeof(double));
  if (!bytes) return nullptr;
  return static_cast<double *>(std::calloc(1, bytes));
}

} // namespace

// ---- Records ----

void pav_FreeSolutionList(PavSolution *head) {
  while (head) {
    PavSolution *next = head->next;
    if (head->owned) std::free(head->data);
    std::free(head);
    head = next;
  }
}

PavSolution *pav_NewSolutionRecord(int dim, int kind, int32_t nbrEnt, int degree, int nbrNod,
                                   char *status) {
  const int width = pav_SolKindSize(dim, kind);
  if (width < 1 || nbrEnt < 0 || nbrNod < 1) {
    pav_SetStatus(status, "Invalid solution sizes\n");
    return nullptr;
  }
  auto *rec =
      static_cast<PavSolution *>(pav_AllocBytes(sizeof(PavSolution), true, "solution", status));
  if (!rec) return nullptr;
  rec->data = static_cast<double *>(
      pav_AllocBytes(pav_ArrayBytes(nbrEnt, nbrNod, sizeof(double) * std::size_t(width)), true,
                     "solution", status));
  if (!rec->data) {
    std::free(rec);
    return nullptr;
  }
  rec->owned = 1;
  rec->dim = dim;
  rec->nbrEnt = nbrEnt;
  rec->kind = kind;
  rec->degree = degree;
  rec->nbrNod = nbrNod;
  return rec;
}

static PavSolution **listHead(PavObject *obj, int solTyp) {
  const int type = pav_SolTyp2ListTyp(solTyp);
  return type ? &obj->ent[type].sol : nullptr;
}

PavSolution *pav_SolutionList(const PavObject *obj, int solTyp) {
  const int type = obj ? pav_SolTyp2ListTyp(solTyp) : 0;
  return type ? obj->ent[type].sol : nullptr;
}

int pav_PushSolution(PavObject *obj, int solTyp, PavSolution *rec, char *status) {
  if (int rc = checkObject(obj, status)) return rc;
  if (!rec) return pav_Fail(status, "NULL (solution) parameter on input\n");
  PavSolution **head = listHead(obj, solTyp);
  if (!head) return pav_Fail(status, " pav_PushSolution is undefined for Typ %d !\n", solTyp);
  rec->next = *head;
  *head = rec;
  return PAV_SUCCESS;
}

int pav_AddSolution(PavObject *obj, int type, int kind, int nbrEnt, int degree, int nbrNod,
                    int width, int iteration, double time, double *data, char *status) {
  if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
  if (!data) return pav_Fail(status, "NULL (solArray) parameter on input\n");
  if (!status) return pav_Fail(status, "NULL (status) parameter on input\n");
  const int32_t count = pav_Count(obj, type);
  if (count < 1) return PAV_SUCCESS;
  // The sizes are checked before anything is allocated or linked: a refused field leaves the
  // object untouched.
  if (width != pav_SolKindSize(obj->dim, kind) * nbrNod)
    return pav_Fail(status, " Invalid solutions size (width) \n");
  if (nbrEnt != count) return pav_Fail(status, " Invalid solutions size (height) \n");
  if (!acceptsAttachedSolutions(type))
    return pav_Fail(status, "solution creation not implemented \n");

  auto *rec =
      static_cast<PavSolution *>(pav_AllocBytes(sizeof(PavSolution), true, "solution", status));
  if (!rec) return PAV_FAILURE;
  rec->owned = 0;
  rec->nbrEnt = nbrEnt;
  rec->kind = kind;
  rec->data = data;
  rec->iteration = iteration;
  rec->degree = degree;
  rec->nbrNod = nbrNod;
  rec->time = time;
  rec->next = obj->ent[type].sol;
  obj->ent[type].sol = rec;
  return PAV_SUCCESS;
}

// ---- Fetching ----

static bool servedSolutionCode(int solTyp) {
  if (solTyp == SolAtVertices) return true;
  if (!isElementSolTyp(solTyp)) return false;
  return (solTyp - PAV_FIRST_ELEMENT_SOLTYP) % 7 != PavKindEdge;
}

double *pav_GetSolutionArray(const PavObject *obj, int solTyp, int i, int *nbrEnt, int *kind,
                             int *iteration, double *time, int *degree, int *nbrNod, char *status) {
  zeroFields(nbrEnt, kind, time, degree, nbrNod);
  if (checkObject(obj, status)) return nullptr;
  if (solTyp == 0) return nullptr;
  if (!servedSolutionCode(solTyp)) {
    pav_SetStatus(status, " pav_GetSolutionArray is undefined for Typ %d !\n", solTyp);
    return nullptr;
  }
  PavSolution *rec = nthRecord(pav_SolutionList(obj, solTyp), i, status);
  return recordFields(rec, nbrEnt, kind, iteration, time, degree, nbrNod);
}

double *pav_GetJacobiansArray(const PavObject *obj, int type, int i, int *nbrEnt, int *kind,
                              int *iteration, double *time, int *degree, int *nbrNod,
                              char *status) {
  zeroFields(nbrEnt, kind, time, degree, nbrNod);
  if (checkObject(obj, status)) return nullptr;
  if (type == Any || type == Vertices) return nullptr;
  if (!pav_IsFaceOrVolumeType(type)) {
    pav_SetStatus(status, " pav_GetJacobiansArray is undefined for Typ %d !\n", type);
    return nullptr;
  }
  PavSolution *rec = nthRecord(obj->ent[type].jac, i, status);
  return recordFields(rec, nbrEnt, kind, iteration, time, degree, nbrNod);
}

int pav_SetJacobian(PavObject *obj, int type, PavSolution *head, char *status) {
  if (int rc = checkObject(obj, status)) return rc;
  if (!pav_IsFaceOrVolumeType(type))
    return pav_Fail(status, " pav_SetJacobian is undefined for Typ %d !\n", type);
  obj->ent[type].jac = head;
  return PAV_SUCCESS;
}

int pav_SetValues(PavObject *obj, int type, double *values, char *status) {
  if (int rc = checkObject(obj, status)) return rc;
  if (!pav_IsFaceOrVolumeType(type))
    return pav_Fail(status, " pav_SetValues is undefined for Typ %d !\n", type);
  // The object owns the array it holds: a replaced one would otherwise be lost.
  if (obj->ent[type].val != values) std::free(obj->ent[type].val);
  obj->ent[type].val = values;
  return PAV_SUCCESS;
}

double *pav_GetValuesArrray(const PavObject *obj, int type, char *status) {
  if (checkObject(obj, status)) return nullptr;
  if (type != Tetrahedra) {
    pav_SetStatus(status, " pav_GetValuesArrray is undefined for Typ %d !\n", type);
    return nullptr;
  }
  return obj->ent[type].val;
}

// ---- Counting and naming ----

int pav_GetNumberOfSolutions(const PavObject *obj, int solTyp) {
  if (!isElementSolTyp(solTyp)) {
    std::printf("Warining: pav_GetNumberOfFields: case not considered");
    return 0;
  }
  return listLength(pav_SolutionList(obj, solTyp));
}

int pav_GetNumberOfFields(const PavObject *obj, int solTyp) {
  if (!isElementSolTyp(solTyp)) {
    std::printf("Warining: pav_GetNumberOfFields: case not considered");
    return 0;
  }
  int fields = 0;
  for (const PavSolution *rec = pav_SolutionList(obj, solTyp); rec; rec = rec->next)
    fields += pav_SolKindSize(obj->dim, rec->kind);
  return fields;
}

int pav_GetMaxSolutionDegree(const PavObject *obj) {
  int maxDegree = 0;
  if (!obj) return 0;
  forEachElementList([&](int solTyp) {
    for (const PavSolution *rec = pav_SolutionList(obj, solTyp); rec; rec = rec->next)
      if (rec->degree > maxDegree) maxDegree = rec->degree;
  });
  return maxDegree;
}

int pav_GetNumberOfVertexSolutions(const PavObject *obj) {
  return listLength(pav_SolutionList(obj, SolAtVertices));
}

int pav_GetMaxNumberOfElementSolutions(const PavObject *obj) {
  int longest = 0;
  forEachElementList([&](int solTyp) {
    const int n = listLength(pav_SolutionList(obj, solTyp));
    if (n > longest) longest = n;
  });
  return longest;
}

void pav_GetVertexSolutionNames(const PavObject *obj, char (*names)[PAV_NAME_SIZE]) {
  if (!names) return;
  int k = 1;
  for (const PavSolution *rec = pav_SolutionList(obj, SolAtVertices); rec; rec = rec->next, k++)
    std::snprintf(names[k], PAV_NAME_SIZE, "%s", rec->name);
}

void pav_GetElementSolutionNames(const PavObject *obj, char (*names)[PAV_NAME_SIZE]) {
  if (!names) return;
  forEachElementList([&](int solTyp) {
    int k = 1;
    for (const PavSolution *rec = pav_SolutionList(obj, solTyp); rec; rec = rec->next, k++)
      if (names[k][0] == '\0') std::snprintf(names[k], PAV_NAME_SIZE, "%s", rec->name);
  });
}

int pav_PrintSolutionInfo(const PavObject *obj, char *status) {
  if (int rc = checkObject(obj, status)) return rc;
  if (pav_SolutionList(obj, SolAtVertices)) std::printf("  Isoparametric SolAtVertices\n");
  forEachElementList([&](int solTyp) {
    if (const PavSolution *head = pav_SolutionList(obj, solTyp))
      std::printf("  Degree of %-22s%9d \n", pav_SolutionTypeName(solTyp), head->degree);
  });
  std::printf("\n");
  return PAV_SUCCESS;
}

// ---- Field transformations ----

double *pav_ExtractComponent(int dim, int mode, const double *data, int nbrEnt, int n) {
  double *result = allocResult(nbrEnt, n);
  if (!result || !data) return result;
  const int width = dim == 2 ? 2 : 3;
  for (int i = 1; i <= nbrEnt; i++) {
    for (int j = 0; j < n; j++) {
      const std::size_t node = std::size_t(i) * std::size_t(n) + std::size_t(j);
      const double *v = data + node * std::size_t(width);
      double value;
      if (mode >= 1 && mode <= 3)
        value = mode <= width ? v[mode - 1] : 0.0;
      else if (width == 2)
        value = std::sqrt(v[0] * v[0] + v[1] * v[1]);
      else
        value = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
      result[node] = value;
    }
  }
  return result;
}

static double determinant(int dim, int kind, const double *m) {
  if (kind == PavSolSymMatrix) {
    if (dim == 2) return m[0] * m[2] - m[1] * m[1];
    // Upper triangle (a11, a12, a13, a22, a23, a33) of a symmetric 3x3 matrix.
    const double a11 = m[0], a12 = m[1], a13 = m[2], a22 = m[3], a23 = m[4], a33 = m[5];
    return a11 * (a22 * a33 - a23 * a23) - a12 * (a12 * a33 - a13 * a23) +
           a13 * (a12 * a23 - a13 * a22);
  }
  if (dim == 2) return m[0] * m[3] - m[2] * m[1];
  // Rows (a11 a12 a13), (a21 a22 a23), (a31 a32 a33), expanded along the first column.
  return m[0] * (m[4] * m[8] - m[5] * m[7]) - m[3] * (m[1] * m[8] - m[2] * m[7]) +
         m[6] * (m[1] * m[5] - m[2] * m[4]);
}

double *pav_SolutionDeterminant(int dim, const double *data, int nbrEnt, int n, int kind) {
  if (kind != PavSolSymMatrix && kind != PavSolMatrix) return nullptr;
  double *result = allocResult(nbrEnt, n);
  if (!result || !data) return result;
  const std::size_t width = std::size_t(pav_SolKindSize(dim, kind));
  for (int i = 1; i <= nbrEnt; i++) {
    for (int j = 0; j < n; j++) {
      const std::size_t node = std::size_t(i) * std::size_t(n) + std::size_t(j);
      result[node] = determinant(dim, kind, data + node * width);
    }
  }
  return result;
}

double *pav_GatherSolution(const double *data, int stride, int count, const int *list) {
  double *result = allocResult(count, stride);
  if (!result || !data || !list) return result;
  for (int k = 1; k <= count; k++) {
    const double *row = data + std::size_t(list[k - 1]) * std::size_t(stride);
    std::memcpy(result + std::size_t(k) * std::size_t(stride), row,
                std::size_t(stride) * sizeof(double));
  }
  return result;
}

// Both expansions share this loop; they differ in where element i's indices start and in what
// they print for a vertex out of range.
static double *expandVertexField(int dim, const double *verData, int nbrVer, int kind,
                                 const int *idx, int n, int nbrElt, bool packed) {
  const int width = pav_SolKindSize(dim, kind);
  if (width < 1 || n < 1) return nullptr;
  double *result = allocResult(nbrElt, n * width);
  if (!result || !verData || !idx) return result;
  for (int i = 1; i <= nbrElt; i++) {
    const int *nodes = idx + std::size_t(packed ? i - 1 : i) * std::size_t(n);
    for (int j = 0; j < n; j++) {
      const int v = nodes[j];
      if (v < 1 || v > nbrVer) {
        if (packed)
          std::printf("error");
        else
          std::printf(
              "error: impossible to get solution of index %d of entity %d: invalid vertex %d / "
              "%d \n",
              j, i, v, nbrVer);
        continue;
      }
      std::memcpy(result + (std::size_t(i) * std::size_t(n) + std::size_t(j)) * width,
                  verData + std::size_t(v) * width, std::size_t(width) * sizeof(double));
    }
  }
  return result;
}

double *pav_VertexToElementSolution(int dim, const double *verData, int nbrVer, int kind,
                                    const int *idx, int n, int nbrElt) {
  return expandVertexField(dim, verData, nbrVer, kind, idx, n, nbrElt, false);
}

double *pav_VertexToElementSolutionPacked(int dim, const double *verData, int nbrVer, int kind,
                                          const int *idx, int n, int nbrElt) {
  return expandVertexField(dim, verData, nbrVer, kind, idx, n, nbrElt, true);
}
