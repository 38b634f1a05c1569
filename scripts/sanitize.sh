#!/usr/bin/env bash
# Builds the whole suite a second time with AddressSanitizer and
# UndefinedBehaviorSanitizer (gcc) in build-asan and runs every test in it,
# the end-to-end ones included. Any sanitizer report fails the run: the
# sanitizers stop the process at the first report with a non-zero status, and
# the test logs are searched for reports afterwards, so a report from a
# helper process whose status a script does not look at still counts.
# LeakSanitizer is on for every test; scripts/lsan.supp names the few leaks
# of third-party libraries it may ignore. First, canaries show that these
# options still stop each kind of fault; last, the soak runs (scripts/soak.sh).
# Usage: scripts/sanitize.sh [ctest arguments...]   (with arguments, no soak)
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
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
# The end-to-end scripts scale their polling limits by this factor: the
# instrumented program and checkers are slower. Twice the tries still ends a
# failing wait well inside the tests' own time limits.
export TAVRO_E2E_SLOWNESS=${TAVRO_E2E_SLOWNESS:-2}

# Canaries: a heap overflow, a leak, a signed overflow and a double too big
# for an int, built with the tree's flags; each must stop with a non-zero
# status and its report. Only the verdict is printed: a report in the logs
# fails the run.
canary_dir=$(mktemp -d)
cat >"$canary_dir/canary.cpp" <<'CANARY'
#include <cstdio>
#include <cstdlib>
#include <cstring>
void* volatile block;  // the compiler can neither drop the blocks nor follow them
int main(int, char** argv)
{
    volatile int index = 8;  // volatile: no fault folded away
    if (!std::strcmp(argv[1], "overflow")) {
        block = std::malloc(8);
        std::memset(block, 0, index + 1);  // memset: a plain store meets UBSan first
        std::free(block);
    } else if (!std::strcmp(argv[1], "leak")) {
        block = std::malloc(64);
        block = nullptr;
    } else if (!std::strcmp(argv[1], "signed")) {
        volatile int big = 0x7fffffff;
        std::printf("%d\n", big + index);
    } else if (!std::strcmp(argv[1], "cast")) {
        volatile double huge = 1e300;
        std::printf("%d\n", static_cast<int>(huge) + index);
    }
    return 0;
}
CANARY
c++ -g -O1 -fsanitize=address,undefined,float-cast-overflow -fno-omit-frame-pointer -fno-sanitize-recover=all \
  "$canary_dir/canary.cpp" -o "$canary_dir/canary"
canary() {  # canary <fault> <pattern of its report>
  local out status=0
  out=$("$canary_dir/canary" "$1" 2>&1) || status=$?
  if [ "$status" -eq 0 ] || ! grep -qE "$2" <<<"$out"; then
    echo "sanitize.sh: the $1 canary was not stopped with its report (status $status): the options lost their bite" >&2
    exit 1
  fi
  echo "canary $1: stopped with status $status and its report"
}
canary overflow "AddressSanitizer: heap-buffer-overflow"
canary leak "LeakSanitizer: detected memory leaks"
canary signed "signed integer overflow"
canary cast "is outside the range of representable values"
rm -rf "$canary_dir"

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
# The soak under the sanitizers, with the same options (whole runs only).
if [ $# -eq 0 ]; then
  "$root/scripts/soak.sh" "$build" || status=1
fi
if [ -n "$reports" ]; then
  echo "Sanitizer reports found in:" >&2
  echo "$reports" >&2
  status=1
fi
echo "sanitize.sh: wall time $(( $(date +%s) - start )) s, status $status"
exit "$status"
