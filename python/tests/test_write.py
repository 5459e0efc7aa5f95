"""Writing from Python: read(write(read(f))) against read(f) bit for bit on
every chart the tests know (bundled, generated at every shape and both line
ends, cut and spoilt), frames written and read back to the same frames,
charts built from arrays, and a table of what cannot be written."""

from __future__ import annotations

import hashlib
import re
import warnings
from pathlib import Path
from typing import Any, Dict, Iterator, List, Tuple

import numpy as np
import pytest

import readdata14
from conftest import DATA, FILES, NON_FINITE, SAMPLE, SHAPES, SMALL
from readdata14 import LABEL_CODE_OFFSET, LAYERS, NO_LABEL_VALUE, _shapes
from test_differential import spoiled


def state(chart: readdata14.Chart) -> Tuple[Any, ...]:
    """Everything a chart holds: every block's bits, the header, the sections present, the file order."""
    def raw(array: Any) -> Any:
        return None if array is None else (array.dtype.str, array.tobytes())

    def text(block: Any) -> Any:
        return None if block is None else (raw(block.values), raw(block.lengths), block.text)

    b = chart.blocks
    return (raw(b.lines), raw(b.line_symbols), text(b.symbols), raw(b.closed_contours), raw(b.weather_regions),
            raw(b.fill_areas), text(b.notes), b.description, chart.header,
            tuple(chart.layer_table(layer).present for layer in LAYERS),
            raw(chart.layer_table("closed_contours").values("file_position")))


def quiet_read(data: bytes, encoding: Any = None) -> readdata14.Chart:
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", readdata14.TextEncodingWarning)
        return readdata14.read_bytes(data, encoding)


def charts(make_chart: Any) -> Iterator[Tuple[str, bytes]]:
    """Every chart of the round trip: bundled, generated (LF and CR LF), cut and spoilt."""
    for name in FILES:
        yield name, (DATA / name).read_bytes()
    yield "sample", SAMPLE.read_bytes()
    yield "non-finite", NON_FINITE
    for shape, args in SHAPES.items():
        data = make_chart(*args).read_bytes()
        yield shape, data
        yield shape + ", CR LF", data.replace(b"\n", b"\r\n")
    small = make_chart(*SMALL).read_bytes()
    for k in range(60):
        yield f"cut at {len(small) * k // 60}", small[:len(small) * k // 60]
    for seed in range(60):
        source = small if seed % 2 else (DATA / "every_section.txt").read_bytes()
        yield f"spoilt, seed {seed}", spoiled(source, seed)


def test_written_charts_read_back_bit_for_bit(make_chart: Any) -> None:
    read = 0
    for name, data in charts(make_chart):
        try:
            chart = quiet_read(data)
        except readdata14.NotAChartError:
            continue
        written = chart.to_bytes()
        again = quiet_read(written)
        assert state(again) == state(chart), name
        assert again.to_bytes() == written, name  # writing what was read gives the same file
        crlf = chart.to_bytes(line_endings="crlf")
        assert crlf.count(b"\r\n") == written.count(b"\n") and state(quiet_read(crlf)) == state(chart), name
        read += 1
    assert read >= 140


def test_write_to_a_path_and_readdata14_write(tmp_path: Path) -> None:
    chart = readdata14.read(DATA / "every_section.txt")
    chart.write(tmp_path / "a.txt", line_endings="crlf")
    readdata14.write(str(tmp_path / "b.txt"), chart, line_endings="crlf")
    assert (tmp_path / "a.txt").read_bytes() == (tmp_path / "b.txt").read_bytes() == chart.to_bytes("crlf")
    assert state(readdata14.read(tmp_path / "a.txt")) == state(chart)


def test_header_options() -> None:
    chart = readdata14.read(SAMPLE)
    again = quiet_read(chart.to_bytes(first_token="Mine", description="Édition", header_integers=(2030, 7, None)))
    assert again.header == ("Mine", "Édition", (2030, 7, None, None, None))
    assert state(again)[:7] == state(chart)[:7]


def test_encodings() -> None:
    chart = readdata14.read(DATA / "win_texts.txt", encoding="cp1252")
    texts = [s.text for s in chart.symbols] + [t for n in chart.notes for t in (n.first_text, n.second_text)]
    as_read = quiet_read(chart.to_bytes(), "cp1252")  # the bytes as they were
    assert state(as_read) == state(chart)
    utf8 = readdata14.read_bytes(chart.to_bytes(encoding="utf-8"))
    assert [s.text for s in utf8.symbols] + [t for n in utf8.notes for t in (n.first_text, n.second_text)] == texts
    assert utf8.header == chart.header and any(not t.isascii() for t in texts if t)
    # Everything but the texts stays as it was.
    for a, b in zip(state(utf8), state(chart)):
        if a != b:
            assert a in (state(utf8)[2], state(utf8)[6]), "only the text sections change"


# ---- frames -------------------------------------------------------------------------------

geopandas = pytest.importorskip("geopandas")


def same_frames(ours: Dict[str, Any], theirs: Dict[str, Any], name: str) -> None:
    for layer in LAYERS:
        a, b = ours[layer], theirs[layer]
        assert a.drop(columns="geometry").equals(b.drop(columns="geometry")), (name, layer)
        assert [g and g.wkb for g in a.geometry] == [g and g.wkb for g in b.geometry], (name, layer)


def frame_charts(make_chart: Any) -> Iterator[Tuple[str, bytes]]:
    # win_tricky_contours.txt among them: its contour of no points comes
    # back as one of no points, nested and levelled as before.
    for name in FILES:
        yield name, (DATA / name).read_bytes()
    yield "sample", SAMPLE.read_bytes()
    for shape, args in SHAPES.items():
        yield shape, make_chart(*args).read_bytes()


@pytest.mark.parametrize("through_geos", [True, False])
def test_frames_written_read_back_the_same(through_geos: bool, make_chart: Any, monkeypatch: Any) -> None:
    if not through_geos:  # shapely's own coordinates, where GEOS cannot be called directly
        monkeypatch.setattr(_shapes, "_GEOS", None)
    for name, data in frame_charts(make_chart) if through_geos else [("sample", SAMPLE.read_bytes())]:
        chart = quiet_read(data)
        frames = chart.to_geodataframes()
        again = quiet_read(readdata14.from_geodataframes(frames).to_bytes())
        same_frames(again.to_geodataframes(), frames, name)
        assert again.header == chart.header and np.array_equal(again.levels, chart.levels)
        assert present(again) == present(chart), name  # a section the file lacked stays missing


def _geometry_cases() -> List[Tuple[str, str, List[Any], bool]]:
    from shapely.geometry import LineString, Point, Polygon
    from shapely.geometry.polygon import LinearRing
    nan = float("nan")
    square = [(0, 0), (4, 0), (4, 4), (0, 0)]
    return [  # what, the layer's geometry type, the geometries, whether the bulk path takes them
        ("points, one null, one NaN, one half NaN", "Point",
         [Point(1.5, -2), None, Point(nan, nan), Point(nan, 3), Point(1e30, 7)], True),
        ("lines, one null, one of one point", "LineString",
         [LineString([(0, 0), (1, 2.5), (3, 3)]), None, LineString([(1, 1), (1, 1)])], True),
        ("polygons, closed by shapely", "Polygon", [Polygon(square), None, Polygon(square[::-1])], True),
        ("points, all null", "Point", [None, None], True),
        ("no lines at all", "LineString", [], True),
        ("an empty line", "LineString", [LineString([(0, 0), (1, 1)]), LineString()], False),
        ("a point with z", "Point", [Point(1, 2), Point(1, 2, 3)], False),
        ("a line with z", "LineString", [LineString([(0, 0, 1), (1, 1, 1)])], False),
        ("a polygon with a hole", "Polygon", [Polygon(square, [[(1, 1), (2, 1), (2, 2)]])], False),
        ("a ring where lines are", "LineString", [LinearRing(square)], False),
        ("a point where lines are", "LineString", [Point(0, 0)], False),
    ]


@pytest.mark.parametrize("what, kind, geometries, bulk", _geometry_cases())
def test_bulk_coordinates_are_those_of_each_geometry(what: str, kind: str, geometries: List[Any],
                                                     bulk: bool) -> None:
    if _shapes._GEOS is None:
        pytest.skip("GEOS is not called directly with this shapely")
    found = _shapes._geos_runs(list(geometries), kind)
    assert (found is not None) == bulk, what
    if found is None:
        return  # the plain path says why, as test_write_refusals checks
    xy, counts = _shapes._plain_runs(list(geometries), kind, "layer", list(range(len(geometries))))
    assert found[1].tolist() == counts.tolist(), what
    assert found[0].tobytes() == xy.tobytes(), what


def present(chart: readdata14.Chart) -> List[str]:
    return [layer for layer in LAYERS if chart.layer_table(layer).present]


# Frames whose attrs say "not present": their sections are left out while
# they hold no rows (regions only with the fill areas empty too).
MARKED = [  # marked not present, emptied, left out
    (["closed_contours"], [], ["closed_contours"]),
    (["weather_regions", "fill_areas"], ["weather_regions", "fill_areas"], ["weather_regions", "fill_areas"]),
    (["weather_regions"], ["weather_regions", "fill_areas"], ["weather_regions", "fill_areas"]),
    (["fill_areas"], ["fill_areas"], ["fill_areas"]),
    (["lines", "notes"], ["notes"], ["notes"]),
    (["weather_regions"], ["weather_regions"], []),
    (["symbols"], [], []),
]


@pytest.mark.parametrize("marked,emptied,left_out", MARKED)
def test_frames_of_sections_not_present_leave_them_out(marked: List[str], emptied: List[str],
                                                       left_out: List[str]) -> None:
    chart = readdata14.read(DATA / "every_section.txt")
    frames = chart.to_geodataframes()
    for layer in emptied:
        frames[layer] = frames[layer].iloc[0:0]
    for layer in marked:
        frames[layer].attrs["present"] = False
    again = readdata14.from_geodataframes(frames)
    assert present(again) == [layer for layer in present(chart) if layer not in left_out]
    for layer in LAYERS:
        assert again.layer_table(layer).count == len(frames[layer]), layer


def test_label_points_find_their_parents_by_the_frames_index() -> None:
    frames = readdata14.read(DATA / "every_section.txt").to_geodataframes()
    frames["lines"] = frames["lines"].iloc[::-1]  # index 1, 0: the label point's parent, FID 0, comes second
    again = readdata14.from_geodataframes(frames)
    assert [len(line.label_points) for line in again.lines] == [0, 1]
    frames["lines"] = frames["lines"].loc[[1]]  # its parent gone: the label point is refused, by its row
    with pytest.raises(ValueError, match="label_points row 0: its parent, lines FID 0, is not in the layer"):
        readdata14.from_geodataframes(frames)


# ---- built from arrays ------------------------------------------------------------------

def ring(radius: float, n: int = 24) -> np.ndarray:
    t = np.linspace(0, 2 * np.pi, n)
    return np.stack([50 + radius * np.cos(t), 50 + radius * np.sin(t)], axis=1)


def test_a_chart_built_from_arrays(tmp_path: Path) -> None:
    front = np.stack([np.linspace(0, 100, 400), np.zeros(400)], axis=1)
    builder = readdata14.ChartBuilder(first_token="model", description="Built", header_integers=[2024, 3])
    builder.add_closed_contours([ring(30), ring(10), ring(20)], codes=[1, 1, 2], labels=[1000, 1008, 1004],
                                label_points=[[[80, 50]], [], [[70, 50], [30, 50]]])
    builder.add_lines([[[0, 0], [5, 5]], [[1, 1], [2, 2], [3, 3]], [[0, 9], [9, 9]]], codes=[3, 4, 5],
                      labels=[LABEL_CODE_OFFSET + 5, NO_LABEL_VALUE, 5.5])
    builder.add_line_symbols([front], codes=[7])
    builder.add_symbols([[1, 2], [3, 4]], types=[1, 48], directions=[90.0, 0.0], texts=[None, "two words"])
    builder.add_weather_regions([ring(5, 8)], codes=[9])
    builder.add_fill_areas([ring(4, 6)], codes=[2], values=[np.arange(16) + 0.5 * (np.arange(16) == 13)])
    builder.add_notes([[5, 6], [0, 0]], types=[48, 3], value=[1.5, 0], values=[np.arange(6), np.zeros(6)],
                      first_texts=["Hi", None], second_texts=["there", None])
    builder.write(tmp_path / "built.txt", line_endings="crlf")
    chart = readdata14.read(tmp_path / "built.txt")
    assert b"\r\n" in (tmp_path / "built.txt").read_bytes() and chart.errors == 0
    assert chart.header == ("model", "Built", (2024, 3, None, None, None))
    by_file = sorted(chart.closed_contours, key=lambda c: c.file_position)
    assert [c.value for c in by_file] == [1000, 1008, 1004] and [c.code for c in by_file] == [1, 1, 2]
    assert np.array_equal(by_file[0].points, ring(30).astype(np.float32)) and by_file[2].label_points.shape == (2, 2)
    assert chart.levels.tolist() == [1000, 1004, 1008] and chart.level_order == "rising"
    assert [(e.label_kind, e.label_code, e.label_value) for e in chart.lines] == [
        ("code", 5, None), ("none", None, None), ("value", None, 5.5)]
    assert 2 < len(chart.line_symbols[0].points) < 400  # thinned as a reader thins it: one point in each 1.0
    # A direction is kept as the nearest one an angle in the file gives.
    assert [(s.type, s.text) for s in chart.symbols] == [(1, None), (48, "two words")]
    assert abs(chart.symbols[0].direction - 90) < 1e-5 and chart.symbols[1].direction is None
    assert chart.fill_areas[0].values.tolist() == (np.arange(16) + 0.5 * (np.arange(16) == 13)).tolist()
    assert [(n.type, n.first_text, n.second_text, n.value) for n in chart.notes] == [
        (48, "Hi", "there", 1.5), (3, "", "", 0)]
    assert builder.finish().to_bytes() == builder.to_bytes()


@pytest.mark.parametrize("closed,given,written", [
    (True, [[0, 0], [4, 0], [4, 4]], [[0, 0], [4, 0], [4, 4], [0, 0]]),          # the first point repeated
    (True, [[0, 0], [4, 0], [4, 4], [0, 0]], [[0, 0], [4, 0], [4, 4], [0, 0]]),  # closed already: as it is
    (True, [[0, 0], [4, 0]], [[0, 0], [4, 0], [0, 0]]),
    (True, [[1, 1]], [[1, 1]]),                                                  # one point: nothing to close
    (True, [[0.1, 0], [4, 0], [4, 4], [0.1000000001, 0]], [[0.1, 0], [4, 0], [4, 4], [0.1, 0]]),  # equal as floats
    (False, [[0, 0], [4, 0], [4, 4]], [[0, 0], [4, 0], [4, 4]]),                 # the default: left open
])
def test_closed_contours_close_when_asked(closed: bool, given: List[List[float]], written: List[List[float]]) -> None:
    # Asked of the call, or of the builder for all its calls.
    for builder, asked in ((readdata14.ChartBuilder(), closed), (readdata14.ChartBuilder(closed=closed), None)):
        builder.add_closed_contours([given, ring(5)], codes=[1, 1], labels=[1000, 1004], closed=asked)
        first = sorted(builder.finish().closed_contours, key=lambda c: c.file_position)[0]
        assert first.points.tolist() == np.asarray(written, np.float32).tolist()
        assert first.closed == (written[0] == written[-1])


def test_contours_from_frames_without_file_positions_stand_in_frame_order() -> None:
    from shapely.geometry import LineString
    frame = geopandas.GeoDataFrame({"code": [1, 1, 1], "label_value": [1010.0, 1000.0, 1005.0]},
                                   geometry=[LineString(ring(r)) for r in (10, 30, 20)])
    chart = readdata14.from_geodataframes({"closed_contours": frame})
    by_file = sorted(chart.closed_contours, key=lambda c: c.file_position)
    assert [(c.value, c.label_kind) for c in by_file] == [(1010, "value"), (1000, "value"), (1005, "value")]
    assert chart.levels.tolist() == [1000, 1005, 1010]


# ---- what cannot be written ---------------------------------------------------------------

def _frames_with(layer: str, **changes: Any) -> Dict[str, Any]:
    frames = readdata14.read(DATA / "every_section.txt").to_geodataframes()
    frame = frames[layer]
    for column, value in changes.items():
        frame.loc[frame.index[0], column] = value
    return frames


def _bad_cases() -> List[Tuple[str, Any, type, str]]:
    from shapely.geometry import LineString, Point, Polygon
    holed = Polygon([(0, 0), (9, 0), (9, 9), (0, 0)], [[(1, 1), (2, 1), (2, 2)]])
    builder = readdata14.ChartBuilder
    return [  # what, how it is made, the error, what its message says
        ("a point where lines are", lambda: _frames_with("lines", geometry=Point(1, 2)), TypeError, "lines row 0"),
        ("a ring with a hole", lambda: _frames_with("weather_regions", geometry=holed), ValueError,
         "weather_regions row 0: a polygon with holes"),
        ("z", lambda: _frames_with("lines", geometry=LineString([(0, 0, 1), (1, 1, 1)])), ValueError, "with z"),
        ("a code beyond 32 bits", lambda: _frames_with("lines", code=2**31), ValueError, "lines row 0: code"),
        ("a code a float rounds", lambda: _frames_with("line_symbols", code=16777217), ValueError,
         "line_symbols row 0"),
        ("a null code", lambda: _frames_with("weather_regions", code=None), ValueError, "code is null"),
        ("a coded label without its code", lambda: _frames_with("lines", label_kind="code", label_code=None),
         ValueError, "label_code is null"),
        ("a text with a tab", lambda: _frames_with("symbols", type=48, text="a\tb"), ValueError,
         "symbols row 0: the text 'a\\tb' holds white space"),
        ("a note text broken inside", lambda: _frames_with("notes", first_text="a\nb"), ValueError,
         "notes row 0: "),
        ("a label point whose parent is missing", lambda: _frames_with("label_points", parent_fid=99), ValueError,
         "label_points row 0: its parent, lines FID 99, is not in the layer"),
        ("a text the encoding lacks", lambda: (_frames_with("notes", first_text="€"), "latin-1"), ValueError,
         "cannot be written in iso8859-1"),
        ("too many label points", lambda: builder().add_closed_contours([ring(5)], [1], [1000], [ring(5, 48)]),
         ValueError, "closed_contours row 0: its parent, closed_contours FID 0, has 47 label points already"),
        ("an element in a section left out", lambda: builder().leave_out("lines").add_lines([ring(1)], [1]),
         ValueError, "LINES: the section is left out"),
        ("a fill area after the regions are left out",
         lambda: builder().leave_out("weather_regions").add_fill_areas([ring(1)], [1]), ValueError,
         "FILLAREA: the section is left out"),
        ("leaving out a section with elements", lambda: builder().add_notes([[1, 2]], [48]).leave_out("notes"),
         ValueError, "NOTES_SYMBOL: it holds 1 element;"),
        ("leaving out a layer that is no section", lambda: builder().leave_out("label_points"), KeyError,
         "no section is called 'label_points'"),
        ("points of three columns", lambda: builder().add_lines([[[0, 0, 0]]], [1]), ValueError, "not (m, 2)"),
        ("a blank in the description", lambda: builder(description="two words"), ValueError, "description"),
        ("the header's integers with a gap", lambda: builder(header_integers=[1, None, 3]), ValueError,
         "None only at the end"),
    ]


@pytest.mark.parametrize("name,make,error,message", _bad_cases(), ids=[c[0] for c in _bad_cases()])
def test_what_cannot_be_written(name: str, make: Any, error: type, message: str) -> None:
    with pytest.raises(error, match=re.escape(message)):
        made = make()
        if isinstance(made, tuple):
            readdata14.from_geodataframes(made[0], encoding=made[1])
        elif isinstance(made, dict):
            readdata14.from_geodataframes(made)


@pytest.mark.parametrize("call,error", [
    (lambda chart, tmp: chart.write(tmp / "missing" / "x.txt"), FileNotFoundError),
    (lambda chart, tmp: chart.write(tmp), IsADirectoryError),
    (lambda chart, tmp: chart.to_bytes(line_endings="cr"), ValueError),
    (lambda chart, tmp: chart.to_bytes(description="a b"), ValueError),
    (lambda chart, tmp: readdata14.read(DATA / "win_texts.txt").to_bytes(encoding="cp1252"), ValueError),
])
def test_writes_that_fail(call: Any, error: type, tmp_path: Path) -> None:
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", readdata14.TextEncodingWarning)
        with pytest.raises(error):
            call(readdata14.read(SAMPLE), tmp_path)


@pytest.mark.parametrize("layer,add,message", [
    ("line_symbols", lambda b, rows: b.add_line_symbols([ring(1), ring(2), ring(3)], [1, 2, 1.5], rows=rows),
     "code is 1.5, not a whole number"),
    ("weather_regions", lambda b, rows: b.add_weather_regions([ring(1), ring(2), [[0, 0], [np.nan, 1]]], [1, 2, 3],
                                                              rows=rows), "its point 2 has a coordinate that is not finite"),
    ("fill_areas", lambda b, rows: b.add_fill_areas([ring(1)] * 3, [1, 2, 3], [np.zeros(16)] * 2 + [np.full(16, 0.5)],
                                                    rows=rows), "value_1 is 0.5"),
    ("symbols", lambda b, rows: b.add_symbols([[1, 2]] * 3, [1, 1, 48], rows=rows), "carries a text, and it has none"),
    ("notes", lambda b, rows: b.add_notes([[0, 0]] * 3, [48, 48, 16777217], rows=rows), "reads back as 16777216"),
])
def test_a_refused_row_keeps_the_rows_before_it(layer: str, add: Any, message: str) -> None:
    # The library takes a table all or none; the builder adds the rows before the refused one.
    builder = readdata14.ChartBuilder()
    with pytest.raises(ValueError, match=re.escape(f"{layer} row c: ") + ".*" + re.escape(message)):
        add(builder, ["a", "b", "c"])
    assert len(getattr(builder.finish(), layer)) == 2


def _stored_cases() -> List[Tuple[Any, ...]]:
    nan, inf = float("nan"), float("inf")
    bad_nan = float(np.array([0x7fc00001], np.uint32).view(np.float32)[0])  # a NaN no text gives back
    sq, closed = [[0, 0], [4, 0], [4, 4], [0, 4]], [[0, 0], [4, 0], [4, 4], [0, 4], [0, 0]]

    def marks(k: int) -> List[List[float]]:
        return [[0.5 + i, 0.25] for i in range(k)]

    lines, contours = "lines", "closed_contours"
    return [  # what, layer, the call's arguments, the refusal's message, the file's digest (its first 16 hex digits)
        ("labels as stored", lines, dict(points=[sq] * 14, codes=range(14), labels=[
            1012, 999999, 3200005, 3200000, 3200100, 3200101, -0.0, 0.0, nan, inf, -inf, 1e39, 1.5, -nan]),
         None, "df1b9d8cac777ff3"),
        ("no labels", lines, dict(points=[sq, [[1, 2]]], codes=[3, 4]), None, "cf7ada26c0374715"),
        ("coordinates not finite", lines, dict(points=[[[nan, 1], [2, inf]], [[-inf, -0.0], [1e39, 0]]],
                                               codes=[1, 2], labels=[5, 6]), None, "44093efd01062dd6"),
        ("no point and one point", lines, dict(points=[[], [[1, 1]], np.empty((0, 2))], codes=[1, 2, 3],
                                               labels=[1, 2, 3]), None, "65355ac8a37a14e8"),
        ("48 label points", lines, dict(points=[sq, sq], codes=[1, 2], labels=[1, 2], label_points=[marks(48), []]),
         None, "d61274cebf2e4142"),
        ("label points not finite", lines, dict(points=[sq], codes=[1], labels=[7],
                                                label_points=[[[nan, inf], [-inf, -0.0]]]), None, "7b66ccaed807bd49"),
        ("49 label points", lines, dict(points=[sq] * 3, codes=[1, 2, 3], labels=[1, 2, 3],
                                        label_points=[marks(1), marks(49), marks(2)]),
         "lines row 1: its parent, lines FID 1, has 48 label points already", "3e4de57559673ef8"),
        ("the caller's rows", lines, dict(points=[sq, sq], codes=[1, 2], labels=[1, 2],
                                          label_points=[marks(2), marks(50)], rows=["a", "b"]),
         "lines row b: ", "966e54a4d7a304ae"),
        ("a NaN no text gives", lines, dict(points=[sq, [[bad_nan, 1]], sq], codes=[1, 2, 3]),
         "lines row 1: a coordinate of its points is a NaN with the bits 0x7fc00001", "2695a57c4a5f3e63"),
        ("a label no text gives", lines, dict(points=[sq, sq], codes=[1, 2], labels=[1, bad_nan]),
         "lines row 1: its label value is a NaN", "b64b25d02fe519ac"),
        ("a label point no text gives", lines, dict(points=[sq, sq], codes=[1, 2], label_points=[[], [[bad_nan, 0]]]),
         "lines row 1: a coordinate of its label points", "2695a57c4a5f3e63"),
        ("a code not whole", lines, dict(points=[sq] * 3, codes=[1, 2.5, 3]), "lines row 1: code is 2.5",
         "2695a57c4a5f3e63"),
        ("a code a float rounds", lines, dict(points=[sq, sq], codes=[1, 2**24 + 1]), "lines row 1: code is 16777217",
         "2695a57c4a5f3e63"),
        ("the first refused row, of two reasons", lines, dict(points=[sq, [[bad_nan, 1]], sq, sq], codes=[1, 2, 3, 4],
                                                             label_points=[[], [], [], marks(49)]),
         "lines row 1: a coordinate", "2695a57c4a5f3e63"),
        ("contours as given", contours, dict(points=[sq, closed], codes=[1, 2], labels=[1000, 3200004]), None,
         "c20cd15f01dbc319"),
        ("contours closed", contours, dict(points=[sq, closed, [[1, 1]], [[1, 1], [2, 2]], [[nan, 1], [2, 2], [nan, 1]],
                                                   [[nan, 1], [2, 2]]], codes=[1, 2, 3, 4, 5, 6],
                                           labels=[1000, 1004, 1008, nan, -0.0, 3200007], closed=True),
         None, "bdfe623bfc9b486d"),
        ("contours closed by the builder", contours, dict(points=[sq], codes=[1], labels=[1000], builder_closed=True),
         None, "af70068f32f8573f"),
        ("contours left open against the builder", contours,
         dict(points=[sq], codes=[1], labels=[1000], closed=False, builder_closed=True), None, "1d2e307dd0ea955d"),
        ("47 label points", contours, dict(points=[sq, sq], codes=[1, 2], labels=[1, 2], label_points=[marks(47), marks(1)]),
         None, "565d5d2233578986"),
        ("48 label points on a contour", contours, dict(points=[sq, sq], codes=[1, 2], labels=[1, 2],
                                                        label_points=[marks(1), marks(48)]),
         "closed_contours row 1: its parent, closed_contours FID 1, has 47", "cc04920745ebd869"),
        ("a contour of no points", contours, dict(points=[sq, [], sq], codes=[1, 2, 3], labels=[1, 2, 3]), None,
         "44fff251e19bb9e3"),
        ("contour labels not finite", contours, dict(points=[sq] * 3, codes=[1, 2, 3], labels=[inf, -inf, nan]), None,
         "5c6750db7ea0413b"),
    ]


@pytest.mark.parametrize("what,layer,call,refused,digest", _stored_cases(), ids=[c[0] for c in _stored_cases()])
def test_lines_and_contours_as_stored(what: str, layer: str, call: Dict[str, Any], refused: Any, digest: str) -> None:
    # The digests are of the files the element-by-element calls wrote, for
    # every call they took, and of the rows they kept before a refused one;
    # they differ only where those refused a code before any row (now the
    # rows before it are kept, as in every section) and a contour of no
    # points (now kept, as the library keeps it from every host).
    call = dict(call)
    builder = readdata14.ChartBuilder(closed=call.pop("builder_closed", False))
    add = builder.add_lines if layer == "lines" else builder.add_closed_contours
    if refused is None:
        add(**call)
    else:
        with pytest.raises(ValueError, match=re.escape(refused)):
            add(**call)
    assert hashlib.sha256(builder.to_bytes()).hexdigest()[:16] == digest
