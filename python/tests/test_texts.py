"""Texts decode with the named codec; without one, valid UTF-8 passes and
other bytes stay as \\xNN, with one warning per chart naming the option."""

from __future__ import annotations

import warnings
from pathlib import Path
from typing import Any, List, Optional

import pytest

import readdata14
from conftest import run_chart14_json


def chart_with_texts(text: bytes, description: bytes = b"Texts") -> bytes:
    """A symbol text (one token) and a note's two texts, all `text`."""
    return (b"readdata14 14 " + description + b"\n1 2 3 4 5\nLINES: 0\nLINES_SYMBOL: 0\n"
            b"SYMBOLS: 2\n48 1 2 0 " + text + b"\n7 3 4 0 0\nCLOSED_CONTOURS: 0\n"
            b"STATION_SITUATION\nWEATHER_REGION: 0\nFILLAREA: 0\n"
            b"NOTES_SYMBOL: 1\n48 1 2 0 " + str(len(text)).encode() + b"\n" + text + b"\n"
            b"1.5 " + str(len(text)).encode() + b"\n" + text + b"\n1 2 3 4 5 6\n")


# (raw bytes, encoding, the text expected, whether it warns)
CASES = [
    (b"Tief", None, "Tief", False),
    ("Régen".encode(), None, "Régen", False),
    (b"R\xe9gen", None, "R\\xE9gen", True),
    (b"R\xe9gen", "cp1252", "Régen", False),
    (b"\xe2\x82A", None, "\\xE2\\x82A", True),          # a sequence cut short
    (b"\xed\xa0\x80x", None, "\\xED\\xA0\\x80x", True),  # a surrogate is no UTF-8
    (b"\xc0\xafx", None, "\\xC0\\xAFx", True),          # nor an overlong form
    (b"\x81y", "cp1252", "\\x81y", True),               # undefined in CP1252
    ("天气".encode("gbk"), "gbk", "天气", False),
    ("天气".encode("gbk"), None, "\\xCC\\xEC\\xC6\\xF8", True),
    (b"back\\slash", None, "back\\slash", False),
]


@pytest.mark.parametrize("raw,encoding,expected,warns", CASES)
def test_texts_decode(raw: bytes, encoding: Optional[str], expected: str, warns: bool, tmp_path: Path) -> None:
    path = tmp_path / "texts.txt"
    path.write_bytes(chart_with_texts(raw))
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        chart = readdata14.read(path, encoding=encoding)
        got = [chart.symbols[0].text, chart.notes[0].first_text, chart.notes[0].second_text]
    assert got == [expected, expected, expected]
    assert chart.symbols[1].text is None and chart.symbols[1].direction == 270.0  # stored as 270 − the file's angle
    ours = [w for w in caught if issubclass(w.category, UnicodeWarning)]
    assert len(ours) == (1 if warns else 0)
    if warns:
        assert issubclass(ours[0].category, readdata14.TextEncodingWarning)
        assert str(path) in str(ours[0].message)
        assert ("encoding=" in str(ours[0].message)) == (encoding is None)
        assert ours[0].filename == __file__, "the warning should point at the caller's read"


@pytest.mark.parametrize("raw,encoding", [(c[0], c[1]) for c in CASES if c[1] != "gbk" or c[3] is False])
def test_texts_as_chart14_writes_them(raw: bytes, encoding: Optional[str], tmp_path: Path, chart14: Path) -> None:
    path = tmp_path / "texts.txt"
    path.write_bytes(chart_with_texts(raw, description=b"D" + raw))
    code, doc = run_chart14_json(chart14, path, encoding and encoding.upper())
    assert code == 0
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        chart = readdata14.read(path, encoding=encoding)
        assert chart.description == doc["description"]
        assert chart.symbols[0].text == doc["symbols"][0]["text"]
        assert (chart.notes[0].first_text, chart.notes[0].second_text) == (
            doc["notes"][0]["firstText"], doc["notes"][0]["secondText"])


def test_one_warning_per_chart_however_many_texts(tmp_path: Path) -> None:
    path = tmp_path / "texts.txt"
    path.write_bytes(chart_with_texts(b"\xff\xfe", description=b"\xff"))
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        charts: List[Any] = [readdata14.read(path) for _ in range(3)]
        for chart in charts:
            list(chart.symbols), list(chart.notes)
    assert len(caught) == 3 and charts[0].description == "\\xFF"


def test_a_text_cut_inside_a_character_warns_when_it_is_decoded() -> None:
    """The joined texts are valid UTF-8, the piece a slot cuts out is not."""
    from readdata14 import _sections
    from readdata14._texts import TextDecoder
    import numpy as np
    symbols = _sections.Symbols(np.array([1, 1, 48, 0, 0, 0], np.float32), np.array([1], np.int32),
                                "é#".encode(), TextDecoder(None, "cut"))
    with pytest.warns(readdata14.TextEncodingWarning):
        assert symbols[0].text == "\\xC3"
