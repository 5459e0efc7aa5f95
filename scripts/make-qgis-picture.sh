#!/usr/bin/env bash
# Draws the bundled sample as the QGIS plugin shows it, its map and the
# layer tree's legend side by side, into docs/sample_chart_qgis.png: the
# plugin's open_chart in a headless QGIS, exported through a print layout.
# Build the driver first (cmake --preset default && cmake --build --preset
# default); BUILD_DIR names another build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh python3-qgis qgis-providers
export GDAL_DRIVER_PATH=$PWD/${BUILD_DIR:-build/default}/gdal QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
/usr/bin/python3 - examples/sample_chart.txt docs/sample_chart_qgis.png <<'PY'
import sys
import tempfile

sys.path.insert(0, "qgis")
from qgis.core import (QgsApplication, QgsLayout, QgsLayoutExporter, QgsLayoutItemLegend, QgsLayoutItemMap,
                       QgsLayoutPoint, QgsLayoutSize, QgsProject, QgsRectangle, QgsUnitTypes)
from qgis.PyQt.QtGui import QColor, QFont

app = QgsApplication([], False, tempfile.mkdtemp())
app.initQgis()
from weather_chart import open_chart

chart, picture = sys.argv[1:]
project = QgsProject.instance()
group = open_chart(chart, project)
layers = [n.layer() for n in group.findLayers() if n.isVisible()]
extent = QgsRectangle()
for layer in layers:
    extent.combineExtentWith(layer.extent())
extent.grow(0.02 * extent.width())

MAP_WIDTH, MARGIN = 280.0, 4.0  # millimetres: 3.78 pixels each at 96 dpi
map_height = MAP_WIDTH * extent.height() / extent.width()
layout = QgsLayout(project)
layout.initializeDefaults()
page = layout.pageCollection().page(0)
chart_map = QgsLayoutItemMap(layout)
chart_map.attemptMove(QgsLayoutPoint(MARGIN, MARGIN))
chart_map.attemptResize(QgsLayoutSize(MAP_WIDTH, map_height))
chart_map.setLayers(layers)
chart_map.setExtent(extent)
chart_map.setBackgroundColor(QColor("#f4f8fb"))
chart_map.setFrameEnabled(True)
layout.addLayoutItem(chart_map)
legend = QgsLayoutItemLegend(layout)
legend.setTitle("")
legend.setLinkedMap(chart_map)
legend.setAutoUpdateModel(False)
root = legend.model().rootGroup()  # the legend's own copy of the layer tree
for node in list(root.children()):
    if node.name() != group.name():
        root.removeChildNode(node)
for node in root.findLayers():
    if not node.isVisible():
        node.parent().removeChildNode(node)
legend.setSymbolWidth(8)
legend.setSymbolHeight(4)
legend.setColumnCount(2)
legend.setSplitLayer(True)
legend.attemptMove(QgsLayoutPoint(2 * MARGIN + MAP_WIDTH, MARGIN))
layout.addLayoutItem(legend)
settings = QgsLayoutExporter.ImageExportSettings()
settings.dpi = 96
# The legend takes its size when first drawn: draw once, then fit the page to map and legend.
assert QgsLayoutExporter(layout).exportToImage(picture, settings) == QgsLayoutExporter.Success
size = legend.sizeWithUnits()
page.setPageSize(QgsLayoutSize(MAP_WIDTH + size.width() + 3 * MARGIN,
                               max(map_height, size.height()) + 2 * MARGIN))
assert QgsLayoutExporter(layout).exportToImage(picture, settings) == QgsLayoutExporter.Success
PY
echo "make-qgis-picture: docs/sample_chart_qgis.png"
