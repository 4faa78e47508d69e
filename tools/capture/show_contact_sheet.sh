#!/usr/bin/env bash
# One captured frame per order (row 32 of each), tiled five by four with the
# order's number: the README's picture of the show.
#
#   show_contact_sheet.sh CAPTURE_BINARY OUTPUT_PNG
set -euo pipefail
capture=$1
output=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for order in $(seq 0 18); do
  # Four frames a second over the order; its middle frame is row 32.
  "$capture" --frames "$work/o$order" --fps 4 --size 240x180 --from "$order" --to $((order + 1)) \
    2>"$work/log" || { cat "$work/log" >&2; exit 1; }
  frames=("$work/o$order"/frame-*.png)
  cp "${frames[$(( ${#frames[@]} / 2 ))]}" "$(printf '%s/sheet-%02d.png' "$work" "$order")"
done
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
ffmpeg -hide_banner -loglevel error -y -start_number 0 -i "$work/sheet-%02d.png" \
  -vf "drawtext=fontfile=$font:text='order %{frame_num}':x=6:y=h-th-6:fontsize=13:fontcolor=white:box=1:boxcolor=black@0.6:boxborderw=3,tile=5x4:padding=4:margin=4:color=black" \
  -frames:v 1 -update 1 "$output"
echo "wrote $output"
