#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running need.
# Only missing packages are installed; apt-get runs through sudo when not root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache git
  qt6-base-dev libgl-dev            # the window (Qt 6 Widgets)
  libusb-1.0-0-dev                  # USB on Linux
  libxlsxwriter-dev                 # ortenctl journal --excel
  umockdev libumockdev-dev          # the libusb transport's tests, against emulated devices
  googletest libgtest-dev libgmock-dev libbenchmark-dev libboost-dev jq   # tests and benchmarks (jq: the report)
  g++-mingw-w64-x86-64-posix        # the Windows cross build (scripts/windows-qt.sh builds its Qt)
  libz-mingw-w64-dev                # zlib for it (scripts/windows-xlsxwriter.sh builds libxlsxwriter)
  unzip                             # reading back the Excel export in its test
  nsis                              # its installer
  wine wine64 fonts-wine            # running its tests
  xdotool imagemagick openbox       # the tour of the Windows window: clicks, screenshots, title bars
  xvfb xauth fonts-dejavu-core      # running the window without a display
  clang-format
  clang libclang-rt-14-dev          # the fuzz targets (libFuzzer)
  valgrind                          # ortenctl under memcheck
  qt6-translations-l10n             # Qt's own dialogs and menus in Russian
  locales                           # the date-stamp test runs under several locales
  dpkg-dev fakeroot lintian desktop-file-utils appstream   # the Debian package and its checks
)

# The locales the date-stamp test runs under, besides C.
make_locales() {
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  for loc in en_US ru_RU; do
    locale -a 2>/dev/null | grep -qix "$loc.utf8" || "${sudo[@]}" localedef -i "$loc" -f UTF-8 "$loc.UTF-8"
  done
}

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  make_locales
  exit 0
fi

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
echo "install-deps: installing ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
make_locales
