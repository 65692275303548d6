#!/usr/bin/env bash
# Writes src/cli/start_order.txt: the functions almanix-cli runs in its short
# commands (start-up, open, save, a listing), in the order they first run.
# The link places them side by side at the front of the program's code, so a
# short command brings in a dozen 64 KiB stretches of it instead of fifty
# scattered ones (docs/benchmarks.md, "Seventh round"). A stale list costs
# only that speed: names no longer in the program are skipped by the link.
#
#   tools/make_start_order.sh [BUILD_DIR]   (default: build; needs valgrind)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-${ALMANIX_BUILD_DIR:-$top/build}}" && pwd)"
cli="$build/bin/almanix-cli"
out="$top/src/cli/start_order.txt"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

root="$scratch/root"
cp "$top/resources/samples/club.cal" "$scratch/club.cal"
"$cli" --root "$root" init >/dev/null 2>&1

n=0
run() {
  n=$((n + 1))
  valgrind --tool=callgrind --demangle=no --callgrind-out-file="$scratch/cg.$n" \
    "$cli" "$@" >/dev/null 2>&1 || true
}
run --version
run --root "$root" event list
run --root "$root" open "$scratch/club.cal"
run --root "$root" --calendar "$scratch/club.cal" save "$scratch/saved.cal"
run --root "$root" --calendar "$scratch/club.cal" event list

{
  echo "# Made by tools/make_start_order.sh: the functions almanix-cli's short"
  echo "# commands run, first used first. The link puts them together."
  for i in $(seq 1 "$n"); do
    # Each function's name is written once, where callgrind first met it
    # (as "fn=(id) name" or, called, "cfn=(id) name"). Names from the shared
    # libraries are in there too; the link skips them.
    sed -n 's/^c\{0,1\}fn=([0-9]*) \(.*\)$/\1/p' "$scratch/cg.$i"
  done | sed "s/'[0-9]*\$//" | grep -v '^0x' | awk '!seen[$0]++'
} >"$out.new"
mv "$out.new" "$out"
echo "$(grep -vc '^#' "$out") functions in $out"
