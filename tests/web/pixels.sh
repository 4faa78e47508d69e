#!/usr/bin/env bash
# The browser's picture against the native capture's: the capture writes the
# whole show's frames at FPS, the page replays and compares STATES frames per order.
#   tests/web/pixels.sh CAPTURE SITE_DIR FPS STATES
set -euo pipefail
capture=$1 site=$2 fps=$3 states=$4
ref=$(mktemp -d)
trap 'rm -rf "$ref"' EXIT
"$capture" --fps "$fps" --frames "$ref" >/dev/null
node "$(dirname "$0")/pixels_test.mjs" "$site" "$ref" "$fps" "$states"
