#!/usr/bin/env bash
# Checks that the Windows build renders the same bytes as the native one: renders the embedded
# tune and corpus modules with the native jingle and with the x86_64 Windows jingle.exe under Wine
# (32-bit binaries cannot run on this machine), and compares the raw PCM byte for byte. Then plays
# modules with the Windows build through winmm and its mixing thread, into an ALSA file device
# under Wine, and checks that what the device received equals the native render.
#   scripts/check-windows-render.sh NATIVE_JINGLE WINDOWS_JINGLE_EXE
set -euo pipefail
cd "$(dirname "$0")/.."
native=$(realpath "$1")
windows=$(realpath "$2")
seconds=${JINGLE_CHECK_SECONDS:-30}

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
work=$(mktemp -d)
export WINEDEBUG=-all WINEPREFIX="$work/prefix"
# The wine server outlives the programs and may still write into the prefix: end it and wait for
# it before the prefix is removed.
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
trap '"$wineserver" -k >/dev/null 2>&1 || true; "$wineserver" -w >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

modules=(resources/jingle.xm)
mapfile -t corpus < <(ls ../shared/corpus/*.xm 2>/dev/null | awk 'NR % 4 == 1')
modules+=("${corpus[@]}")

passed=0
failed=0
for module in "${modules[@]}"; do
  "$native" render "$module" --seconds "$seconds" --raw -o "$work/native.raw"
  cp "$module" "$work/module.xm"
  (cd "$work" && "$wine" "$windows" render module.xm --seconds "$seconds" --raw -o windows.raw) 2>/dev/null
  if cmp -s "$work/native.raw" "$work/windows.raw"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "windows render differs: $module" >&2
  fi
done
echo "windows render matches the native one for $passed of $((passed + failed)) modules"

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
