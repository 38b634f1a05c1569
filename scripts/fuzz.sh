#!/usr/bin/env bash
# Builds the libFuzzer targets (clang-14, AddressSanitizer and UBSan) and runs
# each from its seed corpus for a bounded time. Fails on any crash, leak,
# timeout or out-of-memory report, and when fuzz/seeds is not what
# fuzz/make_seeds.py writes.
#
# Usage: scripts/fuzz.sh [target...]   (default: every target)
#   TAVRO_FUZZ_SECONDS  seconds per target (60)
#   TAVRO_FUZZ_BUILD    build folder (build-fuzz)
# A crash leaves its input in <build>/fuzz-artifacts/; replay it with
#   <build>/fuzz/<target> <that file>
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

seconds=${TAVRO_FUZZ_SECONDS:-60}
build=${TAVRO_FUZZ_BUILD:-build-fuzz}
case "$build" in /*) ;; *) build="$root/$build" ;; esac
all=(ink_geometry jpgutils picture_jpeg picture_gif picture_bmp picture_wmf picture_emf dialog_filter)
targets=("${@:-${all[@]}}")

scripts/deps.sh test
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTAVRO_BUILD_FUZZ=ON -DTAVRO_SANITIZE=fuzzer-no-link,address,undefined \
  -DTAVRO_BUILD_TESTS=OFF -DTAVRO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_targets -j"$(nproc)"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/tavro-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
python3 fuzz/make_seeds.py "$scratch/seeds" >/dev/null
if ! diff -r fuzz/seeds "$scratch/seeds" >/dev/null; then
  echo "fuzz/seeds is not what fuzz/make_seeds.py writes; run: python3 fuzz/make_seeds.py fuzz/seeds" >&2
  exit 1
fi

# Files the targets write go to a folder removed at the end, even after a crash.
if [ -w /dev/shm ]; then
  export TAVRO_FUZZ_SCRATCH=$(mktemp -d /dev/shm/tavro-fuzz.XXXXXX)
  trap 'rm -rf "$scratch" "$TAVRO_FUZZ_SCRATCH"' EXIT
else
  export TAVRO_FUZZ_SCRATCH=$scratch
fi
export XDG_RUNTIME_DIR=$scratch
export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# The process's resident size is held to 512 MB below; AddressSanitizer's
# quarantine of freed blocks (256 MB by default) would fill half of that with
# memory the program already gave back, and fail long runs for nothing.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}${ASAN_OPTIONS:+:}detect_leaks=1:quarantine_size_mb=32"

artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"
failed=()
printf '%-16s %10s %8s %8s %8s %8s\n' target runs seconds exec/s corpus cov
for t in "${targets[@]}"; do
  corpus="$build/fuzz-corpus/$t"
  log="$build/fuzz-logs/$t.log"
  mkdir -p "$corpus" "$(dirname "$log")"
  status=0
  # An open ends within about a second and 256 MB more memory whatever the
  # file holds, so an input past either limit is a finding.
  "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=1 -rss_limit_mb=512 -malloc_limit_mb=512 \
    -print_final_stats=1 -artifact_prefix="$artifacts/$t-" "$corpus" "fuzz/seeds/$t" \
    >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log")
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  printf '%-16s %10s %8s %8s %8s %8s\n' "$t" "${runs:-?}" "${took:-?}" "${rate:-?}" \
    "$(find "$corpus" -type f | wc -l)" "${cov:-?}"
  if [ "$status" -ne 0 ] || grep -qE '^==[0-9]+==ERROR|runtime error:|^SUMMARY: ' "$log"; then
    failed+=("$t")
    echo "---- $t failed (exit $status); log $log" >&2
    grep -E -A40 '^==[0-9]+==ERROR|runtime error:|broken promise|ALARM|out-of-memory' "$log" | head -60 >&2 || tail -30 "$log" >&2
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzzing failed: ${failed[*]}; inputs in $artifacts" >&2
  exit 1
fi
echo "fuzzing passed: ${#targets[@]} targets, ${seconds} s each"
