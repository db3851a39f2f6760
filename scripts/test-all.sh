#!/usr/bin/env bash
# Every check CI runs: the debug build's unit and GUI tests, ortenctl under
# valgrind, the installed layout, the sanitizer build's unit, USB and GUI
# tests, a few seconds of each fuzz target, and the Windows cross build of the
# core and ortenctl with its unit tests and an ortenctl.exe script run under
# wine. (`make package` builds and lints the .deb itself; `make fuzz` fuzzes
# longer.)
set -euo pipefail
cd "$(dirname "$0")/.."
export ORTEN_WERROR="${ORTEN_WERROR:-ON}"

step() { printf '\n== %s\n' "$*"; }

step "debug build"
cmake --preset debug >/dev/null
cmake --build --preset debug
step "debug tests (unit and GUI)"
ctest --preset debug
# The fault matrix's two halves (window and ortenctl) say how many cells passed.
grep -ho 'fault matrix: .*' build/debug/Testing/Temporary/LastTest.log | sort -u
step "package layout (staged install of the debug build)"
tests/package/staged_install_test.sh build/debug
step "ortenctl under valgrind memcheck (simulated device)"
tests/valgrind/ortenctl_memcheck.sh build/debug/cli/ortenctl

step "sanitizer build"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
step "sanitizer tests (unit, USB and GUI)"
ctest --preset sanitize

step "fuzz targets (clang, libFuzzer)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
step "fuzzing, a few seconds per target"
fuzz/run.sh 4

step "Windows cross build (MinGW-w64)"
cmake --preset mingw >/dev/null
cmake --build --preset mingw
ls -l build/mingw/cli/ortenctl.exe

step "Windows tests under wine (unit tests, ortenctl.exe)"
if ! command -v wine >/dev/null || ! command -v wineserver >/dev/null; then
  echo "skipped: wine is not installed (scripts/install-deps.sh installs it)"
  exit 0
fi
# The build's own prefix, as build/mingw/wine-run.sh (which runs each test) uses it.
export WINEPREFIX="$PWD/build/mingw/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
# One server for the whole run, its streams detached: a server that a test
# starts inherits the test's pipes, and ctest would wait on them forever.
wineserver -p </dev/null >/dev/null 2>&1 || true  # one already running serves as well
trap 'wineserver -k </dev/null >/dev/null 2>&1 || true' EXIT
# Making the prefix takes a while the first time: once, before any test.
build/mingw/wine-run.sh wineboot --init </dev/null >/dev/null 2>&1
ctest --preset mingw
