#!/usr/bin/env bash
# First command on a fresh Debian 12 machine: installs what is needed, builds
# in Release and runs the program's main job on the bundled sample calendar.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
cli="$top/build/bin/almanix-cli"
sample_root="$top/build/sample-root"
year=$(date +%Y)
fresh=0
[ -d "$sample_root/DB" ] || fresh=1
echo "Seeding a calendar under $sample_root:"
"$cli" --root "$sample_root" init --preset "My personal calendar"
if [ "$fresh" = 1 ]; then
  "$cli" --root "$sample_root" event add --category 1 --summary "Team call" \
    --start "$year-01-06 09:30" --repeat weekly --every 2 --weekdays 3 >/dev/null
  "$cli" --root "$sample_root" event add --category 1 --summary "Pay day" \
    --start "$year-01-15" --repeat monthly --monthdays 15 --allday >/dev/null
  "$cli" --root "$sample_root" event add --category 2 --summary "Spring fair" \
    --start "$year-04-18 10:00" --end "$year-04-19 17:00" >/dev/null
  "$cli" --root "$sample_root" note set --category 1 --date "$year-01-06" "Bring the slides" >/dev/null
  "$cli" --root "$sample_root" favorite create Sample --categories 1,2 >/dev/null
fi
echo "January $year in category 1:"
"$cli" --root "$sample_root" event list --category 1 --from "$year-01-01" --to "$year-01-31"
"$cli" --root "$sample_root" save "$top/build/sample.cal"
