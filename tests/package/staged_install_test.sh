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
         usr/lib/udev/rules.d/70-ortenconf.rules; do
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

# The manual pages render, each with its synopsis and exit status.
for page in ortenconf ortenctl; do
  text=$(man -l "$stage/usr/share/man/man1/$page.1.gz" 2>/dev/null)
  grep -A1 '^СИНТАКСИС' <<<"$text" | grep -Eq "^ +$page \[параметры\]" &&
    grep -q '^КОДЫ ЗАВЕРШЕНИЯ' <<<"$text" || fail "man page of $page"
done
echo "staged install: OK"
