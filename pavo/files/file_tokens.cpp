#include "files/file_tokens.h"

#include "app_messages.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pavo {

void PavFileMessages::print(const char *format, ...) {
  va_list ap, copy;
  va_start(ap, format);
  va_copy(copy, ap);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text;
  if (n > 0) {
    text.resize((size_t)n + 1);
    std::vsnprintf(&text[0], text.size(), format, ap);
    text.resize((size_t)n);
  }
  va_end(ap);
  appText(text);
  lines.push_back(std::move(text));
}

std::FILE *pavOpenTextFile(const char *name, std::string &reason, bool *missing) {
  reason.clear();
  const int fd = ::open(name ? name : "", O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (missing) *missing = fd < 0 && errno == ENOENT;
  if (fd < 0) {
    reason = std::strerror(errno);
    return nullptr;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    reason = "not a regular file";
  } else if (st.st_size > PAV_MAX_TEXT_FILE_BYTES) {
    reason = "larger than " + std::to_string(PAV_MAX_TEXT_FILE_BYTES) + " bytes";
  } else {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (std::FILE *f = ::fdopen(fd, "r")) return f;
    reason = std::strerror(errno);
  }
  ::close(fd);
  return nullptr;
}

std::string pavLowerCase(std::string s) {
  for (char &c : s)
    if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
  return s;
}

bool PavTokenReader::next(std::string &token) {
  token.clear();
  int c;
  do c = std::getc(f);
  while (c != EOF && std::isspace(c));
  // No value or name is this long: the rest of an endless token is dropped rather than kept.
  const size_t kMaxToken = 4096;
  while (c != EOF && !std::isspace(c)) {
    if (token.size() < kMaxToken) token.push_back((char)c);
    c = std::getc(f);
  }
  return !token.empty();
}

bool PavTokenReader::nextLower(std::string &token) {
  if (!next(token)) return false;
  token = pavLowerCase(std::move(token));
  return true;
}

bool PavTokenReader::readInt(const char *keyword, int32_t &value) {
  if (!next(tok)) {
    msg.print("  ## ERROR: PAVO: %s: MISSING INTEGER VALUE \n", keyword);
    return false;
  }
  errno = 0;
  char *end = nullptr;
  long long v = std::strtoll(tok.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < INT32_MIN || v > INT32_MAX) {
    msg.print("  ## ERROR: PAVO: %s: ERROR WHILE READING INTEGER VALUE(%s)\n", keyword,
              tok.c_str());
    return false;
  }
  value = (int32_t)v;
  return true;
}

bool PavTokenReader::readDouble(const char *keyword, double &value) {
  if (!next(tok)) {
    msg.print("  ## ERROR: PAVO: %s: MISSING DOUBLE VALUE \n", keyword);
    return false;
  }
  char *end = nullptr;
  double v = std::strtod(tok.c_str(), &end);
  if (*end != '\0' || !std::isfinite(v)) {
    msg.print("  ## ERROR: PAVO: %s: ERROR WHILE READING DOUBLE VALUE(%s)\n", keyword, tok.c_str());
    return false;
  }
  value = v;
  return true;
}

bool PavTokenReader::readFloat(const char *keyword, float &value) {
  double v;
  if (!readDouble(keyword, v)) return false;
  float r = (float)v;
  if (!std::isfinite(r)) {
    msg.print("  ## ERROR: PAVO: %s: ERROR WHILE READING DOUBLE VALUE(%s)\n", keyword, tok.c_str());
    return false;
  }
  value = r;
  return true;
}

bool PavTokenReader::readFloats(const char *keyword, float *values, int n) {
  for (int i = 0; i < n; i++)
    if (!readFloat(keyword, values[i])) return false;
  return true;
}

bool PavTokenReader::readCount(const char *keyword, int32_t &count) {
  if (!readInt(keyword, count)) return false;
  if (count < 0 || count > PAV_MAX_FILE_COUNT) {
    msg.print("  ## ERROR: PAVO: %s: count %d out of range (0 to %d): taken as 0\n", keyword, count,
              PAV_MAX_FILE_COUNT);
    count = 0;
    return false;
  }
  return true;
}

} // namespace pavo
