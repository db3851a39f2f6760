# Sourced by the scripts that build a library for Windows once and cache it
# outside the checkout (scripts/windows-qt.sh, scripts/windows-xlsxwriter.sh).
#
#   cache_entry NAME VERSION "$1" OPTION...
#
# sets key, cache_root and prefix ($toolchain must be set). It ends the script,
# printing the prefix, when --path is asked or the entry is complete; otherwise
# it takes the cache's build lock: one build at a time, a second run waits,
# then finds the result.
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
}
