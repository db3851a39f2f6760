#!/usr/bin/env bash
# The unmodified ortenctl.exe against a simulated receiver behind the test
# driver (tests/wine/device.sh), compared with the same program on the
# simulated transport: the same bytes on the wire, pauses, words, exit codes
# and device state for each operation; wait and batch watching devices
# plugged in and pulled out. The faults are the fault matrix's
# (cli_fault_matrix --through tests/wine/matrix_cell.sh). Another program
# holding the pipes is not among them: wine 8 opens a device whatever its
# driver answers to the open.
# $1 runs a Windows program, $2 is ortenctl.exe; WINEPREFIX has the driver.
set -u
export LC_ALL=C.UTF-8
wine_run=$1
ctl=$2
device="$(dirname "$0")/device.sh"
work=$(mktemp -d)
cleanup() {
  "$device" unplug all >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
fail=0
check() {  # description, condition...
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; fail=1; fi
}
data="$work/data"
# ortenctl.exe with its output in $work/out and $work/err (without the CR of
# Windows' text mode); its exit code in rc.
ctl() {
  "$wine_run" "$ctl" --data-dir "$data" "$@" </dev/null >"$work/out.raw" 2>"$work/err.raw"
  rc=$?
  tr -d '\r' <"$work/out.raw" >"$work/out"
  tr -d '\r' <"$work/err.raw" >"$work/err"
}

"$wine_run" "$ctl" --data-dir "$data" settings defaults -o "$work/X.cfg" >/dev/null 2>&1
sed -i '1s/.*/7\r/' "$work/X.cfg"
seq 0 1791 | awk '{ printf "%d\r\n", ($1 * 11 + 2) % 256 }' >"$work/B.rrg"
{ printf '\x55\x55\x12\x82'; head -c 1286 /dev/zero; } >"$data/Base/RPU_130"

# row: name | device (as --simulate names it) | ortenctl arguments
rows=(
  "info|mro:45|info"
  "settings read|mro:45|settings read -o $work/read.cfg"
  "settings write|mro:45|settings write $work/X.cfg"
  "backup read|rpu:120|backup read -o $work/read.rrg"
  "backup write|rpu:120|backup write $work/B.rrg"
  "firmware write|rpu:120|firmware write RPU_130 --yes"
)
for row in "${rows[@]}"; do
  IFS='|' read -r name sim args <<<"$row"
  # shellcheck disable=SC2086
  ctl --simulate "$sim" --sim-state "$work/sim.state" --trace "$work/sim.trace" $args
  simrc=$rc
  cp "$work/out" "$work/sim.out"
  cp "$work/err" "$work/sim.err"
  "$device" plug "$sim" --sim-state "$work/driver.state" >/dev/null
  # shellcheck disable=SC2086
  ctl --trace "$work/driver.trace" $args
  "$device" unplug >/dev/null
  check "$name: exit code $rc as simulated ($simrc)" test $rc -eq $simrc
  check "$name: the same bytes and pauses on the wire" cmp -s "$work/sim.trace" "$work/driver.trace"
  check "$name: the same words" cmp -s "$work/sim.out" "$work/out"
  check "$name: the same messages" cmp -s "$work/sim.err" "$work/err"
  check "$name: the device left as simulated" cmp -s "$work/sim.state" "$work/driver.state"
  rm -f "$work/sim.state" "$work/driver.state"
done
# What was written is read back.
"$device" plug mro:45 >/dev/null
ctl settings write "$work/X.cfg"
ctl settings read -o "$work/back.cfg"
"$device" unplug >/dev/null
check "settings read back as written" cmp -s "$work/X.cfg" "$work/back.cfg"

# wait and wait --gone see a device come and go.
(sleep 1; "$device" plug mro >/dev/null) &
ctl wait --timeout 20
check "wait: the device came" test $rc -eq 0 -a "$(cat "$work/out")" = "Прибор на линии USB."
wait
(sleep 1; "$device" unplug >/dev/null) &
ctl wait --gone --timeout 20
check "wait --gone: the device went" test $rc -eq 0 -a "$(cat "$work/out")" = "Прибор отключен от линии USB."
wait

# A batch of ten modules plugged in one after another: the same summary and
# journal as on a simulated line of the same ten.
cp "$work/X.cfg" "$data/ReleCfg/object.cfg"
line=""
for i in $(seq 0 9); do line+="plug mro:4$i;unplug;"; done
tr ';' '\n' <<<"$line" >"$work/line"
rm -f "$data/journal.csv"
ctl --sim-line "$work/line" --sim-skip-waits batch settings object.cfg --count 10
cp "$work/out" "$work/sim.out"
# A record without its time, batch run and place (the last three fields
# hold no comma): what must not differ between the lines.
kept() { sed -E 's/^[^,]*,//; s/,[^,]*,([^,]*),[^,]*(\r?)$/,\1\2/' "$data/journal.csv"; }
sim_journal=$(kept)
rm -f "$data/journal.csv"
"$wine_run" "$ctl" --data-dir "$data" batch settings object.cfg --count 10 \
  </dev/null >"$work/batch.raw" 2>/dev/null &
batch=$!
for i in $(seq 0 9); do
  "$device" plug "mro:4$i" >/dev/null
  for _ in $(seq 300); do grep -q "^$((i + 1))\." "$work/batch.raw" && break; sleep 0.05; done
  "$device" unplug >/dev/null
done
wait $batch
rc=$?
check "batch of ten: exit code 0" test $rc -eq 0
# The places differ: "sim:N" there, the device's instance here.
places() { tr -d '\r' <"$1" | sed -E 's/^([0-9]+)\. [^,]+,/\1. PLACE,/'; }
check "batch of ten: the same report and summary" \
  test "$(places "$work/batch.raw")" = "$(places "$work/sim.out")"
check "batch of ten: the same journal" test "$(kept)" = "$sim_journal"
exit $fail
