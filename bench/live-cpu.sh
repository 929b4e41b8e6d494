#!/usr/bin/env bash
# CPU time of the mixing thread while jingle plays a module live: plays MODULE for SECONDS (30) on
# SDL's dummy audio driver, which takes sound at the real rate and plays it nowhere, and reads the
# thread's CPU time from /proc just before the end. Prints it as a share of one core.
#   bench/live-cpu.sh [JINGLE] [MODULE] [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
jingle=${1:-build/release/jingle}
module=${2:-../shared/corpus/heroes-sound-tracks__heroes05.xm}
seconds=${3:-30}

SDL_AUDIODRIVER=dummy "$jingle" play "$module" --seconds "$seconds" </dev/null >/dev/null &
pid=$!
start=$(date +%s%N)
mixing=""
cpu=0
elapsed=0
# The thread's total time on a CPU, in ns, is the first field of its schedstat; the last reading
# before the process ends counts.
while kill -0 "$pid" 2>/dev/null; do
  if [ -z "$mixing" ]; then
    # Named jingle-mix; a build that does not name it leaves it the only thread called jingle
    # besides the main one (SDL names its own).
    for task in /proc/"$pid"/task/*; do
      name=$(cat "$task/comm" 2>/dev/null || true)
      if [ "$name" = jingle-mix ] || { [ "$name" = jingle ] && [ "${task##*/}" != "$pid" ]; }; then
        mixing=$task
      fi
    done
  fi
  if [ -n "$mixing" ] && reading=$(cut -d' ' -f1 "$mixing/schedstat" 2>/dev/null); then
    cpu=$reading
    elapsed=$(($(date +%s%N) - start))
  fi
  sleep 0.2
done
wait "$pid" || true
[ -n "$mixing" ] || { echo "no mixing thread seen (is there an SDL dummy driver?)" >&2; exit 1; }
awk -v cpu="$cpu" -v wall="$elapsed" -v module="$(basename "$module")" 'BEGIN {
  printf "%s: mixing thread %.1f ms of CPU in %.1f s of play: %.3f %% of one core\n",
    module, cpu / 1e6, wall / 1e9, 100 * cpu / wall }'
