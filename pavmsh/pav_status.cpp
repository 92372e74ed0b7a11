#include "pav_status.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

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

void pav_Fatal(const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::vprintf(fmt, args);
  va_end(args);
  std::fflush(stdout);
  std::exit(1);
}
