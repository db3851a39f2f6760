#!/usr/bin/env bash
# The journal: a record per device operation of ortenctl on the simulated
# devices, read back by ortenctl journal as a table (Russian words, the
# computer's clock, 100 columns), as JSON and as an Excel workbook; --since
# in both date forms; a batch run's modules; what is no record is skipped;
# a journal that cannot be written never stops the work.
source "$(dirname "$0")/common.sh"
# The table's clock: three hours east of UTC (a POSIX zone: no zone files needed).
export TZ=MSK-3
journal=$work/data/journal.csv
last() {  # N: the operations of the last N records, in order
  "$ctl" --data-dir "$work/data" journal --json | jq -r "[.records[-$1:][] | .operation] | join(\" \")"
}
field() {  # KEY: of the last record
  "$ctl" --data-dir "$work/data" journal --json | jq -r ".records[-1].$1"
}
mkdir -p "$work/data/Base"
{ printf '\x55\x55\x12\x78'; head -c 1030 /dev/zero; } >"$work/data/Base/RPU_120"
seq 0 1791 | awk '{ printf "%d\r\n", ($1 * 7) % 256 }' >"$work/source.rrg"
odd=$work/$'a,"b\nc.cfg'  # a comma, a quote and a new line in one name
"$ctl" --data-dir "$work/data" settings defaults -o "$odd" >/dev/null 2>&1

out=$("$ctl" --data-dir "$work/data" journal 2>&1); rc=$?
check "no journal yet: exit 0" test $rc -eq 0
check "no journal yet: an empty one" grep -qx 'В журнале нет записей.' <<<"$out"
check "no journal yet: JSON with no records" \
  jq -e '.records == [] and .skipped_lines == []' <<<"$("$ctl" --data-dir "$work/data" journal --json)" >/dev/null
check "commands without a device write no journal" test ! -e "$journal"

# row: name | device | ortenctl arguments (ODD: the odd name) | operations recorded | outcome of the last | exit code
rows=(
  "settings write|mro|settings write ODD --verify|write-settings verify-settings|done|0"
  "settings read|mro|settings read -o $work/Y.cfg|read-settings|done|0"
  "settings write refused|mro|--sim-fault reject settings write ODD|write-settings|refused|1"
  "backup write|rpu|backup write $work/source.rrg --verify|write-backup verify-backup|done|0"
  "backup read|rpu|backup read -o $work/copy.rrg|read-backup|done|0"
  "firmware write|rpu:100|firmware write RPU_120 --yes --verify|write-firmware verify-firmware|done|0"
  "firmware write unchecked|rpu:100|firmware write RPU_120 --yes|write-firmware|done|0"
)
for row in "${rows[@]}"; do
  IFS='|' read -r name device args operations outcome code <<<"$row"
  before=$(jq '.records | length' <<<"$("$ctl" --data-dir "$work/data" journal --json)")
  IFS=' ' read -r -a argv <<<"$args"
  argv=("${argv[@]//ODD/$odd}")
  "$ctl" --data-dir "$work/data" --simulate "$device" --sim-state "$work/state.$device" "${argv[@]}" \
    >/dev/null 2>"$work/err"; rc=$?
  n=$(wc -w <<<"$operations")
  after=$(jq '.records | length' <<<"$("$ctl" --data-dir "$work/data" journal --json)")
  check "$name: exits $code" test $rc -eq "$code"
  check "$name: $n new record(s)" test "$after" -eq $((before + n))
  check "$name: records $operations" test "$(last "$n")" = "$operations"
  check "$name: outcome $outcome" test "$(field outcome)" = "$outcome"
  check "$name: by ortenctl" test "$(field program)" = ortenctl
  check "$name: says nothing of the journal" test "$(grep -c журнал "$work/err")" -eq 0
done

json=$("$ctl" --data-dir "$work/data" journal --json)
first=$(jq '.records[0]' <<<"$json")
check "the odd name comes back whole" test "$(jq -r .file <<<"$first")" = "$(basename "$odd")"
check "its checksum is the file's" test "$(jq -r .sha256 <<<"$first")" = "$(sha256sum <"$odd" | cut -d' ' -f1)"
check "device and version before and after" \
  test "$(jq -r '[.family_before, .version_before, .family_after, .version_after] | join(" ")' <<<"$first")" = "mro 4_5 mro 4_5"
check "the words ortenctl said" test "$(jq -r .message <<<"$first")" = 'Настройки реле загружены успешно'
check "UTC time in ISO 8601" grep -Eq '^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z$' <<<"$(jq -r .time <<<"$first")"
check "a read's checksum is that of the file it saved" \
  test "$(jq -r '[.records[] | select(.operation == "read-settings")][0].sha256' <<<"$json")" = "$(sha256sum <"$work/Y.cfg" | cut -d' ' -f1)"
check "the firmware's checksum is the file's" \
  test "$(jq -r '[.records[] | select(.operation == "write-firmware")][0].sha256' <<<"$json")" = "$(sha256sum <"$work/data/Base/RPU_120" | cut -d' ' -f1)"
check "after the firmware check: the version it came back with" \
  test "$(jq -r '.records[-2] | .version_before + " " + .version_after' <<<"$json")" = "10_0 12_0"
check "a firmware write: the version after is not known before the restart" \
  test "$(jq -r '.records[-1] | .operation + " " + .version_before + "/" + .version_after' <<<"$json")" = "write-firmware 12_0/"
check "not of a batch: no batch, module or port" \
  test "$(jq -r '[.records[] | .batch + .module + .port] | join("")' <<<"$json")" = ""
check "the CSV quotes the odd name, quote doubled" grep -q ',"a,""b$' "$journal"
check "the CSV has one header" test "$(grep -c '^time,program,operation,' "$journal")" -eq 1

text=$("$ctl" --data-dir "$work/data" journal)
check "the table has Russian headings" grep -Eq '^Время +Программа +Действие +Прибор +Файл +Итог$' <<<"$text"
dated='^[0-9]{2}\.[0-9]{2}\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}  '
check "a table line per record" test "$(grep -Ec "$dated" <<<"$text")" -eq "$(jq '.records | length' <<<"$json")"
check "the table fits 100 columns" test "$(LC_ALL=C.UTF-8 wc -L <<<"$text")" -le 100
t=$(date -d "$(jq -r '.records[1] | .time' <<<"$json")" +'%d\.%m\.%Y %H:%M:%S')
check "the table and JSON carry the same facts, on the computer's clock" \
  grep -Eq "^$t +ortenctl +проверка настроек +МРО 4_5 +a,\"b\\\\x0ac\\.cfg +выполнено\$" <<<"$text"
check "what the user was told, under its record" \
  grep -A1 -E "^$t +ortenctl +проверка настроек" <<<"$text" | grep -qx '  Проверка: настройки в приборе совпадают с файлом\.'
# row: what the table says | of which record
rows=(
  "отказ прибора$|the refused write's outcome in Russian"
  "запись прошивки +РПУ/РТР 10_0 → 12_0 +RPU_120 +выполнено$|the firmware write with the version its check found"
  "запись прошивки +РПУ/РТР 12_0 → \\? +RPU_120 +выполнено$|the firmware write without a check: the version after unknown"
  "проверка прошивки +РПУ/РТР 10_0 → 12_0 |the check after the restart"
)
for row in "${rows[@]}"; do
  IFS='|' read -r line what <<<"$row"
  check "table: $what" grep -Eq "$line" <<<"$text"
done

# A journal of three days, with a line that is no record.
mkdir -p "$work/days"
{
  printf 'time,program,operation,family_before,version_before,family_after,version_after,file,sha256,outcome,message\r\n'
  printf '2026-12-07T23:59:59Z,ortenconf,write-settings,mro,4_5,mro,4_5,A.cfg,,done,ok\r\n'
  printf 'not a record\r\n'
  printf '2026-12-08T00:00:00Z,ortenctl,read-backup,rpu,12_0,rpu,12_0,,,no-answer,"Нет ответа от прибора !"\r\n'
  printf '2026-12-09T10:00:00Z,ortenctl,write-firmware,rpu,12_0,rpu,12_0,RPU_130,,done,ok\r\n'
} >"$work/days/journal.csv"
days() { "$ctl" --data-dir "$work/days" journal "$@"; }
for since in 2026-12-08 08.12.2026; do
  check "--since $since: two records" test "$(TZ=UTC days --since "$since" --json 2>/dev/null | jq '.records | length')" -eq 2
  check "--since $since: the table too" test "$(TZ=UTC days --since "$since" 2>/dev/null | grep -Ec "$dated")" -eq 2
  # The day on the computer's clock: 23:59:59 UTC is already the next day three hours east.
  check "--since $since, the computer's day: three records" \
    test "$(TZ=MSK-3 days --since "$since" --json 2>/dev/null | jq '.records | length')" -eq 3
done
check "--since a later day: none" grep -qx 'В журнале нет записей с 2026-12-10.' <<<"$(days --since 10.12.2026 2>/dev/null)"
err=$(days 2>&1 >/dev/null); rc=$?
check "a line that is no record: exit 0" test $rc -eq 0
check "a line that is no record: a note naming it" grep -q 'journal.csv, строка 3: это не запись журнала, она пропущена.' <<<"$err"
check "a line that is no record: listed in JSON" test "$(days --json 2>/dev/null | jq -c .skipped_lines)" = "[3]"
for bad in 2026-02-30 8.12.2026 2026/12/08 yesterday; do
  days --since "$bad" >/dev/null 2>&1; rc=$?
  check "--since $bad: usage error" test $rc -eq 2
done

# Whatever stands in the journal's way: the work goes on, told once, saying
# why, and nothing is written anywhere else.
# row: name | what to put at journal.csv in $dir | why, as told
rows=(
  "a folder|mkdir \"\$dir/journal.csv\"|это папка"
  "a link to a file|echo kept >\"\$dir/other\"; ln -s other \"\$dir/journal.csv\"|это символическая ссылка"
  "a write-protected journal|echo kept >\"\$dir/journal.csv\"; chmod 444 \"\$dir/journal.csv\"|файл защищен от записи"
  "a FIFO|mkfifo \"\$dir/journal.csv\"|это именованный канал"
  "a lock held by another program|touch \"\$dir/journal.csv\"; holdlock \"\$dir/journal.csv\"|файл занят другой программой"
)
holdlock() {  # FILE: locked here until the row ends, as a stuck program would hold it
  exec {lockfd}>>"$1"
  flock "$lockfd"
}
for row in "${rows[@]}"; do
  IFS='|' read -r name block why <<<"$row"
  dir=$work/blocked-${name// /-}
  mkdir -p "$dir"
  lockfd=
  eval "$block"
  "$ctl" --data-dir "$dir" --simulate mro --sim-state "$work/state.blocked" \
    settings write "$odd" --verify >"$work/out" 2>"$work/err"; rc=$?
  [ -z "$lockfd" ] || exec {lockfd}>&-
  check "unwritable journal, $name: the write still succeeds" test $rc -eq 0
  check "unwritable journal, $name: the verify still runs" grep -q 'Проверка: настройки в приборе совпадают' "$work/out"
  check "unwritable journal, $name: told once for two records" test "$(grep -c 'Не удается записать журнал' "$work/err")" -eq 1
  check "unwritable journal, $name: in one line on stderr, saying why" \
    grep -Eq "^ortenctl: Не удается записать журнал .*journal.csv: $why\." "$work/err"
  check "unwritable journal, $name: nothing written" test -z "$(grep -rl write-settings "$dir")"
done

# The table shows no byte of the file raw, whatever column it is in.
mkdir -p "$work/raw"
{
  printf 'time,program,operation,family_before,version_before,family_after,version_after,file,sha256,outcome,message\r\n'
  printf '2026-12-08T00:00:00Z,\e]0;x\a,\e[2J,\e[31m,4\e[0m5,mro,\x9b1m,A.cfg,\e[1m,done\e[K,\e[4mok,\e[5m,\e[6m,\e[7m\r\n'
} >"$work/raw/journal.csv"
text=$("$ctl" --data-dir "$work/raw" journal 2>&1)
check "table: no control byte reaches the terminal" test -z "$(tr -d '\n' <<<"$text" | LC_ALL=C grep -a '[[:cntrl:]]')"
for cell in '\x1b]0;x\x07' '\x1b[2J' '\x1b[31m 4\x1b[0m5' 'МРО \x9b1m' '\x1b[4mok' 'done\x1b[K' \
  'модуль \x1b[6m, порт \x1b[7m'; do
  check "table: the cell $cell escaped" grep -qF "$cell" <<<"$text"
done

# A batch run: each module's records name the run, the module's number and
# its place on the line, in the file and in the table.
mkdir -p "$work/batch"
printf 'plug mro:45\nunplug\nplug mro:45 reject\nunplug\n' >"$work/two.line"
"$ctl" --data-dir "$work/batch" --sim-line "$work/two.line" --sim-skip-waits \
  batch settings "$odd" >/dev/null 2>&1
json=$("$ctl" --data-dir "$work/batch" journal --json)
check "batch: module, place and outcome of each record" \
  test "$(jq -r '[.records[] | .operation + " " + .module + " " + .port + " " + .outcome] | join(", ")' <<<"$json")" = \
  "write-settings 1 sim:1 done, verify-settings 1 sim:1 done, write-settings 2 sim:2 refused"
check "batch: one run" test "$(jq -r '[.records[].batch] | unique | length' <<<"$json")" -eq 1
check "batch: the run named by when it began" \
  grep -Eq '^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z$' <<<"$(jq -r '.records[0].batch' <<<"$json")"
b=$(date -d "$(jq -r '.records[0].batch' <<<"$json")" +'%d.%m.%Y %H:%M:%S')
check "batch: the table names the run, the module and its port" \
  grep -qx "  пакет от $b, модуль 2, порт sim:2\. Ошибка: Параметры не загружены" <<<"$("$ctl" --data-dir "$work/batch" journal)"

# --excel: a workbook Excel opens in any locale, read back from its sheet's XML.
out=$("$ctl" --data-dir "$work/data" journal --excel "$work/journal.xlsx" 2>&1); rc=$?
check "excel: exit 0" test $rc -eq 0
check "excel: says where and how many" test "$out" = \
  "Файл: $work/journal.xlsx"$'\n'"Записей: $(jq '.records | length' <<<"$("$ctl" --data-dir "$work/data" journal --json)")"
sheet=$(unzip -p "$work/journal.xlsx" xl/worksheets/sheet1.xml)
cell() { grep -o "<c r=\"$1\"[^>]*>.\{0,200\}" <<<"$sheet" | sed 's|</c>.*||'; }
# row: cell | what it holds (a regular expression) | what
rows=(
  'A1|<is><t>Время</t></is>|headings in Russian'
  'L1|<is><t>Порт</t></is>|the last heading'
  'A2|s="[0-9]+"><v>[0-9]{5}\.[0-9]+</v>|the time as a date Excel sorts'
  'C2|<t>запись настроек</t>|the operation in Russian'
  'F2|<t>a,"b\\x0ac\.cfg</t>|the odd name whole, its line break shown'
  'H5|<t>отказ прибора</t>|the outcome in Russian'
  'I2|<t>Настройки реле загружены успешно</t>|what the user was told'
)
for row in "${rows[@]}"; do
  IFS='|' read -r at holds what <<<"$row"
  check "excel: $what" grep -Eq "$holds" <<<"$(cell "$at")"
done
check "excel: the firmware write has the version its check found" \
  grep -q '<t>РПУ/РТР 12_0</t>' <<<"$(grep -o '<row r="[0-9]*">.*' <<<"$sheet" | sed 's|</row>|&\n|g' | grep 'запись прошивки' | head -1)"
"$ctl" --data-dir "$work/raw" journal --excel "$work/raw.xlsx" >/dev/null 2>&1
check "excel: no control byte in the sheet" \
  test -z "$(unzip -p "$work/raw.xlsx" xl/worksheets/sheet1.xml | LC_ALL=C grep -a $'[\x01-\x08\x0b\x0c\x0e-\x1f]')"
echo kept >"$work/kept.xlsx"
"$ctl" --data-dir "$work/data" journal --excel "$work/no-such/j.xlsx" >/dev/null 2>"$work/err"; rc=$?
check "excel: a folder that is not there: exit 3" test $rc -eq 3
check "excel: ... told why" grep -q "Не удается записать файл $work/no-such/j.xlsx: " "$work/err"
"$ctl" --data-dir "$work/data" journal --excel "$work/kept.xlsx" --json >/dev/null 2>&1; rc=$?
check "excel with --json: exit 2, the file untouched" test $rc -eq 2 -a "$(cat "$work/kept.xlsx")" = kept
check "excel: no temporary file left beside it" test -z "$(find "$work" -maxdepth 1 -name '.*.tmp')"

# A journal past 256 MiB (a sparse one: no disk is used) is read all the
# same, and the programs go on writing it.
mkdir -p "$work/big"
truncate -s 300M "$work/big/journal.csv"
"$ctl" --data-dir "$work/big" --simulate mro settings read -o "$work/big.cfg" >/dev/null 2>&1
json=$("$ctl" --data-dir "$work/big" journal --json 2>"$work/err"); rc=$?
check "past 256 MiB: read, exit 0" test $rc -eq 0
check "past 256 MiB: the new record is there" test "$(jq -r '[.records[].operation] | join(" ")' <<<"$json")" = read-settings
check "past 256 MiB: what came before it skipped as one line" test "$(jq -c .skipped_lines <<<"$json")" = "[1]"
check "past 256 MiB: the table too" grep -q 'чтение настроек' <<<"$("$ctl" --data-dir "$work/big" journal 2>/dev/null)"
rm -f "$work/big/journal.csv"
exit $fail
