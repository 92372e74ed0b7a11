// Moving lines between files and caller memory: one line at a time (OvelGetLin, OvelSetLin) or a
// range of lines with conversion (OvelGetBlock, OvelSetBlock).
#include "ovel_internal.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdarg>
#include <type_traits>
#include <utility>

namespace ovel {

int64_t blockFloorBytes = int64_t(4) << 20;

namespace {

// ---------------------------------------------------------------------------------------------
// ASCII output of single values, each followed by one blank: "%.9g", "%.17g", "%d" / "%lld".
// std::to_chars with a precision prints exactly what printf prints, many times faster.

void putInteger(Writer &w, int64_t v) {
  char *p = w.reserve(24);
  char *e = std::to_chars(p, p + 23, v).ptr;
  *e++ = ' ';
  w.commit(static_cast<size_t>(e - p));
}

void putReal(Writer &w, double v, int bytes) {
  char *p = w.reserve(40);
  char *e = bytes == 4
                ? std::to_chars(p, p + 39, static_cast<float>(v), std::chars_format::general, 9).ptr
                : std::to_chars(p, p + 39, v, std::chars_format::general, 17).ptr;
  *e++ = ' ';
  w.commit(static_cast<size_t>(e - p));
}

// A string stops at a line end (ASCII strings run to the end of their line) and at 255 bytes.
size_t stringLength(const char *s) {
  size_t n = 0;
  while (n < OVEL_STRING_SIZE - 1 && s[n] && s[n] != '\n' && s[n] != '\r') n++;
  return n;
}

void putString(Writer &w, const char *s) {
  size_t n = stringLength(s);
  char *p = w.reserve(n + 1);
  std::memcpy(p, s, n);
  p[n] = ' ';
  w.commit(n + 1);
}

// ---------------------------------------------------------------------------------------------
// Field lists of block transfers

struct Destination {
  int type = 0;         // OvelFloat .. OvelLong
  char *base = nullptr; // the value of position 0
  int64_t stride = 0;   // bytes between positions
};

int typeBytes(int type) { return type == OvelFloat || type == OvelInt ? 4 : 8; }

// Reads the caller's field list until it covers `count` fields. False for an unknown type, a
// vector length below 1 or beyond the fields left, or a null address.
bool collectFields(va_list *ap, size_t count, int64_t first, int64_t last,
                   std::vector<Destination> &out) {
  out.clear();
  auto add = [&](int type, int length, void *firstAddress, void *lastAddress) {
    if (type >= OvelFloatVec && type <= OvelLongVec)
      type -= 4;
    else
      length = 1;
    if (type < OvelFloat || type > OvelLong || length < 1 ||
        static_cast<size_t>(length) > count - out.size() || !firstAddress || !lastAddress)
      return false;
    char *a = static_cast<char *>(firstAddress), *b = static_cast<char *>(lastAddress);
    int64_t stride = last > first ? (b - a) / (last - first) : 0;
    for (int k = 0; k < length; k++)
      out.push_back({type, a + static_cast<int64_t>(k) * typeBytes(type), stride});
    return true;
  };
  while (out.size() < count) {
    int type = va_arg(*ap, int);
    if (type == OvelFieldTables) {
      const int *types = va_arg(*ap, const int *);
      const int *lengths = va_arg(*ap, const int *);
      void *const *firsts = va_arg(*ap, void *const *);
      void *const *lasts = va_arg(*ap, void *const *);
      if (!types || !lengths || !firsts || !lasts) return false;
      for (size_t g = 0; out.size() < count; g++)
        if (!add(types[g], lengths[g], firsts[g], lasts[g])) return false;
      return true;
    }
    int length = 1;
    if (type >= OvelFloatVec && type <= OvelLongVec) length = va_arg(*ap, int);
    void *a = va_arg(*ap, void *);
    void *b = va_arg(*ap, void *);
    if (!add(type, length, a, b)) return false;
  }
  return true;
}

// The checks shared by both block directions; fills dest (one per file field, node order
// applied) and the map.
bool prepareBlock(File &f, int code, int64_t first, int64_t last, int mapType, const void *map,
                  va_list *ap, std::vector<Destination> &dest) {
  if (code < 1 || code > OVEL_MAX_KEYWORD) return false;
  const Keyword &kw = f.keywords[code];
  if (!kw.present || OvelKeywordEntry(code)->kind == OvelKwdInfo) return false;
  if (first < 1 || first > last || last > kw.lines) return false;
  if (kw.fields.find('c') != std::string::npos) return false;
  if (mapType != 0 && mapType != 3 && mapType != 4) return false;
  if (mapType != 0) {
    if (!map) return false;
    for (int64_t i = first; i <= last; i++) {
      int64_t m =
          mapType == 3 ? static_cast<const int *>(map)[i] : static_cast<const int64_t *>(map)[i];
      if (m < 1) return false;
    }
  }
  if (!collectFields(ap, kw.fields.size(), first, last, dest)) return false;
  for (size_t j = 0; j < dest.size(); j++) {
    bool real = kw.fields[j] == 'r';
    bool realDest = dest[j].type == OvelFloat || dest[j].type == OvelDouble;
    if (real != realDest) return false;
  }
  if (!kw.order.empty() && kw.fields.size() == kw.order.size() + 1) {
    std::vector<Destination> byNode(dest);
    for (size_t j = 0; j < kw.order.size(); j++) byNode[j] = dest[static_cast<size_t>(kw.order[j])];
    dest.swap(byNode);
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Column kernels: one file field of `count` lines, between a block of file lines and the
// caller's positions.

// An in-kernel returns false when a value does not fit the caller's type (an integer beyond the
// int32 range read into an OvelInt field).
using InKernel = bool (*)(const char *src, int64_t lineBytes, int64_t count, const int64_t *pos,
                          int64_t p0, char *base, int64_t stride);
using OutKernel = void (*)(char *dst, int64_t lineBytes, int64_t count, const int64_t *pos,
                           int64_t p0, const char *base, int64_t stride);

// Nonzero when v lies outside the int32 range: or-ed over a whole column, it checks the narrowing
// without a branch per value.
inline uint64_t outsideInt32(int64_t v) {
  return (static_cast<uint64_t>(v) + uint64_t(0x80000000u)) >> 32;
}

template <typename S, typename D, bool Swap>
bool columnIn(const char *src, int64_t lineBytes, int64_t count, const int64_t *pos, int64_t p0,
              char *base, int64_t stride) {
  constexpr bool narrowing = std::is_same_v<S, int64_t> && std::is_same_v<D, int32_t>;
  uint64_t outside = 0;
  for (int64_t l = 0; l < count; l++) {
    S v;
    std::memcpy(&v, src + l * lineBytes, sizeof v);
    if constexpr (Swap) v = byteSwap(v);
    if constexpr (narrowing) outside |= outsideInt32(v);
    D d = static_cast<D>(v);
    std::memcpy(base + (pos ? pos[l] : p0 + l) * stride, &d, sizeof d);
  }
  return outside == 0;
}

template <typename S, typename D, bool Swap>
void columnOut(char *dst, int64_t lineBytes, int64_t count, const int64_t *pos, int64_t p0,
               const char *base, int64_t stride) {
  for (int64_t l = 0; l < count; l++) {
    S v;
    std::memcpy(&v, base + (pos ? pos[l] : p0 + l) * stride, sizeof v);
    D d = static_cast<D>(v);
    if constexpr (Swap) d = byteSwap(d);
    std::memcpy(dst + l * lineBytes, &d, sizeof d);
  }
}

// File types: 0 float, 1 double, 2 int32, 3 int64; caller types OvelFloat .. OvelLong.
template <bool Swap> InKernel inKernel(int fileType, int type) {
  switch (fileType * 4 + type - 1) {
  case 0:
    return columnIn<float, float, Swap>;
  case 1:
    return columnIn<float, double, Swap>;
  case 4:
    return columnIn<double, float, Swap>;
  case 5:
    return columnIn<double, double, Swap>;
  case 10:
    return columnIn<int32_t, int32_t, Swap>;
  case 11:
    return columnIn<int32_t, int64_t, Swap>;
  case 14:
    return columnIn<int64_t, int32_t, Swap>;
  case 15:
    return columnIn<int64_t, int64_t, Swap>;
  default:
    return nullptr;
  }
}

template <bool Swap> OutKernel outKernel(int fileType, int type) {
  switch (fileType * 4 + type - 1) {
  case 0:
    return columnOut<float, float, Swap>;
  case 1:
    return columnOut<double, float, Swap>;
  case 4:
    return columnOut<float, double, Swap>;
  case 5:
    return columnOut<double, double, Swap>;
  case 10:
    return columnOut<int32_t, int32_t, Swap>;
  case 11:
    return columnOut<int64_t, int32_t, Swap>;
  case 14:
    return columnOut<int32_t, int64_t, Swap>;
  case 15:
    return columnOut<int64_t, int64_t, Swap>;
  default:
    return nullptr;
  }
}

int fileType(const File &f, char letter) {
  if (letter == 'r') return f.realBytes == 4 ? 0 : 1;
  return f.intBytes == 4 ? 2 : 3;
}

// Fields whose caller type is the file type, without byte swapping, and whose caller values sit
// side by side (a vector group) move as one fixed-size copy per line.
template <int Bytes>
bool runIn(const char *src, int64_t lineBytes, int64_t count, const int64_t *pos, int64_t p0,
           char *base, int64_t stride) {
  for (int64_t l = 0; l < count; l++)
    std::memcpy(base + (pos ? pos[l] : p0 + l) * stride, src + l * lineBytes, Bytes);
  return true;
}

// W adjacent 64-bit integer fields read into W adjacent int32 values: one tight loop per line, or
// a single loop over the whole block when neither the file lines nor the caller's positions hold
// anything else, so that the compiler vectorises the narrowing and its range check.
template <int W>
bool narrowIn(const char *src, int64_t lineBytes, int64_t count, const int64_t *pos, int64_t p0,
              char *base, int64_t stride) {
  uint64_t outside = 0;
  if (!pos && lineBytes == 8 * W && stride == 4 * W) {
    const int64_t n = count * W;
    char *dst = base + p0 * stride;
    for (int64_t k = 0; k < n; k++) {
      int64_t v;
      std::memcpy(&v, src + 8 * k, 8);
      outside |= outsideInt32(v);
      const int32_t d = static_cast<int32_t>(v);
      std::memcpy(dst + 4 * k, &d, 4);
    }
    return outside == 0;
  }
  for (int64_t l = 0; l < count; l++) {
    const char *s = src + l * lineBytes;
    char *dst = base + (pos ? pos[l] : p0 + l) * stride;
    for (int k = 0; k < W; k++) {
      int64_t v;
      std::memcpy(&v, s + 8 * k, 8);
      outside |= outsideInt32(v);
      const int32_t d = static_cast<int32_t>(v);
      std::memcpy(dst + 4 * k, &d, 4);
    }
  }
  return outside == 0;
}

template <int Bytes>
void runOut(char *dst, int64_t lineBytes, int64_t count, const int64_t *pos, int64_t p0,
            const char *base, int64_t stride) {
  for (int64_t l = 0; l < count; l++)
    std::memcpy(dst + l * lineBytes, base + (pos ? pos[l] : p0 + l) * stride, Bytes);
}

constexpr int kMaxRunWords = 16;

template <int... W>
void runKernels(std::integer_sequence<int, W...>, int words, InKernel &in, OutKernel &out) {
  ((words == W + 1 ? (in = runIn<4 * (W + 1)>, out = runOut<4 * (W + 1)>, 0) : 0), ...);
}

template <int... W> void narrowKernels(std::integer_sequence<int, W...>, int values, InKernel &in) {
  ((values == W + 1 ? (in = narrowIn<W + 1>, 0) : 0), ...);
}

struct Column {
  int64_t offset;
  InKernel in;
  OutKernel out;
  Destination dest;
  int bytes;    // of the file value
  bool plain;   // caller type equals file type and no byte swap
  bool narrows; // 64-bit file integers into int32 values, no byte swap
};

// A line made of one plain run followed by one plain 4-byte value (the nodes and the reference of
// an element, the coordinates and the reference of a vertex) read in one pass over the lines
// instead of one per column, the lines going to consecutive caller positions.
using PairKernel = void (*)(const char *src, int64_t count, char *run, int64_t runStride,
                            char *value, int64_t valueStride);

template <int Bytes>
void pairIn(const char *src, int64_t count, char *run, int64_t runStride, char *value,
            int64_t valueStride) {
  for (int64_t l = 0; l < count; l++) {
    const char *line = src + l * (Bytes + 4);
    std::memcpy(run + l * runStride, line, Bytes);
    std::memcpy(value + l * valueStride, line + Bytes, 4);
  }
}

template <int... W> PairKernel pairKernel(std::integer_sequence<int, W...>, int words) {
  PairKernel k = nullptr;
  ((words == W + 1 ? (k = pairIn<4 * (W + 1)>, 0) : 0), ...);
  return k;
}

struct BlockJob {
  std::vector<Column> columns;
  int64_t lineBytes = 0;
  int64_t first = 0; // first line of the range
  int mapType = 0;
  const void *map = nullptr;
  std::vector<int64_t> positions;
  OvelProgress progress = nullptr;
  void *argument = nullptr;
  // Every value read fitted its caller type (blocks may convert at once).
  std::atomic<bool> fits{true};
  // Reading lines of one plain run and one plain 4-byte value, the whole line: both in one pass.
  PairKernel pair = nullptr;

  // Caller position of line first + l (from 0).
  int64_t positionOf(int64_t l) const {
    if (!mapType) return l;
    const int64_t i = first + l;
    return (mapType == 3 ? static_cast<const int *>(map)[i]
                         : static_cast<const int64_t *>(map)[i]) -
           1;
  }

  // Caller positions of lines first + start .. first + start + count - 1, or null when linear.
  const int64_t *positionsOf(int64_t start, int64_t count) {
    if (!mapType) return nullptr;
    positions.resize(static_cast<size_t>(count));
    for (int64_t l = 0; l < count; l++) {
      int64_t i = first + start + l;
      positions[static_cast<size_t>(l)] =
          (mapType == 3 ? static_cast<const int *>(map)[i] : static_cast<const int64_t *>(map)[i]) -
          1;
    }
    return positions.data();
  }
};

void convertBlock(void *context, const char *block, int64_t start, int64_t count) {
  BlockJob &job = *static_cast<BlockJob *>(context);
  if (block) {
    const int64_t *pos = job.positionsOf(start, count);
    // Every column over a slice of 32 KiB of lines before the next slice: the later columns find
    // the lines still in the first-level cache instead of going through the whole block again.
    // The progress call follows each slice too, so that a caller checking the values it received
    // reads them from that cache as well.
    const int64_t slice = std::max<int64_t>(1, (int64_t(32) << 10) / job.lineBytes);
    for (int64_t s = 0; s < count; s += slice) {
      const int64_t n = std::min(slice, count - s);
      const char *lines = block + s * job.lineBytes;
      if (job.pair) {
        const Destination &a = job.columns[0].dest, &b = job.columns[1].dest;
        job.pair(lines, n, a.base + (start + s) * a.stride, a.stride,
                 b.base + (start + s) * b.stride, b.stride);
      } else {
        for (const Column &c : job.columns)
          if (!c.in(lines + c.offset, job.lineBytes, n, pos ? pos + s : nullptr, start + s,
                    c.dest.base, c.dest.stride))
            job.fits.store(false, std::memory_order_relaxed);
      }
      if (job.progress)
        job.progress(job.first + start + s, job.first + start + s + n - 1, job.argument);
    }
    return;
  }
  if (job.progress) job.progress(job.first + start, job.first + start + count - 1, job.argument);
}

void makeJob(BlockJob &job, File &f, const Keyword &kw, std::vector<Destination> &dest,
             int64_t first, int mapType, const void *map, OvelProgress progress, void *argument,
             bool reading) {
  job.lineBytes = kw.lineBytes;
  job.first = first;
  job.mapType = mapType;
  job.map = map;
  job.progress = progress;
  job.argument = argument;
  int64_t offset = 0;
  for (size_t j = 0; j < kw.fields.size(); j++) {
    int ft = fileType(f, kw.fields[j]);
    Column c;
    c.offset = offset;
    c.in = f.swap ? inKernel<true>(ft, dest[j].type) : inKernel<false>(ft, dest[j].type);
    c.out = f.swap ? outKernel<true>(ft, dest[j].type) : outKernel<false>(ft, dest[j].type);
    c.dest = dest[j];
    c.bytes = ft == 0 || ft == 2 ? 4 : 8;
    static const int sameType[4] = {OvelFloat, OvelDouble, OvelInt, OvelLong};
    c.plain = !f.swap && sameType[ft] == dest[j].type;
    c.narrows = !f.swap && ft == 3 && dest[j].type == OvelInt;
    offset += c.bytes;
    // Merge with the previous column into one copy when both are plain and adjacent in memory.
    if (!job.columns.empty()) {
      Column &p = job.columns.back();
      const int bytes = int(c.offset - p.offset) + c.bytes;
      if (p.plain && c.plain && p.dest.stride == c.dest.stride &&
          p.dest.base + (c.offset - p.offset) == c.dest.base && bytes <= 4 * kMaxRunWords) {
        runKernels(std::make_integer_sequence<int, kMaxRunWords>(), bytes / 4, p.in, p.out);
        p.bytes = bytes;
        continue;
      }
      // Likewise for narrowing integers when reading (writing widens field by field).
      if (reading && p.narrows && c.narrows && p.dest.stride == c.dest.stride &&
          p.dest.base + (c.offset - p.offset) / 2 == c.dest.base && bytes <= 8 * kMaxRunWords) {
        narrowKernels(std::make_integer_sequence<int, kMaxRunWords>(), bytes / 8, p.in);
        p.bytes = bytes;
        continue;
      }
    }
    job.columns.push_back(c);
  }
  const std::vector<Column> &cs = job.columns;
  if (reading && !mapType && cs.size() == 2 && cs[0].plain && cs[1].plain && cs[1].bytes == 4 &&
      cs[0].bytes % 4 == 0 && cs[1].offset == cs[0].bytes && job.lineBytes == cs[0].bytes + 4)
    job.pair = pairKernel(std::make_integer_sequence<int, kMaxRunWords>(), cs[0].bytes / 4);
}

int64_t blockLines(int64_t lineBytes) {
  // 10000 lines per block, more when lines are short: each block then holds at least 4 MiB, which
  // keeps the hand-overs between the reading thread and the converting one rare enough not to
  // show (with 20-byte tetrahedra, 10000-line blocks ran 2.5 times slower than read() on a busy
  // machine). Very long lines get fewer lines, so that a buffer stays below 16 MiB.
  const int64_t cap = int64_t(16) << 20;
  if (lineBytes <= 0) return OVEL_BLOCK_LINES;
  return std::max<int64_t>(
      1, std::min(std::max(OVEL_BLOCK_LINES, blockFloorBytes / lineBytes), cap / lineBytes));
}

// ASCII: how the values of one field go to the caller.
struct AsciiField {
  enum Kind { DoubleToDouble, DoubleToFloat, FloatToFloat, FloatToDouble, IntToInt, IntToLong };
  Kind kind;
  bool checked; // 32-bit file integers read into 64-bit values: the int32 range still applies
  char *base;
  int64_t stride;
};

AsciiField asciiField(const File &f, char letter, const Destination &d) {
  AsciiField a;
  a.base = d.base;
  a.stride = d.stride;
  a.checked = f.intBytes == 4;
  if (letter == 'r') {
    if (f.realBytes == 4)
      a.kind = d.type == OvelFloat ? AsciiField::FloatToFloat : AsciiField::FloatToDouble;
    else
      a.kind = d.type == OvelDouble ? AsciiField::DoubleToDouble : AsciiField::DoubleToFloat;
  } else {
    a.kind = d.type == OvelLong ? AsciiField::IntToLong : AsciiField::IntToInt;
  }
  return a;
}

template <typename T> void store(char *addr, T v) { std::memcpy(addr, &v, sizeof v); }

void writeAsciiValue(File &f, char letter, int type, const char *addr) {
  if (letter == 'r') {
    double v;
    if (type == OvelFloat) {
      float s;
      std::memcpy(&s, addr, 4);
      v = s;
    } else {
      std::memcpy(&v, addr, 8);
    }
    putReal(f.writer, v, f.realBytes);
    return;
  }
  int64_t v;
  if (type == OvelInt) {
    int32_t s;
    std::memcpy(&s, addr, 4);
    v = s;
  } else {
    std::memcpy(&v, addr, 8);
  }
  if (f.intBytes == 4) v = static_cast<int32_t>(v);
  putInteger(f.writer, v);
}

int getBlock(File &f, int code, int64_t first, int64_t last, int mapType, const void *map,
             OvelProgress progress, va_list *ap) {
  if (f.mode != OvelRead) return 0;
  void *argument = progress ? va_arg(*ap, void *) : nullptr;
  std::vector<Destination> dest;
  if (!prepareBlock(f, code, first, last, mapType, map, ap, dest)) return 0;
  const Keyword &kw = f.keywords[code];
  BlockJob job;
  makeJob(job, f, kw, dest, first, mapType, map, progress, argument, true);
  const int64_t count = last - first + 1;
  if (!f.ascii) {
    // Without a map, every block has its own destinations: the blocks may convert at once.
    return readBlocks(f.fd, kw.position + (first - 1) * kw.lineBytes, kw.lineBytes, count,
                      blockLines(kw.lineBytes), mapType == 0, convertBlock, &job) &&
                   job.fits
               ? 1
               : 0;
  }
  f.current = 0; // line reading must be positioned again
  f.reader.seek(kw.position);
  std::string_view t;
  const size_t nf = kw.fields.size();
  for (int64_t l = 1; l < first; l++)
    for (size_t j = 0; j < nf; j++)
      if (!f.reader.token(t)) return 0;
  // The conversion of every field is chosen once; the loop then parses straight into the
  // caller's memory.
  std::vector<AsciiField> fields(nf);
  for (size_t j = 0; j < nf; j++) fields[j] = asciiField(f, kw.fields[j], dest[j]);
  Reader &r = f.reader;
  for (int64_t l = 0; l < count; l++) {
    const int64_t p = job.positionOf(l);
    for (const AsciiField &a : fields) {
      char *addr = a.base + p * a.stride;
      switch (a.kind) {
      case AsciiField::DoubleToDouble:
        store(addr, r.real64());
        break;
      case AsciiField::DoubleToFloat:
        store(addr, static_cast<float>(r.real64()));
        break;
      case AsciiField::FloatToFloat:
        store(addr, r.real32());
        break;
      case AsciiField::FloatToDouble:
        store(addr, static_cast<double>(r.real32()));
        break;
      case AsciiField::IntToInt: {
        const int64_t v = r.integer();
        if (outsideInt32(v)) fail();
        store(addr, static_cast<int32_t>(v));
        break;
      }
      case AsciiField::IntToLong: {
        const int64_t v = r.integer();
        if (a.checked && outsideInt32(v)) fail();
        store(addr, v);
        break;
      }
      }
    }
    if (progress) progress(first + l, first + l, argument);
  }
  return 1;
}

int setBlock(File &f, int code, int64_t first, int64_t last, int mapType, const void *map,
             OvelProgress progress, va_list *ap) {
  if (f.mode != OvelWrite || code != f.current) return 0;
  void *argument = progress ? va_arg(*ap, void *) : nullptr;
  std::vector<Destination> dest;
  Keyword &kw = f.keywords[code];
  // The lines of the range are appended to the keyword being written.
  const int64_t count = last - first + 1;
  if (first < 1 || last < first || f.currentLine + count > kw.lines) return 0;
  const int64_t declared = kw.lines;
  kw.lines = last; // lets the common checks accept the caller's range
  bool ok = prepareBlock(f, code, first, last, mapType, map, ap, dest);
  kw.lines = declared;
  if (!ok) return 0;
  BlockJob job;
  makeJob(job, f, kw, dest, first, mapType, map, progress, argument, false);
  if (f.ascii) {
    const size_t nf = kw.fields.size();
    for (int64_t l = 0; l < count; l++) {
      const int64_t *pos = job.positionsOf(l, 1);
      int64_t p = pos ? pos[0] : l;
      for (size_t j = 0; j < nf; j++) {
        const Destination &d = dest[j];
        writeAsciiValue(f, kw.fields[j], d.type, d.base + p * d.stride);
      }
      f.writer.put("\n", 1);
      if (progress) progress(first + l, first + l, argument);
    }
  } else if (kw.lineBytes > 0) {
    const int64_t per = blockLines(kw.lineBytes);
    std::unique_ptr<char[]> buffer(
        new char[static_cast<size_t>(std::min(per, count) * kw.lineBytes)]);
    for (int64_t start = 0; start < count; start += per) {
      int64_t n = std::min(per, count - start);
      const int64_t *pos = job.positionsOf(start, n);
      for (const Column &c : job.columns)
        c.out(buffer.get() + c.offset, kw.lineBytes, n, pos, start, c.dest.base, c.dest.stride);
      f.writer.direct(buffer.get(), static_cast<size_t>(n * kw.lineBytes));
      if (progress) progress(first + start, first + start + n - 1, argument);
    }
  }
  f.currentLine += count;
  return 1;
}

// ---------------------------------------------------------------------------------------------
// Single lines

int getLine(File &f, int code, va_list *ap) {
  if (f.mode != OvelRead || code < 1 || code > OVEL_MAX_KEYWORD || code != f.current) return 0;
  const Keyword &kw = f.keywords[code];
  if (f.currentLine >= kw.lines) return 0;
  const bool solution = OvelKeywordEntry(code)->kind == OvelKwdSolution;
  const size_t nf = kw.fields.size();
  // Reused from call to call: reading a line allocates nothing.
  thread_local std::vector<void *> out;
  out.assign(solution ? 1 : nf, nullptr);
  for (auto &p : out) {
    p = va_arg(*ap, void *);
    if (!p) return 0;
  }
  if (solution && nf == 0) {
    f.currentLine++;
    return 1;
  }
  const char *line = nullptr;
  if (!f.ascii) {
    f.line.resize(static_cast<size_t>(kw.lineBytes));
    f.reader.read(f.line.data(), f.line.size());
    line = f.line.data();
  }
  for (size_t j = 0; j < nf; j++) {
    char c = kw.fields[j];
    char *dst = static_cast<char *>(solution ? out[0] : out[j]);
    if (solution) dst += j * static_cast<size_t>(f.realBytes);
    if (c == 'c') {
      if (f.ascii) {
        f.reader.restOfLine(dst);
      } else {
        size_t n = 0;
        while (n < OVEL_STRING_SIZE - 1 && line[n]) n++;
        std::memcpy(dst, line, n);
        dst[n] = 0;
        line += OVEL_STRING_SIZE;
      }
      continue;
    }
    int bytes = c == 'r' ? f.realBytes : f.intBytes;
    if (f.ascii) {
      if (c == 'r' && bytes == 4) {
        float v = f.reader.real32();
        std::memcpy(dst, &v, 4);
      } else if (c == 'r') {
        double v = f.reader.real64();
        std::memcpy(dst, &v, 8);
      } else {
        int64_t v = f.reader.integer();
        if (bytes == 4) {
          if (v < INT32_MIN || v > INT32_MAX) fail();
          int32_t s = static_cast<int32_t>(v);
          std::memcpy(dst, &s, 4);
        } else {
          std::memcpy(dst, &v, 8);
        }
      }
    } else {
      if (bytes == 4) {
        uint32_t v;
        std::memcpy(&v, line, 4);
        if (f.swap) v = byteSwap(v);
        std::memcpy(dst, &v, 4);
      } else {
        uint64_t v;
        std::memcpy(&v, line, 8);
        if (f.swap) v = byteSwap(v);
        std::memcpy(dst, &v, 8);
      }
      line += bytes;
    }
  }
  f.currentLine++;
  return 1;
}

struct Value {
  int64_t i = 0;
  double r = 0;
  const char *s = nullptr;
};

int setLine(File &f, int code, va_list *ap) {
  if (f.mode != OvelWrite || code < 1 || code > OVEL_MAX_KEYWORD || code != f.current) return 0;
  const Keyword &kw = f.keywords[code];
  if (f.currentLine >= kw.lines) return 0;
  const bool solution = OvelKeywordEntry(code)->kind == OvelKwdSolution;
  const size_t nf = kw.fields.size();
  // Take every argument first, so that a bad one writes nothing.
  thread_local std::vector<Value> values;
  values.assign(nf, Value{});
  if (solution) {
    const void *array = va_arg(*ap, const void *);
    if (!array && nf > 0) return 0;
    for (size_t j = 0; j < nf; j++) {
      if (f.realBytes == 4) {
        float v;
        std::memcpy(&v, static_cast<const char *>(array) + 4 * j, 4);
        values[j].r = v;
      } else {
        std::memcpy(&values[j].r, static_cast<const char *>(array) + 8 * j, 8);
      }
    }
  } else {
    for (size_t j = 0; j < nf; j++) {
      char c = kw.fields[j];
      if (c == 'r') {
        values[j].r = va_arg(*ap, double);
      } else if (c == 'i') {
        values[j].i = f.intBytes == 8 ? va_arg(*ap, int64_t) : va_arg(*ap, int);
      } else {
        values[j].s = va_arg(*ap, const char *);
        if (!values[j].s) return 0;
      }
    }
  }
  if (f.ascii) {
    for (size_t j = 0; j < nf; j++) {
      char c = kw.fields[j];
      if (c == 'r')
        putReal(f.writer, values[j].r, f.realBytes);
      else if (c == 'i')
        putInteger(f.writer, values[j].i);
      else
        putString(f.writer, values[j].s);
    }
    f.writer.put("\n", 1);
  } else {
    f.line.assign(static_cast<size_t>(kw.lineBytes), 0);
    char *p = f.line.data();
    for (size_t j = 0; j < nf; j++) {
      char c = kw.fields[j];
      if (c == 'c') {
        std::memcpy(p, values[j].s, stringLength(values[j].s));
        p += OVEL_STRING_SIZE;
        continue;
      }
      int bytes = c == 'r' ? f.realBytes : f.intBytes;
      if (c == 'r' && bytes == 4) {
        float v = static_cast<float>(values[j].r);
        if (f.swap) v = byteSwap(v);
        std::memcpy(p, &v, 4);
      } else if (c == 'r') {
        double v = f.swap ? byteSwap(values[j].r) : values[j].r;
        std::memcpy(p, &v, 8);
      } else if (bytes == 4) {
        int32_t v = static_cast<int32_t>(values[j].i);
        if (f.swap) v = byteSwap(v);
        std::memcpy(p, &v, 4);
      } else {
        int64_t v = f.swap ? byteSwap(values[j].i) : values[j].i;
        std::memcpy(p, &v, 8);
      }
      p += bytes;
    }
    f.writer.put(f.line.data(), f.line.size());
  }
  f.currentLine++;
  return 1;
}

} // namespace

} // namespace ovel

using namespace ovel;

// Every entry point catches the library's failures (and allocation failures) and returns 0.
#define OVEL_GUARDED(call)                                                                         \
  int result = 0;                                                                                  \
  try {                                                                                            \
    result = (call);                                                                               \
  } catch (...) {                                                                                  \
    result = 0;                                                                                    \
  }

int OvelGetLin(int64_t handle, int code, ...) {
  File *f = lookup(handle);
  if (!f) return 0;
  va_list ap;
  va_start(ap, code);
  OVEL_GUARDED(getLine(*f, code, &ap));
  va_end(ap);
  return result;
}

int OvelSetLin(int64_t handle, int code, ...) {
  File *f = lookup(handle);
  if (!f) return 0;
  va_list ap;
  va_start(ap, code);
  OVEL_GUARDED(setLine(*f, code, &ap));
  va_end(ap);
  return result;
}

int OvelGetBlock(int64_t handle, int code, int64_t first, int64_t last, int mapType,
                 const void *map, OvelProgress progress, ...) {
  File *f = lookup(handle);
  if (!f) return 0;
  va_list ap;
  va_start(ap, progress);
  OVEL_GUARDED(getBlock(*f, code, first, last, mapType, map, progress, &ap));
  va_end(ap);
  return result;
}

int OvelSetBlock(int64_t handle, int code, int64_t first, int64_t last, int mapType,
                 const void *map, OvelProgress progress, ...) {
  File *f = lookup(handle);
  if (!f) return 0;
  va_list ap;
  va_start(ap, progress);
  OVEL_GUARDED(setBlock(*f, code, first, last, mapType, map, progress, &ap));
  va_end(ap);
  return result;
}
