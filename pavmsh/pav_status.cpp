#include "pav_status.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

void pav_Fatal(const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::vprintf(fmt, args);
  va_end(args);
  std::fflush(stdout);
  std::exit(1);
}
