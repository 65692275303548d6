#!/usr/bin/env bash
# First command on a fresh Debian 12 machine: installs what is needed, builds
# in Release and publishes the bundled sample calendar into a folder.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
cli="$top/build/bin/almanix-cli"
root="$top/build/sample-root"
calendar="$top/build/sample.cal"
site="$top/build/sample-site"
# A copy, so that pointing the favorite at our folder leaves the shipped file
# as it is.
cp "$top/resources/samples/club.cal" "$calendar"
"$cli" --root "$root" --calendar "$calendar" --year 2025 \
  favorite set Club "Publish.Destination=File" "Publish.DirName=$site/"
echo "Publishing the sample calendar (favorite Club) into $site:"
"$cli" --root "$root" --calendar "$calendar" --year 2025 publish Club
