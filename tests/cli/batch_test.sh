#!/usr/bin/env bash
# ortenctl batch on a simulated line: devices come and go by a script, the
# run sets failures aside and goes on, and ends by count, time, the first
# failure, Ctrl-C or the script's end. Also wait on the line, and the
# README's batch examples as written.
source "$(dirname "$0")/common.sh"
data="$work/data"
"$ctl" --data-dir "$data" settings defaults -o "$data/ReleCfg/object.cfg" >/dev/null 2>&1
{ printf '\x55\x55\x12\x2e'; head -c 1030 /dev/zero; } >"$data/Base/MRO_46.bin"
seq 0 1791 | awk '{ printf "%d\r\n", $1 % 256 }' >"$data/Reg_RPU/DEZ_RPU_1_010125_object_1_conf_255.rrg"
line() { tr ';' '\n' <<<"$1" >"$work/line"; }
batch() { "$ctl" --data-dir "$data" --sim-line "$work/line" --sim-skip-waits batch "$@"; }
relay='Модуль реле и оповещения \(МРО\)'
done3='Итого: готово 3, отложено 0\. Завершено: на линии имитатора больше ничего не изменится\.'

# row: name | line script (';' between steps) | batch arguments | exit code |
#      extended regexps stdout must match, '~' between them | regexp for stderr (or empty)
rows=(
  "three in sequence|plug mro:45;unplug;plug mro:46;unplug;plug mro:47;unplug|settings object.cfg|0|^1\. sim:1, $relay, версия 4_5: готово\$~^2\. sim:2, .*версия 4_6: готово\$~^3\. sim:3, .*4_7: готово\$~$done3|^Отключите прибор\.\$"
  "wrong family set aside|plug mro;unplug;plug rpu:120;unplug;plug mro;unplug|settings object.cfg|1|^2\. sim:2, .*\(РПУ/РТР\), версия 12_0: ОТЛОЖИТЬ - другое семейство\$~^3\. sim:3, .*: готово\$~Итого: готово 2, отложено 1 \(другое семейство: 1\)|Отключите прибор и отложите его\."
  "silent device set aside|plug mro read-timeout@0;unplug;plug mro;unplug|settings object.cfg|1|^1\. sim:1, версия неизвестна: ОТЛОЖИТЬ - нет ответа\$~^2\. sim:2, .*: готово\$~Итого: готово 1, отложено 1 \(нет ответа: 1\)|"
  "silent mid-write set aside|plug mro read-timeout@8;unplug;plug mro;unplug|settings object.cfg|1|^1\. sim:1, .*4_5: ОТЛОЖИТЬ - нет ответа\$~^2\. .*: готово\$|"
  "gone mid-write|plug mro unplug@100;pause 1;plug mro;unplug|settings object.cfg|1|^1\. sim:1, .*: ОТЛОЖИТЬ - прибор отключен во время работы\$~^2\. sim:2, .*: готово\$|"
  "bad checksum set aside|plug mro bad-checksum;unplug|settings object.cfg|1|^1\. sim:1, версия неизвестна: ОТЛОЖИТЬ - ошибка контрольной суммы\$|"
  "two at once pause|plug mro:45 mro:46;unplug 1;unplug 2;plug mro:47;unplug|settings object.cfg|0|^1\. sim:2, .*4_6: готово\$~^2\. sim:3, .*4_7: готово\$~Итого: готово 2, отложено 0|^На линии 2 прибора: работа приостановлена\. Оставьте на линии один прибор\.\$"
  "next plugged before removal|plug mro:45;pause 1;plug mro:46;unplug 1;unplug 2|settings object.cfg|0|^1\. sim:1, .*4_5: готово\$~^2\. sim:2, .*4_6: готово\$|работа продолжается"
  "count|plug mro;unplug;plug mro;unplug;plug mro;unplug|settings object.cfg --count 2|0|^2\. sim:2~Итого: готово 2, отложено 0\. Завершено: обработано заданное число приборов\.|"
  "time limit|plug mro;unplug;pause 30;plug mro;unplug|settings object.cfg --time-limit 10|0|^1\. sim:1~Итого: готово 1, отложено 0\. Завершено: истекло время работы\.|"
  "time limit before count|plug mro;unplug;pause 30;plug mro;unplug|settings object.cfg --time-limit 10 --count 2|4|Итого: готово 1, .*истекло время|"
  "stop on failure|plug rpu;unplug;plug mro;unplug|settings object.cfg --stop-on-failure|1|^1\. sim:1, .*ОТЛОЖИТЬ~Итого: готово 0, отложено 1 \(другое семейство: 1\)\. Завершено: прибор отложен|"
  "firmware|plug mro:45;unplug;plug rpu;unplug;plug mro:40 reject;unplug|firmware MRO_46.bin|1|^1\. sim:1, .*4_5: готово\$~^2\. .*ОТЛОЖИТЬ - другое семейство~^3\. .*4_0: ОТЛОЖИТЬ - прибор отказал\$|^Пакетная запись: прошивка MRO_46\.bin \(версия 4_6\)"
  "firmware not answered|plug mro no-answer;unplug|firmware MRO_46.bin|1|^1\. .*ОТЛОЖИТЬ - нет ответа\$|"
  # Taken, but a value kept otherwise (the payload's third byte): the check after the write sets it aside.
  "kept otherwise set aside|plug mro corrupt@20;unplug;plug mro;unplug|settings object.cfg|1|^1\. sim:1, .*4_5: ОТЛОЖИТЬ - проверка не пройдена: различается 1 значение\$~^2\. sim:2, .*: готово\$~Итого: готово 1, отложено 1 \(проверка не пройдена: 1\)|^Отключите прибор и отложите его\.\$"
  "restore kept otherwise|plug rpu:120 corrupt@1000;unplug|restore DEZ_RPU_1_010125_object_1_conf_255.rrg|1|^1\. sim:1, .*12_0: ОТЛОЖИТЬ - проверка не пройдена: различается 1 значение\$|"
  "restore|plug rpu:120;unplug;plug rpu:130 reject;unplug|restore DEZ_RPU_1_010125_object_1_conf_255.rrg|1|^1\. sim:1, .*12_0: готово\$~^2\. sim:2, .*13_0: ОТЛОЖИТЬ - прибор отказал\$|"
  # No udev rule yet, or another program holds it: the module is fine, not set aside.
  "no access: not set aside|plug mro no-access;unplug;plug mro;unplug|settings object.cfg|4|^1\. sim:1, версия неизвестна: НЕ ОБРАБОТАН - нет доступа к прибору\$~^2\. sim:2, .*: готово\$~^Итого: готово 1, отложено 0, не обработано 1 \(нет доступа к прибору: 1\)|откладывать его не нужно\. Дайте этому пользователю доступ"
  "busy: not set aside, the run goes on|plug mro busy;unplug;plug mro;unplug|settings object.cfg --stop-on-failure|4|^1\. sim:1, версия неизвестна: НЕ ОБРАБОТАН - прибор занят другой программой\$~^2\. sim:2, .*: готово\$~отложено 0, не обработано 1|Закройте программу, которая держит прибор"
  "settings file missing|plug mro|settings nothing.cfg|3||nothing\.cfg"
)
for row in "${rows[@]}"; do
  IFS='|' read -r name script args code patterns errpattern <<<"$row"
  line "$script"
  # shellcheck disable=SC2086
  batch $args >"$work/out" 2>"$work/err"; rc=$?
  check "$name: exit code $code" test $rc -eq "$code"
  IFS='~' read -ra wanted <<<"$patterns"
  for p in "${wanted[@]}"; do check "$name: stdout has /$p/" grep -qE "$p" "$work/out"; done
  [ -z "$errpattern" ] || check "$name: stderr has /$errpattern/" grep -qE "$errpattern" "$work/err"
done
# Each job's write and read-back are journalled under the file's name.
for op in "write-settings,.*,object\.cfg" "verify-settings,.*,object\.cfg" "write-firmware,.*,MRO_46\.bin" \
  "write-backup,.*,DEZ_RPU_1_010125_object_1_conf_255\.rrg"; do
  check "journal: $op" grep -qE ",ortenctl,$op," "$data/journal.csv"
done
# ... and the check that set a module aside, in the words of its verdict.
check "journal: the failed check" \
  grep -qE ',ortenctl,verify-settings,.*,object\.cfg,.*,verify-failed,Проверка не пройдена: различается 1 значение\.,' "$data/journal.csv"
# The third device of the count row never came into play.
line "plug mro;unplug;plug mro;unplug;plug mro;unplug"
check "count: no third device" test "$(batch settings object.cfg --count 2 2>/dev/null | grep -c '^[0-9]')" -eq 2

# --json: one object per device, then the summary, with the text's facts.
line "plug mro:45;unplug;plug rpu;unplug"
json=$(batch settings object.cfg --json 2>/dev/null)
holds() { jq -se "$1" >/dev/null <<<"$json"; }  # the lines, as one array, satisfy $1
check "json: three lines" test "$(wc -l <<<"$json")" -eq 3
check "json: every line parses" holds 'length == 3'
check "json: first device done" holds '.[0] | .done and .place == "sim:1" and .version_text == "4_5" and .family == "mro"'
check "json: second set aside with its kind" holds '.[1] | (.done | not) and .kind == "wrong-family" and .version_byte == 120'
check "json: summary" holds '.[2].summary | .done == 1 and .failed == 1 and .reasons["другое семейство"] == 1 and .ended == "line-script"'
line "plug mro no-access;unplug"
json=$(batch settings object.cfg --json 2>/dev/null)
check "json: a device not opened is not processed, not failed" holds '.[1].summary | .failed == 0 and .not_processed == 1 and .reasons["нет доступа к прибору"] == 1'

# A signal ends the run between devices, with its summary: Ctrl-C (INT), a
# closed terminal (HUP), kill (TERM). One that comes while a device is
# worked on is told at once; the device is finished and journalled first.
# 64 KiB of firmware: the flash lasts seconds, long enough to be signalled in.
{ printf '\x55\x55\x12\x2f\0\0\0\0' && head -c 65538 /dev/zero; } >"$data/Base/MRO_47.bin"
# row: signal | line script | batch job | signalled once the first device is done, or while it is
#      worked on | exit code | the device's line (extended regexp) | how the summary says it ended |
#      records journalled (none when the device never answered the connect)
rows=(
  "INT|plug mro;pause 600|settings object.cfg|done|0|^1\. .*: готово\$|прервано \(Ctrl\+C\)|2"
  "HUP|plug mro;pause 600|firmware MRO_47.bin|working|0|^1\. .*: готово\$|прервано \(терминал закрыт\)|1"
  "TERM|plug mro;pause 600|firmware MRO_47.bin|working|0|^1\. .*: готово\$|прервано \(сигнал завершения\)|1"
  "INT|plug mro read-timeout@0;pause 600|settings object.cfg|working|1|^1\. .*: ОТЛОЖИТЬ - нет ответа\$|прервано \(Ctrl\+C\)|0"
)
for row in "${rows[@]}"; do
  IFS='|' read -r signal script job when code device ended records <<<"$row"
  name="SIG$signal, $job, signalled when $when"
  line "$script"
  rm -f "$work/trace"
  before=$(grep -c ',ortenctl,' "$data/journal.csv")
  # shellcheck disable=SC2086
  "$ctl" --data-dir "$data" --sim-line "$work/line" --trace "$work/trace" batch $job \
    >"$work/out" 2>"$work/err" &
  pid=$!
  for _ in $(seq 100); do
    if [ "$when" = done ]; then grep -q '^1\.' "$work/out"; else grep -q '^W' "$work/trace" 2>/dev/null; fi && break
    sleep 0.1
  done
  kill -"$signal" $pid
  wait $pid; rc=$?
  check "$name: exit $code" test $rc -eq "$code"
  check "$name: the device's line" grep -Eq "$device" "$work/out"
  check "$name: summary" grep -Eq "^Итого: .*\. Завершено: $ended\.\$" "$work/out"
  check "$name: $records record(s) journalled" \
    test "$(grep -c ',ortenctl,' "$data/journal.csv")" -eq $((before + records))
  if [ "$when" = working ]; then
    told=$(grep -n -m1 -x 'прерывание: жду ответа прибора…' "$work/err" | cut -d: -f1)
    finished=$(grep -n -m1 '^Отключите прибор' "$work/err" | cut -d: -f1)
    check "$name: told at once, before the device is finished" test "${told:-99}" -lt "${finished:-0}"
  fi
done

# Files: against the folder the program was started in, else in the data folder.
mkdir -p "$work/elsewhere/sub"
cp "$data/ReleCfg/object.cfg" "$work/elsewhere/own.cfg"
line "plug mro;unplug"
for arg in ReleCfg/object.cfg object.cfg ../own.cfg "$work/elsewhere/own.cfg"; do
  (cd "$work/elsewhere/sub" && batch settings "$arg" >"$work/out" 2>&1); rc=$?
  check "file $arg from another folder: found and written" test $rc -eq 0
done

# The line script: its mistakes are usage errors naming the line, an unreadable one a file error.
# What the script says is quoted escaped (\e is ESC, \a BEL in the rows).
while IFS='|' read -r script code pattern; do
  line "$(printf '%b' "$script")"
  batch settings object.cfg >/dev/null 2>"$work/err"; rc=$?
  check "script '$script': exit $code" test $rc -eq "$code"
  check "script '$script': says /$pattern/" grep -qE -e "$pattern" "$work/err"
done <<'EOF2'
plug mro;jump|2|строка 2: неизвестный шаг jump
plug|2|строка 1: после plug ожидается семейство
plug no-answer|2|ожидается семейство прибора \(rpu или mro\), а не no-answer
plug mro two-devices|2|отказ линии, а не прибора
plug mro:300|2|строка 1
pause -1|2|pause: ожидается число секунд
unplug 0|2|unplug: ожидается номер прибора
plug mro;\e[31mjump|2|строка 2: неизвестный шаг \\x1b\[31mjump;
plug mro \e[1mbad|2|--sim-fault \\x1b\[1mbad: неизвестный отказ
plug \e]0t\a|2|а не \\x1b\]0t\\x07$
pause \e[2J|2|а не \\x1b\[2J$
EOF2
printf 'plug mro\n%s\n' "$(head -c 1000000 /dev/zero | tr '\0' w)" >"$work/line"
batch settings object.cfg >/dev/null 2>"$work/err"; rc=$?
check "a script's 1 MB word: usage error" test $rc -eq 2
check "a script's 1 MB word: quoted cut short" test "$(wc -c <"$work/err")" -lt 1000
"$ctl" --sim-line "$work/no-such-script" wait >/dev/null 2>&1; rc=$?
check "missing script: exit 3" test $rc -eq 3
"$ctl" --sim-line "$work/line" --simulate mro wait >/dev/null 2>&1; rc=$?
check "--sim-line with --simulate: exit 2" test $rc -eq 2

# wait on the line: arrival, then removal.
line "pause 1;plug mro;pause 2;unplug"
out=$("$ctl" --sim-line "$work/line" --sim-skip-waits wait 2>&1); rc=$?
check "wait: arrival on the line" test $rc -eq 0 -a "$out" = 'Прибор на линии USB.'
line "plug mro;pause 2;unplug"
"$ctl" --sim-line "$work/line" --sim-skip-waits wait --gone >/dev/null 2>&1; rc=$?
check "wait --gone: the script unplugs it" test $rc -eq 0
line "plug mro;pause 20;unplug"
"$ctl" --sim-line "$work/line" --sim-skip-waits wait --gone --timeout 5 >/dev/null 2>&1; rc=$?
check "wait --gone: time runs out first" test $rc -eq 4

# The README's batch examples, as written, on a simulated line of devices they fit.
ortenctl() { "$ctl" --data-dir "$data" --sim-line "$work/line" --sim-skip-waits "$@"; }
examples=$(sed -n '/^```sh$/,/^```$/p' "$(dirname "$0")/../../README.md" | grep '^ortenctl batch')
check "README has batch examples" test -n "$examples"
while read -r example; do
  family=mro
  [[ $example != *restore* ]] || family=rpu
  line "plug $family;unplug;plug $family;unplug"
  (cd "$work/elsewhere" && eval "$example" >"$work/out" 2>&1); rc=$?
  check "README: $example" test $rc -eq 0
done <<<"$examples"
exit $fail
