#!/usr/bin/env bash
# A chart made from model output, as a user would make one: a synthetic
# surface-pressure grid (a low and a high on 1013 hPa) written as a GeoTIFF,
# its isobars drawn by gdal_contour, the pressure centres added as points,
# the lot written as a chart by ogr2ogr -f Chart14, drawn by chart14 svg and
# shown by headless Chromium: docs/pressure_chart.png. Build first (cmake
# --preset default && cmake --build --preset default); BUILD_DIR names
# another build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$PWD/${BUILD_DIR:-build/default}
export GDAL_DRIVER_PATH=$build/gdal
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

/usr/bin/python3 - "$work" <<'PY'
import sys
import numpy
from osgeo import gdal, ogr

work, n = sys.argv[1], 120
y, x = numpy.mgrid[0:n, 0:n].astype(float)
bump = lambda cx, cy, amplitude, width: amplitude * numpy.exp(-((x - cx) ** 2 + (y - cy) ** 2) / (2 * width ** 2))
pressure = 1013 + 0.12 * (x - n / 2) + bump(38, 44, -30, 14) + bump(86, 78, 22, 16)
grid = gdal.GetDriverByName("GTiff").Create(f"{work}/grid.tif", n, n, 1, gdal.GDT_Float32)
grid.SetGeoTransform([0, 10, 0, 10 * n, 0, -10])  # x 0 .. 1200, y 0 .. 1200
grid.GetRasterBand(1).WriteArray(pressure)
grid = None
# The centres: the lowest and the highest cell, as symbols of type 61 (L) and 60 (H).
centres = ogr.GetDriverByName("GPKG").CreateDataSource(f"{work}/centres.gpkg")
layer = centres.CreateLayer("symbols", geom_type=ogr.wkbPoint)
for name, kind in (("type", ogr.OFTInteger), ("text", ogr.OFTString)):
    layer.CreateField(ogr.FieldDefn(name, kind))
for index, kind, text in ((pressure.argmin(), 61, "L"), (pressure.argmax(), 60, "H")):
    row, column = divmod(int(index), n)
    feature = ogr.Feature(layer.GetLayerDefn())
    feature.SetGeometry(ogr.CreateGeometryFromWkt(f"POINT ({10 * column + 5} {10 * (n - row) - 5})"))
    feature.SetField("type", kind)
    feature.SetField("text", text)
    layer.CreateFeature(feature)
centres = None
PY

# Layers named for their sections; VALUE_FIELD matters to the contours only.
gdal_contour -q -a ELEV -i 4 -nln closed_contours "$work/grid.tif" "$work/pressure.gpkg"
ogr2ogr -append "$work/pressure.gpkg" "$work/centres.gpkg"
ogr2ogr -f Chart14 -dsco DESCRIPTION=Synthetic_pressure -lco VALUE_FIELD=ELEV "$work/pressure_chart.txt" \
  "$work/pressure.gpkg"
"$build/tools/chart14/chart14" svg --width 1000 -o "$work/pressure_chart.svg" "$work/pressure_chart.txt"
/usr/bin/python3 - "$work/pressure_chart.svg" docs/pressure_chart.png <<'PY'
import os
import sys

sys.path.insert(0, os.path.join("tests", "picture"))
import devtools

svg, png = sys.argv[1:]
with devtools.Browser(os.path.dirname(svg), 1000, 900) as browser:
    browser.open(svg)
    size = browser.evaluate("(() => { const r = document.documentElement.getBoundingClientRect(); "
                            "return [Math.ceil(r.width), Math.ceil(r.height)]; })()")
    browser.call("Emulation.setDeviceMetricsOverride", width=size[0], height=size[1], deviceScaleFactor=1, mobile=False)
    browser.screenshot(os.path.abspath(png))
PY
echo "make-pressure-picture: docs/pressure_chart.png"
