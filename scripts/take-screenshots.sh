#!/usr/bin/env bash
# Remakes the user guide's pictures (docs/guide/images/*.png) from the real
# window on the simulated device, under Xvfb so no display is needed. Run it
# after the window changes and commit the pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
export ORTEN_WERROR="${ORTEN_WERROR:-ON}"

cmake --preset debug >/dev/null
cmake --build --preset debug --target ortenconf_screenshot_tour
# A fixed font and screen, so the pictures change only when the window does.
xvfb-run -a -s '-screen 0 1024x768x24' \
  env QT_QPA_PLATFORM=xcb QT_FONT_DPI=96 LC_ALL=C.UTF-8 \
  build/debug/tests/gui/ortenconf_screenshot_tour docs/guide/images
