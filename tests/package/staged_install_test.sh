#!/usr/bin/env bash
# The installed layout, staged into a temporary folder (nothing is installed
# on this machine): the programs find their data in the user's folder, the
# desktop entry starts the window, and the files the package ships are there.
# Usage: staged_install_test.sh BUILD_DIR
set -euo pipefail
build=$(realpath "${1:?build folder}")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
stage=$tmp/stage
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
bin=$stage/usr/bin

for f in usr/bin/ortenconf usr/bin/ortenctl \
         usr/share/applications/ortenconf.desktop \
         usr/share/icons/hicolor/scalable/apps/ortenconf.svg \
         usr/share/ortenconf/guide/index.html usr/share/ortenconf/guide/images/relay.png \
         usr/share/ortenconf/examples/MRO_46-SIMULATOR-ONLY.bin \
         usr/share/ortenconf/examples/three-modules.line \
         usr/share/man/man1/ortenconf.1.gz usr/share/man/man1/ortenctl.1.gz \
         usr/share/doc/ortenconf/copyright usr/share/doc/ortenconf/changelog.gz \
         usr/lib/udev/rules.d/70-ortenconf-package.rules; do
  [ -f "$stage/$f" ] || fail "$f is not installed"
done
# Every picture the guide shows is shipped with it.
for img in $(grep -o 'src="[^"]*"' "$stage/usr/share/ortenconf/guide/index.html" | cut -d'"' -f2); do
  [ -f "$stage/usr/share/ortenconf/guide/$img" ] || fail "guide picture $img is missing"
done

# A fresh user: the data folders appear in the XDG data home, never beside
# the program (which root could write to).
expect_folders() {  # FOLDER WHAT
  for d in Base Reg_RPU ReleCfg; do
    [ -d "$1/$d" ] || fail "$2: $1/$d was not created"
  done
}
home=$tmp/home1
mkdir -p "$home"
env -u XDG_DATA_HOME HOME="$home" "$bin/ortenctl" firmware list --family mro >/dev/null 2>>"$tmp/messages"
expect_folders "$home/.local/share/ortenconf" "ortenctl"
[ ! -e "$bin/Base" ] || fail "ortenctl made its folders beside itself"
env HOME="$home" XDG_DATA_HOME="$tmp/xdg" "$bin/ortenctl" firmware list --family mro >/dev/null 2>>"$tmp/messages"
expect_folders "$tmp/xdg/ortenconf" "ortenctl with XDG_DATA_HOME"
env -u XDG_DATA_HOME HOME="$home" "$bin/ortenctl" --data-dir "$tmp/given" firmware list --family mro >/dev/null 2>>"$tmp/messages"
expect_folders "$tmp/given" "ortenctl --data-dir"
# Without HOME there is no user's folder: said, and nothing made where the
# program was started (a relative folder would be that).
mkdir -p "$tmp/cwd"
for run in "ortenctl firmware list --family mro|3" "ortenconf --simulate mro|1"; do
  program=${run%% *} want=${run##*|} args=${run%|*}
  rc=0
  # shellcheck disable=SC2086
  (cd "$tmp/cwd" && env -u HOME -u XDG_DATA_HOME QT_QPA_PLATFORM=offscreen \
    timeout 3 "$bin/"$args >/dev/null 2>"$tmp/nohome") || rc=$?
  [ "$rc" -eq "$want" ] || fail "$program without HOME ended with $rc"
  grep -q 'переменная HOME не задана' "$tmp/nohome" || fail "$program without HOME does not say why"
  [ -z "$(ls -A "$tmp/cwd")" ] || fail "$program without HOME made $(ls -A "$tmp/cwd") where it started"
done

# The desktop entry: valid, and its command is the staged window program,
# which starts (and keeps running until stopped) with a fresh user too.
entry=$stage/usr/share/applications/ortenconf.desktop
desktop-file-validate "$entry"
exec_cmd=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
[ -x "$bin/$exec_cmd" ] || fail "Exec=$exec_cmd is not in /usr/bin"
"$bin/$exec_cmd" --version | grep -q '^ortenconf ' || fail "$exec_cmd --version"
home=$tmp/home2
mkdir -p "$home"
rc=0
env -u XDG_DATA_HOME HOME="$home" QT_QPA_PLATFORM=offscreen \
  timeout 3 "$bin/$exec_cmd" --simulate mro >/dev/null 2>&1 || rc=$?
[ "$rc" -eq 124 ] || fail "$exec_cmd ended on its own with code $rc"
expect_folders "$home/.local/share/ortenconf" "$exec_cmd"
[ ! -e "$bin/Base" ] || fail "ortenconf made its folders beside itself"

# The package's udev rule is a file of its own: the machine's rule file in
# /etc, to which install-rule adds a device's line, never hides it.
[ ! -e "$stage/usr/lib/udev/rules.d/70-ortenconf.rules" ] || fail "the packaged rule has the name of /etc's"
if [ "$(id -u)" = 0 ]; then
  packaged=$(cat "$stage/usr/lib/udev/rules.d/70-ortenconf-package.rules")
  mkdir -p "$stage/usr/sbin"
  printf '#!/bin/sh\nexit 0\n' >"$stage/usr/sbin/udevadm"; chmod +x "$stage/usr/sbin/udevadm"
  for id in 04d8:000a 16c0:05dc 04d8:000a; do
    ORTEN_INSTALL_ROOT="$stage" "$bin/ortenctl" usb --install-rule "$id" >/dev/null || fail "install-rule $id"
  done
  [ "$(grep -v '^#' "$stage/etc/udev/rules.d/70-ortenconf.rules")" = 'SUBSYSTEM=="usb", ATTR{idVendor}=="04d8", ATTR{idProduct}=="000a", TAG+="uaccess"
SUBSYSTEM=="usb", ATTR{idVendor}=="16c0", ATTR{idProduct}=="05dc", TAG+="uaccess"' ] ||
    fail "install-rule: one line per device in /etc"
  [ "$(cat "$stage/usr/lib/udev/rules.d/70-ortenconf-package.rules")" = "$packaged" ] ||
    fail "install-rule changed the package's rule"
fi

# The manual pages render, each with its synopsis and exit status.
for page in ortenconf ortenctl; do
  text=$(man -l "$stage/usr/share/man/man1/$page.1.gz" 2>/dev/null)
  grep -A1 '^СИНТАКСИС' <<<"$text" | grep -Eq "^ +$page \[параметры\]" &&
    grep -q '^КОДЫ ЗАВЕРШЕНИЯ' <<<"$text" || fail "man page of $page"
done
echo "staged install: OK"
