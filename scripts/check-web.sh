#!/usr/bin/env bash
# Checks the web build: the test suite built for WebAssembly, run in Node; the npm package packed,
# and its jingle.mjs in Node against the native tool (every corpus module rendered or refused as
# by `jingle render --raw`, seeks, damaged files); the page in headless Chromium (a module chosen
# through the file input heard through the AudioWorklet as the native render, the panel and the
# About box against the Linux application's screenshots in ARTIFACT_DIR, the tune and Exit).
#   scripts/check-web.sh NATIVE_JINGLE ARTIFACT_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
native=$(realpath "$1")
artifacts=$2
corpus=${JINGLE_CORPUS_DIR:-../shared/corpus}
mkdir -p "$artifacts"

scripts/web.sh --build-only
cmake --build build/web -j"$(nproc)" --target player_tests

echo "== web: the test suite in Node"
# Not the tests that need the mixing thread (the web build starts none), nor the power test whose
# reference, the C library's powl, is double's pow where long double has 128 bits.
(cd build/web && node tests/player_tests.js --gtest_brief=1 \
  --gtest_filter='-VirtualDevice.*:Power.OtherBasesAreCorrectlyRounded')

echo "== web: the npm package, and its jingle.mjs against the native tool"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd build/web/npm && npm pack --pack-destination "$work" >/dev/null 2>&1)
tarball=$(ls "$work"/*.tgz)
echo "  $(basename "$tarball"): $(tar tzf "$tarball" | sort | tr '\n' ' ')"
tar xzf "$tarball" -C "$work"
node tests/web/node_test.mjs "$work/package/jingle.mjs" "$native" "$corpus"

echo "== web: the page in Chromium"
module=$(ls "$corpus"/*.xm 2>/dev/null | head -n 1)
node tests/web/page_test.mjs build/web/page "$native" "${module:-resources/jingle.xm}" "$artifacts"
