#!/usr/bin/env bash
# Runs the canary with one fault and passes only when a sanitizer stopped it
# with a non-zero status and its report. Says which report it saw, not the
# report itself: a report anywhere in the logs fails the sanitizer run.
# Usage: expect_report.sh <canary> <fault> <pattern of the report>
set -uo pipefail
out=$("$1" "$2" 2>&1)
status=$?
if [ "$status" -eq 0 ]; then
  echo "FAIL: $2 ran to the end; the sanitizers are off or their options lost" >&2
  exit 1
fi
if ! grep -qE "$3" <<<"$out"; then
  echo "FAIL: $2 ended with status $status but without a report matching '$3'" >&2
  exit 1
fi
echo "PASS: $2 stopped with status $status and its report"
