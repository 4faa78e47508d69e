#!/usr/bin/env bash
# The page's sound against the native render: the capture writes the first
# seconds' sound (one frame a second, the pictures unused), the page plays them
# into a PulseAudio null sink whose monitor is recorded.
#   tests/web/sound.sh CAPTURE SITE_DIR SECONDS
set -euo pipefail
capture=$1 site=$2 seconds=$3
ref=$(mktemp -d)
trap 'rm -rf "$ref"' EXIT
"$capture" --fps 1 --to "$((seconds + 2))s" --frames "$ref" >/dev/null
node "$(dirname "$0")/sound_test.mjs" "$site" "$ref/audio.wav" "$seconds"
