#!/usr/bin/env bash
# Every ortenctl and ortenconf command the README and the user guide show runs
# as written. Each page is followed as a technician would, in its order, in a
# folder of their own: every command on a simulated device or line that fits
# it (the options that choose it are added, nothing else), ending with the
# exit code the page gives (0, unless `codes` below says otherwise). A
# command with a placeholder (FILE, VID:PID, [...]) shows a form, not an
# example, and is not run; one that cannot run here is in `notrun`, with why.
# Also: the exit codes the pages list are those the programs' help gives.
# Usage: docs_examples_test.sh ORTENCTL [ORTENCONF]
source "$(dirname "$0")/common.sh"
win=${2:+$(realpath "$2")}
src=$(realpath "$(dirname "$0")/../..")
export LC_ALL=C.UTF-8

# Commands shown that end otherwise than 0, as their page says (regexp|code).
codes=(
  "--sim-fault write-fail@40 settings write X.cfg|1"
  "three-modules.line .*batch firmware|1"
)
# Commands shown that are not run here (regexp|why). Each must still match one.
notrun=(
  "usb --install-rule|writes a rule into /etc/udev as root (tests/unit/UdevRuleInstallTest.cpp)"
  "^ortenctl batch$|names the command; its examples follow"
  "^ortenctl usb --remember$|names the option; the example with IDs is run"
)

# The commands of a page, one a line, in page order: the command lines of
# ```sh blocks and inline `code` in the README, <pre> and <code> in the guide.
commands() {
  perl -CSD -0777 -ne '
    sub out { my $c = shift; $c =~ s/\s+#.*//; $c =~ s/\s+/ /g; $c =~ s/^ | $//g;
              print "$c\n" if $c =~ /^(ortenctl|ortenconf) / }
    if ($ARGV =~ /\.html$/) {
      while (/<(pre|code)>(.*?)<\/\1>/sg) {
        my $c = $2; $c =~ s/&lt;/</g; $c =~ s/&gt;/>/g; $c =~ s/&quot;/"/g; $c =~ s/&amp;/&/g;
        out($c) for ($1 eq "pre" ? split(/\n/, $c) : $c);
      }
    } else {
      while (/```(\w*)\n(.*?)```|`([^`]+)`/sg) {
        if (defined $3) { out($3) } elsif ($1 eq "sh") { out($_) for split /\n/, $2 }
      }
    }' "$1"
}

# A form rather than an example: a word all in capitals (FILE, VID:PID,
# ФАЙЛ.rrg), or brackets.
placeholder() {
  perl -CSDA -e 'exit(($ARGV[0] =~ /(^|\s)[[:upper:]]{2,}(:[[:upper:]]+)?(\.\w+)?(\s|$)|\[/) ? 0 : 1)' "$1"
}

row_for() {  # TEXT ROWS...: the first row whose regexp matches TEXT
  local text=$1 row; shift
  for row in "$@"; do
    if grep -qE -- "${row%%|*}" <<<"$text"; then echo "$row"; return 0; fi
  done
  return 1
}

# The family a command's simulated device or line is of: the receiver's for
# backups and RPU firmware, else the relay module's.
family() {
  case "$1" in
    *backup* | *restore* | *RPU*) echo rpu ;;
    *) echo mro ;;
  esac
}

# The programs as the pages call them, with the simulation added where the
# command does not bring its own; the data folder is the page's.
ortenctl() {
  local sim=() f
  f=$(family "$*")
  case " $* " in
    *" --simulate "* | *" --sim-line "* | *" --sim-state "* | *" usb "* | *" journal "* | \
      *" --help "* | *" settings defaults "* | *" settings show "* | *" settings diff "* | \
      *" backup info "* | *" firmware check "*) ;;
    *" batch "* | *" wait "*)
      printf 'plug %s\nunplug\nplug %s\nunplug\n' "$f" "$f" >"$work/line"
      sim=(--sim-line "$work/line" --sim-skip-waits) ;;
    *) sim=(--simulate "$f" --sim-state "$work/$f.state") ;;
  esac
  "$ctl" --data-dir "$data" "${sim[@]}" "$@"
}
ortenconf() {  # the window opens and stays open
  local rc=0
  QT_QPA_PLATFORM=offscreen timeout 3 "$win" --data-dir "$data" "$@" || rc=$?
  [ $rc -eq 124 ] && return 0 || return $rc
}

# A technician's own files, which the pages take for granted: firmware in
# Base, a backup in Reg_RPU.
fresh_world() {
  rm -rf "$work/world" "$work"/*.state "$work"/*.state.lock
  data=$work/world/data
  mkdir -p "$work/world/start" "$data/Base" "$data/Reg_RPU" "$data/ReleCfg"
  export HOME=$work/world/home XDG_CONFIG_HOME=$work/world/config XDG_DATA_HOME=$work/world/share
  cp "$src/examples/MRO_46-SIMULATOR-ONLY.bin" "$data/Base/MRO_46.bin"
  { printf '\x55\x55\x12\x82'; head -c 1030 /dev/zero; } >"$data/Base/RPU_130.bin"
  seq 0 1791 | awk '{ printf "%d\r\n", $1 % 256 }' >"$data/Reg_RPU/DEZ_RPU_1_010125_object_1_conf_255.rrg"
}

declare -A used
follow() {  # PAGE
  local page=$1 n=0 cmd want row rc
  fresh_world
  while IFS= read -r cmd; do
    n=$((n + 1))
    if row=$(row_for "$cmd" "${notrun[@]}"); then
      used[$row]=1
      echo "skip $page: $cmd (${row#*|})"
      continue
    fi
    if placeholder "$cmd"; then echo "skip $page: $cmd (a form with placeholders)"; continue; fi
    if [[ $cmd == ortenconf* && -z $win ]]; then echo "skip $page: $cmd (no window in this build)"; continue; fi
    want=0
    if row=$(row_for "$cmd" "${codes[@]}"); then want=${row#*|}; fi
    cmd=${cmd//\/usr\/share\/ortenconf\/examples\//$src\/examples\/}
    (cd "$work/world/start" && eval "$cmd" <<<"y" >"$work/out" 2>&1); rc=$?
    check "$page: $cmd: exit $want" test $rc -eq "$want"
    [ $rc -eq "$want" ] || sed 's/^/     | /' "$work/out"
  done < <(commands "$src/$page")
  check "$page shows commands" test $n -gt 0
}
follow README.md
follow docs/guide/index.html
for row in "${notrun[@]}"; do
  check "not-run row still matches a command: ${row%%|*}" test -n "${used[$row]:-}"
done

# The exit codes the pages list, against the programs' help (both written
# from one table).
help_codes() { "$@" --help | sed -n '/^Коды завершения:/,/^$/p' | grep -oE '^  [0-9]+ ' | tr -d ' ' | sort -u | xargs; }
page_codes() { grep -oE '(^|[ ,;(])[0-9]+( —)? [[:alpha:]]' | grep -oE '[0-9]+' | sort -u | xargs; }
readme=$(tr '\n' ' ' <"$src/README.md")
ctl_codes=$(help_codes "$ctl")
check "ortenctl --help lists codes" test -n "$ctl_codes"
# (The README's table of them also names each code's outcome kinds: the unit
# test CommandTable.ReadmeExitCodesAreTheKindsTable holds it to the table.)
check "README: ortenctl's exit codes are the help's ($ctl_codes)" test \
  "$(grep -oE '^\| [0-9]+ \|' "$src/README.md" | grep -oE '[0-9]+' | sort -u | xargs)" = "$ctl_codes"
check "guide: ortenctl's exit codes are the help's" test \
  "$(tr '\n' ' ' <"$src/docs/guide/index.html" | grep -oP 'Коды завершения:.*?</p>' | page_codes)" = "$ctl_codes"
batch_help=$("$ctl" --help | sed -n '/^  batch:/,/^$/p' | tr '\n' ' ' | grep -oE '(^|[ (;,])[0-9]+[,; ]' | grep -oE '[0-9]+' | sort -u | xargs)
check "README: batch's exit codes are the help's ($batch_help)" test \
  "$(grep -oP 'The exit code is 0 when every device.*?\.(?= )' <<<"$readme" | grep -oE '(^| |\()[0-9]+[ ,]' | grep -oE '[0-9]+' | sort -u | xargs)" = "$batch_help"
if [ -n "$win" ]; then
  win_codes=$(help_codes "$win")
  check "README: ortenconf's exit codes are the help's ($win_codes)" test \
    "$(grep -oP 'Exit codes of `ortenconf`:.*?\.(?= )' <<<"$readme" | page_codes)" = "$win_codes"
fi
exit $fail
