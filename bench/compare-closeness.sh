#!/usr/bin/env bash
# How close jingle's renders are to openmpt123's (the reference), beside xmp's: every module given
# (files, or folders: the files directly in them) is rendered for its first SECONDS (30) at
# 44,100 Hz, 16-bit stereo, with linear interpolation by all three players (the commands and the
# players' defaults are in bench/peer-renders.sh), and bench/closeness measures jingle's and
# xmp's renders against openmpt123's (its header defines the measures).
# One row per module: the envelope distance (dB, lower is closer) and the pitch similarity
# (higher is closer) of both, and the verdict: "pass" when jingle is at least as close as xmp on
# both; "near" when it is not, but within 0.1 dB and 0.005 of xmp (small: muting a quiet
# channel costs about as much; bench/closeness-sanity.sh); else "FAIL". Modules jingle refuses show xmp's figures and "not loaded" with jingle's
# reason. A summary line ends the table.
#   bench/compare-closeness.sh [--sinc] MODULE_OR_DIR...
# --sinc adds a second table for jingle's sinc interpolation: jingle's linear and sinc renders
# against openmpt123's default (8-tap) render, by envelope, pitch and treble (hf, dB, lower is
# closer); "pass" when sinc is closer than linear on hf and at least as close on the others.
# Environment: JINGLE and CLOSENESS name the programs (by default build/release/jingle and
# build/release/bench/closeness, built when missing), SECONDS_PER_MODULE the length (30).
# Installs the peers (and FFTW3 to build the measure) with apt-get when they are missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/peer-renders.sh"
seconds=${SECONDS_PER_MODULE:-30}
sinc=0
if [ "${1:-}" = --sinc ]; then sinc=1; shift; fi
if [ $# -eq 0 ]; then
  echo "usage: bench/compare-closeness.sh [--sinc] MODULE_OR_DIR..." >&2
  exit 2
fi
find_programs
if [ $sinc = 1 ] && ! "$jingle" render --help | grep -q -- --interpolation; then
  echo "compare-closeness: this jingle has no --interpolation option" >&2
  exit 2
fi
modules=()
for arg; do
  if [ -d "$arg" ]; then
    mapfile -t -O ${#modules[@]} modules < <(find "$arg" -maxdepth 1 -type f \
      ! -name '*.md' ! -name '*.txt' | sort)
  else
    modules+=("$arg")
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "First $seconds s at 44,100 Hz, linear interpolation, against openmpt123's render:" \
  "envelope in dB (lower is closer), pitch as cosine (higher is closer)"
row() { printf '%-44s %8s %7s %8s %7s  %s\n' "$@"; }
row module envelope "" pitch "" verdict
row "" jingle xmp jingle xmp ""
passed=0 near=0 failed=0 unloaded=0 broken=0
sinc_rows=()
for module in "${modules[@]}"; do
  name=$(basename "$module")
  name=${name:0:44}
  if ! render_openmpt "$module" "$work/openmpt.raw" --filter 2 ||
    ! render_xmp "$module" "$work/xmp.wav"; then
    printf '%-44s a peer could not render it\n' "$name"
    broken=$((broken + 1))
    continue
  fi
  read -r xmp_env xmp_pitch _ < <(measure "$work/openmpt.raw" "$work/xmp.wav")
  if ! render_jingle "$module" "$work/jingle.raw"; then
    reason=$(head -n 1 "$work/jingle.err")
    row "$name" - "$xmp_env" - "$xmp_pitch" "not loaded: ${reason#*"$module": }"
    unloaded=$((unloaded + 1))
    continue
  fi
  read -r jingle_env jingle_pitch _ < <(measure "$work/openmpt.raw" "$work/jingle.raw")
  verdict=$(awk -v je="$jingle_env" -v xe="$xmp_env" -v jp="$jingle_pitch" -v xp="$xmp_pitch" \
    'BEGIN { near = je <= xe + 0.1 && jp >= xp - 0.005
      print (je <= xe && jp >= xp) ? "pass" : near ? "near" : "FAIL" }')
  case $verdict in
    pass) passed=$((passed + 1)) ;;
    near) near=$((near + 1)) ;;
    *) failed=$((failed + 1)) ;;
  esac
  row "$name" "$jingle_env" "$xmp_env" "$jingle_pitch" "$xmp_pitch" "$verdict"
  if [ $sinc = 1 ]; then
    render_openmpt "$module" "$work/default.raw"
    render_jingle "$module" "$work/sinc.raw" --interpolation sinc
    read -r le lp lh < <(measure "$work/default.raw" "$work/jingle.raw")
    read -r se sp sh < <(measure "$work/default.raw" "$work/sinc.raw")
    verdict=$(awk -v le="$le" -v lp="$lp" -v lh="$lh" -v se="$se" -v sp="$sp" -v sh="$sh" \
      'BEGIN { print (se <= le && sp >= lp && sh < lh) ? "pass" : "FAIL" }')
    sinc_rows+=("$(printf '%-44s %8s %7s %8s %7s %8s %7s  %s' "$name" "$le" "$se" "$lp" "$sp" \
      "$lh" "$sh" "$verdict")")
  fi
done
echo "${#modules[@]} modules: $passed pass (jingle at least as close as xmp on envelope and" \
  "pitch), $near near, $failed fail, $unloaded not loaded by jingle, $broken not rendered by a peer"

if [ $sinc = 1 ] && [ ${#sinc_rows[@]} -gt 0 ]; then
  echo
  echo "jingle's linear and sinc renders against openmpt123's default (8-tap) render:"
  printf '%-44s %8s %7s %8s %7s %8s %7s  %s\n' module envelope "" pitch "" hf "" verdict
  printf '%-44s %8s %7s %8s %7s %8s %7s\n' "" linear sinc linear sinc linear sinc
  printf '%s\n' "${sinc_rows[@]}"
  sinc_passed=$(printf '%s\n' "${sinc_rows[@]}" | grep -c ' pass$' || true)
  echo "${#sinc_rows[@]} modules: $sinc_passed pass (sinc closer than linear on hf, at least as" \
    "close on envelope and pitch)"
fi
