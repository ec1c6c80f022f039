#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Each example does what its comments say: rows of its trace, worked out by hand from the program,
# must appear in what qzb-cli run prints. Where qzb-cli has the test command, each example is
# also graded against its own examples/NAME.qzt.
# Usage: examples_behaviour.sh QZB_CLI EXAMPLES_DIR
set -euo pipefail
cli=$1 examples=$2
failures=0

# example  input  steps  rows the CSV trace must hold: step,pc,a,b,out,carry
expectations=(
  "count 0000 47   2,2,0,1,1,0  44,2,0,15,15,0  46,1,0,0,15,1  47,2,0,0,0,0"
  "add   0000  2   2,2,0,3,3,0"
  "add   0101  2   2,2,0,8,8,0"
  "add   1110  2   1,1,0,1,0,1  2,2,0,1,1,0"
  "carry 0000 20   2,2,5,0,0,0  6,2,15,0,0,0  8,2,4,0,0,1  9,3,4,0,0,0  11,5,4,4,4,0  20,5,4,4,4,0"
  "light 0000  6   1,1,0,0,1,0  2,2,0,0,2,0  3,3,0,0,4,0  4,4,0,0,8,0  5,0,0,0,8,0  6,1,0,0,1,0"
  "beep  0000  4   1,1,0,0,8,0  2,2,0,0,7,0  3,0,0,0,7,0  4,1,0,0,8,0"
  "wait  0000 20   19,1,15,0,0,0  20,0,15,0,0,0"
  "wait  0100 10   1,1,3,0,0,1  2,2,3,0,0,0  4,4,3,4,4,0  10,4,3,4,4,0"
)

checked=" "
for line in "${expectations[@]}"; do
  read -r name input steps rows <<<"$line"
  checked+="$name "
  if ! trace=$("$cli" run "$examples/$name.qzb" --input "$input" --steps "$steps" --format csv); then
    echo "FAIL: qzb-cli run examples/$name.qzb --input $input failed"
    failures=$((failures + 1))
    continue
  fi
  for row in $rows; do
    grep -qx "$row" <<<"$trace" || {
      echo "FAIL: examples/$name.qzb with input $input: no row $row in"
      echo "$trace"
      failures=$((failures + 1))
    }
  done
done

for source in "$examples"/*.s; do
  name=$(basename "$source" .s)
  [ "$name" != wrong ] || continue
  [[ $checked == *" $name "* ]] || { echo "FAIL: examples/$name.s has no expectations here"; failures=$((failures + 1)); }
  [ -f "$examples/$name.qzt" ] || { echo "FAIL: examples/$name.s has no examples/$name.qzt"; failures=$((failures + 1)); }
done

if "$cli" --help | grep -qE '^ +test( |$)'; then
  for tests in "$examples"/*.qzt; do
    name=$(basename "$tests" .qzt)
    report=$("$cli" test "$tests" "$examples/$name.qzb" 2>&1) || {
      echo "FAIL: examples/$name.qzb does not pass examples/$name.qzt:"
      echo "$report"
      failures=$((failures + 1))
    }
  done
else
  echo "qzb-cli has no test command yet: the .qzt files were not graded"
fi

[ "$failures" -eq 0 ] || exit 1
echo "Every example behaves as its comments say"
