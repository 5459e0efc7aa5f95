#!/usr/bin/env bash
# Regenerates the bundled sample chart and its pictures under docs/ with the
# project's own tools. Build them first (cmake --preset default && cmake
# --build --preset default); BUILD_DIR names another build directory.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build/default}
"$build/tools/make_chart/make_chart" --seed 3 --points 32 -o examples/sample_chart.txt
# Drawn at the PNG's own width: the picture's texts are sized in its pixels.
"$build/tools/chart14/chart14" svg examples/sample_chart.txt --width 1200 -o "$build/sample_chart.svg"
rsvg-convert -f png -o docs/sample_chart.png "$build/sample_chart.svg"
# The page, zoomed on the low in the south-west, pointing at an isobar of it
# (headless Chromium: Debian's chromium).
"$build/tools/chart14/chart14" html examples/sample_chart.txt -o "$build/sample_chart.html"
/usr/bin/python3 scripts/page_screenshot.py "$build/sample_chart.html" docs/sample_chart_html.png \
  --zoom 3 --at 160 230 --point 182.66 210.26
echo "make-sample: examples/sample_chart.txt, docs/sample_chart.png and docs/sample_chart_html.png regenerated"
