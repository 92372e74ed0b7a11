// A hidden draw object, as the view state and the view-state file name it. Kept apart from
// render/view_state.h so that the file readers need no Qt.
#pragma once

#include <cstdint>

namespace pavo {

// A hidden draw object: draw type (files/draw_types.h) and reference.
struct PavHiddenRef {
  uint32_t drawType = 0;
  int32_t ref = 0;
  bool operator==(const PavHiddenRef &o) const { return drawType == o.drawType && ref == o.ref; }
};

} // namespace pavo
