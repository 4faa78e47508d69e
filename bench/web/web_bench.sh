#!/usr/bin/env bash
# The browser port's figures: the pixel table (five frames per order against
# the capture at 5 fps), click to first frame, fps and heap per order in
# headless Chromium at 640x480, and the site's transfer size gzipped.
#   bash bench/web/web_bench.sh [BUILD_DIR]     (after bash scripts/web.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
site=$root/build-web/site
echo "load: $(uptime)"
bash "$root/tests/web/pixels.sh" "$build/show/nivora-capture" "$site" 5 5
node "$root/bench/web/measure.mjs" "$site" 4
echo "load: $(uptime)"
echo "transfer, gzip -9 (bytes):"
total=0
for part in nivora-web.wasm nivora-web.js soundtrack.mo3 gfx data page; do
  case $part in
    page) files=$(cd "$site" && ls index.html page.js page.css audio_worklet.js files.json) ;;
    gfx|data) files=$(cd "$site" && find "$part" -type f) ;;
    *) files=$part ;;
  esac
  bytes=0
  for f in $files; do bytes=$((bytes + $(gzip -9 -c "$site/$f" | wc -c))); done
  total=$((total + bytes))
  printf "  %-16s %9d\n" "$part" "$bytes"
done
printf "  %-16s %9d\n" total "$total"
