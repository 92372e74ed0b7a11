#include "test_paths.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace pavo_test {

std::string sourceDir() { return PAVO_SOURCE_DIR; }
std::string binaryDir() { return PAVO_BINARY_DIR; }

std::string scratchDir(const std::string &name) {
  namespace fs = std::filesystem;
  fs::path dir = fs::path(PAVO_BINARY_DIR) / "test_scratch" / name;
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

} // namespace pavo_test
