#!/usr/bin/env bash
# ortenctl.exe with a Cyrillic --data-dir: the command line, the data
# folders, the backup and trace files, the firmware list and the journal's
# Excel workbook all see the same Unicode path; in a console, as a batch file
# in code page 866 runs it, its Cyrillic reads right and the console's code
# page stays as it was. $1 runs a Windows program, $2 is ortenctl.exe.
set -u
export LC_ALL=C.UTF-8  # wine turns the arguments into Unicode through the locale
wine_run=$1
ctl=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() {  # description, condition...
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; fail=1; fi
}
windows() { printf 'Z:%s' "${1//\//\\}"; }  # wine's drive for the Unix root

data="$work/Папка пользователя"
# Output without the CR that Windows text mode puts before each LF.
run() {
  local rc
  out=$("$wine_run" "$ctl" --data-dir "$(windows "$data")" "$@" 2>&1); rc=$?
  out=${out//$'\r'/}
  return $rc
}

run --simulate rpu --trace "$(windows "$work/трасса.txt")" \
  backup read --mode rpu --module 3 --object 7; rc=$?
check "backup read exits 0" test $rc -eq 0 || echo "$out"
check "data folders made in the Cyrillic folder" test -d "$data/Base" -a -d "$data/ReleCfg"
backup=$(ls "$data/Reg_RPU" 2>/dev/null)
check "backup saved under its default name" grep -Eq '^DEZ_RPU_3_.*_object_7_conf_[0-9]+\.rrg$' <<<"$backup"
check "1792 values in it" test "$(wc -l <"$data/Reg_RPU/$backup" 2>/dev/null)" = 1792
check "the path printed is the one on disk" grep -qF "Папка пользователя\\Reg_RPU\\$backup" <<<"$out"
check "trace written to a Cyrillic file name" grep -qx 'W 55' "$work/трасса.txt"

run backup info "$(windows "$data/Reg_RPU/$backup")"; rc=$?
check "backup info exits 0" test $rc -eq 0 || echo "$out"
check "backup info reads the module from the name" grep -qx 'Адрес прибора в системе: 3' <<<"$out"

{ printf '\x55\x55\x12\x82'; head -c 1030 /dev/zero; } >"$data/Base/RPU_Прошивка_130.bin"
run firmware list --family rpu; rc=$?
check "firmware list exits 0" test $rc -eq 0 || echo "$out"
check "firmware list names the Cyrillic file with its number and size" \
  grep -Eq '^RPU_Прошивка_130\.bin +130 +1034 ' <<<"$out"
# The workbook is written by a library that opens files through the ANSI
# code page: a name it lacks (Cyrillic under wine's default one, a snowman
# anywhere) still arrives, and nothing is left beside it.
run journal --excel "$(windows "$data/журнал ☃.xlsx")"; rc=$?
check "journal --excel exits 0" test $rc -eq 0 || echo "$out"
check "the workbook is where it was asked for, a zip" \
  test "$(head -c 2 "$data/журнал ☃.xlsx" 2>/dev/null)" = PK
check "its sheet holds the backup read" \
  grep -q '<t>чтение копии</t>' <<<"$(unzip -p "$data/журнал ☃.xlsx" xl/worksheets/sheet1.xml)"
check "no temporary left beside it" test -z "$(find "$data" -maxdepth 1 -name '.*.tmp')"

# A console of its own (a terminal from script(1)), in a Russian locale, where
# cmd reads batch files in code page 866: two calls, then the code page.
if locale -a 2>/dev/null | grep -qix 'ru_RU.utf-\?8' && command -v script >/dev/null; then
  call="\"$(windows "$ctl")\" --data-dir \"$(windows "$data")\" firmware list --family rpu"
  printf '@echo off\r\nchcp 866 >nul\r\n%s\r\n%s\r\nchcp\r\n' "$call" "$call" |
    iconv -f UTF-8 -t CP866 >"$work/cp866.bat"
  out=$(LC_ALL=ru_RU.UTF-8 timeout 120 script -qec \
    "'$wine_run' cmd /c '$(windows "$work/cp866.bat")'" /dev/null 2>&1 |
    sed 's/\x1b\[[0-9;?]*[A-Za-z]//g' | tr -d '\r')
  check "in a console: both calls list the Cyrillic file, readable" \
    test "$(grep -Ec '^RPU_Прошивка_130\.bin +130 +1034 ' <<<"$out")" -eq 2 || echo "$out"
  check "and the console's code page is still 866" grep -Eq ': 866$' <<<"$out"
else
  echo "skipped the console rows: no ru_RU.UTF-8 locale or no script(1)"
fi
exit $fail
