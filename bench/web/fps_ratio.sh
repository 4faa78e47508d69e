#!/usr/bin/env bash
# Frames per second in every order, the page against the native player on the
# same machine: the page in headless Chromium (WebGL 2 on SwiftShader) through
# measure.mjs, the player (fixed-function GL on llvmpipe) in a 640x480 window on
# a private Xvfb screen without vsync, its sound to SDL's disk driver. Both go
# Home, then on with Right, SECONDS_PER_ORDER in each order; the player's frames
# of an order are the lines of its --frame-times between the seeks, which it
# reports with the frames shown so far.
#   bash bench/web/fps_ratio.sh [SECONDS_PER_ORDER] [BUILD_DIR] [SITE_DIR]
# (defaults 4, build, build-web/site; after bash scripts/web.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-4}
build=$(cd "${2:-$root/build}" && pwd)
site=$(cd "${3:-$root/build-web/site}" && pwd)
player=$build/show/nivora-play
orders=19
. "$root/tests/e2e/wait_until.sh"

work=$(mktemp -d)
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "fps_ratio.sh: $*" >&2
  exit 1
}
[ -x "$player" ] || fail "no $player (ninja -C $build nivora-play)"
[ -f "$site/index.html" ] || fail "no site in $site (bash scripts/web.sh)"
before=$(uptime)
started=$(now_ms)

# The server picks a free display number itself and writes it once it listens.
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 640x480x24 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
wait_until 30 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
DISPLAY=":$(head -n1 "$work/display")"
export DISPLAY
unset WAYLAND_DISPLAY SDL_VIDEODRIVER
log=$work/player.log
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/heard.raw" \
  "$player" --window 640x480 --no-vsync --frame-times "$work/times" 2>"$log" &
player_pid=$!
pids+=("$player_pid")
window=""
has_window() { window=$(xdotool search --onlyvisible --name '^nivora dusk$' 2>/dev/null | head -n1); [ -n "$window" ]; }
wait_until 180 has_window || fail "no player window: $(cat "$log")"
wait_until 180 test -s "$work/heard.raw" || fail "the player's music never started: $(cat "$log")"
key() { xdotool windowfocus --sync "$window" key "$1"; }
reports() { grep -c "$1" "$log" || true; }
more_reports() { [ "$(reports "$1")" -gt "$2" ]; }
press_and_wait() {
  local n
  n=$(reports "$2")
  key "$1"
  wait_until 60 more_reports "$2" "$n" || fail "no answer to $1: $(tail -n 3 "$log")"
}
press_and_wait Home "sought in"
for ((order = 0; order < orders; order++)); do
  [ $order -gt 0 ] && press_and_wait Right "sought in"
  sleep "$seconds"  # the measuring window, as the page's
done
press_and_wait space "paused at"
key Escape
wait "$player_pid" || fail "the player ended with status $?: $(tail -n 3 "$log")"

# Each order's frames: from the one after its seek's frame (which holds the
# seek) to the one before the next seek's, or the pause.
grep -E "sought in|paused at" "$log" | sed -E 's/.* at order ([0-9]+) .* after ([0-9]+) frames$/\1 \2/' \
  >"$work/cuts"
awk 'NR == FNR { order[NR] = $1; cut[NR] = $2; n = NR; next }
     { ms[FNR] = $1 }
     END {
       for (i = 1; i < n; i++) {
         sum = 0
         for (f = cut[i] + 2; f <= cut[i + 1]; f++) sum += ms[f]
         if (sum > 0) printf "%d %.1f\n", order[i], (cut[i + 1] - cut[i] - 1) * 1000 / sum
       }
     }' "$work/cuts" "$work/times" >"$work/native"

node "$root/bench/web/measure.mjs" "$site" "$seconds" >"$work/page.log" ||
  fail "measure.mjs failed: $(tail -n 5 "$work/page.log")"
awk '/^ *[0-9]+ +[0-9.]+ +[0-9]+ +-?[0-9]+$/ { print $1, $2 }' "$work/page.log" >"$work/page"

echo "load before: $before"
echo "load after:  $(uptime)"
echo "$seconds s per order, 640x480; $(( ($(now_ms) - started) / 1000 )) s in all"
echo "order  page fps  native fps  page / native"
awk 'NR == FNR { page[$1] = $2; next }
     { native[$1] = $2; seen[$1] = 1 }
     END {
       for (o = 0; o < '"$orders"'; o++) {
         p = (o in page) ? sprintf("%.1f", page[o]) : "-"
         n = (o in seen) ? sprintf("%.1f", native[o]) : "-"
         r = (o in page) && native[o] > 0 ? sprintf("%.2f", page[o] / native[o]) : "-"
         printf "%5d  %8s  %10s  %13s\n", o, p, n, r
       }
     }' "$work/page" "$work/native"
