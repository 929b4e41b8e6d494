#!/usr/bin/env bash
# The main job: builds and starts the application, which plays the embedded tune while its window
# is open. Where there is no display it plays the tune in the terminal with `jingle play` (q
# stops); where there is no sound device either, it renders it to a WAV file and says where.
# A module file given as the argument is played by `jingle` instead of the application.
# It installs only what building and running these need (the test command installs the rest) and
# builds in a tree of its own, without the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh --run
build=build/run
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DJINGLE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target jingle jingle-app
module=${1:-resources/jingle.xm}

if [ $# -eq 0 ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  echo "run: starting the application (close its window, or press Exit, to end it)"
  exec "$build/app/jingle-app"
fi
[ $# -eq 0 ] && echo "run: no display here; playing the tune in the terminal"
"$build/jingle" info "$module"
status=0
"$build/jingle" play "$module" || status=$?
if [ "$status" -eq 3 ]; then
  out=build/$(basename "${module%.*}").wav
  "$build/jingle" render "$module" -o "$out"
  echo "run: no sound device here either; rendered $module to $out"
  exit 0
fi
exit "$status"
