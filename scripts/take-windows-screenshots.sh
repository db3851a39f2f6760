#!/usr/bin/env bash
# Remakes the user guide's pictures of the Windows window
# (docs/guide/images/windows-*.png) from the tour of the real ortenconf.exe
# under wine and Xvfb (tests/wine/window_tour.sh). Run it after the window
# changes and commit the pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/windows-test.sh --tour
cp -v build/windows/tests/wine/tour/windows-*.png docs/guide/images/
