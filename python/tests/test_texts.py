"""Texts decode with the named codec; without one, valid UTF-8 passes and
other bytes stay as \\xNN, with one warning per chart naming the option."""

from __future__ import annotations

import warnings
from pathlib import Path
from typing import Optional

import pytest

import readdata14
from conftest import run_chart14_json


def chart_with_texts(text: bytes, description: bytes = b"Texts") -> bytes:
    """A symbol text (one token) and a note's two texts, all `text`."""
    n = str(len(text)).encode()
    return (b"readdata14 14 " + description + b"\n1 2 3 4 5\nLINES: 0\nLINES_SYMBOL: 0\nSYMBOLS: 2\n48 1 2 0 "
            + text + b"\n7 3 4 0 0\nCLOSED_CONTOURS: 0\nSTATION_SITUATION\nWEATHER_REGION: 0\nFILLAREA: 0\n"
            b"NOTES_SYMBOL: 1\n48 1 2 0 " + n + b"\n" + text + b"\n1.5 " + n + b"\n" + text + b"\n1 2 3 4 5 6\n")


CASES = [  # (raw bytes, encoding, the text, whether it warns)
    (b"Tief", None, "Tief", False),
    ("Régen".encode(), None, "Régen", False),
    (b"R\xe9gen", None, "R\\xE9gen", True),
    (b"R\xe9gen", "cp1252", "Régen", False),
    (b"\xe2\x82A", None, "\\xE2\\x82A", True),          # a sequence cut short
    (b"\xed\xa0\x80x", None, "\\xED\\xA0\\x80x", True),  # a surrogate is no UTF-8
    (b"\xc0\xafx", None, "\\xC0\\xAFx", True),          # nor an overlong form
    (b"\x81y", "cp1252", "\\x81y", True),               # undefined in CP1252
    ("天气".encode("gbk"), "gbk", "天气", False),
    (b"back\\slash", None, "back\\slash", False),
]


@pytest.mark.parametrize("raw,encoding,expected,warns", CASES)
def test_texts_decode(raw: bytes, encoding: Optional[str], expected: str, warns: bool, tmp_path: Path,
                      chart14: Path) -> None:
    path = tmp_path / "texts.txt"
    path.write_bytes(chart_with_texts(raw, description=b"D" + raw))
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        chart = readdata14.read(path, encoding=encoding)
        texts = [chart.symbols[0].text, chart.notes[0].first_text, chart.notes[0].second_text]
        list(chart.symbols)
    assert texts == [expected] * 3 and chart.description == "D" + expected
    assert chart.symbols[1].text is None and chart.symbols[1].direction == 270.0  # 270 − the file's angle
    assert [w.category for w in caught] == ([readdata14.TextEncodingWarning] if warns else [])
    if warns:
        assert str(path) in str(caught[0].message) and ("encoding=" in str(caught[0].message)) == (encoding is None)
        assert caught[0].filename == __file__, "the warning should point at the caller's read"
    # chart14 decodes the same bytes with iconv and its own UTF-8 check.
    code, doc = run_chart14_json(chart14, path, encoding and encoding.upper())
    # The exact dump writes a backslash of the text as two, so that it never
    # looks like the escape of a byte; the package's text has it once.
    dumped = [doc["description"], doc["symbols"][0]["text"], doc["notes"][0]["second_text"]]
    assert code == 0 and [t.replace("\\\\", "\\") for t in dumped] == [chart.description, texts[0], texts[2]]

