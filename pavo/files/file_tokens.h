// Reading the whitespace-separated keyword files of the viewer (parameter, view-state, movie and
// sequence files): a token reader with the common value checks and their messages, and the list
// of messages a reader printed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace pavo {

// Messages of a file reader or writer. Every message is printed on standard output as it comes
// and kept, one entry per print, so that callers (terminal panels, tests) can show them again.
struct PavFileMessages {
  std::vector<std::string> lines;
  void print(const char *format, ...) __attribute__((format(printf, 2, 3)));
};

// Largest count a keyword may announce (planes, isolines, colours, hidden references). A larger
// count is a reading error: no real file holds that many, and the reader must not size tables
// from it.
constexpr int32_t PAV_MAX_FILE_COUNT = 1000000;

// The tokens of an open file, with the value conversions of the keyword files. Each conversion
// reads one token; on failure it prints the error naming the keyword and returns false:
//   "  ## ERROR: PAVO: %s: MISSING INTEGER VALUE \n" at the end of the file,
//   "  ## ERROR: PAVO: %s: ERROR WHILE READING INTEGER VALUE(%s)\n" for a token that is not
//   entirely a base-10 integer of 32 bits, and the DOUBLE texts for reals.
// Reals must be finite numbers; readFloat also rounds to single precision, and a value outside
// the single-precision range is a conversion error.
class PavTokenReader {
public:
  PavTokenReader(std::FILE *file, PavFileMessages &messages) : f(file), msg(messages) {}

  // Next whitespace-separated token; false at the end of the file.
  bool next(std::string &token);
  // Next token converted to ASCII lower case.
  bool nextLower(std::string &token);

  bool readInt(const char *keyword, int32_t &value);
  bool readDouble(const char *keyword, double &value);
  bool readFloat(const char *keyword, float &value);
  bool readFloats(const char *keyword, float *values, int n);
  // A count: an integer from 0 to PAV_MAX_FILE_COUNT. A negative or larger count prints
  // "  ## ERROR: PAVO: %s: count %d out of range (0 to 1000000): taken as 0\n".
  bool readCount(const char *keyword, int32_t &count);

  PavFileMessages &messages() { return msg; }

private:
  std::FILE *f;
  PavFileMessages &msg;
  std::string tok;
};

// Largest keyword file the viewer reads (parameter, view-state, movie and sequence files): far
// above any real one, and it keeps an endless input such as /dev/zero from being read for ever.
constexpr int64_t PAV_MAX_TEXT_FILE_BYTES = int64_t(256) << 20;

// Opens a keyword file for reading, at once and only when it is a regular file of at most
// PAV_MAX_TEXT_FILE_BYTES: a FIFO is opened without blocking (it would otherwise wait for a writer
// for ever), then refused with a folder or a device. Returns nullptr with `reason` set ("not a
// regular file", "larger than 268435456 bytes", or the system's reason: "No such file or
// directory"), and `*missing` (where given) true when nothing of that name exists.
std::FILE *pavOpenTextFile(const char *name, std::string &reason, bool *missing = nullptr);

// ASCII lower case of a string.
std::string pavLowerCase(std::string s);

} // namespace pavo
