#!/usr/bin/env bash
# Builds and runs every test: the whole suite optimised, then again under AddressSanitizer and
# UndefinedBehaviorSanitizer (any report fails the run), and the threading tests under
# ThreadSanitizer; then cross-builds jingle and the application for 64- and 32-bit Windows,
# checks under Wine that the Windows builds render the same bytes as the native one, and uses
# both applications (Windows under Wine, Linux natively) on a virtual display. Screenshots and
# traces are kept in build/test-artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh

jobs=$(nproc)
configure_and_build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DJINGLE_BUILD_BENCH=ON "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
}

echo "== optimised build"
configure_and_build build/release -DCMAKE_BUILD_TYPE=Release
ctest --test-dir build/release --output-on-failure -j"$jobs"

echo "== AddressSanitizer and UndefinedBehaviorSanitizer"
configure_and_build build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DJINGLE_SANITIZE=address,undefined
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j"$jobs"

if [ -n "$(ls tests/thread/*.cpp 2>/dev/null)" ]; then
  echo "== ThreadSanitizer"
  configure_and_build build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DJINGLE_SANITIZE=thread
  # TSan needs the classic address-space layout on kernels with high mmap randomisation.
  TSAN_OPTIONS=halt_on_error=1 setarch "$(uname -m)" -R \
    ctest --test-dir build/tsan --output-on-failure -L thread -j"$jobs"
fi

# The Windows builds: jingle and the application, whose resources the native build's checker
# vets. i686 is the shipped application.
for arch in x86_64 i686; do
  echo "== Windows $arch cross-build"
  cmake -S . -B "build/mingw-$arch" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DJINGLE_BUILD_TESTS=OFF \
    -DJINGLE_HOST_RESOURCE_CHECK="$PWD/build/release/resources/resource_check" >/dev/null
  cmake --build "build/mingw-$arch" -j"$jobs" --target player jingle jingle-app
done
scripts/app-size.sh build/mingw-i686/app/jingle-app.exe

echo "== Windows application under Wine"
rm -rf build/test-artifacts
for arch in x86_64 i686; do
  scripts/check-windows-app.sh build/release/jingle "build/mingw-$arch/app/jingle-app.exe" "$arch" \
    build/test-artifacts
done

echo "== Linux application under Xvfb"
scripts/check-linux-app.sh build/release/jingle build/release/app/jingle-app build/test-artifacts

echo "== Windows renders the same bytes"
scripts/check-windows-render.sh build/release/jingle build/mingw-x86_64/jingle.exe \
  build/mingw-i686/jingle.exe
