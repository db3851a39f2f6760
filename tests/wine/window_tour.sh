#!/usr/bin/env bash
# The real ortenconf.exe under wine on a display, clicked as a user would on
# the simulated relay module (through the test driver where the tests have
# put it in the prefix): it connects ("Установить"), opens the relay
# page ("Выполнить"), binds relay 1 to partition 9, writes the settings to
# the device and opens the user guide. ortenctl.exe then reads the device's
# saved state back, so what reached the device is checked, not assumed. The
# pictures taken on the way are the user guide's pictures of the Windows
# window (scripts/take-windows-screenshots.sh): under a window manager
# (openbox, when installed), in a font that has every character the window
# shows, and never with a box over the form. Started with no console, a usage error
# shows a box and still ends with code 2.
# $1 runs a Windows program, $2 is ortenconf.exe, $3 ortenctl.exe, $4 the
# folder for the pictures.
# Exit 77 (skipped) without a display, xdotool or ImageMagick.
set -u
export LC_ALL=C.UTF-8
wine_run=$1
exe=$2
ctl=$3
out=$4
if [ -z "${DISPLAY:-}" ] || ! command -v xdotool >/dev/null || [ ! -x /usr/bin/import ]; then
  echo "skipped: the tour needs a display, xdotool and ImageMagick"
  exit 77
fi
mkdir -p "$out"
work=$(mktemp -d)
pid=
# With the test driver in the prefix (ORTEN_SIM_DIR, as the tests set it),
# the module is plugged in through it and the window finds it as a user's
# would; otherwise it is the window's own simulation.
device=
[ -n "${ORTEN_SIM_DIR:-}" ] && device="$(dirname "$0")/device.sh"
manager=
fonts_changed=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$device" ] && "$device" unplug all >/dev/null 2>&1
  [ -n "$manager" ] && kill "$manager" 2>/dev/null
  [ -n "$fonts_changed" ] && restore_fonts
  rm -rf "$work"
}
trap cleanup EXIT
windows() { printf 'Z:%s' "${1//\//\\}"; }
title='Программа настройки РПУ Ортен-ДЕЗ'
fail=0
check() {  # description, condition...
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; fail=1; fi
}

# The controls, in the window's coordinates (800 x 600, DejaVu Sans as below).
connect=(720 158) execute=(57 223) partition9=(240 108) device_write=(720 250) help=(720 461)
status_bar=(200 590)

# xdotool's complaints about the focus of a display without a window manager
# are noise.
xdo() { xdotool "$@" 2>/dev/null; }
visible() { xdo search --onlyvisible --name "$1"; }
# Of the windows a search found, the widest: a window manager's wine may show
# more than one window by the name.
widest() {
  local id best= most=0 X Y WIDTH HEIGHT WINDOW SCREEN
  while read -r id; do
    WIDTH=0
    eval "$(xdo getwindowgeometry --shell "$id")"
    [ "$WIDTH" -gt "$most" ] && most=$WIDTH && best=$id
  done
  echo "$best"
}
# Waits up to a minute for a condition; on time-out keeps a picture of the screen.
wait_for() {  # description, condition...
  local what=$1; shift
  for _ in $(seq 120); do "$@" && return 0; sleep 0.5; done
  echo "FAIL timed out waiting for $what"
  /usr/bin/import -window root "$out/failure.png"
  exit 1
}
# Until two looks at the screen half a second apart are the same: the window
# has finished drawing what the last click changed.
settle() {
  local before now
  before=$(/usr/bin/import -window root rgb:- 2>/dev/null | md5sum)
  for _ in $(seq 40); do
    sleep 0.5
    now=$(/usr/bin/import -window root rgb:- 2>/dev/null | md5sum)
    [ "$now" = "$before" ] && return 0
    before=$now
  done
}
click() { xdo mousemove --window "$main" "$1" "$2" click 1; }
# A window's picture with the frame the window manager gave it, in 256
# colours: small, and a window has few.
shot() {  # window, file
  /usr/bin/import -window "$1" -frame +dither -colors 256 "PNG8:$2"
}
second_window() {  # a box: a window of the program's title besides the main one
  box=$(visible "^$title\$" | grep -vx "$main" | head -1)
  [ -n "$box" ]
}

# Wine's Tahoma, the face Qt takes from the system's message font, draws
# "№" of "Реле №1" wrong, and "MS Sans Serif" (the notifications' face) has
# nothing behind it here. For the tour DejaVu Sans stands in for both, as a
# font with every character does on Windows; the prefix is restored after.
metrics='HKCU\Control Panel\Desktop\WindowMetrics'
replacements='HKCU\Software\Wine\Fonts\Replacements'
dejavu_8pt=f4ffffff000000000000000000000000900100000000000100000000440065006a006100560075002000530061006e007300000000000000000000000000000000000000000000000000000000000000000000000000000000000000
restore_fonts() {
  "$wine_run" reg delete "$metrics" /v MessageFont /f >/dev/null 2>&1
  "$wine_run" reg delete "$replacements" /v 'MS Sans Serif' /f >/dev/null 2>&1
  for saved in metrics replacements; do
    [ -s "$work/$saved.reg" ] && "$wine_run" reg import "$(windows "$work/$saved.reg")" >/dev/null 2>&1
  done
}
"$wine_run" reg export "$metrics" "$(windows "$work/metrics.reg")" /y >/dev/null 2>&1
"$wine_run" reg export "$replacements" "$(windows "$work/replacements.reg")" /y >/dev/null 2>&1
fonts_changed=1
"$wine_run" reg add "$metrics" /v MessageFont /t REG_BINARY /d "$dejavu_8pt" /f >/dev/null 2>&1
"$wine_run" reg add "$replacements" /v 'MS Sans Serif' /d 'DejaVu Sans' /f >/dev/null 2>&1

# A window manager, as on a desktop: boxes are placed and framed by it.
if command -v openbox >/dev/null; then
  openbox --sm-disable >/dev/null 2>&1 &
  manager=$!
  sleep 1
else
  echo "note: no openbox, so the pictures have no title bars"
fi

mkdir -p "$work/data/Base"
# A firmware file of the module's own version: nothing newer to offer.
{ printf '\x55\x55\x12\x2d'; head -c 1030 /dev/zero; } >"$work/data/Base/MRO_45"
if [ -n "$device" ]; then
  "$device" plug mro --sim-state "$work/state" >/dev/null || exit 1
  link=()
else
  link=(--simulate mro --sim-state "$(windows "$work/state")")
fi
"$wine_run" "$exe" "${link[@]}" --data-dir "$(windows "$work/data")" \
  --trace "$(windows "$work/trace")" >"$work/log" 2>&1 &
pid=$!
wait_for "the window" eval 'main=$(visible "^$title\$" | head -1); [ -n "$main" ]'
settle

click "${connect[@]}"
wait_for "the device's answer to connect" grep -q '^R ' "$work/trace"
settle
shot "$main" "$out/windows-connected.png"

click "${execute[@]}"
settle
click "${partition9[@]}"
settle
click "${device_write[@]}"
wait_for "the box after the write" second_window
settle
shot "$box" "$out/check-write-box.png"
xdo key --window "$box" Return
wait_for "the box to close" eval '! second_window'
settle
# The form as the user then sees it: the status line keeps the box's words.
shot "$main" "$out/windows-relay.png"
# The guide's pictures are taken. Under openbox wine now and then hides the
# help window as it opens; the rest of the tour goes on without a manager.
if [ -n "$manager" ]; then
  kill "$manager" 2>/dev/null
  wait "$manager" 2>/dev/null
  manager=
  settle
fi

click "${help[@]}"
wait_for "the user guide" eval 'guide=$(visible "^Справка" | widest); [ -n "$guide" ]'
xdo windowraise "$guide"
settle
# The whole screen: wine may have remade the guide's window by now.
/usr/bin/import -window root +dither -colors 256 "PNG8:$out/check-help.png"
wait_for "the user guide again" eval 'guide=$(visible "^Справка" | widest); [ -n "$guide" ]'
eval "$(xdo getwindowgeometry --shell "$guide")"
xdo mousemove --window "$guide" $((WIDTH - 57)) $((HEIGHT - 23)) click 1  # "Закрыть"
wait_for "the guide to close" eval '[ -z "$(visible "^Справка")" ]'

# Alt+F4 as the keyboard gives it, to the window under the pointer.
click "${status_bar[@]}"
xdo key alt+F4
wait_for "the program to end" eval '! kill -0 $pid 2>/dev/null'
wait "$pid"; rc=$?
pid=
check "ortenconf.exe ends with 0" test $rc -eq 0 || cat "$work/log"
# Pulled out, the module's state file is free to be read.
[ -z "$device" ] || "$device" unplug all >/dev/null
check "the settings went to the device: four 64-byte writes" \
  test "$(grep -Ec '^W [0-9a-f]{128}$' "$work/trace")" -eq 4
settings=$("$wine_run" "$ctl" --sim-state "$(windows "$work/state")" \
  --data-dir "$(windows "$work/data")" settings read 2>&1 | tr -d '\r')
check "the device holds relay 1's binding to partition 9" \
  grep -Eq '^Привязки к разделам +1-9 ' <<<"$settings" || echo "$settings"
check "and its mode, Специальный" grep -Eq '^Режим работы +Специальный ' <<<"$settings"
for picture in windows-connected windows-relay check-write-box check-help; do
  check "picture $picture.png" test -s "$out/$picture.png"
done

# Without a console, as from Explorer: the usage error in a box, code 2 all the same.
"$wine_run" start /wait "$(windows "$exe")" --bogus >"$work/start" 2>&1 &
starter=$!
wait_for "the box of the usage error" eval 'box=$(visible "^$title\$" | head -1); [ -n "$box" ]'
settle
shot "$box" "$out/check-usage-box.png"
# Its OK button, clicked: the keyboard's focus may still be where the window
# manager left it.
eval "$(xdo getwindowgeometry --shell "$box")"
xdo mousemove --window "$box" $((WIDTH / 2)) $((HEIGHT - 23)) click 1
wait_for "the usage box to close" eval '! kill -0 $starter 2>/dev/null'
wait "$starter"; rc=$?
check "a usage error without a console ends with 2" test $rc -eq 2
exit $fail
