#!/usr/bin/env bash
# ortenctl under valgrind's memcheck through the simulated device's flows:
# info, firmware write, settings read and write, backup read and write. Any
# memory error or definite leak fails the run.
#   tests/valgrind/ortenctl_memcheck.sh path/to/ortenctl
set -u
ctl=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0

# memcheck NAME EXPECTED-EXIT ARGS...: one ortenctl run, its own log.
memcheck() {
  local name=$1 expected=$2; shift 2
  valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite \
    --show-leak-kinds=definite --log-file="$work/$name.vg" \
    "$ctl" --data-dir "$work/data" --sim-state "$work/state" "$@" >"$work/$name.out" 2>&1
  local rc=$?
  if [ "$rc" -eq "$expected" ]; then
    echo "ok   $name"
  else
    echo "FAIL $name: exit $rc, expected $expected"
    cat "$work/$name.vg" "$work/$name.out"
    fail=1
  fi
}

mkdir -p "$work/data/Base"
# The smallest writable firmware (head, one 64-byte block, tail): the
# simulated write paces itself in real time, so the image is kept short.
{ printf '\x55\x55\x12\x7a'; head -c 70 /dev/zero; } >"$work/data/Base/RPU_122"
seq 0 1791 | awk '{ print ($1 * 7) % 256 "\r" }' >"$work/source.rrg"

memcheck info_rpu 0 --simulate rpu:120 info
memcheck firmware_write 0 --simulate rpu firmware write RPU_122 --yes
memcheck info_after_write 0 info
memcheck backup_write 0 --simulate rpu backup write "$work/source.rrg"
memcheck backup_read 0 --simulate rpu backup read -o "$work/copy.rrg"
rm -f "$work/state"
memcheck settings_defaults 0 --simulate mro settings defaults -o "$work/factory.cfg"
memcheck settings_write 0 --simulate mro settings write "$work/factory.cfg"
memcheck settings_read 0 --simulate mro settings read -o "$work/read.cfg"
# A refusal runs the error paths: the other family's memory is not touched.
memcheck backup_read_wrong_family 1 --simulate mro backup read -o "$work/never.rrg"

# The flows really ran: the new firmware answers, the memory came back whole.
if ! grep -q 'Версия ПО: 12_2' "$work/info_after_write.out"; then
  echo "FAIL the device does not run the firmware written"
  fail=1
fi
if ! cmp -s "$work/source.rrg" "$work/copy.rrg"; then
  echo "FAIL the backup read back differs from the one written"
  fail=1
fi
exit $fail
