// Data sequences rendered in one window.
#include "modes/mode_drivers.h"

namespace pavo {

int runSeq(int, char **) { return reportNotAvailable("seq"); }

} // namespace pavo
