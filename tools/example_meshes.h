// The generator of the example meshes shipped in examples/.
//
// Every example is built from its rule here and written through pav_WriteMesh and
// pav_WriteSolution; the files in examples/ are the output of writeExamples (make_examples writes
// them) and a core test checks that they still are.
#pragma once

#include <string>
#include <vector>

namespace pavo_examples {

// File names (without folder) writeExamples produces, in the order it writes them.
std::vector<std::string> exampleFiles();

// Writes every example into dir (which must exist). False, with the message printed, when a
// file cannot be written.
bool writeExamples(const std::string &dir);

} // namespace pavo_examples
