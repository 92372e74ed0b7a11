// Entry point of pavo4: start-up and dispatch on the command line.
#include <cstdio>

int main(int, char **) {
  std::printf("PAVO 4\n");
  return 0;
}
