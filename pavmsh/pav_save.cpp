// The mesh object back to mesh and solution files.
//
// Mesh arrays are written by one block transfer each, straight from the object. Solution records
// are interleaved into a bounded buffer, node by node and field by field, as the file's lines
// hold them.
#include "ho_lattice.h"
#include "ovel.h"
#include "pav_io.h"
#include "pav_io_keywords.h"
#include "pav_solution.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace pav_io;

namespace {

constexpr int kWriteVersion = 3;
constexpr size_t kChunkDoubles = size_t(1) << 22;

// Formats the message, then appends the library's reason ("  Reason: <text>\n") when it gave one.
int failWithReason(char *status, const char *message, const char *name) {
  const std::string why = OvelErrorText();
  pav_Fail(status, message, name);
  return pav_AppendReason(status, why.c_str());
}

int64_t openForWriting(const PavObject *obj, const char *name, char *status) {
  const int64_t file = OvelOpenMesh(name, OvelWrite, kWriteVersion, int(obj->dim));
  if (!file) {
    failWithReason(status, "Cannot open mesh file %s\n", name);
    return 0;
  }
  std::snprintf(status + PAV_STATUS_SIZE, PAV_STATUS_SIZE, "%s", name);
  return file;
}

// Ends a written file: kept (renamed over the name) when everything went well, else removed so
// that the earlier file of the name stays as it was. rc is the result so far.
int finishWritten(int64_t file, int rc, const char *name, char *status) {
  if (rc != PAV_SUCCESS) {
    OvelDiscardMesh(file);
    return rc;
  }
  if (!OvelCloseMesh(file)) return failWithReason(status, "Cannot write mesh file %s\n", name);
  return PAV_SUCCESS;
}

bool writeVertices(int64_t file, const PavObject *obj) {
  const int32_t n = obj->ent[Vertices].nbr;
  if (!OvelSetKwd(file, kVerticesKeyword, n)) return false;
  if (n < 1) return true;
  const int32_t *r = obj->ent[Vertices].ref;
  const size_t last = 3 * size_t(n);
  // Coordinates kept only in single precision are written from the floats.
  const bool dbl = obj->crdDbl != nullptr;
  const int type = dbl ? OvelDouble : OvelFloat;
  char *c = dbl ? reinterpret_cast<char *>(obj->crdDbl) : reinterpret_cast<char *>(obj->crdFlt);
  const size_t bytes = dbl ? sizeof(double) : sizeof(float);
  if (!c || !r) return false;
  auto at = [&](size_t i) { return static_cast<void *>(c + i * bytes); };
  if (obj->dim == 3)
    return OvelSetBlock(file, kVerticesKeyword, 1, n, 0, nullptr, nullptr, type, at(3), at(last),
                        type, at(4), at(last + 1), type, at(5), at(last + 2), OvelInt, &r[1],
                        &r[n]) == 1;
  return OvelSetBlock(file, kVerticesKeyword, 1, n, 0, nullptr, nullptr, type, at(3), at(last),
                      type, at(4), at(last + 1), OvelInt, &r[1], &r[n]) == 1;
}

bool writeCorners(int64_t file, const PavObject *obj) {
  const PavEntitySet &set = obj->ent[Corners];
  if (!OvelSetKwd(file, kCornersKeyword, set.nbr)) return false;
  if (set.nbr < 1) return true;
  return OvelSetBlock(file, kCornersKeyword, 1, set.nbr, 0, nullptr, nullptr, OvelInt, &set.idx[1],
                      &set.idx[set.nbr]) == 1;
}

bool writeElements(int64_t file, const PavObject *obj, int type) {
  const PavEntitySet &set = obj->ent[type];
  const MeshKeyword *mk = meshKeyword(type);
  const int s = pav_MshTyp2Siz(type, nullptr);
  const int32_t n = set.nbr;
  if (!OvelSetKwd(file, mk->keyword, n) ||
      !OvelSetBlock(file, mk->keyword, 1, n, 0, nullptr, nullptr, OvelIntVec, s, &set.idx[s],
                    &set.idx[size_t(s) * size_t(n)], OvelInt, &set.ref[1], &set.ref[n]))
    return false;
  // The ordering keyword tells a reader where each node of the canonical order sits.
  int width = 0;
  const int nodes = OvelElementNodes(mk->keyword, &width);
  char scratch[PAV_STATUS_SIZE];
  const int *order = pav_Typ2Ordering(type, scratch);
  if (!nodes || !order) return false;
  return OvelSetKwd(file, mk->writeOrdering, nodes) &&
         OvelSetBlock(file, mk->writeOrdering, 1, nodes, 0, nullptr, nullptr, OvelIntVec, width,
                      order, order + size_t(nodes - 1) * size_t(width)) == 1;
}

// ---- Solutions ----

// One keyword written: the records in field order, for the names.
struct WrittenKeyword {
  int list;
  std::vector<const PavSolution *> records;
};

struct SolutionWriter {
  int64_t file = 0;
  const PavObject *obj = nullptr;
  char *status = nullptr;
  int iteration = 0;
  double time = 0;
  std::vector<WrittenKeyword> written;
};

// Writes the records of a list that have the degree (every record for vertices) under one
// keyword; nothing when there are none. 0, or 2 with the message.
int writeSolutionKeyword(SolutionWriter &w, int keyword, int list, bool highOrder, int degree) {
  const int dim = w.obj->dim;
  std::vector<const PavSolution *> recs;
  for (const PavSolution *r = pav_SolutionList(w.obj, list); r; r = r->next)
    if ((list == SolAtVertices || r->degree == degree) && r->data &&
        pav_SolKindSize(dim, r->kind) > 0)
      recs.push_back(r);
  if (recs.empty()) return PAV_SUCCESS;
  const int m = recs.front()->nbrNod;
  const int32_t n = recs.front()->nbrEnt;
  for (const PavSolution *r : recs) {
    if (r->nbrNod != m)
      return pav_Fail(w.status, "ERROR : Different number of nodes for solutions of same degree "
                                "at the same element\n");
    if (r->nbrEnt != n)
      return pav_Fail(w.status, "ERROR : Different number of entities for solutions of same "
                                "degree at the same element\n");
  }
  const bool fits = highOrder ? m == pav_SolTyp2NbrNod(list, degree) : m == 1;
  if (!fits)
    return pav_Fail(w.status, "Mismatch of a solution of degree %d with solution keyword\n",
                    degree);
  if (n < 1) return PAV_SUCCESS;

  const int nbrFields = int(recs.size());
  std::vector<int> types(static_cast<size_t>(nbrFields)), width(static_cast<size_t>(nbrFields));
  int perNode = 0;
  for (int j = 0; j < nbrFields; j++) {
    types[j] = recs[j]->kind;
    width[j] = pav_SolKindSize(dim, types[j]);
    perNode += width[j];
  }
  const int size = perNode * m;
  const int ok = highOrder ? OvelSetKwd(w.file, keyword, n, nbrFields, types.data(), degree, m)
                           : OvelSetKwd(w.file, keyword, n, nbrFields, types.data());
  if (!ok) return pav_Fail(w.status, "Cannot write %s \n", OvelKeywordEntry(keyword)->name);

  const int64_t chunk = std::max<int64_t>(1, std::min<int64_t>(n, kChunkDoubles / size));
  std::vector<double> buffer(size_t(chunk) * size_t(size));
  for (int64_t first = 1; first <= n; first += chunk) {
    const int64_t last = std::min<int64_t>(n, first + chunk - 1);
    double *out = buffer.data();
    for (int64_t i = first; i <= last; i++)
      for (int k = 0; k < m; k++)
        for (int j = 0; j < nbrFields; j++) {
          const double *from = recs[j]->data + (size_t(i) * size_t(m) + size_t(k)) * width[j];
          std::copy(from, from + width[j], out);
          // The file keeps a 3-D metric as its lower triangle by rows.
          if (dim == 3 && types[j] == PavSolSymMatrix) std::swap(out[2], out[3]);
          out += width[j];
        }
    if (!OvelSetBlock(w.file, keyword, first, last, 0, nullptr, nullptr, OvelDoubleVec, size,
                      &buffer[0], &buffer[size_t(last - first) * size_t(size)]))
      return pav_Fail(w.status, "Cannot write %s \n", OvelKeywordEntry(keyword)->name);
  }
  for (const PavSolution *r : recs) {
    w.iteration = std::max(w.iteration, int(r->iteration));
    w.time = std::max(w.time, r->time);
  }
  w.written.push_back({list, recs});
  return PAV_SUCCESS;
}

int writeDegreeOneSolAt(SolutionWriter &w) {
  for (int kind = 0; kind < PavKindCount; kind++)
    if (int rc =
            writeSolutionKeyword(w, solAtKeyword(kind), PAV_FIRST_ELEMENT_SOLTYP + kind, false, 0))
      return rc;
  return PAV_SUCCESS;
}

// HOSolAt keywords of every kind and geometric degree for the records of one degree. Degree-0
// records of degree-1 elements already went out as SolAt<Kind>: writing them again would read
// back twice.
int writeHighOrder(SolutionWriter &w, int degree, bool skipDegreeOneLists) {
  for (int kind = 0; kind < PavKindCount; kind++)
    for (int g = 1; g <= 4; g++) {
      if (skipDegreeOneLists && g == 1) continue;
      const int list = PAV_FIRST_ELEMENT_SOLTYP + 7 * (g - 1) + kind;
      if (int rc = writeSolutionKeyword(w, hoSolKeyword(kind, g), list, true, degree)) return rc;
    }
  return PAV_SUCCESS;
}

int writeSelection(SolutionWriter &w, int selection) {
  if (selection == -2)
    return writeSolutionKeyword(w, kSolAtVerticesKeyword, SolAtVertices, false, 0);
  if (selection >= 1) return writeHighOrder(w, selection, false);
  if (int rc = writeDegreeOneSolAt(w)) return rc;
  if (int rc = writeSolutionKeyword(w, kSolAtVerticesKeyword, SolAtVertices, false, 0)) return rc;
  if (int rc = writeHighOrder(w, 0, true)) return rc;
  if (selection == 0) return PAV_SUCCESS;
  const int maxDegree = pav_GetMaxSolutionDegree(w.obj);
  for (int d = 1; d <= maxDegree; d++)
    if (int rc = writeHighOrder(w, d, false)) return rc;
  return PAV_SUCCESS;
}

// Names as ReferenceStrings. The number given with a name is the position its record takes when
// the file is read back: keywords of one list are pushed in file order, each with its first field
// at the head, so a keyword's records come after those of the later keywords of the same list.
bool writeNames(SolutionWriter &w) {
  struct Line {
    int keyword;
    std::string text;
  };
  std::vector<Line> lines;
  for (size_t k = 0; k < w.written.size(); k++) {
    const WrittenKeyword &wk = w.written[k];
    int before = 0;
    for (size_t l = k + 1; l < w.written.size(); l++)
      if (w.written[l].list == wk.list) before += int(w.written[l].records.size());
    int keyword = kSolAtVerticesKeyword;
    if (wk.list != SolAtVertices) {
      const int code = wk.list - PAV_FIRST_ELEMENT_SOLTYP;
      keyword = hoSolKeyword(code % 7, code / 7 + 1);
    }
    for (size_t j = 0; j < wk.records.size(); j++)
      if (wk.records[j]->name[0]) {
        char text[OVEL_STRING_SIZE];
        std::snprintf(text, sizeof text, "%.200s %d", wk.records[j]->name, before + int(j) + 1);
        lines.push_back({keyword, text});
      }
  }
  if (lines.empty()) return true;
  if (!OvelSetKwd(w.file, kReferenceStringsKeyword, int64_t(lines.size()))) return false;
  for (const Line &l : lines)
    if (!OvelSetLin(w.file, kReferenceStringsKeyword, l.keyword, 1, l.text.c_str())) return false;
  return true;
}

} // namespace

int pav_WriteMesh(const PavObject *obj, const char *name, char *status) {
  if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
  if (!name) return pav_Fail(status, "NULL (MshFile)   parameter on input\n");
  if (!status) return pav_Fail(status, PAV_MSG_NULL_STATUS);
  status[0] = status[PAV_STATUS_SIZE] = 0;
  const int64_t file = openForWriting(obj, name, status);
  if (!file) return PAV_FAILURE;
  bool ok = writeVertices(file, obj) && writeCorners(file, obj);
  for (const MeshKeyword &k : kMeshKeywords) {
    if (!ok) break;
    const PavEntitySet &set = obj->ent[k.type];
    if (set.nbr < 1 || !set.idx || !set.ref) continue;
    ok = writeElements(file, obj, k.type);
  }
  return finishWritten(
      file, ok ? PAV_SUCCESS : pav_Fail(status, "Cannot write mesh file %s\n", name), name, status);
}

int pav_WriteSolution(const PavObject *obj, const char *name, int selection, char *status) {
  if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
  if (!status) return pav_Fail(status, PAV_MSG_NULL_STATUS);
  if (selection < -2) return pav_Fail(status, "Wrong SolDeg     parameter on input\n");
  if (!name) return pav_Fail(status, "NULL (SolFile)   parameter on input\n");
  status[0] = status[PAV_STATUS_SIZE] = 0;
  const int64_t file = openForWriting(obj, name, status);
  if (!file) return PAV_FAILURE;
  SolutionWriter w;
  w.file = file;
  w.obj = obj;
  w.status = status;
  int rc = writeSelection(w, selection);
  if (rc == PAV_SUCCESS) {
    bool ok = true;
    if (w.iteration != 0)
      ok = OvelSetKwd(file, kIterationsKeyword, 1) &&
           OvelSetLin(file, kIterationsKeyword, w.iteration);
    if (ok && w.time != 0)
      ok = OvelSetKwd(file, kTimeKeyword, 1) && OvelSetLin(file, kTimeKeyword, w.time);
    ok = ok && writeNames(w);
    if (!ok) rc = pav_Fail(status, "Cannot write mesh file %s\n", name);
  }
  return finishWritten(file, rc, name, status);
}
