#!/usr/bin/env bash
# A private PulseAudio server with one null sink, bench_null (44,100 Hz), whose
# monitor the A/V benches record; anonymous clients on DIR/native. Runs in the
# foreground until killed; its state and log stay in DIR.
#   bench/music/null_sink.sh DIR
set -euo pipefail
dir=$1
mkdir -p "$dir" && chmod 700 "$dir"
exec env -i PULSE_RUNTIME_PATH="$dir" PULSE_STATE_PATH="$dir" HOME="$dir" PATH=/usr/bin:/bin \
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --log-target="file:$dir/log" \
  -L "module-null-sink sink_name=bench_null rate=44100" \
  -L "module-native-protocol-unix auth-anonymous=1 socket=$dir/native"
