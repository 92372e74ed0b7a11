#include "modes/mode_drivers.h"

#include "app_messages.h"

#include <cstdio>

namespace pavo {

int reportNotAvailable(const char *mode) {
  appMessage("  pavo4: the %s mode is not available in this build\n", mode);
  return 0;
}

} // namespace pavo
