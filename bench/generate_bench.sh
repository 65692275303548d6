#!/usr/bin/env bash
# Runs the cases of generate_bench, each prepared and run in processes of its
# own, and prints one table of the figures.
#
#   bench/generate_bench.sh [CASE...]          (default: a b c d)
#
#   ALMANIX_BUILD_DIR  build folder holding bin/generate_bench (default build-bench, else build)
#   ALMANIX_WORKLOAD   folder with n2000/ and n20000/ (default /tmp/almanix-workload); made with
#                      ../shared/bench/gen_workload.py when missing and that script is there
#   RUNS               timed runs per case after the warm-up (default 3)
#   BUDGET             seconds of timed runs a case may use before it gets fewer runs (default 120)
#   KEEP=1             keeps the scratch roots (their path is printed)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
build=${ALMANIX_BUILD_DIR:-}
if [ -z "$build" ]; then
  build=$top/build-bench
  [ -x "$build/bin/generate_bench" ] || build=$top/build
fi
bench=$build/bin/generate_bench
if [ ! -x "$bench" ]; then
  echo "generate_bench.sh: no $bench; build it with: ninja -C $build generate_bench" >&2
  exit 1
fi
workload=${ALMANIX_WORKLOAD:-/tmp/almanix-workload}
runs=${RUNS:-3}
budget=${BUDGET:-120}
cases=("$@")
[ ${#cases[@]} -gt 0 ] || cases=(a b c d)

# The same answers on every machine: UTC dates, UTF-8 texts.
export TZ=UTC LANG=C.UTF-8

needs_workload() {
  local c
  for c in "${cases[@]}"; do [ "$c" != a ] && return 0; done
  return 1
}
if needs_workload; then
  for n in 2000 20000; do
    [ -f "$workload/n$n/events.json" ] && continue
    maker=$top/../shared/bench/gen_workload.py
    if [ ! -f "$maker" ]; then
      echo "generate_bench.sh: no $workload/n$n/events.json; make it with" \
        "gen_workload.py --n $n --out $workload/n$n" >&2
      exit 1
    fi
    python3 "$maker" --n "$n" --out "$workload/n$n" >/dev/null
  done
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/almanix-generate-bench.XXXXXX")
if [ "${KEEP:-}" = 1 ]; then
  echo "scratch roots in $scratch"
else
  trap 'rm -rf "$scratch"' EXIT
fi

goal() {
  case $1 in
    b) echo "0.15 0" ;;
    c) echo "1.0 100" ;;
    d) echo "15 300" ;;
    *) echo "0 0" ;;
  esac
}

results=()
for c in "${cases[@]}"; do
  root=$scratch/root-$c
  echo "== case $c" >&2
  "$bench" prepare "$c" --root "$root" --workload "$workload" >&2
  "$bench" run "$c" --root "$root" --runs "$runs" --budget "$budget" | tee "$scratch/run-$c.txt" >&2
  line=$(grep '^RESULT ' "$scratch/run-$c.txt" | tail -1 || true)
  [ -n "$line" ] || { echo "generate_bench.sh: case $c printed no result" >&2; exit 1; }
  results+=("$line $(goal "$c" | awk '{print "goal_s=" $1 " goal_mib=" $2}')")
done

echo
echo "generate_bench, $(nproc) cores, $(date -u +%Y-%m-%d), build $(basename "$build")," \
  "scratch in ${TMPDIR:-/tmp}, median of the timed runs after one warm-up"
printf '%s\n' "${results[@]}" | awk '
  BEGIN {
    printf "| case | runs | generation s | of it CPU s | cp -r s | ratio | files |"
    printf " MiB written | peak MiB | goal |\n"
    printf "| --- | --- | --- | --- | --- | --- | --- | --- | --- | --- |\n"
  }
  {
    delete v
    for (i = 2; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
    peak = v["peak_kib"] / 1024
    goal = "-"
    if (v["goal_s"] > 0) {
      goal = "<= " v["goal_s"] " s"
      if (v["goal_mib"] > 0) goal = goal ", " v["goal_mib"] " MiB"
      met = v["gen_s"] <= v["goal_s"] && (v["goal_mib"] == 0 || peak <= v["goal_mib"])
      goal = goal (met ? " (met)" : " (missed)")
    }
    printf "| %s | %d | %.3f | %.3f | %.3f | %.1f | %d | %.1f | %.1f | %s |\n",
           v["case"], v["runs"], v["gen_s"], v["cpu_s"], v["copy_s"], v["ratio"], v["files"],
           v["bytes"] / 1048576, peak, goal
  }'
