#!/usr/bin/env bash
# Builds libopenmpt and libjpeg-turbo for WebAssembly with emcc, from Debian's
# source packages of the versions the native build links, into OUT_DIR/lib and
# OUT_DIR/include. Kept there and reused: the two take about 4.5 CPU-minutes.
#   web/build_libs.sh OUT_DIR
# Needs the deb-src entries, dpkg-dev and emscripten that scripts/setup.sh installs.
set -euo pipefail
out=$(mkdir -p "$1" && cd "$1" && pwd)
stamp="$out/lib/.built"
if [ -f "$stamp" ]; then exit 0; fi
# emcc's JS optimizer needs Debian's acorn.
export NODE_PATH=/usr/share/nodejs

installed_version() { dpkg-query -W -f='${Version}' "$1"; }
openmpt_version=$(installed_version libopenmpt-dev)
jpeg_version=$(installed_version libjpeg62-turbo-dev)

work=$out/work
rm -rf "$work" "$out/lib" "$out/include"
mkdir -p "$work" "$out/lib" "$out/include"
cd "$work"
fetch_source() {
  apt-get source -qq "$1=$2" >/dev/null 2>&1 || {
    apt-get update -qq
    apt-get source -qq "$1=$2" >/dev/null
  }
}
fetch_source libopenmpt "$openmpt_version"
fetch_source libjpeg-turbo "$jpeg_version"
jobs=$(nproc); [ "$jobs" -gt 2 ] && jobs=2

# libjpeg-turbo: the C paths (no SIMD in wasm), the libjpeg API alone. Its
# type-size checks read nothing from a wasm object: wasm32's sizes are given.
jpeg_src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)
emcmake cmake -S "$jpeg_src" -B "$work/jpeg-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
  -DWITH_JPEG8=OFF -DCMAKE_C_FLAGS="-O2 -ffp-contract=off" \
  -DHAVE_SIZE_T=TRUE -DSIZE_T=4 -DHAVE_UNSIGNED_LONG=TRUE -DUNSIGNED_LONG=4 >/dev/null
cmake --build "$work/jpeg-build" -j "$jobs" --target jpeg-static >/dev/null
cp "$work/jpeg-build/libjpeg.a" "$out/lib/"
cp "$jpeg_src/jpeglib.h" "$jpeg_src/jerror.h" "$jpeg_src/jmorecfg.h" \
  "$work/jpeg-build/jconfig.h" "$out/include/"

# libopenmpt: the library alone, no external decoders (the show's module is
# an XM; its samples are plain PCM).
mpt_src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'libopenmpt-*' | head -n 1)
(cd "$mpt_src" && emconfigure ./configure --host=wasm32 \
  --disable-shared --enable-static --disable-openmpt123 --disable-examples \
  --disable-tests --disable-doxygen-doc --without-zlib --without-mpg123 --without-ogg \
  --without-vorbis --without-vorbisfile --without-portaudio --without-portaudiocpp \
  --without-pulseaudio --without-sndfile --without-flac \
  CXXFLAGS="-O2 -ffp-contract=off" CFLAGS="-O2 -ffp-contract=off" >/dev/null &&
  emmake make -j "$jobs" >/dev/null)
cp "$mpt_src/.libs/libopenmpt.a" "$out/lib/"
mkdir -p "$out/include/libopenmpt"
cp "$mpt_src"/libopenmpt/libopenmpt*.h "$mpt_src"/libopenmpt/libopenmpt*.hpp "$out/include/libopenmpt/" 2>/dev/null || true
cp "$mpt_src"/libopenmpt/libopenmpt*.h "$out/include/libopenmpt/"

rm -rf "$work"
echo "libopenmpt $openmpt_version, libjpeg-turbo $jpeg_version" > "$stamp"
echo "build_libs: libopenmpt $openmpt_version and libjpeg-turbo $jpeg_version for wasm in $out"
