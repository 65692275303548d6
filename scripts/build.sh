#!/usr/bin/env bash
# Configures (once) and builds the Release tree in build/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="${ALMANIX_BUILD_DIR:-$top/build}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build" -j "$(nproc)"
