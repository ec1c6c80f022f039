#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Times the real qzb-cli grading a class: 1,000 program files (half assembly
# sources, half setting files, a quarter of them wrong) against a test file of
# 10 cases of at most 100 steps each and one comparison with a model solution on
# all 16 inputs (like model for 20 within 60); then the size of the Gradescope
# autograder zip made for that test file.
#   bench/grade.sh [PATH_OF_QZB_CLI] [RUNS]
set -euo pipefail
cli=${1:-build/src/cli/qzb-cli}
runs=${2:-11}
programs=1000
goal_ms=1000

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The exercise of examples/grading: OUT = IN + 5, or 15 when the sum passes 15.
good='loop:   B = IN + 5
        JNC show
        B = 15
show:   OUT = B
        JMP loop'
bad='loop:   B = IN + 5
        OUT = B
        JMP loop'

{
  for input in 0 3 6 9 10 11 12 13 14 15; do
    bits=$(printf '%d%d%d%d' $(((input >> 3) & 1)) $(((input >> 2) & 1)) $(((input >> 1) & 1)) $((input & 1)))
    sum=$((input + 5 > 15 ? 15 : input + 5))
    printf 'case "input %s"\n  input %s\n  run until out=%d within 50\n  run 45\n  expect out=%d\n' \
      "$bits" "$bits" "$sum" "$sum"
  done
  printf 'model\n%s\nend\ncase "every input as the model"\n  expect out like model for 20 within 60\n' "$good"
} >"$work/tests.qzt"

# Sources that differ in a comment; the setting files are copies of the two assembled ones.
printf '%s\n' "$good" >"$work/good.s"
printf '%s\n' "$bad" >"$work/bad.s"
"$cli" asm "$work/good.s" >/dev/null
"$cli" asm "$work/bad.s" >/dev/null
mkdir "$work/class"
for ((i = 0; i < programs; i++)); do
  printf -v name '%s/class/student%04d' "$work" "$i"
  if ((i % 4 == 3)); then kind=bad; else kind=good; fi
  if ((i % 2 == 0)); then
    if [ "$kind" = good ]; then source=$good; else source=$bad; fi
    printf '; student %d\n%s\n' "$i" "$source" >"$name.s"
  else
    cp "$work/$kind.qzb" "$name.qzb"
  fi
done

# A check that the run grades what it should: every program, with the wrong ones failing.
set +e
"$cli" test "$work/tests.qzt" "$work"/class/* --format csv >"$work/report.csv"
status=$?
set -e
rows=$(($(wc -l <"$work/report.csv") - 1))
failed=$(grep -c ',fail,' "$work/report.csv" || true)
if [ "$status" -ne 1 ] || [ "$rows" -ne $((programs * 11)) ] || [ "$failed" -eq 0 ]; then
  echo "grade: expected exit status 1 and $((programs * 11)) rows with failures; got $status, $rows rows, $failed failed" >&2
  exit 1
fi

# shellcheck source=bench/timing.sh
source "$(dirname "$0")/timing.sh"

echo "qzb-cli test, $runs runs each: $programs programs ($((programs / 2)) sources, $((programs / 2)) setting files," \
  "$failed failing cases) against 10 cases and one like model for 20 within 60"
report "$goal_ms" "test (text report)" "$cli" test "$work/tests.qzt" "$work"/class/*
report "$goal_ms" "test --format junit" "$cli" test "$work/tests.qzt" "$work"/class/* --format junit

"$cli" gradescope "$work/tests.qzt" -o "$work/autograder.zip" >/dev/null
size=$(stat -c %s "$work/autograder.zip")
printf '%-38s %8d bytes   goal <= 2000000 bytes %s\n' "qzb-cli gradescope: autograder.zip" "$size" \
  "$([ "$size" -le 2000000 ] && echo met || echo MISSED)"
