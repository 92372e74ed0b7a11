// Where the tests find the source tree, the build tree and a scratch folder of their own.
#pragma once
#include <gtest/gtest.h>
#include <string>

namespace pavo_test {

// Root of the source tree (holds examples/, tests/data/, tests/expected/).
std::string sourceDir();
// Root of the build tree.
std::string binaryDir();
// A fresh empty folder under the build tree for one test, private to this process; created
// anew on each call.
std::string scratchDir(const std::string &name);
// Whole contents of a file, or an empty string when it cannot be read.
std::string readFile(const std::string &path);
// Replaces the file with these bytes.
void writeFile(const std::string &path, const std::string &bytes);
// A printed text the tests compare byte for byte, from tests/expected/.
std::string expectedText(const std::string &name);
// What f prints on stdout.
template <class F> std::string captured(F f) {
  testing::internal::CaptureStdout();
  f();
  return testing::internal::GetCapturedStdout();
}

} // namespace pavo_test
