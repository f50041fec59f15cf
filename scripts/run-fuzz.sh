#!/usr/bin/env bash
# Runs every fuzz target built in BUILD_DIR/fuzz for SECONDS each, starting
# from the seeds in fuzz/corpus/<name> and from what earlier runs found.
# Findings land in BUILD_DIR/fuzz-findings; the first one fails the run.
set -euo pipefail
build_dir=${1:?usage: run-fuzz.sh BUILD_DIR SECONDS}
seconds=${2:?usage: run-fuzz.sh BUILD_DIR SECONDS}
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
findings="$build_dir/fuzz-findings"
mkdir -p "$findings"

# The targets write files at every run; memory is faster than the disk's fsync.
if [ -z "${TMPDIR:-}" ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

status=0
for target in "$build_dir"/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  work="$build_dir/fuzz-corpus/$name"
  seeds="$source_dir/fuzz/corpus/${name#fuzz_}"
  mkdir -p "$work"
  log="$build_dir/fuzz-$name.log"
  # The first folder receives new inputs; the seeds in the source tree stay as they are.
  if "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$findings/$name-" "$work" $( [ -d "$seeds" ] && echo "$seeds" ) >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    echo "$name: ${runs:-?} executions in ${seconds}s, no finding"
  else
    echo "$name: FAILED (log: $log)"
    tail -n 40 "$log"
    status=1
  fi
done
exit $status
