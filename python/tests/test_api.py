"""The package as a user meets it: the installed import, the summary line,
sections as sequences, GeoJSON and GeoDataFrames."""

from __future__ import annotations

import json
import os
import subprocess
import sys
from pathlib import Path

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
    assert [e.fid for e in items] == list(range(len(section))) and len(items) > 1
    assert repr(section[-1]) == repr(items[-1]) and [repr(e) for e in section[1:3]] == [repr(e) for e in items[1:3]]
    for bad in (len(items), -len(items) - 1):
        with pytest.raises(IndexError):
            section[bad]
    for element in items:
        points = getattr(element, "points", np.empty((0, 2), np.float32))
        assert points.dtype == np.float32 and points.shape[1:] == (2,)
    assert len(json.loads(json.dumps(section.__geo_interface__))["features"]) == len(items)


@pytest.mark.parametrize("layer", readdata14.LAYERS)
def test_geodataframe_holds_the_features(sample: readdata14.Chart, layer: str) -> None:
    pytest.importorskip("geopandas")
    from pandas import isna
    from shapely.geometry import shape
    frame = sample.to_geodataframe(layer)
    features = sample.section(layer).__geo_interface__["features"]
    assert frame.crs is None and frame.index.name == "fid" and frame.index.tolist() == [f["id"] for f in features]
    assert list(frame.columns) == list(features[0]["properties"]) + ["geometry"]
    for feature, (_, row) in zip(features, frame.iterrows()):
        for name, value in feature["properties"].items():
            assert isna(row[name]) if value is None else row[name] == value
        assert row.geometry.equals_exact(shape(feature["geometry"]), 0)
    assert sample.to_geodataframe(layer, crs="EPSG:4326").crs is not None


def test_absent_sections(tmp_path: Path) -> None:
    chart = readdata14.read(DATA / "no_station_situation.txt")
    assert chart.fill_areas is None and chart.metadata["FILL_AREAS_READ"] == "NO"
    (tmp_path / "nolines.txt").write_bytes(b"readdata14 14 x\n1 2 3 4 5\nLINE: 0\n")
    chart = readdata14.read(tmp_path / "nolines.txt")
    assert not chart.lines.present and len(chart.lines) == 0 and chart.blocks.lines is None and chart.errors
    if "geopandas" in sys.modules or pytest.importorskip("geopandas"):
        frames = chart.to_geodataframes()
        assert list(frames) == list(readdata14.LAYERS) and not frames["lines"].attrs["present"]


@pytest.mark.parametrize("value,text", [
    (1036, "1036"), (1e32, "1e+32"), (0.001, "0.001"), (-0.0, "-0"), (123456789, "123456792"),
    (1e-7, "1e-07"), (1.25e-5, "1.25e-05"), (0.1, "0.1"), (3.4028235e38, "3.4028235e+38"), (1e15, "1e+15"),
])
def test_levels_metadata_in_the_shortest_float32_text(value: float, text: str, sample: readdata14.Chart) -> None:
    from readdata14._format import format_float32
    assert format_float32(value) == text
    levels = sample.metadata["LEVELS"].split(",")
    assert np.array_equal(np.array(levels, dtype=np.float32), sample.levels) and levels[0] == "1036"
