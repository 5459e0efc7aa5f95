#!/usr/bin/env bash
# Draws the bundled sample as GIS tools see it: opened through the Chart14
# GDAL driver, each layer read by geopandas and drawn by matplotlib, into
# docs/sample_chart_gdal.png. Build the plugin first (cmake --preset default
# && cmake --build --preset default); BUILD_DIR names another build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh python3-matplotlib
export GDAL_DRIVER_PATH=$PWD/${BUILD_DIR:-build/default}/gdal
/usr/bin/python3 - examples/sample_chart.txt docs/sample_chart_gdal.png <<'PY'
import sys
import geopandas
import matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as plt

chart, picture = sys.argv[1:]
# fiona reads drivers it has not vetted only when told.
read = lambda layer: geopandas.read_file(chart, layer=layer, allow_unsupported_drivers=True)
fig, ax = plt.subplots(figsize=(9, 5.6), dpi=100)
read("fill_areas").plot(ax=ax, color="#cfe8cf", edgecolor="#6a9f6a", linewidth=0.6)
read("weather_regions").plot(ax=ax, color="#f5e6a8", edgecolor="#b89b2e", alpha=0.7, linewidth=0.6)
read("closed_contours").plot(ax=ax, column="label_value", cmap="coolwarm", linewidth=1.0,
                             missing_kwds={"color": "#999999", "linestyle": "--"},  # labels that are codes
                             legend=True, legend_kwds={"label": "closed_contours.label_value", "shrink": 0.8})
read("lines").plot(ax=ax, color="#555555", linewidth=1.2)
read("line_symbols").plot(ax=ax, color="#1f4e9c", linewidth=1.8)
symbols = read("symbols")
texts = symbols[symbols.text.notna()]
symbols[symbols.text.isna()].plot(ax=ax, color="#7a2d8c", markersize=12, marker="^")
for point, text in zip(texts.geometry, texts.text):
    ax.annotate(text, (point.x, point.y), fontsize=7, ha="center", va="center", color="#7a2d8c")
read("notes").plot(ax=ax, color="black", markersize=8, marker="s")
read("label_points").plot(ax=ax, color="#d2691e", markersize=6)
ax.set_title("examples/sample_chart.txt through the Chart14 driver (geopandas)", fontsize=10)
ax.set_aspect("equal")
ax.tick_params(labelsize=7)
fig.tight_layout()
fig.savefig(picture, dpi=100)
PY
echo "make-gdal-picture: docs/sample_chart_gdal.png"
