#!/usr/bin/env bash
# The show and the player under a headless Wayland compositor (SDL_VIDEODRIVER=
# wayland, as a Wayland desktop's user sets it), one run per case:
#
#   wayland_e2e.sh CASE SHOW PLAYER MODULE SHOW_DIR
#
#   no-seat        weston's headless backend offers no seat: the show and the player
#                  each give one line and status 1, no crash, no box nobody could answer
#   xwayland       the same weston with XWayland: the show goes to the X display and
#                  plays MODULE (a short one) to its end, 0
#   letterbox      sway at 1920x1080: the show covers the output with its 4:3 picture
#                  between black bars; Escape (a virtual keyboard) ends it, 0; the
#                  compositor lives on
#   close          sway: a close from the compositor (swaymsg kill) ends the show, 0
#   fatal-box      sway, no module: "Can't play the file" and its box (a window of
#                  its own on the output), SIGTERM ends the box, 1; the compositor lives on
#   mode           sway: the player's --mode is refused with a line, status 2
#   cursor         sway with a pointer (tests/e2e/wl_pointer.c): the cursor it shows
#                  on sway's background is hidden over the show and over the player
#                  in fullscreen; SIGTERM ends each, 0
#   focus          sway: another window focused ends the fullscreen of the show
#                  and of the player; the show asks for the focus back (sway marks
#                  it urgent); focused again, each is fullscreen again; Escape, 0
set -u

case_name=$1
show=$(realpath "$2")
player=$(realpath "$3")
module=$(realpath "$4")
show_dir=$(realpath "$5")
here=$(dirname "$0")
wl_pointer=${WL_POINTER:-$(dirname "$show")/../tests/e2e/wl_pointer}
convert=/usr/bin/convert

work=$(mktemp -d)
chmod 755 "$work"  # sway's own user reaches its session inside
compositor_pid=""
show_pid=""
helper_pids=""  # the pointer, a keyboard, another window
cleanup() {
  [ -n "$show_pid" ] && kill -KILL "$show_pid" 2>/dev/null
  for pid in $helper_pids; do kill "$pid" 2>/dev/null; done
  if [ -n "$compositor_pid" ]; then
    kill "$compositor_pid" 2>/dev/null
    wait "$compositor_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL ($case_name): $*" >&2
  echo "--- standard error:" >&2
  cat "$work/stderr" >&2 2>/dev/null
  echo "--- compositor's log (tail):" >&2
  tail -n 15 "$work/session/compositor.log" >&2 2>/dev/null
  exit 1
}

. "$here/wait_until.sh"
alive() {
  local state
  state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1)
  [ -n "$state" ] && [ "$state" != Z ]
}

# $1: sway or weston, $2: the output's size, $3: xwayland or nothing.
start_compositor() {
  mkdir -p "$work/session"
  bash "$here/wayland_session.sh" "$1" "$2" "$work/session" ${3:-} &
  compositor_pid=$!
  export XDG_RUNTIME_DIR="$work/session/run" WAYLAND_DISPLAY=wayland-e2e
  [ "$1" = sway ] && WAYLAND_DISPLAY=wayland-1
  wait_until 30 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || fail "no $1 socket"
  if [ "$1" = sway ]; then
    wait_until 30 sway_answers "$2" || fail "sway never showed a $2 output"
    hold_keyboard
  fi
}
# A virtual keyboard on sway's seat from before the programs start to the end:
# a program takes its keyboard as it starts, and sway tells it of its focus
# through it. A seat whose keyboard comes with each wtype and goes after it
# makes the client fetch a new keyboard first, and the keys sent before it did
# (a frame or more at a high load) were lost. Its x, sent to nobody yet, makes
# it the seat's keyboard, with a keymap: SDL 2.26 crashes on a keyboard's
# modifiers before any keymap, which a client gets that starts while the seat
# has no keyboard in use (sway's, once the last one to type went).
hold_keyboard() {
  wtype -k x -s 600000 &
  helper_pids="$helper_pids $!"
  wait_until 10 eval 'swaymsg -r -t get_seats | grep -q "\"type\": \"keyboard\""' ||
    fail "no keyboard on sway's seat"
}
sway_answers() {
  local sock
  sock=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock 2>/dev/null | head -n1)
  [ -n "$sock" ] || return 1
  export SWAYSOCK=$sock
  swaymsg -t get_outputs 2>/dev/null | grep -q "\"width\": ${1%x*},"
}
compositor_alive() { alive "$compositor_pid" || fail "the compositor died"; }

# The show's working folder: its pictures and objects with MODULE as its soundtrack.
show_folder() {
  mkdir -p "$work/show"
  for f in gfx data; do ln -s "$(cd "$show_dir" && pwd)/$f" "$work/show/$f"; done
  [ -n "${1:-}" ] && cp "$1" "$work/show/soundtrack.mo3"
}

# Runs PROGRAM ARGS... in the show's folder, SDL on Wayland, sound to a file.
start_program() {
  (cd "$work/show" && SDL_VIDEODRIVER=wayland SDL_AUDIODRIVER=disk \
    SDL_DISKAUDIOFILE="$work/heard.raw" exec "$@" >"$work/stdout" 2>"$work/stderr") &
  show_pid=$!
}
wait_for_end() {
  wait_until "$1" eval '! alive "$show_pid"' || fail "still running after $1 s"
  wait "$show_pid"
  status=$?
  show_pid=""
}
expect_status() { [ "$status" = "$1" ] || fail "status $status, not $1"; }
# Standard error holds the line $1 (SDL's disk driver adds a warning of its own).
expect_line() { grep -qxF -- "$1" "$work/stderr" || fail "no line: $1"; }

# sway's tree holds a window titled $1.
window_titled() {
  swaymsg -t get_tree 2>/dev/null | grep -q "\"name\": \"$1\""
}
# The show's window in sway's tree: "FULLSCREEN_MODE URGENT", e.g. "1 false".
show_state() {
  swaymsg -r -t get_tree 2>/dev/null |
    jq -r '.. | objects | select(.name? == "nivora dusk") | "\(.fullscreen_mode) \(.urgent)"'
}
show_state_is() { [ "$(show_state)" = "$1" ]; }
# The program in fullscreen, another window focused and then the program again:
# away, a window, asking for the focus back ($2: true) or not; back, fullscreen.
# Escape ends it, 0.
away_and_back() {
  rm -f "$work/heard.raw"
  wait_until 60 window_titled "nivora dusk" || fail "no window ($1)"
  wait_until 90 music_heard || fail "the music was never heard ($1)"
  wait_until 10 show_state_is "1 false" || fail "$1 not fullscreen: $(show_state)"
  swaymsg '[title="^Flower$"] focus' >/dev/null
  wait_until 20 show_state_is "0 $2" || fail "$1 away: $(show_state), not \"0 $2\""
  swaymsg '[title="^nivora dusk$"] focus' >/dev/null
  wait_until 20 show_state_is "1 false" || fail "$1 focused again: $(show_state), not fullscreen"
  press -k Escape
  wait_for_end 30
  expect_status 0
  compositor_alive
}
music_heard() { [ "$(tr -d '\0' <"$work/heard.raw" 2>/dev/null | head -c1 | wc -c)" = 1 ]; }

# wtype numbers the keys of its keymap from 1, and SDL takes a key without a
# character numbered 1 for a standard keyboard's Escape: an x first, which the
# show ignores.
press() { wtype -k x "$@"; }

# The seat's pointer, fed its places on descriptor 3, at 1920x1080.
start_pointer() {
  mkfifo "$work/pointer.in"
  "$wl_pointer" 1920 1080 <"$work/pointer.in" >"$work/pointer.out" 2>&1 &
  helper_pids="$helper_pids $!"
  exec 3>"$work/pointer.in"
}
# Puts the pointer at X Y and waits until the compositor has it there.
point_at() {
  echo "$1 $2" >&3
  wait_until 10 grep -qx "at $1 $2" "$work/pointer.out" ||
    fail "the pointer did not move: $(cat "$work/pointer.out")"
}
# Lit pixels in the 40x40 square whose corner is the pointer at X Y, sway's
# grey background taken for unlit.
cursor_pixels_at() {
  grim -g "$1,$2 40x40" "$work/cursor.png" || return 1
  "$convert" "$work/cursor.png" -fill black -opaque "srgb(63,63,63)" -threshold 0 \
    -format '%[fx:int(mean*w*h+0.5)]' info:
}
cursor_shown_at() { [ "$(cursor_pixels_at "$1" "$2")" -gt 0 ]; }
# The program's picture is up and the pointer, moved onto its left bar, shows
# no cursor there.
expect_cursor_hidden() {
  wait_until 60 window_titled "nivora dusk" || fail "no window ($1)"
  point_at 960 540
  wait_until 60 picture_lit || fail "the picture never lit ($1): $inside lit between the bars"
  point_at 120 540
  wait_until 20 eval '! cursor_shown_at 120 540' ||
    fail "the cursor shows over $1: $(cursor_pixels_at 120 540) lit pixels under it"
}

# Lit pixels in the screenshot's bars, and the lit share of the 4:3 picture between.
shot_figures() {
  grim "$work/shot.png" || return 1
  bars=$("$convert" "$work/shot.png" \( -clone 0 -crop 240x1080+0+0 \) \
    \( -clone 0 -crop 240x1080+1680+0 \) -delete 0 -append -threshold 0 \
    -format '%[fx:int(mean*w*h+0.5)]' info:)
  inside=$("$convert" "$work/shot.png" -crop 1440x1080+240+0 -threshold 0 -format '%[fx:mean]' info:)
}
expect_black_bars() {
  [ "$bars" = 0 ] && return
  cp "$work/shot.png" "${E2E_SHOTS:-$work}/wayland-bars.png" 2>/dev/null
  fail "$bars lit pixels in the bars ($1)"
}
# The show's picture is up: most of the 4:3 place lit. Every screenshot once the
# show draws (the corner no longer sway's grey background, 63,63,63) has black bars.
picture_lit() {
  shot_figures || return 1
  [ "$("$convert" "$work/shot.png" -format '%[pixel:p{0,0}]' info:)" = "srgb(63,63,63)" ] &&
    return 1
  expect_black_bars "as the picture comes up"
  awk -v m="$inside" 'BEGIN { exit !(m > 0.5) }'
}

case "$case_name" in
  no-seat)
    start_compositor weston 1280x1024
    unset DISPLAY
    show_folder "$module"
    start_program "$show"
    wait_for_end 30
    expect_status 1
    expect_line "can't init opengl-window"
    start_program "$player" --data "$work/show"
    wait_for_end 30
    expect_status 1
    expect_line "can't init opengl-window: the Wayland display has no seat (keyboard or pointer) and no X display is set"
    compositor_alive
    ;;
  xwayland)
    start_compositor weston 1280x1024 xwayland
    wait_until 30 grep -q "xserver listening on display" "$work/session/compositor.log" ||
      fail "no XWayland display"
    export DISPLAY
    DISPLAY=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' \
      "$work/session/compositor.log" | head -n1)
    show_folder "$module"
    start_program "$show"
    wait_for_end 60
    expect_status 0
    expect_line "the Wayland display has no seat: showing on X display $DISPLAY instead"
    music_heard || fail "the module was never heard"
    ;;
  letterbox)
    start_compositor sway 1920x1080
    show_folder "$module"
    start_program "$show"
    wait_until 60 window_titled "nivora dusk" || fail "no window"
    # The loading picture, faded in, and the first scene after it.
    wait_until 60 picture_lit || fail "the picture never lit: $inside lit between the bars"
    cp "$work/shot.png" "${E2E_SHOTS:-$work}/wayland-letterbox.png" 2>/dev/null
    wait_until 90 music_heard || fail "the music was never heard"
    shot_figures || fail "no screenshot"
    expect_black_bars "the first scene"
    # Again while the show runs on, thrice at most, said when it happens.
    for attempt in 1 2 3; do
      [ "$attempt" = 1 ] || echo "Escape sent again"
      press -k Escape
      wait_until 10 eval '! alive "$show_pid"' && break
    done
    wait_for_end 1
    expect_status 0
    compositor_alive
    ;;
  close)
    start_compositor sway 1920x1080
    show_folder "$module"
    start_program "$show"
    wait_until 60 window_titled "nivora dusk" || fail "no window"
    wait_until 90 music_heard || fail "the music was never heard"
    swaymsg '[title="^nivora dusk$"] kill' >/dev/null
    wait_for_end 10
    expect_status 0
    compositor_alive
    ;;
  fatal-box)
    start_compositor sway 1920x1080
    show_folder ""
    start_program "$show"
    wait_until 60 grep -q . "$work/stderr" || fail "no line"
    # SDL's Wayland box is zenity's window.
    wait_until 30 window_titled "Error" || fail "no error box on the output"
    alive "$show_pid" || fail "the show did not wait at its box"
    kill -TERM "$show_pid"
    wait_for_end 10
    expect_status 1
    expect_line "Can't play the file"
    compositor_alive
    ;;
  mode)
    start_compositor sway 1280x1024
    show_folder "$module"
    start_program "$player" --mode 800x600 --data "$work/show"
    wait_for_end 30
    expect_status 2
    expect_line "nivora-play: --mode needs a display that switches modes, which Wayland does not: leave it out for fullscreen at the display's own size"
    ;;
  cursor)
    start_compositor sway 1920x1080
    start_pointer
    point_at 120 540
    wait_until 10 cursor_shown_at 120 540 || fail "the pointer shows no cursor on sway's background"
    show_folder "$module"
    start_program "$show"
    expect_cursor_hidden "the show"
    kill -TERM "$show_pid"
    wait_for_end 10
    expect_status 0
    start_program "$player" --data "$work/show"
    expect_cursor_hidden "the player"
    kill -TERM "$show_pid"
    wait_for_end 10
    expect_status 0
    ;;
  focus)
    start_compositor sway 1920x1080
    show_folder "$module"
    weston-flower >/dev/null 2>&1 &
    helper_pids="$helper_pids $!"
    wait_until 30 window_titled Flower || fail "no other window"
    start_program "$show"
    away_and_back "the show" true
    # The seat's keyboard went with the Escape's wtype: a held one again, with
    # its keymap, before the player starts.
    hold_keyboard
    start_program "$player" --data "$work/show"
    away_and_back "the player" false
    ;;
  *)
    fail "unknown case"
    ;;
esac
echo "ok ($case_name)"
