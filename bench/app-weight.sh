#!/usr/bin/env bash
# What the SDL2 application costs on a virtual X display: the time from its start to its visible
# main window, its resident memory once the window shows and the tune plays, and the CPU it takes
# (all threads, the mixing one included) while the About box animates. Each program given is
# started RUNS times (5), in turn with the others, on the same display; medians are printed.
# Sound goes to SDL's dummy driver, which takes it at the real rate and plays it nowhere.
#   bench/app-weight.sh [RUNS] JINGLE_APP...
# Extra environment for the program (such as SDL_FRAMEBUFFER_ACCELERATION=1) passes through.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=5
if [[ ${1:-} =~ ^[0-9]+$ ]]; then
  runs=$1
  shift
fi
[ $# -gt 0 ] || set -- build/release/app/jingle-app

work=$(mktemp -d)
xvfb_pid= app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill -9 "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
source scripts/lib/app-checks.sh
start_display
ticks=$(getconf CLK_TCK)

cpu_ticks() { awk '{print $14 + $15}' "/proc/$app_pid/stat"; }

measure() {  # measure PROGRAM: prints "MS_TO_WINDOW RSS_KB ABOUT_CPU_PERCENT"
  local start now window="" rss cpu0 cpu1 wall0 wall1 x y w s
  start=$(date +%s%N)
  SDL_AUDIODRIVER=dummy "$1" >/dev/null 2>&1 &
  app_pid=$!
  while [ -z "$window" ]; do
    window=$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | head -n 1 || true)
    now=$(date +%s%N)
    [ $((now - start)) -lt 10000000000 ] || { echo "no window from $1" >&2; exit 1; }
  done
  sleep 1
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$app_pid/status")
  read -r x y w _ <<<"$(geometry "$window")"
  s=$((w / 300))  # the window's multiple of its layout's 300 pixels
  xdotool mousemove $((x + 41 * s)) $((y + 201 * s)) click 1
  sleep 1
  cpu0=$(cpu_ticks) wall0=$(date +%s%N)
  sleep 5
  cpu1=$(cpu_ticks) wall1=$(date +%s%N)
  kill -9 "$app_pid"
  wait "$app_pid" 2>/dev/null || true
  app_pid=
  echo "$(((now - start) / 1000000)) $rss $(awk -v c=$((cpu1 - cpu0)) -v w=$((wall1 - wall0)) -v t="$ticks" \
    'BEGIN {printf "%.1f", 100 * c / t / (w / 1e9)}')"
}

for program in "$@"; do : >"$work/$(echo "$program" | md5sum | cut -c1-8)"; done
for _ in $(seq "$runs"); do
  for program in "$@"; do measure "$program" >>"$work/$(echo "$program" | md5sum | cut -c1-8)"; done
done
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
for program in "$@"; do
  results="$work/$(echo "$program" | md5sum | cut -c1-8)"
  printf '%s: window after %s ms, %s MB resident, About box at %s %% of a core (median of %s)\n' \
    "$program" "$(cut -d' ' -f1 "$results" | median)" \
    "$(cut -d' ' -f2 "$results" | median | awk '{printf "%.1f", $1 / 1024}')" \
    "$(cut -d' ' -f3 "$results" | median)" "$runs"
done
