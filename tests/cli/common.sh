# Shared by the ortenctl test scripts: the tool under test ($1), a scratch
# folder removed at exit, and check, which reports one condition.
set -u
ctl=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() {  # description, condition...
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; fail=1; fi
}
# The tool on one simulated device kept in $work/state, data in $work/data.
run() { "$ctl" --data-dir "$work/data" --sim-state "$work/state" "$@"; }
