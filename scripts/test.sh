#!/usr/bin/env bash
# Second command: builds if needed and runs every test.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/install-axe.sh"
"$top/scripts/build.sh"
"$top/scripts/lint.sh"
build="${ALMANIX_BUILD_DIR:-$top/build}"
ctest --test-dir "$build" -j "$(nproc)" --output-on-failure --timeout 300
