#!/usr/bin/env bash
# How reliably a 10 ms Escape tap ends the show: runs an end-to-end case N times
# (escape-tap: a tap in the main loop must end the show within 1 s with status 0;
# escape-fade: and its music must be heard fading out) and prints how many ended
# as they should, with the time from each tap to the end.
#
#   bench/shell/escape_tap.sh BUILD_DIR [N] [escape-tap|escape-fade]
set -u
build=$(cd "$1" && pwd)
runs=${2:-20}
case_name=${3:-escape-tap}
here=$(cd "$(dirname "$0")" && pwd)
ok=0
for i in $(seq "$runs"); do
  if X_HELPER="$build/tests/e2e/x_helper" bash "$here/../../tests/e2e/show_e2e.sh" "$case_name" \
      "$build/show/nivora-dusk" "$build/tests/e2e/long.xm" >"/tmp/escape_tap.$$.log" 2>&1; then
    ok=$((ok + 1))
    grep -E "ms after the tap|heard:" "/tmp/escape_tap.$$.log"
  else
    echo "run $i failed:"; grep -E "FAIL|heard|status" "/tmp/escape_tap.$$.log"
  fi
done
rm -f "/tmp/escape_tap.$$.log"
echo "$case_name: $ok of $runs runs ended as they should"
[ "$ok" -eq "$runs" ]
