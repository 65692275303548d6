#!/usr/bin/env bash
# Generates the same sites with two builds and compares them byte for byte:
# a change meant only to make generation faster must leave every page alone.
#
#   bench/site_diff.sh OLD_BUILD NEW_BUILD [CASE...]     (default cases: a b c d)
#
# OLD_BUILD and NEW_BUILD are build folders (or copies of one) holding
# bin/almanix-cli, bin/generate_bench and share/almanix. The clock is pinned
# with faketime (Debian: faketime) so that both runs see the same today and
# the same stamps. Case a is the sample calendar file; b, c, d the roots of
# generate_bench prepare. ZONE sets TZ (default UTC; a zone with summer time
# checks the calendar files' VTIMEZONE). Prints "same" or the differing
# files; exits 1 on any difference.
set -euo pipefail

old=${1:?old build folder}
new=${2:?new build folder}
shift 2
cases=("$@")
[ ${#cases[@]} -gt 0 ] || cases=(a b c d)
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
workload=${ALMANIX_WORKLOAD:-/tmp/almanix-workload}
when=${WHEN:-2025-03-14 09:26:53}
export TZ=${ZONE:-UTC} LANG=C.UTF-8

command -v faketime >/dev/null || { echo "site_diff.sh: install faketime" >&2; exit 1; }
scratch=$(mktemp -d "${TMPDIR:-/tmp}/almanix-site-diff.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

status=0
for c in "${cases[@]}"; do
  for side in old new; do
    build=$old
    [ $side = new ] && build=$new
    root=$scratch/root-$c-$side
    out=$scratch/out-$c-$side
    if [ "$c" = a ]; then
      cp "$top/resources/samples/club.cal" "$scratch/club-$side.cal"
      faketime -f "$when" "$build/bin/almanix-cli" --root "$root" --year 2025 --calendar \
        "$scratch/club-$side.cal" generate Club --out "$out" >/dev/null 2>&1 || true
    else
      "$build/bin/generate_bench" prepare "$c" --root "$root" --workload "$workload" >/dev/null
      faketime -f "$when" "$build/bin/almanix-cli" --root "$root" --year 2025 generate Bench \
        --out "$out" >/dev/null 2>&1 || true
    fi
  done
  files=$(find "$scratch/out-$c-old" -type f | wc -l)
  if diff -r -q "$scratch/out-$c-old" "$scratch/out-$c-new" >"$scratch/diff-$c.txt"; then
    echo "case $c: same ($files files)"
  else
    echo "case $c: DIFFERENT"
    head -20 "$scratch/diff-$c.txt"
    status=1
  fi
done
exit $status
