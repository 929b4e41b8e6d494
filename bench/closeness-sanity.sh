#!/usr/bin/env bash
# Checks that the closeness measure (bench/closeness) sees faults: for every module given, jingle's
# render is measured against openmpt123's (rendered as bench/compare-closeness.sh does), and so
# are three deliberately broken copies of it:
#   muted     one channel silenced (--mute: the first channel that sounds in the first SECONDS)
#   tempo     played TEMPO (1.01) times as fast, pitch kept (sox tempo)
#   semitone  one semitone up, timing kept (sox pitch 100)
# One row per module with the envelope distance (dB) and pitch similarity of each, and "ok" when
# every broken copy scores clearly worse than the real render: by more than 0.1 dB of envelope
# or 0.005 of pitch (a semitone up keeps the loudness; muting a quiet channel keeps the notes).
#   bench/closeness-sanity.sh MODULE...
# Environment as for bench/compare-closeness.sh (JINGLE, CLOSENESS, SECONDS_PER_MODULE), and TEMPO.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/peer-renders.sh"
seconds=${SECONDS_PER_MODULE:-30}
tempo=${TEMPO:-1.01}
install_packages sox
find_programs
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

raw=(-t raw -r 44100 -e signed -b 16 -c 2 -L)
row() { printf '%-44s %12s %12s %12s %12s  %s\n' "$@"; }
row module real muted tempo semitone verdict
ok=0
for module in "$@"; do
  render_openmpt "$module" "$work/openmpt.raw" --filter 2
  render_jingle "$module" "$work/real.raw"
  channels=$("$jingle" info --json "$module" | grep -o '"channels": *[0-9]*' | grep -o '[0-9]*$')
  for ((channel = 1; channel < channels; channel++)); do
    render_jingle "$module" "$work/solo.raw" --solo "$channel"
    [ "$(tr -d '\0' <"$work/solo.raw" | wc -c)" -gt 0 ] && break
  done
  render_jingle "$module" "$work/muted.raw" --mute "$channel"
  sox -D -V1 "${raw[@]}" "$work/real.raw" "${raw[@]}" "$work/tempo.raw" tempo "$tempo"
  sox -D -V1 "${raw[@]}" "$work/real.raw" "${raw[@]}" "$work/semitone.raw" pitch 100
  read -r real_env real_pitch _ < <(measure "$work/openmpt.raw" "$work/real.raw")
  scores=() verdict=ok
  for broken in muted tempo semitone; do
    read -r env pitch _ < <(measure "$work/openmpt.raw" "$work/$broken.raw")
    scores+=("$env $pitch")
    awk -v e="$env" -v p="$pitch" -v re="$real_env" -v rp="$real_pitch" \
      'BEGIN { exit !(e > re + 0.1 || p < rp - 0.005) }' || verdict="NOT WORSE: $broken"
  done
  [ "$verdict" = ok ] && ok=$((ok + 1))
  name=$(basename "$module")
  row "${name:0:44}" "$real_env $real_pitch" "${scores[@]}" \
    "$verdict (muted channel $channel)"
done
echo "$# modules: $ok with every broken render clearly worse than the real one"
