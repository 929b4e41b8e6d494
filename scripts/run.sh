#!/usr/bin/env bash
# Builds the jingle command and shows what a module holds: the given one, else the embedded tune.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$(nproc)" --target jingle
module=${1:-resources/jingle.xm}
build/release/jingle info "$module"
