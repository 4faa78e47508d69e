#!/usr/bin/env bash
# The player's frame times over the whole show, with vsync, on a private Xvfb
# screen of each size given (borderless fullscreen, llvmpipe): median, p95 and
# p99 in milliseconds, and how many frames took over twice the refresh period.
#
#   bench/player/frame_times.sh build/show/nivora-play 1920x1080 640x480
set -u
player=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in "$@"; do
  display=""
  for _ in $(seq 20); do
    n=$((200 + RANDOM % 800))
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
  done
  Xvfb "$display" -noreset -nolisten tcp -screen 0 "${size}x24" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 200); do
    DISPLAY=$display xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.025
  done
  DISPLAY=$display SDL_AUDIODRIVER=dummy "$player" --frame-times "$work/$size.txt" 2>"$work/err"
  status=$?
  kill "$xvfb"
  wait "$xvfb" 2>/dev/null
  if [ $status -ne 0 ]; then
    echo "$size: the player failed ($status): $(cat "$work/err")"
    continue
  fi
  sort -n "$work/$size.txt" | awk -v size="$size" '
    { t[NR] = $1; if ($1 > 2 * 1000 / 60) slow++ }
    END {
      printf "%s: %d frames, median %.1f ms, p95 %.1f ms, p99 %.1f ms, %d over 33.3 ms\n",
             size, NR, t[int(NR * 0.5)], t[int(NR * 0.95)], t[int(NR * 0.99)], slow
    }'
done
