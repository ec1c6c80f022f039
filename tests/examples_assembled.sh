#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The .qzb files committed in examples/ are byte for byte what qzb-cli asm makes of their sources
# in the build, so that someone who opens them without building gets the program the source shows.
# Usage: examples_assembled.sh EXAMPLES_DIR BUILT_DIR
set -euo pipefail
examples=$1 built=$2
failures=0 checked=0
for source in "$examples"/*.s; do
  name=$(basename "$source" .s)
  [ "$name" != wrong ] || continue # the README's source with errors
  checked=$((checked + 1))
  if [ ! -f "$examples/$name.qzb" ]; then
    echo "FAIL: examples/$name.s has no examples/$name.qzb; make it with: qzb-cli asm examples/$name.s"
    failures=$((failures + 1))
  elif ! cmp -s "$examples/$name.qzb" "$built/$name.qzb"; then
    echo "FAIL: examples/$name.qzb is not what examples/$name.s assembles to; make it again with: qzb-cli asm examples/$name.s"
    failures=$((failures + 1))
  fi
done
for file in "$examples"/*.qzb; do
  [ -f "${file%.qzb}.s" ] || { echo "FAIL: examples/$(basename "$file") has no source"; failures=$((failures + 1)); }
done
[ "$checked" -gt 0 ] || { echo "FAIL: no example sources in $examples"; exit 1; }
[ "$failures" -eq 0 ] || exit 1
echo "$checked examples: every committed .qzb is what its source assembles to"
