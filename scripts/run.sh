#!/usr/bin/env bash
# The main job: builds and starts the application, which plays the embedded tune while its window
# is open. Where there is no display it plays the tune in the terminal with `jingle play` (q
# stops); where there is no sound device either, it renders it to a WAV file and says where.
# A module file given as the argument is played by `jingle` instead of the application.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$(nproc)" --target jingle jingle-app
module=${1:-resources/jingle.xm}

if [ $# -eq 0 ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  echo "run: starting the application (close its window, or press Exit, to end it)"
  exec build/release/app/jingle-app
fi
[ $# -eq 0 ] && echo "run: no display here; playing the tune in the terminal"
build/release/jingle info "$module"
status=0
build/release/jingle play "$module" || status=$?
if [ "$status" -eq 3 ]; then
  out=build/$(basename "${module%.*}").wav
  build/release/jingle render "$module" -o "$out"
  echo "run: no sound device here either; rendered $module to $out"
  exit 0
fi
exit "$status"
