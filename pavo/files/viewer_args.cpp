#include "files/viewer_args.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace pavo {

ViewerArgs scanViewerArgs(int argc, char **argv) {
  ViewerArgs a;
  for (int i = 1; i < argc; i++) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "-in") == 0) a.in = hasValue ? i + 1 : 0;
    if (std::strcmp(argv[i], "-sol") == 0) a.sol = hasValue ? i + 1 : 0;
    if (std::strcmp(argv[i], "-data") == 0) a.data = hasValue ? i + 1 : 0;
  }
  a.first = a.sol ? a.sol : a.in;
  for (int i = 2; i < argc && argv[i][0] != '-'; i++) a.count++;
  return a;
}

namespace {
std::string dataBase(const char *value) {
  return cutAt(cutAt(cutAt(value, ".mesh"), ".meshb"), ".data");
}
} // namespace

std::string viewerViewStateName(int argc, char **argv, const ViewerArgs &args) {
  if (args.data > 0 && args.data < argc) return dataBase(argv[args.data]) + ".data";
  if (args.in > 0 && args.in < argc) return cutAt(argv[args.in], ".mesh") + ".data";
  return {};
}

std::string movieViewStateName(int argc, char **argv) {
  const ViewerArgs args = scanViewerArgs(argc, argv);
  if (args.data > 0 && args.data < argc) return dataBase(argv[args.data]) + ".data";
  return "pavo.data";
}

std::string cutAt(const std::string &name, const char *suffix) {
  const size_t p = name.find(suffix);
  return p == std::string::npos ? name : name.substr(0, p);
}

std::string baseName(const std::string &path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string windowTitle(int index, const std::string &meshName) {
  return "[" + std::to_string(index) + "] " + baseName(meshName);
}

int windowX(int index, int count) {
  if (count <= 1) return -1;
  return (int)((int64_t)(index - 1) * 800 / (count - 1));
}

void unionBox(double box[6], const double other[6]) {
  for (int i = 0; i < 6; i += 2) {
    box[i] = std::min(box[i], other[i]);
    box[i + 1] = std::max(box[i + 1], other[i + 1]);
  }
}

} // namespace pavo
