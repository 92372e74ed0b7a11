// Polygons and polyhedra: runs of a vertex (or face) table delimited by 1-based headers.
#include "ovel_internal.h"

#include <algorithm>
#include <new>

namespace {

// Reads `count` pairs of a header keyword into a new 1-based table, or null.
int *readHeaders(int64_t handle, int code, int64_t count) {
  int *t = new (std::nothrow) int[static_cast<size_t>(2 * (count + 1))]();
  if (t && !OvelGetBlock(handle, code, 1, count, 0, nullptr, nullptr, OvelIntVec, 2, &t[2],
                         &t[2 * count])) {
    delete[] t;
    return nullptr;
  }
  return t;
}

int *readEntries(int64_t handle, int code, int64_t count) {
  int *t = new (std::nothrow) int[static_cast<size_t>(count + 1)]();
  if (t && !OvelGetBlock(handle, code, 1, count, 0, nullptr, nullptr, OvelInt, &t[1], &t[count])) {
    delete[] t;
    return nullptr;
  }
  return t;
}

// Copies the run of polygon i (reversed for i < 0) into out; at most OVEL_POLYGON_MAX entries.
int run(const int *headers, int64_t count, const int *entries, int64_t entryCount, int64_t i,
        int *out) {
  if (!headers || !entries || !out) return 0;
  const bool reverse = i < 0;
  if (reverse) i = -i;
  if (i < 1 || i > count) return 0;
  int64_t begin = headers[2 * i];
  int64_t end = i < count ? headers[2 * (i + 1)] - 1 : entryCount;
  begin = std::max<int64_t>(begin, 1);
  end = std::min(end, entryCount);
  if (end < begin) return 0;
  end = std::min(end, begin + OVEL_POLYGON_MAX - 1);
  int n = static_cast<int>(end - begin + 1);
  std::copy(entries + begin, entries + end + 1, out);
  if (reverse) std::reverse(out, out + n);
  return n;
}

} // namespace

OvelPolygonSet *OvelReadPolygonSet(int64_t handle) {
  if (!ovel::lookup(handle)) return nullptr;
  int64_t nbh = OvelStatKwd(handle, OvelBoundaryPolygonHeaders);
  int64_t nbv = OvelStatKwd(handle, OvelBoundaryPolygonVertices);
  int64_t nih = OvelStatKwd(handle, OvelInnerPolygonHeaders);
  int64_t niv = OvelStatKwd(handle, OvelInnerPolygonVertices);
  int64_t nph = OvelStatKwd(handle, OvelPolyhedraHeaders);
  int64_t npf = OvelStatKwd(handle, OvelPolyhedraFaces);
  // Entries are ints: larger tables cannot be indexed by them.
  const int64_t limit = INT32_MAX / 2;
  if (nbh > limit || nbv > limit || nih > limit || niv > limit || nph > limit || npf > limit)
    return nullptr;
  const bool boundary = nbh > 0 && nbv > 0;
  const bool inner = nih > 0 && niv > 0 && nph > 0 && npf > 0;
  if (!boundary && !inner) return nullptr;
  OvelPolygonSet *s = new (std::nothrow) OvelPolygonSet;
  if (!s) return nullptr;
  bool ok = true;
  if (boundary) {
    s->boundaryCount = nbh;
    s->boundaryVertexCount = nbv;
    ok = (s->boundaryHeaders = readHeaders(handle, OvelBoundaryPolygonHeaders, nbh)) &&
         (s->boundaryVertices = readEntries(handle, OvelBoundaryPolygonVertices, nbv));
  }
  if (ok && inner) {
    s->innerCount = nih;
    s->innerVertexCount = niv;
    s->polyhedronCount = nph;
    s->polyhedronFaceCount = npf;
    ok = (s->innerHeaders = readHeaders(handle, OvelInnerPolygonHeaders, nih)) &&
         (s->innerVertices = readEntries(handle, OvelInnerPolygonVertices, niv)) &&
         (s->polyhedronHeaders = readHeaders(handle, OvelPolyhedraHeaders, nph)) &&
         (s->polyhedronFaces = readEntries(handle, OvelPolyhedraFaces, npf));
  }
  if (!ok) {
    OvelFreePolygonSet(s);
    return nullptr;
  }
  return s;
}

void OvelFreePolygonSet(OvelPolygonSet *set) {
  if (!set) return;
  delete[] set->boundaryHeaders;
  delete[] set->boundaryVertices;
  delete[] set->innerHeaders;
  delete[] set->innerVertices;
  delete[] set->polyhedronHeaders;
  delete[] set->polyhedronFaces;
  delete set;
}

int OvelGetBoundaryPolygon(const OvelPolygonSet *set, int64_t i, int *out) {
  if (!set || i < 0) return 0;
  return run(set->boundaryHeaders, set->boundaryCount, set->boundaryVertices,
             set->boundaryVertexCount, i, out);
}

int OvelGetInnerPolygon(const OvelPolygonSet *set, int64_t i, int *out) {
  if (!set) return 0;
  return run(set->innerHeaders, set->innerCount, set->innerVertices, set->innerVertexCount, i, out);
}

int OvelGetPolyhedron(const OvelPolygonSet *set, int64_t i, int *out) {
  if (!set || i < 0) return 0;
  return run(set->polyhedronHeaders, set->polyhedronCount, set->polyhedronFaces,
             set->polyhedronFaceCount, i, out);
}
