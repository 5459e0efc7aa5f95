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


def make(kind: Any, values: List[float], lengths: Optional[List[int]] = None, text: bytes = b" ") -> Any:
    block = np.array(values, dtype=np.float32) if values else None
    if kind in (s.Symbols, s.Notes):
        return kind(block, np.array(lengths or [], dtype=np.int32), text, TextDecoder(None, "test"))
    return kind(block)


WALKS = [  # (case, section, block, records the walk accepts)
    ("sound", s.LineSymbols, [2, 1, 7, 1, 2, 0, 9], 2),
    ("negative point count", s.LineSymbols, [2, 1, 7, 1, 2, -1, 9], 1),
    ("fractional point count", s.LineSymbols, [2, 0.5, 7, 1, 2], 0),
    ("NaN point count", s.WeatherRegions, [1, NAN, 7], 0),
    ("count beyond 2^24", s.WeatherRegions, [1, 3.0e7, 7], 0),
    ("last record runs past the end", s.LineSymbols, [2, 1, 7, 1, 2, 2, 9, 1, 2], 1),
    ("NaN record count", s.LineSymbols, [NAN], 0),
    ("negative record count", s.LineSymbols, [-3], 0),
    ("fewer records than declared", s.LineSymbols, [5, 0, 1, 0, 2], 2),
    ("no block", s.LineSymbols, [], 0),
    ("lines sound", s.Lines, [2, 1, 4, 5, 6, 999999, 0, 0, 3, 3200005, 1, 7, 8], 2),
    ("lines: label count beyond the block", s.Lines, [1, 1, 4, 5, 6], 0),
    ("lines: label points past the end", s.Lines, [1, 0, 4, 999999, 2, 1, 2], 0),
    ("fill areas sound", s.FillAreas, [1, 1, 9, 3, 4, *range(1, 17)], 1),
    ("fill areas: fifteen values", s.FillAreas, [1, 1, 9, 3, 4, *range(1, 16)], 0),
    ("contours: label count missing", s.ClosedContours, [1, 1, 7, 1, 2, 0, 0, 20], 0),
    ("contours: NaN label count", s.ClosedContours, [1, 1, 7, 1, 2, 0, 0, 20, NAN], 0),
    ("symbols: a record not starting with 1", s.Symbols, [3, 1, 48, 1, 2, 0, 2, 7, 3, 4, 0, 1, 7, 0, 0, 0], 1),
    ("symbols: last record cut short", s.Symbols, [2, 1, 48, 1, 2, 0, 1, 7, 3, 4], 1),
    ("notes: cut short", s.Notes, [1, 1, 48, 1, 2, 3, 1, 2, 3, 4, 5], 0),
    ("notes: NaN first slot", s.Notes, [1, NAN, 48, 1, 2, 3, 1, 2, 3, 4, 5, 6], 0),
]


@pytest.mark.parametrize("case,kind,values,records", WALKS, ids=[w[0] for w in WALKS])
def test_walk_stops_at_broken_records(case: str, kind: Any, values: List[float], records: int) -> None:
    assert len(make(kind, values)) == len(list(make(kind, values))) == records


def test_lines_and_label_kinds() -> None:
    lines = make(s.Lines, [3, 2, 4, 5, 6, 7, 8, 999999, 0, 0, 3, 3200005.5, 1, 7, 8, 1, -2, 1, 2, 1012, 0])
    assert [(e.code, e.label_kind, e.label_value, e.label_code) for e in lines] == [
        (4, "none", None, None), (3, "code", None, 5.5), (-2, "value", 1012.0, None)]
    assert lines[0].points.tolist() == [[5, 6], [7, 8]] and lines[-2].label_points.tolist() == [[7, 8]]


@pytest.mark.parametrize("tail,levels", [([2, 10, 20], [10, 20]), ([3, 10, 20], []), ([], []), ([0.5, 10], [])])
def test_contours_and_the_level_list_where_it_fits(tail: List[float], levels: List[float]) -> None:
    # [n, code, flag, level, n points, value, m, m points] ... K, levels
    contours = make(s.ClosedContours, [2, 3, 7, 1, 2, 0, 0, 10, 0, 0, 1, 20, 1, 5, 5,
                                       1, 8, 0, 999999, 4, 4, 999999, 0, *tail])
    first, second = contours
    assert (first.code, first.valued_closed, first.level_index, first.value) == (7, True, 2, 20.0)
    assert first.points.tolist() == [[0, 0], [10, 0], [0, 1]] and first.label_points.tolist() == [[5, 5]]
    assert second.level_index is None and second.closed  # one point is closed
    assert contours.levels.tolist() == levels


@pytest.mark.parametrize("first,last,closed", [((0, 0), (1.9, 1.9), True), ((0, 0), (2.0, 0), False),
                                               ((0, 0), (0, -2.0), False), ((0, 0), (NAN, 0), False),
                                               ((1e30, 0), (1e30 + 1e24, 0), False)])
def test_closed_test_rounds_to_float32(first: Any, last: Any, closed: bool) -> None:
    assert make(s.ClosedContours, [1, 3, 1, 0, 999999, *first, 100, 100, *last, 999999, 0, 0])[0].closed is closed


@pytest.mark.parametrize("values,lengths,text,expected", [
    # a text symbol takes the next nonzero slot: dropped symbols keep a zero slot but no record
    ([4, 1, 48, 1, 2, 0, 1, 7, 3, 4, 270, 1, 60, 5, 6, 0, 1, 61, 7, 8, 0], [4, 0, 0, 3, 5], b"Low#A##Ra n#",
     ["Low", None, "A#", "Ra n"]),
    ([2, 1, 48, 1, 2, 0, 1, 48, 3, 4, 0], [9], b"Hi#", ["Hi", ""]),   # claims more than the text holds
    ([2, 1, 48, 1, 2, 0, 1, 48, 3, 4, 0], [-2, 3], b"ab#", ["", "ab"]),
])
def test_symbol_texts(values: List[float], lengths: List[int], text: bytes, expected: List[Any]) -> None:
    assert [e.text for e in make(s.Symbols, values, lengths, text)] == expected


def test_notes_take_two_slots_each() -> None:
    first, second = make(s.Notes, [2, 1, 48, 1, 2, 3.5, 1, 2, 3, 4, 5, 6, 1, 5, *[0] * 9], [6, 1, 0, 0], b"Hello##")
    assert (first.type, first.x, first.y, first.value, first.values.tolist()) == (48, 1, 2, 3.5, [1, 2, 3, 4, 5, 6])
    assert (first.first_text, first.second_text, second.first_text, second.type) == ("Hello", "", "", 5)


@pytest.mark.parametrize("points,ring", [
    ([], None), ([[0, 0], [1, 0]], None), ([[0, 0], [1, 0], [0, 0]], None),  # three positions are no ring
    ([[0, 0], [1, 0], [1, 1]], [[0, 0], [1, 0], [1, 1], [0, 0]]),
    ([[0, 0], [1, 0], [1, 1], [0, 0]], [[0, 0], [1, 0], [1, 1], [0, 0]]),
])
def test_polygon_rings(points: List[List[float]], ring: Optional[List[List[float]]]) -> None:
    feature = make(s.WeatherRegions, [1, len(points), 3, *np.ravel(points)])[0].__geo_interface__
    assert (feature["id"], feature["properties"]) == (0, {"code": 3})
    assert (feature["geometry"] or {}).get("coordinates") == (ring and [ring])
