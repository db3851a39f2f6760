#!/usr/bin/env bash
# Runs every libFuzzer target of the `fuzz` preset for SECONDS each, starting
# from its seeds in fuzz/corpus/<name>. New inputs go to a scratch corpus in
# the build tree (the seeds stay as committed); a crash, leak or hang (a unit
# over 2 s) stops that target, leaves the input in build/fuzz/artifacts and
# fails the run.
#   fuzz/run.sh [SECONDS]        (default 60)
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build/fuzz

# name and the longest input worth trying: files hold up to a 1792-value
# backup, firmware a few blocks, the rest are short texts and packets.
targets=(
  "value_file 8192"
  "firmware_file 1024"
  "backup_name 256"
  "date_stamp 64"
  "reply 512"
  "cli_options 512"
)

mkdir -p "$build/artifacts"
failed=()
for entry in "${targets[@]}"; do
  read -r name maxlen <<<"$entry"
  work="$build/corpus/$name"
  mkdir -p "$work"
  printf '%-14s %3s s ... ' "$name" "$seconds"
  log="$build/fuzz_$name.log"
  if "$build/fuzz/fuzz_$name" "$work" "fuzz/corpus/$name" -max_total_time="$seconds" \
      -max_len="$maxlen" -timeout=2 -rss_limit_mb=1024 -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/$name-" >"$log" 2>&1; then
    grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' | sed 's/$/ runs, ok/'
  else
    echo "FAILED (see $log)"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|fuzz:|.*runtime error)' "$log" | head -5
    failed+=("$name")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found problems in: ${failed[*]}"
  exit 1
fi
