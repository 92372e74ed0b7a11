// Internals of the mesh file library shared by its sources (not for callers): the file record,
// the buffered reader and writer over a POSIX descriptor, and the per-keyword state.
#pragma once

#include "ovel.h"
#include "pav_safe_write.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fast_float/fast_float.h>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ovel {

// Thrown inside the library on a short read, an unparsable token, a failed seek or a bad header;
// every public entry point catches it (and std::bad_alloc) and returns its failure value.
struct Failure {};
[[noreturn]] inline void fail() { throw Failure{}; }

// Why the last failure of this thread happened (OvelErrorText): formats the reason, prefixed with
// the keyword being read when one is set, and keeps the first reason until it is cleared.
void setReason(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
void clearReason();
const char *tReasonText();
// The keyword whose header or lines are being read (0: none), named in reasons.
void setReasonKeyword(int code);
// setReason then fail().
[[noreturn]] void failBecause(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

template <typename T> inline T byteSwap(T v) {
  static_assert(sizeof(T) == 4 || sizeof(T) == 8, "4 or 8 bytes");
  if constexpr (sizeof(T) == 4) {
    uint32_t u;
    std::memcpy(&u, &v, 4);
    u = __builtin_bswap32(u);
    std::memcpy(&v, &u, 4);
  } else {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    u = __builtin_bswap64(u);
    std::memcpy(&v, &u, 8);
  }
  return v;
}

// The line format of a code with its repetitions ("i*28") written out; "" outside 0-217.
const std::string &baseFormat(int code);

// What a file holds for one keyword code.
struct Keyword {
  bool present = false;
  int64_t lines = 0;
  int64_t position = 0; // file offset of the first line
  int degree = 0, nodes = 1;
  std::vector<int> types; // solution field types
  int solutionSize = 0;   // reals of one line, every node included (solution keywords)
  std::string format;     // expanded line format, "n" letters kept
  std::string fields;     // the expanded format without "n": one letter per field
  int64_t lineBytes = 0;  // bytes of one binary line
  std::vector<int> order; // node ordering: file node j goes to caller field order[j]
  int promotedFrom = 0;   // the first-order keyword whose lines were found to be of this degree
};

// Blank characters between ASCII tokens: space, tab, line feed, vertical tab, form feed, return.
inline bool isBlank(char c) { return c == ' ' || static_cast<unsigned char>(c - '\t') <= 4; }

// Bytes of the ASCII read buffer (1 MiB; no token may be longer). Tests shrink it, down to 4096,
// so that numbers fall across the buffer end.
extern size_t readBufferBytes;

// Buffered reads at explicit file offsets (pread), with the ASCII tokenizer on top.
class Reader {
public:
  // Reads from fd, whose size bounds the buffer (no token can be longer than the file).
  void attach(int fd, int64_t fileSize);
  int64_t tell() const { return bufferStart_ + static_cast<int64_t>(index_); }
  void seek(int64_t offset);
  // Copies n bytes or fails.
  void read(void *out, size_t n);
  // Next whitespace-separated token, comments ("#" to the end of the line) skipped; false at the
  // end of the file. The view lives until the next call.
  bool token(std::string_view &out);
  // Next token that starts with a letter, skipping every other token and the comments faster
  // than token() would; false at the end of the file.
  bool word(std::string_view &out);
  // Skips blanks and line ends, then takes the rest of the line (at most 255 characters, trailing
  // blanks removed) into out (OVEL_STRING_SIZE bytes, terminated).
  void restOfLine(char *out);
  // The next number; fails on a malformed or out-of-range one. Numbers lying whole in the buffer
  // are parsed in place (inline); the rest go through token().
  int64_t integer() {
    int64_t v;
    return quickInteger(v) ? v : slowNumber<int64_t>();
  }
  double real64() {
    double v;
    return quickReal(v) ? v : slowNumber<double>();
  }
  float real32() {
    float v;
    return quickReal(v) ? v : slowNumber<float>();
  }

private:
  bool fill();
  inline const char *quickStart() const;
  inline bool quickInteger(int64_t &value);
  template <typename T> inline bool quickReal(T &value);
  template <typename T> T slowNumber();
  int fd_ = -1;
  std::unique_ptr<char[]> buffer_;
  size_t capacity_ = 0, length_ = 0, index_ = 0;
  int64_t bufferStart_ = 0;
};

// The first character of the next number when at least 64 buffered bytes follow it (more than any
// number the fast paths accept, so they never look past the buffer), else null. Blanks skipped.
inline const char *Reader::quickStart() const {
  const char *b = buffer_.get();
  size_t i = index_;
  while (i < length_ && isBlank(b[i])) i++;
  if (length_ - i < 64) return nullptr;
  return b + i;
}

// An optional sign and at most 19 digits followed by a blank; anything else (a comment, a longer
// number, a stray character) is left to the token path, which accepts or rejects it the same way.
inline bool Reader::quickInteger(int64_t &v) {
  const char *p = quickStart();
  if (!p) return false;
  const bool negative = *p == '-';
  p += *p == '-' || *p == '+';
  const char *digits = p;
  uint64_t u = 0;
  unsigned d;
  while ((d = static_cast<unsigned>(static_cast<unsigned char>(*p)) - '0') < 10 &&
         p - digits < 19) {
    u = u * 10 + d;
    p++;
  }
  if (p == digits || !isBlank(*p)) return false;
  if (u > static_cast<uint64_t>(INT64_MAX) + negative) return false;
  v = negative ? static_cast<int64_t>(0 - u) : static_cast<int64_t>(u);
  index_ = static_cast<size_t>(p - buffer_.get());
  return true;
}

template <typename T> inline bool Reader::quickReal(T &v) {
  const char *p = quickStart();
  if (!p || *p == '#') return false;
  p += *p == '+';
  if (*p == '-' || *p == '+') return false; // "+-1": the token path refuses it
  const char *e = buffer_.get() + length_;
  auto r = fast_float::from_chars(p, e, v);
  if (r.ec != std::errc() || r.ptr == e || !isBlank(*r.ptr)) return false;
  index_ = static_cast<size_t>(r.ptr - buffer_.get());
  return true;
}

// Buffered writes; the pending bytes go to the file when more than `threshold` are pending.
class Writer {
public:
  void attach(int fd, size_t threshold);
  int64_t tell() const { return written_ + static_cast<int64_t>(pending_); }
  // Room for n more bytes at the returned address; commit() the bytes used.
  char *reserve(size_t n);
  void commit(size_t n) {
    pending_ += n;
    if (pending_ > threshold_) flush();
  }
  void put(const void *data, size_t n) {
    std::memcpy(reserve(n), data, n);
    commit(n);
  }
  void text(const char *s) { put(s, std::strlen(s)); }
  void flush();
  // Writes n bytes at an earlier offset (a keyword position field); pending bytes are flushed.
  void patch(int64_t offset, const void *data, size_t n);
  bool failed() const { return error_ != 0; }
  // The first system error of a write (errno value; EIO for a failure of the format itself).
  int error() const { return error_; }
  void setFailed(int errnum = 0) {
    if (!error_) error_ = errnum ? errnum : EIO;
  }
  // Writes n bytes straight to the file after the pending ones.
  void direct(const void *data, size_t n);

private:
  int fd_ = -1;
  std::unique_ptr<char[]> buffer_;
  size_t capacity_ = 0, pending_ = 0, threshold_ = 0;
  int64_t written_ = 0;
  int error_ = 0;
};

struct File {
  int dimension = 0, version = 0, mode = 0;
  bool ascii = false, mesh = false;
  bool swap = false; // multi-byte values are stored in the other byte order
  int realBytes = 8, intBytes = 4, positionBytes = 4;
  int64_t positionField = 0; // offset of the position field of the keyword being written
  int64_t size = 0;          // file size when read
  int fd = -1;
  PavSafeWrite out{-1, 0, 1, {0}, {0}}; // the temporary file of a written file (fd is out.fd)
  std::string name;
  std::string warnings; // lines about dropped or suspicious data met while indexing
  Reader reader;
  Writer writer;
  Keyword keywords[OVEL_MAX_KEYWORD + 1];
  // The keyword whose lines OvelGetLin / OvelSetLin move, and the lines moved so far.
  int current = 0;
  int64_t currentLine = 0;
  std::vector<char> line; // one binary line being assembled
  ~File();
};

// The live file of a handle, or null for a handle that is not open.
File *lookup(int64_t handle);
int64_t registerFile(File *file);
void unregisterFile(File *file);

// The code of a keyword token, 0 when it names none.
int keywordCode(std::string_view token);

// Expands the line format of `code` for the solution header already stored in `kw` (types,
// degree, nodes). Fails when the expanded format exceeds OVEL_MAX_FORMAT letters.
void expandFormat(const File &file, int code, Keyword &kw);

// Opens for writing with every multi-byte value stored in the other byte order (as a machine of
// the other order would write it); otherwise as OvelOpenMesh(name, OvelWrite, version, dimension).
int64_t openForeignOrder(const char *name, int version, int dimension);

// Least bytes of one binary block (4 MiB); blocks hold at least OVEL_BLOCK_LINES lines. Tests set
// it to 0 to see blocks of exactly OVEL_BLOCK_LINES lines.
extern int64_t blockFloorBytes;

// Helper threads of a parallel block conversion, the calling thread included (0: as many as the
// processors, at most 4). Tests set it to see several workers on a machine with one processor.
extern int blockWorkers;

// Hands `lines` lines of `lineBytes` bytes from `offset` to convert(block, firstLineIndex, count)
// by blocks of `blockLines`. A range inside the file (by its size now) is converted from read-only
// mappings of the file, one block at a time per worker, so that the bytes are copied once; a file
// that shrinks while it is being converted then ends the process with SIGBUS, as with any
// mapping. With `parallel`, such a range is converted by several threads at once, each block
// whole by one of them, in no fixed order: convert must then accept concurrent calls for disjoint
// blocks and must not throw. Otherwise two buffers alternate through asynchronous reads so that
// the conversion of one block overlaps the read of the next. Prints the diagnostics and returns
// false on a failed read.
bool readBlocks(int fd, int64_t offset, int64_t lineBytes, int64_t lines, int64_t blockLines,
                bool parallel,
                void (*convert)(void *context, const char *block, int64_t first, int64_t count),
                void *context);

} // namespace ovel
