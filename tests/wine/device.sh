#!/usr/bin/env bash
# A simulated receiver plugged into a wine prefix through the test bus
# driver, found and opened by the unmodified programs as the real one is.
#
#   device.sh install                      the driver into $WINEPREFIX
#   device.sh plug FAMILY[:VERSION] [FAULT...] [--sim-state FILE]
#                                          a device (as --simulate names it, with
#                                          --sim-fault's faults); prints its number
#   device.sh unplug [N|all]               device N, the earliest still there, or all
#   device.sh list                         the numbers of the devices plugged in
#   device.sh uninstall                    every device pulled out, the driver removed
#
# $ORTEN_SIM_DIR is the build folder of ortensim.exe, .sys and .inf (default:
# the mingw or windows build of this tree). Test code only: a prefix a user
# keeps gets the driver removed again by `uninstall`.
set -euo pipefail
: "${WINEPREFIX:?set WINEPREFIX to the wine prefix to plug into}"
export WINEPREFIX WINEDEBUG=-all
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${ORTEN_SIM_DIR:-}" ]; then
  for preset in windows mingw; do
    ORTEN_SIM_DIR="$here/../../build/$preset/tests/wine/driver"
    [ -f "$ORTEN_SIM_DIR/ortensim.exe" ] && break
  done
fi
sim="$ORTEN_SIM_DIR/ortensim.exe"
[ -f "$sim" ] || { echo "device.sh: no $sim (build the target ortensim)" >&2; exit 2; }
run="$WINEPREFIX/ortensim-run"  # the serving programs' output and errors
mkdir -p "$run"
windows() { printf 'Z:%s' "$(realpath -m "$1" | sed 's|/|\\|g')"; }
helper() { wine "$sim" "$@" </dev/null 2>>"$run/errors.log" | tr -d '\r'; }
# A fresh server picks up the driver; started detached, as a test's pipes
# must not be held by it.
restart_server() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
  wineserver -p </dev/null >/dev/null 2>&1
  wine wineboot </dev/null >/dev/null 2>&1
}

case "${1:-}" in
  install)
    helper install "$(windows "$ORTEN_SIM_DIR")"
    restart_server
    helper list >/dev/null  # waits until the bus is up
    ;;
  uninstall)
    "$0" unplug all >/dev/null 2>&1 || true
    helper uninstall
    restart_server
    rm -rf "$run"
    ;;
  plug)
    shift
    [ $# -ge 1 ] || { echo "usage: device.sh plug FAMILY[:VERSION] [FAULT...] [--sim-state FILE]" >&2; exit 2; }
    args=(plug "$1"); shift
    while [ $# -gt 0 ]; do
      if [ "$1" = --sim-state ]; then args+=(--sim-state "$(windows "$2")"); shift 2
      else args+=(--sim-fault "$1"); shift; fi
    done
    out="$run/plug.$$"
    : >"$out"
    wine "$sim" "${args[@]}" </dev/null >"$out" 2>>"$run/errors.log" &
    pid=$!
    for _ in $(seq 1500); do
      number=$(tr -d '\r' <"$out" | head -1)
      [ -n "$number" ] && break
      kill -0 "$pid" 2>/dev/null || { echo "device.sh: plug failed:" >&2; tail -3 "$run/errors.log" >&2; exit 1; }
      sleep 0.02
    done
    [ -n "$number" ] || { echo "device.sh: the device did not appear" >&2; kill "$pid"; exit 1; }
    mv "$out" "$run/$number.out"
    echo "$number"
    ;;
  unplug)
    numbers=$(helper unplug "${2:-0}")
    [ -n "$numbers" ] || [ "${2:-}" = all ] || { echo "device.sh: nothing to unplug" >&2; exit 1; }
    for number in $numbers; do
      # Its serving program is over (its state file saved and free) as the device goes.
      if [ -f "$run/$number.out" ]; then
        for _ in $(seq 200); do grep -q over "$run/$number.out" && break; sleep 0.02; done
        rm -f "$run/$number.out"
      fi
      echo "$number"
    done
    ;;
  list)
    helper list
    ;;
  *)
    sed -n '4,11s/^# \{0,1\}//p' "$0" >&2
    exit 2
    ;;
esac
