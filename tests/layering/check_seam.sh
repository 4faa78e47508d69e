#!/usr/bin/env bash
# Fails when a platform header is included outside the folder that owns it:
# SDL video/input only in shell/, libopenmpt and SDL audio only in music/,
# libjpeg only in assets/, Xlib only in shell/, and nothing but GL/GLU in the
# engine folders.
set -u
src=$1
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
# music may include SDL.h for audio and timing, but never the video side.
hits=$(grep -rnE '#include[[:space:]]*[<"]SDL2?/?SDL_(video|events|keyboard|mouse|messagebox|opengl)' "$src/music" || true)
if [ -n "$hits" ]; then echo "music/ includes SDL video or input:"; echo "$hits"; bad=1; fi
exit $bad
