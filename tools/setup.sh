#!/usr/bin/env bash
# Installs every Debian package that the build, the tests, the fuzzers and the benchmarks need.
# Idempotent: packages already present are not fetched again, and apt-get update runs only when
# something is missing. Runs as root (no sudo) on Debian 12.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ make pkg-config git
  qtbase5-dev libfreetype-dev liblapack-dev libstb-dev libfast-float-dev libcgns-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # headless OpenGL for the GUI tests
  xvfb xauth libgl1-mesa-dri fonts-dejavu-core
  # sanitizers, fuzzing and formatting
  clang libclang-rt-14-dev clang-format
  # independent readers and writers of mesh files used by the interoperability tests
  python3-meshio gmsh python3-gmsh
  # the Debian package (dpkg-shlibdeps) and the checks of the installed files
  dpkg-dev desktop-file-utils libxml2-utils shared-mime-info groff-base gzip python3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages (${missing[*]}); run as root to install them" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
