#!/usr/bin/env bash
# ortenctl firmware list / check / write on the simulated device.
source "$(dirname "$0")/common.sh"
# firmware NAME VERSION SIZE: a file of the device's format (head 55 55 12 VERSION)
firmware() {
  { printf '\x55\x55\x12'"\\x$(printf %02x "$2")"; head -c $(($3 - 4)) /dev/zero; } >"$work/data/Base/$1"
}
mkdir -p "$work/data/Base"
firmware RPU_99 99 1034
firmware RPU_120 120 1034
firmware RPU_short 130 300
firmware MRO_46 46 266
firmware RPU_135 46 1034  # named for the receiver, a relay module's version byte

# Entries that are no files: never offered, never opened, facts unknown.
mkfifo "$work/data/Base/RPU_150.bin"
ln -s "$work/gone" "$work/data/Base/RPU_160"
mkdir "$work/data/Base/RPU_170"

"$ctl" --data-dir "$work/data" --simulate rpu:100 --sim-state "$work/state" info >/dev/null
out=$(run firmware list 2>&1); rc=$?
check "list exits 0" test $rc -eq 0
check "list offers the greatest version, not the last name" grep -q '^RPU_120 .*будет предложена' <<<"$out"
check "list shows the version number" grep -Eq '^RPU_99 +99 +1034 ' <<<"$out"
check "list says which file is of the other family" grep -q '^RPU_135 .*по байту версии (46) это прошивка MRO$' <<<"$out"
check "a FIFO is shown for what it is" grep -q '^RPU_150.bin .*неизвестно неизвестно .*(это именованный канал)$' <<<"$out"
check "a link to nothing has unknown facts" grep -q '^RPU_160 .*неизвестно неизвестно .*(это ссылка на несуществующий файл)$' <<<"$out"
check "no made-up size or date" test "$(grep -cE '18446744073709551615|1881' <<<"$out")" -eq 0

out=$("$ctl" --data-dir "$work/data" firmware list --family mro 2>&1)
check "list of a family without a device" grep -q '^MRO_46 .*новейшая' <<<"$out"
out=$("$ctl" --data-dir "$work/empty" firmware list --family mro 2>&1)
check "an empty Base: the box's words" grep -qx 'В папке Base не найдено ни одного файла прошивок!' <<<"$out"
check "and where that Base is" grep -qxF "Папка Base: $work/empty/Base" <<<"$out"

run firmware check RPU_120 >/dev/null 2>&1; rc=$?
check "check passes a writable file" test $rc -eq 0
err=$(run firmware check RPU_short 2>&1 >/dev/null); rc=$?
check "check refuses a 300-byte file" test $rc -eq 3
check "and says why" grep -q 'RPU_short имеет длину 300 байт' <<<"$err"

while IFS='|' read -r name says; do
  err=$(timeout 10 "$ctl" --data-dir "$work/data" firmware check "$name" 2>&1 >/dev/null); rc=$?
  check "check $name: refused with exit 3" test $rc -eq 3
  check "check $name: says what it is" grep -qF "$says" <<<"$err"
done <<EOF2
RPU_150.bin|RPU_150.bin не является обычным файлом (это именованный канал).
RPU_170|RPU_170 не является обычным файлом (это папка).
/dev/zero|/dev/zero не является обычным файлом (это устройство).
EOF2

# A bad head or type byte: the window's words exactly, the file on a line of its own.
printf '\x55\x54\x12\x82' >"$work/data/Base/RPU_head"
printf '\x55\x55\x13\x82' >"$work/data/Base/RPU_type"
while IFS='|' read -r name says; do
  err=$(run firmware write "$name" --yes 2>&1 >/dev/null); rc=$?
  check "write $name: refused with exit 3" test $rc -eq 3
  check "write $name: says '$says'" grep -qxF "$says" <<<"$err"
  check "write $name: names the file" grep -qx "Файл прошивки: .*/Base/$name" <<<"$err"
done <<EOF2
RPU_head|Ошибка: Неверный формат файла.
RPU_type|Ошибка: Несовпадение типа прибора - Запись не доступна
EOF2

run --trace "$work/t300" firmware write RPU_short --yes >/dev/null 2>&1; rc=$?
check "write refuses a 300-byte file" test $rc -eq 3
check "with nothing sent" test ! -s "$work/t300"

err=$(run --trace "$work/t135" firmware write RPU_135 --yes 2>&1 >/dev/null); rc=$?
check "write refuses a name and version byte of two families" test $rc -eq 3
check "naming the file and both" grep -q 'RPU_135 указывает на RPU (РПУ/РТР), а байт версии 46 - на MRO (МРО)' <<<"$err"
check "with nothing sent either" test ! -s "$work/t135"

run firmware write MRO_46 --yes >/dev/null 2>&1; rc=$?
check "write refuses the other family" test $rc -eq 2
run firmware write RPU_120 </dev/null >/dev/null 2>&1; rc=$?
check "write asks and No stops it" test $rc -eq 1

run --trace "$work/trace" firmware write RPU_120 --yes >/dev/null 2>&1; rc=$?
check "write exits 0" test $rc -eq 0
check "no disconnect command follows the write" test "$(grep -c '^W 22$' "$work/trace")" -eq 0
check "the image went out in 16 blocks" test "$(grep -Ec '^W [0-9a-f]{128}$' "$work/trace")" -eq 16
out=$(run firmware write RPU_120 --yes --verify 2>&1); rc=$?
check "write with verify exits 0" test $rc -eq 0
check "verify reads the new version back" grep -q 'прибор сообщает версию ПО 12_0' <<<"$out"
out=$(run info 2>&1)
check "the next run sees the new version" grep -q 'Версия ПО: 12_0' <<<"$out"
exit $fail
