// What changed in a viewer's view state, as a set of flags: keys (their table rows), panels, the
// bottom bar, view-state files and linked windows all say it with these, and the viewer's one
// redraw path (PavMeshViewer::refresh) turns it into the rebuilds, the propagation to the linked
// windows and the frame. Plain values: no window here.
#pragma once

#include <cstdint>

namespace pavo {

enum class PavChange : uint32_t {
  None = 0,
  Camera = 1u << 0,    // rotation, translation or field of view: linked windows follow (views)
  Centre = 1u << 1,    // the scene centre: linked windows follow (centre)
  Fields = 1u << 2,    // the field shown or its palette: fields rebuilt (with the cut, which packs
                       // its own), linked windows show the same solution (solution)
  Cut = 1u << 3,       // the cut plane, its use or the capping: cut rebuilt, linked windows follow
  Hidden = 1u << 4,    // the hidden references
  Colours = 1u << 5,   // the per-element colours (render mode, background, picks, transparency)
  Programs = 1u << 6,  // the programs are released and built anew for the field state
  Numbers = 1u << 7,   // the vertex numbers follow their switch
  Corners = 1u << 8,   // the corner points follow their switch
  Metric = 1u << 9,    // the metric glyphs follow their switch
  Unlinked = 1u << 10, // the linked windows are not told (a dragged cut plane, a file's view)
};

// A set of changes; an empty set only draws again.
class PavChanges {
public:
  constexpr PavChanges() = default;
  constexpr PavChanges(PavChange c) : bits((uint32_t)c) {}
  constexpr bool has(PavChange c) const { return (bits & (uint32_t)c) != 0; }
  constexpr bool empty() const { return bits == 0; }
  constexpr PavChanges operator|(PavChanges o) const { return fromBits(bits | o.bits); }
  PavChanges &operator|=(PavChanges o) { return bits |= o.bits, *this; }
  constexpr bool operator==(PavChanges o) const { return bits == o.bits; }
  constexpr bool operator!=(PavChanges o) const { return bits != o.bits; }

private:
  static constexpr PavChanges fromBits(uint32_t b) {
    PavChanges c;
    c.bits = b;
    return c;
  }
  uint32_t bits = 0;
};

constexpr PavChanges operator|(PavChange a, PavChange b) { return PavChanges(a) | b; }

// When the frame of a refresh is drawn: at once (keys, mouse: the next event sees it) or with the
// next pass of the event loop (panels and files, whose controls change several values in a row).
enum class PavRedraw { Now, Later };

} // namespace pavo
