#!/usr/bin/env bash
# Builds the Debian package in build-deb/ (installing to /usr) and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DNIVORA_TESTS=OFF -DNIVORA_BENCH=OFF >/dev/null
cmake --build build-deb -j "$(nproc)"
(cd build-deb && cpack -G DEB >/dev/null)
ls "$PWD"/build-deb/nivora-dusk_*.deb
