#!/usr/bin/env bash
# Generates the shipped sample calendar with almanix-cli and opens every page
# of the result in headless Chromium: no page may miss a picture, a style
# sheet or a script, throw a script error or redirect to a missing page.
set -euo pipefail
cli=$1
top=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$top/resources/samples/club.cal" "$work/club.cal"
"$cli" --root "$work/root" --calendar "$work/club.cal" --year 2025 \
  generate Club --out "$work/site" >/dev/null
python3 "$top/tools/check_generated_pages.py" "$work/site"
