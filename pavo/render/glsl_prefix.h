// The preprocessor prefix that specialises a fragment stage for the scene's field state.
#pragma once

#include <string>

namespace pavo {

// What a program build request fixes besides its sources: which fields are shown and their
// degrees, and whether the per-face-normal (STL) layout is used.
struct GlslFlags {
  bool sol = false; // a solution field is attached
  bool jac = false; // a Jacobian field is attached
  bool val = false; // a value (quality) field is attached
  int solDeg = 0;   // degree of the solution field, or of the value field
  int jacDeg = 0;   // degree of the Jacobian field
  bool stl = false; // per-face normals from a buffer texture
};

// Highest degree for which a Deg<n> definition is emitted.
constexpr int kGlslMaxDefinedDegree = 10;

// The text put before a fragment file (which has no #version line of its own): "#version 400"
// then, in this order, STL (and POLYGON for "PolygonSha" and "PolyhedraSha"), SOL, JAC, VAL, HO
// and the runs Deg2..Deg<jacDeg> and Deg2..Deg<solDeg> (capped at Deg10), one line each, every
// line ending in '\n'. `programName` may be null.
std::string fragmentPrefix(const GlslFlags &flags, const char *programName);

} // namespace pavo
