"""to_geodataframe against the GDAL driver read through geopandas (with no
fiona.supported_drivers line: importing readdata14 tells fiona of the
driver): both show the library's layer model, so every layer, its
"present" and the dataset's metadata must agree. Skipped where the driver
(ogr_Chart14.so on GDAL_DRIVER_PATH) is not built."""

from __future__ import annotations

import os
from pathlib import Path
from typing import Any, List

import pytest

import readdata14
from conftest import DATA, NON_FINITE, SAMPLE


def driver_built() -> bool:
    folders = [f for f in os.environ.get("GDAL_DRIVER_PATH", "").split(os.pathsep) if f]
    return any((Path(f) / "ogr_Chart14.so").exists() for f in folders)


pytestmark = [pytest.mark.skipif(not driver_built(), reason="the GDAL driver is not on GDAL_DRIVER_PATH"),
              pytest.mark.filterwarnings("ignore::readdata14.TextEncodingWarning")]


def plain(values: List[Any]) -> List[Any]:
    """Cells as comparable values: missing is None, numbers are floats."""
    return [None if v is None or str(v) == "<NA>" or v != v else v if isinstance(v, (bool, str)) else float(v)
            for v in values]


CHARTS = {
    "sample": SAMPLE,
    "every section": DATA / "every_section.txt",
    "no station situation": DATA / "no_station_situation.txt",
    "windows texts": DATA / "win_texts.txt",
    "tricky contours": DATA / "win_tricky_contours.txt",
    "not finite": NON_FINITE,
}


def chart_path(name: str, folder: Path) -> Path:
    chart = CHARTS[name]
    if isinstance(chart, bytes):
        (folder / "chart.txt").write_bytes(chart)
        return folder / "chart.txt"
    return chart


@pytest.mark.parametrize("name", CHARTS)
@pytest.mark.parametrize("layer", readdata14.LAYERS)
def test_layers_equal_gdal(name: str, layer: str, tmp_path: Path) -> None:
    geopandas = pytest.importorskip("geopandas")
    path = chart_path(name, tmp_path)
    chart = readdata14.read(path)  # both keep the bytes that are not UTF-8 as \xNN
    ours = chart.to_geodataframe(layer)
    theirs = geopandas.read_file(path, layer=layer)
    assert len(ours) == len(theirs)
    assert ours.index.tolist() == list(range(len(ours)))
    assert [c for c in ours.columns if c != "geometry"] == [c for c in theirs.columns if c != "geometry"]
    for column in ours.columns:
        if column == "geometry":
            continue
        got = plain(ours[column].tolist())
        want = plain(theirs[column].tolist())
        if column in ("closed", "valued_closed"):
            want = [None if w is None else bool(w) for w in want]
        assert got == want, (layer, column)
    for a, b in zip(ours.geometry, theirs.geometry):
        assert (a is None or a.is_empty) == (b is None or b.is_empty), layer
        if a is not None and not a.is_empty:
            assert a.geom_type == b.geom_type and a.equals_exact(b, 0), layer


@pytest.mark.parametrize("name", CHARTS)
def test_metadata_equals_gdal(name: str, tmp_path: Path) -> None:
    gdal = pytest.importorskip("osgeo.gdal")
    gdal.UseExceptions()
    path = chart_path(name, tmp_path)
    dataset = gdal.OpenEx(str(path), gdal.OF_VECTOR)
    chart = readdata14.read(path)
    metadata = dataset.GetMetadata()
    for key, value in chart.metadata.items():
        if key != "DESCRIPTION" or "\\x" not in value:
            assert metadata.get(key) == value, key
    for layer in readdata14.LAYERS:
        present = dataset.GetLayerByName(layer).GetMetadataItem("SECTION_PRESENT")
        assert present == ("YES" if chart.layer_table(layer).present else "NO"), layer
