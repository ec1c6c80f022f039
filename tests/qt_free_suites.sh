#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Configures the source again as a machine without Qt Test would, and checks that every suite of
# the build whose program does not use Qt Test is still registered there. The build's own
# options (such as -DQZB_SANITIZE=ON, which adds the soak) follow the two folders.
# Usage: qt_free_suites.sh SOURCE_DIR BUILD_DIR [CMAKE_OPTION...]
set -euo pipefail
source_dir=$1 build_dir=$2
shift 2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch" "$scratch.log"' EXIT
# Runs a command, showing what it printed only when it fails.
quietly() { "$@" >"$scratch.log" 2>&1 || { cat "$scratch.log"; exit 1; }; }

quietly cmake -S "$source_dir" -B "$scratch" -G Ninja -DCMAKE_DISABLE_FIND_PACKAGE_Qt6Test=ON "$@"
without=$(cd "$scratch" && ctest -N | sed -n 's/^ *Test *#[0-9]*: //p' | sort)

missing=0 qt=0
while read -r name program; do
  if [[ $program == "$build_dir"/* ]] && [ -x "$program" ] && [[ $(ldd "$program") == *libQt6Test* ]]; then
    qt=$((qt + 1))
    continue
  fi
  if ! grep -qx "$name" <<<"$without"; then
    echo "FAIL: $name needs no Qt Test but is not run without it"
    missing=$((missing + 1))
  fi
done < <(cd "$build_dir" && ctest --show-only=json-v1 |
  python3 -c 'import json, sys
for test in json.load(sys.stdin)["tests"]:
    print(test["name"], test["command"][0])')
[ "$qt" -gt 0 ] || { echo "FAIL: no suite of $build_dir uses Qt Test; is it built?"; exit 1; }

# qzb-cli alone, on a machine with no Qt at all: CONTRIBUTING's one command configures, and the build it
# plans for qzb-cli and its static copy (run with -n, not run) names nothing of Qt.
(cd "$source_dir" && quietly cmake --preset cli -B "$scratch/cli" -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON)
ninja -C "$scratch/cli" -n qzb-cli qzb-cli-static >/dev/null || { echo "FAIL: the cli preset cannot build qzb-cli"; exit 1; }
if grep -q Qt6 "$scratch/cli/build.ninja"; then
  echo "FAIL: the cli preset's build uses Qt"
  missing=$((missing + 1))
fi
[ "$missing" -eq 0 ] || exit 1
echo "without Qt Test, the $(wc -l <<<"$without") suites that need no Qt are still run ($qt need it)"
