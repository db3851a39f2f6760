#!/usr/bin/env bash
# Builds libxlsxwriter (ortenctl journal --excel) as a static library for
# 64-bit Windows (MinGW-w64) from Debian's own source, once, and prints the
# folder it is installed in. Like scripts/windows-qt.sh, the build is cached
# outside the checkout, keyed by the version and the options; zlib comes
# from Debian's libz-mingw-w64-dev, linked statically into the programs.
#
#   scripts/windows-xlsxwriter.sh          build if missing (about a minute), print the folder
#   scripts/windows-xlsxwriter.sh --path   only print where it is or would be
#
# The cache's root is $ORTEN_QT_CACHE, else ${XDG_CACHE_HOME:-~/.cache}/ortenconf.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"

version=1.1.4
debian_suite=bookworm
cmake_options=(
  -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF
  -DUSE_SYSTEM_MINIZIP=OFF    # its own copy of minizip, built in
  -DUSE_DTOA_LIBRARY=ON       # numbers written the same in every locale
  -DCMAKE_BUILD_TYPE=Release
)
toolchain="$here/cmake/mingw-w64-x86_64.cmake"

# shellcheck source=cache-entry.sh
source "$here/scripts/cache-entry.sh"
cache_entry xlsxwriter "$version" "${1:-}" "${cmake_options[@]}"

log() { printf 'windows-xlsxwriter: %s\n' "$*" >&2; }
for tool in x86_64-w64-mingw32-gcc-posix cmake ninja dpkg-source; do
  command -v "$tool" >/dev/null || { log "$tool is missing: run scripts/install-deps.sh"; exit 1; }
done
[ -f /usr/x86_64-w64-mingw32/include/zlib.h ] ||
  { log "zlib for MinGW is missing (libz-mingw-w64-dev): run scripts/install-deps.sh"; exit 1; }

log "fetching Debian's libxlsxwriter $version source"
debian_source libxlsxwriter "$version" "$work/src/libxlsxwriter"

log "building"
cmake -S "$work/src/libxlsxwriter" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_INSTALL_PREFIX="$prefix" "${cmake_options[@]}" >"$work/configure.log" 2>&1 ||
  { tail -40 "$work/configure.log" >&2; exit 1; }
cmake --build "$work/build" --parallel 2 >"$work/build.log" 2>&1 ||
  { tail -40 "$work/build.log" >&2; exit 1; }
# Only a finished install gets the mark a later run looks for.
rm -rf "$prefix"
cmake --install "$work/build" >"$work/install.log" 2>&1 || { tail -40 "$work/install.log" >&2; exit 1; }
cp "$work/src/libxlsxwriter/License.txt" "$prefix/License.txt"
touch "$prefix/.complete"
log "installed in $prefix"
echo "$prefix"
