#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Each example does what its comments say: every example has a test file, written by hand from
# the program's comments, and passes it.
# Usage: examples_behaviour.sh QZB_CLI EXAMPLES_DIR
set -euo pipefail
cli=$1 examples=$2
failures=0

for source in "$examples"/*.s; do
  name=$(basename "$source" .s)
  [ "$name" != wrong ] || continue
  if [ ! -f "$examples/$name.qzt" ]; then
    echo "FAIL: examples/$name.s has no examples/$name.qzt"
    failures=$((failures + 1))
  elif ! report=$("$cli" test "$examples/$name.qzt" "$examples/$name.qzb" 2>&1); then
    echo "FAIL: examples/$name.qzb does not pass examples/$name.qzt:"
    echo "$report"
    failures=$((failures + 1))
  fi
done

[ "$failures" -eq 0 ] || exit 1
echo "Every example passes its test file"
