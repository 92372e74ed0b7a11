// Movie frames rendered from a view-state file.
#include "modes/mode_drivers.h"

namespace pavo {

int runMovie(int, char **) { return reportNotAvailable("movie"); }

} // namespace pavo
