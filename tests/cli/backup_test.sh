#!/usr/bin/env bash
# ortenctl backup read / write / info on the simulated receiver.
source "$(dirname "$0")/common.sh"

# A device whose registration memory is not all zeros: write a backup first.
seq 0 1791 | awk '{ print ($1 * 7) % 256 "\r" }' >"$work/source.rrg"
"$ctl" --data-dir "$work/data" --simulate rpu --sim-state "$work/state" \
  --trace "$work/trace" backup write "$work/source.rrg" >/dev/null 2>&1; rc=$?
check "write exits 0" test $rc -eq 0
check "write request on the wire" grep -qx 'W 55' "$work/trace"
check "registration write request" grep -q '^W 94$' "$work/trace"
check "28 chunks of 64 bytes" test "$(grep -Ec '^W [0-9a-f]{128}$' "$work/trace")" -eq 28
check "38 pauses" test "$(grep -c '^P 10$' "$work/trace")" -eq 38

out=$(run backup read -o "$work/copy.rrg" 2>&1); rc=$?
check "read exits 0" test $rc -eq 0
check "read prints the configuration code" grep -qx 'Код конфигурации: 249' <<<"$out"
check "the copy equals what was written" cmp -s "$work/source.rrg" "$work/copy.rrg"

out=$(run backup read --mode rtr --module 150 --object 7 2>&1); rc=$?
check "read to the default name" test $rc -eq 0
name=$(ls "$work/data/Reg_RPU")
check "default name carries mode, module, object and code" \
  grep -Eq '^DEZ_RTR_150_.*_object_7_conf_249\.rrg$' <<<"$name"
# The name read printed is one write and info take, from any folder: found in Reg_RPU.
out=$(cd "$work" && run backup info "$name" 2>&1); rc=$?
check "info reads the name back" grep -qx 'Адрес прибора в системе: 150' <<<"$out"
check "info shows the code" grep -qx 'Код конфигурации: 249' <<<"$out"
(cd "$work" && run backup write "$name" >/dev/null 2>&1); rc=$?
check "write takes the bare name read printed" test $rc -eq 0

run backup read --mode rpu --module 9 --object 1 >/dev/null 2>&1; rc=$?
check "module outside the mode's range is a usage error" test $rc -eq 2
run backup read --module 150 --object 7 >/dev/null 2>&1; rc=$?
check "a default name without --mode is a usage error" test $rc -eq 2
for object in ../7 7x 1234567890; do
  err=$(run backup read --mode rpu --module 1 --object "$object" 2>&1 >/dev/null); rc=$?
  check "object number '$object' is a usage error" test $rc -eq 2
  check "object number '$object': says so" grep -q 'номера объекта' <<<"$err"
done

# Over the file-size limit a save fails as a write does: exit 3, nothing left behind.
mkdir "$work/limit"
err=$(ulimit -f 4; run backup read -o "$work/limit/t.rrg" 2>&1 >/dev/null); rc=$?
check "over the size limit exits 3" test $rc -eq 3
check "over the size limit says why" grep -q 't.rrg: файл слишком велик.' <<<"$err"
check "over the size limit leaves nothing" test -z "$(ls -A "$work/limit")"
check "nor a temporary beside the state" test -z "$(ls -A "$work" | grep '\.tmp$')"

# A name that would steer the terminal is printed escaped.
out=$(run backup read -o "$work/$(printf 'e\033]0;t\a').rrg" 2>/dev/null)
check "the saved name is printed escaped" grep -qF 'e\x1b]0;t\x07.rrg' <<<"$out"
check "with no raw escape" test "$(tr -d '\033' <<<"$out")" = "$out"

"$ctl" --data-dir "$work/data" settings defaults -o "$work/factory.cfg" >/dev/null 2>&1
# The other family's memory is never touched: refused after the connect,
# before any parameter request (0x93 read, 0x94 write) goes out.
while IFS='|' read -r family args; do
  rm -f "$work/tf"
  # shellcheck disable=SC2086
  err=$("$ctl" --data-dir "$work/data" --simulate "$family" --trace "$work/tf" $args 2>&1 >/dev/null)
  rc=$?
  check "$family $args: refused with exit 1" test $rc -eq 1
  check "$family $args: says which device is connected" grep -q 'а подключен «' <<<"$err"
  check "$family $args: no parameter request" test "$(grep -Ec '^W 9[34]$' "$work/tf")" -eq 0
  check "$family $args: disconnected" grep -qx 'W a0' "$work/tf"
done <<EOF2
mro:40|backup write $work/source.rrg
mro:40|backup read -o $work/never.rrg
rpu:120|settings read
rpu:120|settings write $work/factory.cfg
EOF2
check "nothing saved from the wrong family" test ! -e "$work/never.rrg"

head -n 100 "$work/source.rrg" >"$work/short.rrg"
err=$(run --trace "$work/t2" backup write "$work/short.rrg" 2>&1 >/dev/null); rc=$?
check "a short backup is refused" test $rc -eq 3
check "naming the file" grep -q 'short.rrg' <<<"$err"
check "before the device hears anything" test ! -s "$work/t2"

# Endless, huge or escaping input: a short refusal at once, nothing raw shown.
truncate -s 300M "$work/huge.rrg"
printf '1\r2\r\033[2J\r' >"$work/escape.rrg"
while IFS='|' read -r file says; do
  out=$(timeout 10 "$ctl" --data-dir "$work/data" backup info "$file" 2>&1); rc=$?
  check "info $file: refused with exit 3" test $rc -eq 3
  check "info $file: says why" grep -qF "$says" <<<"$out"
  check "info $file: a short message with no raw escape" \
    test "${#out}" -lt 600 -a "$(tr -d '\033' <<<"$out")" = "$out"
done <<EOF2
/dev/zero|Файл /dev/zero не является обычным файлом (это устройство).
$work/huge.rrg|слишком велик (314572800 байт)
$work/escape.rrg|escape.rrg, строка 3: «\x1b[2J» не является целым числом.
EOF2

out=$(run backup write "$work/copy.rrg" --verify 2>&1); rc=$?
check "write with verify exits 0" test $rc -eq 0
check "verify compares the memory" grep -q 'совпадает с файлом' <<<"$out"

# Two programs on one simulated device, as on a real one. While one holds
# the line (here: waiting up to 10 s for the answer to a write it never
# gets, long enough on a busy machine), the other finds the device but cannot
# open it; the hold ends with its holder.
"$ctl" --data-dir "$work/data" --sim-state "$work/state" --sim-fault no-answer \
  --trace "$work/held" backup write "$work/source.rrg" >/dev/null 2>&1 &
holder=$!
for _ in $(seq 200); do test -s "$work/held" && break; sleep 0.05; done
err=$(run info 2>&1 >/dev/null); rc=$?
kill "$holder"; wait "$holder"
check "held by another program: exit 4" test $rc -eq 4
check "held by another program: the line's reason, then the connect's own message" test "$err" = \
  "Error (ошибка): Прибор занят другой программой (файл состояния $work/state)."$'\n'"Не могу отправить команду инициализации связи !"
run info >/dev/null 2>&1; rc=$?
check "the holder's end lets the device go" test $rc -eq 0
# A program that outlives another's write puts nothing back at its end.
seq 0 1791 | awk '{ print ($1 * 3) % 256 "\r" }' >"$work/other.rrg"
"$ctl" --sim-state "$work/state" wait --gone --timeout 2 >/dev/null 2>&1 &
waiter=$!
run backup write "$work/other.rrg" >/dev/null 2>&1; rc=$?
wait "$waiter"
check "written while another program runs: exit 0" test $rc -eq 0
run backup read -o "$work/after.rrg" >/dev/null 2>&1
check "the write outlives the other program" cmp -s "$work/other.rrg" "$work/after.rrg"
exit $fail
