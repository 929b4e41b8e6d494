#!/usr/bin/env bash
# Installs what the project needs on a Debian machine. Safe to run again: it only asks apt for
# packages that are missing.
#   scripts/setup-debian.sh --run   what building and running the application and jingle need
#   scripts/setup-debian.sh --web   that and what the web build needs
#   scripts/setup-debian.sh         that and what the tests need: the Windows cross-compilers and
#                                   Wine, clang, GoogleTest, Google Benchmark, the virtual display
#                                   and the tools that drive and look at it
set -euo pipefail

# The compiler and build tools, SDL2 with SDL2_ttf (and Xlib, for the desktop's scale) for the
# application and the sound device, its font, libFLAC for jingle's FLAC output, and icotool, which
# takes the icon theme's pictures out of the application's .ico.
packages=(
  build-essential cmake pkg-config
  libsdl2-dev libsdl2-ttf-dev libx11-dev fonts-liberation2 libflac-dev icoutils
)
tests=(
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine64 wine32:i386 fonts-wine
  xvfb xdotool x11-utils imagemagick openbox tmux desktop-file-utils
)
# The web build: emscripten, Node for its tools and for the programs it builds, GoogleTest's
# sources for the tests it builds, Python's web server for the page; Chromium for the tests.
web=(emscripten nodejs googletest python3)
tests+=(chromium)
case ${1:-} in
  --run) ;;
  --web) packages+=("${web[@]}") ;;
  "") packages+=("${tests[@]}" "${web[@]}") ;;
  *)
    echo "usage: scripts/setup-debian.sh [--run | --web]" >&2
    exit 2
    ;;
esac

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)

# Wine for 32-bit programs comes from the i386 architecture.
if [[ " ${packages[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# npm packs the web build's package: Debian's Node leaves it to a package of its own, other builds
# of Node bring it along.
if [[ " ${packages[*]} " == *" nodejs "* ]] && ! command -v npm >/dev/null; then
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends npm
fi
