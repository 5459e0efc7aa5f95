"""The package as a user meets it: the installed import, the summary line,
sections as sequences, GeoJSON and GeoDataFrames."""

from __future__ import annotations

import importlib.util
import json
import os
import subprocess
import sys
from pathlib import Path
from typing import Any

import numpy as np
import pytest

import readdata14
from conftest import DATA, SAMPLE


@pytest.fixture(scope="module")
def sample() -> readdata14.Chart:
    return readdata14.read(SAMPLE)


def test_installed_package_imports_from_any_folder(tmp_path: Path) -> None:
    env = {k: v for k, v in os.environ.items() if k not in ("LD_LIBRARY_PATH", "READDATA14_LIBRARY")}
    done = subprocess.run([sys.executable, "-c", f"import readdata14; print(readdata14.read({str(SAMPLE)!r}))"],
                          cwd=tmp_path, env=env, capture_output=True, text=True, check=True)
    assert done.stdout.splitlines() == [
        "Synthetic_surface_analysis: 6 lines, 5 line symbols, 29 symbols, 22 closed contours, "
        "3 weather regions, 2 fill areas, 2 notes; 12 levels; 0 errors, 0 warnings"]
    assert Path(readdata14.LIBRARY_PATH).parent == Path(readdata14.__file__).parent


@pytest.mark.parametrize("layer", readdata14.LAYERS)
def test_sections_are_sequences(sample: readdata14.Chart, layer: str) -> None:
    section = sample.section(layer)
    items = list(section)
    assert len(items) == len(section) > 0
    assert [e.fid for e in items] == list(range(len(items)))
    assert repr(section[-1]) == repr(items[-1]) and repr(section[0]) == repr(items[0])
    assert [repr(e) for e in section[1:3]] == [repr(e) for e in items[1:3]]
    with pytest.raises(IndexError):
        section[len(items)]
    with pytest.raises(IndexError):
        section[-len(items) - 1]
    collection = section.__geo_interface__
    assert collection["type"] == "FeatureCollection" and len(collection["features"]) == len(items)
    json.dumps(collection)  # plain JSON types throughout


def test_element_arrays(sample: readdata14.Chart) -> None:
    for section in (sample.lines, sample.line_symbols, sample.closed_contours, sample.weather_regions,
                    sample.fill_areas):
        for element in section:
            assert element.points.dtype == np.float32 and element.points.ndim == 2
            assert element.points.shape[1] == 2
    contour = sample.closed_contours[0]
    assert contour.label_points.shape[1] == 2 and contour.nesting_position == 0
    assert sample.levels.dtype == np.float32 and sample.level_order == "falling"
    assert isinstance(sample.symbols[0].x, float) and isinstance(sample.notes[0].y, float)


def test_absent_sections(tmp_path: Path) -> None:
    chart = readdata14.read(DATA / "no_station_situation.txt")
    assert chart.fill_areas is None and chart.metadata["FILL_AREAS_READ"] == "NO"
    path = tmp_path / "nolines.txt"
    path.write_bytes(b"readdata14 14 x\n1 2 3 4 5\nLINE: 0\n")
    chart = readdata14.read(path)
    assert not chart.lines.present and len(chart.lines) == 0 and chart.errors >= 1
    assert chart.blocks.lines is None
    assert chart.to_geodataframe("lines").attrs["present"] is False if _has_geopandas() else True


def _has_geopandas() -> bool:
    return importlib.util.find_spec("geopandas") is not None


@pytest.mark.parametrize("layer", readdata14.LAYERS)
def test_geodataframe_follows_the_features(sample: readdata14.Chart, layer: str) -> None:
    """The frame holds the same fields and geometries as the GeoJSON features."""
    pytest.importorskip("geopandas")
    from shapely.geometry import shape
    frame = sample.to_geodataframe(layer)
    features = sample.section(layer).__geo_interface__["features"]
    assert frame.crs is None and frame.index.name == "fid"
    assert frame.index.tolist() == [f["id"] for f in features]
    for feature, (_, row) in zip(features, frame.iterrows()):
        for name, value in feature["properties"].items():
            got = row[name]
            assert (value is None and (got is None or got is pd_na() or got != got)) or got == value, name
        if feature["geometry"] is None:
            assert row.geometry is None
        else:
            assert row.geometry.equals_exact(shape(feature["geometry"]), 0)
    assert sample.to_geodataframe(layer, crs="EPSG:4326").crs is not None


def pd_na() -> Any:
    import pandas
    return pandas.NA


def test_metadata_levels_read_back(sample: readdata14.Chart) -> None:
    levels = sample.metadata["LEVELS"].split(",")
    assert np.array_equal(np.array(levels, dtype=np.float32), sample.levels)
    assert levels[0] == "1036"


@pytest.mark.parametrize("value,text", [
    (1036, "1036"), (1e32, "1e+32"), (0.001, "0.001"), (-0.0, "-0"), (123456789, "123456792"),
    (1e-7, "1e-07"), (1.25e-5, "1.25e-05"), (0.1, "0.1"), (3.4028235e38, "3.4028235e+38"), (1e15, "1e+15"),
])
def test_level_text_is_the_shortest_float32(value: float, text: str) -> None:
    from readdata14._format import format_float32
    assert format_float32(value) == text
