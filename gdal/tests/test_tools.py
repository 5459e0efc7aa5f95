"""GDAL's own programs on charts: ogrinfo lists the schema's layers, fields and
counts; ogr2ogr converts every layer to the common formats without a word
about field or geometry types."""
import re
import subprocess

import pytest
from osgeo import gdal

from conftest import LAYERS, SAMPLE, dump, expected

gdal.UseExceptions()
OGR_TYPES = {"Integer": "Integer", "Boolean": "Integer(Boolean)", "Real": "Real", "String": "String"}
GEOMETRY_NAMES = {"Point": "Point", "LineString": "Line String", "Polygon": "Polygon"}


def run(*args):
    result = subprocess.run(args, capture_output=True, text=True)
    assert result.returncode == 0, result.stderr
    return result


def ogrinfo_layers(path):
    """{layer: (geometry, count, [field lines])} parsed from ogrinfo -ro -al -so."""
    out = run("ogrinfo", "-ro", "-al", "-so", str(path)).stdout
    layers = {}
    for block in out.split("\nLayer name: ")[1:]:
        name, body = block.split("\n", 1)
        fields = re.findall(r"^(\w+): (\S+) \(0\.0\)( NOT NULL)?$", body, re.M)
        layers[name] = (re.search(r"^Geometry: (.+)$", body, re.M)[1],
                        int(re.search(r"^Feature Count: (\d+)$", body, re.M)[1]), fields)
    return layers


def test_ogrinfo_lists_layers_counts_and_fields(generated):
    for path in [SAMPLE, *generated.values()]:
        want = expected(dump(path))
        got = ogrinfo_layers(path)
        assert list(got) == list(LAYERS)
        for name, (geometry, fields) in LAYERS.items():
            assert got[name] == (GEOMETRY_NAMES[geometry], len(want[name]),
                                 [(f, OGR_TYPES[t], "" if nullable else " NOT NULL") for f, t, nullable in fields])


# (format, output name, one layer per call, warnings that are the format's own)
FORMATS = [("GPKG", "out.gpkg", False, None),
           ("ESRI Shapefile", "shp", False, r"^Warning 6: Normalized/laundered field name"),
           ("FlatGeobuf", "fgb", False, None),
           ("GeoJSON", "{layer}.geojson", True, None)]


@pytest.mark.parametrize("driver,output,per_layer,allowed", FORMATS, ids=[f[0] for f in FORMATS])
def test_ogr2ogr_converts_every_layer(tmp_path, generated, driver, output, per_layer, allowed):
    for source in [SAMPLE, generated["default"], generated["many_contours"]]:
        want = expected(dump(source))
        folder = tmp_path / source.stem
        folder.mkdir()
        for layers in [[name] for name in LAYERS] if per_layer else [[]]:
            target = folder / output.format(layer=layers[0] if layers else "")
            stderr = run("ogr2ogr", "-f", driver, str(target), str(source), *layers).stderr
            unexpected = [l for l in stderr.splitlines() if not (allowed and re.match(allowed, l))]
            assert unexpected == [], unexpected
        for name, features in want.items():
            path = folder / output.format(layer=name) if per_layer else folder / output
            out = gdal.OpenEx(str(path), gdal.OF_VECTOR)
            layer = out.GetLayerByName(name) if out.GetLayerCount() > 1 or not per_layer else out.GetLayer(0)
            assert layer.GetFeatureCount() == len(features), (driver, name)
