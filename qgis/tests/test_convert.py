"""Processing's "Convert charts" on a folder of three charts (and a file that
is no chart), run as the toolbox runs it and through qgis_process, against
ogr2ogr's GeoPackages of the same charts."""

from __future__ import annotations

import json
import os
import shutil
import subprocess
import zipfile

import pytest

LAYER_NAMES = ["lines", "line_symbols", "symbols", "closed_contours", "weather_regions", "fill_areas", "notes",
               "label_points"]


@pytest.fixture(scope="module")
def processing(qgis, plugin):
    sys_path = "/usr/share/qgis/python/plugins"
    import sys
    if sys_path not in sys.path:
        sys.path.append(sys_path)
    import processing
    from processing.core.Processing import Processing
    from qgis.core import QgsApplication
    Processing.initialize()
    from weather_chart.processing_provider import WeatherChartProvider
    provider = WeatherChartProvider()
    QgsApplication.processingRegistry().addProvider(provider)
    qgis.log.take(qgis)  # what Processing says of its own providers
    yield processing
    QgsApplication.processingRegistry().removeProvider(provider)


@pytest.fixture(scope="module")
def folder(charts, tmp_path_factory):
    folder = tmp_path_factory.mktemp("to_convert")
    for name, path in charts.items():
        # Charts are known by their content, whatever their name.
        shutil.copy(path, folder / (f"{name}.chart" if name == "generated_many" else f"{name}.txt"))
    (folder / "readme.txt").write_text("These are the charts of the day.\n")
    return folder


def _ogr2ogr(*args):
    subprocess.run(["ogr2ogr", "-f", "GPKG", *map(str, args)], check=True, capture_output=True)


def _layers(path):
    """{layer: (geometry type, [field definitions], [(attributes, WKB)])} of a GeoPackage."""
    from osgeo import ogr
    dataset = ogr.Open(str(path))
    out = {}
    for i in range(dataset.GetLayerCount()):
        layer = dataset.GetLayer(i)
        d = layer.GetLayerDefn()
        fields = [(f.GetName(), f.GetType(), f.GetSubType(), f.IsNullable())
                  for f in (d.GetFieldDefn(k) for k in range(d.GetFieldCount()))]
        features = [([f.GetField(k) for k in range(d.GetFieldCount())],
                     f.GetGeometryRef().ExportToIsoWkb() if f.GetGeometryRef() else None) for f in layer]
        out[layer.GetName()] = (layer.GetGeomType(), fields, features)
    return out


@pytest.fixture(scope="module")
def references(charts, tmp_path_factory):
    """ogr2ogr's GeoPackage of each chart, by name."""
    folder = tmp_path_factory.mktemp("ogr2ogr")
    for name, path in charts.items():
        _ogr2ogr(folder / f"{name}.gpkg", path)
    return {name: _layers(folder / f"{name}.gpkg") for name in charts}


def _like_references(out, references):
    assert sorted(p.name for p in out.iterdir()) == sorted(f"{n}.gpkg" for n in references)
    for name, want in references.items():
        assert _layers(out / f"{name}.gpkg") == want, name


def test_one_geopackage_per_chart(qgis, processing, folder, charts, references, library, tmp_path):
    result = processing.run("weather_chart:convert_charts", {"INPUT": str(folder), "OUTPUT": str(tmp_path)})
    assert result["CHARTS"] == 3
    _like_references(tmp_path, references)
    for name, layers in references.items():
        assert list(layers) == LAYER_NAMES
        assert {layer: len(v[2]) for layer, v in layers.items()} == library.feature_counts(charts[name])
    assert qgis.log.take(qgis) == []


def test_one_geopackage_for_all(qgis, processing, folder, charts, tmp_path):
    result = processing.run("weather_chart:convert_charts",
                            {"INPUT": str(folder), "ONE_GEOPACKAGE": True, "OUTPUT": str(tmp_path / "out")})
    assert result["CHARTS"] == 3
    want = tmp_path / "ogr2ogr.gpkg"
    for name in sorted(charts):
        for layer in LAYER_NAMES:
            _ogr2ogr(*(["-update"] if want.exists() else []), "-nln", f"{name}_{layer}", want, charts[name], layer)
    assert _layers(tmp_path / "out" / "charts.gpkg") == _layers(want)
    assert qgis.log.take(qgis) == []


def test_qgis_process_runs_it(folder, references, plugin_zip, tmp_path):
    # Debian's qgis_process is a script that passes the program an option it
    # refuses; the program itself is qgis_process.bin.
    program = shutil.which("qgis_process.bin") or shutil.which("qgis_process")
    if program is None:
        pytest.skip("qgis_process is not installed (Debian: qgis)")
    profile = tmp_path / "config"
    with zipfile.ZipFile(plugin_zip) as z:
        z.extractall(profile / "profiles" / "default" / "python" / "plugins")
    env = {**os.environ, "QGIS_CUSTOM_CONFIG_PATH": str(profile)}
    subprocess.run([program, "plugins", "enable", "weather_chart"], env=env, check=True, capture_output=True)
    run = subprocess.run([program, "--json", "run", "weather_chart:convert_charts", "--",
                          f"INPUT={folder}", f"OUTPUT={tmp_path / 'out'}"], env=env, check=True, capture_output=True)
    assert json.loads(run.stdout)["results"]["CHARTS"] == 3
    _like_references(tmp_path / "out", references)
