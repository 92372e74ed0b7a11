// Opening, indexing and closing mesh files; the buffered reader and writer; starting keywords.
#include "ovel_internal.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdarg>
#include <fast_float/fast_float.h>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>
#include <unordered_set>

#include "pav_status.h"

namespace ovel {

// Large enough that a 100 MB ASCII file costs few system calls.
size_t readBufferBytes = size_t(1) << 20;

namespace {

// Binary lines are written whenever more than this many bytes are pending; ASCII text in larger
// batches (the format makes no promise about text writes).
constexpr size_t kBinaryFlush = 10000;
constexpr size_t kAsciiFlush = size_t(1) << 16;

inline bool isSpace(char c) { return isBlank(c); }
inline bool isLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::mutex gRegistryMutex;
std::unordered_set<File *> &registry() {
  static std::unordered_set<File *> files;
  return files;
}

} // namespace

File *lookup(int64_t handle) {
  File *f = reinterpret_cast<File *>(static_cast<intptr_t>(handle));
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  return registry().count(f) ? f : nullptr;
}

int64_t registerFile(File *file) {
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  registry().insert(file);
  return static_cast<int64_t>(reinterpret_cast<intptr_t>(file));
}

void unregisterFile(File *file) {
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  registry().erase(file);
}

File::~File() {
  if (mode == OvelWrite) {
    pav_SafeWriteAbort(&out); // a file never committed leaves the earlier one in place
    fd = -1;
  }
  if (fd >= 0) ::close(fd);
}

// ---------------------------------------------------------------------------------------------
// Reasons of failures

namespace {
thread_local char tReason[256];
thread_local int tReasonKeyword = 0;
} // namespace

void clearReason() {
  tReason[0] = 0;
  tReasonKeyword = 0;
}

void setReasonKeyword(int code) { tReasonKeyword = code; }

const char *tReasonText() { return tReason; }

static void formatReason(const char *fmt, va_list ap) {
  int used = 0;
  if (tReasonKeyword > 0 && tReasonKeyword <= OVEL_MAX_KEYWORD)
    used = std::snprintf(tReason, sizeof tReason, "%s: ", OvelKeywordEntry(tReasonKeyword)->name);
  std::vsnprintf(tReason + used, sizeof tReason - size_t(used), fmt, ap);
}

void setReason(const char *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  formatReason(fmt, ap);
  va_end(ap);
}

void failBecause(const char *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  formatReason(fmt, ap);
  va_end(ap);
  fail();
}

// ---------------------------------------------------------------------------------------------
// Reader

void Reader::attach(int fd, int64_t fileSize) {
  fd_ = fd;
  // Small files get a small buffer: opening many of them stays cheap.
  capacity_ = static_cast<size_t>(std::max<int64_t>(
      4096, std::min<int64_t>(fileSize + 1,
                              static_cast<int64_t>(std::max<size_t>(4096, readBufferBytes)))));
  buffer_.reset(new char[capacity_]);
  length_ = index_ = 0;
  bufferStart_ = 0;
}

void Reader::seek(int64_t offset) {
  if (offset < 0) fail();
  if (offset >= bufferStart_ && offset <= bufferStart_ + static_cast<int64_t>(length_)) {
    index_ = static_cast<size_t>(offset - bufferStart_);
    return;
  }
  bufferStart_ = offset;
  length_ = index_ = 0;
}

// Keeps the unread bytes, moved to the front, and appends what the file has next.
bool Reader::fill() {
  size_t rest = length_ - index_;
  if (index_ > 0) {
    std::memmove(buffer_.get(), buffer_.get() + index_, rest);
    bufferStart_ += static_cast<int64_t>(index_);
    index_ = 0;
    length_ = rest;
  }
  if (length_ == capacity_) return false;
  for (;;) {
    ssize_t n = ::pread(fd_, buffer_.get() + length_, capacity_ - length_,
                        bufferStart_ + static_cast<int64_t>(length_));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    length_ += static_cast<size_t>(n);
    return true;
  }
}

void Reader::read(void *out, size_t n) {
  char *dst = static_cast<char *>(out);
  while (n > 0) {
    if (index_ == length_ && !fill())
      failBecause("truncated at byte %lld", static_cast<long long>(tell()));
    size_t k = std::min(n, length_ - index_);
    std::memcpy(dst, buffer_.get() + index_, k);
    index_ += k;
    dst += k;
    n -= k;
  }
}

bool Reader::token(std::string_view &out) {
  for (;;) {
    for (;;) {
      if (index_ == length_ && !fill()) return false;
      const char *b = buffer_.get();
      while (index_ < length_ && isSpace(b[index_])) index_++;
      if (index_ < length_) break;
    }
    size_t end = index_;
    for (;;) {
      const char *b = buffer_.get();
      while (end < length_ && !isSpace(b[end])) end++;
      if (end < length_) break;
      size_t done = end - index_;
      if (!fill()) {
        if (length_ - index_ == capacity_) // a token longer than the buffer
          failBecause("token longer than %zu bytes at byte %lld", capacity_,
                      static_cast<long long>(tell()));
        end = index_ + done;
        break;
      }
      end = index_ + done;
    }
    const char *b = buffer_.get();
    if (b[index_] == '#') {
      // A comment runs to the end of its line.
      index_ = end;
      for (;;) {
        const void *nl = std::memchr(b + index_, '\n', length_ - index_);
        if (nl) {
          index_ = static_cast<size_t>(static_cast<const char *>(nl) - b) + 1;
          break;
        }
        index_ = length_;
        if (!fill()) return false;
        b = buffer_.get();
      }
      continue;
    }
    out = std::string_view(b + index_, end - index_);
    index_ = end;
    return true;
  }
}

// True when one of the 8 bytes of x is a letter or '#' (or another byte from 0x40 up): number
// text (digits, signs, points, blanks) has none, so most of a numeric file is skipped 8 bytes at
// a time.
inline bool mayStartWord(uint64_t x) {
  const uint64_t ones = 0x0101010101010101u, highs = 0x8080808080808080u;
  const uint64_t hash = x ^ (ones * '#');
  return ((x & (ones * 0x40)) | ((hash - ones) & ~hash & highs)) != 0;
}

bool Reader::word(std::string_view &out) {
  for (;;) {
    const char *b = buffer_.get();
    const size_t n = length_;
    // index_ is always at a token boundary; past it, a letter or '#' starts a token only after a
    // blank (one inside a number or a junk token such as "0Corners" does not).
    size_t i = index_;
    for (;;) {
      while (i + 8 <= n) {
        uint64_t x;
        std::memcpy(&x, b + i, 8);
        if (mayStartWord(x)) break;
        i += 8;
      }
      const size_t stop = std::min(n, i + 8);
      for (; i < stop; i++) {
        const unsigned char c = static_cast<unsigned char>(b[i]);
        if ((isLetter(c) || c == '#') && (i == index_ || isSpace(b[i - 1]))) break;
      }
      if (i < stop || i == n) break;
    }
    if (i < n) {
      // A word or a comment: token() handles both, and words crossing the buffer end.
      index_ = i;
      if (!token(out)) return false;
      if (isLetter(static_cast<unsigned char>(out[0]))) return true;
      continue;
    }
    // Keep the last token, which may go on in the next read, so that its rest is not taken for a
    // new token.
    size_t keep = n;
    while (keep > index_ && !isSpace(b[keep - 1])) keep--;
    index_ = keep;
    if (!fill()) {
      if (length_ - index_ == capacity_) fail();
      return false;
    }
  }
}

void Reader::restOfLine(char *out) {
  for (;;) {
    if (index_ == length_ && !fill()) fail();
    if (!isSpace(buffer_[index_])) break;
    index_++;
  }
  size_t n = 0;
  for (;;) {
    if (index_ == length_ && !fill()) break;
    char c = buffer_[index_];
    if (c == '\n') {
      index_++;
      break;
    }
    if (n < OVEL_STRING_SIZE - 1) out[n++] = c;
    index_++;
  }
  while (n > 0 && isSpace(out[n - 1])) n--;
  out[n] = 0;
}

// A number through token(): integers by std::from_chars, reals by fast_float. One leading '+' is
// allowed beside the parsers' own '-', never two signs.
template <typename T> T Reader::slowNumber() {
  std::string_view t;
  if (!token(t))
    failBecause("truncated: the file ends at byte %lld", static_cast<long long>(tell()));
  const char *b = t.data(), *e = b + t.size();
  if (b < e && *b == '+') b++;
  if (b < e && (*b == '+' || *b == '-') && b > t.data()) fail(); // one sign only
  T v = 0;
  bool ok;
  if constexpr (std::is_integral_v<T>) {
    auto r = std::from_chars(b, e, v);
    ok = r.ec == std::errc() && r.ptr == e;
  } else {
    auto r = fast_float::from_chars(b, e, v);
    ok = r.ec == std::errc() && r.ptr == e;
  }
  if (!ok)
    failBecause("unreadable %s \"%.24s\" before byte %lld",
                std::is_integral_v<T> ? "integer" : "real", std::string(t).c_str(),
                static_cast<long long>(tell()));
  return v;
}

template int64_t Reader::slowNumber<int64_t>();
template double Reader::slowNumber<double>();
template float Reader::slowNumber<float>();

// ---------------------------------------------------------------------------------------------
// Writer

void Writer::attach(int fd, size_t threshold) {
  fd_ = fd;
  threshold_ = threshold;
  // Room for the threshold plus the longest line (9000 fields of 8 bytes or more).
  capacity_ = threshold + (size_t(1) << 17);
  buffer_.reset(new char[capacity_]);
  pending_ = 0;
  written_ = 0;
}

char *Writer::reserve(size_t n) {
  if (pending_ + n > capacity_) {
    flush();
    if (n > capacity_) {
      std::unique_ptr<char[]> bigger(new char[n]);
      buffer_.swap(bigger);
      capacity_ = n;
    }
  }
  return buffer_.get() + pending_;
}

static bool writeAll(int fd, const char *p, size_t n, int64_t offset) {
  while (n > 0) {
    ssize_t k = ::pwrite(fd, p, n, offset);
    if (k < 0 && errno == EINTR) continue;
    if (k == 0) errno = ENOSPC;
    if (k <= 0) return false;
    p += k;
    n -= static_cast<size_t>(k);
    offset += k;
  }
  return true;
}

void Writer::flush() {
  if (pending_ == 0) return;
  // After a failure nothing more is written: the file is discarded at close.
  if (!error_ && !writeAll(fd_, buffer_.get(), pending_, written_)) setFailed(errno);
  written_ += static_cast<int64_t>(pending_);
  pending_ = 0;
}

void Writer::direct(const void *data, size_t n) {
  flush();
  if (!error_ && !writeAll(fd_, static_cast<const char *>(data), n, written_)) setFailed(errno);
  written_ += static_cast<int64_t>(n);
}

void Writer::patch(int64_t offset, const void *data, size_t n) {
  flush();
  if (!error_ && !writeAll(fd_, static_cast<const char *>(data), n, offset)) setFailed(errno);
}

// ---------------------------------------------------------------------------------------------
// Values in the file's widths and byte order

namespace {

int32_t getI32(File &f) {
  int32_t v;
  f.reader.read(&v, 4);
  return f.swap ? byteSwap(v) : v;
}

int64_t getWord(File &f, int bytes) {
  if (bytes == 4) return getI32(f);
  int64_t v;
  f.reader.read(&v, 8);
  return f.swap ? byteSwap(v) : v;
}

void putI32(File &f, int32_t v) {
  if (f.swap) v = byteSwap(v);
  f.writer.put(&v, 4);
}

void putWord(File &f, int64_t v, int bytes) {
  if (bytes == 4) return putI32(f, static_cast<int32_t>(v));
  if (f.swap) v = byteSwap(v);
  f.writer.put(&v, 8);
}

void setWidths(File &f) {
  f.realBytes = f.version == 1 ? 4 : 8;
  f.intBytes = f.version == 4 ? 8 : 4;
  f.positionBytes = f.version >= 3 ? 8 : 4;
}

// Kind flags from the name: ".meshb", ".mesh", ".solb", ".sol", searched in this order. False,
// with the reason set, for a name with none of them.
bool kindFromName(File &f, const char *name) {
  if (std::strstr(name, ".meshb")) {
    f.ascii = false, f.mesh = true;
  } else if (std::strstr(name, ".mesh")) {
    f.ascii = true, f.mesh = true;
  } else if (std::strstr(name, ".solb")) {
    f.ascii = false, f.mesh = false;
  } else if (std::strstr(name, ".sol")) {
    f.ascii = true, f.mesh = false;
  } else {
    setReason("no .meshb, .mesh, .solb or .sol in the name");
    return false;
  }
  return true;
}

// False, with the reason set, for a null name or one too long for the file table.
bool nameFits(const char *name) {
  if (name && std::strlen(name) + 7 <= static_cast<size_t>(OVEL_MAX_NAME)) return true;
  setReason("name longer than %d characters", OVEL_MAX_NAME - 7);
  return false;
}

void checkSolutionHeader(int64_t fields, int degree, int nodes, bool ho) {
  if (fields < 0 || fields > OVEL_MAX_FIELDS)
    failBecause("%lld fields outside 0-%d", static_cast<long long>(fields), OVEL_MAX_FIELDS);
  if (ho && (degree < 0 || nodes < 1)) fail();
}

// Reads the header of keyword `code` at the reader's position and records where its lines start.
void readHeader(File &f, int code) {
  Keyword &kw = f.keywords[code];
  kw = Keyword{};
  const OvelKeywordInfo *info = OvelKeywordEntry(code);
  const bool ho = baseFormat(code) == "hr";
  if (info->kind == OvelKwdInfo) {
    kw.lines = 1;
  } else {
    kw.lines = f.ascii ? f.reader.integer() : getWord(f, f.intBytes);
    if (kw.lines < 0) failBecause("negative count %lld", static_cast<long long>(kw.lines));
    if (info->kind == OvelKwdSolution) {
      int64_t n = f.ascii ? f.reader.integer() : getI32(f);
      checkSolutionHeader(n, 0, 1, false);
      kw.types.resize(static_cast<size_t>(n));
      for (auto &t : kw.types) {
        int64_t v = f.ascii ? f.reader.integer() : getI32(f);
        if (v < INT32_MIN || v > INT32_MAX) fail();
        t = static_cast<int>(v);
      }
      if (ho) {
        int64_t d = f.ascii ? f.reader.integer() : getI32(f);
        int64_t m = f.ascii ? f.reader.integer() : getI32(f);
        if (d < 0 || d > INT32_MAX || m < 1 || m > OVEL_MAX_FORMAT)
          failBecause("degree %lld with %lld nodes out of range", static_cast<long long>(d),
                      static_cast<long long>(m));
        kw.degree = static_cast<int>(d);
        kw.nodes = static_cast<int>(m);
      }
    }
  }
  expandFormat(f, code, kw);
  kw.position = f.reader.tell();
  kw.present = true;
}

// Skips the lines of a keyword holding strings, so that words inside them are not taken for
// keywords by the ASCII index.
void skipStringLines(File &f, const Keyword &kw) {
  std::string_view t;
  char s[OVEL_STRING_SIZE];
  for (int64_t l = 0; l < kw.lines; l++)
    for (char c : kw.fields) {
      if (c == 'c')
        f.reader.restOfLine(s);
      else if (!f.reader.token(t))
        return;
    }
}

void warn(File &f, const char *fmt, ...) __attribute__((format(printf, 2, 3)));

// Gmsh writes curved elements under the first-order keywords (Triangles with 6 or 10 node
// numbers a line, Tetrahedra with 10). The first line of each first-order element keyword is
// counted: a count that fits a higher degree of the same kind moves the keyword's lines to that
// keyword, with one warning; any other count is an error naming the keyword and the line. Only
// one line is read per keyword, so a correct file costs nothing more.
// Returns the keyword that holds the lines now.
int promoteCurvedKeyword(File &f, int code) {
  static const char *const kinds[][2] = {{"Edges", "EdgesP"},
                                         {"Triangles", "TrianglesP"},
                                         {"Quadrilaterals", "QuadrilateralsQ"},
                                         {"Tetrahedra", "TetrahedraP"},
                                         {"Pyramids", "PyramidsP"},
                                         {"Prisms", "PrismsP"},
                                         {"Hexahedra", "HexahedraQ"}};
  const OvelKeywordInfo *info = OvelKeywordEntry(code);
  const char *prefix = nullptr;
  for (const auto &k : kinds)
    if (std::strcmp(info->name, k[0]) == 0) prefix = k[1];
  Keyword &kw = f.keywords[code];
  if (!prefix || kw.lines <= 0) return code;
  char buf[4096];
  const ssize_t got = ::pread(f.fd, buf, sizeof buf, kw.position);
  if (got <= 0) return code;
  const char *p = buf, *end = buf + got;
  while (p < end && isBlank(*p)) p++;
  const int64_t lineStart = kw.position + (p - buf); // the first element's line, past the count's
  int tokens = 0;
  while (p < end && *p != '\n' && *p != '#') {
    tokens++;
    while (p < end && !isBlank(*p)) p++;
    while (p < end && isBlank(*p) && *p != '\n') p++;
  }
  const int expected = OvelElementNodes(code, nullptr) + 1;
  if (tokens == expected || p == end) return code; // a line longer than the look-ahead stays
  for (int d = 2; d <= 4; d++) {
    char name[40];
    std::snprintf(name, sizeof name, "%s%d", prefix, d);
    const int higher = keywordCode(name);
    if (!higher || OvelElementNodes(higher, nullptr) + 1 != tokens) continue;
    if (f.keywords[higher].present)
      failBecause("%s holds %d numbers a line, but %s is present too", info->name, tokens, name);
    Keyword &to = f.keywords[higher];
    to = kw;
    expandFormat(f, higher, to);
    to.promotedFrom = code;
    kw = Keyword{};
    warn(f, "%s holds %d node numbers a line: read as %s (degree %d)", info->name, tokens - 1, name,
         d);
    return higher;
  }
  // The line of the first element, counted only now that it is needed.
  int64_t line = 1;
  for (int64_t at = 0; at < lineStart;) {
    const ssize_t n = ::pread(f.fd, buf, size_t(std::min<int64_t>(sizeof buf, lineStart - at)), at);
    if (n <= 0) break;
    line += std::count(buf, buf + n, '\n');
    at += n;
  }
  failBecause("%s holds %d numbers on line %lld where %d are expected", info->name, tokens,
              static_cast<long long>(line), expected);
}

void indexAscii(File &f) {
  std::string_view t;
  auto skipTo = [&](const char *word) {
    while (f.reader.token(t))
      if (t == word) return;
    failBecause("no %s before the end of the file", word);
  };
  skipTo("MeshVersionFormatted");
  int64_t version = f.reader.integer();
  if (version < 1 || version > 4)
    failBecause("version %lld unknown (1 to 4)", static_cast<long long>(version));
  f.version = static_cast<int>(version);
  skipTo("Dimension");
  int64_t dim = f.reader.integer();
  if (dim != 2 && dim != 3)
    failBecause("dimension %lld is neither 2 nor 3", static_cast<long long>(dim));
  f.dimension = static_cast<int>(dim);
  setWidths(f);
  while (f.reader.word(t)) {
    int code = keywordCode(t);
    if (!code) continue;
    setReasonKeyword(code);
    readHeader(f, code);
    // A promoted keyword's lines now belong to the curved keyword: that one is bounded below.
    const Keyword &kw = f.keywords[promoteCurvedKeyword(f, code)];
    // Every field is a token of at least one character and a separator: a line count that the
    // rest of the file cannot hold is a damaged header, refused before anyone sizes arrays by it.
    const int64_t tokens = (f.size - kw.position + 1) / 2;
    if (!kw.fields.empty() && kw.lines > tokens / static_cast<int64_t>(kw.fields.size()))
      failBecause("count %lld larger than the file can hold (byte %lld)",
                  static_cast<long long>(kw.lines), static_cast<long long>(kw.position));
    if (kw.fields.find('c') != std::string::npos) skipStringLines(f, kw);
  }
  setReasonKeyword(0);
}

void warn(File &f, const char *fmt, ...) {
  char line[256];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(line, sizeof line, fmt, ap);
  va_end(ap);
  f.warnings += line;
  f.warnings += '\n';
}

void indexBinary(File &f) {
  int32_t order;
  f.reader.read(&order, 4);
  if (order == 16777216)
    f.swap = true;
  else if (order != 1)
    failBecause("byte-order code %d unknown (1 or 16777216)", order);
  f.version = getI32(f);
  if (f.version < 1 || f.version > 4) failBecause("version %d unknown (1 to 4)", f.version);
  setWidths(f);
  if (const int32_t first = getI32(f); first != OvelDimension)
    failBecause("first keyword code %d is not Dimension", first);
  int64_t previous = 8;
  getWord(f, f.positionBytes);
  f.dimension = getI32(f);
  if (f.dimension != 2 && f.dimension != 3)
    failBecause("dimension %d is neither 2 nor 3", f.dimension);
  int unknown = 0;
  // Walk the chain of keyword records. Positions must increase and stay inside the file, so the
  // walk ends on any input.
  int64_t at = f.reader.tell();
  while (at < f.size) {
    f.reader.seek(at);
    int32_t code = getI32(f);
    // 32-bit positions are unsigned: versions 1 and 2 reach 4 GiB.
    int64_t next = f.positionBytes == 4 ? int64_t(uint32_t(getI32(f))) : getWord(f, 8);
    if (next < 0 || next > f.size || (next != 0 && next <= previous) || (next != 0 && next <= at))
      failBecause("chain position %lld at byte %lld outside the file (%lld bytes) or not after "
                  "the keyword",
                  static_cast<long long>(next), static_cast<long long>(at),
                  static_cast<long long>(f.size));
    int64_t dataEnd = f.reader.tell();
    if (code >= 1 && code <= OVEL_MAX_KEYWORD) {
      setReasonKeyword(code);
      readHeader(f, code);
      const Keyword &kw = f.keywords[code];
      int64_t end = next ? next : f.size;
      if (kw.position > end)
        failBecause("header at byte %lld runs past the next keyword", static_cast<long long>(at));
      if (kw.lineBytes > 0 && kw.lines > (end - kw.position) / kw.lineBytes)
        failBecause("count %lld larger than the file can hold (%lld bytes from byte %lld)",
                    static_cast<long long>(kw.lines), static_cast<long long>(end - kw.position),
                    static_cast<long long>(kw.position));
      setReasonKeyword(0);
      dataEnd = kw.position + kw.lines * kw.lineBytes;
    } else if (code != 0 && ++unknown <= 3) {
      warn(f, "unknown keyword code %d at byte %lld: record dropped", code,
           static_cast<long long>(at));
    }
    if (code == OvelEnd) break;
    if (next == 0) {
      // The last record is End; a chain that stops before it leaves later keywords unread.
      if (dataEnd < f.size)
        warn(f, "keyword chain ends at byte %lld before End: the last %lld bytes are not read",
             static_cast<long long>(at), static_cast<long long>(f.size - dataEnd));
      break;
    }
    previous = at;
    at = next;
  }
  if (unknown > 3) warn(f, "%d more unknown keyword codes dropped", unknown - 3);
}

int64_t openRead(const char *name, int *version, int *dimension) {
  if (!nameFits(name)) return 0;
  std::unique_ptr<File> f(new File);
  if (!kindFromName(*f, name)) return 0;
  f->name = name;
  f->mode = OvelRead;
  // Without O_NONBLOCK, opening a FIFO waits for a writer for ever; what is not a regular file is
  // refused before the first read.
  f->fd = ::open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (f->fd < 0) {
    setReason("%s", std::strerror(errno));
    return 0;
  }
  struct stat st;
  if (::fstat(f->fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    setReason("not a regular file");
    return 0;
  }
  // Regular files never block; reads go back to the ordinary mode all the same.
  ::fcntl(f->fd, F_SETFL, ::fcntl(f->fd, F_GETFL) & ~O_NONBLOCK);
  f->size = static_cast<int64_t>(st.st_size);
  f->reader.attach(f->fd, f->size);
  try {
    if (f->ascii)
      indexAscii(*f);
    else
      indexBinary(*f);
  } catch (const Failure &) {
    return 0;
  }
  if (version) *version = f->version;
  if (dimension) *dimension = f->dimension;
  return registerFile(f.release());
}

void writeHeader(File &f) {
  if (f.ascii) {
    char text[128];
    std::snprintf(text, sizeof text, "MeshVersionFormatted %d\n\nDimension %d\n", f.version,
                  f.dimension);
    f.writer.text(text);
    return;
  }
  putI32(f, 1);
  putI32(f, f.version);
  putI32(f, OvelDimension);
  f.positionField = f.writer.tell();
  putWord(f, 0, f.positionBytes);
  putI32(f, f.dimension);
}

} // namespace

int64_t openWrite(const char *name, int version, int dimension, bool foreign) {
  if (!nameFits(name)) return 0;
  if (version < 1 || version > 4 || (dimension != 2 && dimension != 3)) {
    setReason("version %d or dimension %d out of range", version, dimension);
    return 0;
  }
  std::unique_ptr<File> f(new File);
  if (!kindFromName(*f, name)) return 0;
  f->name = name;
  f->mode = OvelWrite;
  f->version = version;
  f->dimension = dimension;
  f->swap = foreign;
  setWidths(*f);
  // The bytes go to a temporary file renamed over the name at close: a failed write never
  // destroys the earlier file.
  char status[PAV_STATUS_SIZE];
  if (pav_SafeWriteOpen(&f->out, name, status) != PAV_SUCCESS) {
    const char *colon = std::strstr(status, ": ");
    setReason("%.*s", static_cast<int>(std::strcspn(colon ? colon + 2 : status, "\n")),
              colon ? colon + 2 : status);
    return 0;
  }
  // Mesh files are large: the rename alone keeps the earlier file through a full disk, the
  // file-size limit or a killed process, and costs nothing, where a disk flush before it (which
  // only a power cut needs) costs about a third of the write on an ordinary disk.
  f->out.durable = 0;
  f->fd = f->out.fd;
  f->writer.attach(f->fd, f->ascii ? kAsciiFlush : kBinaryFlush);
  writeHeader(*f);
  return registerFile(f.release());
}

int64_t openForeignOrder(const char *name, int version, int dimension) {
  try {
    return openWrite(name, version, dimension, true);
  } catch (...) {
    return 0;
  }
}

// Writes the header of keyword `code` (already expanded in f.keywords[code]).
static void startKeyword(File &f, int code) {
  Keyword &kw = f.keywords[code];
  const OvelKeywordInfo *info = OvelKeywordEntry(code);
  const bool ho = baseFormat(code) == "hr";
  if (f.current && f.currentLine != f.keywords[f.current].lines) f.writer.setFailed();
  f.writer.flush();
  if (f.ascii) {
    char text[64];
    f.writer.text("\n");
    f.writer.text(info->name);
    f.writer.text("\n");
    if (info->kind != OvelKwdInfo) {
      std::snprintf(text, sizeof text, "%lld\n", static_cast<long long>(kw.lines));
      f.writer.text(text);
    }
    if (info->kind == OvelKwdSolution) {
      std::snprintf(text, sizeof text, "%d ", static_cast<int>(kw.types.size()));
      f.writer.text(text);
      for (int t : kw.types) {
        std::snprintf(text, sizeof text, "%d ", t);
        f.writer.text(text);
      }
      f.writer.text("\n");
      if (ho) {
        std::snprintf(text, sizeof text, "%d %d\n", kw.degree, kw.nodes);
        f.writer.text(text);
      }
    }
  } else {
    int64_t here = f.writer.tell();
    if (f.positionField) {
      int64_t p = here;
      if (f.positionBytes == 4) {
        if (p > int64_t(UINT32_MAX)) f.writer.setFailed(); // needs version 3 or 4
        uint32_t p32 = static_cast<uint32_t>(p);
        if (f.swap) p32 = byteSwap(p32);
        f.writer.patch(f.positionField, &p32, 4);
      } else {
        if (f.swap) p = byteSwap(p);
        f.writer.patch(f.positionField, &p, 8);
      }
    }
    putI32(f, code);
    f.positionField = f.writer.tell();
    putWord(f, 0, f.positionBytes);
    if (info->kind != OvelKwdInfo) putWord(f, kw.lines, f.intBytes);
    if (info->kind == OvelKwdSolution) {
      putI32(f, static_cast<int32_t>(kw.types.size()));
      for (int t : kw.types) putI32(f, t);
      if (ho) {
        putI32(f, kw.degree);
        putI32(f, kw.nodes);
      }
    }
  }
  kw.present = true;
  f.current = code;
  f.currentLine = 0;
}

} // namespace ovel

using namespace ovel;

int64_t OvelOpenMesh(const char *name, int mode, ...) {
  va_list ap;
  va_start(ap, mode);
  int64_t handle = 0;
  clearReason();
  try {
    if (mode == OvelRead) {
      int *version = va_arg(ap, int *);
      int *dimension = va_arg(ap, int *);
      handle = openRead(name, version, dimension);
    } else if (mode == OvelWrite) {
      int version = va_arg(ap, int);
      int dimension = va_arg(ap, int);
      handle = openWrite(name, version, dimension, false);
    }
  } catch (...) {
    handle = 0;
  }
  setReasonKeyword(0);
  va_end(ap);
  return handle;
}

int OvelCloseMesh(int64_t handle) {
  File *f = lookup(handle);
  if (!f) return 0;
  unregisterFile(f);
  bool ok = true;
  if (f->mode == OvelWrite) {
    clearReason();
    try {
      if (f->current != OvelEnd) {
        f->keywords[OvelEnd] = Keyword{};
        f->keywords[OvelEnd].lines = 1;
        startKeyword(*f, OvelEnd);
      }
      f->writer.flush();
    } catch (...) {
      f->writer.setFailed(ENOMEM);
    }
    if (f->writer.failed()) pav_SafeWriteFailed(&f->out, f->writer.error());
    char status[PAV_STATUS_SIZE];
    ok = pav_SafeWriteCommit(&f->out, status) == PAV_SUCCESS;
    if (!ok) {
      const char *colon = std::strstr(status, ": ");
      setReason("%.*s", static_cast<int>(std::strcspn(colon ? colon + 2 : status, "\n")),
                colon ? colon + 2 : status);
    }
    f->fd = -1;
  } else if (f->fd >= 0 && ::close(f->fd) != 0) {
    ok = false;
  }
  f->fd = -1;
  delete f;
  return ok ? 1 : 0;
}

int OvelDiscardMesh(int64_t handle) {
  File *f = lookup(handle);
  if (!f) return 0;
  unregisterFile(f);
  delete f; // a written file's temporary is removed; the earlier file stays as it was
  return 1;
}

const char *OvelErrorText() { return tReasonText(); }

void OvelClearErrorText() { clearReason(); }

int OvelPromotedKeyword(int64_t handle, int code) {
  File *f = lookup(handle);
  return f && code > 0 && code <= OVEL_MAX_KEYWORD ? f->keywords[code].promotedFrom : 0;
}

const char *OvelWarningText(int64_t handle) {
  File *f = lookup(handle);
  return f ? f->warnings.c_str() : "";
}

int64_t OvelStatKwd(int64_t handle, int code, ...) {
  File *f = lookup(handle);
  if (!f || code < 1 || code > OVEL_MAX_KEYWORD) return 0;
  const Keyword &kw = f->keywords[code];
  const OvelKeywordInfo *info = OvelKeywordEntry(code);
  if (info->kind == OvelKwdSolution) {
    va_list ap;
    va_start(ap, code);
    int *fields = va_arg(ap, int *);
    int *size = va_arg(ap, int *);
    int *types = va_arg(ap, int *);
    int n = kw.present ? static_cast<int>(kw.types.size()) : 0;
    if (fields) *fields = n;
    if (size) *size = kw.present ? kw.solutionSize : 0;
    if (types) std::copy(kw.types.begin(), kw.types.begin() + n, types);
    if (baseFormat(code) == "hr") {
      int *degree = va_arg(ap, int *);
      int *nodes = va_arg(ap, int *);
      if (degree) *degree = kw.present ? kw.degree : 0;
      if (nodes) *nodes = kw.present ? kw.nodes : 0;
    }
    va_end(ap);
  }
  return kw.present ? kw.lines : 0;
}

int OvelGotoKwd(int64_t handle, int code) {
  File *f = lookup(handle);
  if (!f || f->mode != OvelRead || code < 1 || code > OVEL_MAX_KEYWORD) return 0;
  const Keyword &kw = f->keywords[code];
  if (!kw.present) return 0;
  f->reader.seek(kw.position);
  f->current = code;
  f->currentLine = 0;
  return 1;
}

int OvelSetKwd(int64_t handle, int code, int64_t lines, ...) {
  File *f = lookup(handle);
  if (!f || f->mode != OvelWrite || code < 1 || code > OVEL_MAX_KEYWORD) return 0;
  const OvelKeywordInfo *info = OvelKeywordEntry(code);
  Keyword kw;
  if (info->kind == OvelKwdInfo) {
    lines = 1;
  } else if (lines < 0) {
    return 0;
  }
  kw.lines = lines;
  int result = 1;
  va_list ap;
  va_start(ap, lines);
  try {
    if (info->kind == OvelKwdSolution) {
      int n = va_arg(ap, int);
      const int *types = va_arg(ap, const int *);
      if (n < 0 || n > OVEL_MAX_FIELDS || (n > 0 && !types)) fail();
      kw.types.assign(types, types + n);
      if (baseFormat(code) == "hr") {
        kw.degree = va_arg(ap, int);
        kw.nodes = va_arg(ap, int);
        if (kw.degree < 0 || kw.nodes < 1) fail();
      }
    }
    expandFormat(*f, code, kw);
    f->keywords[code] = std::move(kw);
    startKeyword(*f, code);
  } catch (...) {
    result = 0;
  }
  va_end(ap);
  return result;
}
