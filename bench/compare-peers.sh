#!/usr/bin/env bash
# Whole-render speed against two peer players, run as black boxes, format by format (XM, MOD, S3M,
# IT): the first SECONDS (60) of every module of the format in a directory (../shared/corpus:
# FILE.xm there, FILE.mod in it or in its mod/ folder, and so on), one process per module,
# 44.1 kHz 16-bit stereo with linear interpolation, by
#   jingle      render FILE --seconds SPAN --raw -o /dev/null   (SPAN: see below)
#   xmp         -i linear -t 60 -f 44100 -d file -o /dev/null FILE
#   openmpt123  --render --end-time 60 --samplerate 44100 --filter 2 --no-float --output-type raw
#               (it writes FILE.raw beside the module: it renders in a scratch directory)
# in turn module by module, ROUNDS (7) times. The peers stop at a module's end when it comes
# first, so jingle renders the same span: --seconds is the shorter of SECONDS and the module's
# natural length (from `jingle info`, asked before the timing). Prints, for each format, each
# player's median wall time, the audio it rendered as a multiple of real time, and how many times
# the peer's median time is jingle's; last, a summary line with the faster peer's multiple for
# each format. A format is measured over the modules jingle loads; one it loads none of yet is
# skipped with a note.
#   bench/compare-peers.sh [JINGLE] [MODULE_DIR]
# Installs the peers with apt-get when they are missing; builds jingle when no binary is given.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${ROUNDS:-7}
seconds=${SECONDS_PER_MODULE:-60}
jingle=${1:-}
module_dir=$(realpath "${2:-../shared/corpus}")

if ! command -v xmp >/dev/null || ! command -v openmpt123 >/dev/null; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    xmp openmpt123 >/dev/null
fi
if [ -z "$jingle" ]; then
  cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/release -j"$(nproc)" --target jingle >/dev/null
  jingle=build/release/jingle
fi
jingle=$(realpath "$jingle")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The format being measured: its modules, the span jingle renders of each, and the scratch
# directory openmpt123 renders in.
modules=()
spans=()
scratch=

# The shorter of $seconds and the module's natural length, in seconds.
span_of() {
  "$jingle" info --json "$1" | awk -v cap="$seconds" -F'[:,]' '/"duration_seconds"/ {
    d = $2 + 0; printf "%.3f", (d > 0 && d < cap) ? d : cap }'
}

# Each renders module i of the format.
run_jingle() {  # its notes (clipping) were shown by the untimed pass
  "$jingle" render "${modules[$1]}" --seconds "${spans[$1]}" --raw -o /dev/null 2>/dev/null
}
run_xmp() {  # to $2, /dev/null when not given
  xmp -q -i linear -t "$seconds" -f 44100 -d file -o "${2:-/dev/null}" "${modules[$1]}" \
    >/dev/null 2>&1
}
# openmpt123 writes the render beside the module's link in the scratch directory.
openmpt_render() {
  (cd "$scratch" && openmpt123 -q --render --force --end-time "$seconds" --samplerate 44100 \
    --filter 2 --no-float --output-type raw "$(basename "${modules[$1]}")" >/dev/null 2>&1)
}
run_openmpt() {
  openmpt_render "$1"
  rm -f "$scratch"/*.raw
}

# Audio each player renders, in seconds, from one untimed pass that keeps the output.
audio_seconds() {
  local bytes=0 size i
  case $1 in
    jingle) for i in "${!modules[@]}"; do
        size=$("$jingle" render "${modules[i]}" --seconds "${spans[i]}" --raw -o - | wc -c)
        bytes=$((bytes + size))
      done ;;
    xmp) for i in "${!modules[@]}"; do
        run_xmp "$i" "$work/xmp.raw"
        bytes=$((bytes + $(stat -c %s "$work/xmp.raw")))
      done ;;
    openmpt123) for i in "${!modules[@]}"; do openmpt_render "$i"; done
      for raw in "$scratch"/*.raw; do bytes=$((bytes + $(stat -c %s "$raw"))); done
      rm -f "$scratch"/*.raw ;;
  esac
  awk -v bytes="$bytes" 'BEGIN { printf "%.1f", bytes / 176400 }'
}

median() { tr ' ' '\n' | grep -v '^$' | sort -n | awk '{v[NR] = $1} END {
  print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

players=(jingle xmp openmpt123)
declare -A runner=([jingle]=run_jingle [xmp]=run_xmp [openmpt123]=run_openmpt)

# Times the players over the modules of one format and prints its table.
measure_format() {
  local label=$1 player round line start elapsed i
  local -A times=() audio=() medians=()
  for player in "${players[@]}"; do audio[$player]=$(audio_seconds "$player"); done
  echo "$label: ${#modules[@]} modules, first ${seconds} s of each, $rounds rounds"
  # Module by module, the players in turn, so that a slower or busier spell of the machine
  # falls on all of them alike; a round's time is the sum over its modules.
  for ((round = 1; round <= rounds; round++)); do
    local -A spent=()
    for i in "${!modules[@]}"; do
      for player in "${players[@]}"; do
        start=${EPOCHREALTIME/./}
        "${runner[$player]}" "$i"
        spent[$player]=$((${spent[$player]:-0} + ${EPOCHREALTIME/./} - start))
      done
    done
    line="round $round:"
    for player in "${players[@]}"; do
      elapsed=$((spent[$player] * 1000))
      times[$player]+="$elapsed "
      line+=" $player $(awk -v ns="$elapsed" 'BEGIN { printf "%.3f", ns / 1e9 }') s"
    done
    echo "$line"
  done
  for player in "${players[@]}"; do medians[$player]=$(echo "${times[$player]}" | median); done
  echo
  printf '%-11s %9s %12s %11s %s\n' player median audio "x realtime" "time / jingle's"
  for player in "${players[@]}"; do
    awk -v name="$player" -v ns="${medians[$player]}" -v audio="${audio[$player]}" \
      -v jingle="${medians[jingle]}" 'BEGIN {
        printf "%-11s %7.3f s %10.1f s %11.0f %6.2f\n", name, ns / 1e9, audio, audio * 1e9 / ns, ns / jingle }'
  done
  summary+=" $(awk -v label="$label" -v x="${medians[xmp]}" -v o="${medians[openmpt123]}" \
    -v j="${medians[jingle]}" 'BEGIN { peer = x < o ? "xmp" : "openmpt123"
      printf "%s %.2f (%s);", label, (x < o ? x : o) / j, peer }')"
}

summary=
measured=0
for format in xm mod s3m it; do
  label=${format^^}
  folders=("$module_dir")
  [ -d "$module_dir/$format" ] && folders+=("$module_dir/$format")
  mapfile -t found < <(find "${folders[@]}" -maxdepth 1 -type f -iname "*.$format" | sort)
  [ ${#found[@]} -gt 0 ] || continue
  modules=()
  spans=()
  for module in "${found[@]}"; do
    if "$jingle" info "$module" >/dev/null 2>&1; then
      modules+=("$module")
      spans+=("$(span_of "$module")")
    fi
  done
  [ $measured -gt 0 ] && echo
  measured=$((measured + 1))
  if [ ${#modules[@]} -eq 0 ]; then
    echo "$label: skipped: jingle loads none of its ${#found[@]} modules yet"
    summary+=" $label skipped;"
    continue
  fi
  if [ ${#modules[@]} -lt ${#found[@]} ]; then
    echo "$label: $((${#found[@]} - ${#modules[@]})) of ${#found[@]} modules left out:" \
      "jingle does not load them yet"
  fi
  scratch=$work/$format
  mkdir -p "$scratch"
  for module in "${modules[@]}"; do ln -s "$module" "$scratch/$(basename "$module")"; done
  measure_format "$label"
done
[ $measured -gt 0 ] || { echo "no modules in $module_dir" >&2; exit 1; }
echo
echo "faster peer's time / jingle's:${summary%;}"
