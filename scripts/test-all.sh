#!/usr/bin/env bash
# Every check CI runs: the debug build's unit and GUI tests, ortenctl under
# valgrind, the installed layout, the sanitizer build's unit, USB and GUI
# tests, a few seconds of each fuzz target, and the Windows build (both
# programs, installer, zip) with its unit and window tests, a tour of the real
# window and the installer under wine (the core and ortenctl.exe alone until
# the Qt for Windows is cached: `make windows`). (`make package` builds and lints the
# .deb itself; `make fuzz` fuzzes longer; `make windows-test` also runs the
# window suites on Qt's real windows platform under wine.)
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

# The Windows build (with the cached static Qt; without it the core and
# ortenctl.exe alone), its unit and window tests, the tour and the installer
# under wine.
scripts/windows-test.sh
