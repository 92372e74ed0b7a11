// Mesh and solution files into the mesh object.
//
// Every array is filled by one block transfer straight into the object's 1-based arrays, so that
// opening a mesh costs the file read and nothing else: no temporary copy of the elements, no
// per-element allocation. Solutions go through a bounded buffer because their fields are
// interleaved in the file and separate in the records.
#include "ho_lattice.h"
#include "ovel.h"
#include "pav_cgns.h"
#include "pav_gmsh.h"
#include "pav_io.h"
#include "pav_io_keywords.h"
#include "pav_solution.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

using namespace pav_io;

namespace {

// A name that is there but not a regular file (a FIFO, a device, a folder) is refused as it is,
// whatever its ending: no reader waits on it and no other name is tried in its place.
bool notRegular(const char *name) {
  struct stat st;
  return ::stat(name, &st) == 0 && !S_ISREG(st.st_mode);
}

// The opened file's name goes into the second half of the loaders' status buffer.
void recordOpenedName(char *status, const std::string &name) {
  std::snprintf(status + PAV_STATUS_SIZE, PAV_STATUS_SIZE, "%s", name.c_str());
}

// The library takes the file kind from the name: ".meshb" first, then ".mesh", ".solb", ".sol".
bool isBinaryName(const std::string &name) {
  if (name.find(".meshb") != std::string::npos) return true;
  if (name.find(".mesh") != std::string::npos) return false;
  return name.find(".solb") != std::string::npos;
}

// Opens for reading; on failure keeps in `reason` why, unless the file simply does not exist
// (the message then names the file alone, and a later try may still find another name).
int64_t tryOpen(const std::string &name, int *version, int *dim, std::string &reason) {
  const int64_t file = OvelOpenMesh(name.c_str(), OvelRead, version, dim);
  if (!file) {
    const char *why = OvelErrorText();
    if (*why && std::strcmp(why, std::strerror(ENOENT)) != 0) reason = why;
  }
  return file;
}

int withReason(char *status, const std::string &why) {
  return pav_AppendReason(status, why.c_str());
}

// The library's reason for the read that just failed, if it knows one.
std::string readReason() { return OvelErrorText(); }

// Prints the index's lines about skipped or suspicious data, one warning each.
void printFileWarnings(int64_t file, const std::string &name) {
  const char *text = OvelWarningText(file);
  while (*text) {
    const char *end = std::strchr(text, '\n');
    const int n = int(end ? end - text : std::strlen(text));
    std::printf(" warning : %s: %.*s\n", name.c_str(), n, text);
    text += n + (end ? 1 : 0);
  }
}

const char *keywordName(int code) {
  const OvelKeywordInfo *k = OvelKeywordEntry(code);
  return k ? k->name : "unknown";
}

// Entity types in the order the mesh file is read.
constexpr int kReadOrder[] = {
    Vertices,     Edges,        Corners,      Triangles,        Quadrilaterals,   Tetrahedra,
    Pyramids,     Prisms,       Hexahedra,    EdgesP2,          EdgesP3,          EdgesP4,
    TrianglesP2,  TrianglesP3,  TrianglesP4,  QuadrilateralsQ2, QuadrilateralsQ3, QuadrilateralsQ4,
    TetrahedraP2, TetrahedraP3, TetrahedraP4, HexahedraQ2,      HexahedraQ3,      HexahedraQ4,
    PyramidsP2,   PyramidsP3,   PyramidsP4,   PrismsP2,         PrismsP3,         PrismsP4,
};

// Gives every element keyword with an ordering keyword in the file its node order; a table that
// is no permutation of the canonical nodes leaves the kind in file order.
void applyOrderings(int64_t file) {
  for (const MeshKeyword &k : kMeshKeywords) {
    if (!k.readOrdering) continue;
    const int64_t lines = OvelStatKwd(file, k.readOrdering);
    if (lines <= 0 && OvelPromotedKeyword(file, k.keyword)) {
      // Curved lines Gmsh wrote under a first-order keyword keep Gmsh's node order, except its
      // second-order tetrahedra, which Gmsh writes in this format's own order.
      if (k.type == TetrahedraP2) continue;
      char scratch[PAV_STATUS_SIZE];
      const int *reference = pav_Typ2Ordering(k.type, scratch);
      const int *gmsh = pav_GmshToCanonical(k.type);
      int width = 0;
      const int nodes = OvelElementNodes(k.keyword, &width);
      if (!reference || !gmsh || !nodes) continue;
      std::vector<int> fileNodes(size_t(nodes) * size_t(width));
      for (int j = 0; j < nodes; j++)
        std::copy_n(reference + size_t(gmsh[j]) * size_t(width), width,
                    &fileNodes[size_t(j) * size_t(width)]);
      OvelSetHONodesOrdering(file, k.keyword, reference, fileNodes.data());
      continue;
    }
    if (lines <= 0) continue;
    int width = 0;
    const int nodes = OvelElementNodes(k.keyword, &width);
    char scratch[PAV_STATUS_SIZE];
    const int *reference = pav_Typ2Ordering(k.type, scratch);
    if (!nodes || !reference) continue;
    std::vector<int> fileNodes(size_t(nodes) * size_t(width), -1);
    const int64_t take = std::min<int64_t>(lines, nodes);
    bool ok = OvelGetBlock(file, k.readOrdering, 1, take, 0, nullptr, nullptr, OvelIntVec, width,
                           &fileNodes[0], &fileNodes[size_t(take - 1) * size_t(width)]) == 1;
    ok = OvelSetHONodesOrdering(file, k.keyword, reference, fileNodes.data()) == 1 && ok &&
         lines == nodes;
    if (!ok) {
      std::printf("  %%%% Error while reading %s Nodes Ordering. Default ordering used.  \n",
                  k.printed);
      OvelSetHONodesOrdering(file, k.keyword, reference, reference);
    }
  }
}

// Coordinates that are not finite reach every consumer (bounding box, octree, scene) as poison:
// they are counted as the lines arrive (on the thread that read them, in no fixed order), and one
// warning names how many vertices carry them and the first.
struct FiniteCheck {
  const double *crd;
  std::atomic<int64_t> count{0}; // vertices with a non-finite coordinate
  std::atomic<int64_t> first{0}; // the first of them, 0 while none
};

// Keeps in `first` the smallest nonzero value offered.
void keepFirst(std::atomic<int64_t> &first, int64_t value) {
  int64_t seen = first.load(std::memory_order_relaxed);
  while ((seen == 0 || value < seen) && !first.compare_exchange_weak(seen, value)) {
  }
}

void checkBlockFinite(int64_t firstLine, int64_t lastLine, void *argument) {
  FiniteCheck &c = *static_cast<FiniteCheck *>(argument);
  // A double is not finite when its exponent bits are all set, that is when adding one to its
  // exponent carries into the sign bit: an and, an add and an or per coordinate, no branch; only
  // lines holding one are scanned for the count and the first.
  constexpr uint64_t exponent = 0x7ff0000000000000ull, carry = uint64_t(1) << 52;
  const double *p = c.crd + 3 * firstLine;
  const int64_t n = 3 * (lastLine - firstLine + 1);
  uint64_t any = 0;
  for (int64_t i = 0; i < n; i++) {
    uint64_t x;
    std::memcpy(&x, p + i, 8);
    any |= (x & exponent) + carry;
  }
  if (!(any >> 63)) return;
  int64_t bad = 0, first = 0;
  for (int64_t v = firstLine; v <= lastLine; v++) {
    const double *q = c.crd + 3 * v;
    if (std::isfinite(q[0]) && std::isfinite(q[1]) && std::isfinite(q[2])) continue;
    if (!bad++) first = v;
  }
  c.count += bad;
  keepFirst(c.first, first);
}

// Reads the vertices; *nonFinite and *firstNonFinite receive how many have a coordinate that is
// not finite and the first of them.
int readVertices(int64_t file, PavObject *obj, int32_t n, int64_t *nonFinite,
                 int64_t *firstNonFinite) {
  double *c = obj->crdDbl;
  int32_t *r = obj->ent[Vertices].ref;
  const size_t last = 3 * size_t(n);
  FiniteCheck check{c};
  const int ok =
      obj->dim == 3
          ? OvelGetBlock(file, kVerticesKeyword, 1, n, 0, nullptr, checkBlockFinite, &check,
                         OvelDouble, &c[3], &c[last], OvelDouble, &c[4], &c[last + 1], OvelDouble,
                         &c[5], &c[last + 2], OvelInt, &r[1], &r[n])
          : OvelGetBlock(file, kVerticesKeyword, 1, n, 0, nullptr, checkBlockFinite, &check,
                         OvelDouble, &c[3], &c[last], OvelDouble, &c[4], &c[last + 1], OvelInt,
                         &r[1], &r[n]);
  *nonFinite = check.count;
  *firstNonFinite = check.first;
  return ok;
}

int readCorners(int64_t file, PavObject *obj, int32_t n) {
  PavEntitySet &set = obj->ent[Corners];
  if (!OvelGetBlock(file, kCornersKeyword, 1, n, 0, nullptr, nullptr, OvelInt, &set.idx[1],
                    &set.idx[n]))
    return 0;
  const PavEntitySet &ver = obj->ent[Vertices];
  for (int32_t i = 1; i <= n; i++) {
    const int32_t v = set.idx[i];
    set.ref[i] = v >= 1 && v <= ver.nbr ? ver.ref[v] : 0;
  }
  return 1;
}

// Every consumer of the object indexes the vertex arrays with the element nodes: a node outside
// 1..nbrVer is refused here rather than met later. Returns the position of the first bad node of
// entities first..last in the index array, or 0.
int64_t firstBadNode(const PavEntitySet &set, int64_t first, int64_t last, int s, int32_t nbrVer) {
  const int64_t begin = int64_t(s) * first, end = int64_t(s) * (last + 1);
  const uint32_t limit = uint32_t(nbrVer);
  // Fixed runs are checked without a branch per node (a fixed trip count, which the compiler
  // vectorises), the rest one by one without a branch either; only a range holding a bad node
  // is scanned for its position.
  constexpr int64_t run = 64;
  uint32_t bad = 0;
  int64_t i = begin;
  for (; i + run <= end; i += run) {
    const int32_t *p = set.idx + i;
    for (int64_t k = 0; k < run; k++) bad |= uint32_t(uint32_t(p[k]) - 1u >= limit);
  }
  for (; i < end; i++) bad |= uint32_t(uint32_t(set.idx[i]) - 1u >= limit);
  if (!bad) return 0;
  for (i = begin; i < end; i++)
    if (uint32_t(set.idx[i]) - 1u >= limit) return i;
  return 0;
}

// The node check runs on each group of lines as soon as it is read, while its entities are still
// in the cache, on the thread that read it (groups may be read at once, in no fixed order).
struct NodeCheck {
  const PavEntitySet *set;
  int s;
  int32_t nbrVer;
  std::atomic<int64_t> checked{0}; // entities checked so far
  std::atomic<int64_t> bad{0};     // position of the first bad node, 0 while none
};

void checkBlockNodes(int64_t firstLine, int64_t lastLine, void *argument) {
  NodeCheck &c = *static_cast<NodeCheck *>(argument);
  const int64_t known = c.bad.load(std::memory_order_relaxed);
  // A group after a bad node already found cannot hold the first one.
  if (!known || int64_t(c.s) * firstLine < known)
    if (const int64_t bad = firstBadNode(*c.set, firstLine, lastLine, c.s, c.nbrVer))
      keepFirst(c.bad, bad);
  c.checked += lastLine - firstLine + 1;
}

// Reads the entities and checks their nodes; *bad receives the position of the first node
// outside 1..nbrVer (0 when none).
int readElements(int64_t file, int keyword, PavEntitySet &set, int32_t n, int s, int32_t nbrVer,
                 int64_t *bad) {
  NodeCheck check{&set, s, nbrVer};
  const int ok =
      OvelGetBlock(file, keyword, 1, n, 0, nullptr, checkBlockNodes, &check, OvelIntVec, s,
                   &set.idx[s], &set.idx[size_t(s) * size_t(n)], OvelInt, &set.ref[1], &set.ref[n]);
  // A transfer that reported fewer lines than it moved: check them all.
  if (ok && check.checked != n) check.bad = firstBadNode(set, 1, n, s, nbrVer);
  *bad = check.bad;
  return ok;
}

int32_t *copyTable(const int *from, int64_t entries) {
  if (!from || entries <= 0) return nullptr;
  auto *to = static_cast<int32_t *>(std::malloc(size_t(entries) * sizeof(int32_t)));
  if (to) std::memcpy(to, from, size_t(entries) * sizeof(int32_t));
  return to;
}

// The object keeps its polygons in malloc'ed 32-bit tables; the library's set is copied.
PavPolygonSet *readPolygons(int64_t file) {
  OvelPolygonSet *in = OvelReadPolygonSet(file);
  if (!in) return nullptr;
  const int64_t counts[] = {in->boundaryCount,    in->boundaryVertexCount, in->innerCount,
                            in->innerVertexCount, in->polyhedronCount,     in->polyhedronFaceCount};
  for (int64_t c : counts)
    if (c < 0 || c >= INT32_MAX) {
      OvelFreePolygonSet(in);
      return nullptr;
    }
  auto *set = static_cast<PavPolygonSet *>(std::calloc(1, sizeof(PavPolygonSet)));
  if (set) {
    set->nbrBndPol = int32_t(in->boundaryCount);
    set->nbrBndVer = int32_t(in->boundaryVertexCount);
    set->bndHdr = copyTable(in->boundaryHeaders, 2 * (in->boundaryCount + 1));
    set->bndVer = copyTable(in->boundaryVertices, in->boundaryVertexCount + 1);
    set->nbrInnPol = int32_t(in->innerCount);
    set->nbrInnVer = int32_t(in->innerVertexCount);
    set->innHdr = copyTable(in->innerHeaders, 2 * (in->innerCount + 1));
    set->innVer = copyTable(in->innerVertices, in->innerVertexCount + 1);
    set->nbrPolyhedra = int32_t(in->polyhedronCount);
    set->nbrPolyhedraFaces = int32_t(in->polyhedronFaceCount);
    set->phdHdr = copyTable(in->polyhedronHeaders, 2 * (in->polyhedronCount + 1));
    set->phdFac = copyTable(in->polyhedronFaces, in->polyhedronFaceCount + 1);
    // A table the library did not read (or that could not be copied) counts as absent.
    if (!set->bndHdr || !set->bndVer) set->nbrBndPol = set->nbrBndVer = 0;
    if (!set->innHdr || !set->innVer) set->nbrInnPol = set->nbrInnVer = 0;
    if (!set->phdHdr || !set->phdFac) set->nbrPolyhedra = set->nbrPolyhedraFaces = 0;
  }
  OvelFreePolygonSet(in);
  return set;
}

// ---- Solutions ----

struct SolutionFile {
  int64_t file;
  int version;
  bool binary;
  PavObject *obj;
  int iteration;
  double time;
  char *status;
};

constexpr size_t kSolutionChunkDoubles = size_t(1) << 22;

// Entities a solution list is checked against.
int32_t listCount(const PavObject *obj, int list) {
  return list == SolAtVertices ? obj->ent[Vertices].nbr : pav_Count(obj, pav_SolTyp2ListTyp(list));
}

void printInvalidSizeWarning() {
  std::printf("Warning: the size of the solution is invalid \n");
  std::printf("Please check your solution file \n");
  std::printf("In particular, check that your type of each solution is good \n");
  std::printf("1 for a scalar, 2 for a vector, 3 for symmetric matrix and 4 for a full matrix");
  std::printf(" ");
}

// Reads one solution keyword into new records pushed on the list (last field first). The
// records made are appended to `made` in field order. 0, or 2 with the message in status.
int readSolutionKeyword(SolutionFile &f, int keyword, int list, bool highOrder,
                        std::vector<PavSolution *> &made) {
  made.clear();
  std::vector<int> types(OVEL_MAX_FIELDS, 0);
  int nbrFields = 0, size = 0, degree = list == SolAtVertices ? 1 : 0, m = 1;
  const int64_t n = highOrder
                        ? OvelStatKwd(f.file, keyword, &nbrFields, &size, types.data(), &degree, &m)
                        : OvelStatKwd(f.file, keyword, &nbrFields, &size, types.data());
  if (n <= 0) return PAV_SUCCESS;
  const char *name = keywordName(keyword);
  const int32_t expected = listCount(f.obj, list);
  if (n != expected)
    return pav_Fail(f.status, "Invalid number of solution  %d should be %d for %s \n",
                    n > INT32_MAX ? INT32_MAX : int(n), expected, name);
  if (size < 1) {
    printInvalidSizeWarning();
    return PAV_SUCCESS;
  }
  const int dim = f.obj->dim;
  if (highOrder &&
      (degree < 0 || degree > PAV_MAX_DEGREE || m != pav_SolTyp2NbrNod(list, degree))) {
    std::printf("Invalid degree %d with %d nodes for %s \n", degree, m, name);
    return PAV_SUCCESS;
  }
  std::vector<int> width(static_cast<size_t>(nbrFields)), offset(static_cast<size_t>(nbrFields));
  int perNode = 0;
  for (int j = 0; j < nbrFields; j++) {
    width[j] = pav_SolKindSize(dim, types[j]);
    offset[j] = perNode;
    perNode += width[j];
  }
  if (int64_t(perNode) * m != size) {
    std::printf("Invalid size of solution for Type %s : %d and it should be %d \n", name,
                perNode * m, size);
    return PAV_SUCCESS;
  }

  std::vector<PavSolution *> recs(size_t(nbrFields), nullptr);
  auto release = [&]() {
    for (PavSolution *r : recs) pav_FreeSolutionList(r);
  };
  for (int j = 0; j < nbrFields; j++) {
    if (width[j] < 1) continue;
    recs[j] = pav_NewSolutionRecord(dim, types[j], int32_t(n), degree, m, f.status);
    if (!recs[j]) {
      release();
      return PAV_FAILURE;
    }
    recs[j]->iteration = f.iteration;
    recs[j]->time = f.time;
  }

  auto distribute = [&](int64_t i, const double *line) {
    for (int k = 0; k < m; k++)
      for (int j = 0; j < nbrFields; j++) {
        if (!recs[j]) continue;
        const double *from = line + size_t(k) * size_t(perNode) + offset[j];
        std::copy(from, from + width[j],
                  recs[j]->data + (size_t(i) * size_t(m) + size_t(k)) * size_t(width[j]));
      }
  };
  if (!f.binary) {
    // ASCII ranges are found by reading from the keyword's start: line by line avoids rereading
    // the beginning for every chunk. Version-1 lines hold floats.
    std::vector<double> line(static_cast<size_t>(size));
    std::vector<float> single(f.version == 1 ? static_cast<size_t>(size) : 0);
    OvelClearErrorText();
    bool ok = OvelGotoKwd(f.file, keyword) == 1;
    for (int64_t i = 1; ok && i <= n; i++) {
      ok = OvelGetLin(f.file, keyword,
                      f.version == 1 ? static_cast<void *>(single.data())
                                     : static_cast<void *>(line.data())) == 1;
      if (f.version == 1) std::copy(single.begin(), single.end(), line.begin());
      if (ok) distribute(i, line.data());
    }
    if (!ok) {
      release();
      pav_Fail(f.status, "Error while reading %s \n", name);
      return withReason(f.status, readReason());
    }
  } else {
    const int64_t chunk =
        std::max<int64_t>(1, std::min<int64_t>(n, int64_t(kSolutionChunkDoubles) / size));
    std::vector<double> buffer(size_t(chunk) * size_t(size));
    for (int64_t first = 1; first <= n; first += chunk) {
      const int64_t last = std::min(n, first + chunk - 1);
      OvelClearErrorText();
      if (!OvelGetBlock(f.file, keyword, first, last, 0, nullptr, nullptr, OvelDoubleVec, size,
                        &buffer[0], &buffer[size_t(last - first) * size_t(size)])) {
        release();
        pav_Fail(f.status, "Error while reading %s \n", name);
        return withReason(f.status, readReason());
      }
      for (int64_t i = first; i <= last; i++)
        distribute(i, &buffer[size_t(i - first) * size_t(size)]);
    }
  }
  int created = 0;
  for (int j = nbrFields - 1; j >= 0; j--) {
    PavSolution *r = recs[j];
    if (!r) continue;
    created++;
    if (dim == 3 && r->kind == PavSolSymMatrix) pav_SwapMetricOrder(r->data + 6 * m, n * m);
    recs[j] = nullptr;
    pav_PushSolution(f.obj, list, r, f.status);
  }
  for (PavSolution *r = pav_SolutionList(f.obj, list); r && int(made.size()) < created; r = r->next)
    made.push_back(r);
  return PAV_SUCCESS;
}

// Converts the records just read from a high-order keyword with the positions of its nodes.
int readNodesPositions(SolutionFile &f, int keyword, int kind,
                       const std::vector<PavSolution *> &made) {
  const int64_t lines = OvelStatKwd(f.file, keyword);
  if (lines <= 0 && !made.empty() && OvelGotoKwd(f.file, keyword) == 1)
    std::printf(" warning : %s holds no node position: the values are used unconverted\n",
                keywordName(keyword));
  if (lines <= 0 || made.empty()) return PAV_SUCCESS;
  const int m = made.front()->nbrNod;
  const int degree = made.front()->degree;
  if (lines != m)
    return pav_Fail(f.status,
                    "Invalid number of solution reference nodes  %d should be %d for %s \n",
                    lines > INT32_MAX ? INT32_MAX : int(lines), m, keywordName(keyword));
  if (degree < 1 || degree > PAV_MAX_DEGREE) return PAV_SUCCESS;
  const int width = pav_NodesPositionsWidth(kind);
  std::vector<double> positions(size_t(m) * size_t(width));
  if (!OvelGetBlock(f.file, keyword, 1, m, 0, nullptr, nullptr, OvelDoubleVec, width, &positions[0],
                    &positions[size_t(m - 1) * size_t(width)]))
    return pav_Fail(f.status, "Error while reading %s \n", keywordName(keyword));
  char why[PAV_STATUS_SIZE];
  if (pav_ConvertNodesPositions(kind, degree, positions.data(), made.data(), int(made.size()),
                                f.obj->dim, why) != PAV_SUCCESS) {
    if (kind == PavKindPyramid)
      std::printf("HO solution Nodes positions conversion failed for pyramid as the matrix cannot "
                  "be inverted. Display of the nodes in pavo uniform nodes distribution ");
    else
      std::printf("HO solution Nodes positions conversion failed as the matrix cannot be "
                  "inverted. Display of the nodes in pavo uniform nodes distribution ");
  }
  return PAV_SUCCESS;
}

int readAllSolutions(SolutionFile &f) {
  std::vector<PavSolution *> made;
  if (int rc = readSolutionKeyword(f, kSolAtVerticesKeyword, SolAtVertices, false, made)) return rc;
  for (int kind = 0; kind < PavKindCount; kind++) {
    const int p1List = PAV_FIRST_ELEMENT_SOLTYP + kind;
    if (int rc = readSolutionKeyword(f, solAtKeyword(kind), p1List, false, made)) return rc;
    for (int g = 1; g <= 4; g++) {
      const int list = PAV_FIRST_ELEMENT_SOLTYP + 7 * (g - 1) + kind;
      if (int rc = readSolutionKeyword(f, hoSolKeyword(kind, g), list, true, made)) return rc;
      if (int rc = readNodesPositions(f, nodesPositionsKeyword(kind, g), kind, made)) return rc;
    }
  }
  return PAV_SUCCESS;
}

// Integers of a "1,3-5" list, at most `limit` of them (one more tells the caller the list is
// longer). False for a token that is not a number or a range, or a number outside the 32-bit
// range (no solution has such a number). Checked 64-bit arithmetic: no input overflows.
bool parseNumberList(const char *text, int64_t limit, std::vector<int> &out) {
  out.clear();
  const char *p = text;
  auto number = [&p](int64_t &v) {
    char *end = nullptr;
    errno = 0;
    const long long x = std::strtoll(p, &end, 10);
    if (end == p || errno == ERANGE || x < INT32_MIN || x > INT32_MAX) return false;
    v = x;
    p = end;
    return true;
  };
  while (*p) {
    while (*p == ',' || std::isspace(static_cast<unsigned char>(*p))) p++;
    if (!*p) break;
    int64_t a = 0, b = 0;
    if (!number(a)) return false;
    b = a;
    if (*p == '-') {
      p++;
      if (!number(b)) return false;
    }
    if (*p && *p != ',' && !std::isspace(static_cast<unsigned char>(*p))) return false;
    // a and b lie in the 32-bit range, so v + 1 never overflows its 64 bits.
    for (int64_t v = a; v <= b && int64_t(out.size()) <= limit; v++) out.push_back(int(v));
  }
  return true;
}

// Messages that one file can repeat per line or per listed number: the first few are printed,
// the rest counted and summed up in one line.
struct MessageBudget {
  static constexpr int kShown = 5;
  int64_t used = 0;
  bool take() { return ++used <= kShown; }
  void summary(const char *what) const {
    if (used > kShown)
      std::printf(" %s : %lld more messages suppressed\n", what,
                  static_cast<long long>(used - kShown));
  }
};

int solutionCount(const PavObject *obj, int list) {
  int n = 0;
  for (const PavSolution *r = pav_SolutionList(obj, list); r; r = r->next) n++;
  return n;
}

} // namespace

int pav_OpenMesh(PavObject *obj, const char *name, char *status) {
  if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
  if (!name) return pav_Fail(status, "NULL (MshFile)   parameter on input\n");
  if (!status) return pav_Fail(status, PAV_MSG_NULL_STATUS);
  status[0] = status[PAV_STATUS_SIZE] = 0;
  if (notRegular(name)) {
    pav_Fail(status, "Cannot open mesh file %s\n", name);
    return withReason(status, "not a regular file");
  }
  if (pav_IsCgnsFile(name)) return pav_OpenCgnsMesh(obj, name, status);
  if (pav_IsGmshFile(name)) return pav_OpenGmshMesh(obj, name, status);

  int version = 0, dim = 0;
  std::string opened = name, why;
  int64_t file = tryOpen(opened, &version, &dim, why);
  if (!file) {
    if (std::strstr(name, ".mesh")) {
      pav_Fail(status, "Cannot open mesh file %s\n", name);
      return withReason(status, why);
    }
    why.clear(); // a bare name is expected to fail: the reason comes from the names tried next
    opened = std::string(name) + ".meshb";
    file = tryOpen(opened, &version, &dim, why);
    if (!file) {
      opened = std::string(name) + ".mesh";
      file = tryOpen(opened, &version, &dim, why);
    }
    if (!file) {
      pav_Fail(status, "Cannot open mesh file %s.[mesh[b]]\n", name);
      return withReason(status, why);
    }
  }
  recordOpenedName(status, opened);
  pav_ResetObject(obj);
  obj->dim = dim;
  printFileWarnings(file, opened);

  applyOrderings(file);

  for (int type : kReadOrder) {
    const MeshKeyword *mk = meshKeyword(type);
    const int keyword = type == Vertices  ? kVerticesKeyword
                        : type == Corners ? kCornersKeyword
                                          : mk->keyword;
    const int64_t lines = OvelStatKwd(file, keyword);
    const int s = type == Vertices ? 3 : type == Corners ? 1 : pav_MshTyp2Siz(type, nullptr);
    if (lines >= INT32_MAX) {
      OvelCloseMesh(file);
      return pav_Fail(status, "Allocation failed for %s-arrays, size %lg Mb\n",
                      pav_TypeAllocName(type),
                      double(lines + 1) * s * (type == Vertices ? 8 : 4) * 9.5367431640625e-7);
    }
    const int32_t n = int32_t(lines);
    if (pav_AllocEntityArrays(obj, type, n, status) != PAV_SUCCESS) {
      OvelCloseMesh(file);
      return PAV_FAILURE;
    }
    if (n == 0) continue;
    int ok = 0;
    int64_t bad = 0, nonFinite = 0, firstNonFinite = 0;
    OvelClearErrorText();
    if (type == Vertices)
      ok = readVertices(file, obj, n, &nonFinite, &firstNonFinite);
    else if (type == Corners)
      ok = readCorners(file, obj, n);
    else
      ok = readElements(file, keyword, obj->ent[type], n, s, obj->ent[Vertices].nbr, &bad);
    if (!ok) {
      pav_AllocEntityArrays(obj, type, 0, status);
      const std::string why = readReason();
      OvelCloseMesh(file);
      pav_Fail(status, "Error while reading %s in mesh file %s\n", keywordName(keyword),
               opened.c_str());
      return withReason(status, why);
    }
    if (nonFinite)
      std::printf(" warning : %s: %lld vertices with non-finite coordinates (first: vertex %lld)\n",
                  opened.c_str(), static_cast<long long>(nonFinite),
                  static_cast<long long>(firstNonFinite));
    if (bad) {
      const int32_t vertex = obj->ent[type].idx[bad];
      pav_AllocEntityArrays(obj, type, 0, status);
      OvelCloseMesh(file);
      return pav_Fail(status, "Invalid vertex %d in %s %lld of mesh file %s\n", vertex,
                      keywordName(keyword), static_cast<long long>(bad / s), opened.c_str());
    }
  }

  obj->pol = readPolygons(file);
  OvelCloseMesh(file);
  return PAV_SUCCESS;
}

int pav_OpenSolution(PavObject *obj, const char *name, char *status) {
  if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
  if (!name) return pav_Fail(status, "NULL (Solution Name) parameter on input\n");
  if (!status) return pav_Fail(status, PAV_MSG_NULL_STATUS);
  status[0] = status[PAV_STATUS_SIZE] = 0;
  if (notRegular(name)) {
    pav_Fail(status, "Cannot open solution file %s\n", name);
    return withReason(status, "not a regular file");
  }
  if (pav_IsCgnsFile(name)) return pav_OpenCgnsSolution(obj, name, status);
  if (pav_IsGmshFile(name)) return pav_OpenGmshSolution(obj, name, status);

  std::string base = name;
  const size_t cut = base.find(".mesh");
  if (cut != std::string::npos) base.resize(cut);
  int version = 0, dim = 0;
  std::string opened = base, why;
  int64_t file = tryOpen(opened, &version, &dim, why);
  if (!file) {
    if (base.find(".sol") == std::string::npos) {
      why.clear();
      opened = base + ".solb";
      file = tryOpen(opened, &version, &dim, why);
      if (!file) {
        opened = base + ".sol";
        file = tryOpen(opened, &version, &dim, why);
      }
    }
    if (!file) {
      pav_Fail(status, "Cannot open solution file %s.[sol[b]]\n", base.c_str());
      return withReason(status, why);
    }
  }
  recordOpenedName(status, opened);
  printFileWarnings(file, opened);
  if (dim != obj->dim) {
    OvelCloseMesh(file);
    return pav_Fail(status, "Invalid solution dimension %d should be %d \n", dim, obj->dim);
  }

  SolutionFile f{file, version, isBinaryName(opened), obj, 0, 0.0, status};
  if (OvelStatKwd(file, kTimeKeyword) > 0 && OvelGotoKwd(file, kTimeKeyword)) {
    if (version == 1) {
      float t = 0;
      if (OvelGetLin(file, kTimeKeyword, &t)) f.time = t;
    } else {
      double t = 0;
      if (OvelGetLin(file, kTimeKeyword, &t)) f.time = t;
    }
  }
  if (OvelStatKwd(file, kIterationsKeyword) > 0 && OvelGotoKwd(file, kIterationsKeyword)) {
    if (version == 4) {
      int64_t it = 0;
      if (OvelGetLin(file, kIterationsKeyword, &it)) f.iteration = int(it);
    } else {
      int it = 0;
      if (OvelGetLin(file, kIterationsKeyword, &it)) f.iteration = it;
    }
  }

  if (int rc = readAllSolutions(f)) {
    OvelCloseMesh(file);
    return rc;
  }
  pav_ReadSolutionsStrings(file, obj, version);
  OvelCloseMesh(file);
  return PAV_SUCCESS;
}

int pav_ReadSolutionsStrings(int64_t file, PavObject *obj, int version) {
  const int64_t lines = OvelStatKwd(file, kReferenceStringsKeyword);
  if (!obj || lines <= 0 || !OvelGotoKwd(file, kReferenceStringsKeyword)) return 0;
  int named = 0;
  MessageBudget budget;
  std::vector<int> numbers;
  for (int64_t l = 0; l < lines; l++) {
    char text[OVEL_STRING_SIZE] = {0};
    int64_t code = 0, count = 0;
    int ok = 0;
    if (version == 4) {
      ok = OvelGetLin(file, kReferenceStringsKeyword, &code, &count, text);
    } else {
      int c = 0, k = 0;
      ok = OvelGetLin(file, kReferenceStringsKeyword, &c, &k, text);
      code = c;
      count = k;
    }
    if (!ok) break;
    text[OVEL_STRING_SIZE - 1] = 0;
    if (code < 0 || code > OVEL_MAX_KEYWORD) {
      if (budget.take())
        std::printf(" pav_ReadSolutionsStrings : invalid keywork id %d should be in [0-%d].\n",
                    int(code), OVEL_MAX_KEYWORD + 1);
      continue;
    }
    const char *kwd = keywordName(int(code));
    const int list = keywordList(int(code));
    if (!list) {
      if (budget.take())
        std::printf(" ERROR: Keyword %s (= %d) is not of solution type\n", kwd, int(code));
      continue;
    }
    // The list is expanded no further than the keyword's solutions plus one: a list that names
    // more than there are is refused whole with one message (not one per listed number), and
    // a range such as 1-2000000000 costs nothing.
    const int held = solutionCount(obj, list);
    char word[2][OVEL_STRING_SIZE];
    char extra[OVEL_STRING_SIZE];
    if (std::sscanf(text, "%255s %255s %255s", word[0], word[1], extra) != 2 ||
        !parseNumberList(word[1], std::min<int64_t>(count, held), numbers)) {
      if (budget.take())
        std::printf(" pav_ReadSolutionsStrings : error with ReferenceStrings %s attached to %s.\n "
                    "Invalid string.\n",
                    text, kwd);
      continue;
    }
    if (int64_t(numbers.size()) > held) {
      if (budget.take())
        std::printf(" pav_ReadSolutionsStrings : error with ReferenceStrings %.64s attached to "
                    "%s.\n The list names more numbers than the %d solutions of %s.\n",
                    text, kwd, held, kwd);
      continue;
    }
    if (int64_t(numbers.size()) != count) {
      if (budget.take())
        std::printf(" pav_ReadSolutionsStrings : error with ReferenceStrings %s attached to %s.\n "
                    "The number of given references (%d) should match the given number (%d).\n",
                    text, kwd, int(numbers.size()), int(count));
      continue;
    }
    for (int k : numbers) {
      if (k < 1 || k > held) {
        if (budget.take())
          std::printf(" ERROR: Solution # %d corresponding to keyword %s (= %d) does not exists\n",
                      k, kwd, int(code));
        continue;
      }
      if (pav_SetSolutionName(obj, int(code), k, word[0]) == PAV_SUCCESS) named++;
    }
  }
  budget.summary("pav_ReadSolutionsStrings");
  return named;
}

int pav_SetSolutionName(PavObject *obj, int keyword, int k, const char *name) {
  if (!obj || !name) return PAV_FAILURE;
  const int list = keywordList(keyword);
  const char *kwd = keywordName(keyword);
  if (!list) {
    std::printf(" ERROR: Keyword %s (= %d) is not of solution type\n", kwd, keyword);
    return PAV_FAILURE;
  }
  PavSolution *rec = k >= 1 ? pav_SolutionList(obj, list) : nullptr;
  for (int i = 1; i < k && rec; i++) rec = rec->next;
  if (!rec) {
    std::printf(" ERROR: Solution # %d corresponding to keyword %s (= %d) does not exists\n", k,
                kwd, keyword);
    return PAV_FAILURE;
  }
  std::snprintf(rec->name, PAV_NAME_SIZE, "%s", name);
  return PAV_SUCCESS;
}
