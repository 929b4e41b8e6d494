#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks the application's desktop entry and icons
# there; builds the examples against the installed library (not the build tree), once with
# find_package and once with pkg-config. Then checks that the shared library exports only the
# public API, that the pull example's frames for a module equal `jingle render --raw` byte for
# byte, and that the play example plays through the device path. Sound goes to SDL's disk driver,
# into the temporary directory.
#   scripts/check-library-install.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name libjingle.so -print -quit)")
for installed in include/jingle/jingle.h bin/jingle share/man/man1/jingle.1; do
  [ -e "$prefix/$installed" ] || { echo "install: $installed is missing"; exit 1; }
done
for installed in libjingle.a pkgconfig/jingle.pc cmake/jingle/jingleConfig.cmake; do
  [ -e "$libdir/$installed" ] || { echo "install: $installed is missing"; exit 1; }
done

# The application's desktop entry passes desktop-file-validate, and its icon is in the hicolor
# theme at every size the build's .ico holds.
if [ -e "$prefix/bin/jingle-app" ]; then
  entry=$prefix/share/applications/jingle-app.desktop
  desktop-file-validate "$entry"
  icon=$(sed -n 's/^Icon=//p' "$entry")
  ico=$(sed -n 's/^JINGLE_APP_ICON:FILEPATH=//p' "$build/CMakeCache.txt")
  sizes=$(icotool --list "$ico" 2>/dev/null | sed -n 's/.*--width=\([0-9]*\) --height=\1 .*/\1/p' | sort -nu)
  for size in $sizes; do
    png=$prefix/share/icons/hicolor/${size}x$size/apps/$icon.png
    if [ "$(identify -format %wx%h "$png" 2>/dev/null)" != "${size}x$size" ]; then
      echo "install: $png is missing or not $size x $size pixels"
      exit 1
    fi
  done
  echo "desktop entry valid, icon $icon installed at" $sizes
fi

# Every function the shared library exports belongs to the public API.
stray=$(nm -D --defined-only -C "$libdir/libjingle.so" | awk '$2 ~ /^[TW]$/' | grep -v ' jingle::' || true)
if [ -n "$stray" ]; then
  echo "libjingle.so exports more than the API:"
  echo "$stray"
  exit 1
fi

echo "examples with find_package"
cmake -S examples -B "$tmp/cmake" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$tmp/cmake" -j"$(nproc)" >/dev/null

echo "examples with pkg-config"
mkdir -p "$tmp/pc"
export PKG_CONFIG_PATH=$libdir/pkgconfig
flags=(-std=c++17 -Wall -Wextra -Wpedantic -Werror)
# shellcheck disable=SC2046
c++ "${flags[@]}" examples/play_module.cpp $(pkg-config --cflags --libs jingle) -o "$tmp/pc/play_module"
# shellcheck disable=SC2046
c++ "${flags[@]}" examples/sdl_pull.cpp $(pkg-config --cflags --libs jingle sdl2) -o "$tmp/pc/sdl_pull"

# A corpus module whose end falls inside a block, else any corpus module, else the embedded tune.
module=resources/jingle.xm
for candidate in ../shared/corpus/heroes-sound-tracks__intro.xm ../shared/corpus/*.xm; do
  if [ -f "$candidate" ]; then
    module=$candidate
    break
  fi
done
"$build/jingle" render "$module" --raw -o "$tmp/expected.raw"

export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$tmp/device.raw LD_LIBRARY_PATH=$libdir
for kind in cmake pc; do
  # SDL announces its disk driver on stderr: shown only when the example fails.
  SDL_DISKAUDIODELAY=0 "$tmp/$kind/sdl_pull" "$module" --record "$tmp/pulled.raw" \
    >/dev/null 2>"$tmp/stderr" || { cat "$tmp/stderr"; exit 1; }
  cmp "$tmp/expected.raw" "$tmp/pulled.raw"
  echo "sdl_pull ($kind): $(stat -c %s "$tmp/pulled.raw") bytes of $module, the same as jingle render --raw"
  # Float frames: the same number of frames, twice the bytes.
  SDL_DISKAUDIODELAY=0 "$tmp/$kind/sdl_pull" "$module" --float --record "$tmp/float.raw" \
    >/dev/null 2>"$tmp/stderr" || { cat "$tmp/stderr"; exit 1; }
  if [ "$(stat -c %s "$tmp/float.raw")" -ne $((2 * $(stat -c %s "$tmp/pulled.raw"))) ]; then
    echo "sdl_pull ($kind) --float: $(stat -c %s "$tmp/float.raw") bytes"
    exit 1
  fi
  "$tmp/$kind/play_module" "$module" --seconds 1 >/dev/null
  [ -s "$tmp/device.raw" ] || { echo "play_module ($kind) sent nothing to the device"; exit 1; }
  rm -f "$tmp/device.raw"
done
