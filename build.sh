#!/usr/bin/env bash
# Set-up, build and test entry point.
#   ./build.sh run    install what is missing, build, run the main job on an example of examples/
#   ./build.sh test   install what is missing, build, run every test (normal build under Xvfb,
#                     then the core tests under AddressSanitizer + UndefinedBehaviorSanitizer,
#                     then the file-reader fuzzers for a bounded time), and check the formatting
#   ./build.sh bench  build and run the benchmarks
#   ./build.sh build  build only
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
jobs=$(nproc)
xvfb=(xvfb-run -a -s "-screen 0 1600x1200x24")
FUZZ_SECONDS=${FUZZ_SECONDS:-60}

setup() { "$root/tools/setup.sh"; }

configure_and_build() { # dir, cmake options...
  local dir=$1
  shift
  cmake -S "$root" -B "$root/$dir" -G Ninja "$@" >/dev/null
  cmake --build "$root/$dir" -j "$jobs"
}

build_main() { configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo; }

format_check() {
  echo "== clang-format check"
  git ls-files -- '*.cpp' '*.h' | xargs -r clang-format --dry-run --Werror
}

run_tests() {
  echo "== tests (normal build, under Xvfb)"
  (cd build && "${xvfb[@]}" ctest --output-on-failure -j "$jobs")

  echo "== core tests under AddressSanitizer + UndefinedBehaviorSanitizer"
  configure_and_build build-asan -DCMAKE_BUILD_TYPE=Debug -DPAVO_CORE_ONLY=ON -DPAVO_SANITIZE=ON
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j "$jobs")

  if [ -f tests/fuzz/CMakeLists.txt ]; then
    echo "== fuzzers (${FUZZ_SECONDS} s each)"
    CC=clang CXX=clang++ configure_and_build build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPAVO_FUZZ=ON
    tools/run_fuzzers.sh build-fuzz "$FUZZ_SECONDS"
  fi
}

main_job() {
  # The main job: open the example mesh with its solution in the viewer.
  "${xvfb[@]}" build/pavo/pavo4 -in examples/square.mesh
}

case "${1:-}" in
run)
  setup
  build_main
  main_job
  ;;
test)
  setup
  format_check
  build_main
  run_tests
  ;;
bench)
  setup
  build_main
  for b in build/bench/bench_*; do
    [ -x "$b" ] && "$b"
  done
  ;;
build)
  setup
  build_main
  ;;
*)
  echo "usage: ./build.sh run | test | bench | build" >&2
  exit 2
  ;;
esac
