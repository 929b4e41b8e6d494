#!/usr/bin/env bash
# Builds and runs every test: the whole suite optimised, then again under AddressSanitizer and
# UndefinedBehaviorSanitizer (any report fails the run), and the threading tests under
# ThreadSanitizer; the soak of more than 7 hours of play on the virtual device; each fuzz target
# for a bounded time (JINGLE_FUZZ_SECONDS, default 60) under AddressSanitizer and
# UndefinedBehaviorSanitizer; installs the library into a temporary prefix and builds the examples
# against it; then cross-builds jingle, the library and the application for 64- and 32-bit
# Windows, checks under Wine that the Windows builds render the same bytes as the native one, and
# uses both applications (Windows under Wine, Linux natively) on a virtual display; builds for
# WebAssembly and checks the suite and jingle.mjs in Node and the page in headless Chromium; last,
# the Windows libraries (DLL and static) under Wine. Screenshots and traces are kept in
# build/test-artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh

jobs=$(nproc)
fuzz_seconds=${JINGLE_FUZZ_SECONDS:-60}
# Each step says how long the command has run so far.
step() {
  printf '== %s (at %d min %02d s)\n' "$*" $((SECONDS / 60)) $((SECONDS % 60))
}
configure_and_build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
}

step "optimised build"
configure_and_build build/release -DCMAKE_BUILD_TYPE=Release -DJINGLE_BUILD_BENCH=ON
ctest --test-dir build/release --output-on-failure -j"$jobs"

step "library installed into a temporary prefix, examples built against it"
scripts/check-library-install.sh build/release

step "AddressSanitizer and UndefinedBehaviorSanitizer"
configure_and_build build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DJINGLE_SANITIZE=address,undefined \
  -DJINGLE_BUILD_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j"$jobs"

step "soak: 7.2 hours of play on the virtual device, past the 32-bit byte count"
build/release/soak/player_soak 7.2

step "fuzz targets, $fuzz_seconds s each, under AddressSanitizer and UndefinedBehaviorSanitizer"
CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DJINGLE_BUILD_FUZZ=ON \
  -DJINGLE_SANITIZE=address,undefined -DJINGLE_BUILD_TESTS=OFF >/dev/null
fuzz_targets=(fuzz_loader fuzz_mod_loader fuzz_s3m_loader fuzz_render fuzz_module_file fuzz_it_loader
  fuzz_it_decompress)
cmake --build build/fuzz -j"$jobs" $(printf -- "--target %s " "${fuzz_targets[@]}")
fuzz_work=$(mktemp -d)
trap 'rm -rf "$fuzz_work"' EXIT
mkdir "$fuzz_work/seeds"
build/release/fuzz/write_fuzz_seeds "$fuzz_work/seeds"
fuzz_one() {
  local target=$1
  mkdir "$fuzz_work/$target"
  # New inputs go to the scratch corpus (the first directory); the others are only read.
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "build/fuzz/fuzz/$target" "$fuzz_work/$target" "fuzz/regressions/$target" "$fuzz_work/seeds" \
    $(ls -d ../shared/corpus 2>/dev/null) -max_total_time="$fuzz_seconds" -max_len=65536 \
    -timeout=30 -rss_limit_mb=2048 -artifact_prefix="$fuzz_work/$target-" \
    >"$fuzz_work/$target.log" 2>&1
}
# As many targets at once as there are processors: each still fuzzes for its whole time on a
# processor of its own.
for ((first = 0; first < ${#fuzz_targets[@]}; first += jobs)); do
  batch=("${fuzz_targets[@]:first:jobs}")
  pids=()
  for target in "${batch[@]}"; do
    fuzz_one "$target" &
    pids+=($!)
  done
  for i in "${!batch[@]}"; do
    target=${batch[$i]}
    if ! wait "${pids[$i]}"; then
      tail -n 40 "$fuzz_work/$target.log"
      mkdir -p build/fuzz-failures
      cp "$fuzz_work/$target-"* build/fuzz-failures/ 2>/dev/null || true
      echo "fuzz: $target failed; once fixed, add its input (build/fuzz-failures) to fuzz/regressions/$target" >&2
      kill "${pids[@]}" 2>/dev/null || true
      exit 1
    fi
    grep -E "^(#[0-9]+ +DONE|Done [0-9]+ runs)" "$fuzz_work/$target.log" | sed "s/^/$target: /" || true
  done
done

if [ -n "$(ls tests/thread/*.cpp 2>/dev/null)" ]; then
  step "ThreadSanitizer"
  # Only the threading tests run under it, so only they are built.
  cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DJINGLE_SANITIZE=thread >/dev/null
  cmake --build build/tsan -j"$jobs" --target thread_tests
  # TSan needs the classic address-space layout on kernels with high mmap randomisation.
  TSAN_OPTIONS=halt_on_error=1 setarch "$(uname -m)" -R \
    ctest --test-dir build/tsan --output-on-failure -L thread -j"$jobs"
fi

# The Windows builds: jingle and the application, whose resources the native build's checker
# vets. i686 is the shipped application.
for arch in x86_64 i686; do
  step "Windows $arch cross-build"
  cmake -S . -B "build/mingw-$arch" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DJINGLE_BUILD_TESTS=OFF \
    -DJINGLE_HOST_RESOURCE_CHECK="$PWD/build/release/resources/resource_check" >/dev/null
  cmake --build "build/mingw-$arch" -j"$jobs" --target player jingle jingle-app jingle_shared jingle_static
done
scripts/app-size.sh build/mingw-i686/app/jingle-app.exe

step "Windows application under Wine"
rm -rf build/test-artifacts
for arch in x86_64 i686; do
  scripts/check-windows-app.sh build/release/jingle "build/mingw-$arch/app/jingle-app.exe" "$arch" \
    build/test-artifacts
done

step "Linux application under Xvfb"
scripts/check-linux-app.sh build/release/jingle build/release/app/jingle-app build/test-artifacts

step "the web build: WebAssembly in Node and the page in Chromium"
scripts/check-web.sh build/release/jingle build/test-artifacts

step "Windows renders the same bytes"
scripts/check-windows-render.sh build/release/jingle build/mingw-x86_64/jingle.exe \
  build/mingw-i686/jingle.exe

step "Windows libraries"
scripts/check-windows-library.sh build/release/jingle build/mingw-x86_64 build/mingw-i686
step "all checks passed"
