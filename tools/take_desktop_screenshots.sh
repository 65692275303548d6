#!/usr/bin/env bash
# Takes the desktop's pictures for docs/desktop/ under a virtual X server:
# the shell tests' screenshot cases on the sample calendar.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="${ALMANIX_BUILD_DIR:-$top/build}"
out="${1:-$top/docs/desktop}"
mkdir -p "$out"
export ALMANIX_SCREENSHOT_DIR="$out" QTWEBENGINE_DISABLE_SANDBOX=1
export XDG_CACHE_HOME="$build/xdg-cache"
xvfb-run -a -s "-screen 0 1400x1000x24" \
  "$build/bin/shell_tests" --gtest_filter='DesktopScreenshots.*:*.DesktopScreenshots*'
ls -l "$out"
