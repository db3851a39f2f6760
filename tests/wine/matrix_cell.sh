#!/usr/bin/env bash
# One cell of ortenctl's fault matrix (cli_fault_matrix --through) on the
# Windows device path: the simulated device goes in through the test driver
# with the cell's fault and state file, the unmodified ortenctl.exe runs
# against it, and every device is pulled out again.
#   matrix_cell.sh VERSION STATE FAULT ortenctl.exe ARGS...
# $ORTEN_WINE_RUN runs a Windows program; WINEPREFIX and ORTEN_SIM_DIR are
# device.sh's. Exit code: ortenctl.exe's.
set -u
version=$1 state=$2 fault=$3 ctl=$4
shift 4
device="$(dirname "$0")/device.sh"
family=rpu
[ "$version" -lt 100 ] && family=mro
case $fault in
  none) "$device" plug "$family:$version" --sim-state "$state" >/dev/null ;;
  no-device) ;;
  two-devices)
    "$device" plug "$family:$version" --sim-state "$state" >/dev/null
    "$device" plug "$family:$version" >/dev/null ;;
  *) "$device" plug "$family:$version" "$fault" --sim-state "$state" >/dev/null ;;
esac
out=$(mktemp) err=$(mktemp)
"$ORTEN_WINE_RUN" "$ctl" "$@" </dev/null >"$out" 2>"$err"
rc=$?
# Windows' text mode ends lines with CR LF.
tr -d '\r' <"$out"
tr -d '\r' <"$err" >&2
rm -f "$out" "$err"
"$device" unplug all >/dev/null
exit $rc
