#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Starts the built emulator on a virtual X display and saves its window as docs/panel.png.
# Usage: scripts/screenshot.sh [path-to-qzb]   (default: build/src/panel/qzb)
set -euo pipefail
cd "$(dirname "$0")/.."
program="$(realpath "${1:-build/src/panel/qzb}")"
output="/work/baseline/before22/desktop-empty.png"
[ -x "$program" ] || { echo "No emulator at $program; build it first (./run builds it)." >&2; exit 1; }

if [ -z "${QZB_IN_XVFB:-}" ]; then
  QZB_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 640x560x24 -dpi 96" "$0" "$program"
fi

unset QT_QPA_PLATFORM
"$program"  &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

title="QZB エミュレータ"
for _ in $(seq 100); do
  xwininfo -name "$title" >/dev/null 2>&1 && break
  sleep 0.1
done
sleep 1  # let the first paint finish
info="$(xwininfo -name "$title")"
x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
width=$(awk '/Width:/ {print $2}' <<<"$info")
height=$(awk '/Height:/ {print $2}' <<<"$info")
mkdir -p docs
import -window root -crop "${width}x${height}+${x}+${y}" +repage "$output"
echo "Wrote $output (${width}x${height})"
