#!/usr/bin/env bash
# Checks that the Windows build renders the same bytes as the native one: renders the embedded
# tune and corpus modules with the native jingle and with the x86_64 Windows jingle.exe under Wine
# (32-bit binaries cannot run on this machine), and compares the raw PCM byte for byte.
#   scripts/check-windows-render.sh NATIVE_JINGLE WINDOWS_JINGLE_EXE
set -euo pipefail
cd "$(dirname "$0")/.."
native=$(realpath "$1")
windows=$(realpath "$2")
seconds=${JINGLE_CHECK_SECONDS:-30}

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINEDEBUG=-all WINEPREFIX="$work/prefix"

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
[ "$failed" -eq 0 ]
