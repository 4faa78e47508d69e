#!/usr/bin/env bash
# Records what the show's programs put out, for a byte-for-byte comparison of
# two builds (before and after a change that should change nothing):
#
#   bash bench/goldens/record_goldens.sh OUT [BUILD [PARTS]]
#
# BUILD defaults to build, PARTS to "trace capture player".
#   diff -r OUT-before OUT-after
#
# OUT/trace/  nivora-trace of every order (and one past the last) at four
#             clock states, with the show's objects
# OUT/capture/ nivora-capture's PNG frames and sound: the whole show at 4 fps,
#             three seconds at 60 fps, and two seconds at 1280x720
# OUT/player/ the player's picture at three layouts (borderless fullscreen at
#             1920x1080 and 1280x1024, a 800x600 window) paused and sought to
#             order 1's first row (a few layers on the clock alone: a frame of
#             many vertices shifts edge pixels from frame to frame in Mesa), taken
#             with xwd under Xvfb
set -euo pipefail
out=${1:?usage: record_goldens.sh OUT [BUILD]}
build=${2:-build}
parts=${3:-trace capture player}
show=$(cd "$build/show" && pwd)
mkdir -p "$out/trace" "$out/capture" "$out/player"
out=$(cd "$out" && pwd)

# Clock states: the order's start, mid-order with a pending sync and kicks in
# flight, the last tick of a row, and a frame long after a sync.
states=(
  "--row 0 --tick 0 --elapsed 0"
  "--row 40 --tick 3 --elapsed 20000 --last-sync 19900 --pending 19990 --rand 12345 --swirl-kick 19950 -1 --pair-kick 19800 -1"
  "--row 63 --tick 63 --elapsed 95000.5 --last-sync 94000 --rand 4000000000"
  "--row 17 --tick 31 --elapsed 150000 --last-sync 149990 --swirl-kick 149000 1 --pair-kick 149500 1"
)
want() { [[ " $parts " == *" $1 "* ]]; }

want trace && for order in $(seq 0 19); do
  for s in "${!states[@]}"; do
    # shellcheck disable=SC2086
    "$show/nivora-trace" --order "$order" ${states[$s]} --data "$show" \
      >"$out/trace/order-$order-state-$s.txt"
  done
done
want trace && echo "trace: $(ls "$out/trace" | wc -l) files"

capture() {
  local name=$1; shift
  "$show/nivora-capture" --data "$show" --frames "$out/capture/$name" "$@" >/dev/null 2>&1
}
if want capture; then
  capture whole --fps 4
  capture dense --fps 60 --from 20s --to 23s
  capture wide --fps 30 --size 1280x720 --from 4 --to 40s
fi
want capture && echo "capture: $(find "$out/capture" -type f | wc -l) files"

# The player under its own Xvfb and openbox, as a desktop has it.
cleanup() {
  for p in ${player_pid:-} ${wm_pid:-} ${x_pid:-}; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

wait_for() {  # wait_for SECONDS COMMAND...: until the command succeeds
  local until=$((SECONDS + $1)); shift
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $until ] || return 1
    sleep 0.1
  done
}

player_shot() {  # player_shot NAME SCREEN [player options...]
  local name=$1 screen=$2; shift 2
  local display=":$((300 + RANDOM % 600))" err="$out/player/$name.stderr"
  Xvfb "$display" -noreset -nolisten tcp -screen 0 "${screen}x24" >/dev/null 2>&1 &
  x_pid=$!
  export DISPLAY=$display
  wait_for 20 xdotool getdisplaygeometry
  openbox --sm-disable >/dev/null 2>&1 &
  wm_pid=$!
  wait_for 20 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
  (cd "$show" && SDL_AUDIODRIVER=dummy exec ./nivora-play "$@" 2>"$err") &
  player_pid=$!
  wait_for 30 xdotool search --onlyvisible --name '^nivora dusk$'
  local id
  id=$(xdotool search --onlyvisible --name '^nivora dusk$' | head -n1)
  # Keys count from the show's first frame on: pause when it takes them, then
  # go to order 1's first row, which the pause keeps.
  # Presses during the loading all arrive at the first frame: one at a time,
  # each waited for, until the last one paused.
  local presses=0
  until [ "$(grep -Eo '(paused|resumed) at' "$err" | tail -n1)" = "paused at" ]; do
    xdotool windowfocus --sync "$id" key space
    presses=$((presses + 1))
    wait_for 60 sh -c "[ \$(grep -Ec '(paused|resumed) at' '$err') -ge $presses ]"
  done
  xdotool windowfocus --sync "$id" key Home
  wait_for 30 grep -q 'at order 0 row 0 tick 0' "$err"
  xdotool windowfocus --sync "$id" key Right
  wait_for 30 grep -q 'at order 1 row 0 tick 0' "$err"
  # The same picture twice in a row: the seek's frame is on the screen.
  local shot="$out/player/$name.xwd"
  if [ "$name" = window ]; then take=(xwd -silent -id "$id"); else take=(xwd -silent -root); fi
  "${take[@]}" >"$shot.prev"
  local stable=0
  for _ in $(seq 50); do
    sleep 0.2
    "${take[@]}" >"$shot"
    if cmp -s "$shot" "$shot.prev"; then stable=1; break; fi
    mv "$shot" "$shot.prev"
  done
  [ $stable = 1 ] || { echo "player: $name never stood still" >&2; mv "$shot.prev" "$shot"; }
  rm -f "$shot.prev" "$err"
  xdotool windowfocus --sync "$id" key Escape
  wait "$player_pid" || true
  cleanup
  player_pid='' wm_pid='' x_pid=''
}
if want player; then
  player_shot desktop-1920x1080 1920x1080
  player_shot desktop-1280x1024 1280x1024
  player_shot window 1280x1024 --window 800x600
fi
want player && echo "player: $(ls "$out/player" | wc -l) files"
