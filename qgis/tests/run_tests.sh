#!/bin/sh
# Runs the plugin's tests in a headless QGIS with Debian's interpreter; exit
# 77 (skipped) with a message where QGIS's Python bindings are not installed.
#   run_tests.sh WORK_DIR [pytest arguments]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$1
shift
if ! /usr/bin/python3 -c "import qgis.core" 2>/dev/null; then
  echo "QGIS is not installed (Debian: python3-qgis qgis-providers; bash scripts/install-deps.sh python3-qgis qgis-providers): skipped"
  exit 77
fi
mkdir -p "$work/runtime"
chmod 700 "$work/runtime"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime" CPL_LOG="$work/gdal.log"
rm -f "$CPL_LOG"
cd "$work"
exec /usr/bin/python3 -m pytest -q -p no:cacheprovider --rootdir "$here" "$here" "$@"
