#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Renders the application icon's PNGs from org.qzb.QZB.svg into hicolor/SIZExSIZE/apps/.
# The PNGs are committed, so a build needs no SVG renderer; run this again after editing the SVG.
set -euo pipefail
cd "$(dirname "$0")"
command -v rsvg-convert >/dev/null || { echo "rsvg-convert is missing (Debian package librsvg2-bin)" >&2; exit 1; }
sizes=(16 32 48 64 128 256)
for size in "${sizes[@]}"; do
  mkdir -p "hicolor/${size}x${size}/apps"
  rsvg-convert --width "$size" --height "$size" --format png \
    --output "hicolor/${size}x${size}/apps/org.qzb.QZB.png" org.qzb.QZB.svg
done
echo "Rendered org.qzb.QZB.svg at ${sizes[*]} px"
