#include "pav_status.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static void formatInto(char *status, const char *fmt, va_list args) {
  if (!status) return;
  std::vsnprintf(status, PAV_STATUS_SIZE, fmt, args);
}

int pav_Fail(char *status, const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  formatInto(status, fmt, args);
  va_end(args);
  return PAV_FAILURE;
}

void pav_SetStatus(char *status, const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  formatInto(status, fmt, args);
  va_end(args);
}

int pav_AppendReason(char *status, const char *why) {
  if (!status || !why || !*why) return PAV_FAILURE;
  char line[256];
  const size_t n = std::size_t(std::snprintf(line, sizeof line, "  Reason: %.200s\n", why));
  size_t used = std::strlen(status);
  if (used + n + 1 > PAV_STATUS_SIZE) {
    used = PAV_STATUS_SIZE - n - 5;
    std::memcpy(status + used, "...\n", 4);
    used += 4;
  }
  std::memcpy(status + used, line, n + 1);
  return PAV_FAILURE;
}

static void printMessage(const char *text, bool error) {
  std::FILE *out = error ? stderr : stdout;
  std::fputs(text, out);
  std::fflush(out);
}

static std::atomic<PavMessageSink> messageSink{printMessage};

void pav_SetMessageSink(PavMessageSink sink) { messageSink = sink ? sink : printMessage; }

void pav_Message(bool error, const char *fmt, ...) {
  char small[512];
  va_list args, copy;
  va_start(args, fmt);
  va_copy(copy, args);
  const int n = std::vsnprintf(small, sizeof small, fmt, copy);
  va_end(copy);
  if (n >= 0 && (size_t)n >= sizeof small) {
    std::string big((size_t)n + 1, '\0');
    std::vsnprintf(&big[0], big.size(), fmt, args);
    messageSink.load()(big.c_str(), error);
  } else if (n >= 0) {
    messageSink.load()(small, error);
  }
  va_end(args);
}

void pav_Fatal(const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::vprintf(fmt, args);
  va_end(args);
  std::fflush(stdout);
  std::exit(1);
}
