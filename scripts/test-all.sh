#!/usr/bin/env bash
# Every check CI runs: the debug build's unit and GUI tests, the sanitizer
# build's unit tests, the installed layout, and the Windows cross build of the
# core and ortenctl. (`make package` builds and lints the .deb itself.)
set -euo pipefail
cd "$(dirname "$0")/.."
export ORTEN_WERROR="${ORTEN_WERROR:-ON}"

step() { printf '\n== %s\n' "$*"; }

step "debug build"
cmake --preset debug >/dev/null
cmake --build --preset debug
step "debug tests (unit and GUI)"
ctest --preset debug
step "package layout (staged install of the debug build)"
tests/package/staged_install_test.sh build/debug

step "sanitizer build"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
step "sanitizer tests (unit)"
ctest --preset sanitize

step "Windows cross build (MinGW-w64)"
cmake --preset mingw >/dev/null
cmake --build --preset mingw
ls -l build/mingw/cli/ortenctl.exe
