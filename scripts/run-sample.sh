#!/usr/bin/env bash
# Builds the library and its tools, then reads the bundled sample chart:
# a summary of every section, and a picture of the chart.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
chart14=build/default/tools/chart14/chart14
"$chart14" info examples/sample_chart.txt
"$chart14" svg examples/sample_chart.txt -o build/default/sample_chart.svg
echo "picture: build/default/sample_chart.svg"
