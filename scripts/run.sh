#!/usr/bin/env bash
# Builds the jingle command and shows what a module holds: the given one, else the first module
# of the test corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$(nproc)" --target jingle
module=${1:-$(ls ../shared/corpus/*.xm 2>/dev/null | head -n 1)}
[ -n "$module" ] || { echo "run: no module given and no corpus beside the checkout" >&2; exit 2; }
build/release/jingle info "$module"
