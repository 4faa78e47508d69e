#!/usr/bin/env bash
# Starts a headless Wayland compositor for the end-to-end runs and becomes it
# (exec), so that its caller ends it by the process id it started.
#
#   wayland_session.sh sway WxH DIR             sway on wlroots' headless backend,
#                                               one output of WxH, a keyboard only
#                                               from wtype's virtual one
#   wayland_session.sh weston WxH DIR [xwayland]  weston's headless backend: no seat;
#                                               with xwayland, an X display beside it
#
# DIR/run is the compositor's XDG_RUNTIME_DIR and DIR/compositor.log its log.
# The caller waits for what it needs: the socket in DIR/run, swaymsg answering,
# weston's line "xserver listening on display :N".
# sway refuses to run as root: run so, it runs as the unprivileged user
# nivora-wayland, made here when missing, and DIR's parents must let it through.
set -eu

kind=$1
size=$2
dir=$3
width=${size%x*}
height=${size#*x}
run="$dir/run"
mkdir -p "$run"
chmod 700 "$run"

case "$kind" in
  sway)
    # Floating windows keep the size they ask for, as on a stacking desktop;
    # no borders or bar: the screenshots hold the programs' pixels alone.
    cat >"$dir/sway.conf" <<EOF
output HEADLESS-1 resolution $size position 0 0
default_border none
default_floating_border none
for_window [title="^nivora dusk\$"] floating enable
EOF
    as_user=()
    if [ "$(id -u)" -eq 0 ]; then
      id nivora-wayland >/dev/null 2>&1 ||
        useradd --system --no-create-home --shell /usr/sbin/nologin nivora-wayland
      chown nivora-wayland "$run"
      chmod 755 "$dir"
      chmod 644 "$dir/sway.conf"
      as_user=(setpriv --reuid=nivora-wayland --regid="$(id -g nivora-wayland)" --clear-groups)
    fi
    exec "${as_user[@]}" env -i PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$run" \
      WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
      sway --config "$dir/sway.conf" >"$dir/compositor.log" 2>&1
    ;;
  weston)
    extra=()
    [ "${4:-}" = xwayland ] && extra=(--xwayland)
    exec env XDG_RUNTIME_DIR="$run" weston --backend=headless-backend.so --socket=wayland-e2e \
      --width="$width" --height="$height" --idle-time=0 --no-config "${extra[@]}" \
      >"$dir/compositor.log" 2>&1
    ;;
  *)
    echo "wayland_session.sh: unknown compositor $kind" >&2
    exit 2
    ;;
esac
