// make_examples DIR: writes the example meshes and solutions into DIR (created when missing).
// `build/tools/make_examples examples` regenerates the committed examples.
#include "example_meshes.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_examples DIR\n");
    return 1;
  }
  std::error_code error;
  std::filesystem::create_directories(argv[1], error);
  if (error) {
    std::fprintf(stderr, "cannot create %s: %s\n", argv[1], error.message().c_str());
    return 1;
  }
  if (!pavo_examples::writeExamples(argv[1])) return 1;
  for (const std::string &name : pavo_examples::exampleFiles())
    std::printf("%s/%s\n", argv[1], name.c_str());
  return 0;
}
