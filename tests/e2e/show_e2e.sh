#!/usr/bin/env bash
# Runs the show on a private Xvfb display in a scratch working directory and
# checks how one run ends.
#
#   show_e2e.sh CASE SHOW_BINARY [MODULE | SHOW_DIR]
#
#   module-end      a short module: the show reaches the main loop with the cursor
#                   hidden, ends by itself, 0
#   escape          a long module, Escape held: ends after the first frame, 0
#   escape-tap      a long module, a 10 ms Escape tap in the main loop: ends within 1 s, 0
#   escape-fade     the same, and the sound heard fades out instead of stopping dead
#   close-request   a long module, SIGTERM in the main loop: the close request ends it, 0
#   window-close    under openbox, WM_DELETE_WINDOW in the main loop: 0 within 1 s, no fade
#   window-destroy  under openbox, the window destroyed by another client (xdotool
#                   windowclose): 1 within 1 s, a line on stderr
#   lost-display    the X server goes away in the main loop: 1 within 1 s, a line on stderr
#   whole-show      the show's own data (SHOW_DIR: gfx/, data/, soundtrack.mo3) to its end, 0
#   missing-module  no soundtrack: "Can't play the file" and its box, 1
#   no-mode         a 800x600 screen: "screenmode not found" and its box, 1
#   no-gl           a server without GLX: "Can't Find A Suitable PixelFormat." and its box, 1
#   no-audio        no usable audio driver: "Can't initialize device" and its box, 1
#   no-video        no usable video driver: "can't init opengl-window" and its box, 1
#   old-library     an older libopenmpt at run time (OLD_OPENMPT, preloaded): the version
#                   message and its box, 1
#
# The box cases run under openbox (no-audio without a window manager, as the other
# way a desktop can be), take a screenshot with the box up and check that the
# box's own colours fill its place on screen: it is on top. Error boxes wait for the
# viewer; this script is the viewer and ends each box in another way: Return, SIGINT
# or SIGTERM, each with status 1.
set -u

case_name=$1
show=$2
module=${3:-}

x_helper=${X_HELPER:-$(dirname "$show")/../tests/e2e/x_helper}
convert=/usr/bin/convert  # ImageMagick's own, whatever else is on the path

case "$case_name" in
  module-end|escape|escape-tap|escape-fade|close-request|window-close|window-destroy|\
  lost-display|whole-show)
    if [ -z "$module" ]; then
      echo "FAIL ($case_name): no module given (is tools/modwriter built?)" >&2
      exit 1
    fi ;;
esac

screen=640x480
[ "$case_name" = no-mode ] && screen=800x600
server_options=()
[ "$case_name" = no-gl ] && server_options=(-extension GLX)

window_manager=""
case "$case_name" in
  window-close|window-destroy|missing-module|no-mode|no-gl|no-video|old-library)
    window_manager=openbox ;;
esac

work=$(mktemp -d)
xvfb_pid=""
show_pid=""
wm_pid=""
sound_pid=""
record_pid=""
cleanup() {
  [ -n "$show_pid" ] && kill -KILL "$show_pid" 2>/dev/null
  [ -n "$record_pid" ] && kill "$record_pid" 2>/dev/null
  if [ -n "$sound_pid" ]; then
    kill "$sound_pid" 2>/dev/null
    wait "$sound_pid" 2>/dev/null
  fi
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
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
  xwininfo -root -tree 2>&1 | grep -vE '\(has no name\): \(\)|OPENBOX|^ *[0-9]+ child' >&2
  exit 1
}

. "$(dirname "$0")/wait_until.sh"
# How long the show may take to end once told to: a hang fails, a slow machine
# does not (at a load of 27 on two cores the Escape fade took over 1 s). The
# time taken is printed with each case.
prompt_end=30
# Running and not yet a zombie: the state field follows the name in parentheses.
alive() {
  local state
  state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1)
  [ -n "$state" ] && [ "$state" != Z ]
}

# A display number drawn at random from 200-999, so that runs side by side (and
# other servers on the machine) keep out of each other's way; a taken number
# makes Xvfb fail at once, and another is drawn. -noreset: by default the server
# resets when its last client leaves, and a show connecting right after the
# display check below would meet a server in the middle of its reset.
for _ in $(seq 20); do
  number=$(( 200 + RANDOM % 800 ))
  [ -e "/tmp/.X$number-lock" ] && continue
  Xvfb ":$number" -displayfd 3 -noreset -screen 0 "${screen}x24" -nolisten tcp \
    "${server_options[@]}" 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 200); do
    [ -s "$work/display" ] && break
    alive "$xvfb_pid" || break
    sleep 0.025
  done
  [ -s "$work/display" ] && break
  xvfb_pid=""
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"
# Another server answering on this number would make every result meaningless.
[ "$(xdotool getdisplaygeometry)" = "${screen/x/ }" ] ||
  fail "display $DISPLAY is not the ${screen} one started here"
if [ -n "$window_manager" ]; then
  openbox --sm-disable >"$work/wm.log" 2>&1 &
  wm_pid=$!
  "$x_helper" wm-ready || fail "openbox did not come up: $(cat "$work/wm.log")"
fi
# What would be heard, in a file: the disk driver writes it at the device's
# pace; a server's null sink's monitor is recorded as it plays.
sound=${SOUND:-disk}
case "$sound" in
  disk)
    export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/heard.raw" ;;
  pulse|pipewire|pipewire-native)
    session=$(dirname "$0")/sound_session.sh
    bash "$session" start "${sound%-native}" "$work/sound" 2>"$work/sound.log" &
    sound_pid=$!
    wait_until 60 test -s "$work/sound/server" || fail "no $sound server: $(cat "$work/sound.log")"
    export PULSE_SERVER="$(cat "$work/sound/server")" PIPEWIRE_RUNTIME_DIR="$work/sound/run"
    export SDL_AUDIODRIVER=pulseaudio
    [ "$sound" = pipewire-native ] && SDL_AUDIODRIVER=pipewire
    bash "$session" record "$work/sound" >"$work/heard.raw" &
    record_pid=$! ;;
  *)
    fail "unknown sound $sound" ;;
esac
[ "$case_name" = no-audio ] && export SDL_AUDIODRIVER=no-such-driver
unset WAYLAND_DISPLAY SDL_VIDEODRIVER
[ "$case_name" = no-video ] && export SDL_VIDEODRIVER=no-such-driver

mkdir "$work/show"
if [ "$case_name" = whole-show ]; then
  for f in gfx data soundtrack.mo3; do
    [ -e "$module/$f" ] || fail "no $f in $module"
    ln -s "$(cd "$module" && pwd)/$f" "$work/show/$f"
  done
elif [ -n "$module" ]; then
  cp "$module" "$work/show/soundtrack.mo3" || fail "no module at $module"
fi

start=$(now_ms)
preload=()
# A sanitizer build's runtime wants to come first; the stand-in library is plain C.
[ "$case_name" = old-library ] &&
  preload=(env LD_PRELOAD="$OLD_OPENMPT" ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0")
(cd "$work/show" && exec "${preload[@]}" "$show" >"$work/stdout" 2>"$work/stderr") &
show_pid=$!

ended() { ! alive "$show_pid"; }
# Waits for the show to end within $1 seconds and sets `status`.
wait_for_end() {
  wait_until "$1" ended || fail "still running after $1 s"
  wait "$show_pid"
  status=$?
  show_pid=""
}

# The module is heard (a sounding sample in the file of what is heard): the show
# plays it just before its main loop.
music_heard() {
  alive "$show_pid" || fail "the show ended before its music was heard"
  [ "$(tr -d '\0' <"$work/heard.raw" 2>/dev/null | head -c1 | wc -c)" = 1 ]
}
wait_for_music() { wait_until "$1" music_heard || fail "the music was never heard"; }

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

# The error box: its window is titled "Error"; without a window manager, also any
# visible top-level window that is neither the root nor the show's.
find_box() {
  local root show_id w
  # xdotool's search misses a box inside a window manager's frame; xwininfo sees it.
  w=$(xwininfo -root -tree 2>/dev/null | awk '$2 == "\"Error\":" { print $1; exit }')
  if [ -n "$w" ] || [ -n "$window_manager" ]; then
    echo "$w"
    return
  fi
  root=$(xdotool search --maxdepth 0 --classname '.*' 2>/dev/null | head -n1)
  show_id=$(show_window)
  for w in $(xdotool search --onlyvisible --maxdepth 1 --classname '.*' 2>/dev/null); do
    if [ "$w" != "$root" ] && [ "$w" != "$show_id" ]; then
      echo "$w"
      return
    fi
  done
}

# The share of the box's place on screen showing the box's own background colour
# (SDL's default scheme, 56,54,53): near 1 when the box is on top.
box_share_on_screen() {
  local box=$1 geometry x y w h
  geometry=$(xdotool getwindowgeometry --shell "$box") || return 1
  eval "$geometry"
  x=$X y=$Y w=$WIDTH h=$HEIGHT
  xwd -root -silent >"$work/screen.xwd" || return 1
  "$convert" "xwd:$work/screen.xwd" "$work/screen.png" || return 1
  cp "$work/screen.png" "${E2E_SHOTS:-$work}/$case_name.png" 2>/dev/null
  "$convert" "$work/screen.png" -crop "${w}x${h}+${x}+${y}" +repage -fill black \
    +opaque 'rgb(56,54,53)' -fill white -opaque 'rgb(56,54,53)' -format '%[fx:mean]' info:
}

# Waits for the box, checks it is on top, ends it with $2 (Return, INT or TERM)
# and sets `status`.
dismiss_box_and_wait() {
  local deadline=$(( $(now_ms) + $1 * 1000 ))
  local how=${2:-Return}
  local box=""
  while [ -z "$box" ]; do
    [ "$(now_ms)" -gt "$deadline" ] && fail "no error box appeared"
    alive "$show_pid" || fail "the show ended without waiting at an error box"
    box=$(find_box)
    [ -z "$box" ] && sleep 0.05
  done
  # A box is painted a moment after it is mapped: look again for up to 3 s.
  local share tries=0
  while :; do
    share=$(box_share_on_screen "$box") || fail "no screenshot of the box"
    awk -v s="$share" 'BEGIN { exit !(s >= 0.5) }' && break
    tries=$((tries + 1))
    [ "$tries" -ge 15 ] && fail "the box is hidden: only $share of its place shows its colour"
    sleep 0.2
  done
  echo "box $box on screen: share $share of its place in its own colour" >&2
  # Still up once it was seen painted: the box waits for the viewer.
  if ! alive "$show_pid"; then
    wait "$show_pid"
    fail "the show ended (status $?) without waiting at the error box"
  fi
  if [ "$how" != Return ]; then
    kill -"$how" "$show_pid"
    wait_for_end 2
    return
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

# A recording holds the show's last sound once half a second more came in
# after the show ended.
recorded_past() { [ "$(stat -c %s "$work/heard.raw")" -gt "$1" ]; }
stop_recording() {
  local bytes_then
  bytes_then=$(( $(stat -c %s "$work/heard.raw") + 44100 * 2 * 4 / 2 ))
  wait_until 30 recorded_past "$bytes_then" || fail "the recording stopped"
  kill "$record_pid"
  wait "$record_pid" 2>/dev/null
  record_pid=""
}

# The sound's level before Escape or the close and at its very end: the peak of
# the second before the last 200 ms of sound, and of the last 10 ms of sound
# (trailing silence from a paused device left out). Stereo 32-bit floats.
tail_of_heard() {
  [ -n "$record_pid" ] && stop_recording
  [ -s "$work/heard.raw" ] || return 1
  python3 - "$work/heard.raw" <<'PY'
import array, sys
samples = array.array("f")
with open(sys.argv[1], "rb") as f:
    samples.frombytes(f.read())
end = len(samples)
while end > 0 and samples[end - 1] == 0.0:
    end -= 1
rate = 2 * 44100
steady = samples[max(0, end - rate * 12 // 10):max(0, end - rate // 5)]
last = samples[max(0, end - rate // 100):end]
print("%.4f %.4f" % (max(map(abs, steady), default=0), max(map(abs, last), default=0)))
PY
}

expect_stderr_line() {
  grep -qxF "$1" "$work/stderr" || fail "standard error lacks the line \"$1\""
}

case "$case_name" in
  module-end)
    id=$(wait_for_window 60) || exit 1
    geometry=$(xdotool getwindowgeometry "$id")
    echo "$geometry" | grep -q 'Position: 0,0' || fail "window not at 0,0: $geometry"
    echo "$geometry" | grep -q 'Geometry: 640x480' || fail "window not 640x480: $geometry"
    # The pointer starts in the middle of the screen, over the show: no cursor there.
    wait_until 10 "$x_helper" cursor-hidden || fail "the cursor shows over the show"
    wait_for_end 30
    [ "$status" -eq 0 ] || fail "exit status $status, expected 0"
    elapsed=$(( $(now_ms) - start ))
    # Two one-second fades, then the main loop until the module (1.92 s unless
    # another is configured) has played.
    [ "$elapsed" -ge 3000 ] || fail "ended after $elapsed ms, before the module was over"
    grep -qE "Can't|can't|screenmode" "$work/stderr" && fail "a fatal message on a good run"
    ;;
  escape)
    wait_for_window 60 >/dev/null || exit 1
    # Held from the loading screen on: seen by the first pump, so one frame runs.
    xdotool keydown Escape
    wait_for_end 20
    xdotool keyup Escape
    [ "$status" -eq 0 ] || fail "exit status $status, expected 0"
    ;;
  escape-tap|escape-fade)
    wait_for_window 60 >/dev/null || exit 1
    wait_for_music 30  # past both fades, into the main loop
    alive "$show_pid" || fail "the show ended by itself"
    xdotool keydown Escape
    sleep 0.01
    xdotool keyup Escape
    tapped=$(now_ms)
    wait_for_end "$prompt_end"
    [ "$status" -eq 0 ] || fail "exit status $status, expected 0"
    echo "ended $(( $(now_ms) - tapped )) ms after the tap" >&2
    [ "$case_name" = escape-tap ] && { echo "ok ($case_name)"; exit 0; }
    fade=$(tail_of_heard) || fail "nothing was heard"
    echo "heard: $fade" >&2
    awk -v f="$fade" 'BEGIN { split(f, p, " "); exit !(p[2] < 0.5 * p[1]) }' ||
      fail "the music stopped dead instead of fading: $fade"
    ;;
  window-close)
    id=$(wait_for_window 60) || exit 1
    wait_for_music 30
    alive "$show_pid" || fail "the show ended by itself"
    sent=$(now_ms)
    "$x_helper" close "$id" || fail "could not send the close request"
    wait_for_end "$prompt_end"
    [ "$status" -eq 0 ] || fail "exit status $status, expected 0"
    echo "ended $(( $(now_ms) - sent )) ms after the close request" >&2
    fade=$(tail_of_heard) || fail "nothing was heard"
    echo "heard: $fade" >&2
    awk -v f="$fade" 'BEGIN { split(f, p, " "); exit !(p[2] > 0.9 * p[1]) }' ||
      fail "the music faded on a close request: $fade"
    ;;
  window-destroy)
    id=$(wait_for_window 60) || exit 1
    wait_for_music 30
    alive "$show_pid" || fail "the show ended by itself"
    sent=$(now_ms)
    xdotool windowclose "$id" || fail "xdotool could not destroy the window"
    wait_for_end "$prompt_end"
    [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
    echo "ended $(( $(now_ms) - sent )) ms after the window was destroyed" >&2
    grep -E "^(the show's window was closed from outside|the X display refused a request)" \
      "$work/stderr" >&2 || fail "no line on standard error tells why the show ended"
    ;;
  lost-display)
    wait_for_window 60 >/dev/null || exit 1
    wait_for_music 30
    alive "$show_pid" || fail "the show ended by itself"
    kill -KILL "$xvfb_pid"
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=""
    lost=$(now_ms)
    wait_for_end "$prompt_end"
    [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
    echo "ended $(( $(now_ms) - lost )) ms after the display went away" >&2
    expect_stderr_line "the connection to the X display was lost"
    ;;
  whole-show)
    wait_for_window 20 >/dev/null || exit 1
    wait_for_end 240
    [ "$status" -eq 0 ] || fail "exit status $status, expected 0"
    elapsed=$(( $(now_ms) - start ))
    # The soundtrack alone lasts 2:46.
    [ "$elapsed" -ge 160000 ] || fail "ended after $elapsed ms, before the soundtrack was over"
    grep -qE "Can't|can't|screenmode|cannot" "$work/stderr" && fail "errors on a good run"
    ;;
  close-request)
    wait_for_window 60 >/dev/null || exit 1
    wait_for_music 30  # past both fades, into the main loop
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
    dismiss_box_and_wait 15 INT
    [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
    expect_stderr_line "screenmode not found"
    ;;
  no-gl)
    dismiss_box_and_wait 15 TERM
    [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
    expect_stderr_line "Can't Find A Suitable PixelFormat."
    ;;
  no-audio)
    dismiss_box_and_wait 15
    [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
    expect_stderr_line "Can't initialize device"
    ;;
  no-video)
    dismiss_box_and_wait 15 TERM
    [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
    expect_stderr_line "can't init opengl-window"
    ;;
  old-library)
    dismiss_box_and_wait 15 INT
    [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
    grep -qxE "libopenmpt version [0-9]+\.[0-9]+ was not loaded" "$work/stderr" ||
      fail "standard error lacks the version message"
    ;;
  *)
    fail "unknown case"
    ;;
esac

echo "ok ($case_name) in $(( $(now_ms) - start )) ms"
exit 0
