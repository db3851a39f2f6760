#!/usr/bin/env bash
# The installer under wine, run silently as an administrator's script would:
# both programs, the guide and the licences land in Program Files with a
# Start-menu folder (the program, the guide, the three data folders), a
# desktop shortcut and an entry in Apps and features; the installed programs
# run and keep their data in the user's folder although Program Files is
# writable here. While the window is open, installer and uninstaller refuse
# with code 2 and change nothing; once it is closed, the uninstaller takes
# away everything the installer put there and leaves the user's data.
# $1 runs a Windows program in the build's prefix, $2 is the installer.
set -u
export LC_ALL=C.UTF-8  # wine turns names into Unicode through the locale
wine_run=$1
setup=$2
fail=0
check() {  # description, condition...
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; fail=1; fi
}
unix() { "$wine_run" winepath -u "$1" 2>/dev/null | tr -d '\r'; }
run() {  # a Windows program; its output without the CRs, its exit code
  local rc
  out=$("$wine_run" "$@" 2>&1); rc=$?
  out=${out//$'\r'/}
  return $rc
}
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ortenconf'
name='Программа настройки РПУ Ортен-ДЕЗ'
windows_dir='C:\Program Files\ortenconf'
dir=$(unix "$windows_dir")
programs=$(unix 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs')
menu="$programs/$name"
desktop=$(unix 'C:\users\Public\Desktop')
data=$(unix "$("$wine_run" cmd /c echo %LOCALAPPDATA% | tr -d '\r')")/ortenconf
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
registered() {  # the uninstall entry, as UTF-8 text (reg writes UTF-16)
  "$wine_run" reg export "$key" "$(printf 'Z:%s' "${work//\//\\}")\\entry.reg" /y >/dev/null 2>&1 &&
    iconv -f UTF-16 -t UTF-8 "$work/entry.reg" | tr -d '\r'
}
gone() {  # waits for a path to go: the uninstaller finishes after its caller returns
  for _ in $(seq 60); do [ -e "$1" ] || return 0; sleep 1; done
  return 1
}

# The uninstaller as a script that waits for it runs it (_?= keeps it from
# copying itself away and returning at once), with its exit code.
uninstall_in_place() {
  printf '@"%s\\uninstall.exe" /S _?=%s\r\n@exit /b %%errorlevel%%\r\n' "$windows_dir" "$windows_dir" \
    >"$work/uninstall.bat"
  run cmd /c "$(printf 'Z:%s' "${work//\//\\}")\\uninstall.bat"
}
window=
trap '[ -n "$window" ] && kill "$window" 2>/dev/null; rm -rf "$work"' EXIT

# What an earlier, interrupted run left behind.
rm -rf "$dir" "$data" "$menu" "$programs/$name.lnk" "$desktop/$name.lnk"
"$wine_run" reg delete "$key" /f >/dev/null 2>&1

run "$(printf 'Z:%s' "${setup//\//\\}")" /S; rc=$?
check "installer exits 0" test $rc -eq 0 || echo "$out"
for file in bin/ortenconf.exe bin/ortenctl.exe share/ortenconf/guide/index.html \
  share/ortenconf/guide/images/windows-relay.png LICENSE.txt THIRD-PARTY.txt uninstall.exe; do
  check "installed $file" test -f "$dir/$file"
done
for link in "$name" 'Руководство пользователя' 'Папка Base (прошивки)' \
  'Папка Reg_RPU (резервные копии)' 'Папка ReleCfg (настройки реле)'; do
  check "Start-menu entry \"$link\"" test -f "$menu/$link.lnk"
done
check "desktop shortcut" test -f "$desktop/$name.lnk"
entry=$(registered)
check "registered in Apps and features under its Russian name" \
  grep -qxF "\"DisplayName\"=\"$name\"" <<<"$entry"
check "with its quiet uninstaller" \
  grep -qxF '"QuietUninstallString"="\"C:\\Program Files\\ortenconf\\uninstall.exe\" /S"' <<<"$entry"

run "$windows_dir\\bin\\ortenctl.exe" --version; rc=$?
check "installed ortenctl.exe --version" grep -qx "ortenctl [0-9.]*" <<<"$out" || echo "$out"
run "$windows_dir\\bin\\ortenctl.exe" --simulate mro info; rc=$?
check "installed ortenctl.exe info on the simulated relay module" test $rc -eq 0 || echo "$out"
check "it names the device" grep -q '^Тип прибора: ' <<<"$out"
check "its data in the user's folder" test -d "$data/Base" -a -d "$data/ReleCfg" -a -d "$data/Reg_RPU"
rm -rf "$data"

# The real platform where there is a display, as on a desktop.
[ -n "${DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen
ORTEN_EXIT_ON_SHOW=1 run "$windows_dir\\bin\\ortenconf.exe" --simulate mro; rc=$?
check "installed ortenconf.exe opens its window" grep -q '^shown [0-9]' <<<"$out" || echo "$out"
check "and ends with 0" test $rc -eq 0
check "its data in the user's folder too" test -d "$data/Base"
check "nothing written beside the programs" \
  test -z "$(find "$dir" \( -name Base -o -name Reg_RPU -o -name ReleCfg \) -print)"
rm -rf "$data"

# The Start menu's way into a hidden data folder: made, opened, and the program ends.
if [ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null; then
  # Not through a pipe: the file manager it starts would hold it open.
  "$wine_run" "$windows_dir\\bin\\ortenconf.exe" --open-folder Reg_RPU >"$work/open.log" 2>&1; rc=$?
  check "ortenconf.exe --open-folder Reg_RPU ends with 0" test $rc -eq 0 || cat "$work/open.log"
  check "having made the user's Reg_RPU" test -d "$data/Reg_RPU"
  # The file manager's window it opened, on this display: closed again, as
  # a user would, so that it covers nothing later.
  viewer=
  for _ in $(seq 40); do
    viewer=$(xdotool search --onlyvisible --name 'Reg_RPU' 2>/dev/null | head -1)
    [ -n "$viewer" ] && break
    sleep 0.5
  done
  check "a file manager shows the folder" test -n "$viewer"
  if [ -n "$viewer" ]; then
    xdotool key --window "$viewer" alt+F4 2>/dev/null
    for _ in $(seq 20); do
      xdotool search --onlyvisible --name 'Reg_RPU' >/dev/null 2>&1 || break
      sleep 0.5
    done
    check "and closes again" test -z "$(xdotool search --onlyvisible --name 'Reg_RPU' 2>/dev/null)"
  fi
fi

# With the window open, its file is held: neither installer nor uninstaller
# may leave the installation half replaced or half removed.
rm -rf "$data"
"$wine_run" "$windows_dir\\bin\\ortenconf.exe" --simulate mro >/dev/null 2>&1 &
window=$!
for _ in $(seq 60); do [ -d "$data/Base" ] && break; sleep 0.5; done
run "$(printf 'Z:%s' "${setup//\//\\}")" /S; rc=$?
check "installer with the window open: refused with 2" test $rc -eq 2 || echo "$out"
uninstall_in_place; rc=$?
check "uninstaller with the window open: refused with 2" test $rc -eq 2 || echo "$out"
for file in bin/ortenconf.exe bin/ortenctl.exe share/ortenconf/guide/index.html uninstall.exe; do
  check "and $file is still there" test -f "$dir/$file"
done
check "and so are its Start-menu entry" test -f "$menu/$name.lnk"
check "and its Apps and features entry" grep -qxF "\"DisplayName\"=\"$name\"" <<<"$(registered)"
kill "$window" 2>/dev/null
wait "$window" 2>/dev/null
window=

run "$windows_dir\\uninstall.exe" /S; rc=$?
check "uninstaller exits 0" test $rc -eq 0 || echo "$out"
check "the program's folder is gone" gone "$dir"
check "the Start-menu folder is gone" gone "$menu"
check "the desktop shortcut is gone" gone "$desktop/$name.lnk"
check "the Apps and features entry is gone" test -z "$(registered)"
check "the user's data stays" test -d "$data/Base"
rm -rf "$data"
exit $fail
