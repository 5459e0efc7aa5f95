"""Every element and array of the package against chart14 json, which reads
the same file through the C++ view and writes it with its own code: on
generated charts of every shape, the bundled files, and broken ones
(truncated at many offsets, spoiled bytes)."""

from __future__ import annotations

import math
import random
import warnings
from pathlib import Path
from typing import Any, List, Optional, Tuple

import numpy as np
import pytest

import readdata14
from conftest import DATA, SAMPLE, run_chart14_check, run_chart14_json

SMALL = ("--seed", 5, "--points", 6, "--lines", 3, "--line-symbols", 2, "--symbols", 6, "--contours", 5,
         "--regions", 2, "--fill-areas", 2, "--notes", 2)
NONE = ("--lines", 0, "--line-symbols", 0, "--symbols", 0, "--contours", 0, "--regions", 0,
        "--fill-areas", 0, "--notes", 0)

SHAPES = {
    "small": SMALL,
    "seed 1": ("--seed", 1, "--points", 8),
    "a quarter megabyte": ("--seed", 2, "--points", 16, "--size-mb", 0.25),
    "no lines, many symbols": ("--seed", 3, "--points", 8, "--lines", 0, "--symbols", 300),
    "contours only": ("--seed", 4, "--points", 12, *NONE, "--contours", 40),
    "long fronts, thinned": ("--seed", 6, "--points", 300, "--lines", 2, "--line-symbols", 4),
    "every section empty": ("--seed", 7, *NONE),
    "notes and regions only": ("--seed", 8, "--points", 5, *NONE, "--notes", 30, "--regions", 9),
}
FILES = ["all_empty.txt", "every_section.txt", "no_station_situation.txt", "texts_and_thinning.txt",
         "win_crlf_ctrl_z.txt", "win_texts.txt", "win_tricky_contours.txt"]


def f32(values: Any) -> np.ndarray:
    """JSON numbers (null for NaN and infinities) as float32, null as NaN."""
    array = np.array(values if values is not None else [], dtype=object)
    array = np.where(array == None, np.nan, array)  # noqa: E711 - elementwise
    return array.astype(np.float64).astype(np.float32)


def as_json(values: np.ndarray) -> np.ndarray:
    """What chart14 writes for our floats: infinities become null too."""
    out = np.asarray(values, dtype=np.float32).copy()
    out[np.isinf(out)] = np.nan
    return out


def same(ours: Any, theirs: Any) -> bool:
    ours = as_json(np.asarray(ours, dtype=np.float32))
    theirs = f32(theirs)
    if ours.size == 0 and theirs.size == 0:
        return True
    return ours.shape == theirs.shape and np.array_equal(ours, theirs, equal_nan=True)


def compare(chart: readdata14.Chart, doc: dict) -> None:
    assert chart.description == doc["description"]

    def section(ours: Any, theirs: Optional[list], name: str) -> List[Tuple[Any, dict]]:
        assert (theirs is not None) == (ours is not None and ours.present), name
        theirs = theirs or []
        assert len(ours or ()) == len(theirs), name
        return list(zip(ours or (), theirs))

    for line, j in section(chart.lines, doc["lines"], "lines"):
        assert line.code == j["code"]
        assert same(line.points, j["points"]) and same(line.label_points, j["labelPoints"])
        assert same(line.label, j["labelValue"])
        assert line.label_kind == {"number": "value"}.get(j["labelKind"], j["labelKind"])

    for name, ours, theirs in (("lineSymbols", chart.line_symbols, doc["lineSymbols"]),
                               ("weatherRegions", chart.weather_regions, doc["weatherRegions"])):
        for element, j in section(ours, theirs, name):
            assert element.code == j["code"] and same(element.points, j["points"]), (name, element.fid)

    for symbol, j in section(chart.symbols, doc["symbols"], "symbols"):
        assert symbol.type == j["type"] and same([symbol.x, symbol.y], j["position"])
        if symbol.text is None:
            assert j["text"] == "" and same(symbol.direction, j["direction"])
        else:
            assert symbol.direction is None and symbol.text == j["text"]

    contours = doc["closedContours"]
    pairs = section(chart.closed_contours, contours and contours["contours"], "closedContours")
    if contours is not None:
        assert same(chart.levels, contours["levels"]) and chart.level_order == contours["levelOrder"]
    for contour, j in pairs:
        assert contour.code == j["code"] and contour.valued_closed == j["valuedClosed"]
        assert contour.closed == j["closed"]
        assert (999999 if contour.level_index is None else contour.level_index) == j["levelIndex"]
        assert same(contour.points, j["points"]) and same(contour.label_points, j["labelPoints"])
        assert same(contour.value, j["value"])

    assert (chart.fill_areas is None) == (doc["fillAreas"] is None)
    for area, j in section(chart.fill_areas, doc["fillAreas"], "fillAreas"):
        assert area.code == j["code"] and same(area.points, j["points"]) and same(area.values, j["values"])

    for note, j in section(chart.notes, doc["notes"], "notes"):
        assert note.type == j["type"] and same([note.x, note.y], j["position"])
        assert same(note.value, j["value"]) and same(note.values, j["values"])
        assert (note.first_text, note.second_text) == (j["firstText"], j["secondText"])


def compare_label_points(chart: readdata14.Chart) -> None:
    """The label-points section is the parents' label points, lines first."""
    expected = [("lines", e.fid, i, p) for e in chart.lines for i, p in enumerate(e.label_points.tolist())]
    expected += [("closed_contours", e.fid, i, p) for e in chart.closed_contours
                 for i, p in enumerate(e.label_points.tolist())]
    got = [(p.parent_layer, p.parent_fid, p.index, [p.x, p.y]) for p in chart.label_points]
    assert got == expected
    assert [p.fid for p in chart.label_points] == list(range(len(expected)))


def check_file(path: Path, chart14: Path, encoding: Optional[str] = None) -> None:
    code, doc = run_chart14_json(chart14, path, encoding)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", readdata14.TextEncodingWarning)
        try:
            chart = readdata14.read(path, encoding=encoding)
        except readdata14.NotAChartError:
            assert code == 2 and doc is None
            return
        from_bytes = readdata14.read_bytes(path.read_bytes(), encoding=encoding)
    assert code == 0, f"chart14 could not read {path}"
    compare(chart, doc)
    compare(from_bytes, doc)
    compare_label_points(chart)


def spoiled(data: bytes, seed: int) -> bytes:
    rng = random.Random(seed)
    out = bytearray(data)
    for _ in range(rng.randint(1, 6)):
        at = rng.randrange(len(out))
        out[at] = rng.choice(b"-0123456789.eE \n\x00\x1a\x01\x80\xc3\xffNoLabel#:")
    return bytes(out)


@pytest.mark.parametrize("shape", SHAPES, ids=list(SHAPES))
def test_generated_charts_match_chart14(shape: str, make_chart: Any, chart14: Path) -> None:
    check_file(make_chart(*SHAPES[shape]), chart14)


@pytest.mark.parametrize("name", FILES + ["sample"])
def test_bundled_charts_match_chart14(name: str, chart14: Path) -> None:
    check_file(SAMPLE if name == "sample" else DATA / name, chart14)


@pytest.mark.parametrize("name,encoding", [("win_texts.txt", "CP1252"), ("win_crlf_ctrl_z.txt", "CP1252"),
                                           ("texts_and_thinning.txt", "ISO-8859-1")])
def test_named_encodings_match_chart14(name: str, encoding: str, chart14: Path) -> None:
    check_file(DATA / name, chart14, encoding)


@pytest.mark.parametrize("part", range(48))
def test_truncated_charts_match_chart14(part: int, make_chart: Any, chart14: Path, tmp_path: Path) -> None:
    data = make_chart(*SMALL).read_bytes()
    # Cuts spread over the file, plus cuts just inside each section's tag.
    tags = [i for i in range(len(data)) if data[i:i + 1] == b":"]
    cuts = [len(data) * k // 40 for k in range(40)] + [t - 2 for t in tags] + [t + 3 for t in tags]
    for cut in cuts[part::48]:
        path = tmp_path / f"cut{cut}.txt"
        path.write_bytes(data[:cut])
        check_file(path, chart14)


@pytest.mark.parametrize("seed", range(40))
def test_spoiled_charts_match_chart14(seed: int, make_chart: Any, chart14: Path, tmp_path: Path) -> None:
    path = tmp_path / "spoiled.txt"
    source = make_chart(*SMALL) if seed % 2 else DATA / "every_section.txt"
    path.write_bytes(spoiled(source.read_bytes(), seed))
    check_file(path, chart14)


@pytest.mark.parametrize("name", ["win_crlf_ctrl_z.txt", "win_texts.txt", "truncated", "spoiled"])
def test_findings_match_chart14_check(name: str, chart14: Path, make_chart: Any, tmp_path: Path) -> None:
    if name == "truncated":
        path = tmp_path / "truncated.txt"
        path.write_bytes(make_chart(*SMALL).read_bytes()[:5000])
    elif name == "spoiled":
        path = tmp_path / "spoiled.txt"
        path.write_bytes(spoiled((DATA / "every_section.txt").read_bytes(), 3))
    else:
        path = DATA / name
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", readdata14.TextEncodingWarning)
        chart = readdata14.read(path)
    lines = [f"{path}:{f.line}:{f.column}: {f.severity}: {f.kind}: {f.message}" for f in chart.findings]
    assert lines == list(run_chart14_check(chart14, path))
    assert (chart.errors, chart.warnings) == (sum(f.severity == "error" for f in chart.findings),
                                              sum(f.severity == "warning" for f in chart.findings))
    assert chart.findings, "the case should have findings"


def test_raw_blocks_are_the_sections_arrays(make_chart: Any) -> None:
    """blocks views the same memory the sections decode (no copy)."""
    chart = readdata14.read(make_chart(*SMALL))
    blocks = chart.blocks
    line = chart.lines[-1]
    assert np.shares_memory(line.points, blocks.lines)
    assert np.shares_memory(chart.closed_contours[0].points, blocks.closed_contours)
    assert np.shares_memory(chart.levels, blocks.closed_contours)
    assert blocks.lines.dtype == np.float32 and not blocks.lines.flags.writeable
    assert blocks.symbols.lengths.dtype == np.int32 and isinstance(blocks.symbols.text, bytes)
    assert int(blocks.lines[0]) == len(chart.lines)
    assert math.isclose(float(blocks.symbols.values[0]), len(chart.symbols))
