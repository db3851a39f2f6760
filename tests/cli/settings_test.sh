#!/usr/bin/env bash
# ortenctl settings read / write / show / diff / defaults on the simulated relay module.
source "$(dirname "$0")/common.sh"
# cfg V0 V1 ... V44: a settings file as the window writes it
cfg() { printf '%s\r\n' "$@"; }

factory=(5 5 5 5 5 5 5 5 6 6 6 6 6 6 6 6 0 0 0 0 0 7 0 3 0 0 0 3 3 0 0 0 4 0 255 0 0 255 0 0 255 24 7 7 4)

"$ctl" --data-dir "$work/data" settings defaults -o "$work/factory.cfg" >/dev/null 2>&1; rc=$?
check "defaults exits 0" test $rc -eq 0
cfg "${factory[@]}" >"$work/expected.cfg"
check "defaults writes the 45 factory values, CR LF" cmp -s "$work/expected.cfg" "$work/factory.cfg"
"$ctl" --data-dir "$work/data" settings defaults >/dev/null 2>&1; rc=$?
check "defaults without -o is a usage error" test $rc -eq 2

out=$("$ctl" --data-dir "$work/data" settings show "$work/factory.cfg" 2>&1); rc=$?
check "show exits 0" test $rc -eq 0
check "show names the modes" grep -Eq '^Режим работы +Специальный +Специальный +Звуковой$' <<<"$out"
check "show reads the times as the lists do" \
  grep -Eq '^Размыкание на время +пост\. +пост\. +пост\./1 сек$' <<<"$out"
check "show reads the duration" grep -Eq '^Длительность извещения +--- +--- +2 мин$' <<<"$out"
check "show reads the inverse mode" grep -Eq '^Инверсный режим +Нет +Нет +Да$' <<<"$out"
check "show lists the bound partitions" grep -Eq '^Привязки к разделам +1-8 +9-16 +1-16$' <<<"$out"

# X: the factory table changed in every kind of entry.
x=("${factory[@]}")
x[0]=7; x[15]=1; x[16]=2; x[32]=1; x[33]=20; x[34]=1; x[35]=108; x[42]=6; x[44]=1
cfg "${x[@]}" >"$work/X.cfg"
"$ctl" --simulate mro --data-dir "$work/data" --sim-state "$work/state" --trace "$work/trace" \
  settings write "$work/X.cfg" >"$work/out" 2>&1; rc=$?
check "write exits 0" test $rc -eq 0
check "write says so" grep -qx 'Настройки реле загружены успешно' "$work/out"
check "connects as a work page (0xAA)" \
  test "$(grep '^W' "$work/trace" | head -n 4 | tr '\n' ' ')" = "W 55 W 55 W aa W aa "
check "write request 55 55 94 01 07 00 7f c9" \
  grep -Pzq 'W 94\nW 01\nW 07\nW 00\nW 7f\nW c9' "$work/trace"
check "4 chunks of 64 bytes" test "$(grep -Ec '^W [0-9a-f]{128}$' "$work/trace")" -eq 4
check "8 pauses" test "$(grep -c '^P 10$' "$work/trace")" -eq 8
check "ends with the disconnect command" \
  test "$(grep '^W' "$work/trace" | tail -n 8 | tr '\n' ' ')" = "W 55 W 55 W a0 W 00 W 00 W 00 W 22 W 09 "

out=$(run settings read -o "$work/Y.cfg" 2>&1); rc=$?
check "read exits 0" test $rc -eq 0
check "Y read back is identical to X" cmp -s "$work/X.cfg" "$work/Y.cfg"
check "read prints the table" grep -Eq '^Режим работы +Исполнительный +Специальный +ПЦН тревога$' <<<"$out"
check "read prints the nine minutes" grep -Eq '^Длительность извещения +9 мин ' <<<"$out"

out=$(run settings write "$work/X.cfg" --verify 2>&1); rc=$?
check "write with verify exits 0" test $rc -eq 0
check "verify compares the values" grep -qx 'Проверка: настройки в приборе совпадают с файлом.' <<<"$out"

out=$(run settings diff "$work/factory.cfg" "$work/X.cfg" 2>&1); rc=$?
check "diff exits 0" test $rc -eq 0
check "diff names output and setting in words" \
  grep -qx 'Реле №1: Замыкание на время: --- -> 10 сек' <<<"$out"
check "diff names the mode" grep -qx 'Выход ОК №1: Режим работы: Звуковой -> ПЦН тревога' <<<"$out"
check "diff lists partitions" grep -qx 'Реле №2: Привязки к разделам: 9-16 -> 1, 9-15' <<<"$out"
out=$(run settings diff "$work/X.cfg" "$work/Y.cfg" 2>&1)
check "diff of equal files says so" grep -qx 'Настройки в файлах совпадают.' <<<"$out"

# Values the window has no place for are dropped, and the user is told.
odd=("${x[@]}")
odd[20]=9; odd[1]=13
cfg "${odd[@]}" >"$work/odd.cfg"
err=$(run settings write "$work/odd.cfg" 2>&1 >/dev/null); rc=$?
check "write of reserved values exits 0" test $rc -eq 0
check "and says what is dropped" grep -q '^Запись 20 (резерв): значение 9 не хранится, берется 0.' <<<"$err"
run settings read -o "$work/odd-back.cfg" >/dev/null 2>&1
check "the device got 0 and the output bits" \
  test "$(sed -n '21p;2p' "$work/odd-back.cfg" | tr -d '\r' | tr '\n' ' ')" = "5 0 "

# Refused files: nothing reaches the device.
cfg "${x[@]:0:44}" >"$work/short.cfg"
bad=("${x[@]}"); bad[6]=256
cfg "${bad[@]}" >"$work/big.cfg"
for f in short big; do
  rm -f "$work/t-$f"
  err=$(run --trace "$work/t-$f" settings write "$work/$f.cfg" 2>&1 >/dev/null); rc=$?
  check "$f file refused with exit 3" test $rc -eq 3
  check "$f file: nothing sent" test ! -s "$work/t-$f"
done
check "the message names line and value" grep -q 'big.cfg, строка 7: значение 256' <<<"$err"

# A bare name is looked up in ReleCfg.
cp "$work/X.cfg" "$work/data/ReleCfg/DEZ_MRO.cfg"
(cd "$work" && run settings show DEZ_MRO.cfg >/dev/null 2>&1); rc=$?
check "show finds a bare name in ReleCfg" test $rc -eq 0
run settings frobnicate >/dev/null 2>&1; rc=$?
check "unknown subcommand is a usage error" test $rc -eq 2
exit $fail
