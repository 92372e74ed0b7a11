#!/usr/bin/env bash
# Set-up, build and test entry point.
#   ./build.sh run    install what is missing, build, run the main job on an example of examples/
#   ./build.sh test   install what is missing, build, run every test (normal build under Xvfb,
#                     then the core tests under AddressSanitizer + UndefinedBehaviorSanitizer,
#                     then the viewer smoke with the whole application under both, then the
#                     fuzzers for a bounded time), and check the formatting and the layers
#   ./build.sh bench  build and run the benchmarks
#   ./build.sh build  build only
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
jobs=$(nproc)
# -noreset: without it the X server resets whenever its last client leaves, and a test that
# connects during that reset fails to open the display (parallel ctest runs hit this).
xvfb=(xvfb-run -a -s "-screen 0 1600x1200x24 -noreset")
FUZZ_SECONDS=${FUZZ_SECONDS:-45}

setup() { "$root/tools/setup.sh"; }

configure_and_build() { # dir, cmake options...
  local dir=$1
  shift
  # A compiler cache, where one is installed, makes rebuilds of unchanged sources cheap.
  local launcher=()
  if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache); fi
  cmake -S "$root" -B "$root/$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
  cmake --build "$root/$dir" -j "$jobs"
}

build_main() { configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo; }

format_check() {
  echo "== clang-format check"
  git ls-files -- '*.cpp' '*.h' | xargs -r clang-format --dry-run --Werror
  echo "== layer check (every include of pavo/ points down)"
  tools/check_layers.sh
}

# Runs ctest in a build folder (extra arguments go before it, e.g. an xvfb-run prefix; options of
# ctest itself in the array ctest_args), keeps its log and adds its counts to the totals printed
# at the end.
passed=0
failed=0
ctest_args=()
run_ctest() { # dir, prefix...
  local dir=$1
  shift
  local log="$root/$dir/ctest.log" rc=0
  (cd "$dir" && "$@" ctest --output-on-failure -j "$jobs" "${ctest_args[@]}") 2>&1 | tee "$log" || rc=$?
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1 || true)
  if [ -n "$line" ]; then
    local nf nt
    nf=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
    nt=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/')
    passed=$((passed + nt - nf))
    failed=$((failed + nf))
  fi
  return $rc
}

run_tests() {
  echo "== tests (normal build, under Xvfb)"
  run_ctest build "${xvfb[@]}"

  echo "== core tests under AddressSanitizer + UndefinedBehaviorSanitizer"
  configure_and_build build-asan -DCMAKE_BUILD_TYPE=Debug -DPAVO_CORE_ONLY=ON -DPAVO_SANITIZE=ON
  run_ctest build-asan env ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1

  echo "== viewer smoke: the whole application under AddressSanitizer + UndefinedBehaviorSanitizer"
  # -O1 keeps the build and the run short; only the smoke is built here (the other application
  # tests ran above). Any sanitizer report ends the run with a failure; leaks at exit from the
  # system libraries under the window are suppressed by library name, never project code.
  local launcher=()
  if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache); fi
  cmake -S "$root" -B "$root/build-asan-app" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" \
    -DPAVO_SANITIZE=ON -DPAVO_BENCH=OFF >/dev/null
  cmake --build "$root/build-asan-app" -j "$jobs" --target pavo_smoke
  ctest_args=(-L smoke)
  run_ctest build-asan-app "${xvfb[@]}" env \
    ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:exitcode=23 \
    LSAN_OPTIONS=suppressions="$root/tools/lsan_suppressions.txt":print_suppressions=0 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
  ctest_args=()

  if [ -f tests/fuzz/CMakeLists.txt ]; then
    echo "== fuzzers (${FUZZ_SECONDS} s each)"
    CC=clang CXX=clang++ configure_and_build build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPAVO_FUZZ=ON
    tools/run_fuzzers.sh build-fuzz "$FUZZ_SECONDS"
  fi
}

main_job() {
  # The main job: the viewer on the curved example mesh with its solution. With a display it opens
  # the window (the run ends when the window is closed); without one it renders the same view under
  # Xvfb into a picture in build/example_out/.
  local mesh=examples/annulus_p2.mesh sol=examples/annulus_p2.sol
  if [ -n "${DISPLAY:-}" ]; then
    build/pavo/pavo4 -in "$mesh" -sol "$sol"
  else
    mkdir -p build/example_out
    local picture=build/example_out/annulus_p2.png
    PAVO4_VIEWER_SCREENSHOT="$picture" "${xvfb[@]}" build/pavo/pavo4 -in "$mesh" -sol "$sol"
    echo "Picture of the viewer: $root/$picture"
  fi
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
  echo "Summary: $passed passed, $failed failed"
  ;;
bench)
  setup
  build_main
  for b in build/bench/bench_*; do
    [ -x "$b" ] || continue
    case "$(basename "$b")" in
    bench_gl_*) "${xvfb[@]}" "$b" ;; # renderer benchmarks need an X server
    *) "$b" ;;
    esac
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
