#!/usr/bin/env bash
# Runs the show on a private Xvfb display in a scratch working directory and
# checks how one run ends.
#
#   show_e2e.sh CASE SHOW_BINARY [MODULE]
#
#   module-end      a short module: the show reaches the main loop, ends by itself, 0
#   escape          a long module, Escape held: ends after the first frame, 0
#   close-request   a long module, SIGTERM in the main loop: the close request ends it, 0
#   missing-module  no soundtrack: "Can't play the file" and its box, 1
#   no-mode         a 800x600 screen: "screenmode not found" and its box, 1
#   no-gl           a server without GLX: "Can't Find A Suitable PixelFormat." and its box, 1
#   no-audio        no usable audio driver: "Can't initialize device" and its box, 1
#
# Error boxes wait for the viewer; this script is the viewer and presses Return.
set -u

case_name=$1
show=$2
module=${3:-}

case "$case_name" in
  module-end|escape|close-request)
    if [ -z "$module" ]; then
      echo "FAIL ($case_name): no module given (is tools/modwriter built?)" >&2
      exit 1
    fi ;;
esac

screen=640x480
[ "$case_name" = no-mode ] && screen=800x600
server_options=()
[ "$case_name" = no-gl ] && server_options=(-extension GLX)

work=$(mktemp -d)
xvfb_pid=""
show_pid=""
cleanup() {
  [ -n "$show_pid" ] && kill -KILL "$show_pid" 2>/dev/null
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL ($case_name): $*" >&2
  echo "--- show's standard error:" >&2
  cat "$work/stderr" >&2 2>/dev/null
  echo "--- display ${DISPLAY:-none}: $(xdotool getdisplaygeometry 2>&1)" >&2
  exit 1
}

now_ms() { date +%s%3N; }
# Running and not yet a zombie: the state field follows the name in parentheses.
alive() {
  local state
  state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1)
  [ -n "$state" ] && [ "$state" != Z ]
}

# -displayfd picks a free display number. -noreset: by default the server resets
# when its last client leaves, and a show connecting right after the display
# check below would meet a server in the middle of its reset.
Xvfb -displayfd 3 -noreset -screen 0 "${screen}x24" -nolisten tcp "${server_options[@]}" \
  3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 200); do
  [ -s "$work/display" ] && break
  alive "$xvfb_pid" || break
  sleep 0.025
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"
# Another server answering on this number would make every result meaningless.
[ "$(xdotool getdisplaygeometry)" = "${screen/x/ }" ] ||
  fail "display $DISPLAY is not the ${screen} one started here"
export SDL_AUDIODRIVER=dummy
[ "$case_name" = no-audio ] && export SDL_AUDIODRIVER=no-such-driver
unset WAYLAND_DISPLAY SDL_VIDEODRIVER

mkdir "$work/show"
if [ -n "$module" ]; then
  cp "$module" "$work/show/soundtrack.mo3" || fail "no module at $module"
fi

start=$(now_ms)
(cd "$work/show" && exec "$show" >"$work/stdout" 2>"$work/stderr") &
show_pid=$!

# Waits for the show to end within $1 seconds and sets `status`.
wait_for_end() {
  local deadline=$(( $(now_ms) + $1 * 1000 ))
  while alive "$show_pid"; do
    [ "$(now_ms)" -gt "$deadline" ] && fail "still running after $1 s"
    sleep 0.05
  done
  wait "$show_pid"
  status=$?
  show_pid=""
}

show_window() { xdotool search --onlyvisible --name '^nivora dusk$' 2>/dev/null | head -n1; }

# Waits up to $1 seconds for the show's window to be mapped; prints its id.
wait_for_window() {
  local deadline=$(( $(now_ms) + $1 * 1000 ))
  local id=""
  while [ -z "$id" ]; do
    [ "$(now_ms)" -gt "$deadline" ] && fail "the show's window never appeared"
    alive "$show_pid" || fail "the show ended before its window appeared"
    id=$(show_window)
    [ -z "$id" ] && sleep 0.05
  done
  echo "$id"
}

# The error box: a visible top-level window that is neither the root nor the show's.
find_box() {
  local root show_id w
  root=$(xdotool search --maxdepth 0 --classname '.*' 2>/dev/null | head -n1)
  show_id=$(show_window)
  for w in $(xdotool search --onlyvisible --maxdepth 1 --classname '.*' 2>/dev/null); do
    if [ "$w" != "$root" ] && [ "$w" != "$show_id" ]; then
      echo "$w"
      return
    fi
  done
}

# Waits for the box, presses Return on it until the show ends, and sets `status`.
dismiss_box_and_wait() {
  local deadline=$(( $(now_ms) + $1 * 1000 ))
  local box=""
  while [ -z "$box" ]; do
    [ "$(now_ms)" -gt "$deadline" ] && fail "no error box appeared"
    alive "$show_pid" || fail "the show ended without waiting at an error box"
    box=$(find_box)
    [ -z "$box" ] && sleep 0.05
  done
  # Still up a moment later: the box waits for the viewer.
  sleep 0.3
  if ! alive "$show_pid"; then
    wait "$show_pid"
    fail "the show ended (status $?) without waiting at the error box"
  fi
  # A box that has not reached its event loop yet misses the key: press again.
  while alive "$show_pid"; do
    [ "$(now_ms)" -gt "$deadline" ] && fail "the error box does not go away"
    box=$(find_box)
    [ -n "$box" ] && xdotool key --window "$box" Return 2>/dev/null
    sleep 0.2
  done
  wait_for_end 5
}

expect_stderr_line() {
  grep -qxF "$1" "$work/stderr" || fail "standard error lacks the line \"$1\""
}

case "$case_name" in
  module-end)
    id=$(wait_for_window 10) || exit 1
    geometry=$(xdotool getwindowgeometry "$id")
    echo "$geometry" | grep -q 'Position: 0,0' || fail "window not at 0,0: $geometry"
    echo "$geometry" | grep -q 'Geometry: 640x480' || fail "window not 640x480: $geometry"
    wait_for_end 30
    [ "$status" -eq 0 ] || fail "exit status $status, expected 0"
    elapsed=$(( $(now_ms) - start ))
    # Two one-second fades, then the main loop until the module (1.92 s unless
    # another is configured) has played.
    [ "$elapsed" -ge 3000 ] || fail "ended after $elapsed ms, before the module was over"
    grep -qE "Can't|can't|screenmode" "$work/stderr" && fail "a fatal message on a good run"
    ;;
  escape)
    wait_for_window 10 >/dev/null || exit 1
    # Held from the loading screen on: seen by the first pump, so one frame runs.
    xdotool keydown Escape
    wait_for_end 20
    xdotool keyup Escape
    [ "$status" -eq 0 ] || fail "exit status $status, expected 0"
    ;;
  close-request)
    wait_for_window 10 >/dev/null || exit 1
    sleep 2.5  # past both fades, into the main loop
    alive "$show_pid" || fail "the show ended by itself"
    kill -TERM "$show_pid"
    wait_for_end 5
    [ "$status" -eq 0 ] || fail "exit status $status, expected 0"
    ;;
  missing-module)
    dismiss_box_and_wait 15
    [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
    expect_stderr_line "Can't play the file"
    ;;
  no-mode)
    dismiss_box_and_wait 15
    [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
    expect_stderr_line "screenmode not found"
    ;;
  no-gl)
    dismiss_box_and_wait 15
    [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
    expect_stderr_line "Can't Find A Suitable PixelFormat."
    ;;
  no-audio)
    dismiss_box_and_wait 15
    [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
    expect_stderr_line "Can't initialize device"
    ;;
  *)
    fail "unknown case"
    ;;
esac

echo "ok ($case_name) in $(( $(now_ms) - start )) ms"
exit 0
