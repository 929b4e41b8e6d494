# shellcheck shell=bash disable=SC2154
# Sourced by the bench scripts that compare jingle's renders with the peer players' (openmpt123
# and xmp, run as black boxes): how each renders a module, and the closeness measure. The caller
# sets root (the source tree), seconds (how much of each module) and work (a scratch directory).
#
# The commands, and the players' defaults (from their --help and manual pages, and where noted
# measured by comparing the bytes of renders with and without the option):
#   openmpt123 --batch --stdout --quiet --samplerate 44100 --no-float --dither 0
#              --end-time SECONDS --filter 2 MODULE > out.raw
#     --samplerate defaults to 48000 and --float to 32-bit float, so both are given. --filter is
#     the interpolation's taps: 1 none, 2 linear, 4 cubic, 8 windowed sinc (the default, used
#     without --filter for the "default" render). --dither defaults to 1 (auto): random dither on
#     16-bit output, other bytes on every run; 0 turns it off. --stereo (separation) defaults to
#     100 %, --gain to 0 dB, --ramping to -1: the library's recommended volume ramping, which by
#     bytes is none of the explicit strengths 0 to 5. It stops at the song's end when that comes
#     first. (--render writes MODULE.raw beside the module and rounds the length up to 1,024
#     frames; --batch --stdout gives the exact length.)
#   xmp --quiet --interpolation linear --frequency 44100 --time SECONDS --driver wav
#       --output-file out.wav MODULE
#     --interpolation defaults to spline (cubic), --frequency to 44100; --amplify (-a) to 1 (the
#     manual page; -a 1 gives the same bytes as none); --pan (-P, stereo separation) to 100 %
#     (-P 100 gives the same bytes as none; on XM modules -P changes nothing at all);
#     --default-pan (-p) to 50 % for formats without their own panning. It has no volume-ramping
#     option. It stops at the song's end when that comes first, and renders whole ticks (a little
#     past SECONDS). Its raw writer with -Dendian=little gave byte-swapped samples on x86-64, so
#     the WAV writer is used.
#   jingle render MODULE --seconds SECONDS --raw -q -o out.raw
#     44,100 Hz, linear interpolation, the module's own panning at full width, 128-frame (2.9 ms)
#     volume ramps; it renders the whole SECONDS even past the song's end (the measure compares
#     over the reference's length).

# Installs the Debian packages named that are missing (with sudo when not root).
install_packages() {
  local missing=() package
  for package; do
    dpkg-query -W -f '${Status}' "$package" 2>/dev/null | grep -q 'ok installed' ||
      missing+=("$package")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  local sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

# Sets jingle and closeness (JINGLE and CLOSENESS, or the release build's, built when missing).
find_programs() {
  install_packages openmpt123 xmp libfftw3-dev pkg-config
  local build=$root/build/release
  jingle=${JINGLE:-$build/jingle}
  closeness=${CLOSENESS:-$build/bench/closeness}
  if [ ! -x "$jingle" ] || [ ! -x "$closeness" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DJINGLE_BUILD_BENCH=ON >/dev/null
    cmake --build "$build" -j2 --target jingle closeness >/dev/null
  fi
}

render_jingle() {  # MODULE OUT [OPTION]...; its message, if any, in $work/jingle.err
  "$jingle" render "$1" --seconds "$seconds" --raw -q -o "$2" "${@:3}" 2>"$work/jingle.err"
}
render_openmpt() {  # MODULE OUT [OPTION]...
  openmpt123 --batch --stdout --quiet --samplerate 44100 --no-float --dither 0 \
    --end-time "$seconds" "${@:3}" -- "$1" >"$2" 2>/dev/null && [ -s "$2" ]
}
render_xmp() {  # MODULE OUT
  xmp --quiet --interpolation linear --frequency 44100 --time "$seconds" --driver wav \
    --output-file "$2" "$1" >/dev/null 2>&1 && [ -s "$2" ]
}

# Prints "envelope pitch hf" of CANDIDATE against REFERENCE.
measure() {
  "$closeness" "$1" "$2" | awk '$1 == "envelope" { e = $2 } $1 == "pitch" { p = $2 }
    $1 == "hf" { h = $2 } END { print e, p, h }'
}
