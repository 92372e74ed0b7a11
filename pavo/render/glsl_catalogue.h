// The catalogue of the scene's GLSL programs: name, stage resources and the flags a build of it
// fixes. The scene keeps one GlslProgram and one "built" flag per entry, in this order.
#pragma once

#include "render/glsl_prefix.h"

namespace pavo {

struct GlslCatalogueEntry {
  const char *name; // e.g. "TriSha"
  const char *vs;   // resource paths under ":/glsl/"; null when the stage is absent
  const char *tcs;
  const char *tes;
  const char *gs;
  const char *fs;
  bool stl;       // built with the per-face-normal layout (and POLYGON for polygon programs)
  bool fixedFlat; // built with every field flag off whatever the scene state (text)
};

// How many programs the catalogue holds (checked against the table when it is compiled).
constexpr int kGlslProgramCount = 41;

// The entries, in catalogue order; *count receives their number.
const GlslCatalogueEntry *glslCatalogue(int *count);

// The entry of a program name, or null.
const GlslCatalogueEntry *findGlslProgram(const char *name);

// Whether the fragment stage of `entry` is the face stage (tri.fs, tri_flat.fs, qua.fs), the one
// that reads the fixed switches.
bool glslTakesSwitches(const GlslCatalogueEntry &entry);

// The flags a build of `entry` uses when the scene's field state is `state`; the fixed switches
// are kept only where glslTakesSwitches.
GlslFlags glslBuildFlags(const GlslCatalogueEntry &entry, const GlslFlags &state);

} // namespace pavo
