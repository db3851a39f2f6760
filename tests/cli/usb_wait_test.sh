#!/usr/bin/env bash
# ortenctl usb (remembered IDs and their precedence) and wait, on a machine
# with no receiver attached and on the simulated device.
source "$(dirname "$0")/common.sh"
export XDG_CONFIG_HOME="$work/config"
unset ORTEN_USB_ID
conf="$XDG_CONFIG_HOME/ortenconf/usb.conf"

"$ctl" --data-dir "$work/data" info >/dev/null 2>"$work/err"; rc=$?
check "no IDs: info exits 4" test $rc -eq 4
check "no IDs: the usual message first" test "$(head -n 1 "$work/err")" = 'Внимание! (ошибка): Приборы марки Ортен отключены от линии USB!'
check "no IDs: names the command that finds the device" grep -q '«ortenctl usb»' "$work/err"
check "no IDs: names the command that remembers it" grep -q 'ortenctl usb --remember VID:PID' "$work/err"

out=$("$ctl" usb --remember 1234:ABCD,0483:5740); rc=$?
check "remember exits 0" test $rc -eq 0
check "remember names the file" grep -qF "$conf" <<<"$out"
check "remembered file holds the IDs" grep -qx 'usb-id = 1234:abcd,0483:5740' "$conf"
check "no temporary file left" test -z "$(ls -A "$XDG_CONFIG_HOME/ortenconf" | grep -v '^usb.conf$')"
# Only what the next start can read back (a file of 4 KiB at most): 398 IDs fit, 399 not.
ids() { seq 1 "$1" | awk '{ printf "%s0001:%04x", (NR > 1 ? "," : ""), $1 }'; }
"$ctl" usb --remember "$(ids 399)" >/dev/null 2>"$work/err"; rc=$?
check "399 IDs: refused with exit 3" test $rc -eq 3
check "399 IDs: says how many fit" grep -qx 'ortenctl: слишком много идентификаторов (399): запомнить можно не больше 398' "$work/err"
check "399 IDs: the file remembered before is kept" grep -qx 'usb-id = 1234:abcd,0483:5740' "$conf"
"$ctl" usb --remember "$(ids 398)" >/dev/null 2>&1; rc=$?
check "398 IDs: remembered" test $rc -eq 0
check "398 IDs: read back" test "$("$ctl" usb 2>/dev/null | grep -c '0001:018e')" -eq 1
"$ctl" usb --remember 1234:ABCD,0483:5740 >/dev/null

"$ctl" --data-dir "$work/data" info >/dev/null 2>"$work/err"; rc=$?
check "remembered IDs: nothing plugged in exits 4" test $rc -eq 4
check "remembered IDs: no reason box" test "$(wc -l <"$work/err")" -eq 1

out=$("$ctl" usb 2>/dev/null)
check "usb shows the remembered IDs" grep -q '^Идентификаторы прибора: 1234:abcd 0483:5740 (запомнены в ' <<<"$out"
out=$(ORTEN_USB_ID=1111:2222 "$ctl" usb 2>/dev/null)
check "ORTEN_USB_ID wins over remembered" grep -q '^Идентификаторы прибора: 1111:2222 (из ORTEN_USB_ID)' <<<"$out"
out=$(ORTEN_USB_ID=1111:2222 "$ctl" usb --usb-id 3333:4444 2>/dev/null)
check "--usb-id wins over both" grep -q '^Идентификаторы прибора: 3333:4444 (из --usb-id)' <<<"$out"

printf 'usb-id = 1234:abcd\nmode = \033[2Jfast\n' >"$conf"
"$ctl" --data-dir "$work/data" info >/dev/null 2>"$work/err"; rc=$?
check "malformed file: info exits 4, as with no IDs" test $rc -eq 4
check "malformed file: the usual message first" test "$(head -n 1 "$work/err")" = 'Внимание! (ошибка): Приборы марки Ортен отключены от линии USB!'
check "malformed file: the reason names file and line" grep -qF "$conf, строка 2" "$work/err"
check "malformed file: its text escaped" grep -qF '«mode = \x1b[2Jfast»' "$work/err"
check "malformed file: nothing raw shown" test "$(tr -d '\033' <"$work/err")" = "$(cat "$work/err")"
# What works on files alone never reads the file.
"$ctl" --data-dir "$work/data" settings defaults -o "$work/f.cfg" >/dev/null 2>&1; rc=$?
check "malformed file: settings defaults exits 0" test $rc -eq 0
seq 1792 | sed 's/.*/0\r/' >"$work/DEZ_RPU_1_010125_object_1_conf_0.rrg"
{ printf '\x55\x55\x12\x78'; head -c 1030 /dev/zero; } >"$work/data/Base/RPU_120"
while read -r args; do
  # shellcheck disable=SC2086
  "$ctl" --data-dir "$work/data" $args >/dev/null 2>&1; rc=$?
  check "malformed file: $args exits 0" test $rc -eq 0
done <<EOF2
settings show $work/f.cfg
settings diff $work/f.cfg $work/f.cfg
backup info $work/DEZ_RPU_1_010125_object_1_conf_0.rrg
firmware check RPU_120
firmware list --family rpu
EOF2
"$ctl" --data-dir "$work/data" info --usb-id 1:1 >/dev/null 2>&1; rc=$?
check "malformed file unused under --usb-id" test $rc -eq 4
"$ctl" usb >/dev/null 2>&1; rc=$?
check "malformed file: usb lists and exits 3" test $rc -eq 3
"$ctl" usb --forget >/dev/null; rc=$?
check "forget exits 0 and removes the file" test $rc -eq 0 -a ! -e "$conf"

# Only absolute folders count (the XDG rules); without HOME nothing is written.
(cd "$work" && XDG_CONFIG_HOME=rel HOME="$work/home" "$ctl" usb --remember 1:1 >/dev/null 2>&1); rc=$?
check "relative XDG_CONFIG_HOME ignored" test $rc -eq 0 -a -e "$work/home/.config/ortenconf/usb.conf" -a ! -e "$work/rel"
err=$(cd "$work" && env -u HOME -u XDG_CONFIG_HOME "$ctl" usb --remember 1:1 2>&1 >/dev/null); rc=$?
check "no HOME: remember refused with exit 3" test $rc -eq 3
check "no HOME: says why" grep -q 'переменная HOME не задана' <<<"$err"
check "no HOME: nothing written here" test ! -e "$work/.config"

out=$("$ctl" usb --udev-rule --usb-id 04D8:000a); rc=$?
check "udev rule for the IDs in force" grep -qx 'SUBSYSTEM=="usb", ATTR{idVendor}=="04d8", ATTR{idProduct}=="000a", TAG+="uaccess"' <<<"$out"
out=$("$ctl" usb --udev-rule); rc=$?
check "udev rule without IDs is all comments" test $rc -eq 0 -a -z "$(grep -v '^#' <<<"$out")"

# Installing the rule: as root (these tests run as root) it is written under
# ORTEN_INSTALL_ROOT and udevadm, a stand-in in that root's system folder,
# replays the device's event. The one on PATH is never run as root.
root="$work/root"; bin="$work/bin"; mkdir -p "$bin" "$root/usr/bin"
printf '#!/bin/sh\necho "udevadm $*" >>"%s/udevadm.log"\n' "$work" >"$root/usr/bin/udevadm"
printf '#!/bin/sh\necho "PATH udevadm $*" >>"%s/udevadm.log"\n' "$work" >"$bin/udevadm"
chmod +x "$root/usr/bin/udevadm" "$bin/udevadm"
rule="$root/etc/udev/rules.d/70-ortenconf.rules"
line_04d8='SUBSYSTEM=="usb", ATTR{idVendor}=="04d8", ATTR{idProduct}=="000a", TAG+="uaccess"'
line_16c0='SUBSYSTEM=="usb", ATTR{idVendor}=="16c0", ATTR{idProduct}=="05dc", TAG+="uaccess"'
install_rule() { ORTEN_INSTALL_ROOT="$root" PATH="$bin:$PATH" "$ctl" usb --install-rule "$1"; }
if [ "$(id -u)" = 0 ]; then
  out=$(install_rule 04D8:000A); rc=$?
  check "install-rule as root exits 0" test $rc -eq 0
  check "install-rule says where" grep -qF "$rule" <<<"$out"
  check "install-rule writes the one rule" test "$(grep -v '^#' "$rule")" = "$line_04d8"
  check "install-rule reloads, then replays that device" test "$(cat "$work/udevadm.log")" = "udevadm control --reload
udevadm trigger --action=change --subsystem-match=usb --attr-match=idVendor=04d8 --attr-match=idProduct=000a"
  # A second device's rule joins the first; the administrator's lines stay.
  echo '# kept by the administrator' >>"$rule"
  install_rule 16c0:05dc >/dev/null; rc=$?
  install_rule 04d8:000a >/dev/null; rc2=$?
  check "install-rule for a second device keeps every other line" test $rc -eq 0 -a $rc2 -eq 0 \
    -a "$(grep -v '^# [^k]' "$rule")" = "$line_04d8
# kept by the administrator
$line_16c0"
  # A link at the rule's path is not written through.
  mv "$rule" "$work/elsewhere.rules"; ln -s "$work/elsewhere.rules" "$rule"
  err=$(install_rule 1234:5678 2>&1 >/dev/null); rc=$?
  check "install-rule refuses a link at the path (exit 3)" test $rc -eq 3 -a -L "$rule"
  check "install-rule refusing a link says so" grep -q 'символическая ссылка' <<<"$err"
  check "install-rule leaves the link's file alone" test -z "$(grep 1234 "$work/elsewhere.rules")"
  check "udevadm on PATH never ran" test -z "$(grep '^PATH' "$work/udevadm.log")"
fi
for bad in '4d8:a' '04d8:000a,1234:5678' '04d8:000a;x' "\$(touch $work/pwned):0000"; do
  rm -f "$work/udevadm.log"
  ORTEN_INSTALL_ROOT="$root-bad" PATH="$bin:$PATH" "$ctl" usb --install-rule "$bad" >/dev/null 2>&1; rc=$?
  check "install-rule refuses '$bad' (exit 2, nothing run)" test $rc -eq 2 -a ! -e "$root-bad" -a ! -e "$work/udevadm.log" -a ! -e "$work/pwned"
done
"$ctl" usb --install-rule 04d8:000a --udev-rule >/dev/null 2>&1; rc=$?
check "install-rule with --udev-rule is a usage error" test $rc -eq 2

"$ctl" usb --remember 12345:1 >/dev/null 2>&1; rc=$?
check "bad ID to remember is a usage error" test $rc -eq 2 -a ! -e "$conf"
"$ctl" usb --remember 1:1 --forget >/dev/null 2>&1; rc=$?
check "remember and forget together is a usage error" test $rc -eq 2

"$ctl" wait --timeout 0.2 >/dev/null 2>"$work/err"; rc=$?
check "wait without IDs is a usage error" test $rc -eq 2
check "wait without IDs says how to set them" grep -q 'ortenctl usb --remember' "$work/err"
"$ctl" wait --usb-id 0000:0001 --timeout 0.3 >/dev/null 2>&1; rc=$?
check "wait for an absent device times out with 4" test $rc -eq 4
out=$("$ctl" wait --gone --usb-id 0000:0001 --timeout 1); rc=$?
check "wait --gone for an absent device ends at once" test $rc -eq 0

out=$(run --simulate mro wait --timeout 1); rc=$?
check "simulated device: wait ends at once" test $rc -eq 0
check "simulated device: wait says so" grep -qx 'Прибор на линии USB.' <<<"$out"
run wait --gone --timeout 1 >/dev/null 2>"$work/err"; rc=$?
check "simulated device never goes: --gone times out with 4" test $rc -eq 4
run wait --gone >/dev/null 2>&1; rc=$?
check "simulated device: endless --gone is refused" test $rc -eq 2
"$ctl" wait --timeout soon >/dev/null 2>&1; rc=$?
check "bad --timeout is a usage error" test $rc -eq 2

help=$("$ctl" --help)
for word in 'usb \[--all\]' 'usb --remember VID:PID' 'usb --forget' 'usb --install-rule VVVV:PPPP' 'wait \[--gone\] \[--timeout SECONDS\]'; do
  check "help lists $word" grep -q "$word" <<<"$help"
done

exit $fail
