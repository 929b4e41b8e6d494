#!/usr/bin/env bash
# Checks the Windows libraries of cross-builds: the C example built against the DLL's import
# library and against the static library (JINGLE_STATIC, linked with -static), run under Wine,
# gives the native `jingle render --raw` bytes for both of its players, one from a seek; and the
# DLL exports nothing but the interface's names.
#   scripts/check-windows-library.sh NATIVE_JINGLE MINGW_X86_64_BUILD [MINGW_I686_BUILD]
set -euo pipefail
cd "$(dirname "$0")/.."
native=$(realpath "$1")
work=$(mktemp -d)
export WINEDEBUG=-all WINEPREFIX="$work/prefix"
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
trap '"$wineserver" -k >/dev/null 2>&1 || true; "$wineserver" -w >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

module=resources/jingle.xm
[ -f ../shared/corpus/heroes-sound-tracks__intro.xm ] && module=../shared/corpus/heroes-sound-tracks__intro.xm
cp "$module" "$work/module.xm"
"$native" render "$work/module.xm" --raw -o "$work/expected.raw"
tail -c +$((66150 * 4 + 1)) "$work/expected.raw" >"$work/expected-tail.raw"

check() {
  local arch=$1 build=$2 runner=$3
  local cc=$arch-w64-mingw32-gcc-posix lib=$build/lib
  local flags=(-std=c99 -Wall -Wextra -Wpedantic -Werror -Iinclude examples/two_players.c)
  stray=$("$arch-w64-mingw32-objdump" -p "$lib/libjingle.dll" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk 'NR > 1 && NF { print $NF }' |
    grep -v '^jingle_' || true)
  if [ -n "$stray" ]; then
    echo "libjingle.dll ($arch) exports more than the interface: $stray"
    exit 1
  fi
  "$cc" "${flags[@]}" "$lib/libjingle.dll.a" -o "$work/dll.exe"
  cp "$lib/libjingle.dll" "$work/"
  "$cc" "${flags[@]}" -DJINGLE_STATIC "$lib/libjingle.a" -static -lwinmm -lstdc++ -o "$work/static.exe"
  for kind in dll static; do
    rm -f "$work/first.raw" "$work/second.raw"
    (cd "$work" && "$runner" "$kind.exe" module.xm first.raw second.raw 1.5 >/dev/null)
    cmp "$work/expected.raw" "$work/first.raw"
    cmp "$work/expected-tail.raw" "$work/second.raw"
    echo "windows $arch library ($kind): two players give the native render's bytes, one from a seek"
  done
}

check x86_64 "$2" "$(command -v wine64 || echo /usr/lib/wine/wine64)"
if [ -n "${3:-}" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    check i686 "$3" /usr/lib/wine/wine
  else
    echo "windows i686 library: SKIPPED: this machine cannot run 32-bit Windows programs"
  fi
fi
