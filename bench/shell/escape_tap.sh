#!/usr/bin/env bash
# How reliably a 10 ms Escape tap ends the show: runs the end-to-end escape-tap
# case (a tap in the main loop, the show must end with status 0 and its music
# fade out) N times and prints how many ended as they should.
#
#   bench/shell/escape_tap.sh BUILD_DIR [N]
set -u
build=$(cd "$1" && pwd)
runs=${2:-20}
here=$(cd "$(dirname "$0")" && pwd)
ok=0
for i in $(seq "$runs"); do
  if X_HELPER="$build/tests/e2e/x_helper" bash "$here/../../tests/e2e/show_e2e.sh" escape-tap \
      "$build/show/nivora-dusk" "$build/tests/e2e/long.xm" >"/tmp/escape_tap.$$.log" 2>&1; then
    ok=$((ok + 1))
  else
    echo "run $i failed:"; grep -E "FAIL|heard|status" "/tmp/escape_tap.$$.log"
  fi
done
rm -f "/tmp/escape_tap.$$.log"
echo "escape tap: $ok of $runs runs ended after the frame with the fade heard"
[ "$ok" -eq "$runs" ]
