#!/usr/bin/env bash
# Builds a static Qt for 64-bit Windows (MinGW-w64) from Debian's own qt6-base
# source, once, and prints the folder it is installed in. The build is cached
# outside the checkout, keyed by the Qt version and the configure options, so
# a second run (or another clone) finds it and does nothing.
#
#   scripts/windows-qt.sh          build if missing, print the install folder
#   scripts/windows-qt.sh --path   only print where it is or would be
#
# The cache's root is $ORTEN_QT_CACHE, else ${XDG_CACHE_HOME:-~/.cache}/ortenconf.
# The system's apt sources stay untouched: the source is fetched through a
# private sources list and lists folder.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"

qt_version=6.4.2
debian_suite=bookworm
configure_options=(
  -release -static -xplatform win32-g++ -qt-host-path /usr
  -nomake examples -nomake tests -no-opengl -no-dbus
  -no-feature-sql -no-feature-network -no-feature-printsupport -no-feature-concurrent
  -qt-zlib -qt-libpng -qt-libjpeg -qt-pcre -qt-harfbuzz -qt-freetype -no-icu
  # Debian's source drops wintab.h, which the windows plugin needs for tablets.
  -no-feature-tabletevent
)
toolchain="$here/cmake/mingw-w64-x86_64.cmake"

# shellcheck source=cache-entry.sh
source "$here/scripts/cache-entry.sh"
cache_entry qt "$qt_version" "${1:-}" "${configure_options[@]}"

log() { printf 'windows-qt: %s\n' "$*" >&2; }

# The host tools (moc, uic, rcc) come from the system's Qt of the same version.
host_version=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null || true)
case "$host_version" in
  "$qt_version"*) ;;
  *) log "the host Qt is '$host_version', not $qt_version: run scripts/install-deps.sh"; exit 1 ;;
esac
for tool in x86_64-w64-mingw32-g++-posix ninja cmake dpkg-source; do
  command -v "$tool" >/dev/null || { log "$tool is missing: run scripts/install-deps.sh"; exit 1; }
done

log "fetching Debian's qt6-base $qt_version source"
debian_source qt6-base "$qt_version" "$work/src/qtbase"

log "configuring ($(nproc) cores; about 35 minutes on two)"
mkdir -p "$work/build"
cd "$work/build"
"$work/src/qtbase/configure" -prefix "$prefix" "${configure_options[@]}" -- \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -G Ninja >configure.log 2>&1 ||
  { tail -40 configure.log >&2; exit 1; }
log "building"
cmake --build . --parallel 2 >build.log 2>&1 || { tail -60 build.log >&2; exit 1; }
# Only a finished install gets the mark a later run looks for.
rm -rf "$prefix"
cmake --install . >install.log 2>&1 || { tail -40 install.log >&2; exit 1; }
touch "$prefix/.complete"
log "installed in $prefix"
echo "$prefix"
