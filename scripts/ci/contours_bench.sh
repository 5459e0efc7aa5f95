#!/usr/bin/env bash
# Builds the contour benchmark and runs its quick cases (the optimised walk
# and the whole section read at 1,000 contours, and the chart of 40,000 tiny
# squares beside its floor; a few seconds). The literal walk at 10,000
# contours takes minutes and is left to hand runs:
#   build/bench/bench/contours_bench
set -euo pipefail
cd "$(dirname "$0")/../.."

bash scripts/install-deps.sh

cmake --preset bench >/dev/null
cmake --build --preset bench -j2
build/bench/bench/contours_bench --benchmark_filter='(Optimised|ReadSection)/1000$|Chart.*/TinySquares40000/descending'
echo "contours benchmark: built and ran its quick cases"
