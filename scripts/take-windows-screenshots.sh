#!/usr/bin/env bash
# Remakes the user guide's pictures of the Windows window
# (docs/guide/images/windows-*.png) from the tour of the real ortenconf.exe
# under wine and Xvfb (tests/wine/window_tour.sh), framed by a window manager
# as on a desktop. Run it after the window changes and commit the pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v openbox >/dev/null; then
  echo "openbox is missing: without a window manager the pictures have no title bars" >&2
  echo "(scripts/install-deps.sh installs it)" >&2
  exit 1
fi
scripts/windows-test.sh --tour
cp -v build/windows/tests/wine/tour/windows-*.png docs/guide/images/
