#!/usr/bin/env bash
# How fast the capture tool renders the whole show to MP4 at 60 fps, at 640x480
# and at 1440x1080: each run's own summary (time against the show's length;
# per frame the drawing, read-back and hand-over to the writer; the encoder's
# CPU time; peak memory). Takes several minutes; not part of the test suite.
#
#   bash bench/capture/capture_bench.sh [BUILD_DIR] [SIZE...]
set -euo pipefail
build=${1:-build}
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(640x480 1440x1080)
capture="$build/show/nivora-capture"
[ -x "$capture" ] || { echo "no $capture: build the nivora-capture and show-data targets" >&2; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
for size in "${sizes[@]}"; do
  echo "== $size, 60 fps, whole show"
  # Plain progress lines every ten seconds, then the summary.
  "$capture" --size "$size" --out "$out/show.mp4" 2>&1 | grep -v '% ' || exit 1
  echo "file: $(stat -c %s "$out/show.mp4") bytes"
done
