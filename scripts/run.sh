#!/usr/bin/env bash
# The main job: builds jingle and plays the embedded tune (or the given module) on the sound
# device until you press q; where there is no sound device it renders it to a WAV file instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$(nproc)" --target jingle
module=${1:-resources/jingle.xm}
build/release/jingle info "$module"

status=0
build/release/jingle play "$module" || status=$?
if [ "$status" -eq 3 ]; then
  out=build/$(basename "${module%.*}").wav
  build/release/jingle render "$module" -o "$out"
  echo "run: no sound device here; rendered $module to $out"
  exit 0
fi
exit "$status"
