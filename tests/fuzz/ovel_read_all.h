// Reads every keyword of an open file both ways (line by line, then as one block), the way a
// careless caller would size its arrays: by the counts the file claims. Shared by the fuzz targets
// and the damaged-file tests.
#pragma once

#include "ovel.h"
#include "ovel_internal.h"

#include <utility>
#include <vector>

namespace ovel_fuzz {

// Lines read one at a time per keyword, and values moved by one block, at most.
constexpr int64_t kMaxLines = 20000;
constexpr int64_t kMaxBlockValues = int64_t(1) << 22;
// Pointers passed to OvelGetLin: more than the longest non-solution line (126 fields).
constexpr int kSlots = 130;

template <size_t... I>
int getLine(int64_t h, int code, char (*slots)[OVEL_STRING_SIZE], std::index_sequence<I...>) {
  return OvelGetLin(h, code, static_cast<void *>(slots[I])...);
}

struct Outcome {
  int keywords = 0; // present keywords
  int lineFailures = 0;
  int blockFailures = 0;
};

inline Outcome readAll(int64_t h) {
  Outcome out;
  ovel::File *f = ovel::lookup(h);
  if (!f) return out;
  static char slots[kSlots][OVEL_STRING_SIZE];
  std::vector<char> solution;
  for (int code = 1; code <= OVEL_MAX_KEYWORD; code++) {
    int fields = 0, size = 0, degree = 0, nodes = 0;
    static int types[OVEL_MAX_FIELDS];
    int64_t n = OvelStatKwd(h, code, &fields, &size, types, &degree, &nodes);
    const ovel::Keyword &kw = f->keywords[code];
    if (!kw.present) continue;
    out.keywords++;
    const bool isSolution = OvelKeywordEntry(code)->kind == OvelKwdSolution;
    if (OvelGotoKwd(h, code) != 1) out.lineFailures++;
    solution.assign(static_cast<size_t>(kw.fields.size() * 8 + 8), 0);
    for (int64_t l = 0; l < std::min(n, kMaxLines); l++) {
      int ok = isSolution ? OvelGetLin(h, code, solution.data())
                          : getLine(h, code, slots, std::make_index_sequence<kSlots>());
      if (!ok) {
        out.lineFailures++;
        break;
      }
    }
    const size_t nf = kw.fields.size();
    if (OvelKeywordEntry(code)->kind == OvelKwdInfo || n < 1 || nf == 0 ||
        kw.fields.find('c') != std::string::npos || n * static_cast<int64_t>(nf) > kMaxBlockValues)
      continue;
    // One interleaved table of 64-bit values, every field converted to double or int64_t.
    std::vector<int64_t> table(static_cast<size_t>(n) * nf);
    std::vector<int> blockTypes(nf), lengths(nf, 1);
    std::vector<void *> firsts(nf), lasts(nf);
    for (size_t j = 0; j < nf; j++) {
      blockTypes[j] = kw.fields[j] == 'r' ? OvelDouble : OvelLong;
      firsts[j] = &table[j];
      lasts[j] = &table[static_cast<size_t>(n - 1) * nf + j];
    }
    if (!OvelGetBlock(h, code, 1, n, 0, nullptr, nullptr, OvelFieldTables, blockTypes.data(),
                      lengths.data(), firsts.data(), lasts.data()))
      out.blockFailures++;
  }
  OvelPolygonSet *polygons = OvelReadPolygonSet(h);
  if (polygons) {
    int run[OVEL_POLYGON_MAX];
    for (int64_t i = 1; i <= std::min<int64_t>(polygons->boundaryCount, kMaxLines); i++)
      OvelGetBoundaryPolygon(polygons, i, run);
    for (int64_t i = 1; i <= std::min<int64_t>(polygons->innerCount, kMaxLines); i++)
      OvelGetInnerPolygon(polygons, -i, run);
    for (int64_t i = 1; i <= std::min<int64_t>(polygons->polyhedronCount, kMaxLines); i++)
      OvelGetPolyhedron(polygons, i, run);
    OvelFreePolygonSet(polygons);
  }
  return out;
}

} // namespace ovel_fuzz
