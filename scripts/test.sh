#!/usr/bin/env bash
# Builds everything with warnings as errors and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
# chromium lays out and measures the chart14 svg pictures (a test that CI
# must not skip); fonts-dejavu-core is the font the pictures are measured in.
# QGIS runs the plugin's tests headless (python3-qgis, qgis-providers), and
# its qgis_process the plugin's Processing algorithm (qgis).
bash scripts/install-deps.sh chromium fonts-dejavu-core python3-qgis qgis-providers qgis
cmake --preset ci >/dev/null
cmake --build --preset ci -j "$(nproc)"
ctest --preset ci -j "$(nproc)"
