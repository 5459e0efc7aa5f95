#!/usr/bin/env bash
# Configures and builds the benchmarks, reads generated charts of about 1, 10
# and 100 MB through the library, the fscanf way and the from_chars floor in
# one run, and prints the markdown table of speeds, ratios and peak memory;
# then writing against reading (write_bench).
#   bash bench/run.sh            (READDATA14_BENCH_SIZES=1,10 for a quicker run)
# The raw figures stay in build/bench/read_bench.json.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake --preset bench >/dev/null
cmake --build --preset bench -j2 >/dev/null

out=build/bench/read_bench.json
build/bench/bench/read_bench --benchmark_format=json --benchmark_out="$out" \
  --benchmark_out_format=json >/dev/null
python3 bench/report_table.py "$out"
# Writing the 100 MB generator chart against reading it, in one run.
echo
build/bench/bench/write_bench
# The nesting of 1,000 and 10,000 closed contours has a benchmark of its own.
if [[ -x build/bench/bench/contours_bench ]]; then
  echo
  build/bench/bench/contours_bench 2>/dev/null
fi
