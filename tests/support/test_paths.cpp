#include "test_paths.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace pavo_test {

std::string sourceDir() { return PAVO_SOURCE_DIR; }
std::string binaryDir() { return PAVO_BINARY_DIR; }

std::string scratchDir(const std::string &name) {
  namespace fs = std::filesystem;
  // ctest runs tests in parallel processes, often several instances of one parameterised test:
  // the process id keeps their folders apart.
  fs::path dir =
      fs::path(PAVO_BINARY_DIR) / "test_scratch" / (name + "." + std::to_string(getpid()));
  std::error_code ec;
  fs::remove_all(dir, ec);
  fs::create_directories(dir);
  return dir.string();
}

std::string readFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void writeFile(const std::string &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string expectedText(const std::string &name) {
  return readFile(sourceDir() + "/tests/expected/" + name);
}

} // namespace pavo_test
