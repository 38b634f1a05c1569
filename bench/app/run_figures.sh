#!/usr/bin/env bash
# Prints the window's figures on a virtual X screen: start-up to first paint
# (10 runs, each a fresh process) and the processor time of Delay(1000)
# beside a polling loop (3 runs).
# Usage: bench/app/run_figures.sh <build folder>
set -euo pipefail
build=${1:-build}
figures="$build/bench/app/window_figures"
[ -x "$figures" ] || { echo "build window_figures first: cmake --build $build --target window_figures" >&2; exit 1; }

if [ -z "${TAVRO_FIGURES_INSIDE_X:-}" ]; then
  export TAVRO_FIGURES_INSIDE_X=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
export QT_QPA_PLATFORM=xcb

for _ in 1 2 3 4 5 6 7 8 9 10; do "$figures" startup 2>/dev/null; done
for _ in 1 2 3; do "$figures" delay 2>/dev/null; done
