#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Each example but wrong.s (the README's source with errors) has its .qzb committed byte for byte as
# qzb-cli asm makes it in the build, so that someone who opens it without building gets the program
# the source shows, and passes its test file, written by hand from the program's comments.
# Usage: examples.sh QZB_CLI EXAMPLES_DIR BUILT_DIR
set -euo pipefail
cli=$1 examples=$2 built=$3
failures=0 checked=0
fail() { echo "FAIL: $1"; failures=$((failures + 1)); }

for source in "$examples"/*.s; do
  stem=$(basename "$source" .s) name=examples/$(basename "$source" .s)
  [ "$stem" != wrong ] || continue
  checked=$((checked + 1))
  if ! cmp -s "$examples/$stem.qzb" "$built/$stem.qzb"; then
    fail "$name.qzb is missing or not what $name.s assembles to; make it with: qzb-cli asm $name.s"
  fi
  if ! report=$("$cli" test "$examples/$stem.qzt" "$examples/$stem.qzb" 2>&1); then
    fail "$name.qzb does not pass $name.qzt:"$'\n'"$report"
  fi
done
for file in "$examples"/*.qzb; do
  [ -f "${file%.qzb}.s" ] || fail "examples/$(basename "$file") has no source"
done
[ "$checked" -gt 0 ] || { echo "FAIL: no example sources in $examples"; exit 1; }
[ "$failures" -eq 0 ] || exit 1
echo "$checked examples: each committed .qzb is what its source assembles to, and passes its test file"
