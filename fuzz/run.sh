#!/usr/bin/env bash
# Runs each loader's fuzzer for SECONDS on a fresh seed corpus made by the
# show's writers. Exits non-zero when a fuzzer finds a crash, a leak, undefined
# behaviour or a hang; the input that did it is kept in BUILD_DIR/fuzz-artifacts.
#   fuzz/run.sh BUILD_DIR SECONDS
set -u
if [ $# -ne 2 ]; then
  echo "usage: fuzz/run.sh BUILD_DIR SECONDS" >&2
  exit 2
fi
build=$(cd "$1" && pwd) || exit 2
seconds=$2
bin=$build/fuzz
artifacts=$build/fuzz-artifacts
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$artifacts" "$work/ob3" "$work/jpeg"

"$bin/fuzz_seeds" "$work/ob3" "$work/jpeg" || { echo "seed maker failed" >&2; exit 1; }

status=0
for target in ob3 jpeg; do
  log=$work/$target.log
  # -close_fd_mask=2 silences the loaders' "cannot load" lines; libFuzzer and
  # the sanitizers keep their own copy of standard error for their reports.
  "$bin/fuzz_$target" "$work/$target" -max_total_time="$seconds" -timeout=10 \
    -print_final_stats=1 -close_fd_mask=2 -artifact_prefix="$artifacts/$target-" \
    >"$log" 2>&1
  result=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "fuzz_$target: ${runs:-?} executions in ${seconds} s, exit status $result"
  if [ $result -ne 0 ]; then
    status=1
    echo "---- fuzz_$target found a fault; the input is in $artifacts ----"
    # The report from its first line (sanitizer error, signal, timeout, leak).
    first=$(grep -n -m 1 -E 'ERROR|runtime error|deadly signal|timeout|out-of-memory' "$log" | cut -d: -f1)
    tail -n +"${first:-1}" "$log" | head -n 50
  fi
done
exit $status
