#!/usr/bin/env bash
# The Windows build from Linux and its tests under wine.
#
#   scripts/windows-test.sh --build   the static Qt (built once, about 35-60
#                                     minutes), both programs, the installer
#                                     and the zip (make windows)
#   scripts/windows-test.sh           then every test but the long ones (make test)
#   scripts/windows-test.sh --all     the long ones too: each window suite on
#                                     Qt's windows platform (make windows-test)
#   scripts/windows-test.sh --tour    only the tour of the window, whose pictures
#                                     scripts/take-windows-screenshots.sh keeps
#
# Without the cached Qt, `make test` does not spend most of CI's time
# building it: it builds and tests the core and ortenctl.exe alone (the
# `mingw` preset) and says how to get the rest, unless ORTEN_WINDOWS_QT=build
# asks for the Qt build there and then.
#
# The tests run in the build's own wine prefix (build/<preset>/wineprefix) on
# a display of their own (Xvfb): the window suites use Qt's offscreen platform,
# the tour and the installer's test the real windows one.
set -euo pipefail
cd "$(dirname "$0")/.."
export ORTEN_WERROR="${ORTEN_WERROR:-ON}"
mode=${1:-}
step() { printf '\n== %s\n' "$*"; }

preset=windows
qt=$(scripts/windows-qt.sh --path)
if [ -z "$mode" ] && [ ! -f "$qt/.complete" ] && [ "${ORTEN_WINDOWS_QT:-}" != build ]; then
  step "Qt for Windows is not built ($qt): the window's Windows build and tests are skipped"
  echo "make windows builds and caches it once (about 35-60 minutes on two cores);"
  echo "ORTEN_WINDOWS_QT=build make test does it here. Meanwhile: the core and ortenctl.exe."
  preset=mingw
  step "Windows cross build of the core (MinGW-w64)"
  cmake --preset mingw >/dev/null
  cmake --build --preset mingw
  ls -l build/mingw/cli/ortenctl.exe
else
  step "Qt for Windows (static, MinGW-w64; built once and cached: $qt)"
  scripts/windows-qt.sh >/dev/null
  step "Windows build (MinGW-w64): programs, tests, installer, zip"
  cmake --preset windows >/dev/null
  cmake --build --preset windows
  ls -l build/windows/app/ortenconf.exe build/windows/cli/ortenctl.exe build/windows/dist/*.exe \
    build/windows/dist/*.zip
  [ "$mode" = --build ] && exit 0
fi

# ortenctl's fault matrix runs ortenctl.exe through the test driver too: it
# is a program for this machine (make test has built it already).
if [ ! -x build/debug/tests/cli/cli_fault_matrix ]; then
  cmake --preset debug >/dev/null
  cmake --build --preset debug --target cli_fault_matrix
fi

step "Windows tests under wine"
for tool in wine wineserver Xvfb; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (scripts/install-deps.sh installs it)"
    exit 0
  fi
done
# The build's own prefix, as build/$preset/wine-run.sh (which runs each test) uses it.
export WINEPREFIX="$PWD/build/$preset/wineprefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$WINEPREFIX"
work=$(mktemp -d)
xvfb=
cleanup() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
# A display first: wine's desktop process, started with the first program,
# stays on the display it found.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" </dev/null >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$work/display")"
# Making the prefix takes a while the first time: once, before any test.
build/$preset/wine-run.sh wineboot --init </dev/null >/dev/null 2>&1
# Debian's wine does not find its own Tahoma (fonts-wine), the face behind
# Windows' dialog font; without it Qt draws Latin text in a math font.
cp -u /usr/share/wine/fonts/tahoma*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
# wineboot can leave a second service manager running, after which every
# start of wine's desktop waits 10 s for its RPC service: start afresh, with
# one server for the whole run and its streams detached (a server that a
# test starts inherits the test's pipes, and ctest would wait on them forever).
wineserver -k </dev/null >/dev/null 2>&1 || true
wineserver -w </dev/null >/dev/null 2>&1 || true
wineserver -p </dev/null >/dev/null 2>&1
# The session's services (service manager, device and plug-and-play hosts)
# start with the first program and live on: started here, they do not hold
# a test's pipes open, which ctest would wait on.
build/$preset/wine-run.sh wineboot </dev/null >/dev/null 2>&1
if [ "$mode" = --all ]; then
  ctest --preset windows-all
elif [ "$mode" = --tour ]; then
  ctest --preset windows -R '^wine\.window_tour$'
  exit 0
else
  ctest --preset "$preset"
fi
if [ "$preset" = windows ]; then
  grep -ho 'fault matrix: .*' build/windows/Testing/Temporary/LastTest.log | sort -u
fi
