#!/usr/bin/env bash
# A sound server of its own for one test or bench, as a desktop session starts
# one, with a null sink whose monitor is what a listener would hear.
#
#   sound_session.sh start pulse|pipewire DIR   runs the server until TERM or INT
#                                               (or until its caller is gone),
#                                               then ends all it started
#   sound_session.sh record DIR [MS]            becomes parecord of the null
#                                               sink's monitor: stereo 32-bit
#                                               floats at 44,100 Hz on stdout,
#                                               in pieces of MS ms (20)
#
# pulse: PulseAudio with the null sink. pipewire: PipeWire at 44,100 Hz with
# wireplumber (on a private session bus, without which it will not run) and
# pipewire-pulse, the null sink made through the latter. Either way the server's
# runtime folder is DIR/run, and DIR/server, written once the null sink answers
# as the default sink, holds the PulseAudio address (PULSE_SERVER); PipeWire's
# own clients find it with PIPEWIRE_RUNTIME_DIR=DIR/run. Logs in DIR/*.log.
# Nothing of the machine's own session is used or touched. With
# SOUND_SESSION_REALTIME=N the servers run round-robin at priority N, as a
# desktop's sound server asks for (a bench's own server, on busy shared cores,
# otherwise starves and underruns whatever its client does).
set -u

sink=null_sink

command=$1
if [ "$command" = record ]; then
  dir=$2
  # PipeWire runs its whole graph in the pieces of its most hurried client: a
  # recorder in 2-ms pieces makes the program's stream underrun on a loaded
  # machine, which one in 20-ms pieces, longer than the program's blocks, does not.
  exec parecord --server="$(cat "$dir/server")" --device="$sink.monitor" --raw \
    --format=float32le --rate=44100 --channels=2 --latency-msec="${3:-20}"
fi
kind=$2
dir=$3
run="$dir/run"
mkdir -p "$run" "$dir/home"
chmod 700 "$run"
rm -f "$dir/server"
address="unix:$run/pulse/native"

# The servers see this folder and nothing of the caller's session.
realtime=()
[ -n "${SOUND_SESSION_REALTIME:-}" ] && realtime=(chrt -r "$SOUND_SESSION_REALTIME")
session=(env -i PATH=/usr/bin:/bin HOME="$dir/home" XDG_RUNTIME_DIR="$run"
         XDG_CONFIG_HOME="$dir/home/config" XDG_STATE_HOME="$dir/home/state"
         DBUS_SESSION_BUS_ADDRESS="unix:path=$run/bus" PULSE_RUNTIME_PATH="$run/pulse")
pids=()
finish() {
  trap - TERM INT
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  exit 0
}
trap finish TERM INT

. "$(dirname "$0")/wait_until.sh"
give_up() {
  echo "sound_session.sh: $*" >&2
  tail -n 5 "$dir"/*.log >&2
  finish
}
pactl_here() { pactl --server="$address" "$@"; }
quietly() { "$@" >/dev/null 2>&1; }
default_sink_is_null() { pactl_here info | grep -qx "Default Sink: $sink"; }

case "$kind" in
  pulse)
    "${session[@]}" "${realtime[@]}" pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
      --log-target=file:"$dir/pulse.log" \
      -L "module-native-protocol-unix auth-anonymous=1 socket=$run/pulse/native" &
    pids+=($!)
    ;;
  pipewire)
    mkdir -p "$dir/home/config/pipewire/pipewire.conf.d"
    # The module's own rate: nothing is resampled between the program and the
    # monitor.
    cat >"$dir/home/config/pipewire/pipewire.conf.d/rate.conf" <<'EOF'
context.properties = { default.clock.rate = 44100 default.clock.allowed-rates = [ 44100 ] }
EOF
    "${session[@]}" dbus-daemon --session --nofork --nopidfile --address="unix:path=$run/bus" \
      >"$dir/dbus.log" 2>&1 &
    pids+=($!)
    wait_until 30 test -S "$run/bus" || give_up "no session bus"
    "${session[@]}" "${realtime[@]}" pipewire >"$dir/pipewire.log" 2>&1 &
    pids+=($!)
    wait_until 30 test -S "$run/pipewire-0" || give_up "no PipeWire socket"
    "${session[@]}" "${realtime[@]}" wireplumber >"$dir/wireplumber.log" 2>&1 &
    pids+=($!)
    "${session[@]}" "${realtime[@]}" pipewire-pulse >"$dir/pipewire-pulse.log" 2>&1 &
    pids+=($!)
    ;;
  *)
    echo "sound_session.sh: unknown sound server $kind" >&2
    exit 2
    ;;
esac
wait_until 30 quietly pactl_here info || give_up "the $kind server does not answer"
pactl_here load-module module-null-sink sink_name="$sink" rate=44100 channels=2 >/dev/null ||
  give_up "no null sink"
pactl_here set-default-sink "$sink"
# Under PipeWire the session manager makes it the default, once it is up.
wait_until 30 default_sink_is_null || give_up "the null sink is not the default"
echo "$address" >"$dir/server"

# Until told to end, or until the caller is gone or a server has died.
tail --pid="$PPID" -f /dev/null &
pids+=($!)
wait -n
finish
