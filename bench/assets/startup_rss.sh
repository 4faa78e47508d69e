#!/usr/bin/env bash
# Peak resident memory of the show's start-up on a private Xvfb display, with
# its own pictures (one of them replaced by a FIFO) and with every picture replaced by the heaviest one the
# loader accepts (4096 x 4096, progressive, noise, no chroma subsampling), and
# the time each refusal line took from the start of the run.
#   bench/assets/startup_rss.sh SHOW_DIR       (SHOW_DIR: build/show)
set -u
show_dir=$(cd "$1" && pwd) || exit 2
work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -noreset -screen 0 640x480x24 -nolisten tcp 3>"$work/display" \
  >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")
export SDL_AUDIODRIVER=dummy
unset WAYLAND_DISPLAY SDL_VIDEODRIVER

# Runs the show in DIR until its start-up is over (neither a new line nor a
# new peak for 5 s: the main loop allocates nothing), then asks it to close;
# prints the peak and the lines.
measure() {
  local name=$1 dir=$2
  local start; start=$(date +%s%3N)
  (cd "$dir" && exec ./nivora-dusk >"$work/$name.out" 2>&1) &
  local pid=$!
  local last=0 same=0 peak=0 seen count
  : >"$work/$name.lines"
  # Each new line is stamped with the time it was first seen (100 ms polls).
  while [ $same -lt 50 ] && kill -0 "$pid" 2>/dev/null; do
    seen=$(sed -n 's/^VmHWM:[[:space:]]*\([0-9]*\) kB/\1/p' "/proc/$pid/status" 2>/dev/null)
    count=$(wc -l <"$work/$name.out")
    if [ -n "$seen" ] && [ "$seen" -ne "$peak" ]; then
      peak=$seen
      same=0
    elif [ "$count" -eq "$last" ]; then
      same=$((same + 1))
    else
      sed -n "$((last + 1)),${count}p" "$work/$name.out" |
        sed "s/^/$(( $(date +%s%3N) - start )) ms: /" >>"$work/$name.lines"
      same=0
      last=$count
    fi
    sleep 0.1
  done
  kill -TERM "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  echo "$name: peak RSS $((peak / 1024)) MB over the start-up, $last lines"
  cat "$work/$name.lines"
}

cp -r "$show_dir" "$work/own"
# One picture a FIFO, as a careless copy might leave it: its line, and no wait.
rm "$work/own/gfx/tex3.jpg"
mkfifo "$work/own/gfx/tex3.jpg"
measure own-pictures "$work/own"

convert -size 4096x4096 xc:gray +noise Random -quality 90 -sampling-factor 1x1 \
  -interlace JPEG "$work/big.jpg"
cp -r "$show_dir" "$work/big"
for picture in "$work"/big/gfx/*.jpg "$work"/big/data/*.jpg; do cp "$work/big.jpg" "$picture"; done
echo "every picture: $(stat -c %s "$work/big.jpg") bytes, 4096x4096 progressive"
measure largest-pictures "$work/big"
