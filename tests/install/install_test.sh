#!/usr/bin/env bash
# cmake --install into a scratch prefix, moved elsewhere as a whole, then:
# every file in place, each program's --help and manual page naming the same
# options, the menu entry and metadata valid, the capture finding the installed
# data from another folder, and the launcher entering the data folder.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

cmake --install "$build" --prefix "$work/first" >/dev/null
mv "$work/first" "$work/moved"
p=$(cd "$work/moved" && pwd -P)
data=$p/share/nivora-dusk

for f in bin/nivora-dusk bin/nivora-capture bin/nivora-play bin/nivora-trace libexec/nivora-dusk/nivora-dusk \
  share/applications/nivora-{dusk,play}.desktop share/metainfo/example.nivora.dusk.metainfo.xml \
  share/icons/hicolor/{48x48,128x128,256x256}/apps/nivora-dusk.png \
  share/man/man1/nivora-{dusk,capture,play,trace}.1.gz share/doc/nivora-dusk/copyright; do
  [ -f "$p/$f" ] || fail "not installed: $f"
done
listing() { (cd "$1" && find soundtrack.mo3 gfx data -type f | sort); }
diff <(listing "$build/show") <(listing "$data") || fail "the installed data differs from the show folder's"
cmp "$build/show/soundtrack.mo3" "$data/soundtrack.mo3" || fail "soundtrack changed on the way"

options() { grep -o -- '--[a-z][a-z-]*' | sort -u; }
check_page() {
  local name=$1
  local help
  help=$("$p/bin/$name" --help) || fail "$name --help exits with $?"
  diff <(options <<<"$help") <(options <"$source/docs/man/$name.1.scd") ||
    fail "$name: its --help (<) and its manual page (>) name different options"
  zcat "$p/share/man/man1/$name.1.gz" | grep -q '^\.TH "nivora' || fail "$name.1.gz is no manual page"
}
check_page nivora-capture
check_page nivora-play
check_page nivora-trace
check_page nivora-dusk

for entry in nivora-dusk nivora-play; do
  desktop-file-validate "$p/share/applications/$entry.desktop" || fail "desktop entry $entry"
done
appstreamcli validate --no-net "$p/share/metainfo/example.nivora.dusk.metainfo.xml" >/dev/null ||
  fail "AppStream metadata: $(appstreamcli validate --no-net "$p/share/metainfo/"*.xml)"

# The capture, run from the user's folder, reads the installed data and writes there.
mkdir "$work/home"
cd "$work/home"
"$p/bin/nivora-capture" --from 1s --to 1.5s --fps 4 --frames shots >/dev/null 2>"$work/err" ||
  fail "capture from the installed data: $(cat "$work/err")"
[ -f shots/frame-000004.png ] && [ -f shots/frame-000005.png ] && [ -f shots/audio.wav ] ||
  fail "capture wrote: $(ls shots)"
[ ! -e "$data/shots" ] || fail "the capture wrote into the data folder"
if "$p/bin/nivora-capture" --data "$work/nowhere" --frames other 2>"$work/err"; then
  fail "--data naming an empty folder succeeded"
fi
grep -q "$work/nowhere/soundtrack.mo3" "$work/err" || fail "--data not used: $(cat "$work/err")"

# The launcher, through a symbolic link, with a stand-in for the show that
# reports where it was started and with what.
cat >"$p/libexec/nivora-dusk/nivora-dusk" <<'SHOW'
#!/bin/sh
echo "$(pwd -P) args:$#"
SHOW
ln -s "$p/bin/nivora-dusk" "$work/link"
ran=$(cd / && "$work/link") || fail "launcher exit status $?"
[ "$ran" = "$data args:0" ] || fail "launcher started the show as '$ran', not in $data"
"$work/link" --help | grep -q "takes no options" || fail "launcher --help"
status=0
"$work/link" --fullscreen 2>/dev/null || status=$?
[ $status -eq 2 ] || fail "launcher with an argument: status $status, not 2"
mv "$data/soundtrack.mo3" "$work/"
status=0
"$work/link" 2>"$work/err" || status=$?
[ $status -eq 1 ] && grep -q "data is missing" "$work/err" || fail "launcher without data: $status"
echo "install tree: ok"
