// The preprocessor prefix that specialises a fragment stage for the scene's field state.
#pragma once

#include <cstdint>
#include <string>

namespace pavo {

// Switches a build of a face program may fix instead of reading their uniforms on every fragment:
// software rasterisers run both sides of a uniform branch, so code left out is time saved. The
// defaults fix nothing; each other value adds one definition. A new switch adds a member here, a
// line in fragmentPrefix and a bit in key().
struct GlslSwitches {
  int lightModel = -1;    // 0-3: LIGHT_MODEL <n>, the lighting model every face uses; -1: UsePhong
  bool noPicking = false; // NO_PICKING: not the picking pass (Picking is false)
  bool noWire = false;    // NO_WIRE: no wire lines (LineOn and TessOn are false)
  bool noHiding = false;  // NO_HIDING: HideSurfOn, HideVolOn, DiscardUnPicked and FaceOff are false

  // A distinct small number per combination (0 for the defaults), to cache builds by.
  uint32_t key() const {
    return (uint32_t)(lightModel + 1) | (noPicking ? 8u : 0u) | (noWire ? 16u : 0u) |
           (noHiding ? 32u : 0u);
  }
};

// The field definitions of the programs: which fields are shown and their degrees. A scene
// derives them from the fields attached to it.
struct GlslFieldDefinitions {
  bool sol = false; // a solution field is attached
  bool jac = false; // a Jacobian field is attached
  bool val = false; // a value (quality) field is attached
  int solDeg = 0;   // degree of the solution field, or of the value field
  int jacDeg = 0;   // degree of the Jacobian field
  bool operator==(const GlslFieldDefinitions &o) const {
    return sol == o.sol && jac == o.jac && val == o.val && solDeg == o.solDeg && jacDeg == o.jacDeg;
  }
  bool operator!=(const GlslFieldDefinitions &o) const { return !(*this == o); }
};

// What a program build request fixes besides its sources: the field definitions, and whether
// the per-face-normal (STL) layout is used.
struct GlslFlags : GlslFieldDefinitions {
  bool stl = false; // per-face normals from a buffer texture
  GlslSwitches fixed;
};

// Highest degree for which a Deg<n> definition is emitted.
constexpr int kGlslMaxDefinedDegree = 10;

// The text put before a fragment file (which has no #version line of its own): "#version 400"
// then, in this order, STL (and POLYGON for "PolygonSha" and "PolyhedraSha"), SOL, JAC, VAL, HO
// and the runs Deg2..Deg<jacDeg> and Deg2..Deg<solDeg> (capped at Deg10), then the fixed
// switches LIGHT_MODEL <n>, NO_PICKING, NO_WIRE and NO_HIDING, one line each, every line ending in
// '\n'. `programName` may be null.
std::string fragmentPrefix(const GlslFlags &flags, const char *programName);

} // namespace pavo
