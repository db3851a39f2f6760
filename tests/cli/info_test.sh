#!/usr/bin/env bash
# ortenctl info end to end on the simulated device: output, exit codes, trace.
source "$(dirname "$0")/common.sh"

out=$("$ctl" --simulate mro:45 --data-dir "$work/data" --trace "$work/trace" info 2>"$work/err"); rc=$?
check "relay module exits 0" test $rc -eq 0
check "prints the device type" grep -qx 'Тип прибора: Модуль реле и оповещения (МРО)' <<<"$out"
check "prints the version text" grep -qx 'Версия ПО: 4_5' <<<"$out"
check "prints the version byte" grep -qx 'Байт версии: 45' <<<"$out"
check "nothing on stderr" test ! -s "$work/err"
check "creates the data folders" test -d "$work/data/Base" -a -d "$work/data/Reg_RPU" -a -d "$work/data/ReleCfg"
expected=$'FW\nFR\nW 55\nW 55\nW a0\nW aa\nW 00\nW 00\nW 02\nW 29\nFW'
check "trace starts with the flushes and the connect packet" test "$(head -n 11 "$work/trace")" = "$expected"
check "trace ends with the disconnect packet" test "$(tail -n 9 "$work/trace" | head -n 8 | tr '\n' ' ')" = "W 55 W 55 W a0 W 00 W 00 W 00 W 22 W 09 "

out=$("$ctl" --simulate rpu --sim-state "$work/state" info 2>/dev/null); rc=$?
check "receiver default version" grep -qx 'Версия ПО: 12_0' <<<"$out"
check "state file written" grep -q '^version 120$' "$work/state"
sed -i 's/^version 120$/version 131/' "$work/state"
out=$("$ctl" --sim-state "$work/state" info 2>/dev/null)
check "state file read back by the next run" grep -qx 'Версия ПО: 13_1' <<<"$out"

# A state file that is no file is refused at once, like a malformed one.
mkfifo "$work/fifo" "$work/fifo"$'\e[31m'
while IFS='|' read -r state says; do
  state=$(printf '%b' "$state")  # \e: ESC, which the message shows escaped
  out=$(timeout 10 "$ctl" --simulate rpu --sim-state "$state" info 2>&1); rc=$?
  check "state $state: refused with exit 3" test $rc -eq 3
  check "state $state: says why" grep -qF "$says" <<<"$out"
  check "state $state: no lock file beside it" test ! -e "$state.lock"
done <<EOF2
$work/fifo|$work/fifo не является обычным файлом (это именованный канал).
/dev/zero|/dev/zero не является обычным файлом (это устройство).
$work/fifo\e[31m|$work/fifo\\x1b[31m не является обычным файлом
EOF2

"$ctl" info --usb-id 0000:0001 >/dev/null 2>"$work/err"; rc=$?
check "no device exits 4" test $rc -eq 4
check "no device message" grep -q 'Приборы марки Ортен отключены от линии USB!' "$work/err"

"$ctl" --simulate rpu:99 info >/dev/null 2>&1; rc=$?
check "a version outside the family is a usage error" test $rc -eq 2
"$ctl" frobnicate >/dev/null 2>&1; rc=$?
check "unknown command is a usage error" test $rc -eq 2
err=$("$ctl" $'\e[31mfrob' 2>&1 >/dev/null)
check "unknown command: quoted escaped" grep -qxF 'ortenctl: неизвестная команда \x1b[31mfrob' <<<"$err"
"$ctl" --trace /nonexistent/dir/trace --simulate mro info >/dev/null 2>&1; rc=$?
check "an unwritable trace is a file error" test $rc -eq 3
out=$("$ctl" --trace /dev/full --simulate mro info 2>"$work/err"); rc=$?
check "a trace that fails to write: the work goes on" grep -qx 'Байт версии: 45' <<<"$out"
check "and ends with a file error" test $rc -eq 3
check "saying why" grep -q 'файл трассировки /dev/full: нет места на диске' "$work/err"
"$ctl" --help | grep -q 'info' ; check "help lists info" test $? -eq 0
out=$("$ctl" --data-dir "$work/data" --help)
check "help says where the data folder of this run is" grep -qxF "  $work/data" <<<"$out"

exit $fail
