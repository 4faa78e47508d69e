# Sourced by the e2e and sound-session scripts: waiting on a condition, with a
# deadline, instead of on a fixed sleep.
now_ms() { date +%s%3N; }
# Waits up to $1 seconds for COMMAND... to succeed.
wait_until() {
  local deadline=$(( $(now_ms) + $1 * 1000 ))
  shift
  until "$@"; do
    [ "$(now_ms)" -gt "$deadline" ] && return 1
    sleep 0.05
  done
}
