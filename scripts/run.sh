#!/usr/bin/env bash
# Sets up, builds and runs the show (fullscreen 640x480; Escape ends it).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNIVORA_TESTS=OFF -DNIVORA_BENCH=OFF >/dev/null
cmake --build build --target nivora-dusk show-data
cd build/show
exec ./nivora-dusk
