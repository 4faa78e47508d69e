#!/usr/bin/env bash
# Runs each loader's fuzzer for SECONDS, from the committed corpus in
# fuzz/corpus plus fresh seeds made by the show's writers. Exits non-zero when
# a fuzzer finds a crash, a leak, undefined behaviour or a hang; the input that
# did it is kept in BUILD_DIR/fuzz-artifacts.
#   fuzz/run.sh BUILD_DIR SECONDS    CI runs 30 s; a campaign runs 600 s or more
# The corpus a run grows is kept in BUILD_DIR/fuzz-corpus, so each campaign
# starts where the last one stopped. NIVORA_FUZZ_RUNS=N stops each target after
# N executions instead, whichever comes first; NIVORA_FUZZ_TARGETS="jpeg" runs
# only the targets it names. Each target's line gives its
# executions, executions per second and the edges covered, split into ours
# (src/), libjpeg's and the rest (the standard library, the GL stand-in).
set -u
if [ $# -ne 2 ]; then
  echo "usage: fuzz/run.sh BUILD_DIR SECONDS" >&2
  exit 2
fi
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd) || exit 2
seconds=$2
runs=${NIVORA_FUZZ_RUNS:--1}
targets=${NIVORA_FUZZ_TARGETS:-ob3 jpeg}
bin=$build/fuzz
artifacts=$build/fuzz-artifacts
corpus=$build/fuzz-corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$artifacts" "$corpus/ob3" "$corpus/jpeg" "$work/ob3" "$work/jpeg"

"$bin/fuzz_seeds" "$work/ob3" "$work/jpeg" || { echo "seed maker failed" >&2; exit 1; }

# Edges covered by the final corpus, summed per origin from libFuzzer's
# per-function report. The report names files only when llvm-symbolizer is on
# the path; without it every count is 0.
edges() {
  "$bin/fuzz_$1" "$corpus/$1" -runs=0 -print_coverage=1 -close_fd_mask=2 2>&1 |
    awk -v src="$source_dir/src/" '
      /^COVERED_FUNC:/ {
        split($5, e, "/"); where = $NF
        if (index(where, src) == 1) ours += e[1]
        else if (where ~ /libjpeg-turbo/) lib += e[1]
        else rest += e[1]
      }
      END { printf "%d %d %d\n", ours, lib, rest }'
}

status=0
for target in $targets; do
  if [ ! -x "$bin/fuzz_$target" ]; then
    echo "no fuzz target $target" >&2
    exit 2
  fi
  log=$work/$target.log
  # -close_fd_mask=2 silences the loaders' "cannot load" lines; libFuzzer and
  # the sanitizers keep their own copy of standard error for their reports.
  "$bin/fuzz_$target" "$corpus/$target" "$work/$target" "$source_dir/fuzz/corpus/$target" \
    -max_total_time="$seconds" -runs="$runs" -timeout=10 -rss_limit_mb=1024 \
    -print_final_stats=1 -close_fd_mask=2 -artifact_prefix="$artifacts/$target-" \
    >"$log" 2>&1
  result=$?
  executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  elapsed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  read -r ours lib rest < <(edges "$target")
  echo "fuzz_$target: ${executed:-?} executions, ${elapsed:-?} exec/s, exit status $result;" \
    "edges covered: $ours ours, $lib libjpeg, $rest other"
  # Every target runs a loader of ours, and the picture target libjpeg's
  # decoder: a count of 0 there means the run measured nothing.
  if [ "$ours" -eq 0 ] || { [ "$target" = jpeg ] && [ "$lib" -eq 0 ]; }; then
    status=1
    echo "fuzz_$target covered no edges of the code it fuzzes: is llvm-symbolizer installed" \
      "(scripts/setup.sh), and libjpeg built with coverage?" >&2
  fi
  if [ $result -ne 0 ]; then
    status=1
    echo "---- fuzz_$target found a fault; the input is in $artifacts ----"
    # The report from its first line (sanitizer error, signal, timeout, leak).
    first=$(grep -n -m 1 -E 'ERROR|runtime error|deadly signal|timeout|out-of-memory' "$log" | cut -d: -f1)
    tail -n +"${first:-1}" "$log" | head -n 50
  fi
done
exit $status
