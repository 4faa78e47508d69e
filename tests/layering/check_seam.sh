#!/usr/bin/env bash
# Fails when platform code sits outside the folder that owns it: SDL video and
# input (and Xlib and libwayland-client) only in shell/, libopenmpt and SDL audio only in music/,
# libjpeg only in assets/, and nothing but GL/GLU in the engine folders.
# usage: check_seam.sh SRC_DIR LIBRARY_DIR [FRONT_END_FILE...]
# The front ends' libraries and objects (;-separated lists allowed) may call no
# SDL video or input function: they reach the window through the shell.
# The headers are checked in the sources; what each subsystem really calls is
# checked in its library's undefined symbols, since SDL's umbrella header that
# music/ includes for audio would also let it call the video side.
set -u
src=$1
libs=$2
shift 2
bad=0
check() {
  local pattern=$1 allowed=$2
  local hits
  hits=$(grep -rnE "#include[[:space:]]*[<\"]($pattern)" "$src" --include='*.cpp' --include='*.h' \
    | grep -vE "^$src/($allowed)/" || true)
  if [ -n "$hits" ]; then
    echo "platform header outside its folder:"
    echo "$hits"
    bad=1
  fi
}
check 'SDL2?/SDL_(video|events|keyboard|keycode|scancode|mouse|messagebox|syswm|opengl)|SDL2?/SDL\.h|SDL\.h' 'shell|music'
check 'SDL2?/SDL_audio' 'music'
check 'libopenmpt' 'music'
check 'jpeglib|turbojpeg' 'assets'
check 'X11/' 'shell'
check 'wayland-' 'shell'

# refuse SUBSYSTEM PATTERN WHAT: the library must call no symbol matching PATTERN.
refuse() {
  local lib="$libs/libnivora_$1.a"
  if [ ! -f "$lib" ]; then echo "no library $lib"; bad=1; return; fi
  local hits
  hits=$(nm -u "$lib" | awk '{print $NF}' | grep -E "^($2)" | sort -u || true)
  if [ -n "$hits" ]; then
    echo "$1 calls $3:"
    echo "$hits"
    bad=1
  fi
}
platform='SDL_|openmpt_|jpeg_|tj[A-Z]|X[A-Z][a-z]'
sdlVideo='SDL_(GL_|[A-Za-z]*Window|[A-Za-z]*Display|[A-Za-z]*Cursor|[A-Za-z]*MessageBox|[A-Za-z]*Event|[A-Za-z]*Hint|VideoInit)'
for engine in records render layers effects timeline; do
  refuse "$engine" "$platform" "platform code (the engine calls GL and GLU only)"
done
refuse assets 'SDL_|openmpt_|X[A-Z][a-z]' "SDL, Xlib or libopenmpt"
refuse music "$sdlVideo|jpeg_|X[A-Z][a-z]" "SDL video/input, Xlib or libjpeg"
refuse shell 'openmpt_|jpeg_|SDL_[A-Za-z]*Audio' "libopenmpt, libjpeg or SDL audio"

for list in "$@"; do
  IFS=';' read -ra files <<<"$list"
  for f in "${files[@]}"; do
    if [ ! -f "$f" ]; then echo "no front-end file $f"; bad=1; continue; fi
    hits=$(nm -u "$f" | awk '{print $NF}' | grep -E "^($sdlVideo|SDL_(PollEvent|GetKey|ShowCursor|GetMouse))" | sort -u || true)
    if [ -n "$hits" ]; then
      echo "$(basename "$f") calls SDL video or input outside the shell:"
      echo "$hits"
      bad=1
    fi
  done
done
exit $bad
