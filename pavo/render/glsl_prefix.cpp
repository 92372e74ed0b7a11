#include "render/glsl_prefix.h"

#include <cstring>

namespace pavo {

namespace {

void appendDegreeRun(std::string &out, int degree) {
  const int last = degree < kGlslMaxDefinedDegree ? degree : kGlslMaxDefinedDegree;
  for (int d = 2; d <= last; ++d) out += "#define Deg" + std::to_string(d) + "\n";
}

bool isPolygonProgram(const char *name) {
  return name && (std::strcmp(name, "PolygonSha") == 0 || std::strcmp(name, "PolyhedraSha") == 0);
}

} // namespace

std::string fragmentPrefix(const GlslFlags &flags, const char *programName) {
  std::string out = "#version 400\n";
  if (flags.stl) {
    out += "#define STL\n";
    if (isPolygonProgram(programName)) out += "#define POLYGON\n";
  }
  if (flags.sol) out += "#define SOL\n";
  // HO switches on the high-order evaluation paths. Every combination below writes it whenever
  // the solution degree is 2 or more, so the solution run of Deg lines always has it.
  if (flags.jac) {
    out += "#define JAC\n";
    if (!flags.val) out += "#define HO\n";
  }
  if (flags.val) {
    out += "#define VAL\n";
    if (flags.jac || flags.solDeg >= 2) out += "#define HO\n";
  }
  if (!flags.jac && !flags.val && flags.solDeg >= 2) out += "#define HO\n";
  if (flags.jac && flags.jacDeg > 1) appendDegreeRun(out, flags.jacDeg);
  if (flags.solDeg > 1) appendDegreeRun(out, flags.solDeg);
  const GlslSwitches &fixed = flags.fixed;
  if (fixed.lightModel >= 0 && fixed.lightModel <= 3)
    out += "#define LIGHT_MODEL " + std::to_string(fixed.lightModel) + "\n";
  if (fixed.noPicking) out += "#define NO_PICKING\n";
  if (fixed.noWire) out += "#define NO_WIRE\n";
  if (fixed.noHiding) out += "#define NO_HIDING\n";
  return out;
}

} // namespace pavo
