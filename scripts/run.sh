#!/usr/bin/env bash
# Sets up, builds and runs the show (fullscreen 640x480; Escape ends it). Where
# no display is available it renders the show to a video instead.
set -euo pipefail
invoked_from=$PWD
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNIVORA_TESTS=OFF -DNIVORA_BENCH=OFF >/dev/null

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  video="$invoked_from/nivora-dusk.mp4"
  echo "run: no display (neither DISPLAY nor WAYLAND_DISPLAY is set);" \
       "rendering the show to $video instead"
  cmake --build build --target nivora-capture show-data
  build/show/nivora-capture --out "$video"
  echo "run: the show is in $video"
  exit 0
fi

cmake --build build --target nivora-dusk show-data
cd build/show
exec ./nivora-dusk
