"""The package as a user meets it: the installed import, the summary line,
sections as sequences of elements that compare by content, the header's
fields, "present", GeoJSON for shapely, and the levels' metadata."""

from __future__ import annotations

import json
import os
import subprocess
import sys
from pathlib import Path
from typing import Optional, Tuple

import numpy as np
import pytest

import readdata14
from conftest import SAMPLE


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
def test_sections_are_sequences_of_elements_equal_by_content(sample: readdata14.Chart, layer: str) -> None:
    section = sample.section(layer)
    items = list(section)
    assert [e.fid for e in items] == list(range(len(section))) and len(items) > 1
    assert section[-1] == items[-1] and section[1:3] == items[1:3] and items[0] != items[1]
    assert items[0] in section and len(set(items)) == len(items)
    assert items == list(readdata14.read(SAMPLE).section(layer))  # another read of the same file
    assert repr(section[-1]) == repr(items[-1])
    for bad, error in ((len(items), IndexError), (-len(items) - 1, IndexError), ("a", TypeError),
                       (1.0, TypeError)):
        with pytest.raises(error):
            section[bad]
    for element in items:
        points = getattr(element, "points", np.empty((0, 2), np.float32))
        assert points.dtype == np.float32 and points.shape[1:] == (2,)
    features = json.loads(json.dumps(section.__geo_interface__))["features"]
    assert features == [json.loads(json.dumps(e.feature)) for e in items]


@pytest.mark.parametrize("layer", readdata14.LAYERS)
def test_shapely_takes_elements(layer: str, tmp_path: Path) -> None:
    from shapely.geometry import shape
    chart = readdata14.read(SAMPLE if layer != "lines" else write(tmp_path, LINES_OF_ONE_POINT))
    for element in chart.section(layer):
        geometry = shape(element)
        if element.geometry() is None:
            assert geometry.is_empty
        else:
            assert geometry.geom_type == readdata14.SCHEMA[layer].geometry_type and not geometry.is_empty


HEADER = b"readdata14 14 Test_chart\n"
LINES_OF_ONE_POINT = HEADER + b"1 2 3 4 5\nLINES: 2\n1 1\n0 0 0\n5 0\n2 2\n0 0 0 1 1 0\n6 0\n"


def write(folder: Path, data: bytes) -> Path:
    (folder / "chart.txt").write_bytes(data)
    return folder / "chart.txt"


@pytest.mark.parametrize("header,first,integers", [
    (b"readdata14 14 D\n2024 1 15 12 0\n", "readdata14", (2024, 1, 15, 12, 0)),
    (b"ZP 14 D\n2024 1 x\n", "ZP", (2024, 1, None, None, None)),
    (b"ZP 14 D\nLINES: 0\n", "ZP", (None,) * 5),
    (b"ZP 14 D\n-3 99999999999 1 2 3 4\n", "ZP", (-3, 2147483647, 1, 2, 3)),  # saturated, the sixth left
])
def test_header_fields(header: bytes, first: str, integers: Tuple[Optional[int], ...], tmp_path: Path) -> None:
    chart = readdata14.read(write(tmp_path, header + b"LINES: 0\n"))
    assert (chart.first_token, chart.description, chart.header_integers) == (first, "D", integers)
    assert readdata14.read_header(tmp_path / "chart.txt") == chart.header
    assert chart.metadata["HEADER_INTEGERS"] == ",".join(str(i) for i in integers if i is not None)


EMPTY = b"LINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\nCLOSED_CONTOURS: 0\nSTATION_SITUATION\nWEATHER_REGION: 0\nFILLAREA: 0\n"


@pytest.mark.parametrize("body,absent", [
    (EMPTY + b"NOTES_SYMBOL: 0\n", set()),  # present whatever the count
    (EMPTY.replace(b"SYMBOLS", b"SYMBOL") + b"NOTES_SYMBOL: 0\n", {"symbols"}),
    (b"LINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 0\nCLOSED_CONTOURS: 0\nNOTES_SYMBOL: 0\n",
     {"weather_regions", "fill_areas", "notes"}),  # no STATION_SITUATION: the reader stops there
    (b"LINE: 0\n", set(readdata14.LAYERS)),
])
def test_present_means_the_tag_stood_where_it_was_due(body: bytes, absent: set, tmp_path: Path) -> None:
    chart = readdata14.read(write(tmp_path, HEADER + b"1 2 3 4 5\n" + body))
    assert {layer for layer in readdata14.LAYERS if not chart.layer_table(layer).present} == absent
    assert (chart.fill_areas is None) == (chart.metadata["FILL_AREAS_READ"] == "NO")
    if chart.fill_areas is None:
        assert chart.counts()["fill_areas"] == 0 and "fill areas not read" in str(chart)
    frames = chart.to_geodataframes()
    assert list(frames) == list(readdata14.LAYERS)
    assert {name for name, frame in frames.items() if not frame.attrs["present"]} == absent


@pytest.mark.parametrize("value,text", [
    (1036, "1036"), (1e32, "1e+32"), (0.001, "0.001"), (-0.0, "-0"), (123456789, "123456792"),
    (1e-7, "1e-07"), (1.25e-5, "1.25e-05"), (0.1, "0.1"), (3.4028235e38, "3.4028235e+38"), (1e15, "1e+15"),
])
def test_levels_metadata_in_the_shortest_float32_text(value: float, text: str, sample: readdata14.Chart) -> None:
    from readdata14._chart import format_float32
    assert format_float32(value) == text
    levels = sample.metadata["LEVELS"].split(",")
    assert np.array_equal(np.array(levels, dtype=np.float32), sample.levels) and levels[0] == "1036"
