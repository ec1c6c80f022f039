#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Times the real qzb-cli: a million steps of the counting program written as CSV
# (and as JSON lines) to /dev/null, and its start-up with no step at all.
#   bench/cli_csv.sh [PATH_OF_QZB_CLI] [RUNS]
set -euo pipefail
cli=${1:-build/src/cli/qzb-cli}
runs=${2:-11}
steps=1000000
goal_ms=250

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'loop: B = B + 1\n      OUT = B\n      JMP loop\n' >"$work/count.s"
"$cli" asm "$work/count.s" >/dev/null

# The trace really is a million rows: the header, the reset row and one per step.
lines=$("$cli" run "$work/count.qzb" --steps "$steps" --format csv | wc -l)
if [ "$lines" -ne $((steps + 2)) ]; then
  echo "cli: expected $((steps + 2)) CSV lines, got $lines" >&2
  exit 1
fi
bytes=$("$cli" run "$work/count.qzb" --steps "$steps" --format csv | wc -c)

# Prints "median min max" in milliseconds of `runs` runs of the command.
time_runs() {
  local run start end
  local -a micros=()
  for ((run = 0; run < runs; run++)); do
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    micros+=($(((end - start) / 1000)))
  done
  printf '%s\n' "${micros[@]}" | sort -n |
    awk '{ v[NR] = $1 } END { printf "%.1f %.1f %.1f\n", v[int((NR + 1) / 2)] / 1000, v[1] / 1000, v[NR] / 1000 }'
}

# report GOAL_MS LABEL COMMAND...; a GOAL_MS of - sets no goal.
report() {
  local goal=$1 label=$2 median min max
  shift 2
  read -r median min max < <(time_runs "$@")
  printf '%-38s median %7.1f ms   min %7.1f   max %7.1f' "$label" "$median" "$min" "$max"
  if [ "$goal" != - ]; then
    awk -v m="$median" -v g="$goal" 'BEGIN { printf "   goal <= %d ms %s", g, (m <= g ? "met" : "MISSED") }'
  fi
  echo
}

echo "qzb-cli, $runs runs each; the CSV trace is $lines lines, $bytes bytes"
report "$goal_ms" "run --steps $steps --format csv" "$cli" run "$work/count.qzb" --steps "$steps" --format csv
report - "run --steps $steps --format jsonl" "$cli" run "$work/count.qzb" --steps "$steps" --format jsonl
report - "run --steps 0 (start-up)" "$cli" run "$work/count.qzb" --steps 0 --format csv
