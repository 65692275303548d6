#!/usr/bin/env bash
# Generates the shipped sample calendar in the Default, Midnight and High
# Contrast styles and runs axe-core on a page of each type of each site in headless
# Chromium (tools/check_accessibility.py): no critical or serious violation,
# a lang and a title naming the calendar on every page, complete JSON-LD.
# The one-event calendar files are read by an independent iCalendar parser.
# Usage: check_accessible_site.sh CLI TOP AXE.min.js [--style NAME]... [--all-styles]
#                                 [--all-pages] [--report-only] [--details] [--leave RULE]...
# --style picks the styles (default the three above; NAME:dark opens the pages
# in a dark colour scheme), --all-styles takes every shipped style, and the dark
# look of those that have one; --all-pages audits every page of each site, not
# one of each type; the other options go to check_accessibility.py.
set -euo pipefail
cli=$1
top=$2
axe=$3
shift 3
styles=()
pass=()
# One page of each type: month, small month, year, event list, the upcoming
# list, the linking help, the feed's pages, a redirect page, the scroller.
pages=(April2025.html SmallApril2025.html Year.html EventList2025.html Upcoming.html
       Link.html fullscreen.html popup.html Calendar.html Scroller.html)
while [ $# -gt 0 ]; do
  case $1 in
    --style) styles+=("$2"); shift 2 ;;
    --all-styles)
      for d in "$top/resources/Common/Styles/"*/; do
        d=${d%/}
        styles+=("${d##*/}")
        ! grep -q 'prefers-color-scheme: *dark' "$d/Style.css" || styles+=("${d##*/}:dark")
      done
      shift ;;
    --all-pages) pages=(); shift ;;
    *) pass+=("$1"); shift ;;
  esac
done
[ ${#styles[@]} -gt 0 ] || styles=(Default Midnight "High Contrast")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for look in "${styles[@]}"; do
  style=${look%:dark}
  dark=()
  [ "$style" = "$look" ] || dark=(--dark)
  dir="$work/${look// /_}"
  mkdir -p "$dir"
  cp "$top/resources/samples/club.cal" "$dir/club.cal"
  run=("$cli" --root "$dir/root" --calendar "$dir/club.cal" --year 2025)
  "${run[@]}" favorite set Club "Publish.StyleName=$style" \
    "Publish.URL=https://www.example.org/riverside/Calendar.html" >/dev/null 2>&1
  "${run[@]}" generate Club --out "$dir/site" >/dev/null 2>&1
  echo "== $look"
  python3 "$top/tools/check_accessibility.py" "$dir/site" ${pages[@]+"${pages[@]}"} \
    --axe "$axe" ${dark[@]+"${dark[@]}"} ${pass[@]+"${pass[@]}"} || status=1
  # Each event's own calendar file reads as one event in another parser.
  shopt -s nullglob
  files=("$dir/site/events/"*.ics)
  shopt -u nullglob
  for ics in "${files[@]}"; do
    out=$(/usr/bin/python3 "$top/tools/ical_expand.py" "$ics" UTC 2024-01-01 2027-01-01) ||
      { echo "FAIL ${ics##*/}: does not parse"; status=1; continue; }
    [ -n "$out" ] || { echo "FAIL ${ics##*/}: no occurrence"; status=1; }
  done
  echo "calendar files read: ${#files[@]}"
done
exit $status
