#!/usr/bin/env bash
# The show with its soundtrack through a real sound server, on a private Xvfb
# screen (640x480, llvmpipe): flashes against their beats and gaps in the
# sound (bench/music/show_av.cpp). Arguments go to show_av.
#
#   bench/music/show_av.sh build [--server pulse|pipewire] [--load] [--seconds N] [--syncs]
set -u
build=$(cd "$1" && pwd)
shift
display=""
for _ in $(seq 20); do
  n=$((200 + RANDOM % 800))
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
done
Xvfb "$display" -noreset -nolisten tcp -screen 0 640x480x24 2>/dev/null &
xvfb=$!
trap 'kill $xvfb; wait $xvfb 2>/dev/null' EXIT
for _ in $(seq 200); do
  DISPLAY=$display xdotool getdisplaygeometry >/dev/null 2>&1 && break
  sleep 0.025
done
cd "$build/show" && DISPLAY=$display "$build/bench/music/show_av" "$@"
