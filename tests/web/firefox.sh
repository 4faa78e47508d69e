#!/usr/bin/env bash
# The page in Debian's firefox-esr, which gives WebGL 2 only on a display (its
# headless mode has none): an Xvfb screen, a fresh profile that prints the
# page's console to standard output, the site served on 127.0.0.1, Play clicked
# with xdotool, and a screenshot once the picture shows. Its sound goes to a
# PulseAudio null sink whose monitor is recorded. Prints the page's notices and
# errors; fails when the show does not play, is not heard, or a problem is logged.
# With --whole, it waits for the show's end too.
#   tests/web/firefox.sh SITE_DIR SHOT.png [ORDER] [--whole]
set -euo pipefail
site=$(cd "$1" && pwd) shot=$2 order=${3:-0} whole=${4:-}
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
wait_for() {  # seconds, what, command...
  local until=$((SECONDS + $1)) what=$2; shift 2
  until "$@" >/dev/null 2>&1; do
    if [ $SECONDS -ge $until ]; then echo "firefox.sh: no $what in time" >&2; cat "$work/log" >&2; exit 1; fi
    sleep 0.2
  done
}

display=:$((80 + $$ % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & pids+=($!)
export DISPLAY=$display
wait_for 30 "X display" xdpyinfo
session="$(dirname "$0")/../e2e/sound_session.sh"
bash "$session" start pulse "$work/pulse" & pids+=($!)
wait_for 30 "PulseAudio server" test -s "$work/pulse/server"
PULSE_SERVER=$(cat "$work/pulse/server")
export PULSE_SERVER
bash "$session" record "$work/pulse" >"$work/heard.raw" & pids+=($!)
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
python3 -m http.server --bind 127.0.0.1 --directory "$site" "$port" >/dev/null 2>&1 & pids+=($!)

# Sound allowed without a gesture's wait, the console on standard output, and
# nothing reaching for the network.
mkdir "$work/profile"
cat > "$work/profile/user.js" <<'PREFS'
user_pref("devtools.console.stdout.content", true);
user_pref("media.autoplay.default", 0);
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
user_pref("app.update.auto", false);
user_pref("app.normandy.enabled", false);
user_pref("browser.safebrowsing.malware.enabled", false);
user_pref("browser.safebrowsing.phishing.enabled", false);
user_pref("extensions.update.enabled", false);
user_pref("network.captive-portal-service.enabled", false);
user_pref("network.connectivity-service.enabled", false);
user_pref("browser.aboutwelcome.enabled", false);
PREFS
firefox-esr --no-remote --profile "$work/profile" --kiosk "http://127.0.0.1:$port/#order=$order" \
  >"$work/log" 2>&1 & pids+=($!)
wait_for 180 "ready notice" grep -q "nivora: ready" "$work/log"
grep -o "WebGL[^\"]*" "$work/log" | head -n 3 || true
# The Play button: centred, a little above 84 % of the stage (the window less
# the 2.2em bar), whatever size the window came up at.
eval "$(xdotool search --onlyvisible --class firefox | head -n 1 | xargs xdotool getwindowgeometry --shell)"
xdotool mousemove $((X + WIDTH / 2)) $((Y + (HEIGHT - 31) * 84 / 100 - 8)) click 1
wait_for 60 "playing notice" grep -q "nivora: playing" "$work/log"
# The screenshot once the picture is lit (mean brightness above the black).
lit() {
  xwd -root -display "$display" -silent | convert xwd:- -crop 1024x730+0+0 "$shot" &&
    [ "$(convert "$shot" -colorspace gray -format '%[fx:int(1000*mean)]' info:)" -gt 30 ]
}
wait_for 120 "lit picture" lit
echo "firefox.sh: screenshot $shot"
heard() {
  python3 -c 'import array,sys; b=open(sys.argv[1],"rb").read(); a=array.array("f",b[:len(b)//4*4]); sys.exit(0 if a and max(map(abs,a))>0.02 else 1)' "$work/heard.raw"
}
wait_for 60 "sound on the null sink" heard
echo "firefox.sh: the page's sound reached the null sink"
if [ "$whole" = --whole ]; then wait_for 900 "end of the show" grep -q "nivora: ended" "$work/log"; fi
grep "nivora: \|console.error\|JavaScript error\|WebGL" "$work/log" | head -n 40
if grep -q "console.error\|JavaScript error" "$work/log"; then exit 1; fi
