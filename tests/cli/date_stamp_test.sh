#!/usr/bin/env bash
# The date stamp of backup names is the same from ortenctl ($1) and from the
# window (the GUI test binary $2, which creates a backup and reports the
# proposed name) under several locales, and is today's dd.MM.yyyy -> ddMMyy.
source "$(dirname "$0")/common.sh"
gui=$(realpath "$2")
today="_$(date +%d%m%y)_"

has_locale() {  # C is always there; others as `locale -a` spells them
  [ "$1" = C ] || locale -a 2>/dev/null | grep -qix "$(sed 's/UTF-8$/utf8/I' <<<"$1")"
}
stamp_of() { sed -nE 's/.*DEZ_RPU_3(_[^_]*_)object_125_conf_[0-9]+.*/\1/p' | head -n 1; }

checked=0
for loc in C en_US.UTF-8 ru_RU.UTF-8; do
  if ! has_locale "$loc"; then
    echo "skip $loc: locale not installed (localedef -i ${loc%.*} -f UTF-8 $loc)"
    continue
  fi
  mkdir -p "$work/$loc"
  LANG=$loc LC_ALL=$loc "$ctl" --data-dir "$work/$loc" --simulate rpu \
    backup read --mode rpu --module 3 --object 125 >/dev/null 2>&1
  ctl_stamp=$(ls "$work/$loc/Reg_RPU" | stamp_of)
  gui_out=$(LANG=$loc LC_ALL=$loc QT_QPA_PLATFORM=offscreen "$gui" \
    defaultNameCarriesTodaysRussianDate 2>&1); rc=$?
  gui_stamp=$(stamp_of <<<"$gui_out")
  check "$loc: window test passes" test $rc -eq 0
  check "$loc: ortenctl stamps today ($ctl_stamp)" test "$ctl_stamp" = "$today"
  check "$loc: the window's stamp is ortenctl's ($gui_stamp)" test "$gui_stamp" = "$ctl_stamp"
  checked=$((checked + 1))
done
check "at least one locale checked" test $checked -gt 0
exit $fail
