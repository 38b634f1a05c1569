#!/usr/bin/env bash
# Builds the whole suite a second time with AddressSanitizer and
# UndefinedBehaviorSanitizer (gcc) in build-asan and runs every test in it,
# the end-to-end ones included. Any sanitizer report fails the run: the
# sanitizers stop the process at the first report with a non-zero status, and
# the test logs are searched for reports afterwards, so a report from a
# helper process whose status a script does not look at still counts.
# LeakSanitizer is on for every test; tests/sanitizers/lsan.supp names the
# few leaks of third-party libraries it may ignore.
# Usage: scripts/sanitize.sh [ctest arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-asan
start=$(date +%s)

scripts/deps.sh test
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTAVRO_SANITIZE=address,undefined -DTAVRO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"

# Every report ends the process with a failure and a stack; leaks are checked
# at exit. The converter library is built in the same tree with the same
# flags, and the program that loads it carries the runtimes.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:exitcode=1:detect_leaks=1:\
check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1:\
print_summary=1:color=never"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:report_error_type=1:color=never"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0"
# The end-to-end scripts scale their polling limits by this factor: the
# instrumented program and checkers are slower. Twice the tries still ends a
# failing wait well inside the tests' own time limits.
export TAVRO_E2E_SLOWNESS=${TAVRO_E2E_SLOWNESS:-2}

cd "$build"
stamp=$(mktemp)
trap 'rm -f "$stamp"' EXIT
status=0
ctest --output-on-failure -j"$(nproc)" "$@" || status=$?

# Reports that did not fail their test (a helper process whose status went
# unseen, a program left to end on its own) still fail the run: the logs
# ctest and the tests wrote during this run are searched too.
reports=$(find Testing/Temporary tests -name '*.log' -newer "$stamp" \
  -exec grep -lE 'ERROR: (Address|Leak)Sanitizer|runtime error: |SUMMARY: UndefinedBehaviorSanitizer' {} + \
  2>/dev/null || true)
if [ -n "$reports" ]; then
  echo "Sanitizer reports found in:" >&2
  echo "$reports" >&2
  status=1
fi
echo "sanitize.sh: wall time $(( $(date +%s) - start )) s, status $status"
exit "$status"
