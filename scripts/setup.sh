#!/usr/bin/env bash
# Installs every Debian package the show, its tools and its tests need
# (xfonts-base: SDL's X11 message box needs the core fonts, which Xvfb lacks
# without it; openbox stacks windows in the end-to-end runs as a desktop does,
# x11-apps' xwd and imagemagick take and read their screenshots; scdoc writes
# the manual pages, dpkg-dev's dpkg-shlibdeps finds the package's run-time
# libraries, desktop-file-utils and appstream check the menu entry and the
# metadata; pulseaudio and its utilities: the sound-server latency bench;
# heroes-sound-tracks, tecnoballz-data, pingus-data: third-party modules the
# music tests play).
# Idempotent; uses sudo when not run as root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libsdl2-dev libopenmpt-dev libjpeg62-turbo-dev
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libfreetype-dev fonts-dejavu-core libpng-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool xfonts-base openbox x11-apps imagemagick libx11-dev libxfixes-dev
  ffmpeg
  scdoc dpkg-dev desktop-file-utils appstream
  pulseaudio pulseaudio-utils
  heroes-sound-tracks tecnoballz-data pingus-data
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "setup: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
