"""GDAL's own programs on charts: ogrinfo lists the library's layers, fields
and counts; ogr2ogr converts every chart that is free of errors, non-finite
values included, to the common formats."""
import re
import subprocess

import pytest
from osgeo import gdal

import library
from conftest import PROJECT_CHARTS, SAMPLE, SOURCE

gdal.UseExceptions()
OGR_TYPES = {library.INTEGER: "Integer", library.BOOLEAN: "Integer(Boolean)", library.REAL: "Real",
             library.STRING: "String"}
GEOMETRY_NAMES = {1: "Point", 2: "Line String", 3: "Polygon"}


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


def test_ogrinfo_lists_the_librarys_layers_counts_and_fields(generated):
    for path in [SAMPLE, *generated.values()]:
        tables = library.read(path)["layers"]
        assert ogrinfo_layers(path) == {
            name: (GEOMETRY_NAMES[geometry], len(tables[name]["features"]),
                   [(f, OGR_TYPES[t], "" if nullable else " NOT NULL") for f, t, nullable in fields])
            for name, geometry, fields in library.schema()}


# (format, output, the format's own warnings). GDAL 3.6's FlatGeobuf writer
# leaves out features without a geometry.
FORMATS = [("GPKG", "out.gpkg", None), ("ESRI Shapefile", "shp", r"Normalized/laundered field name"),
           ("FlatGeobuf", "fgb", None), ("GeoJSONSeq", "out.geojsons", r"No SRS set on layer")]


@pytest.mark.parametrize("driver,output,allowed", FORMATS, ids=[f[0] for f in FORMATS])
def test_ogr2ogr_converts_every_chart_free_of_errors(tmp_path, generated, spoiled, driver, output, allowed):
    charts = [p for p in [*PROJECT_CHARTS, *generated.values(), *spoiled] if library.read(p)["header"]["ERRORS"] == 0]
    assert len(charts) > 20
    for i, source in enumerate(charts):
        target = tmp_path / str(i) / output
        target.parent.mkdir()
        stderr = run("ogr2ogr", "-f", driver, str(target), str(source)).stderr
        unexpected = [line for line in stderr.splitlines()
                      if not line.startswith("Warning 1: Chart14: ") and not (allowed and re.search(allowed, line))]
        assert unexpected == [], (source, unexpected)
        tables = library.read(source)["layers"].values()
        if driver == "GeoJSONSeq":  # every layer into one sequence, a feature a line
            assert target.read_bytes().count(b"\n") == sum(len(t["features"]) for t in tables)
            continue
        out = gdal.OpenEx(str(target), gdal.OF_VECTOR)
        for table, name in zip(tables, library.read(source)["layers"]):
            kept = [g for g, _ in table["features"] if g is not None or driver != "FlatGeobuf"]
            assert out.GetLayerByName(name).GetFeatureCount() == len(kept), (source, name)
