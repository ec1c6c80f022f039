#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The root scripts in a scratch copy whose installer and build tools only note that they ran:
# --help prints the usage and builds nothing, ./run passes its arguments to the panel unchanged,
# and the page's server names --port when its port is taken.
# Usage: root_scripts.sh SOURCE_DIR
set -euo pipefail
source_dir=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"; [ -z "${holder:-}" ] || kill "$holder" 2>/dev/null || true' EXIT
mkdir -p "$scratch/repo/scripts" "$scratch/repo/build/src/panel" "$scratch/bin" "$scratch/elsewhere"
cp "$source_dir/run" "$source_dir/test" "$source_dir/web" "$scratch/repo/"
log=$scratch/ran
printf 'qzb_install_deps() { echo install >>"%s"; }\nqzb_install_web_deps() { echo install >>"%s"; }\n' \
  "$log" "$log" >"$scratch/repo/scripts/deps.sh"
for tool in cmake emcmake npm ctest; do printf '#!/bin/sh\necho %s >>"%s"\n' "$tool" "$log" >"$scratch/bin/$tool"; done
printf '#!/bin/sh\nfor a in "$@"; do printf "[%%s]" "$a"; done\necho\n' >"$scratch/repo/build/src/panel/qzb"
chmod +x "$scratch/bin/"* "$scratch/repo/build/src/panel/qzb"
export PATH="$scratch/bin:$PATH"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for script in run test web; do
  : >"$log"
  out=$("$scratch/repo/$script" --help 2>&1) || fail "./$script --help exits with $?"
  [[ $out == usage:* ]] || fail "./$script --help prints no usage: $out"
  [ ! -s "$log" ] || fail "./$script --help installs or builds: $(tr '\n' ' ' <"$log")"
done

out=$(cd "$scratch/elsewhere" && QT_QPA_PLATFORM=offscreen "$scratch/repo/run" 'my prog.s' -platform offscreen 2>&1)
[ "$out" = "[my prog.s][-platform][offscreen]" ] || fail "./run does not pass its arguments to the panel: $out"

# A port that another server holds.
node -e 'require("net").createServer().listen(0, "127.0.0.1", function () { console.log(this.address().port); })' >"$scratch/port" &
holder=$!
for _ in $(seq 100); do [ -s "$scratch/port" ] && break; sleep 0.1; done
out=$(node "$source_dir/src/web/tools/serve.mjs" "$scratch" 127.0.0.1 "$(<"$scratch/port")" 2>&1) &&
  fail "the server started on a taken port"
[[ $out == *"--port"* ]] || fail "a taken port's message does not name --port: $out"

[ "$failures" -eq 0 ] || exit 1
echo "the root scripts print their usage, pass their arguments and name --port"
