#!/usr/bin/env bash
# Zips the QGIS plugin for QGIS's Plugins ▸ Manage and Install Plugins ▸
# Install from ZIP: the package qgis/weather_chart with the drawing table
# share/symbology.json inside it.
#   bash scripts/zip-qgis-plugin.sh [OUT.zip]    (default build/weather_chart.zip)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/weather_chart.zip}
mkdir -p "$(dirname "$out")"
/usr/bin/python3 - "$root" "$out" <<'PY'
import pathlib
import sys
import zipfile

root, out = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
package = root / "qgis" / "weather_chart"
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
    for path in sorted(package.rglob("*")):
        if path.is_file() and "__pycache__" not in path.parts and path.suffix != ".pyc":
            z.write(path, pathlib.Path("weather_chart") / path.relative_to(package))
    z.write(root / "share" / "symbology.json", "weather_chart/symbology.json")
PY
echo "zip-qgis-plugin: $out"
