#!/usr/bin/env bash
# First command on a fresh Debian 12 machine: installs what is needed, builds
# in Release and runs the program's main job on the bundled sample calendar.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
sample_root="$top/build/sample-root"
echo "Seeding a calendar under $sample_root:"
"$top/build/bin/almanix-cli" --root "$sample_root" init
