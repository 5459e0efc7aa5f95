"""The walks on hand-built blocks: broken counts, records that do not fit,
texts past dropped symbols — blocks the library itself never hands out, so
that the guards are tested whatever the readers produce."""

from __future__ import annotations

from typing import Any, List, Optional

import numpy as np
import pytest

from readdata14 import _sections as s
from readdata14._texts import TextDecoder

NAN = float("nan")


def block(*values: float) -> np.ndarray:
    return np.array(values, dtype=np.float32)


def texts(section_type: Any, values: List[float], lengths: List[int], text: bytes) -> Any:
    return section_type(block(*values), np.array(lengths, dtype=np.int32), text, TextDecoder(None, "test"))


# (name, section type, block, records the walk accepts)
WALKS = [
    ("point lists: sound", s.LineSymbols, [2, 1, 7, 1, 2, 0, 9], 2),
    ("point lists: negative point count", s.LineSymbols, [2, 1, 7, 1, 2, -1, 9], 1),
    ("point lists: fractional point count", s.LineSymbols, [2, 0.5, 7, 1, 2], 0),
    ("point lists: NaN point count", s.WeatherRegions, [1, NAN, 7], 0),
    ("point lists: count beyond 2^24", s.WeatherRegions, [1, 3.0e7, 7], 0),
    ("point lists: 2^24 points that are not there", s.WeatherRegions, [1, 16777216, 7], 0),
    ("point lists: last record runs past the end", s.LineSymbols, [2, 1, 7, 1, 2, 2, 9, 1, 2], 1),
    ("point lists: NaN record count", s.LineSymbols, [NAN], 0),
    ("point lists: negative record count", s.LineSymbols, [-3], 0),
    ("point lists: more records declared than present", s.LineSymbols, [5, 0, 1, 0, 2], 2),
    ("point lists: empty block", s.LineSymbols, [], 0),
    ("lines: sound", s.Lines, [2, 1, 4, 5, 6, 999999, 0, 0, 3, 3200005, 1, 7, 8], 2),
    ("lines: label count slot beyond the block", s.Lines, [1, 1, 4, 5, 6], 0),
    ("lines: label points run past the end", s.Lines, [1, 0, 4, 999999, 2, 1, 2], 0),
    ("lines: fractional label count", s.Lines, [1, 0, 4, 999999, 0.25], 0),
    ("fill areas: sound", s.FillAreas, [1, 1, 9, 3, 4, *range(1, 17)], 1),
    ("fill areas: fifteen values only", s.FillAreas, [1, 1, 9, 3, 4, *range(1, 16)], 0),
    ("contours: label count slot missing", s.ClosedContours, [1, 1, 7, 1, 2, 0, 0, 20], 0),
    ("contours: NaN label count", s.ClosedContours, [1, 1, 7, 1, 2, 0, 0, 20, NAN], 0),
    ("symbols: sound", s.Symbols, [2, 1, 48, 1, 2, 0, 1, 7, 3, 4, 270], 2),
    ("symbols: a record not starting with 1", s.Symbols, [3, 1, 48, 1, 2, 0, 2, 7, 3, 4, 270, 1, 7, 0, 0, 0], 1),
    ("symbols: last record cut short", s.Symbols, [2, 1, 48, 1, 2, 0, 1, 7, 3, 4], 1),
    ("notes: sound", s.Notes, [1, 1, 48, 1, 2, 3, 1, 2, 3, 4, 5, 6], 1),
    ("notes: cut short", s.Notes, [1, 1, 48, 1, 2, 3, 1, 2, 3, 4, 5], 0),
    ("notes: NaN first slot", s.Notes, [1, NAN, 48, 1, 2, 3, 1, 2, 3, 4, 5, 6], 0),
]


@pytest.mark.parametrize("name,section_type,values,records", WALKS, ids=[w[0] for w in WALKS])
def test_walk_stops_at_broken_records(name: str, section_type: Any, values: List[float], records: int) -> None:
    if section_type in (s.Symbols, s.Notes):
        section = texts(section_type, values, [], b" ")
    else:
        section = section_type(block(*values) if values else None)
    assert len(section) == records
    # Every view stays inside the block.
    for element in section:
        for name_ in ("points", "label_points", "values"):
            array = getattr(element, name_, None)
            if array is not None:
                assert np.shares_memory(array, section.block) or array.size == 0


def test_line_fields_and_label_kinds() -> None:
    lines = s.Lines(block(3, 2, 4, 5, 6, 7, 8, 999999, 0,
                          0, 3, 3200005.5, 1, 7, 8,
                          1, -2, 1, 2, 1012, 0))
    assert [(e.code, e.label_kind, e.label_value, e.label_code) for e in lines] == [
        (4, "none", None, None), (3, "code", None, 5.5), (-2, "value", 1012.0, None)]
    assert lines[0].points.tolist() == [[5, 6], [7, 8]] and lines[-2].label_points.tolist() == [[7, 8]]
    assert lines[-1].points.shape == (1, 2) and lines[1].points.shape == (0, 2)


def test_contour_records_and_levels() -> None:
    # [n, code, flag, level, n points, value, m, m points] ... K, levels
    contours = s.ClosedContours(block(2,
                                      3, 7, 1, 2, 0, 0, 10, 0, 0, 1, 20, 1, 5, 5,
                                      1, 8, 0, 999999, 4, 4, 999999, 0,
                                      2, 10, 20))
    first, second = contours
    assert (first.code, first.valued_closed, first.level_index, first.value) == (7, True, 2, 20.0)
    assert first.points.tolist() == [[0, 0], [10, 0], [0, 1]] and first.label_points.tolist() == [[5, 5]]
    assert first.closed and second.closed  # one point is closed
    assert second.level_index is None and second.label_kind == "none"
    assert contours.levels.tolist() == [10, 20] and contours.level_order == "rising"


@pytest.mark.parametrize("tail,levels", [
    ([2, 10, 20], [10, 20]),
    ([3, 10, 20], []),       # K claims more levels than follow
    ([], []),                # no level list at all
    ([0.5, 10], []),         # K is no count
    ([1, 30, 99], [30]),
])
def test_level_list_only_where_it_fits(tail: List[float], levels: List[float]) -> None:
    contours = s.ClosedContours(block(1, 1, 8, 0, 999999, 4, 4, 999999, 0, *tail))
    assert len(contours) == 1 and contours.levels.tolist() == levels


@pytest.mark.parametrize("first,last,closed", [
    ((0, 0), (1.9, 1.9), True), ((0, 0), (2.0, 0), False), ((0, 0), (0, -2.0), False), ((5, 5), (5, 5), True),
    ((0, 0), (NAN, 0), False), ((1e30, 0), (1e30 + 1e24, 0), False),
])
def test_closed_test_rounds_to_float32(first: Any, last: Any, closed: bool) -> None:
    contours = s.ClosedContours(block(1, 3, 1, 0, 999999, *first, 100, 100, *last, 999999, 0, 0))
    assert contours[0].closed is closed


def test_symbol_texts_skip_dropped_slots() -> None:
    symbols = texts(s.Symbols, [4, 1, 48, 1, 2, 0, 1, 7, 3, 4, 270, 1, 60, 5, 6, 0, 1, 61, 7, 8, 0],
                    [4, 0, 0, 3, 5], b"Low#A##Ra n#")
    assert [(e.type, e.text, e.direction) for e in symbols] == [
        (48, "Low", None), (7, None, 270.0), (60, "A#", None), (61, "Ra n", None)]
    assert symbols.xy.tolist() == [[1, 2], [3, 4], [5, 6], [7, 8]]


@pytest.mark.parametrize("lengths,text,expected", [
    ([9], b"Hi#", ["Hi", ""]),          # a slot claiming more than the text holds
    ([-2, 3], b"ab#", ["", "ab"]),      # a negative slot takes nothing
    ([], b" ", ["", ""]),
])
def test_symbol_texts_stop_where_the_text_ends(lengths: List[int], text: bytes, expected: List[str]) -> None:
    symbols = texts(s.Symbols, [2, 1, 48, 1, 2, 0, 1, 48, 3, 4, 0], lengths, text)
    assert [e.text for e in symbols] == expected


def test_notes_take_two_slots_each() -> None:
    notes = texts(s.Notes, [2, 1, 48, 1, 2, 3.5, 1, 2, 3, 4, 5, 6, 1, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0],
                  [6, 1, 0, 0], b"Hello##")
    first, second = notes
    assert (first.type, first.x, first.y, first.value, first.values.tolist()) == (48, 1, 2, 3.5, [1, 2, 3, 4, 5, 6])
    assert (first.first_text, first.second_text, second.first_text, second.type) == ("Hello", "", "", 5)


@pytest.mark.parametrize("points,geometry", [
    ([], None), ([[0, 0]], None), ([[0, 0], [1, 0]], None),
    ([[0, 0], [1, 0], [0, 0]], None),  # closes to three positions: no ring
    ([[0, 0], [1, 0], [1, 1]], [[0, 0], [1, 0], [1, 1], [0, 0]]),
    ([[0, 0], [1, 0], [1, 1], [0, 0]], [[0, 0], [1, 0], [1, 1], [0, 0]]),
])
def test_polygon_rings(points: List[List[float]], geometry: Optional[List[List[float]]]) -> None:
    regions = s.WeatherRegions(block(1, len(points), 3, *np.ravel(points)))
    feature = regions[0].__geo_interface__
    assert feature["properties"] == {"code": 3} and feature["id"] == 0
    assert (feature["geometry"] or {}).get("coordinates") == (None if geometry is None else [geometry])
