#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# qzb-cli run --format svg: well-formed XML by xmllint for 0, 1, 1,000 and more steps, its
# columns' lanes (the bus values, the waveforms' levels) the CSV's rows of the same run, the
# last 1,000 steps of a longer one; and the README's diagram of the counting program the command's own.
# Usage: timing_diagram.sh QZB_CLI EXAMPLES_DIR README_SVG
set -euo pipefail
cli=$1 examples=$2 readme_svg=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
passed=0 failed=0
check() { # what, then the command that must succeed
  local what=$1
  shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)) && echo "FAIL: $what"; fi
}

# A program whose carry and every output bit change: A counts by 5, OUT shows A + 7.
cat >"$scratch/mixed.s" <<'SOURCE'
loop:   A = A + 5
        B = A + 3
        OUT = B + 7
        JNC loop
        B = IN + 9
        JMP B + 0
SOURCE

# The diagram's columns as CSV rows (step,pc,a,b,out,carry), read from the parsed XML: the texts
# of each column are its step, PC, A and B; a waveform at the top of its lane is a 1.
rows_of() {
  xmllint --format "$1" | awk '
    function value(bits,   v, i) { v = 0; for (i = 1; i <= 4; i++) v = v * 2 + substr(bits, i, 1); return v }
    /<g data-step="/ { match($0, /data-step="[0-9]+"/); step = substr($0, RSTART + 11, RLENGTH - 12); texts = 0 }
    /<text/ && step != "" {
      line = $0; sub(/^[^>]*>/, "", line); sub(/<.*$/, "", line); ++texts
      if (texts == 2) pc = value(line); else if (texts == 3) a = value(line); else if (texts == 4) b = value(line)
    }
    /class="qzb-timing-wave"/ {
      match($0, / d="[^"]*"/); d = substr($0, RSTART + 4, RLENGTH - 5)
      n = split(d, moves, "M"); out = 0
      for (i = 2; i <= n; i++) {
        split(moves[i], xy, /[,h]/); lane = int((xy[2] - 96) / 20); high = (xy[2] - 96) % 20 == 2
        if (lane == 0) carry = high; else out = out * 2 + high
      }
      print step "," pc "," a "," b "," out "," carry
    }'
}

for steps in 0 1 1000 1500; do
  for input in 0000 1011; do
    "$cli" run "$scratch/mixed.s" --steps $steps --input $input --format svg >"$scratch/run.svg"
    check "$steps steps, input $input: well-formed" xmllint --noout "$scratch/run.svg"
    "$cli" run "$scratch/mixed.s" --steps $steps --input $input --format csv | tail -n +2 | tail -n 1001 >"$scratch/expected.csv"
    rows_of "$scratch/run.svg" >"$scratch/drawn.csv"
    check "$steps steps, input $input: the lanes are the CSV's rows" cmp -s "$scratch/expected.csv" "$scratch/drawn.csv"
  done
done
first=$(grep -o '<title>[^<]*' "$scratch/run.svg")
check "the title names the link, the input and the steps shown: $first" \
  test "$first" = "<title>QZB timing diagram of $("$cli" link "$scratch/mixed.s"), input 1011, steps 500 to 1500"

"$cli" run "$examples/count.qzb" --steps 12 --format svg >"$scratch/count.svg"
check "the README's diagram is qzb-cli run examples/count.qzb --steps 12 --format svg" cmp -s "$readme_svg" "$scratch/count.svg"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
