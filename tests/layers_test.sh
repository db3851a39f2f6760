#!/usr/bin/env bash
# The layers as HACKING.md draws them. Each library has its own include root
# (CMakeLists.txt), so a file sees the headers of the layers it links and
# nothing above; but a quoted include is looked up beside the including file
# first, so "../app/X.h" would reach past that and still compile: such
# includes are refused. And the guide's "may include" column is what the
# sources include, no more and no less.
# Usage: layers_test.sh SOURCE_DIR
set -u
src=${1:?source folder}
cd "$src" || exit 2
fail=0
files=$(git ls-files -co --exclude-standard -- '*.cpp' '*.h' 2>/dev/null)
[ -n "$files" ] || files=$(find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)

bad=$(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<](\.\.?/|[^">]*/\.\.?/)' $files)
if [ -n "$bad" ]; then
  echo "FAIL: includes relative to the including file (name the header from its layer's folder):"
  echo "$bad"
  fail=1
fi

# A folder's layer: params, firmware and backup are one, data.
layer() { case $1 in params | firmware | backup) echo data ;; *) echo "$1" ;; esac; }
layers="base transport protocol sim data ops startup widgets pages app cli"
rows=$(sed -n '/^## Layers/,/^## /p' HACKING.md | grep -E '^\| `[a-z]+/`')
[ -n "$rows" ] || { echo "FAIL: no layer table in HACKING.md"; exit 1; }
while IFS= read -r row; do
  folders=$(cut -d'|' -f2 <<<"$row" | grep -oE '[a-z]+/' | tr -d /)
  self=$(layer "$(head -n1 <<<"$folders")")
  # The last column, without its parenthesized notes.
  said=$(awk -F'|' '{print $(NF-1)}' <<<"$row" | sed 's/([^)]*)//g' | grep -oE '[a-z]+' |
    grep -xF -f <(tr ' ' '\n' <<<"$layers") | sort -u | xargs)
  used=$(for f in $folders; do
    grep -ohE '^#include "[a-z]+/' $f/*.cpp $f/*.h 2>/dev/null | sed 's/#include "//; s|/||'
  done | while read -r to; do layer "$to"; done | grep -vx "$self" | sort -u | xargs)
  if [ "$said" != "$used" ]; then
    echo "FAIL: HACKING.md: $self may include '$said'; its files include '$used'"
    fail=1
  fi
done <<<"$rows"
[ $fail = 0 ] && echo "layers as HACKING.md draws them; no relative includes ($(wc -w <<<"$files") files)"
exit $fail
