#!/usr/bin/env bash
# Builds the library and reads the bundled sample chart with it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
./build/default/examples/print_chart examples/sample_chart.txt
