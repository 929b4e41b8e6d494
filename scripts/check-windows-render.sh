#!/usr/bin/env bash
# Checks that the Windows builds render the same bytes as the native one: renders the embedded
# tune and corpus modules with the native jingle and with jingle.exe under Wine, 64-bit and, where
# this machine runs 32-bit programs (wine32), 32-bit, and compares the raw PCM byte for byte; the
# 64-bit build also renders the tune on each of its mixer paths. Then plays modules with the 64-bit
# build through winmm and its mixing thread, into an ALSA file device under Wine, and checks that
# what the device received equals the native render.
#   scripts/check-windows-render.sh NATIVE_JINGLE WINDOWS_X86_64_EXE [WINDOWS_I686_EXE]
set -euo pipefail
cd "$(dirname "$0")/.."
native=$(realpath "$1")
windows=$(realpath "$2")
windows32=${3:+$(realpath "$3")}
seconds=${JINGLE_CHECK_SECONDS:-30}

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wine32=/usr/lib/wine/wine
work=$(mktemp -d)
export WINEDEBUG=-all WINEPREFIX="$work/prefix"
# The wine server outlives the programs and may still write into the prefix: end it and wait for
# it before the prefix is removed.
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
trap '"$wineserver" -k >/dev/null 2>&1 || true; "$wineserver" -w >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

modules=(resources/jingle.xm)
mapfile -t corpus < <(ls ../shared/corpus/*.xm 2>/dev/null | awk 'NR % 4 == 1')
modules+=("${corpus[@]}")
# Some of every other format: a module is told by its content, whatever its name.
mapfile -t others < <(ls ../shared/corpus/mod/* ../shared/corpus/s3m/* ../shared/corpus/it/* \
  2>/dev/null | awk 'NR % 6 == 1')
modules+=("${others[@]}")

failed=0
# compare_render LABEL WINE EXE MODULE [ENVIRONMENT...]: the Windows render against the native one.
compare_render() {
  local label=$1 runner=$2 exe=$3 module=$4
  shift 4
  "$native" render "$module" --seconds "$seconds" --raw -o "$work/native.raw"
  cp "$module" "$work/module.xm"
  rm -f "$work/windows.raw"
  (cd "$work" && env "$@" "$runner" "$exe" render module.xm --seconds "$seconds" --raw \
    -o windows.raw) 2>/dev/null || true
  if cmp -s "$work/native.raw" "$work/windows.raw"; then
    return 0
  fi
  echo "windows render differs ($label): $module" >&2
  failed=$((failed + 1))
  return 1
}

# check_renders ARCH WINE EXE: every module, and the tune on each mixer path named.
check_renders() {
  local arch=$1 runner=$2 exe=$3 passed=0 count=0 path
  for module in "${modules[@]}"; do
    count=$((count + 1))
    compare_render "$arch" "$runner" "$exe" "$module" && passed=$((passed + 1))
  done
  echo "windows $arch render matches the native one for $passed of $count modules"
  shift 3
  for path in "$@"; do
    compare_render "$arch $path" "$runner" "$exe" resources/jingle.xm JINGLE_MIX_PATH="$path" &&
      echo "windows $arch render on the $path mixer path matches the native one"
  done
}

check_renders x86_64 "$wine" "$windows" plain sse2 avx2 avx512
if [ -n "$windows32" ]; then
  if "$wine32" --version >/dev/null 2>&1; then
    check_renders i686 "$wine32" "$windows32" plain sse2
  else
    echo "windows i686 render: SKIPPED: this machine cannot run $wine32" \
      "($("$wine32" --version 2>&1 | head -1))"
  fi
fi

# What the Windows build plays: Wine's winmm hands the ring to ALSA, whose default device here is
# a file over the null device.
cat >"$work/asound.conf" <<CONF
pcm.!default {
  type file
  slave.pcm { type null }
  file "$work/capture.raw"
  format "raw"
}
CONF
play_failed=0
for module in resources/jingle.xm "${corpus[0]:-}"; do
  [ -n "$module" ] || continue
  rm -f "$work/capture.raw"
  cp "$module" "$work/module.xm"
  (cd "$work" && ALSA_CONFIG_PATH="$work/asound.conf" "$wine" "$windows" play module.xm --seconds 3 \
    </dev/null) >/dev/null 2>&1 || true
  captured=$(stat -c %s "$work/capture.raw" 2>/dev/null || echo 0)
  if [ "$captured" -lt $((3 * 176400)) ]; then
    echo "windows playback of $module captured only $captured bytes" >&2
    play_failed=$((play_failed + 1))
    continue
  fi
  seconds_needed=$(((captured + 176399) / 176400 + 1))
  "$native" render "$module" --seconds "$seconds_needed" --raw -o "$work/native.raw"
  if ! cmp -s -n "$captured" "$work/capture.raw" "$work/native.raw"; then
    echo "windows playback of $module differs from the render: $(cmp -n "$captured" "$work/capture.raw" "$work/native.raw")" >&2
    play_failed=$((play_failed + 1))
    continue
  fi
  echo "windows playback of $module: $captured bytes equal the native render"
done
[ "$failed" -eq 0 ] && [ "$play_failed" -eq 0 ]
