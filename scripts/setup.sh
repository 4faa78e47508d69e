#!/usr/bin/env bash
# Installs every Debian package the show, its tools and its tests need
# (xfonts-base: SDL's X11 message box needs the core fonts, which Xvfb lacks
# without it; openbox stacks windows in the end-to-end runs as a desktop does,
# x11-apps' xwd and imagemagick take and read their screenshots, x11-utils'
# xprop tells when the window manager is up; scdoc writes
# the manual pages, dpkg-dev's dpkg-shlibdeps finds the package's run-time
# libraries and its dpkg-source unpacks libjpeg-turbo for the fuzz build,
# desktop-file-utils and appstream check the menu entry and the metadata;
# pulseaudio and its utilities: the sound-server latency bench; the X server
# with its dummy video driver offers real display modes to switch between,
# which Xvfb does not, and x11-xserver-utils' xrandr reads the mode in use;
# heroes-sound-tracks, tecnoballz-data, pingus-data: third-party modules the
# music tests play; libjpeg-turbo-progs and imagemagick make and check the CMYK
# and reference pictures the texture tests decode; stress-ng loads the cores
# beside the end-to-end runs to show they wait on conditions, not on time;
# file: CPack reads the programs' types with it to find their run-time
# libraries; llvm-14, of clang's own version, with llvm's plain
# llvm-symbolizer on the path: libFuzzer's coverage report and the sanitizers'
# stack traces name functions and files only through it; tesseract reads the
# show's words in the art check; sway, weston and xwayland: the Wayland
# end-to-end runs' compositors, grim their screenshots, wtype their keys,
# jq reads sway's tree for them, zenity SDL's message box under Wayland,
# libwayland-dev the shell's look at a Wayland display before SDL's and the
# runs' virtual pointer; pipewire, its tools (pipewire-bin), wireplumber
# and pipewire-pulse: the sound server of today's desktops, through which the
# end-to-end runs and the latency bench also play (each started in its test's
# own runtime folder, as PulseAudio is, never as the machine's), dbus-daemon the
# private bus wireplumber wants; emscripten builds the browser port and its
# libraries, chromium runs its tests headless, npm brings playwright-core to
# drive it; firefox-esr is the second browser the page is checked in, under
# Xvfb, since its headless mode offers no WebGL 2), and enables source entries
# beside the machine's own binary ones, from which the fuzz build takes
# libjpeg-turbo to instrument it.
# Idempotent; uses sudo when not run as root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libsdl2-dev libopenmpt-dev libjpeg62-turbo-dev
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri libgles-dev libegl-mesa0
  libfreetype-dev fonts-dejavu-core libpng-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev llvm-14 llvm
  xvfb xauth xdotool xfonts-base openbox x11-apps x11-utils imagemagick libx11-dev libxfixes-dev
  ffmpeg
  scdoc dpkg-dev file desktop-file-utils appstream
  pulseaudio pulseaudio-utils
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  heroes-sound-tracks tecnoballz-data pingus-data
  libjpeg-turbo-progs
  stress-ng
  tesseract-ocr tesseract-ocr-eng
  sway weston xwayland grim wtype jq zenity libwayland-dev
  pipewire pipewire-bin wireplumber pipewire-pulse dbus-daemon
  emscripten chromium firefox-esr
)

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
# Another install running beside this one (a second checkout's setup) holds
# dpkg's lock for a while: wait for it instead of failing.
apt=(apt-get -o DPkg::Lock::Timeout=900)

# Source entries from the same archive as the machine's binary entries, for
# `apt-get source`.
fresh_sources=0
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
  sources=/etc/apt/sources.list.d/nivora-deb-src.sources
  binary_entries() { sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources; }
else
  sources=/etc/apt/sources.list.d/nivora-deb-src.list
  binary_entries() { sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list; }
fi
if [ ! -f "$sources" ]; then
  binary_entries | $sudo tee "$sources" >/dev/null
  fresh_sources=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# A node from elsewhere brings its own npm; Debian's would conflict with it.
command -v npm >/dev/null 2>&1 || missing+=(npm)
if [ ${#missing[@]} -eq 0 ]; then
  if [ $fresh_sources -eq 1 ]; then $sudo "${apt[@]}" update -qq; fi
else
  echo "setup: installing ${missing[*]}"
  $sudo "${apt[@]}" update -qq
  DEBIAN_FRONTEND=noninteractive $sudo "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}"
fi

# The browser tests' driver, at the locked version; it never downloads a
# browser (the tests run Debian's chromium).
web_tests=$(cd "$(dirname "$0")/../tests/web" && pwd)
if [ ! -f "$web_tests/node_modules/playwright-core/package.json" ]; then
  (cd "$web_tests" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --silent)
fi
