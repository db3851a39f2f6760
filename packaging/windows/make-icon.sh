#!/usr/bin/env bash
# Remakes packaging/windows/ortenconf.ico from packaging/ortenconf.svg: the
# sizes Explorer, the Start menu and the task bar ask for, each drawn from
# the vector picture rather than scaled from one bitmap. The .ico is
# committed, so a build needs neither tool; rerun this when the SVG changes.
# Needs rsvg-convert (librsvg2-bin) and ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pngs=()
for size in 16 20 24 32 40 48 64 256; do
  rsvg-convert -w "$size" -h "$size" packaging/ortenconf.svg -o "$work/$size.png"
  pngs+=("$work/$size.png")
done
# Called by path: another convert earlier on PATH is not ImageMagick's.
/usr/bin/convert "${pngs[@]}" packaging/windows/ortenconf.ico
/usr/bin/identify packaging/windows/ortenconf.ico
