#!/usr/bin/env bash
# The web build's sizes and speed: jingle.wasm raw and gzipped, the page's files in all (raw and
# gzipped), and how fast a module renders through jingle.mjs in Node and in headless Chromium
# against the native build on the same module (best of five, to /dev/null).
#   bench/web.sh [MODULE]   (after scripts/web.sh --build-only and a native release build)
set -euo pipefail
cd "$(dirname "$0")/.."
module=${1:-../shared/corpus/heroes-sound-tracks__heroes05.xm}
page=build/web/page

gzipped() { gzip -9c "$1" | wc -c; }
echo "jingle.wasm: $(stat -c %s "$page/jingle.wasm") bytes, $(gzipped "$page/jingle.wasm") gzipped"
raw=0 packed=0
for file in "$page"/*; do
  raw=$((raw + $(stat -c %s "$file")))
  packed=$((packed + $(gzipped "$file")))
done
echo "the page: $(ls "$page" | wc -l) files, $raw bytes, $packed gzipped file by file"

node bench/web_speed.mjs "$page" "$module"
best=
for _ in 1 2 3 4 5; do
  start=$(date +%s%N)
  build/release/jingle render --raw -q -o /dev/null "$module"
  took=$(($(date +%s%N) - start))
  [ -z "$best" ] || [ "$took" -lt "$best" ] && best=$took
done
seconds=$(build/release/jingle info --json "$module" | sed -n 's/.*"duration_seconds": *\([0-9.]*\).*/\1/p')
awk -v s="$seconds" -v ns="$best" 'BEGIN {
  printf "native: %.1f s of audio in %.0f ms, %.0fx real time\n", s, ns / 1e6, s / (ns / 1e9) }'
