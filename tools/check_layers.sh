#!/usr/bin/env bash
# Checks that every include of the application points down its layers:
#   pavmsh -> files -> render -> scene -> ui -> modes
# A file of pavo/<layer>/ may include its own layer and those below it, never one above. Files at
# the top of pavo/ (main, start-up, messages) sit outside the layers and are not checked.
# Prints each offending line and fails when there is one. Usage: tools/check_layers.sh [root]
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
layers=(files render scene ui modes)

rank() { # layer name -> its height, or nothing for a folder outside the layers
  local i
  for i in "${!layers[@]}"; do
    if [ "${layers[$i]}" = "$1" ]; then
      echo "$i"
      return
    fi
  done
}

bad=0
for layer in "${layers[@]}"; do
  own=$(rank "$layer")
  [ -d "$root/pavo/$layer" ] || continue
  while IFS= read -r line; do
    target=$(sed -E 's/^[^:]*:[0-9]+:[[:space:]]*#[[:space:]]*include[[:space:]]*"([^/"]+)\/.*/\1/' <<<"$line")
    theirs=$(rank "$target")
    if [ -n "$theirs" ] && [ "$theirs" -gt "$own" ]; then
      echo "${line#"$root"/}"
      bad=$((bad + 1))
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' "$root/pavo/$layer" --include='*.cpp' --include='*.h')
done

if [ "$bad" -gt 0 ]; then
  echo "check_layers: $bad include(s) point up a layer" >&2
  exit 1
fi
echo "check_layers: every include points down"
