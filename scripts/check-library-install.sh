#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks the application's desktop entry and icons
# there; checks that the libraries' external names are the interface's alone; builds the examples
# against the installed library (not the build tree) with find_package and with pkg-config, each
# linking the shared and the static library, with SDL2's development files out of reach; then
# checks that the C example's two players give `jingle render --raw`'s bytes (one of them from a
# seek) and that the game example plays music and a jingle on the device at once. Sound goes to
# SDL's disk driver, into the temporary directory.
#   scripts/check-library-install.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name libjingle.so -print -quit)")
for installed in include/jingle/jingle.h include/jingle/export.h bin/jingle share/man/man1/jingle.1; do
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

# Every name either library defines for other code is the interface's: jingle_...
stray=$({
  nm -D --defined-only "$libdir/libjingle.so"
  nm -g --defined-only "$libdir/libjingle.a"
} | awk 'NF == 3 { print $3 }' | grep -v '^jingle_' || true)
if [ -n "$stray" ]; then
  echo "the libraries define names outside the interface:"
  echo "$stray" | c++filt | head -20
  exit 1
fi
echo "libjingle.so and libjingle.a: $(nm -D --defined-only "$libdir/libjingle.so" | grep -c ' jingle_') external names, all jingle_..."

# Nothing of SDL2 in what a program is told to use.
pc=$libdir/pkgconfig
if PKG_CONFIG_LIBDIR=$pc pkg-config --static --cflags --libs jingle | grep -Ei 'sdl|x11|wayland|pulse'; then
  echo "jingle.pc names SDL2 or what lies behind it"
  exit 1
fi

# A program with player:: and platform:: names of its own, linked with the static library.
cat >"$tmp/own_names.cpp" <<'CPP'
#include <cstdlib>
namespace player { struct Engine; void renderBlock(Engine&) { std::abort(); } int audioOutput = 1; }
namespace platform { void* systemWaveOut() { std::abort(); } }
CPP

# SDL2's development files out of reach: the CMake package may not look for SDL2, pkg-config
# sees jingle.pc alone, and no SDL2 include path is given.
echo "examples with find_package"
for kind in shared static; do
  cmake --no-warn-unused-cli -S examples -B "$tmp/cmake-$kind" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_DISABLE_FIND_PACKAGE_SDL2=ON -DJINGLE_EXAMPLES_STATIC=$([ $kind = static ] && echo ON || echo OFF) \
    >/dev/null
  cmake --build "$tmp/cmake-$kind" -j2 >/dev/null
done

echo "examples with pkg-config"
cflags=(-Wall -Wextra -Wpedantic -Werror)
export PKG_CONFIG_LIBDIR=$pc
mkdir -p "$tmp/pc-shared" "$tmp/pc-static" "$tmp/static-lib/pkgconfig"
# shellcheck disable=SC2046
cc -std=c99 "${cflags[@]}" examples/two_players.c $(pkg-config --cflags --libs jingle) \
  -o "$tmp/pc-shared/two_players"
# shellcheck disable=SC2046
c++ -std=c++17 "${cflags[@]}" examples/game.cpp $(pkg-config --cflags --libs jingle) \
  -o "$tmp/pc-shared/game"
# The static library alone beside its .pc, so that -ljingle can only be the archive.
cp "$libdir/libjingle.a" "$tmp/static-lib/"
sed -e "s|^prefix=.*|prefix=$prefix|" -e "s|^libdir=.*|libdir=$tmp/static-lib|" "$pc/jingle.pc" \
  >"$tmp/static-lib/pkgconfig/jingle.pc"
export PKG_CONFIG_LIBDIR=$tmp/static-lib/pkgconfig
# shellcheck disable=SC2046
cc -std=c99 "${cflags[@]}" $(pkg-config --static --cflags jingle) examples/two_players.c \
  $(pkg-config --static --libs jingle) -o "$tmp/pc-static/two_players"
# shellcheck disable=SC2046
c++ -std=c++17 "${cflags[@]}" $(pkg-config --static --cflags jingle) examples/game.cpp \
  "$tmp/own_names.cpp" $(pkg-config --static --libs jingle) -o "$tmp/pc-static/game"
unset PKG_CONFIG_LIBDIR
for program in "$tmp"/*-static/*; do
  [ -x "$program" ] && [ -f "$program" ] || continue
  if readelf -d "$program" | grep -q 'libjingle'; then
    echo "$program needs libjingle.so though linked statically"
    exit 1
  fi
done

# A corpus module whose end falls inside a block, else any corpus module, else the embedded tune.
module=resources/jingle.xm
for candidate in ../shared/corpus/heroes-sound-tracks__intro.xm ../shared/corpus/*.xm; do
  if [ -f "$candidate" ]; then
    module=$candidate
    break
  fi
done
"$build/jingle" render "$module" --raw -o "$tmp/expected.raw"
seek=1.5
tail -c +$((66150 * 4 + 1)) "$tmp/expected.raw" >"$tmp/expected-tail.raw"

export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$tmp/device.raw LD_LIBRARY_PATH=$libdir
for kind in cmake-shared cmake-static pc-shared pc-static; do
  "$tmp/$kind/two_players" "$module" "$tmp/first.raw" "$tmp/second.raw" $seek >/dev/null
  cmp "$tmp/expected.raw" "$tmp/first.raw"
  cmp "$tmp/expected-tail.raw" "$tmp/second.raw"
  echo "two_players ($kind): $(stat -c %s "$tmp/first.raw") bytes of $module, and from $seek s, as jingle render --raw"
  # SDL announces its disk driver on stderr: shown only when the example fails.
  "$tmp/$kind/game" "$module" resources/jingle.xm --seconds 1 >"$tmp/game.out" 2>"$tmp/stderr" ||
    { cat "$tmp/game.out" "$tmp/stderr"; exit 1; }
  grep -q '^jingle started' "$tmp/game.out" || { echo "game ($kind): no jingle"; exit 1; }
  [ -s "$tmp/device.raw" ] || { echo "game ($kind) sent nothing to the device"; exit 1; }
  echo "game ($kind): music and a jingle on the device at once"
  rm -f "$tmp/device.raw"
done
