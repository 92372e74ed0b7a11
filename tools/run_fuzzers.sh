#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a bounded time on a copy of its seed corpus.
#   tools/run_fuzzers.sh <build-fuzz> <seconds>
# Fails when a target finds a crash, a leak or a timeout; the reproducer is kept in
# <build-fuzz>/fuzz-artifacts/ (copy it to tests/data/ovel/ as a regression file, or for the
# fuzz_load_* targets to tests/data/load/<name>.<ascii|binary>.pair, for fuzz_view_files to
# tests/fuzz/corpus/fuzz_view_files/, for fuzz_scene to tests/fuzz/corpus/fuzz_scene/).
set -euo pipefail
build=${1:?usage: run_fuzzers.sh <build-dir> <seconds>}
seconds=${2:?usage: run_fuzzers.sh <build-dir> <seconds>}
root=$(cd "$(dirname "$0")/.." && pwd)
artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"
status=0
found=0
for target in "$build"/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  found=1
  work=$(mktemp -d)
  if [ -d "$root/tests/fuzz/corpus/$name" ]; then
    cp -r "$root/tests/fuzz/corpus/$name/." "$work/"
  fi
  # The loading-layer targets also start from the regression pairs of their form.
  case "$name" in
  fuzz_load_ascii) cp "$root"/tests/data/load/*.ascii.pair "$work/" 2>/dev/null || true ;;
  fuzz_load_binary) cp "$root"/tests/data/load/*.binary.pair "$work/" 2>/dev/null || true ;;
  esac
  # CGNS seeds are HDF5 files of 10 to 20 kB; each input opens the HDF5 library: a longer input
  # and a shorter run.
  max_len=8192
  run=$seconds
  # Gmsh seeds are whole curved meshes of 17 to 20 kB.
  [ "$name" = fuzz_gmsh ] && max_len=32768
  if [ "$name" = fuzz_cgns ]; then
    max_len=32768
    [ "$run" -gt 40 ] && run=40
  fi
  # The viewer's text files are small and quick to read: a third of the time is plenty.
  if [ "$name" = fuzz_view_files ]; then
    run=$(((run + 2) / 3))
  fi
  # A target's dictionary (keywords of its format), where it has one.
  dict=()
  if [ -f "$root/tests/fuzz/$name.dict" ]; then dict=(-dict="$root/tests/fuzz/$name.dict"); fi
  # The scene target's view-state and parameter files speak the text files' keywords.
  [ "$name" = fuzz_scene ] && dict=(-dict="$root/tests/fuzz/fuzz_view_files.dict")
  echo "== $name for ${run} s"
  if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 "$target" \
      "${dict[@]}" -max_total_time="$run" -max_len="$max_len" \
      -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$artifacts/$name-" "$work" > "$artifacts/$name.log" 2>&1; then
    echo "$name FAILED; last lines of $artifacts/$name.log:"
    tail -n 40 "$artifacts/$name.log"
    status=1
  else
    grep -E '^stat::number_of_executed_units|^#[0-9]+.*DONE' "$artifacts/$name.log" | tail -n 2 || true
  fi
  rm -rf "$work"
done
if [ "$found" = 0 ]; then
  echo "no fuzz targets in $build/tests/fuzz"
  exit 1
fi
exit $status
