# Sourced by the scripts that build a library for Windows once and cache it
# outside the checkout (scripts/windows-qt.sh, scripts/windows-xlsxwriter.sh).
#
#   cache_entry NAME VERSION "$1" OPTION...
#
# sets key, cache_root and prefix ($toolchain must be set). It ends the script,
# printing the prefix, when --path is asked or the entry is complete; otherwise
# it takes the cache's build lock (one build at a time, a second run waits,
# then finds the result) and sets work, a fresh scratch folder removed at exit.
#
#   debian_source PACKAGE VERSION DEST
#
# unpacks Debian's source of PACKAGE at VERSION from $debian_suite into DEST.
# It is fetched through a private sources list and lists folder, so the
# system's apt sources stay untouched.
cache_entry() {
  local name=$1 version=$2 argument=$3
  shift 3
  # The key changes with anything that changes the result: options, toolchain.
  key=$( { printf '%s\n' "$version" "$@"; cat "$toolchain"; } | sha256sum | cut -c1-12)
  cache_root="${ORTEN_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ortenconf}"
  prefix="$cache_root/$name-$version-mingw64-static-$key"
  if [ "$argument" = --path ] || [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
  fi
  mkdir -p "$cache_root"
  exec 9>"$cache_root/.$name-build.lock"
  flock 9
  if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
  fi
  work="$cache_root/$name-$version-build-$key"
  rm -rf "$work"
  mkdir -p "$work/src"
  trap 'rm -rf "$work"' EXIT
}

debian_source() {
  local package=$1 version=$2 dest=$3 dsc
  mkdir -p "$work/apt/lists/partial" "$work/apt/archives/partial"
  printf 'deb-src [signed-by=%s] http://deb.debian.org/debian %s main\n' \
    /usr/share/keyrings/debian-archive-keyring.gpg "$debian_suite" >"$work/apt/sources.list"
  local apt_private=(
    -o Dir::Etc::SourceList="$work/apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o Dir::State::Lists="$work/apt/lists" -o Dir::Cache="$work/apt"
    -o Dir::Cache::archives="$work/apt/archives" -o Debug::NoLocking=1 -o APT::Sandbox::User="$(id -un)"
  )
  apt-get -qq "${apt_private[@]}" update
  (cd "$work/src" && apt-get -qq "${apt_private[@]}" source --download-only "$package")
  dsc=$(ls "$work/src/${package}_$version"*.dsc 2>/dev/null) ||
    { printf "Debian's %s no longer has %s %s\n" "$debian_suite" "$package" "$version" >&2; exit 1; }
  dpkg-source --no-check -x "$dsc" "$dest" >/dev/null
}
