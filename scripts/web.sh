#!/usr/bin/env bash
# The player in a web page: builds the player for WebAssembly with Debian's emscripten
# (cmake/emscripten.cmake) into build/web/, then serves the page in build/web/page/ on 127.0.0.1
# and prints its address (browsers load neither ES modules nor worklets from file://); Ctrl-C
# stops the server. With --build-only it only builds.
set -euo pipefail
cd "$(dirname "$0")/.."

build_only=0
case "${1:-}" in
  --build-only) build_only=1 ;;
  "") ;;
  *)
    echo "usage: scripts/web.sh [--build-only]" >&2
    exit 2
    ;;
esac

scripts/setup-debian.sh --web
options=(-DCMAKE_TOOLCHAIN_FILE=cmake/emscripten.cmake -DCMAKE_BUILD_TYPE=Release)
# The resource checker runs on this machine: a native build's where there is one, else one built
# on the side.
checker=build/release/resources/resource_check
[ -x "$checker" ] && options+=(-DJINGLE_HOST_RESOURCE_CHECK="$PWD/$checker")
cmake -S . -B build/web "${options[@]}" >/dev/null
cmake --build build/web -j"$(nproc)" --target web_page jingle
echo "web: built into build/web/: the page in page/, the npm package in npm/, the tool for Node" \
  "(node build/web/jingle.js help)"

[ "$build_only" -eq 1 ] && exit 0
# Port 0: the system picks a free port, and the server prints the address it listens on.
exec python3 -m http.server --bind 127.0.0.1 --directory build/web/page 0
