#!/usr/bin/env bash
# Builds libjpeg-turbo's static library from Debian's own source package with
# the fuzzer's coverage and the sanitizers, so that fuzz_jpeg's coverage counts
# the decoder's edges and ASan sees its memory. The result is kept in OUT_DIR
# and reused while it is there.
#   fuzz/build_libjpeg.sh OUT_DIR
# Needs the deb-src entries and dpkg-dev that scripts/setup.sh installs.
set -euo pipefail
out=$(mkdir -p "$1" && cd "$1" && pwd)
if [ -f "$out/lib/libjpeg.a" ] && [ -f "$out/include/jconfig.h" ]; then exit 0; fi

work=$out/work
rm -rf "$work" "$out/lib" "$out/include"
mkdir -p "$work"
cd "$work"
# The archive's lists may predate the source entries; refresh them once.
apt-get source -qq libjpeg-turbo >/dev/null 2>&1 || {
  apt-get update -qq
  apt-get source -qq libjpeg-turbo >/dev/null
}
src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)
[ -n "$src" ] || { echo "build_libjpeg: no source tree unpacked" >&2; exit 1; }

# No SIMD: the C paths are the ones coverage can see, and nasm is not needed.
flags="-g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined"
flags="$flags -fno-sanitize-recover=undefined"
CC=clang cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=None \
  -DCMAKE_C_FLAGS="$flags" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF \
  -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF >/dev/null
cmake --build "$work/build" -j "$(nproc)" --target jpeg-static >/dev/null

mkdir -p "$out/lib" "$out/include"
cp "$work/build/libjpeg.a" "$out/lib/"
cp "$src/jpeglib.h" "$src/jerror.h" "$src/jmorecfg.h" "$work/build/jconfig.h" "$out/include/"
rm -rf "$work"
echo "build_libjpeg: instrumented $(basename "$src") in $out"
