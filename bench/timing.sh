# SPDX-License-Identifier: MIT
# shellcheck shell=bash disable=SC2154
# Timing shared by the command-line benchmarks; the caller sets `runs`.

# Prints "median min max" in milliseconds of `runs` runs of the command (its exit status is ignored:
# a grading with failing cases exits 1 by design).
time_runs() {
  local run start end
  local -a micros=()
  for ((run = 0; run < runs; run++)); do
    start=$(date +%s%N)
    "$@" >/dev/null || true
    end=$(date +%s%N)
    micros+=($(((end - start) / 1000)))
  done
  printf '%s\n' "${micros[@]}" | sort -n |
    awk '{ v[NR] = $1 } END { printf "%.1f %.1f %.1f\n", v[int((NR + 1) / 2)] / 1000, v[1] / 1000, v[NR] / 1000 }'
}

# report GOAL_MS LABEL COMMAND...: one line of figures; a GOAL_MS of - sets no goal.
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
