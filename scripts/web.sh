#!/usr/bin/env bash
# Builds the show for the browser into build-web/site/: the page, the module
# (nivora-web.js + .wasm) and the show's data, for any static server.
#   bash scripts/web.sh            # build the site
#   bash scripts/web.sh --serve    # build it and serve it on http://127.0.0.1:8000/
# Options: --native DIR (the native build holding the show's data, default
# build), --port N (with --serve).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=$root/build
serve=0
port=8000
while [ $# -gt 0 ]; do
  case "$1" in
    --serve) serve=1 ;;
    --native) native=$(cd "$2" 2>/dev/null && pwd || echo "$2"); shift ;;
    --port) port=$2; shift ;;
    *) echo "web.sh: unknown option $1 (--serve, --native DIR, --port N)" >&2; exit 2 ;;
  esac
  shift
done

bash "$root/scripts/setup.sh"
out=$root/build-web
# emcc's JS optimizer needs Debian's acorn.
export NODE_PATH=/usr/share/nodejs

# The show's data is generated natively, as for every other front end.
if [ ! -f "$native/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$native" -j2 --target show-data

bash "$root/web/build_libs.sh" "$out/libs"
if [ ! -f "$out/wasm/CMakeCache.txt" ]; then
  emcmake cmake -S "$root" -B "$out/wasm" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DNIVORA_WEB=ON -DNIVORA_WEB_LIBS="$out/libs" >/dev/null
fi
cmake --build "$out/wasm" -j2 --target nivora-web

site=$out/site
rm -rf "$site"
mkdir -p "$site"
cp "$root"/web/page/* "$site/"
cp "$out/wasm/web/nivora-web.js" "$out/wasm/web/nivora-web.wasm" "$site/"
cp -r "$native/show/gfx" "$native/show/data" "$native/show/soundtrack.mo3" "$site/"
# The list the page loads with its progress: the module and every data file.
(cd "$site" && python3 - <<'PY'
import json, os
paths = ["nivora-web.wasm", "soundtrack.mo3"]
for top in ("gfx", "data"):
    for dirpath, _, names in os.walk(top):
        paths += [os.path.join(dirpath, n) for n in sorted(names)]
files = [{"path": p, "size": os.path.getsize(p)} for p in paths]
json.dump({"files": files}, open("files.json", "w"), indent=1)
PY
)
echo "web.sh: the site is in $site ($(du -sh "$site" | cut -f1))"

if [ $serve -eq 1 ]; then
  echo "web.sh: serving on http://127.0.0.1:$port/ (Ctrl+C stops)"
  exec python3 -m http.server --bind 127.0.0.1 --directory "$site" "$port"
fi
