#!/usr/bin/env bash
# The art check: is every line of text the show sets legible somewhere, and
# did the show's brightness stay where it was?
#
# Captures the whole show at 10 fps at 640x480 (nivora-capture --frames), then
#  - reads every frame of the orders that show text with tesseract (English,
#    default page segmentation) three ways: as captured, as normalised grey and
#    negated; a line is read when some frame gives its words in a row, each
#    case-insensitively within one edit of the expected word. Prints, for each
#    line, the first order, row and time at which it reads;
#  - prints the mean luminance of every order (Rec. 601 grey, 0..1) and, given a
#    table from an earlier run, the change against it; more than 5 % is flagged.
# Exits 1 when a line is unread or an order without words moved by more than 5 %.
# Takes about 13 minutes on this project's 2-core machine when it is quiet
# (the capture 3, the 2,400 OCR reads 8), twice that under load. Not part of
# the test suite.
#
#   bash bench/art/art_check.sh [BUILD_DIR] [--frames DIR] [--baseline FILE] [--table FILE]
#
# --frames DIR reads an existing capture (or keeps the new one there);
# --baseline FILE compares with the luminance table an earlier run wrote with
# --table FILE.
set -euo pipefail
build=build
frames="" baseline="" table=""
while [ $# -gt 0 ]; do
  case $1 in
    --frames) frames=$2; shift 2 ;;
    --baseline) baseline=$2; shift 2 ;;
    --table) table=$2; shift 2 ;;
    -*) echo "art_check: unknown option $1" >&2; exit 2 ;;
    *) build=$1; shift ;;
  esac
done
convert=/usr/bin/convert  # ImageMagick's own, whatever else is on the path
for tool in tesseract "$convert" identify; do
  command -v "$tool" >/dev/null || { echo "art_check: $tool is missing: run scripts/setup.sh" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ -z "$frames" ]; then frames=$work/frames; fi
if [ ! -f "$frames/frame-000000.png" ]; then
  capture="$build/show/nivora-capture"
  [ -x "$capture" ] || { echo "art_check: no $capture: build nivora-capture and show-data" >&2; exit 1; }
  echo "== capturing the show at 10 fps, 640x480"
  start=$SECONDS
  "$capture" --fps 10 --size 640x480 --frames "$frames" 2>&1 | grep -v '% ' || exit 1
  echo "capture: $((SECONDS - start)) s"
fi

# Frame n shows the instant n / 10 s; the module runs at speed 6 and 110 BPM,
# so a row lasts 6 * 2.5 / 110 s and an order 64 rows.
positions() {
  awk -v n="$1" 'BEGIN { t = n / 10; row = int(t / (15 / 110) + 1e-9);
                         printf "%d %d %.1f\n", int(row / 64), row % 64, t }'
}

echo "== mean luminance per order"
identify -colorspace Gray -format '%f %[fx:mean]\n' "$frames"/frame-*.png >"$work/means"
awk '{ n = substr($1, 7, 6) + 0; t = n / 10; o = int(int(t / (15 / 110) + 1e-9) / 64);
       sum[o] += $2; count[o]++; if (o > last) last = o }
     END { for (o = 0; o <= last; o++) if (count[o]) printf "%d %.4f\n", o, sum[o] / count[o] }' \
  "$work/means" >"$work/luminance"
if [ -n "$table" ]; then cp "$work/luminance" "$table"; fi
# The orders that show words: the title (2, 3), the strip (5), the credits
# (11), the poem (15, 16) and the closing lines (17, 18), with their
# neighbours 14 kept as filed.
text_orders=" 2 3 5 11 14 15 16 17 18 "
status=0
if [ -n "$baseline" ]; then
  # An order with words may change by its words; any other by 5 % at most.
  awk -v text="$text_orders" 'NR == FNR { before[$1] = $2; next }
       FNR == 1 { printf "%-6s %8s %8s %8s\n", "order", "before", "after", "change" }
       { change = before[$1] > 0 ? 100 * ($2 / before[$1] - 1) : 0; flag = ""
         if (change > 5 || change < -5)
           flag = index(text, " " $1 " ") ? "  (its words)" : "  more than 5 %"
         printf "%-6d %8.4f %8.4f %+7.1f%%%s\n", $1, before[$1], $2, change, flag
         if (flag == "  more than 5 %") bad = 1 }
       END { exit bad }' "$baseline" "$work/luminance" || status=1
else
  awk 'BEGIN { printf "%-6s %8s\n", "order", "mean" } { printf "%-6d %8.4f\n", $1, $2 }' "$work/luminance"
fi

: >"$work/list"
for f in "$frames"/frame-*.png; do
  n=$(basename "$f" .png); n=$((10#${n#frame-}))
  read -r order _ _ < <(positions "$n")
  case $text_orders in *" $order "*) echo "$f" >>"$work/list" ;; esac
done
echo "== reading $(wc -l <"$work/list") frames three ways"
start=$SECONDS
export convert work
read_frame() {
  local f=$1 name
  name=$(basename "$f" .png)
  "$convert" "$f" -colorspace Gray -normalize "$work/$name-grey.png"
  "$convert" "$f" -negate "$work/$name-negative.png"
  for way in captured grey negative; do
    local input=$f
    [ $way = captured ] || input=$work/$name-$way.png
    OMP_THREAD_LIMIT=1 tesseract "$input" - -l eng 2>/dev/null | tr '\n' ' ' >"$work/$name.$way.txt"
    echo >>"$work/$name.$way.txt"
  done
  rm -f "$work/$name-grey.png" "$work/$name-negative.png"
}
export -f read_frame
xargs -a "$work/list" -P "$(nproc)" -I{} bash -c 'read_frame "$1"' _ {}
echo "ocr: $((SECONDS - start)) s"

# Expected lines, with the orders their picture shows in: a short word read
# elsewhere is the OCR finding shapes in the scenery. "required" lines must
# read; the strip's phrases pass larger than the screen as soft shadows, so
# they are only reported.
cat >"$work/lines" <<'EOF'
required|2 3|nivora dusk
required|2 3|light, leaving slowly
report|5|LONG SHADOWS
report|5|THE WEST IS BURNING
report|5|EMBERS
report|5|THEN BLUE
required|11|made with
required|11|SDL
required|11|libopenmpt
required|11|libjpeg-turbo
required|11|Mesa · OpenGL
required|11|FreeType
required|11|DejaVu fonts
required|11|pictures, shapes and music
required|11|grown by the show’s own code
required|15 16|the sun lies down
required|15 16|the hills keep warm
required|15 16|the sky lets go
required|15 16|of every colour
required|15 16|amber, rose, slate
required|15 16|one gold thread
required|15 16|across the water
required|15 16|then blue
required|15 16|then quiet
required|17|the light goes down here
required|18|and rises somewhere else
EOF

# One line per frame and way: "frame way text", in frame order.
for txt in "$work"/frame-*.txt; do
  base=$(basename "$txt" .txt)
  printf '%s %s %s\n' "${base%%.*}" "${base#*.}" "$(cat "$txt")"
done | sort -s -k1,1 | sed "s/\xe2\x80\x99/'/g" >"$work/texts"
sed -i "s/\xe2\x80\x99/'/g" "$work/lines"

awk -v lines="$work/lines" '
  # Lower case (apostrophes were made straight before); everything but
  # letters, digits, apostrophes and hyphens parts words; tokens without a
  # letter or digit go.
  function words(text, out,    n, i, k, parts) {
    text = tolower(text)
    gsub(/[^a-z0-9\047-]+/, " ", text)
    n = split(text, parts, " "); k = 0
    for (i = 1; i <= n; i++) if (parts[i] ~ /[a-z0-9]/) out[++k] = parts[i]
    return k
  }
  function distance(a, b,    i, j, la, lb, prev, cur, cost, best) {
    la = length(a); lb = length(b)
    if (la - lb > 1 || lb - la > 1) return 2
    for (j = 0; j <= lb; j++) prev[j] = j
    for (i = 1; i <= la; i++) {
      cur[0] = i
      for (j = 1; j <= lb; j++) {
        cost = substr(a, i, 1) != substr(b, j, 1)
        best = prev[j - 1] + cost
        if (prev[j] + 1 < best) best = prev[j] + 1
        if (cur[j - 1] + 1 < best) best = cur[j - 1] + 1
        cur[j] = best
      }
      for (j = 0; j <= lb; j++) prev[j] = cur[j]
    }
    return prev[lb]
  }
  BEGIN {
    FS = "|"
    while ((getline entry < lines) > 0) {
      split(entry, f, "|"); count++; kind[count] = f[1]; orders[count] = " " f[2] " "; line[count] = f[3]
      wanted[count] = words(f[3], w); for (j = 1; j <= wanted[count]; j++) want[count, j] = w[j]
    }
    FS = " "
  }
  function order_of(frame,    n) {
    n = substr(frame, 7) + 0
    return int(int(n / 10 / (15 / 110) + 1e-9) / 64)
  }
  {
    frame = $1; way = $2; $1 = ""; $2 = ""; order = order_of(frame)
    delete got; have = words($0, got)
    for (l = 1; l <= count; l++) {
      if ((l in found) || index(orders[l], " " order " ") == 0) continue
      for (i = 0; i + wanted[l] <= have; i++) {
        ok = 1
        for (j = 1; j <= wanted[l] && ok; j++) ok = distance(want[l, j], got[i + j]) <= 1
        if (ok) { found[l] = frame; how[l] = way; break }
      }
    }
  }
  END {
    printf "%-32s %-14s %s\n", "line", "first read", "way"
    for (l = 1; l <= count; l++) {
      where = "unread"
      if (l in found) {
        n = substr(found[l], 7) + 0; t = n / 10; row = int(t / (15 / 110) + 1e-9)
        where = sprintf("o%d r%d %.1fs", int(row / 64), row % 64, t)
      }
      printf "%-32s %-14s %s%s\n", line[l], where, how[l], kind[l] == "report" ? " (reported only)" : ""
      if (kind[l] == "required") { required++; if (l in found) read++ }
    }
    printf "%d of %d lines read\n", read, required
    exit read < required
  }' "$work/texts" || status=1
exit $status
