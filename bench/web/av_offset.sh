#!/usr/bin/env bash
# Picture against sound in headless Chromium through a PulseAudio null sink:
# the page plays the A/V bench's click module for SECONDS (default 60, as the
# native table), and prints the native bench's table.
#   bash bench/web/av_offset.sh [SECONDS] [BUILD_DIR]   (after bash scripts/web.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-60}
build=$(cd "${2:-$root/build}" && pwd)
cmake --build "$build" --target click_module >/dev/null
module=$(mktemp --suffix=.xm)
trap 'rm -f "$module"' EXIT
"$build/bench/music/click_module" "$module" "$seconds"
echo "load: $(uptime)"
node "$root/bench/web/av_offset.mjs" "$root/build-web/site" "$module"
echo "load: $(uptime)"
