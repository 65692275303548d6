#!/usr/bin/env bash
# Installs axe-core from npm for the accessibility check of the generated
# pages (tools/check_accessibility.py), into .tools/axe of the source tree
# (outside src, ignored by git). Idempotent: does nothing when it is there.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir="${ALMANIX_AXE_DIR:-$top/.tools/axe}"
[ -f "$dir/node_modules/axe-core/axe.min.js" ] && exit 0
# npm comes with the machine's Node.js (Debian's npm package would conflict
# with it); say so plainly where there is none.
command -v npm >/dev/null || { echo "install-axe.sh: npm is needed (Node.js's npm)" >&2; exit 1; }
mkdir -p "$dir"
cd "$dir"
[ -f package.json ] || printf '{ "private": true }\n' > package.json
npm install --no-audit --no-fund --silent axe-core@4 >/dev/null
test -f "$dir/node_modules/axe-core/axe.min.js"
