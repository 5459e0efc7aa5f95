#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing,
# and any further packages named on the command line (the CI scripts name
# theirs: clang for fuzzing, MinGW and wine for the Windows DLL). A package
# of another architecture (wine32:i386) brings that architecture in.
# Idempotent; run as root (or with sudo available).
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config python3 libgtest-dev libbenchmark-dev
          libcli11-dev    # chart14's argument parsing
          libproj-dev     # chart14 checks --crs names in PROJ's database
          librsvg2-bin    # rsvg-convert: renders chart14 svg pictures in the tests
          gdal-bin        # ogr2ogr: GIS tools take chart14 geojson as it is
          # the Python package (python/): built in a venv without a package index, tested with pytest
          python3-venv python3-numpy python3-pytest python3-setuptools python3-wheel
          python3-geopandas python3-dask python3-distributed
          libgdal-dev gdal-bin python3-gdal)  # the GDAL driver; its tests use pytest and geopandas too
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  [[ $(dpkg-query -W -f='${Status}' "$p" 2>/dev/null) == *"install ok installed"* ]] || missing+=("$p")
done
((${#missing[@]})) || exit 0

echo "installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
for p in "${missing[@]}"; do
  if [[ $p == *:* ]]; then
    arch=${p#*:}
    grep -qx "$arch" <<<"$(dpkg --print-foreign-architectures)" || $SUDO dpkg --add-architecture "$arch"
  fi
done
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
