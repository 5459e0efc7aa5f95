"""Every element and array of the package against chart14 json and chart14
check, which read the same file through the C++ view and write it with code
of their own: generated charts of every shape, the bundled files, values
that are not finite, and broken charts (cut at many offsets, spoiled bytes).
The elements' values as stored come from the blocks, where the library's
layers say each record begins; chart14 walks the blocks itself."""

from __future__ import annotations

import random
import warnings
from pathlib import Path
from typing import Any, Optional

import numpy as np
import pytest

import readdata14
from conftest import DATA, FILES, NON_FINITE, SAMPLE, SHAPES, SMALL, run_chart14_check, run_chart14_json

# Non-finite values in chart14's JSON: null, or named so that they can be told apart.
NAMED = {"NaN": np.nan, "Infinity": np.inf, "-Infinity": -np.inf}


def same(ours: Any, theirs: Any) -> bool:
    """Our float32 values against chart14's shortest floats (null: NaN or infinite)."""
    ours = np.array(ours, dtype=np.float32)
    raw = np.array(theirs, dtype=object)
    flat = [np.nan if v is None else NAMED.get(v, v) if isinstance(v, str) else v for v in raw.ravel()]
    theirs = np.array(flat, dtype=np.float64).astype(np.float32).reshape(raw.shape)
    if any(v is None for v in raw.ravel()):  # null stands for every value that is not finite
        ours[np.isinf(ours)] = np.nan
        theirs[np.isinf(theirs)] = np.nan
    return (ours.size == theirs.size == 0) or np.array_equal(ours, theirs, equal_nan=True)


def stored_label(j: dict) -> Any:
    """The label's stored float from chart14's label_kind, label_value and label_code."""
    if j["label_kind"] == "none":
        return 999999.0
    if j["label_kind"] == "code":
        return float(np.float32(j["label_code"] + 3200000.0))
    return j["label_value"]


def section(ours: Any, theirs: Optional[list]) -> list:
    assert (theirs is not None) == (ours is not None and ours.block is not None)
    assert len(ours or ()) == len(theirs or ())
    return list(zip(ours or (), theirs or ()))


def compare(chart: readdata14.Chart, doc: dict) -> None:
    assert chart.description == doc["description"]
    for e, j in section(chart.lines, doc["lines"]):
        assert (e.code, e.label_kind) == (j["code"], j["label_kind"])
        assert same(e.points, j["points"]) and same(e.label_points, j["label_points"]) and same(e.label, stored_label(j))
    for e, j in section(chart.line_symbols, doc["line_symbols"]) + section(chart.weather_regions, doc["weather_regions"]):
        assert e.code == j["code"] and same(e.points, j["points"])
    for e, j in section(chart.symbols, doc["symbols"]):
        assert e.type == j["type"] and same([e.x, e.y], j["position"])
        if e.text is None:
            assert j["text"] == "" and same(e.direction, j["direction"])
        else:
            assert e.direction is None and e.text == j["text"]
    contours = doc["closed_contours"]
    for e, j in section(chart.closed_contours, contours and contours["contours"]):
        assert (e.code, e.valued_closed, e.closed, e.level_index) == (j["code"], j["valued_closed"], j["closed"],
                                                                       j["level_index"])
        assert same(e.points, j["points"]) and same(e.label_points, j["label_points"]) and same(e.value, stored_label(j))
    if contours is not None:
        assert same(chart.levels, contours["levels"]) and chart.level_order == contours["level_order"]
    assert (chart.fill_areas is None) == (doc["fill_areas"] is None)
    for e, j in section(chart.fill_areas, doc["fill_areas"]):
        assert e.code == j["code"] and same(e.points, j["points"]) and same(e.values, j["values"])
    for e, j in section(chart.notes, doc["notes"]):
        assert e.type == j["type"] and same([e.x, e.y, e.value], j["position"] + [j["value"]])
        assert same(e.values, j["values"]) and (e.first_text, e.second_text) == (j["first_text"], j["second_text"])
    # The label-points layer: the parents' label points, lines first.
    expected = [(layer, e.fid, i, p) for layer in ("lines", "closed_contours") for e in chart.section(layer)
                for i, p in enumerate(e.label_points.tolist())]
    assert [(p.parent_layer, p.parent_fid, p.index, [p.x, p.y]) for p in chart.label_points] == expected


def check_file(path: Path, chart14: Path, encoding: Optional[str] = None) -> None:
    code, doc = run_chart14_json(chart14, path, encoding)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", readdata14.TextEncodingWarning)
        try:
            charts = [readdata14.read(path, encoding), readdata14.read_bytes(path.read_bytes(), encoding)]
        except readdata14.NotAChartError:
            assert code == 2
            return
        assert code == (1 if charts[0].errors else 0), f"chart14 could not read {path}"
        for chart in charts:
            compare(chart, doc)


def spoiled(data: bytes, seed: int) -> bytes:
    rng, out = random.Random(seed), bytearray(data)
    for _ in range(rng.randint(1, 6)):
        out[rng.randrange(len(out))] = rng.choice(b"-0123456789.eE \n\x00\x1a\x01\x80\xc3\xffNoLabel#:")
    return bytes(out)


@pytest.mark.parametrize("shape", SHAPES)
def test_generated_charts(shape: str, make_chart: Any, chart14: Path) -> None:
    check_file(make_chart(*SHAPES[shape]), chart14)


@pytest.mark.parametrize("name,encoding", [(name, None) for name in FILES + ["sample"]] + [
    ("win_texts.txt", "CP1252"), ("win_crlf_ctrl_z.txt", "CP1252"), ("texts_and_thinning.txt", "ISO-8859-1")])
def test_bundled_charts(name: str, encoding: Optional[str], chart14: Path) -> None:
    check_file(SAMPLE if name == "sample" else DATA / name, chart14, encoding)


def test_values_that_are_not_finite(chart14: Path, tmp_path: Path) -> None:
    (tmp_path / "non_finite.txt").write_bytes(NON_FINITE)
    check_file(tmp_path / "non_finite.txt", chart14)


@pytest.mark.parametrize("part", range(24))
def test_cut_charts(part: int, make_chart: Any, chart14: Path, tmp_path: Path) -> None:
    data = make_chart(*SMALL).read_bytes()
    tags = [i for i in range(len(data)) if data[i] == ord(":")]
    cuts = [len(data) * k // 40 for k in range(40)] + [t - 2 for t in tags] + [t + 3 for t in tags]
    for cut in cuts[part::24]:
        (tmp_path / "cut.txt").write_bytes(data[:cut])
        check_file(tmp_path / "cut.txt", chart14)


@pytest.mark.parametrize("seed", range(40))
def test_spoiled_charts(seed: int, make_chart: Any, chart14: Path, tmp_path: Path) -> None:
    source = make_chart(*SMALL) if seed % 2 else DATA / "every_section.txt"
    (tmp_path / "spoiled.txt").write_bytes(spoiled(source.read_bytes(), seed))
    check_file(tmp_path / "spoiled.txt", chart14)


@pytest.mark.parametrize("name", ["win_crlf_ctrl_z.txt", "win_texts.txt", "cut", "spoiled"])
def test_findings_as_chart14_check(name: str, chart14: Path, make_chart: Any, tmp_path: Path) -> None:
    path = DATA / name
    if name in ("cut", "spoiled"):
        path = tmp_path / "broken.txt"
        path.write_bytes(make_chart(*SMALL).read_bytes()[:5000] if name == "cut"
                         else spoiled((DATA / "every_section.txt").read_bytes(), 3))
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", readdata14.TextEncodingWarning)
        chart = readdata14.read(path)
    assert chart.findings
    assert [f"{path}:{f.line}:{f.column}: {f.severity}: {f.kind}: {f.message}" for f in chart.findings] == list(
        run_chart14_check(chart14, path))
    severities = [f.severity for f in chart.findings]
    assert [chart.errors, chart.warnings] == [severities.count("error"), severities.count("warning")]


def test_raw_blocks_are_what_the_sections_view(make_chart: Any) -> None:
    chart = readdata14.read(make_chart(*SMALL))
    blocks = chart.blocks
    assert np.shares_memory(chart.lines[-1].points, blocks.lines)
    assert np.shares_memory(chart.levels, blocks.closed_contours)
    assert blocks.lines.dtype == np.float32 and not blocks.lines.flags.writeable
    assert int(blocks.lines[0]) == len(chart.lines)
    assert blocks.symbols.lengths.dtype == np.int32 and isinstance(blocks.symbols.text, bytes)


def test_threads_read_as_one_thread(make_chart: Any) -> None:
    """A chart large enough for the parallel read: two threads give the very
    blocks, texts and findings of one."""
    path = make_chart("--seed", 5, "--size-mb", 12)
    one, two = readdata14.read(path), readdata14.read(path, threads=2)
    for name in ("lines", "line_symbols", "closed_contours", "weather_regions", "fill_areas"):
        a, b = getattr(one.blocks, name), getattr(two.blocks, name)
        assert (a is None) == (b is None), name
        assert a is None or a.tobytes() == b.tobytes(), name
    for name in ("symbols", "notes"):
        a, b = getattr(one.blocks, name), getattr(two.blocks, name)
        assert (a is None) == (b is None), name
        assert a is None or [None if x is None else bytes(x) for x in a] == [
            None if x is None else bytes(x) for x in b], name
    assert [str(f) for f in one.findings] == [str(f) for f in two.findings]
    with pytest.raises(ValueError):
        readdata14.read(path, threads=0)
