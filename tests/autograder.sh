#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Gradescope autograder as Gradescope uses it: the zip `qzb-cli gradescope` writes is unzipped into
# ROOT/source, setup.sh runs, run_autograder is copied to ROOT and run with an empty environment and a
# student's files in ROOT/submission, and ROOT/results/results.json, read by Python's JSON parser, grades
# the file it should as `qzb-cli test --format gradescope` grades it.
# Usage: autograder.sh QZB_CLI GRADING_EXAMPLES_DIR
set -euo pipefail
cli=$(realpath "$1") examples=$(realpath "$2")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cp "$examples/add.qzt" "$examples/good.s" "$examples/bad.s" .
"$cli" asm good.s -o good.qzb >/dev/null
"$cli" gradescope add.qzt -o autograder.zip >/dev/null
unzip -tq autograder.zip >/dev/null || fail "unzip finds the zip damaged"

# Each row: the files handed in, the one graded and the output line results.json must give; the tests must
# be those of qzb-cli test for that file, or every case failed with the reason when nothing was graded.
rows=(
  "good.s|good.s|4 of 4 points"
  "bad.s notes.txt .hidden.qzb|bad.s|3 of 4 points (graded bad.s, the first of the 2 files handed in)"
  "zz.qzb bad.s|zz.qzb|4 of 4 points (graded zz.qzb, the first .qzb file of the 2 files handed in)"
  "||0 of 4 points: no file was handed in"
)
for row in "${rows[@]}"; do
  IFS='|' read -r files graded output <<<"$row"
  root=$scratch/root
  rm -rf "$root"
  mkdir -p "$root/source" "$root/submission"
  unzip -q autograder.zip -d "$root/source"
  for name in setup.sh run_autograder qzb-cli; do
    [ -x "$root/source/$name" ] || fail "$name is not executable once unzipped"
  done
  env -i "$root/source/setup.sh" || fail "setup.sh fails"
  cp "$root/source/run_autograder" "$root/run_autograder"
  for name in $files; do
    case $name in
      zz.qzb) cp good.qzb "$root/submission/$name" ;;
      notes.txt | .hidden.qzb) echo "not a program" >"$root/submission/$name" ;;
      *) cp "$name" "$root/submission/$name" ;;
    esac
  done
  # Gradescope runs it from ROOT; from anywhere else it finds ROOT all the same.
  (cd "$root" && env -i ./run_autograder >/dev/null) || fail "[$files] run_autograder fails"
  if [ -n "$graded" ]; then
    "$cli" test add.qzt "$root/submission/$graded" --format gradescope >expected.json || true
    rm -f "$root/results/results.json"
    env -i "$root/run_autograder" >/dev/null || fail "[$files] run_autograder fails from elsewhere"
  else
    echo '{"tests": []}' >expected.json
  fi
  python3 - "$root/results/results.json" expected.json "$output" <<'EOF' || fail "[$files] results.json differs"
import json, sys
results, expected = (json.load(open(name)) for name in sys.argv[1:3])
assert results["output"] == sys.argv[3], results["output"]
assert results["score"] == sum(test["score"] for test in results["tests"])
if expected["tests"]:
    assert results["tests"] == expected["tests"], results["tests"]
else:
    assert all(test["status"] == "failed" and test["output"] == "no file was handed in"
               for test in results["tests"]), results["tests"]
EOF
done

# What runs on the platform needs no library at all.
file -b "$root/source/qzb-cli" | grep -q 'statically linked' || fail "qzb-cli in the zip is $(file -b "$root/source/qzb-cli")"

[ "$failures" -eq 0 ] || exit 1
echo "the autograder grades ${#rows[@]} hand-ins as qzb-cli test does, with an empty environment"
