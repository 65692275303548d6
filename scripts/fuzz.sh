#!/usr/bin/env bash
# Builds the libFuzzer targets of the readers with clang (ASan + UBSan) in
# build-fuzz/ and runs each for a bounded time:
#     ./scripts/fuzz.sh [SECONDS] [TARGET...]      # default 30 s, all four
# ALMANIX_FUZZ_SEED=N fixes the mutations' seed, so that a run from the same
# seeds (an empty build-fuzz/corpus) tries the same inputs again; CI uses it
# so that what it finds can be found again here.
# Each target starts from its seeds in tests/data/fuzz/<target>/ (read only)
# and grows its own corpus in build-fuzz/corpus/<target>/. Prints the
# executions per target; a crash, leak or hang fails the script and keeps
# the input in build-fuzz/artifacts/<target>/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="${ALMANIX_FUZZ_BUILD_DIR:-$top/build-fuzz}"
seconds="${1:-30}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(csv_reader_fuzz ical_reader_fuzz calendar_file_fuzz ini_reader_fuzz)
fi
case "$seconds" in ''|*[!0-9]*) echo "fuzz: SECONDS must be a whole number" >&2; exit 2;; esac

if [ ! -f "$build/build.ninja" ]; then
  launcher=()
  if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DALMANIX_FUZZ=ON -DALMANIX_TESTS=OFF "${launcher[@]}"
fi
cmake --build "$build" -j "${ALMANIX_JOBS:-$(nproc)}" --target "${targets[@]}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
# The readers work in their own folder under TMPDIR, removed on a clean end.
# In memory when there is room (a container's is often 64 MB): the settings
# and the tables are synced to disk on every save, which made each run five
# times slower on a disk.
shm_kb=0
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  shm_kb=$(df -Pk /dev/shm | awk 'NR == 2 { print $4 }')
fi
if [ -z "${ALMANIX_FUZZ_TMPDIR:-}" ] && [ "${shm_kb:-0}" -ge 1048576 ]; then
  export TMPDIR=/dev/shm
else
  export TMPDIR="${ALMANIX_FUZZ_TMPDIR:-$build/fuzz-tmp}"
  mkdir -p "$TMPDIR"
fi

failed=()
summary=()
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  artifacts="$build/artifacts/$target/"
  mkdir -p "$corpus" "$artifacts"
  seeds=("$top/tests/data/fuzz/$target")
  if [ "$target" = ini_reader_fuzz ]; then seeds+=("$top/tests/data/ini"); fi
  extra=()
  if [ -n "${ALMANIX_FUZZ_SEED:-}" ]; then extra+=(-seed="$ALMANIX_FUZZ_SEED"); fi
  if [ -f "$top/fuzz/$target.dict" ]; then extra+=(-dict="$top/fuzz/$target.dict"); fi
  log="$build/$target.log"
  echo "fuzz: $target for ${seconds} s"
  status=0
  # -timeout: one input running this long is a hang (libical alone may
  # search a second or two for the dates of a rule that has none, twenty
  # and more under the sanitizers on a busy machine); -rss_limit_mb: a
  # reader that balloons is a finding too.
  "$build/bin/$target" "$corpus" "${seeds[@]}" -max_total_time="$seconds" \
    -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts" "${extra[@]}" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -E '^#[0-9]+' "$log" | tail -1 | grep -o 'cov: [0-9]*' || true)
  line="$target: ${runs:-?} executions in ${seconds} s${cov:+, $cov}, corpus $(ls "$corpus" | wc -l) files"
  if [ "$status" -ne 0 ]; then
    line+=" FAILED (exit $status)"
    failed+=("$target")
    grep -E 'ERROR|SUMMARY|runtime error|==[0-9]+==' "$log" | head -20 >&2 || true
    echo "fuzz: $target failed; log $log, input kept in $artifacts" >&2
    ls "$artifacts" >&2
  fi
  summary+=("$line")
done

printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz: ${#failed[@]} of ${#targets[@]} targets failed: ${failed[*]}" >&2
  exit 1
fi
