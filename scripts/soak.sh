#!/usr/bin/env bash
# The soak (tools/soak): random operations on the real window, offscreen, with
# its resident memory watched, once for each seed of a fixed list, so that a
# run repeats exactly. Builds it in the given build folder (default build/,
# configured as scripts/test.sh does when it is not there yet); the sanitizer
# run passes build-asan with its options set.
# Usage: scripts/soak.sh [build folder]     TAVRO_SOAK_OPS: operations a seed (1500)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seeds=(323238210 20261206)
ops=${TAVRO_SOAK_OPS:-1500}

if [ ! -f "$build/CMakeCache.txt" ]; then
  scripts/deps.sh test
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target tavro_soak
for seed in "${seeds[@]}"; do
  QT_QPA_PLATFORM=offscreen "$build/tools/soak/tavro_soak" --ops "$ops" --seed "$seed"
done
