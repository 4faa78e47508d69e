#!/usr/bin/env bash
# The Debian package on a fresh Debian 12 (debootstrap's minbase, as a new
# user's machine would be). In one fresh system the README's command,
# `bash scripts/package.sh`, sets up and builds the package from this checkout;
# lintian checks it; a second fresh system installs it, so the package alone
# must pull in every run-time library; there a user with no display captures
# frames from the installed data in $HOME; the manual page, the menu entry and
# the metadata pass their tools; purging the package leaves none of its files.
#   chroot_test.sh
# Needs root and a Debian mirror ($NIVORA_MIRROR, default the first one this
# machine's apt sources name). Exits 77 (skipped) without root. Installs
# debootstrap and lintian if missing.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
first_mirror() {
  { sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null || true; } | head -n 1
  { sed -n 's/^deb \(\[[^]]*\] \)\{0,1\}\([^ ]*\).*/\2/p' /etc/apt/sources.list 2>/dev/null || true; } | head -n 1
}
mirror=${NIVORA_MIRROR:-$(first_mirror | head -n 1)}
if [ "$(id -u)" -ne 0 ]; then
  echo "chroot test: skipped, needs root"
  exit 77
fi
for tool in debootstrap lintian; do
  command -v $tool >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $tool >/dev/null
done
started=$(date +%s)
step() { echo "== $(($(date +%s) - started)) s: $*"; }
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

builder=$(mktemp -d /var/tmp/nivora-build.XXXXXX)
root=$(mktemp -d /var/tmp/nivora-chroot.XXXXXX)
chmod 755 "$builder" "$root"  # the new systems' / : their users must reach it
cleanup() {
  # Only proc is mounted; never delete through a mount that is still there.
  for dir in "$builder" "$root"; do
    if mountpoint -q "$dir/proc"; then umount "$dir/proc" || return; fi
    rm -rf "$dir"
  done
  rm -f "$builder.log"
}
trap cleanup EXIT
step "debootstrap --variant=minbase bookworm"
debootstrap --variant=minbase bookworm "$builder" "$mirror" >"$builder.log" 2>&1 ||
  fail "debootstrap: $(tail -5 "$builder.log")"
rm -f "$builder.log"
# The viewer's system is a copy of the untouched one.
cp -a "$builder/." "$root/"
for dir in "$builder" "$root"; do
  mount -t proc proc "$dir/proc"
  cp /etc/resolv.conf "$dir/etc/resolv.conf"
  # No /dev/pts in the new systems: dpkg runs without a terminal of its own.
  echo 'Dpkg::Use-Pty "0";' >"$dir/etc/apt/apt.conf.d/90no-pty"
done
in_system() {
  local dir=$1
  shift
  chroot "$dir" env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}
in_root() { in_system "$root" "$@"; }
# A user's shell: own home, no display, no sound server.
as_user() { chroot --userspec=viewer:viewer "$root" env -i HOME=/home/viewer PATH=/usr/bin:/bin LANG=C.UTF-8 sh -c "cd && $1"; }

step "bash scripts/package.sh, in a fresh system"
# The checkout as it stands: its files, without anything built or ignored.
mkdir "$builder/root/nivora-dusk"
if git -C "$source_dir" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git -C "$source_dir" ls-files -z --cached --others --exclude-standard |
    (cd "$source_dir" && tar --null -T - -cf -) | tar -xf - -C "$builder/root/nivora-dusk"
else
  tar -C "$source_dir" --exclude='./build*' -cf - . | tar -xf - -C "$builder/root/nivora-dusk"
fi
in_system "$builder" sh -c 'cd /root/nivora-dusk && bash scripts/package.sh' >"$builder.log" 2>&1 ||
  fail "scripts/package.sh: $(tail -20 "$builder.log")"
built=$(tail -n 1 "$builder.log")
rm -f "$builder.log"
deb=$builder$built
[ -f "$deb" ] || fail "scripts/package.sh printed $built, which is not a package"

step "lintian"
lintian --fail-on error --info "$deb" || fail "lintian reports errors"

step "apt-get install ./$(basename "$deb"), in another fresh system"
cp "$deb" "$root/tmp/"
in_root apt-get update -qq
# Without recommends: ffmpeg's libraries must not stand in for missing dependencies.
in_root apt-get install -y -qq --no-install-recommends "/tmp/$(basename "$deb")" >/dev/null ||
  fail "the package does not install"
grep -q '^License: MIT$' "$root/usr/share/doc/nivora-dusk/copyright" || fail "copyright names no licence"
in_root useradd -m viewer

step "nivora-capture --from 4 --to 5 --fps 10 --frames shots"
as_user 'nivora-capture --from 4 --to 5 --fps 10 --frames shots' || fail "capture failed"
frames=$(ls "$root/home/viewer/shots" | grep -c '^frame-.*\.png$' || true)
# Order 4 lasts 8.73 s: 87 or 88 frames at 10 fps.
[ "$frames" -ge 87 ] && [ "$frames" -le 88 ] || fail "$frames frames"
[ -s "$root/home/viewer/shots/audio.wav" ] || fail "no audio.wav"
middle=$(ls "$root/home/viewer/shots"/frame-*.png | sed -n 40p)
[ "$(stat -c %s "$middle")" -gt 20000 ] || fail "$middle is nearly empty: a black frame?"
as_user 'nivora-dusk --help' | grep -q "takes no options" || fail "nivora-dusk --help"
as_user 'nivora-trace --help' | grep -q -- "--order" || fail "nivora-trace --help"
as_user 'nivora-play --help' | grep -q -- "--window" || fail "nivora-play --help"

step "man, desktop-file-validate, appstreamcli validate"
in_root apt-get install -y -qq --no-install-recommends man-db desktop-file-utils appstream >/dev/null
as_user 'man nivora-capture' | grep -q -- "--frames" || fail "man nivora-capture"
as_user 'man nivora-dusk' | grep -q "takes no options" || fail "man nivora-dusk"
as_user 'man nivora-play' | grep -q -- "--loop" || fail "man nivora-play"
for entry in nivora-dusk nivora-play; do
  in_root desktop-file-validate /usr/share/applications/$entry.desktop || fail "desktop entry $entry"
done
in_root appstreamcli validate --no-net /usr/share/metainfo/example.nivora.dusk.metainfo.xml ||
  fail "AppStream metadata"

step "apt-get purge nivora-dusk"
in_root dpkg-query -L nivora-dusk >"$root/tmp/installed"
in_root apt-get purge -y -qq nivora-dusk >/dev/null
left=0
while read -r path; do
  [ -e "$root$path" ] || continue
  # Only folders other packages own may stay.
  if [ -d "$root$path" ] && in_root dpkg-query -S "$path" >/dev/null 2>&1; then continue; fi
  echo "left behind: $path" >&2
  left=1
done <"$root/tmp/installed"
[ $left -eq 0 ] || fail "purging left files behind"
step "done"
