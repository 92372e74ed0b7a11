#!/usr/bin/env bash
# What a user gets from `cmake --install` and from the Debian package: installs the build into a
# temporary root, runs the installed program without a display, validates the desktop entry, the
# file types, the icons and the manual page, and builds the package, whose files must be exactly
# those of the install manifest.
#   check_install.sh <build folder> <source folder> <cmake> <cpack>
set -uo pipefail
build=$(cd "$1" && pwd) source=$2 cmake=$3 cpack=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
headless() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"; }

destdir=$work/root
DESTDIR=$destdir "$cmake" --install "$build" --prefix /usr >/dev/null || fail "cmake --install"
usr=$destdir/usr

# The program runs from its installed place, without a display, and says what the build says.
headless "$usr/bin/pavo4" -h >"$work/help.txt" || fail "installed pavo4 -h exits with $?"
headless "$build/pavo/pavo4" -h | cmp -s - "$work/help.txt" || fail "installed pavo4 -h differs"
cp "$source"/examples/annulus_p2.{mesh,sol} "$work/"
(cd "$work" && headless "$usr/bin/pavo4" -checksurf -in annulus_p2.mesh -sol annulus_p2.sol \
  -out closed >/dev/null) || fail "installed pavo4 -checksurf"
for f in closed.meshb closed.solb; do [ -s "$work/$f" ] || fail "-checksurf wrote no $f"; done

# Manual page: renders without warnings and holds every line of the usage text (the -h output
# without its banner of 5 lines and its closing 2 lines).
man=$usr/share/man/man1/pavo4.1.gz
warnings=$(zcat "$man" | groff -man -ww -z -Tutf8 2>&1) || fail "groff on the manual page"
[ -z "$warnings" ] || fail "manual page: $warnings"
zcat "$man" | sed -e 's/\\-/-/g' -e 's/\\e/\\/g' -e 's/^\\&//' >"$work/man.txt"
sed -n '6,$p' "$work/help.txt" | head -n -2 | grep -v '^$' | while IFS= read -r line; do
  grep -qxF -- "$line" "$work/man.txt" || echo "$line"
done >"$work/missing.txt"
[ ! -s "$work/missing.txt" ] || fail "manual page lacks: $(head -n 1 "$work/missing.txt")"

# Desktop entry and file types: valid, and every type the entry opens is one the file defines.
desktop=$usr/share/applications/pavo4.desktop
out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ] || fail "desktop entry: $out"
grep -qx 'Exec=pavo4 -in %F' "$desktop" || fail "desktop entry does not open files with -in"
xml=$usr/share/mime/packages/pavo4.xml
xmllint --noout "$xml" || fail "MIME file is not well-formed XML"
mkdir -p "$work/mime/packages" && cp "$xml" "$work/mime/packages/"
out=$(XDG_DATA_DIRS=$work XDG_DATA_HOME=$work update-mime-database "$work/mime" 2>&1)
[ -z "$out" ] || fail "update-mime-database: $out"
for pair in mesh:x-pavo4-mesh meshb:x-pavo4-meshb sol:x-pavo4-sol solb:x-pavo4-solb \
  cgns:x-cgns msh:x-gmsh-msh; do
  grep -qx "50:application/${pair#*:}:\*\.${pair%%:*}" "$work/mime/globs2" ||
    fail "no file type for .${pair%%:*}"
done
for type in $(sed -n 's/^MimeType=//p' "$desktop" | tr ';' ' '); do
  grep -q "^$type\$" "$work/mime/types" || fail "desktop entry opens undefined type $type"
done

# Icons: one per theme size, each PNG of the size its folder names.
for png in "$usr"/share/icons/hicolor/*/apps/pavo4.png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  got=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24)
print("%dx%d" % struct.unpack(">II", d[16:24]) if d[:8] == b"\x89PNG\r\n\x1a\n" else "")' "$png")
  [ "$got" = "$size" ] || fail "icon $png is '$got'"
done
[ -f "$usr/share/icons/hicolor/48x48/apps/pavo4.png" ] || fail "no 48x48 icon"

# Debian package: the manifest's files exactly, dependencies from the libraries, and a stripped
# program that still runs.
sed "s|^$destdir||" "$build/install_manifest.txt" | sort >"$work/manifest.txt"
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
  fail "cpack -G DEB: $(tail -n 3 "$work/cpack.log")"
deb=$(ls "$work"/pkg/*.deb 2>/dev/null | head -n 1)
if [ -n "$deb" ]; then
  dpkg-deb -c "$deb" | awk '$1 ~ /^-/ {sub(/^\./, "", $6); print $6}' | sort >"$work/deb.txt"
  diff "$work/manifest.txt" "$work/deb.txt" || fail "package files differ from the install manifest"
  depends=$(dpkg-deb -f "$deb" Depends)
  for lib in libqt5widgets5 libcgns; do
    [[ $depends == *$lib* ]] || fail "package depends on no $lib: $depends"
  done
  dpkg-deb -x "$deb" "$work/deb" && headless "$work/deb/usr/bin/pavo4" -h >/dev/null ||
    fail "pavo4 -h from the package"
else
  fail "cpack made no .deb"
fi

echo "install checks: $failures failed"
[ "$failures" -eq 0 ]
