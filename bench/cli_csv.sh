#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Times the real qzb-cli: a million steps of the counting program written as CSV
# (and as JSON lines) to /dev/null, its start-up with no step at all, and the timing diagram.
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

# shellcheck source=bench/timing.sh
source "$(dirname "$0")/timing.sh"

echo "qzb-cli, $runs runs each; the CSV trace is $lines lines, $bytes bytes"
report "$goal_ms" "run --steps $steps --format csv" "$cli" run "$work/count.qzb" --steps "$steps" --format csv
report - "run --steps $steps --format jsonl" "$cli" run "$work/count.qzb" --steps "$steps" --format jsonl
report - "run --steps 0 (start-up)" "$cli" run "$work/count.qzb" --steps 0 --format csv

# The timing diagram of the last 1,000 steps, and of a run of exactly that many: at most 50 ms and 1 MB.
svg_bytes=$("$cli" run "$work/count.qzb" --steps 1000 --format svg | wc -c)
echo "the timing diagram of 1000 steps is $svg_bytes bytes (goal <= 1048576: $([ "$svg_bytes" -le 1048576 ] && echo met || echo missed))"
report 50 "run --steps 1000 --format svg" "$cli" run "$work/count.qzb" --steps 1000 --format svg
report - "run --steps $steps --format svg" "$cli" run "$work/count.qzb" --steps "$steps" --format svg
